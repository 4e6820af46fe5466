#pragma once

#include "support/GroundTruth.h"
#include "support/SampleCard.h"
#include "support/TempDir.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Small readers for the generated files, independent of the generator's own code.

inline uint32_t U32At(const std::string& bytes, size_t position)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes.at(position + i));
    return value;
}

struct ChunkAt {
    std::string id;
    size_t offset = 0;  // of the id
    uint32_t size = 0;
    std::string Data(const std::string& bytes) const { return bytes.substr(offset + 8, size); }
};

// The chunks that follow each other from `begin` to `end`, each padded to even length.
inline std::vector<ChunkAt> ChunksBetween(const std::string& bytes, size_t begin, size_t end)
{
    std::vector<ChunkAt> chunks;
    for (size_t pos = begin; pos + 8 <= end && pos + 8 <= bytes.size();) {
        ChunkAt chunk{bytes.substr(pos, 4), pos, U32At(bytes, pos + 4)};
        chunks.push_back(chunk);
        pos += 8 + chunk.size + (chunk.size & 1);
    }
    return chunks;
}

inline std::vector<ChunkAt> TopLevelChunks(const std::string& bytes) { return ChunksBetween(bytes, 12, bytes.size()); }

inline std::optional<ChunkAt> FindChunk(const std::vector<ChunkAt>& chunks, const std::string& id)
{
    for (const ChunkAt& chunk : chunks)
        if (chunk.id == id)
            return chunk;
    return std::nullopt;
}

// A recording generated once and shared by the tests that only read it.
struct SharedRecording {
    TempDir dir;
    std::string path;
    std::string bytes;
    GroundTruth truth;
};

inline const SharedRecording& FiveSecondRecording()
{
    static const std::unique_ptr<SharedRecording> recording = [] {
        auto shared = std::make_unique<SharedRecording>();
        shared->path = MakeRecording(shared->dir.path(), {"--seconds", "5", "--seed", "7"});
        shared->bytes = ReadFileBytes(shared->path);
        shared->truth = LoadGroundTruth(shared->path);
        return shared;
    }();
    return *recording;
}

// Movie-list chunks of a recording laid out with its movie list at `movi` (the "LIST" id).
inline std::vector<ChunkAt> MovieChunks(const std::string& bytes, size_t movi)
{
    return ChunksBetween(bytes, movi + 12, movi + 8 + U32At(bytes, movi + 4));
}

inline std::vector<std::string> FramesOf(const std::string& bytes, const std::string& id)
{
    std::vector<std::string> frames;
    for (const ChunkAt& chunk : MovieChunks(bytes, 520))
        if (chunk.id == id)
            frames.push_back(chunk.Data(bytes));
    return frames;
}
