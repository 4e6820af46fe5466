#include "infra/DiagnosticLog.h"

#include "support/RecordingReporter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second)
{
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    fields.tm_isdst = -1;
    return std::mktime(&fields);
}

class DiagnosticLogTest : public ::testing::Test {
protected:
    DiagnosticLogTest() : m_cwd(m_dir.path())
    {
        log.programName = "viewer";
        log.enabled = true;
        log.clock = [] { return LocalTime(2026, 12, 10, 9, 5, 7); };
    }

    std::string Day(const std::string& date) const { return ReadFileBytes(m_dir.path() / "LOG" / ("viewer " + date + ".log")); }

    TempDir m_dir;
    ScopedCurrentPath m_cwd;
    DiagnosticLog log;
};

TEST_F(DiagnosticLogTest, WritesNothingAndCreatesNoFolderWhileDisabled)
{
    log.enabled = false;
    log.WriteLog("hidden", "C", "F", 3, 3);
    EXPECT_FALSE(fs::exists(m_dir.path() / "LOG"));
}

TEST_F(DiagnosticLogTest, FiltersByLevelAndType)
{
    struct Case {
        int configuredLevel, configuredType, type, level;
        bool written;
    };
    const Case cases[] = {
        {3, 3, 3, 3, true},  {3, 3, 3, 5, false}, {5, 3, 3, 5, true},
        {5, 3, 3, 3, true},  {3, 3, 4, 3, false}, {3, 4, 3, 3, false},
    };
    for (const Case& c : cases) {
        fs::remove_all(m_dir.path() / "LOG");
        log.logLevel = c.configuredLevel;
        log.logType = c.configuredType;
        log.WriteLog("line", "C", "F", c.type, c.level);
        EXPECT_EQ(!Day("20261210").empty(), c.written)
            << "level " << c.configuredLevel << " type " << c.configuredType << " line " << c.type << "/" << c.level;
    }
}

TEST_F(DiagnosticLogTest, WritesTheThreeLineShapesWithCrLf)
{
    log.WriteLog("Meta Data Parse Start!", "AVIFileLoader", "GetMetadataFromAVIFile", 3, 3);
    log.WriteLog("no class", "", "OnInitDialog", 3, 3);
    log.WriteLog("bare", "SomeClass", "", 3, 3);
    log.WriteLog("Log End\n", "", "", 3, 3);
    EXPECT_EQ(Day("20261210"),
              "2026-12-10 09:05:07\t[AVIFileLoader]\t[GetMetadataFromAVIFile]\tMeta Data Parse Start!\r\n"
              "2026-12-10 09:05:07\t[OnInitDialog]\tno class\r\n"
              "2026-12-10 09:05:07\tbare\r\n"
              "2026-12-10 09:05:07\tLog End\n\r\n");
}

TEST_F(DiagnosticLogTest, StartsANewFileAtMidnight)
{
    std::time_t now = LocalTime(2026, 12, 31, 23, 59, 59);
    log.clock = [&now] { return now; };
    log.WriteLog("before", "", "", 3, 3);
    now += 2;
    log.WriteLog("after", "", "", 3, 3);
    EXPECT_EQ(Day("20261231"), "2026-12-31 23:59:59\tbefore\r\n");
    EXPECT_EQ(Day("20270101"), "2027-01-01 00:00:01\tafter\r\n");
}

TEST_F(DiagnosticLogTest, ReportsEveryLineThatCannotBeWritten)
{
    // A folder in the file's place makes the open fail, whoever runs the test (root ignores modes).
    fs::create_directories(m_dir.path() / "LOG" / "viewer 20261210.log");
    RecordingReporter reporter;
    log.WriteLog("one", "", "", 3, 3);
    log.WriteLog("two", "", "", 3, 3);
    ASSERT_EQ(reporter.messages.size(), 2u);
    EXPECT_EQ(reporter.messages[0].text, "Cannot Open Log!!");
}

TEST_F(DiagnosticLogTest, KeepsLinesWholeWhenThreadsWriteAtOnce)
{
    constexpr int threads = 4, lines = 200;
    std::vector<std::thread> writers;
    for (int t = 0; t < threads; ++t)
        writers.emplace_back([this, t] {
            for (int i = 0; i < lines; ++i)
                log.WriteLog("thread " + std::to_string(t) + " line " + std::to_string(i), "C", "F", 3, 3);
        });
    for (auto& writer : writers)
        writer.join();

    std::istringstream in(Day("20261210"));
    std::string line;
    int count = 0;
    while (std::getline(in, line)) {
        ++count;
        EXPECT_EQ(line.rfind("2026-12-10 09:05:07\t[C]\t[F]\tthread ", 0), 0u) << line;
        EXPECT_EQ(line.back(), '\r');
    }
    EXPECT_EQ(count, threads * lines);
}

TEST(DiagnosticLogName, UsesTheExecutableNameWithoutExtension)
{
    DiagnosticLog log;
    std::tm day{};
    day.tm_year = 126;
    day.tm_mon = 0;
    day.tm_mday = 2;
    EXPECT_EQ(log.FilePath(day), "LOG/tessaro_tests_infra 20260102.log");
}

}  // namespace
