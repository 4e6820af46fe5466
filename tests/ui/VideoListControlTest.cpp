#include "ui/list/VideoListControl.h"

#include "infra/MenuTable.h"
#include "infra/StringTable.h"
#include "recording/CFileLoader.h"
#include "widgets/CMyBitmapButton.h"
#include "widgets/CSkinHeaderCtrl.h"
#include "widgets/CSkinListCtrl.h"

#include "UiTestSupport.h"
#include "support/RecordingReporter.h"
#include "support/RiffBuilder.h"
#include "support/SampleCard.h"
#include "support/TempDir.h"
#include "support/qt/SkinTestSupport.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QKeySequence>
#include <QVBoxLayout>

namespace {

using Filter = VideoListControl::Filter;

// 3 Event and 9 Always, the Events at numbers 2, 6 and 10; day 20 and 21 alternate from number 7 on.
std::vector<std::unique_ptr<RecordingItem>> TwelveRecordings()
{
    std::vector<std::unique_ptr<RecordingItem>> list;
    for (int i = 0; i < 12; ++i) {
        const int type = (i == 1 || i == 5 || i == 9) ? Event : Always;
        const int day = i < 6 ? 20 : (i % 2 ? 20 : 21);
        list.push_back(MadeUpRecording(type, day, i, "rec" + std::to_string(i + 1)));
    }
    CFileLoader::RenumberRecordings(list);
    return list;
}

std::vector<QString> Column(const CSkinListCtrl* list, int column)
{
    std::vector<QString> texts;
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        texts.push_back(list->topLevelItem(row)->text(column));
    return texts;
}

// The row drawn in the played colour, -1 for none.
int PlayedRow(const CSkinListCtrl* list)
{
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        if (list->ColoursOfRow(row, false).background == QColor(49, 106, 197))
            return row;
    return -1;
}

struct ListFixture : ::testing::Test {
    BuiltSkin skin;
    PlaybackSession session;
    QWidget window;
    VideoListControl* pane = nullptr;

    void SetUp() override
    {
        window.resize(280, 406);
        pane = new VideoListControl(&window, session);
        pane->setGeometry(0, 0, 280, 406);
        ASSERT_TRUE(ShowAndWait(window));
    }
    void TearDown() override { session.Shutdown(); }

    void Open(std::vector<std::unique_ptr<RecordingItem>> list)
    {
        session.SetRecordings(std::move(list));
        PostAndSettle(session, VIDEO_FILES_OPENED);
    }
    void Play(int index)
    {
        session.currentIndex = index;
        PostAndSettle(session, NEW_VIDEO_PLAY, index);
    }
    std::vector<bool> Enabled() const
    {
        std::vector<bool> enabled;
        for (int f = 0; f < 4; ++f)
            enabled.push_back(pane->FilterButton(Filter(f))->isEnabled());
        return enabled;
    }
    std::vector<bool> Checked() const
    {
        std::vector<bool> checked;
        for (int f = 0; f < 4; ++f)
            checked.push_back(pane->FilterButton(Filter(f))->isChecked());
        return checked;
    }
};

}  // namespace

TEST_F(ListFixture, LayoutAndColumnsBeforeTheFirstList)
{
    EXPECT_EQ(pane->List()->geometry(), QRect(1, 35, 281, 368));
    EXPECT_EQ(VideoListControl::ColumnWidths(281), (std::vector<int>{34, 69, 57, 69}));
    for (int column = 0; column < 4; ++column)
        EXPECT_EQ(pane->List()->columnWidth(column), VideoListControl::ColumnWidths(281)[column]);
    EXPECT_EQ(pane->List()->headerItem()->text(0), QStringLiteral("Index"));
    EXPECT_EQ(pane->List()->headerItem()->text(3), QStringLiteral("Type"));
    EXPECT_EQ(pane->List()->Header()->sectionResizeMode(0), QHeaderView::Fixed);
    EXPECT_TRUE(pane->List()->Header()->sectionsMovable());
    const int xs[] = {85, 133, 181, 229};
    for (int f = 0; f < 4; ++f)
        EXPECT_EQ(pane->FilterButton(Filter(f))->geometry(), QRect(xs[f], 5, 43, 23));
    EXPECT_EQ(Enabled(), (std::vector<bool>{false, false, false, false}));
    EXPECT_EQ(pane->List()->m_currentNumber, 0);

    const QImage shot = Shot(*pane);
    EXPECT_EQ(shot.pixelColor(140, 380), QColor(51, 51, 51)) << "the empty table's ground";

    // An empty table: a double-click and the filter menu do nothing.
    DeliveryLog log;
    LoggingListener listener("spy", log);
    session.AddListener(&listener);
    pane->OnNMDblclkVideolist(0);
    pane->OnMenuCommand(VideoListControl::kMenuEvent);
    EXPECT_EQ(pane->ActiveFilter(), VideoListControl::All);
    PostAndSettle(session, VIDEO_PAUSE);
    EXPECT_EQ(log.Snapshot().size(), 1u) << "only the pause";
    session.RemoveListener(&listener);
}

