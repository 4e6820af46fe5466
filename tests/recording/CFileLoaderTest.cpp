#include "recording/CFileLoader.h"

#include "infra/SafeFile.h"
#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "support/AsAUser.h"
#include "support/RiffBuilder.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// Notes what it is handed; repairs by writing a readable recording at the same path when asked to.
class SpyRepair final : public IRecordingRepair {
public:
    Result Recover(const std::string& path, std::string& repairedPath) override
    {
        handed.push_back(path);
        if (!succeed)
            return Result::Failure("told to fail");
        WriteFileBytes(path, riff::ValidRecording());
        repairedPath = path;
        return Result::Success();
    }
    bool succeed = false;
    std::vector<std::string> handed;
};

void SetModificationTime(const std::string& path, std::time_t time)
{
    struct timespec times[2] = {{time, 0}, {time, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

std::vector<std::string> Names(const RecordingList& list)
{
    std::vector<std::string> names;
    for (const auto& item : list)
        names.push_back(item->fileName);
    return names;
}

std::vector<int> ReportedIds(const RecordingReporter& reporter)
{
    std::vector<int> ids;
    for (const ReportedMessage& message : reporter.messages)
        ids.push_back(message.stringId);
    return ids;
}

}  // namespace

TEST(CFileLoader, ReadsKindAndStartTimeFromTheName)
{
    TempDir dir;
    const std::time_t modified = 1345000000;  // 2012-08-15, local time below
    const DateTime fromFile = DateTime::FromTimeT(modified);
    const DateTime named = DateTime::FromCalendar(2012, 8, 20, 15, 30, 12);
    struct Case {
        const char* name;
        RecordingType type;
        bool fromName;
    };
    const Case cases[] = {
        {"REC_20120820_153012_F.avi", Always, true},
        {"EVT_2012_08_20_15_30_12.avi", Event, true},  // part 6 "12.avi" reads as 12
        {"120820_153012_1.avi", Unknown, true},        // two-digit year
        {"EVS_120820_153012_R.avi", Event, true},
        {"PRK_20120820_153012_F.avi", Parking, true},
        {"PAK_20120820_153012_F.avi", Parking, true},
        {"MDI_20120820_010203.avi", ParkingMotion, false},  // three parts: date "MDI" is no date
        {"REC_20120820.avi", Always, false},
        {"REC__20120820___153012_F.avi", Always, true},  // empty parts are dropped
        {"REC_20121320_153012_F.avi", Always, false},     // month 13
        {"REC_99999999999999_999999_F.avi", Always, false},
        {"REC_2_1_x.avi", Always, false},
        {"rec_20120820_153012_F.avi", Unknown, false},  // not a prefix: read as date "rec"
        {"XYZ.avi", Unknown, false},
    };
    for (const Case& c : cases) {
        const std::string path = dir / c.name;
        WriteFileBytes(path, "x");
        SetModificationTime(path, modified);
        EXPECT_EQ(CFileLoader::GetRecordingType(c.name), c.type) << c.name;
        EXPECT_EQ(CFileLoader::GetStartTimeFromName(c.name, path), c.fromName ? named : fromFile) << c.name;
    }
    EXPECT_EQ(CFileLoader::GetRecordingType("MDI"), ParkingMotion);
    EXPECT_EQ(CFileLoader::GetRecordingType("RE.avi"), Unknown);
    EXPECT_EQ(CFileLoader::GetRecordingType(".REC"), Unknown);
    EXPECT_FALSE(CFileLoader::GetStartTimeFromName("a_b.avi", dir / "missing.avi").IsValid());
}

TEST(CFileLoader, CollectsRecordingFilesFromFolders)
{
    TempDir dir;
    fs::create_directories(dir.path() / "DCIM" / "EVENT");
    fs::create_directories(dir.path() / "skip.d");
    fs::create_directories(dir.path() / "folder.avi");
    for (const char* name : {"DCIM/EVENT/EVT_1.avi", "DCIM/REC_1.avi", "DCIM/clip.mp4", "DCIM/UPPER.AVI",
                             "DCIM/notes.txt", "skip.d/REC_2.avi", "top.avi"})
        WriteFileBytes(dir.path() / name, "x");
    fs::create_directory_symlink(dir.path(), dir.path() / "DCIM" / "loop");  // must not walk forever

    std::vector<std::string> found = CFileLoader::CollectVideoFiles(dir.path().string());
    for (std::string& path : found)
        path = fs::relative(path, dir.path()).string();
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{"DCIM/EVENT/EVT_1.avi", "DCIM/REC_1.avi", "DCIM/clip.mp4",
                                               "folder.avi", "top.avi"}));
    EXPECT_TRUE(CFileLoader::CollectVideoFiles((dir / "missing")).empty());
    EXPECT_TRUE(CFileLoader::IsVideoFileName("a.avi"));
    EXPECT_TRUE(CFileLoader::IsVideoFileName("a.mp4"));
    EXPECT_FALSE(CFileLoader::IsVideoFileName("a.AVI"));
    EXPECT_FALSE(CFileLoader::IsVideoFileName("vi"));
}

