#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "ui/open/CLoadingDlg.h"
#include "ui/open/CSelDialog.h"
#include "ui/open/OpenRules.h"
#include "ui/open/RecordingOpener.h"
#include "ui/open/ScanJob.h"
#include "widgets/MessageBoxReporter.h"
#include "widgets/MessageBoxes.h"

#include "support/RiffBuilder.h"
#include "UiTestSupport.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"
#include "support/qt/SkinTestSupport.h"

#include "widgets/QtTranslations.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QScreen>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

namespace fs = std::filesystem;

namespace {

// A repair that waits inside Recover until released, then writes a readable recording in place.
class LatchedRepair final : public IRecordingRepair {
public:
    Result Recover(const std::string& path, std::string& repairedPath) override
    {
        std::unique_lock lock(m_mutex);
        m_inside = true;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_open; });
        WriteFileBytes(path, riff::ValidRecording());
        repairedPath = path;
        ++repaired;
        return Result::Success();
    }
    bool IsInside()
    {
        std::lock_guard lock(m_mutex);
        return m_inside;
    }
    void Open()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    std::atomic<int> repaired{0};

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_inside = false;
    bool m_open = false;
};

// Three recordings; the second in name order lost its index.
void MakeCard(const fs::path& dir)
{
    WriteFileBytes(dir / "EVT_20120820_100000_F.avi", riff::ValidRecording());
    WriteFileBytes(dir / "REC_20120820_080000_F.avi", riff::PowerCutRecording());
    WriteFileBytes(dir / "REC_20120820_090000_F.avi", riff::ValidRecording());
}

std::vector<std::string> PathsOf(const RecordingList& list)
{
    std::vector<std::string> paths;
    for (const auto& item : list)
        paths.push_back(std::to_string(item->number) + " " + std::to_string(item->type) + " " + item->path);
    return paths;
}

// Tells whether a wait cursor is showing.
bool WaitCursorShown()
{
    return QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
}

struct OpenerFixture : ::testing::Test {
    PlaybackSession session;
    PendingRecordings pending{session};
    QWidget window;
    TempDir card;

    void SetUp() override
    {
        window.resize(640, 400);
        ASSERT_TRUE(ShowAndWait(window));
    }
    void TearDown() override { session.Shutdown(); }

    // The size of the list handed over, -1 when none.
    int HandedOverCount()
    {
        if (!pending.HasPending())
            return -1;
        pending.HandOver();
        return int(session.GetRecordings().size());
    }
};

}  // namespace

TEST(OpenRules, ClassifiesByTheFileSystemAndTheDropRule)
{
    TempDir dir;
    fs::create_directory(dir.path() / "DCIM");
    fs::create_directory(dir.path() / "card.d");
    WriteFileBytes(dir.path() / "REC_1.avi", "x");
    WriteFileBytes(dir.path() / "README", "x");
    WriteFileBytes(dir.path() / ".hidden", "x");
    fs::create_directory_symlink(dir.path() / "DCIM", dir.path() / "linked");
    fs::create_symlink(dir.path() / "REC_1.avi", dir.path() / "link.avi");
    struct Case {
        const char* name;
        bool dialogFolder, dropFolder;
    };
    const Case cases[] = {
        {"DCIM", true, true},           {"card.d", true, true},      {"REC_1.avi", false, false},
        {"README", false, true},        {".hidden", false, true},    {"linked", true, true},
        {"link.avi", false, false},     {"missing", false, true},    {"missing.avi", false, false},
        {"DCIM/", true, true},
    };
    for (const Case& c : cases) {
        const std::string path = dir / c.name;
        EXPECT_EQ(ClassifyPath(path, PathRules::Dialog), c.dialogFolder) << c.name;
        EXPECT_EQ(ClassifyPath(path, PathRules::Drop), c.dropFolder) << c.name;
    }
    // A dotted folder above does not make a dotless file name a file.
    fs::create_directory(dir.path() / "user.name");
    EXPECT_TRUE(ClassifyPath(dir / "user.name/README", PathRules::Drop));
    // Drop order is kept within each list.
    const OpenedPaths opened =
        SplitPaths({dir / "DCIM", dir / "REC_1.avi", "/", dir / "link.avi"}, PathRules::Drop);
    EXPECT_EQ(opened.folders, (std::vector<std::string>{dir / "DCIM", "/"}));
    EXPECT_EQ(opened.files, (std::vector<std::string>{dir / "REC_1.avi", dir / "link.avi"}));
}

