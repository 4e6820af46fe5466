#pragma once

// Builds RIFF bytes for tests from the shared chunk writer: the camera's layout, and hostile variations of it.

#include "devsupport/RiffWriter.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace riff {

inline std::string MainHeader(uint32_t totalFrames, uint32_t streams)
{
    std::string data(56, '\0');
    data.replace(16, 4, Le32(totalFrames));
    data.replace(24, 4, Le32(streams));
    return Chunk("avih", data);
}

inline std::string StreamHeader(const std::string& fccType, uint32_t scale, uint32_t rate, uint32_t length)
{
    std::string data(56, '\0');
    data.replace(0, 4, fccType);
    data.replace(20, 4, Le32(scale));
    data.replace(24, 4, Le32(rate));
    data.replace(32, 4, Le32(length));
    return Chunk("strh", data);
}

struct MediaChunk {
    std::string id;
    std::string payload;
};

// A recording in the camera's layout: header of 520 bytes for four streams, movie list, index.
struct CameraFile {
    int channels = 2;
    uint32_t totalFrames = 0;
    uint32_t scale = 1, rate = 30, length = 1800;  // first video stream: 60 s
    std::vector<MediaChunk> chunks;
    bool withIndex = true;

    std::string Header() const
    {
        std::string streams;
        auto strl = [&](const std::string& type, std::size_t formatSize) {
            streams += List("LIST", "strl", StreamHeader(type, scale, rate, length) +
                                                  Chunk("strf", std::string(formatSize, '\0')));
        };
        strl("vids", 40);
        if (channels == 2)
            strl("vids", 40);
        strl("auds", 16);
        strl("txts", 0);
        return List("LIST", "hdrl", MainHeader(totalFrames, static_cast<uint32_t>(channels + 2)) + streams);
    }

    std::string Bytes() const
    {
        std::string movie;
        std::string index;
        for (const MediaChunk& chunk : chunks) {
            index += chunk.id + Le32(0x10) + Le32(static_cast<uint32_t>(4 + movie.size())) +
                     Le32(static_cast<uint32_t>(chunk.payload.size()));
            movie += PaddedChunk(chunk.id, chunk.payload);
        }
        std::string body = Header() + List("LIST", "movi", movie);
        if (withIndex)
            body += Chunk("idx1", index);
        return List("RIFF", "AVI ", body);
    }
};

// A GPS record: 'G' + the sentence up to and including '*' + a checksum.
inline std::string GpsRecord(const std::string& sentence)
{
    return "G" + sentence + "*4A\r\n";
}

inline std::string GSensorRecord(int8_t x, int8_t y, int8_t z)
{
    std::string bytes = "M";
    for (int8_t value : {x, y, z, int8_t{0}, int8_t{0}, int8_t{0}})
        bytes.push_back(static_cast<char>(value));
    return bytes;
}

}  // namespace riff

namespace riff {

// A small recording that the reader accepts (large enough not to count as aborted).
inline std::string ValidRecording()
{
    CameraFile file;
    file.chunks = {{"00dc", std::string(32000, 'v')}, {"03tx", GSensorRecord(1, 2, 3) + '\0'}};
    return file.Bytes();
}

// A power-cut recording: the RIFF size still holds 0 and there is no index.
inline std::string PowerCutRecording()
{
    std::string bytes = ValidRecording();
    bytes.replace(4, 4, Le32(0));
    return bytes.substr(0, bytes.rfind("idx1"));
}

}  // namespace riff
