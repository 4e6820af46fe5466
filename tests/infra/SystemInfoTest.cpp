#include "infra/SystemInfo.h"

#include "infra/DiagnosticLog.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::ptrdiff_t IndexOf(const std::vector<std::string>& paths, const std::string& path)
{
    const auto it = std::find(paths.begin(), paths.end(), path);
    return it == paths.end() ? -1 : it - paths.begin();
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

class SystemInfoTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& content)
    {
        WriteFileBytes(m_dir.path() / name, content);
        return m_dir / name;
    }
    SystemSources Sources()
    {
        SystemSources sources;
        sources.osRelease = {m_dir / "missing-os-release"};
        sources.meminfo = m_dir / "missing-meminfo";
        sources.cpuinfo = m_dir / "missing-cpuinfo";
        sources.kernelName = "Linux";
        sources.kernelRelease = "6.1.0-13-amd64";
        return sources;
    }

    TempDir m_dir;
};

}  // namespace

TEST_F(SystemInfoTest, ListingPutsAFoldersContentsBeforeItAndDoesNotEnterDottedFolders)
{
    const std::string root = m_dir.path().string();
    fs::create_directories(m_dir.path() / "LOG" / "deep");
    fs::create_directories(m_dir.path() / "backup.old");
    WriteFileBytes(m_dir.path() / "LOG" / "day.log", "x");
    WriteFileBytes(m_dir.path() / "LOG" / "deep" / "inner.txt", "x");
    WriteFileBytes(m_dir.path() / "backup.old" / "hidden.txt", "x");
    WriteFileBytes(m_dir.path() / "option.ini", "x");
    // A link back to the top would make the walk endless if it were followed.
    fs::create_directory_symlink(m_dir.path(), m_dir.path() / "loop");

    const std::vector<std::string> paths = ListFiles(root);

    std::vector<std::string> expected = {
        root + "/.", root + "/..", root + "/LOG", root + "/LOG/.", root + "/LOG/..", root + "/LOG/day.log",
        root + "/LOG/deep", root + "/LOG/deep/.", root + "/LOG/deep/..", root + "/LOG/deep/inner.txt",
        root + "/backup.old", root + "/option.ini", root + "/loop"};
    std::vector<std::string> sorted = paths, sortedExpected = expected;
    std::sort(sorted.begin(), sorted.end());
    std::sort(sortedExpected.begin(), sortedExpected.end());
    EXPECT_EQ(sorted, sortedExpected);

    EXPECT_LT(IndexOf(paths, root + "/LOG/deep/inner.txt"), IndexOf(paths, root + "/LOG/deep"));
    EXPECT_LT(IndexOf(paths, root + "/LOG/deep"), IndexOf(paths, root + "/LOG"));
    EXPECT_LT(IndexOf(paths, root + "/LOG/day.log"), IndexOf(paths, root + "/LOG"));
    EXPECT_TRUE(ListFiles(root + "/no such folder").empty());
}

TEST_F(SystemInfoTest, TheLogGetsOneLinePerPathOnlyWhenItIsOn)
{
    ScopedCurrentPath cwd(m_dir.path());
    WriteFileBytes(m_dir.path() / "option.ini", "x");
    {
        LogCapture capture(m_dir.path());
        GetLog().enabled = false;
        LogFileNames();
        EXPECT_FALSE(fs::exists(m_dir.path() / "LOG"));
    }
    LogCapture capture(m_dir.path());
    LogFileNames();
    const std::string root = fs::current_path().string();
    EXPECT_EQ(capture.Count("Common", "GetFileNames", root + "/option.ini"), 1);
    EXPECT_EQ(capture.Count("Common", "GetFileNames", root + "/."), 1);
    // The log folder was created by the first line; what the walk saw of it is not asserted here.
}

TEST_F(SystemInfoTest, OsNameComesFromOsReleaseThenTheKernel)
{
    struct Case {
        const char* osRelease;  // nullptr: no file
        const char* kernelName;
        const char* expected;
    };
    const Case cases[] = {
        {"NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n", "Linux",
         "Debian GNU/Linux 12 (bookworm)"},
        {"NAME='Alpine Linux'\nID=alpine\n", "Linux", "Alpine Linux"},
        {"ID=minimal\n", "Linux", "Linux 6.1.0-13-amd64"},
        {nullptr, "Linux", "Linux 6.1.0-13-amd64"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        SystemSources sources = Sources();
        if (c.osRelease)
            sources.osRelease = {m_dir / "missing", Write("os-release", c.osRelease)};
        sources.kernelName = c.kernelName;
        EXPECT_EQ(GetOsName(sources), c.expected);
    }
    // On this machine something always answers.
    EXPECT_NE(GetOsName(), "fail~");
}

TEST_F(SystemInfoTest, MemoryReportHasNineLinesInKilobytes)
{
    SystemSources sources = Sources();
    sources.meminfo = Write("meminfo",
                            "MemTotal:       16000000 kB\nMemFree:         1000000 kB\nMemAvailable:    4000000 kB\n"
                            "SwapTotal:       2097148 kB\nSwapFree:        2000000 kB\n"
                            "CommitLimit:    10097148 kB\nCommitted_AS:    6000000 kB\n");
    const std::vector<std::string> lines = SplitLines(GetMemoryReport(sources));
    const std::string indent = std::string(19, ' ') + "\t";
    const std::vector<std::string> expected = {
        "The MEMORYSTATUS structure is 56 bytes long.",
        indent + "It should be 56.",
        indent + "There is 75 percent of memory in use.",
        indent + "There are 16000000 total Kbytes of physical memory.",
        indent + "There are 4000000 free Kbytes of physical memory.",
        indent + "There are 2097148 total Kbytes of paging file.",
        indent + "There are 2000000 free Kbytes of paging file.",
        indent + "There are 10097148 total Kbytes of virtual memory.",
        indent + "There are 4097148 free Kbytes of virtual memory.",
    };
    EXPECT_EQ(lines, expected);

    // Memory beyond 4 GB must not wrap.
    EXPECT_EQ(ReadMemoryStatus(sources).totalPhysical, 16000000ull * 1024);

    // Unreadable: the length line shows it.
    EXPECT_EQ(SplitLines(GetMemoryReport(Sources()))[0], "The MEMORYSTATUS structure is 0 bytes long.");
    EXPECT_EQ(SplitLines(GetMemoryReport()).size(), 9u);
}

TEST_F(SystemInfoTest, ClockAndTypeComeFromTheFirstProcessor)
{
    struct Case {
        const char* cpuinfo;  // nullptr: no file
        const char* clock;
        const char* type;
    };
    const Case cases[] = {
        {"processor\t: 0\nmodel name\t: Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz\ncpu MHz\t\t: 3193.000\n\n"
         "processor\t: 1\nmodel name\t: Other\ncpu MHz\t\t: 800.000\n",
         "3.19 GHz", "Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz"},
        {"processor\t: 0\nmodel name\t: AMD EPYC\ncpu MHz\t\t: 2400.999\n", "2.40 GHz", "AMD EPYC"},
        // A processor that names no clock and no model.
        {"processor\t: 0\nBogoMIPS\t: 48.00\n", "0.00 GHz", "알 수 없는 시스템"},
        {nullptr, "", "알 수 없는 시스템"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.clock);
        SystemSources sources = Sources();
        if (c.cpuinfo)
            sources.cpuinfo = Write("cpuinfo", c.cpuinfo);
        EXPECT_EQ(GetCpuClock(sources), c.clock);
        EXPECT_EQ(GetCpuType(sources), c.type);
    }
}
