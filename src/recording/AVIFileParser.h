#pragma once

#include "recording/AviHeader.h"
#include "recording/CFileParser.h"

#include <string>
#include <vector>

// Reads a camera recording (RIFF AVI) into a tree of chunk descriptors and answers the questions the
// rest of the program asks of it. Use a fresh parser per file: a second Open keeps the first tree.
class AVIFileParser : public CFileParser {
public:
    // Files of at most this many bytes are aborted recordings unless their path carries the marker.
    static constexpr int32_t kAbortedRecordingMaxSize = 30720;
    static constexpr std::size_t kMaxPathBytes = 255;

    void CollectChunks(std::vector<ChunkNode*>& out, const ChunkList& nodes, const std::string& id) override;
    // True for a usable recording, and also for an aborted one, which is left unparsed (empty tree).
    bool Open(const std::string& path) override;
    bool ReadBytes(int32_t offset, int32_t count, void* buffer) override;
    int32_t ReadUInt32(int32_t offset) override;
    bool HasRiffChunk(const ChunkList& nodes) override;
    bool ParseChunks(int32_t start, ChunkList& nodes, int32_t end) override;

    std::string ReadFourCC(int32_t offset);
    // The header read from the tree when the file was opened (empty for an aborted recording). The
    // questions below are answered from it.
    const AviHeader& Header() const { return m_header; }
    // The first child of a top-level node whose type is `type`; without one, the last top-level node
    // examined (nullptr for an empty tree).
    ChunkNode* FindListByType(const std::string& type);
    // The first stream header of a video stream below the given header list.
    ChunkNode* FindVideoStreamHeader(ChunkNode* headerList);
    int CountVideoStreams();
    int GetTotalFrames();
    int GetDurationSeconds();
    // "00dc", "01dc", "02wb", "03tx" for the camera's four streams.
    std::vector<std::string> GetStreamChunkIds();

    // Whether a file with this path and length is an aborted recording, which is accepted unparsed.
    static bool IsAbortedRecording(const std::string& path, int64_t fileSize);
    // Whether the path carries the camera's "SDEXIT" mark (from its second character on): such a file is
    // parsed however small it is, and never repaired.
    static bool HasExitMarker(const std::string& path);

private:
    AviHeaderPlaces HeaderPlacesFromTree();

    AviHeader m_header;
};