TEST(OpenRules, SelectedPathsOfTheOpenDialog)
{
    struct Case {
        const char* what;
        std::string dir;
        std::vector<SelectedItem> selected;
        std::string nameBox;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"nothing selected opens the folder shown", "/card", {}, "", {"/card/"}},
        {"folders", "/card/", {{"EVENT", true}, {"NORMAL", true}}, "", {"/card/EVENT", "/card/NORMAL"}},
        {"one file", "/card", {{"a.avi", false}}, "a.avi", {"/card/a.avi"}},
        {"three quoted files, in order, without the spaces",
         "/card",
         {{"a.avi", false}, {"b c.avi", false}, {"d.avi", false}},
         "\"a.avi\" \"b c.avi\" \"d.avi\"",
         {"/card/a.avi", "/card/b c.avi", "/card/d.avi"}},
        {"a folder and files: the folder once",
         "/card",
         {{"EVENT", true}, {"a.avi", false}},
         "\"EVENT\" \"a.avi\"",
         {"/card/EVENT", "/card/a.avi"}},
        {"a colon is part of a name", "/mnt", {{"12:30.avi", false}}, "12:30.avi", {"/mnt/12:30.avi"}},
        {"files but an empty name box open nothing more", "/card", {{"a.avi", false}}, "", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SelectedPaths(c.dir, c.selected, c.nameBox), c.expected) << c.what;
}

TEST(OpenRules, APathTypedIntoTheOpenDialog)
{
    TempDir dir;
    const fs::path card = dir / "card";
    fs::create_directories(card / "EVENT");
    fs::create_directories(dir / "shown");
    WriteFileBytes(card / "REC_1.avi", "x");
    const std::string shown = dir / "shown";
    const std::string home = dir.path().string();
    using K = TypedPath::Kind;
    struct Case {
        const char* what;
        std::string typed;
        TypedPath expected;
    };
    const Case cases[] = {
        {"an absolute folder", card, {K::Folder, card, 0}},
        {"with a trailing slash", card.string() + "/", {K::Folder, card, 0}},
        {"with two", card.string() + "//", {K::Folder, card, 0}},
        {"from the home folder", "~/card/", {K::Folder, card, 0}},
        {"the home folder itself", "~", {K::Folder, home, 0}},
        {"an absolute file", card / "REC_1.avi", {K::File, card / "REC_1.avi", 0}},
        {"a name relative to the folder shown", "../card/EVENT", {K::Folder, card / "EVENT", 0}},
        {"a file relative to the folder shown", "../card/REC_1.avi", {K::File, card / "REC_1.avi", 0}},
        {"a missing path", card / "nope", {K::Missing, card / "nope", ENOENT}},
        {"below a file", card / "REC_1.avi/x", {K::Missing, card / "REC_1.avi/x", ENOTDIR}},
        {"nothing typed", "", {}},
        {"the selection's quoted names", "\"a.avi\" \"b.avi\"", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResolveTypedPath(shown, c.typed, home), c.expected) << c.what;
}

TEST(OpenRules, ADropKeepsItsLocalPathsOnly)
{
    TempDir dir;
    fs::create_directory(dir.path() / "DCIM");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(dir / "DCIM")), QUrl("https://example.org/a.avi"),
                  QUrl::fromLocalFile("/tmp/b.avi")});
    data.setText("some text");
    EXPECT_EQ(RecordingOpener::DroppedPaths(data),
              (QStringList{QString::fromStdString(dir / "DCIM"), QStringLiteral("/tmp/b.avi")}));

    PlaybackSession session;
    PendingRecordings pending(session);
    QWidget window;
    RecordingOpener opener(&window, session, pending);
    QMimeData textOnly;
    textOnly.setText("/tmp");
    QDropEvent refused(QPointF(5, 5), Qt::CopyAction, &textOnly, Qt::LeftButton, Qt::NoModifier);
    EXPECT_FALSE(opener.HandleDrop(&refused));
    EXPECT_FALSE(refused.isAccepted());
    EXPECT_FALSE(opener.IsScanning());

    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    RecordingReporter reporter;
    EXPECT_TRUE(opener.HandleDrop(&drop));
    EXPECT_TRUE(opener.IsScanning());
    ASSERT_TRUE(WaitUntil([&] { return !opener.IsScanning(); }));
    session.Shutdown();
}

