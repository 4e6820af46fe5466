#include "recording/CFileLoader.h"

#include "infra/Reporter.h"
#include "infra/SafeFile.h"
#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "recording/AVIFileParser.h"
#include "recording/BufferedFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <limits>
#include <unistd.h>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <utility>

namespace fs = std::filesystem;

namespace {

bool EndsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string FileNameOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The characters [from, from + count) of text, as far as they exist.
std::string Slice(const std::string& text, std::size_t from, std::size_t count)
{
    return from < text.size() ? text.substr(from, count) : std::string();
}

std::string LastTwo(const std::string& text)
{
    return text.size() <= 2 ? text : text.substr(text.size() - 2);
}

// The leading decimal digits of text ("12.avi" reads as 12); 0 without any, saturated when huge.
int LeadingNumber(const std::string& text)
{
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = std::min<long long>(value * 10 + (c - '0'), INT_MAX);
    }
    return static_cast<int>(value);
}

std::vector<std::string> SplitNonEmpty(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// Only a RIFF file goes to the repair, which moves a file off the card before it looks at it: a user's
// MP4 or other file stays where it is.
bool StartsWithRiff(const std::string& path)
{
    const std::shared_ptr<BufferedFile> file = BufferedFile::Open(path);
    char magic[4] = {};
    return file && file->Read(0, sizeof magic, magic) && std::string(magic, 4) == "RIFF";
}

CFileLoader::FileCheck Unreadable(int32_t reason, int error = 0)
{
    return {CFileLoader::FileCheck::Unreadable, reason, error};
}

// Why a file cannot even be handed to the reader; Usable when nothing stands in the way.
CFileLoader::FileCheck ExamineFile(const std::string& path)
{
    struct stat info{};
    if (stat(path.c_str(), &info) != 0)
        return Unreadable(StringId::kUnreadableCannotOpen, errno);
    if (info.st_size == 0)
        return Unreadable(StringId::kUnreadableEmpty);
    if (!EndsWith(path, "avi"))
        return Unreadable(StringId::kUnreadableNotAvi);
    if (path.size() > AVIFileParser::kMaxPathBytes)
        return Unreadable(StringId::kUnreadableCannotOpen, ENAMETOOLONG);
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Unreadable(StringId::kUnreadableCannotOpen, errno);
    close(fd);
    return {CFileLoader::FileCheck::Usable};
}

DateTime LastWriteTime(const std::string& path)
{
    struct stat info{};
    if (stat(path.c_str(), &info) != 0)
        return {};
    return DateTime::FromTimeT(info.st_mtime);
}

// A folder as the user is told of it: without the trailing slash the Open dialog adds.
std::string Shown(std::string folder)
{
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

void Collect(const fs::path& folder, std::vector<std::string>& out, std::set<std::pair<dev_t, ino_t>>& visited,
             std::vector<CFileLoader::FolderProblem>* problems)
{
    const auto tell = [&](int error) {
        if (problems)
            problems->push_back({folder.string(), error});
    };
    // A link back to a folder above would make the walk endless: enter each folder once.
    struct stat info{};
    if (stat(folder.c_str(), &info) != 0) {
        tell(errno);
        return;
    }
    if (!visited.insert({info.st_dev, info.st_ino}).second)
        return;
    // A repair or a clip killed while it wrote left its hidden staging file here.
    RemoveStaleStagingFiles(folder);
    std::error_code error;
    std::vector<fs::directory_entry> entries;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        entries.push_back(*it);
    if (error)
        tell(error.value());
    // Name order makes the list of equal start times the same on every run.
    std::sort(entries.begin(), entries.end(),
              [](const fs::directory_entry& a, const fs::directory_entry& b) { return a.path() < b.path(); });
    for (const fs::directory_entry& entry : entries) {
        const std::string name = entry.path().filename().string();
        std::error_code ignored;
        if (entry.is_directory(ignored) && name.find('.') == std::string::npos)
            Collect(entry.path(), out, visited, problems);
        else if (CFileLoader::IsVideoFileName(name))
            out.push_back(entry.path().string());
    }
}

}  // namespace

CFileLoader::CFileLoader(IRecordingRepair* repair) : m_repair(repair ? *repair : m_defaultRepair) {}

bool CFileLoader::GetMetadataFromAVIFile(RecordingItem&)
{
    return false;
}

RecordingList CFileLoader::ScanRecordings(const std::vector<std::string>& folders, std::vector<std::string> files)
{
    m_recordings.clear();
    m_folderProblems.clear();
    for (const std::string& folder : folders) {
        const std::size_t problemsBefore = m_folderProblems.size();
        std::vector<std::string> found = CollectVideoFiles(folder, &m_folderProblems);
        if (found.empty() && m_folderProblems.size() == problemsBefore)
            m_folderProblems.push_back({folder, 0});
        for (std::string& path : found)
            files.push_back(std::move(path));
    }
    return BuildRecordings(files);
}

bool CFileLoader::IsVideoFileName(const std::string& name)
{
    return EndsWith(name, "mp4") || EndsWith(name, "avi");
}

std::vector<std::string> CFileLoader::CollectVideoFiles(const std::string& folder,
                                                        std::vector<FolderProblem>* problems)
{
    std::vector<std::string> paths;
    std::set<std::pair<dev_t, ino_t>> visited;
    Collect(folder, paths, visited, problems);
    return paths;
}

RecordingList CFileLoader::BuildRecordings(const std::vector<std::string>& paths)
{
    m_recordings.clear();
    m_cancelled = false;
    bool sawVideo = false;
    bool sawOther = false;
    for (std::size_t done = 0;; ++done) {
        if (m_progress && !m_progress(done, paths.size(), m_recordings.size())) {
            m_cancelled = true;
            m_recordings.clear();
            return {};
        }
        if (done == paths.size())
            break;
        std::string path = paths[done];
        if (!IsVideoFileName(path)) {
            sawOther = true;
            continue;
        }
        sawVideo = true;
        const FileCheck check = CheckRecordingFile(path);
        if (check.outcome != FileCheck::Aborted)
            AddRecording(path, check);
    }
    ReportScanResult(sawVideo, sawOther);
    SortByStartTime(m_recordings);
    RenumberRecordings(m_recordings);
    return std::move(m_recordings);
}

CFileLoader::FileCheck CFileLoader::CheckRecordingFile(std::string& path)
{
    if (const FileCheck examined = ExamineFile(path); examined.outcome != FileCheck::Usable)
        return examined;
    AVIFileParser parser;
    if (parser.Open(path)) {
        // An aborted recording opens without a tree. It stays out of the list, and on the card: it
        // is the user's file, not ours to delete.
        return {parser.TopLevel().empty() ? FileCheck::Aborted : FileCheck::Usable};
    }
    if (!StartsWithRiff(path))
        return Unreadable(StringId::kUnreadableNotAvi);
    std::string repairedPath;
    const Result repaired = m_repair.Recover(path, repairedPath);
    if (!repaired) {
        // One the repair took and could not finish failed for a reason of the system's (a full card, a
        // folder it may not write); one it would not take is damaged in a way it does not mend, or, past
        // the reader's signed 32-bit positions, cannot be one of ours.
        if (repaired.Error())
            return Unreadable(StringId::kUnreadableRepairFailed, repaired.Error());
        std::error_code error;
        const auto size = fs::file_size(path, error);
        return Unreadable(!error && size > uintmax_t(std::numeric_limits<int32_t>::max())
                              ? StringId::kUnreadableTooLarge
                              : StringId::kUnreadableDamaged);
    }
    path = repairedPath;
    return {FileCheck::Usable};
}

void CFileLoader::AddRecording(const std::string& path, const FileCheck& check)
{
    std::error_code error;
    if (!fs::exists(path, error) && !(check.outcome == FileCheck::Unreadable && error))
        return;
    const std::string fileName = FileNameOf(path);
    auto item = std::make_unique<RecordingItem>(GetStartTimeFromName(fileName, path), GetRecordingType(fileName),
                                                path, fileName);
    if (check.outcome == FileCheck::Unreadable) {
        item->unreadable = check.reason;
        item->unreadableError = check.error;
    }
    m_recordings.push_back(std::move(item));
}

DateTime CFileLoader::GetStartTimeFromName(const std::string& name, const std::string& path)
{
    const std::vector<std::string> parts = SplitNonEmpty(name, '_');
    if (parts.size() < 3)
        return LastWriteTime(path);
    static const char* const kPrefixes[] = {"REC", "EVT", "PRK", "MDI", "PAK", "EVS"};
    const bool prefix = std::find(std::begin(kPrefixes), std::end(kPrefixes), parts[0]) != std::end(kPrefixes);

    DateTime start;
    if (prefix && parts.size() >= 7) {
        start = DateTime::FromCalendar(LeadingNumber(parts[1]), LeadingNumber(parts[2]), LeadingNumber(parts[3]),
                                       LeadingNumber(parts[4]), LeadingNumber(parts[5]), LeadingNumber(parts[6]));
    } else {
        const std::string& date = prefix && parts.size() >= 4 ? parts[1] : parts[0];
        const std::string& time = prefix && parts.size() >= 4 ? parts[2] : parts[1];
        const bool fullYear = date.size() >= 8;
        const int year = LeadingNumber(fullYear ? Slice(date, 0, 4) : "20" + Slice(date, 0, 2));
        const int month = LeadingNumber(Slice(date, fullYear ? 4 : 2, 2));
        start = DateTime::FromCalendar(year, month, LeadingNumber(LastTwo(date)), LeadingNumber(Slice(time, 0, 2)),
                                       LeadingNumber(Slice(time, 2, 2)), LeadingNumber(LastTwo(time)));
    }
    return start.IsValid() ? start : LastWriteTime(path);
}

RecordingType CFileLoader::GetRecordingType(const std::string& name)
{
    const std::size_t dot = name.find_last_of('.');
    const std::string prefix = (dot == std::string::npos ? name : name.substr(0, dot)).substr(0, 3);
    if (prefix == "MDI")
        return ParkingMotion;
    if (prefix == "REC")
        return Always;
    if (prefix == "EVT" || prefix == "EVS")
        return Event;
    if (prefix == "PRK" || prefix == "PAK")
        return Parking;
    return Unknown;
}

void CFileLoader::ReportScanResult(bool sawVideo, bool sawOther) const
{
    // A folder that could not be read is told whatever else was found: recordings may be missing.
    bool told = false;
    for (const FolderProblem& problem : m_folderProblems) {
        if (problem.error != 0) {
            ReportString(StringId::kFolderCannotBeRead, {Shown(problem.folder), SystemErrorText(problem.error)});
            told = true;
        }
    }
    if (!sawVideo) {
        // Nothing named like a recording: each folder that was read says so for itself.
        for (const FolderProblem& problem : m_folderProblems) {
            if (problem.error == 0) {
                ReportString(StringId::kFolderHoldsNoRecordings, {Shown(problem.folder)});
                told = true;
            }
        }
        if (!told || sawOther)
            ReportString(StringId::kNotAviFile);
    } else if (sawOther) {
        ReportString(StringId::kCannotReadFile);
    } else if (m_recordings.empty()) {
        ReportString(StringId::kVideoFileNotFound);
    }
}

void CFileLoader::SortByStartTime(RecordingList& recordings)
{
    // A bubble sort on purpose: items without a valid start time never move past a neighbour, and
    // equal times keep the order in which the files were found.
    const std::size_t count = recordings.size();
    for (std::size_t i = count; i-- > 0;) {
        for (std::size_t j = 1; j <= i; ++j) {
            const DateTime& before = recordings[j - 1]->startTime;
            const DateTime& current = recordings[j]->startTime;
            if (before.IsValid() && current.IsValid() && current.value < before.value)
                std::swap(recordings[j - 1], recordings[j]);
        }
    }
}

void CFileLoader::RenumberRecordings(RecordingList& recordings)
{
    for (std::size_t k = 0; k < recordings.size(); ++k)
        recordings[k]->number = static_cast<int32_t>(k + 1);
}