// Opening a card takes away the staging files a killed clip or repair left in its folders, and only those:
// one that a live writer holds stays.
TEST(CFileLoader, OpeningACardClearsStagingFilesLeftByAKill)
{
    TempDir dir;
    const fs::path event = dir.path() / "CL_BLACKBOX" / "MP4_EVENT";
    fs::create_directories(event);
    const fs::path stale = event / ".REC_0001_copy(2).avi.9f8e7d6c.part";
    WriteFileBytes(stale, "half a clip");
    WriteFileBytes(dir.path() / ".setup.cfg.0a1b2c3d.part", "half a file");
    StagedFile live(event / "REC_0002_copy(1).avi");
    ASSERT_TRUE(live.Opened());

    CFileLoader::CollectVideoFiles(dir.path().string());
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_FALSE(fs::exists(dir.path() / ".setup.cfg.0a1b2c3d.part"));
    EXPECT_TRUE(fs::exists(live.TemporaryPath()));
}

TEST(CFileLoader, ReportsTheThreeOutcomesOfAFruitlessScan)
{
    TempDir dir;
    WriteFileBytes(dir / "notes.txt", "x");
    WriteFileBytes(dir / "REC_20120820_153012_F.avi", riff::ValidRecording());
    WriteFileBytes(dir / "broken.avi", riff::PowerCutRecording());
    struct Case {
        std::vector<std::string> files;
        std::vector<int> reported;
        std::size_t listed;
    };
    const Case cases[] = {
        {{dir / "notes.txt"}, {299}, 0},
        {{}, {299}, 0},
        {{dir / "REC_20120820_153012_F.avi", dir / "notes.txt"}, {298}, 1},
        {{dir / "missing.avi"}, {300}, 0},
        // A broken file that is not repaired is still listed, as unreadable: nothing to say about it.
        {{dir / "broken.avi", dir / "missing.avi"}, {}, 1},
        {{dir / "REC_20120820_153012_F.avi"}, {}, 1},
    };
    for (const Case& c : cases) {
        RecordingReporter reporter;
        RefusingRepair refusing;  // the broken file stays broken and unlisted
        CFileLoader scanner(&refusing);
        const RecordingList list = scanner.ScanRecordings({}, c.files);
        EXPECT_EQ(ReportedIds(reporter), c.reported) << c.files.size();
        EXPECT_EQ(list.size(), c.listed);
    }
    // A folder hands over only its video files: the text file beside them is no "other" file. (The
    // broken file is listed, as unreadable.)
    RecordingReporter reporter;
    RefusingRepair refusing;
    EXPECT_EQ(CFileLoader(&refusing).ScanRecordings({dir.path().string()}, {}).size(), 2u);
    EXPECT_TRUE(reporter.messages.empty());
}

