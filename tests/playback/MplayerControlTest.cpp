// The MPlayer controller with a stand-in program that keeps what it reads, and with the real MPlayer.
#include "playback/MplayerControl.h"

#include "support/SampleCard.h"
#include "support/TempDir.h"

#include <QTest>

#include <gtest/gtest.h>

#include <clocale>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>

#include <sys/stat.h>

namespace {

// A shell script standing in for MPlayer: it copies its standard input to a file and ends at its end.
std::string CopyingStandIn(const TempDir& dir)
{
    const std::string script = dir / "mplayer-standin";
    std::ofstream(script) << "#!/bin/sh\nexec cat > '" << (dir / "received") << "'\n";
    chmod(script.c_str(), 0755);
    return script;
}

// A German number format, made from the system's locale sources into dir (the machine need not have it).
bool UseGermanNumbers(const TempDir& dir)
{
    const std::string command = "localedef -i de_DE -f UTF-8 '" + (dir / "de_DE.UTF-8") + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        return false;
    setenv("LOCPATH", dir.path().c_str(), 1);
    return std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
}

// The arguments as /proc/<pid>/cmdline holds them: each ended by a zero byte.
std::string ZeroEnded(std::initializer_list<std::string> arguments)
{
    std::string joined;
    for (const std::string& argument : arguments)
        joined += argument + '\0';
    return joined;
}

TEST(MplayerControl, CommandsReachTheChildAsBytesOneLineEach)
{
    TempDir dir;
    const std::string received = dir / "received";
    MplayerControl control;
    control.SetProgram(QString::fromStdString(CopyingStandIn(dir)));
    control.SetupCommandLine(1);
    ASSERT_TRUE(control.Start("clip.avi", "0", 10, true));
    EXPECT_GT(control.ProcessId(), 0);
    // One child at a time.
    EXPECT_FALSE(control.Start("clip.avi", "0", 10, true));

    EXPECT_TRUE(control.SendCommand(QString(255, 'a')));
    EXPECT_FALSE(control.SendCommand(QString(256, 'b')));
    EXPECT_TRUE(control.SendCommand(QString::fromUtf8("é")));
    TempDir localeDir;
    const bool german = UseGermanNumbers(localeDir);
    EXPECT_TRUE(control.Seek(12.345));
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_TRUE(german) << "the de_DE locale could not be made; the seek line was written under C";

    control.Process().closeWriteChannel();
    ASSERT_TRUE(control.Process().waitForFinished(5000));
    const std::string expected = std::string(255, 'a') + "\n" + "\xE9\n" + "pausing seek 12.3 2\n";
    EXPECT_EQ(ReadFileBytes(received), expected);
    // With the child gone nothing can be sent.
    EXPECT_FALSE(control.SendCommand("pause"));
}

TEST(MplayerControl, AMissingProgramStartsNothingAndTakesNoCommands)
{
    MplayerControl control;
    control.SetProgram("/nonexistent/mplayer");
    control.SetupCommandLine(1);
    EXPECT_FALSE(control.Start("clip.avi", "0", 10, true));
    EXPECT_FALSE(control.IsRunning());
    EXPECT_FALSE(control.SendCommand("pause"));
    EXPECT_FALSE(control.Seek(1.0));
    control.Stop();
}

TEST(MplayerControl, SeekLinesRoundToOneDecimal)
{
    struct Case {
        double seconds;
        const char* line;
    };
    const Case cases[] = {{12.345, "pausing seek 12.3 2"}, {0, "pausing seek 0.0 2"}, {58, "pausing seek 58.0 2"},
                          {3724.96, "pausing seek 3725.0 2"}, {1e300, nullptr}};
    for (const Case& c : cases) {
        const QString line = MplayerControl::SeekCommand(c.seconds);
        if (c.line)
            EXPECT_EQ(line.toStdString(), c.line);
        else  // absurd values still give a line, and SendCommand refuses what is too long
            EXPECT_TRUE(line.startsWith("pausing seek 1000"));
    }
}

TEST(MplayerControl, RealMplayerGetsTheWholePathLastAndEndsWithItsController)
{
    TempDir dir;
    const std::filesystem::path folder = dir.path() / "card's copy";
    std::filesystem::create_directory(folder);
    const std::string recording = MakeRecording(folder, {"--seconds", "3"}, "REC 0001 \"front\".avi");

    qint64 pid = 0;
    {
        QWidget window;
        window.resize(320, 180);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        MplayerControl control;
        control.SetupCommandLine(window.winId());
        ASSERT_TRUE(control.Start(QString::fromStdString(recording), "1", 10, true));
        pid = control.ProcessId();
        // The exec closes the start pipe before the kernel has set the new argument list up, so the
        // command line may read empty for a moment after the start is reported.
        std::string cmdline;
        for (int i = 0; i < 100 && cmdline.empty(); ++i) {
            std::ifstream cmdlineFile("/proc/" + std::to_string(pid) + "/cmdline");
            cmdline.assign(std::istreambuf_iterator<char>(cmdlineFile), {});
            if (cmdline.empty())
                QTest::qWait(20);
        }
        const std::string tail = ZeroEnded({"-softvol-max", "300", "-volume", "10", "-ss", "1", recording});
        ASSERT_GE(cmdline.size(), tail.size());
        EXPECT_EQ(cmdline.substr(cmdline.size() - tail.size()), tail);
        EXPECT_NE(cmdline.find(ZeroEnded({"-wid", std::to_string(window.winId()), "-fs", "-zoom", "-softvol"})),
                  std::string::npos);
        EXPECT_TRUE(control.SendCommand("pause"));
        EXPECT_TRUE(control.Seek(2));
        QTest::qWait(300);
        EXPECT_TRUE(control.IsRunning());
    }
    // The controller's end killed and reaped the child: no zombie either.
    EXPECT_FALSE(std::filesystem::exists("/proc/" + std::to_string(pid)));
}

}  // namespace
