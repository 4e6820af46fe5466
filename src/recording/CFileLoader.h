#pragma once

#include "infra/DateTime.h"
#include "recording/RecordingItem.h"
#include "recording/AVIFileRecovery.h"
#include "recording/RecordingRepair.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using RecordingList = std::vector<std::unique_ptr<RecordingItem>>;

// Told how far a scan is: `done` files of `total` looked at, `found` recordings so far. Returning false
// stops the scan before the next file.
using ScanProgress = std::function<bool(std::size_t done, std::size_t total, std::size_t found)>;

// Turns the paths a user opened (files, folders, a whole card) into the list of recordings, sorted by
// start time and numbered; also the base of the metadata loader.
class CFileLoader {
public:
    // The repair is given each recording the container reader refuses; without one, the loader's own
    // AVIFileRecovery repairs it (the broken file goes to <documents>/BROKENFILES). The loader does not
    // own a repair handed in.
    explicit CFileLoader(IRecordingRepair* repair = nullptr);
    virtual ~CFileLoader() = default;
    CFileLoader(const CFileLoader&) = delete;
    CFileLoader& operator=(const CFileLoader&) = delete;

    // Fills the item's metadata; the base has none to give.
    virtual bool GetMetadataFromAVIFile(RecordingItem& item);

    // The recordings found in the folders (recursively) and the files, oldest first, numbered from 1.
    // Reports through the reporter when nothing useful was found. The caller owns the items.
    RecordingList ScanRecordings(const std::vector<std::string>& folders, std::vector<std::string> files);

    // Called on the scanning thread before each file and after the last one. A scan stopped
    // by it returns nothing and reports nothing; a repair already made stays made, and a repair is
    // never interrupted.
    void SetProgress(ScanProgress progress) { m_progress = std::move(progress); }
    bool WasCancelled() const { return m_cancelled; }

    // The steps of a scan, public for tests and tools.
    static bool IsVideoFileName(const std::string& name);
    static std::vector<std::string> CollectVideoFiles(const std::string& folder);
    RecordingList BuildRecordings(const std::vector<std::string>& paths);
    // Whether the file is a usable recording; a repaired file may come back under another path.
    bool CheckRecordingFile(std::string& path);
    void AddRecording(const std::string& path);
    // The start time the name carries; the file's last-write time (local) when it carries none.
    static DateTime GetStartTimeFromName(const std::string& name, const std::string& path);
    static RecordingType GetRecordingType(const std::string& name);
    void ReportScanResult(bool sawVideo, bool sawOther) const;
    static void SortByStartTime(RecordingList& recordings);
    static void RenumberRecordings(RecordingList& recordings);

private:
    AVIFileRecovery m_defaultRepair;
    IRecordingRepair& m_repair;
    RecordingList m_recordings;
    ScanProgress m_progress;
    bool m_cancelled = false;
};