TEST_F(ListFixture, ANewListShowsEveryRecordingAndEnablesTheKindsItHolds)
{
    session.filter = 1;  // left from an earlier list: the table still shows all
    Open(TwelveRecordings());
    EXPECT_EQ(pane->List()->topLevelItemCount(), 12);
    EXPECT_EQ(Enabled(), (std::vector<bool>{true, true, true, false}));
    EXPECT_EQ(Checked(), (std::vector<bool>{true, false, false, false}));
    EXPECT_EQ(pane->List()->topLevelItem(1)->text(0), "2");
    EXPECT_EQ(pane->List()->topLevelItem(1)->text(1), "2012-08-20");
    EXPECT_EQ(pane->List()->topLevelItem(1)->text(2), "01:00:00");
    EXPECT_EQ(pane->List()->topLevelItem(1)->text(3), QStringLiteral("Event"));
    EXPECT_EQ(pane->CurrentRow(), 0) << "number 1 is row 0";
    EXPECT_EQ(pane->List()->m_currentNumber, 1);
    EXPECT_EQ(session.filter, 1);

    // With Event shown as well as the stale session filter, the played row is looked up in what shows.
    Play(5);
    EXPECT_EQ(pane->CurrentRow(), 5);
    EXPECT_EQ(PlayedRow(pane->List()), 5);
}

TEST_F(ListFixture, TheEventFilterHidesThePlayingAlwaysRecording)
{
    Open(TwelveRecordings());
    Play(2);  // number 3, Always
    QTest::mouseClick(pane->FilterButton(VideoListControl::EventOnly), Qt::LeftButton);
    EXPECT_EQ(session.filter, 1);
    EXPECT_EQ(Column(pane->List(), 0), (std::vector<QString>{"2", "6", "10"}));
    EXPECT_EQ(Checked(), (std::vector<bool>{false, true, false, false}));
    EXPECT_EQ(pane->CurrentRow(), -1);
    EXPECT_EQ(PlayedRow(pane->List()), -1);

    Play(9);  // number 10, an Event
    EXPECT_EQ(pane->CurrentRow(), 2);
    EXPECT_EQ(PlayedRow(pane->List()), 2);

    // The menu's filters: Parking is empty and does nothing; All re-enables and shows every row.
    pane->OnMenuCommand(VideoListControl::kMenuParking);
    EXPECT_EQ(pane->ActiveFilter(), VideoListControl::EventOnly);
    pane->OnMenuCommand(VideoListControl::kMenuAlways);
    EXPECT_EQ(pane->List()->topLevelItemCount(), 9);
    pane->OnMenuCommand(VideoListControl::kMenuAll);
    EXPECT_EQ(pane->List()->topLevelItemCount(), 12);
    EXPECT_EQ(session.filter, 0);
    EXPECT_EQ(pane->CurrentRow(), 9);
}

