#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// Little-endian byte helpers for the recording layout. Byte strings are std::string so that they
// move between files, chunks and tests without conversion.
namespace samplecard {

inline void AppendU16(std::string& out, uint32_t value)
{
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

inline void AppendU32(std::string& out, uint32_t value)
{
    AppendU16(out, value & 0xFFFF);
    AppendU16(out, value >> 16);
}

inline void AppendFourCC(std::string& out, const std::string& fourCC)
{
    if (fourCC.size() != 4)
        throw std::logic_error("a four-character code needs four characters: " + fourCC);
    out += fourCC;
}

inline uint32_t ReadU32(const std::string& bytes, size_t offset)
{
    if (offset + 4 > bytes.size())
        throw std::runtime_error("read past the end of the file at " + std::to_string(offset));
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<uint8_t>(bytes[offset + i]);
    return value;
}

inline void PatchU32(std::string& bytes, size_t offset, uint32_t value)
{
    if (offset + 4 > bytes.size())
        throw std::runtime_error("patch past the end of the file at " + std::to_string(offset));
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace samplecard
