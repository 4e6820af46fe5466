#include "settings/ViewerOptions.h"

#include "FileSizeLimit.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

const std::string kFresh =
    "[DIRECTORY]\r\n"
    "ROOT_DIRECTORY=CL_BLACKBOX\r\n"
    "EVENT_DIRECTORY=MP4_EVENT\r\n"
    "CONTINUOS_DIRECTORY=MP4_INFINITE\r\n"
    "[OPTION]\r\n"
    "SAVE_DIRECTORY=/home/driver/Documents\r\n"
    "PLAY_VALUE=5\r\n"
    "USE_LOG=FALSE\r\n"
    "LOG_LEVEL=3\r\n"
    "LOG_TYPE=3\r\n";

ViewerOptions Options()
{
    ViewerOptions options;
    options.m_saveDirectory = "/home/driver/Documents";
    return options;
}

TEST(ViewerOptions, DefaultsAndTheSaveFolderIsTheFolderCurrentAtConstruction)
{
    TempDir dir;
    ScopedCurrentPath cwd(dir.path());
    const ViewerOptions options;
    EXPECT_EQ(options.m_iniFileName, "option.ini");
    EXPECT_EQ(options.m_eventDirectory, "MP4_EVENT");
    EXPECT_EQ(options.m_continuousDirectory, "MP4_INFINITE");
    EXPECT_EQ(options.m_rootDirectory, "CL_BLACKBOX");
    EXPECT_EQ(options.m_captureFolder, "CAM_CAPTURE");
    EXPECT_EQ(fs::path(options.m_saveDirectory), fs::current_path());
    EXPECT_FALSE(options.m_useLog);
    EXPECT_EQ(options.m_playValue, 5);
    EXPECT_EQ(options.m_logLevel, 3);
    EXPECT_EQ(options.m_logType, 3);
}

TEST(ViewerOptions, WritesAFreshFileAndRewritesItInPlace)
{
    TempDir dir;
    const std::string path = dir / "option.ini";
    ViewerOptions options = Options();
    ASSERT_TRUE(options.WriteIniFile(path).Ok());
    EXPECT_EQ(ReadFileBytes(path), kFresh);

    options.m_playValue = 7;
    options.m_useLog = true;
    ASSERT_TRUE(options.WriteIniFile(path).Ok());
    std::string expected = kFresh;
    expected.replace(expected.find("PLAY_VALUE=5"), 12, "PLAY_VALUE=7");
    expected.replace(expected.find("USE_LOG=FALSE"), 13, "USE_LOG=TRUE");
    EXPECT_EQ(ReadFileBytes(path), expected);
}

TEST(ViewerOptions, KeepsWhatWasAddedByHandAndFillsInWhatIsMissing)
{
    struct Case {
        const char* what;
        std::string before;
        std::string after;
    };
    const Case cases[] = {
        {"comment, foreign key and section survive; keys match without regard to case or blanks",
         "; written by hand\n"
         "[option]\n"
         " play_value = 9\n"
         "CUSTOM=1\n"
         "\n"
         "[OTHER]\n"
         "X=1\n",
         "; written by hand\r\n"
         "[option]\r\n"
         "PLAY_VALUE=5\r\n"
         "CUSTOM=1\r\n"
         "SAVE_DIRECTORY=/home/driver/Documents\r\n"
         "USE_LOG=FALSE\r\n"
         "LOG_LEVEL=3\r\n"
         "LOG_TYPE=3\r\n"
         "\r\n"
         "[OTHER]\r\n"
         "X=1\r\n"
         "[DIRECTORY]\r\n"
         "ROOT_DIRECTORY=CL_BLACKBOX\r\n"
         "EVENT_DIRECTORY=MP4_EVENT\r\n"
         "CONTINUOS_DIRECTORY=MP4_INFINITE\r\n"},
        {"a commented-out key is not a key; a last line without line end is completed",
         "[DIRECTORY]\r\n"
         ";ROOT_DIRECTORY=OLD\r\n"
         "EVENT_DIRECTORY=EVT\r\n"
         "CONTINUOS_DIRECTORY=INF",
         "[DIRECTORY]\r\n"
         ";ROOT_DIRECTORY=OLD\r\n"
         "EVENT_DIRECTORY=MP4_EVENT\r\n"
         "CONTINUOS_DIRECTORY=MP4_INFINITE\r\n"
         "ROOT_DIRECTORY=CL_BLACKBOX\r\n"
         "[OPTION]\r\n"
         "SAVE_DIRECTORY=/home/driver/Documents\r\n"
         "PLAY_VALUE=5\r\n"
         "USE_LOG=FALSE\r\n"
         "LOG_LEVEL=3\r\n"
         "LOG_TYPE=3\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string path = dir / "option.ini";
        WriteFileBytes(path, c.before);
        ASSERT_TRUE(Options().WriteIniFile(path).Ok());
        EXPECT_EQ(ReadFileBytes(path), c.after);
    }
}

TEST(ViewerOptions, AFolderNameWithALineBreakStaysOnItsLine)
{
    TempDir dir;
    const std::string path = dir / "option.ini";
    ViewerOptions options = Options();
    options.m_saveDirectory = "/home/driver/odd\nname";
    ASSERT_TRUE(options.WriteIniFile(path).Ok());
    std::string expected = kFresh;
    expected.replace(expected.find("/home/driver/Documents"), 22, "/home/driver/oddname");
    EXPECT_EQ(ReadFileBytes(path), expected);
}

TEST(ViewerOptions, AFailedWriteLeavesTheOldFileWhole)
{
    TempDir dir;
    const std::string path = dir / "option.ini";
    const std::string old = "; keep me\r\n[OPTION]\r\nPLAY_VALUE=9\r\n";
    WriteFileBytes(path, old);
    {
        FileSizeLimit limit(old.size());  // the new text is longer than this
        EXPECT_FALSE(Options().WriteIniFile(path).Ok());
    }
    EXPECT_EQ(ReadFileBytes(path), old);
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"option.ini"}) << "no temporary file left";

    // A file that cannot be read is not replaced by one built without it.
    fs::remove(path);
    fs::create_directory(path);
    EXPECT_FALSE(Options().WriteIniFile(path).Ok());
    EXPECT_TRUE(fs::is_directory(path));
}

TEST(ViewerOptions, TheFileStaysInTheStartUpFolder)
{
    const std::string fixed = OptionsFilePath();
    fs::remove(fixed);
    EXPECT_EQ(fs::path(fixed).filename(), "option.ini");
    TempDir elsewhere;
    ScopedCurrentPath cwd(elsewhere.path());
    EXPECT_EQ(OptionsFilePath(), fixed);
    Options().WriteIniFile();
    EXPECT_FALSE(fs::exists(elsewhere / "option.ini"));
    EXPECT_EQ(ReadFileBytes(fixed), kFresh);
    fs::remove(fixed);
}

}  // namespace