TEST(CFileLoader, SendsOnlyBrokenAviRecordingsToTheRepairAndListsTheRestAsUnreadable)
{
    TempDir dir;
    const std::string aborted = std::string(20000, 'a');
    const std::string notRiff = std::string(40000, 'x');
    WriteFileBytes(dir / "REC_20120820_100000_F.avi", riff::ValidRecording());
    WriteFileBytes(dir / "REC_20120820_090000_F.avi", riff::PowerCutRecording());
    WriteFileBytes(dir / "REC_20120820_080000_F.avi", aborted);
    WriteFileBytes(dir / "REC_20120820_070000_F.mp4", riff::ValidRecording());
    // Not RIFF at all, and empty: nothing a repair could mend, so they stay where they are.
    WriteFileBytes(dir / "REC_20120820_060000_F.avi", notRiff);
    WriteFileBytes(dir / "EVT_20120820_050000_F.avi", "");

    struct Listed {
        std::string name;
        int unreadable;
        bool operator==(const Listed&) const = default;
    };
    for (bool repairSucceeds : {false, true}) {
        RecordingReporter reporter;
        SpyRepair repair;
        repair.succeed = repairSucceeds;
        CFileLoader scanner(&repair);
        const RecordingList list = scanner.ScanRecordings({dir.path().string()}, {});
        EXPECT_EQ(repair.handed, std::vector<std::string>{dir / "REC_20120820_090000_F.avi"});
        std::vector<Listed> listed;
        for (const auto& item : list)
            listed.push_back({item->fileName, item->unreadable});
        // In time order with the rest; the aborted recording the camera leaves behind is not listed.
        const std::vector<Listed> expected = {
            {"EVT_20120820_050000_F.avi", StringId::kUnreadableEmpty},
            {"REC_20120820_060000_F.avi", StringId::kUnreadableNotAvi},
            {"REC_20120820_070000_F.mp4", StringId::kUnreadableNotAvi},
            {"REC_20120820_090000_F.avi", repairSucceeds ? 0 : StringId::kUnreadableDamaged},
            {"REC_20120820_100000_F.avi", 0},
        };
        EXPECT_EQ(listed, expected);
        EXPECT_EQ(list[0]->type, Event);
        EXPECT_EQ(list[0]->timeText, "05:00:00");
        EXPECT_EQ(GetUnreadableText(*list[0]), "The file is empty.");
        EXPECT_EQ(GetUnreadableText(*list[4]), "");
        // The aborted recording, the MP4 and the unreadable files stay on the card, untouched.
        EXPECT_EQ(ReadFileBytes(dir / "REC_20120820_080000_F.avi"), aborted);
        EXPECT_EQ(ReadFileBytes(dir / "REC_20120820_060000_F.avi"), notRiff);
        EXPECT_EQ(ReadFileBytes(dir / "EVT_20120820_050000_F.avi"), "");
        EXPECT_TRUE(fs::exists(dir / "REC_20120820_070000_F.mp4"));
        EXPECT_TRUE(reporter.messages.empty());
    }

    // A broken recording whose path is too long for the reader would only be moved off the card.
    const std::string deep = (dir.path() / std::string(200, 'd')).string();
    fs::create_directory(deep);
    const std::string longPath = deep + "/REC_20120820_090000_" + std::string(40, 'F') + ".avi";
    ASSERT_GT(longPath.size(), 255u);
    WriteFileBytes(longPath, riff::PowerCutRecording());
    SpyRepair repair;
    RecordingReporter reporter;
    const RecordingList list = CFileLoader(&repair).ScanRecordings({}, {longPath});
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(GetUnreadableText(*list[0]), "The file cannot be read: The name is too long.");
    EXPECT_TRUE(repair.handed.empty());
}

