#pragma once

#include "recording/RecordingRepair.h"
#include "recording/SafeFile.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// One media chunk found by the repair's scan; becomes one entry of the rebuilt index.
struct RecoveryEntry {
    int32_t flags = 0;    // 16 for a key frame, an audio block or a text record
    int32_t offset = -1;  // position of the chunk's id, counted from the movie list's "movi"
    int32_t size = -1;    // the chunk's size field
    std::string id;       // the chunk's four id bytes
};

// Where the fields that the repair rewrites lie in one file's header, read from the header itself.
// For the camera's four-stream layout the movie list is at 520; a one-channel file has three streams and
// its movie list elsewhere.
struct RecoveryLayout {
    struct Stream {
        std::string chunkId;          // "00dc", "01dc", "02wb", "03tx", … by number and kind
        int64_t headerDataPos = 0;    // first data byte of the stream header ("strh")
        uint32_t rate = 0;            // the dwRate the camera writes for this kind of stream
        bool isVideo = false;
    };
    int64_t movieListPos = 0;    // position of the movie list's "LIST" id
    int64_t mainHeaderDataPos = 0;  // first data byte of the main header ("avih")
    std::vector<Stream> streams;

    int64_t IndexBase() const { return movieListPos + 8; }  // position of "movi"; idx1 offsets count from it
    int64_t FirstChunkPos() const { return movieListPos + 12; }
};

// One 32-bit field that the repair writes into the repaired copy.
struct HeaderField {
    int64_t position = 0;
    uint32_t value = 0;
    bool operator==(const HeaderField&) const = default;
};

// What a scan counted: per stream of the layout (same order) and in all.
struct ScanTally {
    struct Stream {
        uint32_t chunks = 0;
        uint32_t largest = 0;
    };
    std::vector<Stream> streams;
    int64_t entries = 0;
};

// Repairs a recording that a power cut left without its index: moves the broken file into the holding
// folder and writes a repaired copy (same bytes, corrected sizes and counts, a rebuilt index) under the
// file's former path. The file is streamed and the index written as the scan goes: memory stays the same
// whatever the size of the file.
class AVIFileRecovery final : public IRecordingRepair {
public:
    // The holding folder: <documents folder>/BROKENFILES.
    static std::filesystem::path DefaultHoldingFolder();

    explicit AVIFileRecovery(std::filesystem::path holdingFolder = DefaultHoldingFolder());

    // Repairs the file at path. On true, repairedPath is that same path, where the repaired copy now lies.
    // On false, a file that was already moved stays in the holding folder untouched, and nothing is left
    // half-written at its former path.
    bool Recover(const std::string& path, std::string& repairedPath) override;

    // Moves the file into the holding folder, replacing an older file of the same name there; on success
    // path names the moved file.
    bool MoveToBrokenFiles(std::string& path);
    // Opens the broken file and reads its header layout; false for a file that is not a RIFF AVI file or
    // whose header the repair does not understand.
    bool OpenSource(const std::string& path);
    // Walks the movie data chunk by chunk and collects the index entries into Entries().
    void ScanChunks();
    // Writes the repaired copy to output (through a temporary file beside it, never replacing a file),
    // scanning the chunks again as it writes their index.
    bool WriteRepairedFile(const std::string& output);

    // The header fields of the repaired copy for the entries of ScanChunks, in the order they are written:
    // RIFF size, total frames, then per stream its rate, chunk count (dwLength) and largest chunk size,
    // then the movie list size.
    std::vector<HeaderField> HeaderFieldTable() const;

    const std::filesystem::path& HoldingFolder() const { return m_holdingFolder; }
    // Where the last Recover put the broken file, and what its write counted.
    const std::string& MovedPath() const { return m_movedPath; }
    const ScanTally& WrittenTally() const { return m_writtenTally; }
    const RecoveryLayout& Layout() const { return m_layout; }
    const std::vector<RecoveryEntry>& Entries() const { return m_entries; }
    // Why the last operation failed, in words for the command line.
    const std::string& LastError() const { return m_lastError; }

private:
    bool Fail(std::string reason);
    bool ReadLayout();
    // Calls onEntry for each media chunk in file order; stops early when onEntry returns false.
    void WalkChunks(const std::function<bool(const RecoveryEntry&)>& onEntry) const;
    void Count(ScanTally& tally, const RecoveryEntry& entry) const;
    std::vector<HeaderField> HeaderFields(const ScanTally& tally) const;
    int64_t PaddedSourceSize() const { return m_sourceSize + (m_sourceSize & 1); }
    int64_t RepairedLength(int64_t entries) const { return PaddedSourceSize() + 8 + 16 * entries; }

    std::filesystem::path m_holdingFolder;
    FileHandle m_source;
    int64_t m_sourceSize = 0;
    RecoveryLayout m_layout;
    std::vector<RecoveryEntry> m_entries;
    std::string m_movedPath;
    ScanTally m_writtenTally;
    std::string m_lastError;
};
