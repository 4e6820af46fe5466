// The card scan repairs what the container reader refuses, with the real repair in place.

#include "recording/CFileLoader.h"

#include "support/RecordingReporter.h"
#include "support/SampleCard.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

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