TEST(CFileLoader, TellsWhyAFileCannotBeReadOrRepaired)
{
    TempDir dir;
    const std::string locked = dir / "REC_20120820_100000_F.avi";
    WriteFileBytes(locked, riff::ValidRecording());
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    const std::string broken = dir / "REC_20120820_110000_F.avi";
    WriteFileBytes(broken, riff::PowerCutRecording());

    // A repair that took the file and failed for a reason of the system's says which.
    class FullCard final : public IRecordingRepair {
    public:
        Result Recover(const std::string&, std::string&) override { return Result::Failure("write", ENOSPC); }
    } fullCard;
    {
        AsAUser user;
        ASSERT_TRUE(user.Works());
        RecordingReporter reporter;
        const RecordingList list = CFileLoader(&fullCard).ScanRecordings({dir.path().string()}, {});
        ASSERT_EQ(list.size(), 2u);
        EXPECT_EQ(list[0]->unreadableError, EACCES);
        EXPECT_EQ(GetUnreadableText(*list[0]), "The file cannot be read: Permission denied.");
        EXPECT_EQ(GetUnreadableText(*list[1]), "The repair failed: The disk is full.");
        EXPECT_TRUE(reporter.messages.empty());
    }
    // In Korean the words around the system's are the Korean table's.
    SetCurrentLanguage(Language::Korean);
    RecordingItem item(DateTime{}, Always, broken, "x.avi");
    item.unreadable = StringId::kUnreadableRepairFailed;
    item.unreadableError = ENOSPC;
    EXPECT_EQ(GetUnreadableText(item), "복구하지 못했습니다: 디스크에 남은 공간이 없습니다.");
    SetCurrentLanguage(Language::English);
}

TEST(CFileLoader, TellsAFolderThatCannotBeReadOrHoldsNoRecordings)
{
    TempDir dir;
    const fs::path empty = dir / "empty";
    const fs::path locked = dir / "locked";
    const fs::path card = dir / "card";
    fs::create_directories(empty);
    fs::create_directories(locked);
    fs::create_directories(card / "EVENT");
    WriteFileBytes(empty / "notes.txt", "x");
    WriteFileBytes(locked / "REC_20120820_100000_F.avi", riff::ValidRecording());
    WriteFileBytes(card / "REC_20120820_100000_F.avi", riff::ValidRecording());
    WriteFileBytes(card / "EVENT" / "EVT_20120820_100000_F.avi", riff::ValidRecording());
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    ASSERT_EQ(chmod((card / "EVENT").c_str(), 0), 0);

    struct Case {
        std::vector<std::string> folders;
        std::vector<std::string> told;
        std::size_t listed;
    };
    const Case cases[] = {
        {{empty}, {"The folder " + empty.string() + " holds no recordings."}, 0},
        {{locked}, {"The folder " + locked.string() + " cannot be read: Permission denied."}, 0},
        {{dir / "gone"}, {"The folder " + std::string(dir / "gone") + " cannot be read: The folder or the file does not exist."}, 0},
        // A part of the card that cannot be read is told although the rest is listed.
        {{card}, {"The folder " + (card / "EVENT").string() + " cannot be read: Permission denied."}, 1},
        // The empty folder is not worth a word when another one holds recordings.
        {{empty, card}, {"The folder " + (card / "EVENT").string() + " cannot be read: Permission denied."}, 1},
    };
    AsAUser user;
    ASSERT_TRUE(user.Works());
    for (const Case& c : cases) {
        RecordingReporter reporter;
        EXPECT_EQ(CFileLoader().ScanRecordings(c.folders, {}).size(), c.listed) << c.folders.front();
        std::vector<std::string> told;
        for (const ReportedMessage& message : reporter.messages)
            told.push_back(message.text);
        EXPECT_EQ(told, c.told);
    }
    chmod(locked.c_str(), 0755);
    chmod((card / "EVENT").c_str(), 0755);
}

