// Journey 2, keeping the evidence: an insurer stops at the moment that matters and keeps it three ways: a
// still of both cameras (the toolbar's capture button), a clip through the export dialog (both previews
// shown, a folder chosen), and the printed report saved as a PDF (no printer on this machine).
#include "journeys/Journey.h"

#include "support/GroundTruth.h"

#include <QImageReader>
#include <QTest>

#include <cmath>
#include <regex>

namespace fs = std::filesystem;
using namespace journey;

namespace {

std::vector<fs::path> FilesIn(const fs::path& folder, const std::string& extension)
{
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (entry.path().extension() == extension)
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// The number after "label :" (or "label=") in the report's text; NaN when missing.
double NumberAfter(const std::string& text, const std::string& label)
{
    const std::regex pattern(label + "\\s*:?\\s*(-?[0-9.]+)");
    std::smatch match;
    return std::regex_search(text, match, pattern) ? std::stod(match[1].str()) : std::nan("");
}

TEST(Evidence, StillClipAndReportOfOneMoment)
{
    TempDir dir;
    const fs::path card = dir.path() / "card";
    ASSERT_EQ(RunSampleCard({"card", card.string(), "--recordings", "2"}).exitCode, 0);
    // The recordings in the order the list plays them: by the start time in their names.
    std::vector<fs::path> recordings = CardRecordings(card);
    std::sort(recordings.begin(), recordings.end(), [](const fs::path& a, const fs::path& b) {
        return a.filename().string().substr(4) < b.filename().string().substr(4);
    });
    const fs::path first = recordings.at(0);
    const GroundTruth truth = LoadGroundTruth(first);

    JourneyShots shots("2-keep-the-evidence");
    // Both recordings, the first one playing: the last step goes on to the second.
    RealProgram program(dir.path(), {QString::fromStdString(first.string()),
                                     QString::fromStdString(recordings.at(1).string())});
    ASSERT_FALSE(program.MainWindow().empty()) << program.ErrorOutput();
    ASSERT_NE(program.WaitForLog("Load metadata: "), std::string::npos) << program.Log();
    program.ParkMouse();
    ASSERT_TRUE(QTest::qWaitFor([&] { return LooksLikeAPicture(ScreenArea(kFrontVideo)); }, kProgramWaitMs));
    // Some seconds in, then paused: the moment.
    program.Click({SliderX(0.62), kSliderY});  // about 12 s in: the GPS has a fix there
    program.Focus();
    std::size_t mark = program.Log().size();
    RealProgram::Key("space");
    ASSERT_NE(program.WaitForLog("VIDEO_PAUSE Msg", mark), std::string::npos);
    program.ParkMouse();
    QTest::qWait(1000);
    shots.Take("paused-at-the-moment");

    // The still: both cameras' pictures in the documents' capture folder, at the cameras' sizes.
    const fs::path captures = program.Documents() / "CAM_CAPTURE";
    mark = program.Log().size();
    program.Click(ToolbarButton(kCapture));
    ASSERT_NE(program.WaitForLog("Video Capture end", mark), std::string::npos);
    EXPECT_FALSE(AnswerBox(program, shots, "still-saved-box", "Escape").empty());  // No: the folder is not opened
    // The rear camera's still is written after the front's box is up.
    std::vector<fs::path> stills;
    EXPECT_TRUE(QTest::qWaitFor([&] { return (stills = FilesIn(captures, ".png")).size() >= 2; }, kProgramWaitMs));
    ASSERT_EQ(stills.size(), 2u) << captures << "\n" << program.Log().substr(mark) << program.ErrorOutput();
    const TruthStream* front = truth.Stream("00dc");
    const TruthStream* rear = truth.Stream("01dc");
    ASSERT_TRUE(front && rear);
    std::map<std::string, QSize> sizes;
    for (const fs::path& still : stills)
        sizes[still.filename().string()] = QImageReader(QString::fromStdString(still.string())).size();
    for (const auto& [name, size] : sizes) {
        const bool isFront = name.find("(Track1)") != std::string::npos;
        const bool isRear = name.find("(Track2)") != std::string::npos;
        EXPECT_TRUE(isFront || isRear) << name;
        EXPECT_EQ(size, isFront ? QSize(front->width, front->height) : QSize(rear->width, rear->height)) << name;
        EXPECT_EQ(name.rfind(first.stem().string(), 0), 0u) << name << " should start with the recording's name";
    }

    // The clip: the export dialog shows both previews; OK, a folder, and the clip is written there.
    const fs::path clips = dir.path() / "clips";
    fs::create_directories(clips);
    mark = program.Log().size();
    program.Click(ToolbarButton(kRecord));
    const std::string dialog = program.WaitForWindow("^Recording Video$");
    ASSERT_FALSE(dialog.empty());
    const QRect dialogArea = RealProgram::Geometry(dialog);
    // The previews: two 400 x 225 areas along the top, 16 pixels in.
    const QRect startPreview(dialogArea.x() + 16, dialogArea.y() + 16, 400, 225);
    const QRect endPreview(dialogArea.x() + 16 + 400 + 16, dialogArea.y() + 16, 400, 225);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return LooksLikeAPicture(ScreenArea(startPreview)) && LooksLikeAPicture(ScreenArea(endPreview)); },
        kProgramWaitMs))
        << "both previews should show the recording";
    shots.Take("clip-dialog-previews", dialogArea.united(QRect(0, 0, 1065, 758)));
    RealProgram::FocusWindow(dialog);
    RealProgram::Key("Return");  // OK, the default button
    const std::string chooser = program.WaitForWindow("^Select a Folder\\.$");
    ASSERT_FALSE(chooser.empty()) << "the folder chooser should open";
    shots.Take("clip-folder-chooser", RealProgram::Geometry(chooser).united(QRect(0, 0, 1065, 758)));
    RealProgram::FocusWindow(chooser);
    RealProgram::Key("ctrl+a");
    RealProgram::Type(clips.string());
    QTest::qWait(300);
    RealProgram::Key("Return");
    ASSERT_TRUE(program.WaitForWindowGone(chooser));
    EXPECT_FALSE(AnswerBox(program, shots, "clip-saved-box", "Escape").empty());
    ASSERT_NE(program.WaitForLog("Video Record end", mark), std::string::npos);
    const std::vector<fs::path> written = FilesIn(clips, ".avi");
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written.front().filename().string(), first.stem().string() + "_copy(1).avi");
    EXPECT_EQ(DecodeErrors(written.front()), "");
    const ProgramRun streams = RunProgram({"ffprobe", "-v", "error", "-show_entries", "stream=codec_type", "-of", "csv=p=0",
                                    written.front().string()});
    EXPECT_GE(std::count(streams.out.begin(), streams.out.end(), 'v'), 2) << streams.out;
    EXPECT_TRUE(FilesIn(clips, ".part").empty());

    // The report: no printer here, so the box says a PDF can be kept; the print dialog writes it.
    mark = program.Log().size();
    program.Click(ToolbarButton(kPrint));
    EXPECT_FALSE(AnswerBox(program, shots, "report-no-printer-box", "Return").empty());
    const std::string printDialog = program.WaitForWindow(".+");
    ASSERT_FALSE(printDialog.empty());
    shots.Take("report-print-dialog", RealProgram::Geometry(printDialog).united(QRect(0, 0, 1065, 758)));
    RealProgram::FocusWindow(printDialog);
    RealProgram::Key("Return");  // Print, to the PDF file offered
    ASSERT_NE(program.WaitForLog("Video print end", mark), std::string::npos);
    std::vector<fs::path> reports;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !(reports = FilesIn(program.Documents(), ".pdf")).empty(); },
                                kProgramWaitMs));
    const ProgramRun text = RunProgram({"pdftotext", "-layout", reports.front().string(), "-"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    const ProgramRun pages = RunProgram({"pdftoppm", "-r", "40", "-png", reports.front().string(),
                                  (shots.Folder() / "08-report-page").string()});
    EXPECT_EQ(pages.exitCode, 0);

    // The report's moment, and the position and G values the recording holds at that second.
    static const std::regex momentPattern(R"(Time\s*:\s*(\d{4})-(\d{2})-(\d{2}) (\d{2}):(\d{2}):(\d{2}))");
    std::smatch moment;
    ASSERT_TRUE(std::regex_search(text.out, moment, momentPattern)) << text.out;
    const int second = (std::stoi(moment[4]) * 3600 + std::stoi(moment[5]) * 60 + std::stoi(moment[6])) -
                       (std::stoi(truth.start.substr(9, 2)) * 3600 + std::stoi(truth.start.substr(11, 2)) * 60 +
                        std::stoi(truth.start.substr(13, 2)));
    ASSERT_GE(second, 0) << text.out;
    ASSERT_LT(second, static_cast<int>(truth.gps.size()));
    // The position of that second (the report may take the record of the second before or after).
    const double latitude = NumberAfter(text.out, "Latitude");
    const double longitude = NumberAfter(text.out, "Longitude");
    bool positionFound = false;
    for (int at = std::max(0, second - 1); at <= std::min<int>(second + 1, truth.gps.size() - 1); ++at)
        positionFound = positionFound || (truth.gps[at].valid && std::abs(truth.gps[at].latitude - latitude) < 1e-6 &&
                                          std::abs(truth.gps[at].longitude - longitude) < 1e-6);
    EXPECT_TRUE(positionFound) << "second " << second << "\n" << text.out;
    const double x = NumberAfter(text.out, "X=");
    bool gFound = false;
    for (int sample = second * 9; sample < std::min<int>((second + 1) * 9 + 9, truth.gsensor.size()); ++sample)
        gFound = gFound || std::abs(truth.gsensor[sample].x - x) < 1e-6;
    EXPECT_TRUE(gFound) << "the report's G value X= " << x << " should be one of second " << second << "\n" << text.out;

    // A second clip, the folder chooser answered at once: it opened in the documents folder (where stills
    // and reports go), so the clip is there, not in the folder the program runs in.
    mark = program.Log().size();
    program.Click(ToolbarButton(kRecord));
    const std::string again = program.WaitForWindow("^Recording Video$");
    ASSERT_FALSE(again.empty());
    RealProgram::FocusWindow(again);
    RealProgram::Key("Return");
    const std::string chooserAgain = program.WaitForWindow("^Select a Folder\\.$");
    ASSERT_FALSE(chooserAgain.empty());
    shots.Take("clip-chooser-opens-in-documents", RealProgram::Geometry(chooserAgain).united(QRect(0, 0, 1065, 758)));
    RealProgram::FocusWindow(chooserAgain);
    RealProgram::Key("Return");  // Choose, as it opened
    ASSERT_TRUE(program.WaitForWindowGone(chooserAgain));
    EXPECT_FALSE(AnswerBox(program, shots, "clip-in-documents-saved-box", "Escape").empty());
    ASSERT_NE(program.WaitForLog("Video Record end", mark), std::string::npos);
    const std::vector<fs::path> inDocuments = FilesIn(program.Documents(), ".avi");
    ASSERT_EQ(inDocuments.size(), 1u) << program.Documents();
    EXPECT_EQ(inDocuments.front().filename().string(), first.stem().string() + "_copy(1).avi");
    EXPECT_TRUE(FilesIn(dir.path(), ".avi").empty()) << "nothing in the program's own folder";

    // The next recording, and the capture button right after it, before its first picture is shown: the
    // still waits for that picture instead of failing.
    const fs::path next = recordings.at(1);
    program.Focus();
    mark = program.Log().size();
    RealProgram::Key("Next");
    program.Click(ToolbarButton(kCapture));
    ASSERT_NE(program.WaitForLog("Video Capture end", mark), std::string::npos) << program.Log().substr(mark);
    EXPECT_EQ(AnswerBox(program, shots, "still-right-after-next-box", "Escape"), "경고")
        << "the saved-still box, not the failure box\n" << program.Log().substr(mark);
    EXPECT_EQ(program.Log().find("still not saved", mark), std::string::npos) << program.Log().substr(mark);
    std::vector<fs::path> nextStills;
    // Waited for; the count is checked just below.
    (void)QTest::qWaitFor(
        [&] {
            nextStills.clear();
            for (const fs::path& still : FilesIn(captures, ".png"))
                if (still.filename().string().rfind(next.stem().string(), 0) == 0)
                    nextStills.push_back(still);
            return nextStills.size() >= 2;
        },
        kProgramWaitMs);
    EXPECT_EQ(nextStills.size(), 2u) << "front and rear of " << next.filename();
    for (const fs::path& still : nextStills)
        EXPECT_TRUE(LooksLikeAPicture(QImage(QString::fromStdString(still.string())))) << still;

    program.Focus();
    RealProgram::Key("alt+F4");
    EXPECT_TRUE(program.WaitForEnd());
}

}  // namespace
