#pragma once

// What the journeys share: where things are in the main window (its own coordinates, at its first size),
// the sample cards, and checks of pictures and files.

#include "support/GroundTruth.h"
#include "support/SampleCard.h"
#include "support/TempDir.h"
#include "support/qt/RealProgram.h"

#include <QImage>
#include <QPoint>
#include <QRect>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace journey {

// The toolbar: seven buttons 42 pixels apart along the title band.
inline QPoint ToolbarButton(int slot)
{
    return {31 + 42 * slot, 25};
}
enum Toolbar { kOpen = 0, kCapture, kRecord, kPrint, kSettings, kFullScreen, kAbout };

// The player pane sits at (5, 46) and is 770 x 708 at the window's first size.
inline constexpr QRect kFrontVideo{5, 46, 385, 463};
inline constexpr QRect kRearVideo{390, 46, 385, 463};
inline constexpr QRect kTimes{5, 515, 330, 24};         // elapsed / total
inline constexpr QRect kPositionSlider{5, 539, 770, 25};
inline constexpr QRect kGraph{5, 564, 770, 135};
inline constexpr QRect kSpeedPanel{630, 709, 140, 40};
inline constexpr int kSliderY = 551;
inline constexpr QPoint kPlayButton{126, 725};
inline constexpr QPoint kNextButton{206, 725};
// The map on the right, the list below it.
inline constexpr QRect kMap{780, 46, 280, 302};
inline constexpr QRect kList{780, 348, 280, 406};
inline constexpr QPoint kFilterAll{886, 364};
inline constexpr QPoint kFilterEvent{934, 364};
inline constexpr QPoint kFirstListRow{860, 407};  // rows are 13 pixels high
// What follows the moment shown besides the times: the G-sensor plot and its X/Y/Z read-outs, the
// coordinates under the map.
inline constexpr QRect kGraphPlot{5, 564, 759, 95};
inline constexpr QRect kGraphReadOuts{5, 666, 520, 20};
inline constexpr QRect kMapCoordinates{780, 322, 280, 18};
// The view buttons beside the times: the front camera alone, the rear alone, both side by side.
inline constexpr QPoint kViewFront{646, 527};
inline constexpr QPoint kViewBoth{742, 527};

// A slider x for a share (0 to 1) of the position slider's length.
inline int SliderX(double share)
{
    return kPositionSlider.left() + 4 + static_cast<int>(share * (kPositionSlider.width() - 8));
}

// Part of a picture of the main window.
inline QImage Part(const QImage& window, const QRect& area)
{
    return window.copy(area);
}

// Pixels near colour (each channel within tolerance), counted on the whole picture.
int CountColour(const QImage& image, QRgb colour, int tolerance = 40);

// The paths of the card's recordings (*.avi under CL_BLACKBOX), sorted by name.
std::vector<std::filesystem::path> CardRecordings(const std::filesystem::path& card);

// Whether the bytes are a finished recording: a RIFF file that ends with its idx1 index.
bool HasIndex(const std::string& bytes);

// Lines that ffmpeg reports as errors while it decodes every stream of file (empty: decodes cleanly).
std::string DecodeErrors(const std::filesystem::path& file);

// The next window of the program besides the main one (a box, a dialog), once it is there and drawn; empty
// when none came within timeoutMs.
std::string NextWindow(RealProgram& program, int timeoutMs = kProgramWaitMs);

// Answers the box that comes next with a key (Return, Escape) after its screenshot, taken as a step over
// the main window; the box's title, empty when none came.
std::string AnswerBox(RealProgram& program, JourneyShots& shots, const std::string& step, const std::string& key,
                      int timeoutMs = kProgramWaitMs);

// Waits until the main window has drawn itself (its title band and toolbar are on the screen).
bool WaitUntilDrawn(RealProgram& program);

// The main window's area united with another window's, for a step's screenshot.
QRect WithMainWindow(const std::string& window);

// Pauses the recording that plays (truth: what it holds) and examines it frame by frame as after an
// incident: seeks with the slider, frame steps with the arrow keys, a moment without a GPS fix and the fix
// again, the thumb held and dragged. At each step every read-out (times, speed, map, G-sensor values and
// the cursor on the trace) must move with the picture; each step is photographed.
void ExamineFrameByFrame(RealProgram& program, JourneyShots& shots, const GroundTruth& truth);

}  // namespace journey