TEST_F(OpenerFixture, TheScanJobListsWhatTheCoreScanLists)
{
    MakeCard(card.path());
    LatchedRepair repair;
    repair.Open();
    const RecordingList core = CFileLoader(&repair).ScanRecordings({card.path().string()}, {});
    ScanJob job({card.path().string()}, {}, &repair);
    ASSERT_TRUE(WaitUntil([&] { return job.IsFinished(); }));
    const RecordingList list = job.TakeResult();
    EXPECT_EQ(PathsOf(list), PathsOf(core));
    EXPECT_EQ(list.size(), 3u);
    EXPECT_EQ(job.Done(), 3u);
    EXPECT_EQ(job.Found(), 3u);
}

TEST_F(OpenerFixture, TheWindowKeepsRunningWhileARepairHoldsTheScan)
{
    for (Language language : {Language::English, Language::Korean}) {
        SetCurrentLanguage(language);
        TempDir dir;
        MakeCard(dir.path());
        LatchedRepair repair;
        RecordingOpener opener(&window, session, pending, &repair);
        int ticks = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(10);

        opener.OnDropFiles({QString::fromStdString(dir.path().string())});
        ASSERT_TRUE(WaitUntil([&] { return repair.IsInside(); }));
        ASSERT_TRUE(WaitUntil([&] { return opener.LoadingWindow() && opener.LoadingWindow()->isVisible(); }));
        const int ticksAtStart = ticks;
        QTest::qWait(400);
        EXPECT_GE(ticks - ticksAtStart, 20) << "the interface thread kept running";
        const QString expected = language == Language::Korean ? QStringLiteral("파일 3개 중 1개, 녹화 1개")
                                                              : QStringLiteral("1 of 3 files, 1 recordings");
        EXPECT_EQ(opener.LoadingWindow()->ProgressLabel()->text(), expected);
        EXPECT_EQ(opener.LoadingWindow()->ProgressBar()->value(), 1);
        EXPECT_TRUE(WaitCursorShown());
        EXPECT_EQ(opener.LoadingWindow()->windowModality(), Qt::WindowModal);
        const QRect centre = opener.LoadingWindow()->frameGeometry();
        EXPECT_LE((centre.center() - window.frameGeometry().center()).manhattanLength(), 40);
        // Opening again meanwhile is refused.
        opener.OnDropFiles({QString::fromStdString(dir.path().string())});
        EXPECT_EQ(repair.repaired, 0);
        const char* suffix = language == Language::Korean ? "ko" : "en";
        Shot(*opener.LoadingWindow()).save(QStringLiteral(TESSARO_SCREENSHOT_DIR "/loading-window-%1.png").arg(suffix));

        bool handedOver = false;
        QObject::connect(&opener, &RecordingOpener::ScanEnded, [&](bool handed) { handedOver = handed; });
        repair.Open();
        ASSERT_TRUE(WaitUntil([&] { return !opener.IsScanning(); }));
        EXPECT_TRUE(handedOver);
        EXPECT_EQ(HandedOverCount(), 3);
        EXPECT_FALSE(WaitCursorShown());
        EXPECT_TRUE(WaitUntil([&] { return !opener.LoadingWindow(); })) << "the loading window is gone";
    }
    SetCurrentLanguage(Language::English);
}

