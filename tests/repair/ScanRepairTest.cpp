// The card scan repairs what the container reader refuses, with the real repair in place.

#include "recording/CFileLoader.h"

#include "support/RecordingReporter.h"
#include "support/SampleCard.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace fs = std::filesystem;

namespace {

// Points the documents folder somewhere for the life of the object.
class ScopedDocumentsFolder {
public:
    explicit ScopedDocumentsFolder(const fs::path& folder)
    {
        if (const char* saved = std::getenv("XDG_DOCUMENTS_DIR"))
            m_saved = saved;
        setenv("XDG_DOCUMENTS_DIR", folder.c_str(), 1);
    }
    ~ScopedDocumentsFolder()
    {
        m_saved ? setenv("XDG_DOCUMENTS_DIR", m_saved->c_str(), 1) : unsetenv("XDG_DOCUMENTS_DIR");
    }

private:
    std::optional<std::string> m_saved;
};

}  // namespace

TEST(ScanRepair, ScanRepairsPowerCutRecordingsInPlace)
{
    TempDir dir;
    ScopedDocumentsFolder documents(dir.path() / "Documents");
    fs::create_directories(dir.path() / "card" / "EVENT");
    const std::string original = MakeRecording(dir.path(), {"--seconds", "2", "--kind", "EVT"}, "EVT_20240102_030405_F.avi");
    const std::string broken = (dir.path() / "card" / "EVENT" / "EVT_20240102_030405_F.avi").string();
    ASSERT_EQ(RunSampleCard({"powercut", original, broken}).exitCode, 0);
    const std::string brokenBytes = ReadFileBytes(broken);
    MakeRecording(dir.path() / "card", {"--seconds", "2", "--seed", "3"}, "REC_20240102_010000_F.avi");

    RecordingReporter reporter;
    CFileLoader scanner;
    RecordingList list = scanner.ScanRecordings({(dir.path() / "card").string()}, {});
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1]->path, broken);  // listed under its own path, in start-time order
    EXPECT_TRUE(ReadFileBytes(broken) == ReadFileBytes(original));
    EXPECT_TRUE(ReadFileBytes(dir.path() / "Documents" / "BROKENFILES" / "EVT_20240102_030405_F.avi") == brokenBytes);
    EXPECT_TRUE(reporter.messages.empty());
}

// A folder of the user's own AVI files (ordinary ones, made by ffmpeg, each with its index): the scan
// leaves every one where it is, byte for byte and with its time. Only the power-cut recording beside them
// is repaired.
TEST(ScanRepair, OtherAviFilesAreLeftAsTheyAre)
{
    TempDir dir;
    ScopedDocumentsFolder documents(dir.path() / "Documents");
    const fs::path videos = dir.path() / "Videos";
    fs::create_directories(videos);
    const std::vector<std::vector<std::string>> encodings = {
        {"-c:v", "mpeg4"}, {"-c:v", "libx264"}, {"-c:v", "mjpeg", "-an"}};
    std::vector<fs::path> files;
    for (size_t i = 0; i < encodings.size(); ++i) {
        files.push_back(videos / ("holiday" + std::to_string(i) + ".avi"));
        std::vector<std::string> command = {"ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i",
                                            "testsrc=size=160x120:rate=10", "-t", "2"};
        command.insert(command.end(), encodings[i].begin(), encodings[i].end());
        command.push_back(files.back().string());
        ASSERT_EQ(RunProgram(command).exitCode, 0);
    }
    const std::string original = MakeRecording(dir.path(), {"--seconds", "2"}, "REC_20240102_010000_F.avi");
    const std::string broken = (videos / "REC_20240102_010000_F.avi").string();
    ASSERT_EQ(RunSampleCard({"powercut", original, broken}).exitCode, 0);

    struct Seen {
        std::string bytes;
        fs::file_time_type time;
    };
    std::vector<Seen> before;
    for (const fs::path& file : files) {
        fs::last_write_time(file, fs::last_write_time(file) - std::chrono::hours(48));
        before.push_back({ReadFileBytes(file), fs::last_write_time(file)});
    }

    RecordingReporter reporter;
    const RecordingList list = CFileLoader().ScanRecordings({videos.string()}, {});
    // Files the container reader takes are listed as they are; the others go to the repair, which refuses
    // them before it moves anything.
    EXPECT_TRUE(std::any_of(list.begin(), list.end(), [&](const auto& item) { return item->path == broken; }));
    // Those the reader refuses are listed as unreadable (one small enough to pass for an aborted recording
    // is not listed at all).
    EXPECT_LT(std::count_if(list.begin(), list.end(), [](const auto& item) { return item->IsPlayable(); }),
              std::ptrdiff_t(files.size() + 1))
        << "at least one of them is refused by the reader";
    EXPECT_TRUE(ReadFileBytes(broken) == ReadFileBytes(original));
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i].string());
        EXPECT_TRUE(ReadFileBytes(files[i]) == before[i].bytes);
        EXPECT_EQ(fs::last_write_time(files[i]), before[i].time);
        EXPECT_FALSE(fs::exists(dir.path() / "Documents" / "BROKENFILES" / files[i].filename()));
    }
}
