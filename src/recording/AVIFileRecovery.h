#pragma once

#include "infra/Result.h"
#include "infra/SafeFile.h"
#include "recording/AviHeader.h"
#include "recording/RecordingRepair.h"

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

// One 32-bit field that the repair writes into the repaired copy.
struct HeaderField {
    int64_t position = 0;
    uint32_t value = 0;
    bool operator==(const HeaderField&) const = default;
};

// What a scan found: per stream of the header (same order) and in all, and how much of the movie data it
// kept. The movie data runs from the first chunk to the end of the file, less zero bytes the camera never
// filled, an index and a last chunk that the power cut left incomplete.
struct ScanTally {
    struct Stream {
        uint32_t chunks = 0;
        uint32_t largest = 0;
    };
    std::vector<Stream> streams;
    int64_t entries = 0;
    int64_t keptBytes = 0;     // bytes of the indexed chunks, headers and pad bytes included
    int64_t skippedBytes = 0;  // movie data the scan could not read as chunks and stepped over
    int64_t skippedRuns = 0;   // how many times it had to look ahead for the next chunk
    int64_t dataEnd = 0;       // first byte after the last indexed chunk: the repaired movie list ends here

    int64_t MovieBytes() const { return keptBytes + skippedBytes; }
    bool Partial() const { return skippedBytes > 0; }
};

// Repairs a recording that a power cut left without its index: moves the broken file into the holding
// folder and writes a repaired copy (same bytes, corrected sizes and counts, a rebuilt index) under the
// file's former path. Only a file with the power-cut signature is taken (a header the repair understands,
// a movie list with at least one chunk, no complete index); every other file is left where it is,
// untouched. The file is streamed and the index written as the scan goes: memory stays the same whatever
// the size of the file.
//
// The scan trusts no size: a chunk counts only when its id is one of the header's stream ids, it lies
// inside the file and the next chunk (or the end of the movie data) follows it. After anything else it
// looks ahead for the next such chunk and goes on from there, counting what it stepped over; a chunk of
// odd size is looked for both after its pad byte and without one, for writers that do not pad.
class AVIFileRecovery final : public IRecordingRepair {
public:
    // The holding folder: <documents folder>/BROKENFILES.
    static std::filesystem::path DefaultHoldingFolder();

    explicit AVIFileRecovery(std::filesystem::path holdingFolder = DefaultHoldingFolder());

    // Repairs the file at path. On success repairedPath is that same path, where the repaired copy now
    // lies; WrittenTally() tells whether it holds all of the movie data (a partial repair is also
    // reported to the user and logged). The original leaves for the holding folder only once its repaired
    // copy is whole beside it, so the recording is at path at every moment (a crash leaves the original or
    // the copy there). On failure nothing is left half-written at the path, and the original is at the
    // path, or in the holding folder untouched when it had moved already.
    Result Recover(const std::string& path, std::string& repairedPath) override;

    // Moves the file into the holding folder, replacing an older file of the same name there; on success
    // path names the moved file.
    Result MoveToBrokenFiles(std::string& path);
    // Opens the broken file and checks it for the power-cut signature; fails for any other file.
    Result OpenSource(const std::string& path);
    // Walks the movie data chunk by chunk and collects the index entries into Entries().
    void ScanChunks();
    // Writes the repaired copy to output (through a temporary file beside it, never replacing a file),
    // scanning the chunks again as it writes their index. beforeCommit, when given, runs once the copy is
    // whole and before it takes output's name; its failure abandons the copy.
    Result WriteRepairedFile(const std::string& output, const std::function<Result()>& beforeCommit = {});

    // The header fields of the repaired copy for the entries of ScanChunks, in the order they are written:
    // RIFF size, total frames, then per stream its rate, chunk count (dwLength) and largest chunk size,
    // then the movie list size.
    std::vector<HeaderField> HeaderFieldTable() const;

    const std::filesystem::path& HoldingFolder() const { return m_holdingFolder; }
    // Where the last Recover put the broken file, and what its write counted.
    const std::string& MovedPath() const { return m_movedPath; }
    const ScanTally& WrittenTally() const { return m_writtenTally; }
    const AviHeader& Header() const { return m_header; }
    const std::vector<RecoveryEntry>& Entries() const { return m_entries; }

    // "repaired N of M bytes of movie data", the words shown for a partial repair.
    static std::string PartialRepairText(const ScanTally& tally);

private:
    // Calls onEntry for each media chunk in file order and returns what the walk counted; stops early when
    // onEntry returns false.
    ScanTally WalkChunks(const std::function<bool(const RecoveryEntry&)>& onEntry) const;
    void Count(ScanTally& tally, const RecoveryEntry& entry) const;
    std::vector<HeaderField> HeaderFields(const ScanTally& tally) const;
    static int64_t RepairedLength(const ScanTally& tally);

    std::filesystem::path m_holdingFolder;
    FileHandle m_source;
    int64_t m_sourceSize = 0;
    AviHeader m_header;
    std::vector<RecoveryEntry> m_entries;
    ScanTally m_scannedTally;
    std::string m_movedPath;
    ScanTally m_writtenTally;
};
