#include "journeys/Journey.h"

#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace fs = std::filesystem;

namespace journey {

int CountColour(const QImage& image, QRgb colour, int tolerance)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (std::abs(qRed(pixel) - qRed(colour)) <= tolerance &&
                std::abs(qGreen(pixel) - qGreen(colour)) <= tolerance &&
                std::abs(qBlue(pixel) - qBlue(colour)) <= tolerance)
                ++count;
        }
    return count;
}

std::vector<fs::path> CardRecordings(const fs::path& card)
{
    std::vector<fs::path> found;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(card / "CL_BLACKBOX", error);
         it != fs::recursive_directory_iterator(); it.increment(error))
        if (it->path().extension() == ".avi")
            found.push_back(it->path());
    std::sort(found.begin(), found.end(),
              [](const fs::path& a, const fs::path& b) { return a.filename() < b.filename(); });
    return found;
}

bool HasIndex(const std::string& bytes)
{
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0)
        return false;
    // The index follows the movie list: find its four-cc after the list's end.
    const std::size_t movie = bytes.find("movi");
    const std::size_t index = bytes.rfind("idx1");
    return movie != std::string::npos && index != std::string::npos && index > movie;
}

std::string DecodeErrors(const fs::path& file)
{
    // Both cameras and the sound, decoded to nothing (the G-sensor text stream has no decoder).
    const ProgramRun run = RunProgram({"ffmpeg", "-nostdin", "-v", "error", "-i", file.string(), "-map", "0:v",
                                       "-map", "0:a:0?", "-f", "null", "-"});
    if (!run.started)
        return "ffmpeg did not start";
    // Over minutes the camera's frame rates (735/22056, 934/9342) round to a repeated time stamp now and
    // then in ffmpeg's AVI reader; the recordings themselves read so too. Not a decoding error.
    std::string errors;
    std::istringstream lines(run.err);
    for (std::string line; std::getline(lines, line);)
        if (line.find("non monotonically increasing dts") == std::string::npos)
            errors += line + "\n";
    if (run.exitCode != 0)
        errors += "\nffmpeg exit code " + std::to_string(run.exitCode);
    return errors;
}

std::string NextWindow(RealProgram& program, int timeoutMs)
{
    std::string window;
    (void)QTest::qWaitFor(
        [&] {
            const std::vector<std::string> windows = program.OtherWindows();
            if (windows.empty())
                return false;
            window = windows.back();
            return true;
        },
        timeoutMs);
    if (!window.empty())
        QTest::qWait(400);  // mapped is not yet drawn
    return window;
}

std::string AnswerBox(RealProgram& program, JourneyShots& shots, const std::string& step, const std::string& key,
                      int timeoutMs)
{
    const std::string box = NextWindow(program, timeoutMs);
    if (box.empty())
        return {};
    const std::string title = RealProgram::Title(box);
    shots.Take(step, WithMainWindow(box));
    RealProgram::FocusWindow(box);
    RealProgram::Key(key);
    EXPECT_TRUE(program.WaitForWindowGone(box)) << step << ": the box should close on " << key;
    return title.empty() ? std::string(" ") : title;
}

bool WaitUntilDrawn(RealProgram& program)
{
    return !program.MainWindow().empty() &&
           QTest::qWaitFor([] { return LooksLikeAPicture(ScreenArea(QRect(0, 0, 1065, 46)), 8); }, kProgramWaitMs);
}

QRect WithMainWindow(const std::string& window)
{
    return RealProgram::Geometry(window).united(QRect(0, 0, 1065, 758)).intersected(QRect(0, 0, 1920, 1080));
}

}  // namespace journey
