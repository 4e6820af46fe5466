// Journey 4, in Korean: the first look again with --lang ko, and the windows a driver meets on the way (the
// menu, the settings, the clip export, the About box), each photographed: every text is Korean and drawn
// in a face that has the letters (a person checks the pictures on the contact sheet; the test checks that
// every window came and went, and that the settings' title is written in Hangul). Then a system set to
// Korean, without --lang: the same window in Korean. And an incident examined frame by frame, in Korean.
#include "journeys/Journey.h"

#include <QTest>

namespace fs = std::filesystem;
using namespace journey;

namespace {

// Whether the text holds a Hangul syllable.
bool HasHangul(const std::string& utf8)
{
    for (const QChar c : QString::fromStdString(utf8))
        if (c.unicode() >= 0xAC00 && c.unicode() <= 0xD7A3)
            return true;
    return false;
}

// Opens a window with a click, photographs it over the main window, closes it with Escape; its title.
std::string Visit(RealProgram& program, JourneyShots& shots, QPoint click, const std::string& step, int button = 1)
{
    program.Click(click, button);
    const std::string window = NextWindow(program);
    if (window.empty()) {
        ADD_FAILURE() << step << ": no window opened";
        return {};
    }
    QTest::qWait(1500);  // pictures (the export previews) settle
    shots.Take(step, RealProgram::Geometry(window).united(QRect(0, 0, 1065, 758)));
    const std::string title = RealProgram::Title(window);
    RealProgram::FocusWindow(window);
    RealProgram::Key("Escape");
    EXPECT_TRUE(program.WaitForWindowGone(window)) << step;
    program.ParkMouse();
    return title;
}

// Starts the program on a fresh demo card and photographs it opening and playing.
void OpenAndPlay(RealProgram& program, JourneyShots& shots)
{
    ASSERT_FALSE(program.MainWindow().empty()) << program.ErrorOutput();
    EXPECT_TRUE(WaitUntilDrawn(program));
    shots.Take("window-opens");
    ASSERT_NE(program.WaitForLog("Load metadata: "), std::string::npos) << program.Log();
    program.ParkMouse();
    ASSERT_TRUE(QTest::qWaitFor([&] { return LooksLikeAPicture(ScreenArea(kFrontVideo)); }, kProgramWaitMs));
    QTest::qWait(2000);
    shots.Take("playing");
}

void CloseWithAltF4(RealProgram& program)
{
    program.Focus();
    RealProgram::Key("alt+F4");
    EXPECT_TRUE(program.WaitForEnd());
    EXPECT_EQ(program.Process().exitCode(), 0);
}

TEST(Korean, FirstLookAndItsWindowsInKorean)
{
    TempDir dir;
    const fs::path card = dir.path() / "card";
    ASSERT_EQ(RunSampleCard({"card", card.string()}).exitCode, 0);

    JourneyShots shots("4-korean");
    RealProgram program(dir.path(), {QString::fromStdString(card.string())}, {"--lang", "ko"});
    OpenAndPlay(program, shots);
    program.Click(kFilterEvent);
    program.ParkMouse();
    QTest::qWait(800);
    shots.Take("event-filter");

    Visit(program, shots, {400, 25}, "context-menu", 3);
    const std::string settingsTitle = Visit(program, shots, ToolbarButton(kSettings), "settings");
    EXPECT_TRUE(HasHangul(settingsTitle)) << settingsTitle;
    Visit(program, shots, ToolbarButton(kRecord), "clip-export");
    Visit(program, shots, ToolbarButton(kAbout), "about");
    CloseWithAltF4(program);
}

// The incident examined frame by frame in Korean (journey 7's steps): the read-outs follow the paused
// seeks and steps, and a moment without a GPS fix is told in Korean under the map.
TEST(Korean, FrameByFrameInKorean)
{
    TempDir dir;
    const std::string recording =
        MakeRecording(dir.path(), {"--seconds", "20", "--seed", "4"}, "EVT_20120820_153012_F.avi");
    JourneyShots shots("4-korean-frame-by-frame");
    RealProgram program(dir.path(), {QString::fromStdString(recording)}, {"--lang", "ko"});
    OpenAndPlay(program, shots);
    ExamineFrameByFrame(program, shots, LoadGroundTruth(recording));
    CloseWithAltF4(program);
}

// A Korean desktop: the language comes from the system's locale when no --lang is given, and an English
// one stays English.
TEST(Korean, AKoreanSystemGetsTheKoreanWindowWithoutBeingAsked)
{
    TempDir dir;
    const fs::path card = dir.path() / "card";
    ASSERT_EQ(RunSampleCard({"card", card.string()}).exitCode, 0);
    const struct {
        const char* locale;
        bool korean;
        const char* journey;
    } systems[] = {{"ko_KR.UTF-8", true, "4-korean-locale"}, {"en_US.UTF-8", false, "4-english-locale"}};
    for (const auto& system : systems) {
        SCOPED_TRACE(system.locale);
        RealProgram::Setup setup;
        setup.folder = dir.path() / system.journey;
        setup.arguments = QStringList{"--log", "--log-level", "5", QString::fromStdString(card.string())};
        setup.environment = {{"LANG", system.locale}, {"LC_ALL", system.locale}, {"LC_MESSAGES", system.locale}};
        JourneyShots shots(system.journey);
        RealProgram program(setup);
        OpenAndPlay(program, shots);
        const std::string settingsTitle = Visit(program, shots, ToolbarButton(kSettings), "settings");
        EXPECT_FALSE(settingsTitle.empty());
        EXPECT_EQ(HasHangul(settingsTitle), system.korean) << settingsTitle;
        CloseWithAltF4(program);
    }
}

}  // namespace
