#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class BufferedFile;
class ChunkNode;
using ChunkList = std::vector<std::unique_ptr<ChunkNode>>;

// One chunk of a RIFF file: where it is and what its header says. No payload is kept.
class ChunkNode {
public:
    ChunkNode() = default;
    ChunkNode(std::string chunkId, std::string chunkType, int32_t chunkOffset, int32_t chunkSize);
    ~ChunkNode();
    ChunkNode(const ChunkNode&) = delete;
    ChunkNode& operator=(const ChunkNode&) = delete;

    std::string id;       // the four id bytes
    std::string type;     // the four bytes after the size field (list type, or first data bytes)
    int32_t offset = -1;  // position of the id in the file
    int32_t size = 0;     // the size field, as a signed number

    // The chunks found inside this one. A movie list holds thousands of media chunks that a card scan
    // never needs, so its children are walked from the file on the first call, with the same rules
    // as every other walk; the answer is the same as if they had been walked at once.
    ChunkList& Children();
    const ChunkList& Children() const;

    // Leaves the walk of [start, end) of the file for the first call of Children().
    void DeferWalk(std::shared_ptr<BufferedFile> file, int64_t start, int64_t end);

private:
    struct DeferredWalk {
        std::shared_ptr<BufferedFile> file;
        int64_t start = 0;
        int64_t end = 0;
    };
    mutable ChunkList m_children;
    mutable std::unique_ptr<DeferredWalk> m_deferred;
};

// Walks the chunks of the byte range [start, end) of the file into nodes (the camera's container
// rules, see AVIFileParser::ParseChunks). Returns false when the range is not inside the file or the
// first-level walk met a size field of 0.
bool WalkChunks(BufferedFile& file, int64_t start, ChunkList& nodes, int64_t end);