TEST_F(OpenerFixture, CancelAndCloseHandNothingOverAndRestoreTheCursor)
{
    for (bool closing : {false, true}) {
        TempDir dir;
        MakeCard(dir.path());
        LatchedRepair repair;
        auto opener = std::make_unique<RecordingOpener>(&window, session, pending, &repair);
        bool ended = false, handedOver = true;
        QObject::connect(opener.get(), &RecordingOpener::ScanEnded, [&](bool handed) {
            ended = true;
            handedOver = handed;
        });
        opener->OnDropFiles({QString::fromStdString(dir.path().string())});
        ASSERT_TRUE(WaitUntil([&] { return repair.IsInside(); }));
        // The repair under way finishes: released shortly from elsewhere, as a real one would end.
        std::thread release([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            repair.Open();
        });
        if (closing) {
            opener.reset();  // what closing the window does: cancel and wait
        } else {
            QTest::mouseClick(opener->LoadingWindow()->CancelButton(), Qt::LeftButton);
            ASSERT_TRUE(WaitUntil([&] { return ended; }));
        }
        release.join();
        EXPECT_FALSE(handedOver);
        EXPECT_EQ(HandedOverCount(), -1);
        EXPECT_EQ(repair.repaired, 1) << "the repair made stays made";
        EXPECT_EQ(riff::ValidRecording(), ReadFileBytes(dir.path() / "REC_20120820_080000_F.avi"));
        EXPECT_FALSE(WaitCursorShown());
    }
}

TEST_F(OpenerFixture, NothingUsableIsReportedAndNothingPosted)
{
    WriteFileBytes(card.path() / "notes.txt", "x");
    DeliveryLog log;
    LoggingListener listener("spy", log);
    session.AddListener(&listener);
    RecordingReporter reporter;
    RecordingOpener opener(&window, session, pending);
    opener.OnDropFiles({QString::fromStdString(card / "notes.txt")});
    ASSERT_TRUE(WaitUntil([&] { return !opener.IsScanning(); }));
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_EQ(reporter.messages[0].stringId, 299);
    PostAndSettle(session, VIDEO_PAUSE);
    EXPECT_EQ(log.Snapshot().size(), 1u) << "only the pause";
    session.RemoveListener(&listener);
}

TEST_F(OpenerFixture, TheOpenCommandPausesAsksAndRemembersTheFolder)
{
    MakeCard(card.path());
    LatchedRepair repair;
    repair.Open();
    DeliveryLog log;
    LoggingListener listener("spy", log);
    session.AddListener(&listener);
    RecordingOpener opener(&window, session, pending, &repair);
    std::vector<QString> askedAt;
    bool confirm = false;
    opener.askForPaths = [&](QWidget*, const QString& folder, QStringList& paths, QString& shown) {
        askedAt.push_back(folder);
        if (!confirm)
            return false;
        paths = {QString::fromStdString(card / "REC_20120820_080000_F.avi")};
        shown = QString::fromStdString(card.path().string());
        return true;
    };
    opener.OnBnClickedOpenVideoBtn();  // cancelled: playback stays paused, nothing else
    EXPECT_FALSE(opener.IsScanning());
    confirm = true;
    opener.OnBnClickedOpenVideoBtn();
    ASSERT_TRUE(WaitUntil([&] { return !opener.IsScanning(); }));
    EXPECT_EQ(HandedOverCount(), 1);
    opener.OnBnClickedOpenVideoBtn();
    ASSERT_TRUE(WaitUntil([&] { return !opener.IsScanning(); }));
    EXPECT_EQ(askedAt, (std::vector<QString>{"", "", QString::fromStdString(card.path().string())}));
    ASSERT_TRUE(log.WaitForCount(3 + 2 * 5));
    EXPECT_EQ(log.Snapshot()[0].message, VIDEO_PAUSE);
    EXPECT_EQ(log.Snapshot()[1].message, VIDEO_PAUSE);
    session.RemoveListener(&listener);

    // Command-line paths open as if dropped; a missing one is skipped, and told with the reason once the
    // window can show it.
    RecordingReporter reporter;
    opener.OpenCommandLine({QString::fromStdString(card / "missing.avi"), QString::fromStdString(card / "EVT_20120820_100000_F.avi")});
    EXPECT_TRUE(reporter.messages.empty()) << "not before the window shows";
    ASSERT_TRUE(WaitUntil([&] { return !opener.IsScanning(); }));
    EXPECT_EQ(HandedOverCount(), 1);
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_EQ(reporter.messages[0].text, card / "missing.avi" + " cannot be opened: The folder or the file does not exist.");
}

