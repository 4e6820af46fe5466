#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Little-endian field access on byte strings, the way every RIFF field is stored.
inline void AppendU16(std::string& out, uint16_t value)
{
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

inline void AppendU32(std::string& out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

inline void PutU32(std::string& bytes, size_t position, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[position + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline uint32_t GetU32(std::string_view bytes, size_t position)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[position + i]);
    return value;
}
