// A report of a generated two-camera recording, played by the real player pane, printed to PDF and read
// back with poppler's tools, in English and Korean. Leaves build/report-recording{,-ko}.pdf, their pages
// as PNG and a picture of the preview.
#include "output/CPrintControl.h"
#include "output/ReportBuilder.h"

#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "playback/CSecondChannelVideoPane.h"
#include "playback/CVideoPlayerPane.h"
#include "playback/IGSensorGraph.h"
#include "playback/PlaybackTestSupport.h"
#include "recording/AVIFileLoader.h"
#include "support/GroundTruth.h"
#include "support/SampleCard.h"
#include "support/TempDir.h"
#include "support/qt/BoxRecorder.h"

#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace {

class GraphStandIn final : public QWidget, public IGSensorGraph {
public:
    explicit GraphStandIn(QWidget* parent) : QWidget(parent) {}
    void ClearGraph() override {}
    QWidget* GraphWidget() override { return this; }
};

// A stand-in for the map pane's picture: a street grid with a marker.
QImage MapStandIn()
{
    QImage map(500, 300, QImage::Format_RGB32);
    map.fill(QColor(236, 232, 222));
    QPainter painter(&map);
    painter.setPen(QPen(Qt::white, 8));
    for (int x = 40; x < 500; x += 110)
        painter.drawLine(x, 0, x + 30, 300);
    for (int y = 50; y < 300; y += 90)
        painter.drawLine(0, y, 500, y - 20);
    painter.setBrush(QColor(200, 40, 40));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPoint(250, 150), 10, 10);
    return map;
}

std::string Output(const std::vector<std::string>& argv)
{
    const ProgramRun run = RunProgram(argv);
    EXPECT_EQ(run.exitCode, 0) << argv[0] << ": " << run.err;
    return run.out;
}

std::string Fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals).toStdString();
}

class ReportOfARecording : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartEngineAndSkin(); }
    static void TearDownTestSuite() { StopEngineAndSkin(); }

    ReportOfARecording()
    {
        m_session.AddListener(&m_mainWindow);
        pane = new CVideoPlayerPane(nullptr, m_session, *VlcFunctionExecutor::Instance(),
                                    [](QWidget* parent, PlaybackSession&) -> IGSensorGraph* { return new GraphStandIn(parent); });
        pane->resize(770, 708);
        pane->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(pane));
        m_session.AddListener(&log);
    }
    ~ReportOfARecording() override
    {
        m_session.RemoveListener(&log);
        delete pane;
        m_session.Shutdown();
        SetCurrentLanguage(Language::English);
    }

    // Plays the recording until both cameras show a picture, then stops following the engine's position
    // so that the report is made at the position the test sets.
    bool Play(const std::string& path)
    {
        m_session.SetRecordings(RecordingItems({path}));
        auto select = std::make_unique<MessageParam>();
        m_session.Post(VIDEO_INDEX_SELECT, std::move(select));
        m_session.Post(VIDEO_MEDIA_LOAD);
        m_session.Post(NEW_VIDEO_PLAY);
        const bool shown =
            QTest::qWaitFor([&] { return log.Count(VIDEO_PLAYING) > 0 && pane->SecondChannel()->IsTrackChosen(); }, kWaitMs) &&
            QTest::qWaitFor([&] { return log.Count(VIDEO_FRAME_POSITION_CHANGED) >= 4; }, kWaitMs);
        m_session.RemoveListener(&m_mainWindow);
        return shown;
    }

    TempDir dir;
    PlaybackSession m_session;
    MainWindowStandIn m_mainWindow{m_session};
    MessageLog log;
    CVideoPlayerPane* pane = nullptr;
};

