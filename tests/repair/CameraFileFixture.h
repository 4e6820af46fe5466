#pragma once

#include "devsupport/AviLayout.h"

#include <cstdint>
#include <string>
#include <vector>

// Small recordings in the camera's layout (built with the generator's layout builder) so that each test
// shows its fault in a few chunks: a 520-byte header for four streams (front and rear video, audio, text),
// the movie list, the media chunks padded to even length, and the idx1 index.
// id: "00dc", "01dc", "02wb", "03tx" (a one-channel file: "00dc", "01wb", "02tx"); data: the payload, an
// odd length gets a pad byte.
using FixtureChunk = avi::MediaChunk;

struct CameraFixture {
    std::string complete;  // as the camera closes it: sizes, counts and index in place
    std::string powerCut;  // the same cut off by a power loss: no index, sizes and counts at their initial values
    int64_t movieListPos = 0;
};

// The stream kinds of the header: 'v' video, 'a' audio, 't' text. Two channels: "vvat"; one: "vat".
// padOddChunks false: a writer that does not pad chunks of odd size.
CameraFixture BuildCameraFile(const std::vector<FixtureChunk>& chunks, const std::string& kinds = "vvat",
                              bool padOddChunks = true);

// A video frame payload: a 4-byte start code, the NAL header byte, then filler up to size bytes. A frame
// that starts with a sequence parameter set (0x67) is a channel's first frame: its codec setup (SPS and
// PPS, setupBytes in all; the camera writes 21) comes before an IDR slice.
std::string VideoFrame(unsigned char nalHeader, size_t size, size_t setupBytes = 21);

// A typical run of chunks: per second, a key frame and P frames for each channel, audio and one text record.
std::vector<FixtureChunk> TypicalChunks(int seconds, bool twoChannels = true);

uint32_t ReadLE32(const std::string& bytes, int64_t pos);
void PutLE32(std::string& bytes, int64_t pos, uint32_t value);

// The idx1 entries of a complete file (the bytes after "idx1" and its size).
std::string IndexEntries(const std::string& file);
