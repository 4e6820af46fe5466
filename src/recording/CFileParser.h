#pragma once

#include "recording/ChunkNode.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class BufferedFile;

// A reader of a chunked container file: it keeps a tree of chunk descriptors, never the payload.
// The base versions do nothing and report failure; AVIFileParser gives them meaning.
class CFileParser {
public:
    CFileParser() = default;
    virtual ~CFileParser();
    CFileParser(const CFileParser&) = delete;
    CFileParser& operator=(const CFileParser&) = delete;

    // Fills out with every node of nodes (depth first) whose id equals id; a matching node's children
    // are not searched.
    virtual void CollectChunks(std::vector<ChunkNode*>& out, const ChunkList& nodes, const std::string& id);
    // CollectChunks over the top-level list.
    std::vector<ChunkNode*> FindChunks(const std::string& id);
    virtual bool Open(const std::string& path);
    virtual bool ReadBytes(int32_t offset, int32_t count, void* buffer);
    virtual int32_t ReadUInt32(int32_t offset);
    virtual bool HasRiffChunk(const ChunkList& nodes);
    virtual bool ParseChunks(int32_t start, ChunkList& nodes, int32_t end);

    // Closes the file; the tree stays.
    void Close();
    bool IsOpen() const { return m_file != nullptr; }
    int32_t FileSize() const { return m_fileSize; }
    const ChunkList& TopLevel() const { return m_nodes; }

protected:
    std::shared_ptr<BufferedFile> m_file;  // none when closed
    int32_t m_fileSize = 0;
    ChunkList m_nodes;
};
