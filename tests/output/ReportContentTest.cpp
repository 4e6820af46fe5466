// What the print commands put into a report, and what they do with it.
#include "output/CPrintControl.h"
#include "output/ReportPrintCommands.h"

#include "infra/StringTable.h"
#include "session/PlaybackSession.h"
#include "ReportTestSupport.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QFile>
#include <QPrintPreviewDialog>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <optional>

namespace {

class PauseCounter final : public IListener {
public:
    void update(int32_t message, MessageParam*) override { pauses += message == VIDEO_PAUSE; }
    std::atomic<int> pauses{0};
};

void WritePng(const std::string& path, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::gray);
    ASSERT_TRUE(image.save(QString::fromStdString(path)));
}

std::string WithTag(const std::string& path, const char* tag)
{
    return path.substr(0, path.size() - 4) + tag + path.substr(path.size() - 4);
}

// A recording of 60 seconds whose samples differ each second.
std::unique_ptr<RecordingItem> Recording(int channels, bool gps, bool fix, bool gSensor)
{
    auto item = std::make_unique<RecordingItem>(DateTime::FromCalendar(2012, 8, 20, 15, 30, 12), Always, "/none/REC.avi",
                                                 "REC.avi");
    item->channelCount = channels;
    item->duration = 60;
    for (int s = 0; gps && s < 60; ++s) {
        GpsSample sample;
        sample.latitude = 37.5 + s / 1000.0;
        sample.longitude = 127.25 + s / 1000.0;
        sample.speed = 40.0 + s;
        sample.valid = fix;
        item->gpsSamples.push_back(sample);
    }
    for (int s = 0; gSensor && s < 60; ++s) {
        item->gSensorSamples.push_back({s / 32.0, -s / 32.0, 1.0});
        item->gSensorTimes.push_back(s);
    }
    return item;
}

struct Built {
    ReportData report;
    std::vector<std::string> snapshotPaths;  // what the capture was asked for
};

// Builds the report of `item` at `position`; the capture writes the stills the engine would, except the
// ones listed as missing.
Built Build(std::unique_ptr<RecordingItem> item, float position, bool rearMissing = false)
{
    PlaybackSession session;
    if (item) {
        std::vector<std::unique_ptr<RecordingItem>> list;
        list.push_back(std::move(item));
        session.SetRecordings(std::move(list));
    }
    session.position = position;
    ReportBoxRecorder boxes;
    CPrintControl printControl(boxes, QString());
    Built built;
    ReportPrintCommands commands(
        session, printControl,
        [&](const std::string& path) {
            built.snapshotPaths.push_back(path);
            const RecordingItem* current = session.GetCurrentRecording();
            if (current->channelCount < 2) {
                WritePng(path, {640, 352});
                return;
            }
            WritePng(WithTag(path, "(Track1)"), {640, 352});
            if (!rearMissing)
                WritePng(WithTag(path, "(Track2)"), {320, 180});
        },
        [] {
            QImage map(300, 200, QImage::Format_RGB32);
            map.fill(Qt::green);
            return map;
        },
        nullptr);
    built.report = commands.BuildReportData();
    session.Shutdown();
    return built;
}

// The size of a picture; none for a null one.
QSize SizeOf(const QImage& image)
{
    return image.isNull() ? QSize() : image.size();
}

QString Line(int label, const char* value)
{
    return QString::fromStdString(LoadString(label)) + " : " + value;
}

