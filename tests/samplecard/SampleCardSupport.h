#pragma once

#include "support/JsonValue.h"
#include "support/TempDir.h"

#include <cstdint>
#include <string>
#include <vector>

// Runs the generator and reads what it wrote with a reader of its own, so that the tests check the
// files against the camera's layout rather than against the generator's code.

struct RunResult {
    int exitCode = -1;
    std::string output;  // standard output and standard error
};

// Runs tessaro-samplecard with the arguments (each passed as one word).
RunResult RunSampleCard(const std::vector<std::string>& arguments);

uint32_t U32At(const std::string& bytes, size_t offset);

struct AviChunk {
    std::string id;
    uint32_t offset = 0;  // of the chunk id
    uint32_t size = 0;
    std::string data;
};

struct AviStreamHeader {
    std::string fccType, handler;
    uint32_t headerOffset = 0;  // first data byte of strh
    uint32_t scale = 0, rate = 0, length = 0, suggestedBufferSize = 0;
    uint32_t formatSize = 0;
};

struct AviIndexEntry {
    std::string id;
    uint32_t flags = 0, offset = 0, size = 0;
};

// A strict walk of the camera's layout: RIFF AVI, hdrl (avih, strl...), movi, optional idx1. Every
// chunk must lie inside its parent and be padded to an even length; problems are test failures.
struct ParsedAvi {
    std::string bytes;
    uint32_t riffSize = 0;
    uint32_t totalFrames = 0, streamCount = 0;
    std::vector<AviStreamHeader> streams;
    uint32_t moviOffset = 0, moviSize = 0;
    std::vector<AviChunk> chunks;
    bool hasIndex = false;
    uint32_t idx1Offset = 0;
    std::vector<AviIndexEntry> index;

    std::vector<const AviChunk*> ChunksWithId(const std::string& id) const;
};
ParsedAvi ParseAvi(const std::string& path);

// NAL unit types of an Annex B chunk, with the length of each start code.
struct NalUnit {
    int type = 0;
    size_t startCodeLength = 0;
    size_t offset = 0;  // of the NAL header byte in the chunk
};
std::vector<NalUnit> NalUnitsOf(const std::string& annexB);

// Recordings generated once for the whole suite.
struct GeneratedFile {
    std::string path;
    ParsedAvi avi;
    JsonValue truth;
};
const GeneratedFile& TwoChannelRecording();  // REC, 6 s, crosses local midnight
const GeneratedFile& OneChannelEvent();      // EVT, 4 s, one channel