TEST(CSelDialogTest, ShowsItsTextsAndOpensTheShownFolderWhenNothingIsSelected)
{
    TempDir dir;
    QWidget window;
    window.move(200, 150);
    CSelDialog dialog(&window, QString::fromStdString(dir.path().string()));
    EXPECT_EQ(dialog.nameFilters(), QStringList{"avi Files (*.avi)"});
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(dialog.labelText(QFileDialog::FileName), "Selected Item :");
    EXPECT_EQ(dialog.labelText(QFileDialog::Accept), "OK");
    EXPECT_TRUE(dialog.findChild<QWidget*>("fileTypeCombo")->isHidden());
    EXPECT_EQ(dialog.pos(), window.geometry().topLeft() + QPoint(60, 100));
    dialog.show();
    QTest::qWait(20);
    auto* ok = dialog.findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Open);
    EXPECT_TRUE(ok->isEnabled());
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.SelectedPathList(), QStringList{QString::fromStdString(dir.path().string()) + "/"});
}

// What a user does with the keyboard alone: a path typed into the name box, then Enter, and Enter again.
TEST(CSelDialogTest, APathTypedWithTheKeyboardOpensWhatItNames)
{
    TempDir dir;
    const fs::path card = dir / "card";
    fs::create_directories(card / "EVENT");
    fs::create_directories(dir / "shown");
    WriteFileBytes(card / "REC_20120820_100000_F.avi", "x");
    struct Boxes final : IMessageBoxes {
        QMessageBox::StandardButton Show(QWidget*, const QString&, const QString& text,
                                         QMessageBox::StandardButtons) override
        {
            shown.push_back(text);
            return QMessageBox::Ok;
        }
        void OpenFolder(const QString&) override {}
        std::vector<QString> shown;
    } boxes;
    SetMessageBoxes(&boxes);
    const QString home = QDir::homePath();
    qputenv("HOME", QByteArray::fromStdString(dir.path().string()));

    const QString cardPath = QString::fromStdString(card.string());
    struct Case {
        const char* what;
        QString typed;
        int enters;         // Enter presses until the dialog closes
        QStringList opened;
    };
    const Case cases[] = {
        // The folder shown opens as it always has, with a trailing slash.
        {"an absolute folder: Enter goes there, Enter again opens it", cardPath, 2, {cardPath + "/"}},
        {"with a trailing slash", cardPath + "/", 2, {cardPath + "/"}},
        {"from the home folder", "~/card", 2, {cardPath + "/"}},
        {"a folder relative to the one shown", "../card", 2, {cardPath + "/"}},
        {"an absolute file opens at once", cardPath + "/REC_20120820_100000_F.avi", 1,
         {cardPath + "/REC_20120820_100000_F.avi"}},
    };
    QWidget window;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CSelDialog dialog(&window, QString::fromStdString(dir / "shown"));
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        auto* nameBox = dialog.findChild<QLineEdit*>("fileNameEdit");
        nameBox->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return nameBox->hasFocus(); }));
        QTest::keyClicks(nameBox, c.typed);
        int enters = 0;
        while (dialog.isVisible() && enters < 3) {
            QTest::qWait(50);
            // Where the keyboard's focus is now; the name box when the window has none yet.
            QWidget* focus = QApplication::focusWidget();
            QTest::keyClick(focus && focus->window() == &dialog ? focus : nameBox, Qt::Key_Return);
            ++enters;
        }
        EXPECT_EQ(enters, c.enters);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.SelectedPathList(), c.opened);
        if (c.enters == 2) {
            EXPECT_EQ(dialog.CurrentFolder(), cardPath);
        }
    }
    // A path that is not there is told with the system's words; the dialog stays for another try.
    CSelDialog dialog(&window, QString::fromStdString(dir / "shown"));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto* nameBox = dialog.findChild<QLineEdit*>("fileNameEdit");
    nameBox->setFocus();
    QTest::keyClicks(nameBox, cardPath + "/nope");
    QTest::keyClick(nameBox, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(boxes.shown, std::vector<QString>{cardPath + "/nope cannot be opened: The folder or the file does not exist."});
    qputenv("HOME", home.toUtf8());
    SetMessageBoxes(nullptr);
}

