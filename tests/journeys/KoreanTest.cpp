// Journey 4, in Korean: the first look again with --lang ko, and the windows a driver meets on the way (the
// menu, the settings, the clip export, the About box), each photographed: every text is Korean and drawn
// in a face that has the letters (a person checks the pictures on the contact sheet; the test checks that
// every window came and went).
#include "journeys/Journey.h"

#include <QTest>

namespace fs = std::filesystem;
using namespace journey;

namespace {

// Opens a window with a click, photographs it over the main window, closes it with Escape.
void Visit(RealProgram& program, JourneyShots& shots, QPoint click, const std::string& step, int button = 1)
{
    program.Click(click, button);
    const std::string window = NextWindow(program);
    ASSERT_FALSE(window.empty()) << step << ": no window opened";
    QTest::qWait(1500);  // pictures (the export previews) settle
    shots.Take(step, RealProgram::Geometry(window).united(QRect(0, 0, 1065, 758)));
    RealProgram::FocusWindow(window);
    RealProgram::Key("Escape");
    ASSERT_TRUE(program.WaitForWindowGone(window)) << step;
    program.ParkMouse();
}

TEST(Korean, FirstLookAndItsWindowsInKorean)
{
    TempDir dir;
    const fs::path card = dir.path() / "card";
    ASSERT_EQ(RunSampleCard({"card", card.string()}).exitCode, 0);

    JourneyShots shots("4-korean");
    RealProgram program(dir.path(), {QString::fromStdString(card.string())}, {"--lang", "ko"});
    ASSERT_FALSE(program.MainWindow().empty()) << program.ErrorOutput();
    EXPECT_TRUE(WaitUntilDrawn(program));
    shots.Take("window-opens");
    ASSERT_NE(program.WaitForLog("Load metadata: "), std::string::npos) << program.Log();
    program.ParkMouse();
    ASSERT_TRUE(QTest::qWaitFor([&] { return LooksLikeAPicture(ScreenArea(kFrontVideo)); }, kProgramWaitMs));
    QTest::qWait(2000);
    shots.Take("playing");
    program.Click(kFilterEvent);
    program.ParkMouse();
    QTest::qWait(800);
    shots.Take("event-filter");

    Visit(program, shots, {400, 25}, "context-menu", 3);
    Visit(program, shots, ToolbarButton(kSettings), "settings");
    Visit(program, shots, ToolbarButton(kRecord), "clip-export");
    Visit(program, shots, ToolbarButton(kAbout), "about");

    program.Focus();
    RealProgram::Key("alt+F4");
    EXPECT_TRUE(program.WaitForEnd());
    EXPECT_EQ(program.Process().exitCode(), 0);
}

}  // namespace