TEST_F(ListFixture, HeaderClicksSortTheSessionKeepTheFilterAndThePlayedRecording)
{
    Open(TwelveRecordings());
    pane->FilterBy(VideoListControl::EventOnly);
    Play(9);  // rec10, an Event of day 20 at 09:00
    const std::vector<QString> before = Column(pane->List(), 0);

    // "Index" changes nothing.
    QTest::mouseClick(pane->List()->Header()->viewport(), Qt::LeftButton, {},
                      QPoint(pane->List()->Header()->sectionPosition(0) + 5, 5));
    EXPECT_EQ(Column(pane->List(), 0), before);

    // "Date": the session sorts by the date text, renumbers, and the Event filter stays.
    QTest::mouseClick(pane->List()->Header()->viewport(), Qt::LeftButton, {},
                      QPoint(pane->List()->Header()->sectionPosition(1) + 5, 5));
    std::vector<std::string> names;
    for (RecordingItem* item : session.GetRecordings())
        names.push_back(item->fileName);
    EXPECT_EQ(names, (std::vector<std::string>{"rec1", "rec2", "rec3", "rec4", "rec5", "rec6", "rec8", "rec10",
                                               "rec12", "rec7", "rec9", "rec11"}));
    EXPECT_EQ(Column(pane->List(), 0), (std::vector<QString>{"2", "6", "8"}));
    EXPECT_EQ(Checked(), (std::vector<bool>{false, true, false, false}));
    // rec10 is now number 8 and still the one played and highlighted.
    EXPECT_EQ(session.GetCurrentRecording()->fileName, "rec10");
    EXPECT_EQ(pane->CurrentNumber(), 8);
    EXPECT_EQ(pane->CurrentRow(), 2);
    EXPECT_EQ(PlayedRow(pane->List()), 2);
}

TEST_F(ListFixture, DoubleClickPlaysTheRecordingOfItsNumber)
{
    Open(TwelveRecordings());
    DeliveryLog log;
    LoggingListener listener("spy", log);
    // The main window's part: the selected index becomes current.
    listener.onUpdate = [this](int32_t message, MessageParam* param) {
        if (message == VIDEO_INDEX_SELECT)
            session.SetCurrentIndex(param->index);
    };
    session.AddListener(&listener);

    const QRect row4 = pane->List()->visualItemRect(pane->List()->topLevelItem(4));
    WindowMouse::DoubleClick(pane->List()->viewport(), row4.center());
    ASSERT_TRUE(log.WaitForCount(3));
    using E = DeliveryLog::Entry;
    EXPECT_EQ(log.Snapshot(), (std::vector<E>{{"spy", VIDEO_INDEX_SELECT, 4}, {"spy", VIDEO_MEDIA_LOAD, 0},
                                              {"spy", NEW_VIDEO_PLAY, 0}}));
    PostAndSettle(session, VIDEO_PAUSE);  // the pane's own change on NEW_VIDEO_PLAY has run
    EXPECT_EQ(pane->CurrentNumber(), 5);
    EXPECT_EQ(pane->CurrentRow(), 4);

    // Empty space below the rows posts nothing.
    pane->FilterBy(VideoListControl::EventOnly);
    WindowMouse::DoubleClick(pane->List()->viewport(), {40, pane->List()->viewport()->height() - 10});
    PostAndSettle(session, VIDEO_PAUSE);
    EXPECT_EQ(log.Snapshot().size(), 5u) << "only the two pauses more";
    session.RemoveListener(&listener);
}

TEST_F(ListFixture, FileNotFoundEmptiesTheTableAndTheSession)
{
    Open(TwelveRecordings());
    Play(3);
    PostAndSettle(session, VIDEO_FILE_NOT_FOUND);
    EXPECT_EQ(pane->List()->topLevelItemCount(), 0);
    EXPECT_EQ(pane->CurrentNumber(), -1);
    EXPECT_EQ(pane->List()->m_currentNumber, -1);
    EXPECT_TRUE(session.GetRecordings().empty());
    pane->OnMenuCommand(VideoListControl::kMenuEvent);
    EXPECT_EQ(pane->List()->topLevelItemCount(), 0);
}