TEST(BuildReportData, TextsAndPicturesOfTheMomentForEachKindOfRecording)
{
    struct Case {
        const char* name;
        std::function<std::unique_ptr<RecordingItem>()> item;
        bool rearMissing;
        QSize track1, track2;
        const char *gSensor, *latitude, *longitude, *speed, *time;
    };
    // Position 0.5 of 60 seconds: the samples of second 30.
    const Case cases[] = {
        {"two channels", [] { return Recording(2, true, true, true); }, false, {640, 352}, {320, 180},
         "X= 0.93750000, Y= -0.93750000, Z= 1.00000000", "37.53000000", "127.28000000", "70.0 km/h",
         "2012-08-20 15:30:42"},
        {"one channel", [] { return Recording(1, true, true, true); }, false, {640, 352}, {},
         "X= 0.93750000, Y= -0.93750000, Z= 1.00000000", "37.53000000", "127.28000000", "70.0 km/h",
         "2012-08-20 15:30:42"},
        {"rear still missing", [] { return Recording(2, true, true, true); }, true, {640, 352}, {},
         "X= 0.93750000, Y= -0.93750000, Z= 1.00000000", "37.53000000", "127.28000000", "70.0 km/h",
         "2012-08-20 15:30:42"},
        {"no GPS", [] { return Recording(2, false, false, true); }, false, {640, 352}, {320, 180},
         "X= 0.93750000, Y= -0.93750000, Z= 1.00000000", "N/A", "N/A", "N/A", "2012-08-20 15:30:42"},
        {"no fix, no G-sensor", [] { return Recording(2, true, false, false); }, false, {640, 352}, {320, 180},
         "X= N/A, Y= N/A, Z= N/A", "N/A", "N/A", "N/A", "2012-08-20 15:30:42"},
        {"no recording", [] { return nullptr; }, false, {}, {}, "X= N/A, Y= N/A, Z= N/A", "N/A", "N/A", "N/A", "N/A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Built built = Build(c.item(), 0.5f, c.rearMissing);
        const ReportData& r = built.report;
        EXPECT_EQ(SizeOf(r.m_track1Image), c.track1);
        EXPECT_EQ(SizeOf(r.m_track2Image), c.track2);
        EXPECT_EQ(r.m_mapImage.isNull(), c.track1.isEmpty());  // no recording, no pictures at all
        EXPECT_EQ(r.m_gSensorText, Line(265, c.gSensor));
        EXPECT_EQ(r.m_latitudeText, Line(267, c.latitude));
        EXPECT_EQ(r.m_longitudeText, Line(268, c.longitude));
        EXPECT_EQ(r.m_speedText, Line(266, c.speed));
        EXPECT_EQ(r.m_timeText, Line(264, c.time));
        // A private folder, the stamped name, and nothing left behind.
        ASSERT_EQ(built.snapshotPaths.size(), c.track1.isEmpty() ? 0u : 1u);
        for (const std::string& path : built.snapshotPaths) {
            const std::filesystem::path p(path);
            EXPECT_EQ(p.filename().string().rfind("tempVideoSnapshotFile-", 0), 0u) << path;
            EXPECT_EQ(p.extension(), ".png");
            EXPECT_FALSE(std::filesystem::exists(p.parent_path())) << path;
        }
    }
}

TEST(PrintCommands, ThePrintButtonPausesAndPrintsThePreviewOnlyWithARecordingAndWithoutTheDialog)
{
    PlaybackSession session;
    PauseCounter pauses;
    session.AddListener(&pauses);
    ReportBoxRecorder boxes;
    TempDir dir;
    CPrintControl printControl(boxes, QString::fromStdString(dir.path().string()));
    int captures = 0;
    QWidget owner;
    ReportPrintCommands commands(
        session, printControl, [&](const std::string&) { ++captures; }, [] { return QImage(); }, &owner);

    // Without a recording the preview command does nothing.
    commands.OnFilePrintPreview();
    EXPECT_FALSE(printControl.IsPreviewOpen());

    // The Print button: a pause, then the print dialog (cancelled here).
    bool dialogShown = false;
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [&, timer] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            dialogShown = true;
            timer->stop();
            timer->deleteLater();
            dialog->reject();
        }
    });
    timer->start(50);
    commands.OnBnClickedPrintBtn();
    EXPECT_TRUE(dialogShown);
    EXPECT_TRUE(QTest::qWaitFor([&] { return pauses.pauses == 1; }, 5000));
    EXPECT_EQ(printControl.Report().m_latitudeText, Line(267, "N/A"));

    std::vector<std::unique_ptr<RecordingItem>> list;
    list.push_back(Recording(1, true, true, true));
    session.SetRecordings(std::move(list));
    session.position = 0.5f;
    commands.OnFilePrintPreview();
    EXPECT_TRUE(printControl.IsPreviewOpen());
    EXPECT_EQ(captures, 1);
    EXPECT_EQ(printControl.Report().m_latitudeText, Line(267, "37.53000000"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return pauses.pauses == 2; }, 5000));
    EXPECT_TRUE(FolderEntries(dir.path()).empty());  // nothing printed
    session.RemoveListener(&pauses);
    session.Shutdown();
}

}  // namespace
