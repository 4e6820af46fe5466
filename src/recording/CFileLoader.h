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
    // Files named like recordings that cannot be played are listed too, marked unreadable with the reason.
    // Reports through the reporter folders that cannot be read, and what was wrong when nothing was
    // found. The caller owns the items.
    RecordingList ScanRecordings(const std::vector<std::string>& folders, std::vector<std::string> files);

    // Called on the scanning thread before each file and after the last one. A scan stopped
    // by it returns nothing and reports nothing; a repair already made stays made, and a repair is
    // never interrupted.
    void SetProgress(ScanProgress progress) { m_progress = std::move(progress); }
    bool WasCancelled() const { return m_cancelled; }

    // A folder the scan could not read (error: the system's error number), or one given to it that holds
    // no file named like a recording (error 0).
    struct FolderProblem {
        std::string folder;
        int error = 0;
        bool operator==(const FolderProblem&) const = default;
    };

    // What the check of one file found.
    struct FileCheck {
        enum Outcome { Usable, Aborted, Unreadable };
        Outcome outcome = Unreadable;
        int32_t reason = 0;  // string id of why it is unreadable
        int32_t error = 0;   // the system's error number, where one caused it
    };
    static FileCheck Playable() { return {FileCheck::Usable, 0, 0}; }

    // The steps of a scan, public for tests and tools.
    static bool IsVideoFileName(const std::string& name);
    // The files named like recordings in folder and below; folders that cannot be read go to problems.
    static std::vector<std::string> CollectVideoFiles(const std::string& folder,
                                                      std::vector<FolderProblem>* problems = nullptr);
    RecordingList BuildRecordings(const std::vector<std::string>& paths);
    // Whether the file is a usable recording (a repaired file may come back under another path), an
    // aborted one (which the camera leaves behind and nobody needs to hear of), or one that cannot be
    // played, and why. Only a power-cut recording goes to the repair; no other file is moved or changed.
    FileCheck CheckRecordingFile(std::string& path);
    // Lists the file at path (nothing when no file is there); unreadable ones with their reason.
    void AddRecording(const std::string& path, const FileCheck& check);
    void AddRecording(const std::string& path) { AddRecording(path, Playable()); }
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
    std::vector<FolderProblem> m_folderProblems;
    ScanProgress m_progress;
    bool m_cancelled = false;
};
