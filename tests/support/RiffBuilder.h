#pragma once

// Builds RIFF bytes for tests from the shared chunk writer and layout builder: the camera's layout, and
// hostile variations of it.

#include "devsupport/AviLayout.h"
#include "devsupport/RiffWriter.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace riff {

using MediaChunk = avi::MediaChunk;

// A recording in the camera's layout: header of 520 bytes for four streams, movie list, index. Every stream
// header carries the same timing, every format chunk zeros, and every index entry the key flag.
struct CameraFile {
    int channels = 2;
    uint32_t totalFrames = 0;
    uint32_t scale = 1, rate = 30, length = 1800;  // first video stream: 60 s
    std::vector<MediaChunk> chunks;
    bool withIndex = true;

    std::string Header() const { return avi::HeaderList(MainHeader(), Streams()); }

    std::string Bytes() const
    {
        avi::AviWriting how;
        how.keyFlagsFromData = false;
        how.withIndex = withIndex;
        return avi::WriteAvi(MainHeader(), Streams(), chunks, how);
    }

private:
    avi::AviMainHeader MainHeader() const
    {
        avi::AviMainHeader main;
        main.totalFrames = totalFrames;
        return main;
    }

    std::vector<avi::AviStream> Streams() const
    {
        std::vector<avi::AviStream> streams;
        auto add = [&](const char* type, std::size_t formatSize) {
            avi::AviStream& stream = streams.emplace_back();
            stream.type = type;
            stream.scale = scale;
            stream.rate = rate;
            stream.length = length;
            stream.format = std::string(formatSize, '\0');
            stream.quality = 0;
        };
        add("vids", 40);
        if (channels == 2)
            add("vids", 40);
        add("auds", 16);
        add("txts", 0);
        return streams;
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