TEST(MessageBoxesTest, ABoxWithoutAnOwnerIsCentredOnTheMainWindow)
{
    // The main window at the screen's left, as at start-up: a box raised before any window is active
    // comes over it, not over the middle of the screen. Photographed in both languages.
    QWidget window;
    window.setGeometry(0, 0, 1065, 758);
    ASSERT_TRUE(ShowAndWait(window));
    SetMainWindowForMessageBoxes(&window);
    for (Language language : {Language::English, Language::Korean}) {
        SetCurrentLanguage(language);
        UseQtTranslations(language);  // the box's own buttons too
        const QString text = QString::fromStdString(
            FormatString(StringId::kFolderCannotBeRead, {"/media/card/DCIM", SystemErrorText(EACCES)}));
        QRect box;
        QTimer::singleShot(300, [&box, language] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* shown = qobject_cast<QMessageBox*>(top); shown && shown->isVisible()) {
                    box = shown->frameGeometry();
                    QApplication::primaryScreen()->grabWindow(0, 0, 0, 1065, 758).save(
                        QStringLiteral(TESSARO_SCREENSHOT_DIR "/message-box-%1.png")
                            .arg(language == Language::Korean ? "ko" : "en"));
                    shown->accept();
                }
        });
        GetMessageBoxes().Show(nullptr, QString(), text, QMessageBox::Ok);
        ASSERT_FALSE(box.isNull());
        EXPECT_LE((box.center() - window.frameGeometry().center()).manhattanLength(), 40)
            << box.center().x() << "," << box.center().y();
    }
    SetCurrentLanguage(Language::English);
    UseQtTranslations(Language::English);
    SetMainWindowForMessageBoxes(nullptr);
}

TEST(MessageBoxReporterTest, AWorkerQueuesTheBoxOnceAndReturnsAtOnce)
{
    struct Boxes final : IMessageBoxes {
        QMessageBox::StandardButton Show(QWidget* owner, const QString& caption, const QString& text,
                                         QMessageBox::StandardButtons buttons) override
        {
            shown.push_back(text);
            owners.push_back(owner);
            onUiThread = onUiThread && QThread::currentThread() == qApp->thread();
            EXPECT_TRUE(caption.isEmpty());
            EXPECT_EQ(buttons, QMessageBox::Ok);
            return QMessageBox::Ok;
        }
        void OpenFolder(const QString&) override {}
        std::vector<QString> shown;
        std::vector<QWidget*> owners;
        bool onUiThread = true;
    } boxes;
    // A passing window (as the loading window of a scan) is active: the box goes over its owner.
    QWidget window;
    QDialog passing(&window);
    ASSERT_TRUE(ShowAndWait(window));
    ASSERT_TRUE(ShowAndWait(passing));
    SetMessageBoxes(&boxes);
    {
        MessageBoxReporter reporter;
        std::thread worker([] {
            ReportText("Video File Not Found.");
            ReportText("Video File Not Found.");  // still waiting: not queued again
            ReportText("Not avi type file.");
        });
        worker.join();  // returned without the interface thread's help
        EXPECT_TRUE(boxes.shown.empty());
        QCoreApplication::processEvents();
        EXPECT_EQ(boxes.shown, (std::vector<QString>{"Video File Not Found.", "Not avi type file."}));
        EXPECT_TRUE(boxes.onUiThread);
        EXPECT_EQ(boxes.owners, (std::vector<QWidget*>{&window, &window}));
        ReportText("Video File Not Found.");  // gone from the screen: shown again
        EXPECT_EQ(boxes.shown.size(), 3u);
    }
    SetMessageBoxes(nullptr);
}