TEST_F(ListFixture, ShortcutsFromTheTableReachTheWindowAndOtherKeysAreSwallowed)
{
    // The window's shortcuts, as the main window makes them from table 262.
    std::vector<int> commands;
    for (const Accelerator& accelerator : LoadAcceleratorTable()) {
        auto* action = new QAction(&window);
        action->setShortcut(QKeySequence(QString::fromStdString(accelerator.keys)));
        action->setShortcutContext(Qt::WindowShortcut);
        const int command = accelerator.command;
        QObject::connect(action, &QAction::triggered, [&commands, command] { commands.push_back(command); });
        window.addAction(action);
    }
    Open(TwelveRecordings());
    pane->List()->setFocus();
    pane->List()->setCurrentItem(pane->List()->topLevelItem(3));
    QTest::keyClick(pane->List(), Qt::Key_Space);
    QTest::keyClick(pane->List(), Qt::Key_Down);
    QTest::keyClick(pane->List(), Qt::Key_PageDown);
    QTest::keyClick(pane->List(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(commands, (std::vector<int>{40038, 40043, 40037, 40051}));
    // No arrow navigation, no type-ahead, and nothing reaches the window's own key handling.
    QTest::keyClick(pane->List(), Qt::Key_1);
    QTest::keyClick(pane->List(), Qt::Key_Home);
    EXPECT_EQ(pane->List()->currentItem(), pane->List()->topLevelItem(3));
    EXPECT_EQ(commands.size(), 4u);
}

TEST(VideoListControlLook, AnUnreadableRecordingIsListedWithWhyAndIsNeverPlayed)
{
    // A card on which an empty file and a file that is no recording sit between real ones.
    TempDir card;
    WriteFileBytes(card / "REC_20120820_100000_F.avi", "");
    WriteFileBytes(card / "EVT_20120820_110000_F.avi", riff::ValidRecording());
    WriteFileBytes(card / "EVT_20120820_120000_F.avi", std::string(40000, 'x'));
    WriteFileBytes(card / "REC_20120820_130000_F.avi", riff::ValidRecording());
    RecordingReporter quiet;
    const RecordingList scanned = CFileLoader().ScanRecordings({card.path().string()}, {});
    ASSERT_EQ(scanned.size(), 4u);

    const struct {
        Language language;
        const char* suffix;
        QString label, emptyReason, notAviReason;
    } looks[] = {
        {Language::English, "en", "Unreadable", "\u2514 The file is empty.", "\u2514 Not an AVI recording."},
        {Language::Korean, "ko", "읽을 수 없음", "\u2514 빈 파일입니다.", "\u2514 AVI 녹화 파일이 아닙니다."},
    };
    for (const auto& look : looks) {
        SetCurrentLanguage(look.language);
        BuiltSkin skin;
        PlaybackSession session;
        QWidget window;
        window.resize(280, 406);
        auto* pane = new VideoListControl(&window, session);
        pane->setGeometry(0, 0, 280, 406);
        RecordingList list;
        for (const auto& item : scanned)
            list.push_back(std::make_unique<RecordingItem>(*item));
        session.SetRecordings(std::move(list));
        PostAndSettle(session, VIDEO_FILES_OPENED);
        PostAndSettle(session, NEW_VIDEO_PLAY);
        ASSERT_TRUE(ShowAndWait(window));

        CSkinListCtrl* table = pane->List();
        ASSERT_EQ(table->topLevelItemCount(), 4);
        EXPECT_EQ(Column(table, 3)[0], look.label);
        EXPECT_EQ(Column(table, 3)[1], QString::fromStdString(GetRecordingTypeLabel(Event)));
        EXPECT_EQ(Column(table, 3)[2], look.label);
        // The reason is the line under the row, across the columns, in the warning colour.
        ASSERT_EQ(table->topLevelItem(0)->childCount(), 1);
        EXPECT_EQ(table->topLevelItem(0)->child(0)->text(0), look.emptyReason);
        EXPECT_EQ(table->topLevelItem(2)->child(0)->text(0), look.notAviReason);
        EXPECT_EQ(table->topLevelItem(1)->childCount(), 0);
        EXPECT_TRUE(table->topLevelItem(0)->isExpanded());
        const QModelIndex reason = table->model()->index(0, 0, table->model()->index(2, 0));
        EXPECT_EQ(table->ColoursOf(reason, false).text, QColor(240, 128, 112));
        EXPECT_EQ(table->ColoursOf(reason, false).background, table->ColoursOfRow(2, false).background);
        EXPECT_TRUE(table->topLevelItem(0)->toolTip(3).contains("REC_20120820_100000_F.avi"));
        // The first recording that can be played is the one played.
        EXPECT_EQ(session.currentIndex, 1);
        EXPECT_EQ(PlayedRow(table), 1);
        QTest::qWait(50);
        const QImage shot = Shot(window);
        shot.save(QStringLiteral(TESSARO_SCREENSHOT_DIR "/list-pane-unreadable-%1.png").arg(look.suffix));
        // The Event filter keeps the unreadable Event: it is an Event the user should know of.
        QTest::mouseClick(pane->FilterButton(VideoListControl::EventOnly), Qt::LeftButton);
        EXPECT_EQ(Column(table, 0), (std::vector<QString>{"2", "3"}));

        // A double-click on the row or on its reason plays nothing.
        pane->FilterBy(VideoListControl::All);
        DeliveryLog log;
        LoggingListener listener("spy", log);
        session.AddListener(&listener);
        WindowMouse::DoubleClick(table->viewport(), table->visualItemRect(table->topLevelItem(0)).center());
        WindowMouse::DoubleClick(table->viewport(), table->visualItemRect(table->topLevelItem(0)->child(0)).center());
        PostAndSettle(session, VIDEO_PAUSE);
        EXPECT_EQ(log.Snapshot().size(), 1u) << "only the pause";
        session.RemoveListener(&listener);
        // Nothing but unreadable recordings: listed, and none shown as playing.
        RecordingList unreadable;
        for (int i : {0, 2})
            unreadable.push_back(std::make_unique<RecordingItem>(*scanned[i]));
        session.SetRecordings(std::move(unreadable));
        PostAndSettle(session, VIDEO_FILES_OPENED);
        PostAndSettle(session, NEW_VIDEO_PLAY);
        EXPECT_EQ(table->topLevelItemCount(), 2);
        EXPECT_EQ(PlayedRow(table), -1);
        session.Shutdown();
    }
    SetCurrentLanguage(Language::English);
}

TEST(VideoListControlLook, ScreenshotsOfASampleCardInBothLanguages)
{
    TempDir card;
    const ProgramRun run = RunSampleCard({"card", card.path().string(), "--recordings", "16", "--seconds", "2"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    RecordingList scanned = CFileLoader().ScanRecordings({card.path().string()}, {});
    ASSERT_GE(scanned.size(), 16u);

    for (Language language : {Language::English, Language::Korean}) {
        SetCurrentLanguage(language);
        BuiltSkin skin;
        PlaybackSession session;
        QWidget window;
        window.resize(280, 406);
        auto* pane = new VideoListControl(&window, session);
        pane->setGeometry(0, 0, 280, 406);
        RecordingList list;
        for (const auto& item : scanned)
            list.push_back(std::make_unique<RecordingItem>(*item));
        session.SetRecordings(std::move(list));
        PostAndSettle(session, VIDEO_FILES_OPENED);
        ASSERT_TRUE(ShowAndWait(window));
        int eventCount = 0;
        for (const auto& item : scanned)
            eventCount += item->type == Event;
        ASSERT_GE(eventCount, 2) << "the sample card holds Event recordings";
        QTest::mouseClick(pane->FilterButton(VideoListControl::EventOnly), Qt::LeftButton);
        // Play the second Event and select the first.
        int played = -1;
        for (size_t i = 0, seen = 0; i < scanned.size(); ++i)
            if (scanned[i]->type == Event && ++seen == 2)
                played = int(i);
        session.currentIndex = played;
        PostAndSettle(session, NEW_VIDEO_PLAY, played);
        pane->List()->m_clicked = false;
        pane->List()->setCurrentItem(pane->List()->topLevelItem(0));
        QTest::qWait(50);
        const QImage shot = Shot(window);
        EXPECT_EQ(PlayedRow(pane->List()), 1);
        EXPECT_EQ(pane->List()->ColoursOfRow(0, true).background, QColor(255, 165, 0));
        const char* suffix = language == Language::Korean ? "ko" : "en";
        shot.save(QStringLiteral(TESSARO_SCREENSHOT_DIR "/list-pane-%1.png").arg(suffix));
        session.Shutdown();
    }
    SetCurrentLanguage(Language::English);
}