TEST_F(ReportOfARecording, APdfOfTheMomentCarriesBothStillsTheMapAndTheSamplesOfThatSecond)
{
    const std::string path = MakeRecording(dir.path(), {"--seconds", "10", "--channels", "2", "--seed", "3"});
    const GroundTruth truth = LoadGroundTruth(path);
    ASSERT_TRUE(Play(path));
    m_session.position = 0.5f;
    const RecordingItem* item = m_session.GetCurrentRecording();
    ASSERT_NE(item, nullptr);
    ASSERT_EQ(item->duration, 10);

    // What the main window hands the report: the player pane's stills, the map pane's picture.
    ReportSources sources;
    std::vector<std::string> asked;
    sources.captureSnapshot = [&](const std::string& name) {
        asked.push_back(name);
        pane->CaptureSnapshot(name, "");
    };
    sources.mapPicture = [] { return MapStandIn(); };
    CPrintControl printControl;

    for (const Language language : {Language::English, Language::Korean}) {
        SetCurrentLanguage(language);
        const bool english = language == Language::English;
        printControl.SetReport(BuildReportData(m_session, sources));
        // The stills were read and their private folder is gone.
        ASSERT_FALSE(asked.empty());
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(asked.back()).parent_path()));
        const std::string pdf = std::string(TESSARO_BUILD_DIR) + (english ? "/report-recording.pdf" : "/report-recording-ko.pdf");
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setOutputFileName(QString::fromStdString(pdf));
        ASSERT_TRUE(printControl.Print(printer));

        const std::string text = Output({"pdftotext", "-layout", pdf, "-"});
        const TruthGps& gps = truth.gps.at(5);
        ASSERT_TRUE(gps.valid);
        const GSensorSample g = *GetGSensorSampleAt(*item, 5.0);
        for (const std::string& expected :
             {std::string("Tessaro Viewer Report"), std::string("1. 촬영 정보"), std::string("▶ 채널 1"),
              std::string("▶ 채널 2"), std::string("2. 위치 정보"), std::string("3. 충격 정보"),
              LoadString(267) + " : " + Fixed(gps.latitude, 8), LoadString(268) + " : " + Fixed(gps.longitude, 8),
              LoadString(266) + " : " + Fixed(gps.speed, 1) + " km/h",
              LoadString(265) + " : X= " + Fixed(g.x, 8) + ", Y= " + Fixed(g.y, 8) + ", Z= " + Fixed(g.z, 8),
              LoadString(264) + " : 2012-08-20 15:30:17", std::string("Page 1 of 2"), std::string("Page 2 of 2"),
              std::string(english ? "Brenholt Tessaro Inc" : "브렌홀트 테사로 주식회사")})
            EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;

        // page num type width height ...: both stills on page 1, the map on page 2.
        const std::string images = Output({"pdfimages", "-list", pdf});
        std::vector<std::string> found;
        std::istringstream lines(images);
        std::string line;
        while (std::getline(lines, line)) {
            std::istringstream fields(line);
            std::string page, num, type, width, height;
            if (fields >> page >> num >> type >> width >> height && type == "image")
                found.push_back(page + ":" + width + "x" + height);
        }
        EXPECT_EQ(found, (std::vector<std::string>{"1:640x352", "1:320x180", "2:500x300"})) << images;
    }

    // The pages as a person sees them.
    SetCurrentLanguage(Language::English);
    const std::string build = TESSARO_BUILD_DIR;
    Output({"pdftoppm", "-png", "-r", "60", build + "/report-recording.pdf", build + "/report-recording-page"});
    Output({"pdftoppm", "-png", "-r", "60", build + "/report-recording-ko.pdf", build + "/report-recording-ko-page"});
    EXPECT_TRUE(std::filesystem::exists(build + "/report-recording-page-1.png"));

    // The preview of the same report.
    BoxRecorder boxes;
    printControl.ShowPreview(pane, boxes);
    QPrintPreviewDialog* preview = printControl.Preview();
    ASSERT_NE(preview, nullptr);
    preview->resize(900, 800);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(preview));
    QTest::qWait(300);
    EXPECT_TRUE(preview->grab().save(QString::fromStdString(build + "/report-recording-preview.png")));
    preview->close();
}

}  // namespace
