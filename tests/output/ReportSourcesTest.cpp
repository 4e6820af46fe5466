// How the report takes the stills from the player pane: the names it asks for, which files it reads for
// one and for two channels, what a missing still gives, that the map is taken only with a recording, and
// that nothing is left behind.
#include "output/ReportBuilder.h"

#include "session/PlaybackSession.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

std::string WithTag(const std::string& path, const char* tag)
{
    return path.substr(0, path.size() - 4) + tag + path.substr(path.size() - 4);
}

void WritePng(const std::string& path, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::gray);
    ASSERT_TRUE(image.save(QString::fromStdString(path)));
}

QSize SizeOf(const QImage& image)
{
    return image.isNull() ? QSize() : image.size();
}

TEST(ReportSources, StillsOfOneOrTwoChannelsAreReadFromAPrivateFolderThatIsGoneAfterwards)
{
    struct Case {
        const char* name;
        int channels;  // 0: no current recording
        bool rearWritten;
        QSize track1, track2;
    };
    const Case cases[] = {
        {"two channels", 2, true, {640, 352}, {320, 180}},
        {"one channel", 1, false, {640, 352}, {}},
        {"rear still missing", 2, false, {640, 352}, {}},
        {"no recording", 0, false, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlaybackSession session;
        if (c.channels > 0) {
            auto item = std::make_unique<RecordingItem>(DateTime::FromCalendar(2012, 8, 20, 15, 30, 12), Always,
                                                         "/none/REC.avi", "REC.avi");
            item->channelCount = c.channels;
            item->duration = 60;
            std::vector<std::unique_ptr<RecordingItem>> list;
            list.push_back(std::move(item));
            session.SetRecordings(std::move(list));
        }
        std::vector<std::string> asked;
        ReportSources sources;
        // Writes what the channel panes write: one name for one channel, tagged names for two.
        sources.captureSnapshot = [&](const std::string& path) {
            asked.push_back(path);
            if (c.channels < 2) {
                WritePng(path, {640, 352});
                return;
            }
            WritePng(WithTag(path, "(Track1)"), {640, 352});
            if (c.rearWritten)
                WritePng(WithTag(path, "(Track2)"), {320, 180});
        };
        sources.mapPicture = [] {
            QImage map(500, 300, QImage::Format_RGB32);
            map.fill(Qt::green);
            return map;
        };
        const ReportData report = BuildReportData(session, sources);
        EXPECT_EQ(SizeOf(report.m_mapImage), c.channels > 0 ? QSize(500, 300) : QSize());
        EXPECT_EQ(SizeOf(report.m_track1Image), c.track1);
        EXPECT_EQ(SizeOf(report.m_track2Image), c.track2);
        ASSERT_EQ(asked.size(), c.channels > 0 ? 1u : 0u);
        for (const std::string& path : asked) {
            const std::filesystem::path p(path);
            EXPECT_EQ(p.filename().string().rfind("tempVideoSnapshotFile-", 0), 0u) << path;
            EXPECT_EQ(p.extension(), ".png");
            EXPECT_FALSE(std::filesystem::exists(p.parent_path())) << path;
        }
        session.Shutdown();
    }
}

}  // namespace