TEST(CFileLoader, SortsByStartTimeKeepingEqualAndUndatedItemsInPlace)
{
    struct Entry {
        const char* name;
        DateTime start;
    };
    const DateTime nine = DateTime::FromCalendar(2012, 8, 20, 9, 0, 0);
    const DateTime ten = DateTime::FromCalendar(2012, 8, 20, 10, 0, 0);
    const DateTime eight = DateTime::FromCalendar(2012, 8, 20, 8, 0, 0);
    const Entry entries[] = {{"ten-a", ten}, {"ten-b", ten}, {"nine", nine}, {"undated", DateTime{}}, {"eight", eight}};
    RecordingList list;
    for (const Entry& entry : entries)
        list.push_back(std::make_unique<RecordingItem>(entry.start, Always, entry.name, entry.name));
    CFileLoader::SortByStartTime(list);
    CFileLoader::RenumberRecordings(list);
    // The undated item splits the list: nothing moves across it; equal times keep their order.
    EXPECT_EQ(Names(list), (std::vector<std::string>{"nine", "ten-a", "ten-b", "undated", "eight"}));
    for (std::size_t k = 0; k < list.size(); ++k)
        EXPECT_EQ(list[k]->number, static_cast<int>(k + 1));
}

TEST(CFileLoader, ScanListsRecordingsOldestFirst)
{
    TempDir dir;
    fs::create_directories(dir.path() / "EVENT");
    const std::string recording = riff::ValidRecording();
    for (const char* name : {"REC_20120820_100000_F.avi", "EVENT/EVT_20120820_100000_F.avi",
                             "REC_20120820_090000_F.avi", "EVENT/EVT_20120820_080000_F.avi"})
        WriteFileBytes(dir.path() / name, recording);
    const RecordingList list = CFileLoader().ScanRecordings({dir.path().string()}, {});
    // A folder's entries are taken in name order, so equal times list the same way on every run.
    EXPECT_EQ(Names(list), (std::vector<std::string>{"EVT_20120820_080000_F.avi", "REC_20120820_090000_F.avi",
                                                     "EVT_20120820_100000_F.avi", "REC_20120820_100000_F.avi"}));
    EXPECT_EQ(list[1]->type, Always);
    EXPECT_EQ(list[1]->path, dir / "REC_20120820_090000_F.avi");
    EXPECT_EQ(list[1]->dateText, "2012-08-20");
    EXPECT_EQ(list[1]->timeText, "09:00:00");
    EXPECT_EQ(list[3]->number, 4);
}

TEST(CFileLoader, ProgressIsToldBeforeEachFileAndCanStopTheScanBetweenFiles)
{
    TempDir dir;
    const std::string recording = riff::ValidRecording();
    for (const char* name : {"REC_20120820_100000_F.avi", "REC_20120820_090000_F.avi", "REC_20120820_080000_F.avi"})
        WriteFileBytes(dir.path() / name, recording);

    struct Call {
        std::size_t done, total, found;
        bool operator==(const Call&) const = default;
    };
    // A full scan and an empty folder, which is still told once so that a caller sees "0 of 0".
    TempDir empty;
    const struct {
        std::string folder;
        std::size_t listed;
        std::vector<Call> calls;
        std::vector<int> reported;
    } cases[] = {
        {dir.path().string(), 3, {{0, 3, 0}, {1, 3, 1}, {2, 3, 2}, {3, 3, 3}}, {}},
        {empty.path().string(), 0, {{0, 0, 0}}, {StringId::kFolderHoldsNoRecordings}},
    };
    for (const auto& c : cases) {
        RecordingReporter reporter;
        std::vector<Call> calls;
        CFileLoader scanner;
        scanner.SetProgress([&](std::size_t done, std::size_t total, std::size_t found) {
            calls.push_back({done, total, found});
            return true;
        });
        EXPECT_EQ(scanner.ScanRecordings({c.folder}, {}).size(), c.listed);
        EXPECT_FALSE(scanner.WasCancelled());
        EXPECT_EQ(calls, c.calls);
        EXPECT_EQ(ReportedIds(reporter), c.reported);
    }
    // Stopped before the third file, and even after the last: nothing comes back, nothing is reported.
    for (std::size_t stopAt : {2u, 3u}) {
        RecordingReporter reporter;
        CFileLoader scanner;
        scanner.SetProgress([&](std::size_t done, std::size_t, std::size_t) { return done < stopAt; });
        EXPECT_TRUE(scanner.ScanRecordings({dir.path().string()}, {}).empty());
        EXPECT_TRUE(scanner.WasCancelled());
        EXPECT_TRUE(reporter.messages.empty());
    }
}
