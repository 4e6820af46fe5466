#pragma once

// Writes RIFF chunks into byte strings: the one chunk writer that the sample-card generator and the tests
// build their recordings from.

#include "devsupport/ByteOrder.h"

#include <cstdint>
#include <string>

namespace riff {

inline std::string Le32(uint32_t value)
{
    std::string bytes;
    AppendU32(bytes, value);
    return bytes;
}

inline std::string Le16(uint16_t value)
{
    std::string bytes;
    AppendU16(bytes, value);
    return bytes;
}

// The first four bytes of text, filled up with zero bytes.
inline std::string FourCC(const std::string& text)
{
    std::string code = text.substr(0, 4);
    code.resize(4, '\0');
    return code;
}

inline std::string Pad(std::string bytes)
{
    if (bytes.size() % 2)
        bytes.push_back('\0');
    return bytes;
}

// id + size + data, without a pad byte: a hostile layout or a writer that does not pad.
inline std::string Chunk(const std::string& id, const std::string& data)
{
    return id + Le32(static_cast<uint32_t>(data.size())) + data;
}

// id + size + data and a pad byte after data of odd length, as the camera writes its chunks.
inline std::string PaddedChunk(const std::string& id, const std::string& data)
{
    return Pad(Chunk(id, data));
}

// A list ("LIST", or "RIFF" for the whole file): id, size, type and children; no pad byte.
inline std::string List(const std::string& id, const std::string& type, const std::string& children)
{
    return id + Le32(static_cast<uint32_t>(4 + children.size())) + type + children;
}

}  // namespace riff
