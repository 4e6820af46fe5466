#include "ui/TrackExportAction.h"

#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "infra/UserFolders.h"
#include "recording/LoadRecording.h"
#include "recording/TrackExport.h"
#include "session/PlaybackSession.h"
#include "ui/list/VideoListControl.h"

#include "UiTestSupport.h"
#include "support/SampleCard.h"
#include "support/TempDir.h"
#include "support/qt/BoxRecorder.h"
#include "support/qt/SkinTestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTimer>

#include <fstream>

namespace {

struct TrackExport : ::testing::Test {
    TempDir dir;
    PlaybackSession session;
    QWidget window;
    BoxRecorder boxes;
    std::string recording;

    void SetUp() override { recording = MakeRecording(dir.path(), {"--seconds", "5", "--channels", "1"}); }
    void TearDown() override { session.Shutdown(); }

    void MakeCurrent()
    {
        std::vector<std::unique_ptr<RecordingItem>> list;
        list.push_back(std::make_unique<RecordingItem>(DateTime{}, Always, recording, "REC_20120820_153012_F.avi"));
        session.SetRecordings(std::move(list));
    }
};

// The file the viewer writes is the command-line tool's, GPX, CSV or KML by the chosen type or the name's
// extension, suggested in the documents folder under the recording's name.
TEST_F(TrackExport, WritesTheToolsGpxCsvOrKmlAndSuggestsTheDocumentsFolder)
{
    MakeCurrent();
    std::string reason;
    const auto item = LoadRecording(recording, reason);
    ASSERT_TRUE(item) << reason;

    struct Case {
        const char* chosen;
        const char* filter;
        const char* written;
        std::string expected;
    };
    const Case cases[] = {
        {"track.gpx", "", "track.gpx", TrackAsGpx(*item, "Tessaro Viewer")},
        {"track", "GPX track (*.gpx)", "track.gpx", TrackAsGpx(*item, "Tessaro Viewer")},
        {"table", "CSV table (*.csv)", "table.csv", TrackAsCsv(*item)},
        {"TABLE.CSV", "GPX track (*.gpx)", "TABLE.CSV", TrackAsCsv(*item)},
        {"route", "KML track (*.kml)", "route.kml", TrackAsKml(*item)},
        {"Route.KML", "", "Route.KML", TrackAsKml(*item)},
    };
    for (const Case& c : cases) {
        boxes.chosenFile = QString::fromStdString((dir.path() / c.chosen).string());
        boxes.chosenFilter = c.filter;
        ExportCurrentTrack(&window, session);
        EXPECT_EQ(ReadFileBytes(dir.path() / c.written), c.expected) << c.chosen;
    }
    EXPECT_NE(TrackAsGpx(*item, "Tessaro Viewer").find("<trkpt lat="), std::string::npos);
    EXPECT_TRUE(boxes.texts.empty());
    ASSERT_FALSE(boxes.suggestedPaths.empty());
    EXPECT_EQ(boxes.suggestedPaths.front().toStdString(),
              (DocumentsFolder() / "REC_20120820_153012_F.gpx").string());
    EXPECT_EQ(boxes.chooserTitles.front().toStdString(), LoadString(StringId::kExportTrack));
}

// A folder that is not there, a recording gone meanwhile: a box that says so, nothing written; a
// cancelled chooser and no current recording: nothing at all.
TEST_F(TrackExport, FailuresAreToldAndCancelWritesNothing)
{
    ExportCurrentTrack(&window, session);
    EXPECT_TRUE(boxes.chooserTitles.empty()) << "no current recording, no chooser";

    MakeCurrent();
    boxes.chosenFile.clear();
    ExportCurrentTrack(&window, session);
    EXPECT_TRUE(boxes.texts.empty());

    boxes.chosenFile = QString::fromStdString((dir.path() / "missing" / "track.gpx").string());
    ExportCurrentTrack(&window, session);
    ASSERT_EQ(boxes.texts.size(), 1u);
    const QString target = QString::fromStdString((dir.path() / "missing" / "track.gpx").string());
    EXPECT_EQ(boxes.texts.back().toStdString(),
              LoadString(StringId::kTrackNotSaved) + "\n" + target.toStdString() + "\n" +
                  LoadString(StringId::kReasonNotFound));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));

    std::filesystem::remove(recording);
    boxes.chosenFile = QString::fromStdString((dir.path() / "gone.gpx").string());
    ExportCurrentTrack(&window, session);
    EXPECT_EQ(boxes.texts.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "gone.gpx"));
}

// The list's context menu offers the entry, enabled only while a recording is current.
TEST_F(TrackExport, TheListMenuOffersTheEntryWithACurrentRecording)
{
    BuiltSkin skin;
    window.resize(280, 406);
    auto* pane = new VideoListControl(&window, session);
    pane->setGeometry(0, 0, 280, 406);
    ASSERT_TRUE(ShowAndWait(window));

    const auto entryEnabled = [&] {
        int enabled = -1;
        QTimer::singleShot(0, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                for (QAction* action : menu->actions())
                    if (action->text().toStdString() == LoadString(StringId::kExportTrack))
                        enabled = action->isEnabled() ? 1 : 0;
                menu->close();
            }
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(40, 100), pane->mapToGlobal(QPoint(40, 100)));
        QApplication::sendEvent(pane, &event);
        return enabled;
    };
    EXPECT_EQ(entryEnabled(), 0);
    MakeCurrent();
    EXPECT_EQ(entryEnabled(), 1);
}

}  // namespace
