// The map pane with the real web engine, in a real X window, following a fresh session fed with generated
// recordings. The tile service and the connectivity check are a loopback server (or a closed loopback
// port for an offline machine); nothing here reaches beyond this machine.
#include "map/MapTestSupport.h"

#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "recording/AVIFileLoader.h"
#include "support/LogCapture.h"
#include "playback/PlaybackTestSupport.h"
#include "support/SampleCard.h"
#include "support/TempDir.h"
#include "support/qt/SkinTestSupport.h"
#include "playback/CFirstChannelVideoPane.h"
#include "widgets/CButtonStyle.h"
#include "widgets/LoadText.h"
#include "widgets/SkinIds.h"

#include <QDesktopServices>
#include <QDir>
#include <QFontMetrics>
#include <QScreen>
#include <QLabel>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

namespace {

constexpr int kWaitMs = 15000;

// Registered after the pane: counts what has been delivered to everyone.
class DeliveryCount final : public IListener {
public:
    void update(int32_t message, MessageParam*) override
    {
        ++m_all;
        if (message == VIDEO_FRAME_POSITION_CHANGED)
            ++m_positions;
    }
    int All() const { return m_all; }
    int Positions() const { return m_positions; }

private:
    std::atomic<int> m_all{0};
    std::atomic<int> m_positions{0};
};

QString Fixed(double value)
{
    return QString::asprintf("%.6f", value);  // the C locale: QApplication leaves LC_NUMERIC to Qt
}

class MapPane : public ::testing::Test {
protected:
    MapPane()
    {
        std::filesystem::copy_file(TESSARO_MAP_PAGE, dir.path() / "map.htm");
        GoOffline();
        m_session.AddListener(&m_mainWindow);
        m_window.setWindowTitle("Main window");
        m_window.resize(1024, 768);
        m_window.move(0, 0);
    }
    ~MapPane() override
    {
        m_session.RemoveListener(&m_count);
        delete pane;
        m_session.Shutdown();
        qunsetenv("TESSARO_CONNECTIVITY_URL");
        qunsetenv("TESSARO_MAP_TILES");
    }

    void GoOffline() { qputenv("TESSARO_CONNECTIVITY_URL", ClosedLoopbackUrl().toUtf8()); }
    void GoOnline()
    {
        qputenv("TESSARO_CONNECTIVITY_URL", server.Url().toUtf8());
        qputenv("TESSARO_MAP_TILES", server.TilesTemplate().toUtf8());
    }

    // Makes the pane in the main window, as the main window does, and waits for its page and its first
    // connectivity answer.
    void MakePane()
    {
        pane = new GPSMapControl(&m_window, m_session);
        pane->setGeometry(GPSMapControl::DockedGeometry(m_window.size()));
        loads = std::make_unique<QSignalSpy>(pane->Browser(), SIGNAL(loadStarted()));
        m_session.AddListener(&m_count);
        pane->show();  // the main window may be showing already
        ASSERT_TRUE(ShowAndWait(m_window));
        ASSERT_TRUE(QTest::qWaitFor([&] { return pane->Page()->IsLoaded(); }, kWaitMs));
        Settle();
    }

    // Lets the pane's check and the page's work finish.
    void Settle(int ms = 300) { QTest::qWait(ms); }

    std::string Recording(const std::string& name, std::vector<std::string> args = {})
    {
        args.insert(args.end(), {"--channels", "1"});
        return MakeRecording(dir.path(), args, name);
    }

    // A new list with one recording, then its opening, as the main window and channel 1 post them.
    void Open(const std::string& path)
    {
        std::vector<std::unique_ptr<RecordingItem>> items;
        items.push_back(std::make_unique<RecordingItem>(DateTime::FromCalendar(2012, 8, 20, 15, 30, 12), Always, path,
                                                        std::filesystem::path(path).filename().string()));
        m_session.SetRecordings(std::move(items));
        Post(VIDEO_FILES_OPENED);
        auto select = std::make_unique<MessageParam>();
        m_session.Post(VIDEO_INDEX_SELECT, std::move(select));
        Post(VIDEO_OPENING);
        Post(VIDEO_METADATA_CREATED);
        ASSERT_TRUE(Deliver());
        Settle();
    }

    void Post(int32_t message) { m_session.Post(message, std::make_unique<MessageParam>()); }
    void PostPosition(float position)
    {
        auto param = std::make_unique<MessageParam>();
        param->position = position;
        m_session.Post(VIDEO_FRAME_POSITION_CHANGED, std::move(param));
    }

    // Waits until everything posted so far has been delivered and its widget changes have run.
    bool Deliver()
    {
        const int target = m_count.All() + 1;
        Post(VIDEO_PLAYING);  // nobody here acts on it: a marker at the end of the queue
        const bool delivered = QTest::qWaitFor([&] { return m_count.All() >= target; }, kWaitMs);
        QCoreApplication::processEvents();
        return delivered;
    }

    const RecordingItem& Current() { return *m_session.GetCurrentRecording(); }

    TempDir dir;
    ScopedCurrentPath cwd{dir.path()};
    BuiltSkin skin;
    LoopbackTileServer server;
    PlaybackSession m_session;
    MainWindowStandIn m_mainWindow{m_session};
    DeliveryCount m_count;
    QWidget m_window;
    GPSMapControl* pane = nullptr;
    std::unique_ptr<QSignalSpy> loads;
};

TEST_F(MapPane, OfflineStartShowsWhyAndLaysOutThePane)
{
    LogCapture log(dir.path());
    MakePane();
    EXPECT_EQ(log.Count("GPSMapControl", "OnInitDialog", "GPSMapControl Create"), 1);
    EXPECT_FALSE(pane->IsConnected());
    EXPECT_FALSE(pane->Browser()->isVisible());
    EXPECT_TRUE(pane->NoNetworkPicture()->isVisible());
    EXPECT_FALSE(pane->NoGpsPicture()->isVisible());
    EXPECT_FALSE(pane->PopupButton()->isEnabled());
    EXPECT_EQ(pane->NoNetworkPicture()->toolTip(), "Internet not connect");
    EXPECT_EQ(pane->NoGpsPicture()->toolTip(), "No GPS Data");
    EXPECT_EQ(pane->PopupButton()->toolTip(), "Popup map");
    EXPECT_EQ(pane->PopupButton()->text(), "Zoom in");
    EXPECT_EQ(pane->LatitudeValue()->text(), "-");
    EXPECT_EQ(pane->LongitudeValue()->text(), "-");

    const int w = pane->width(), h = pane->height();
    EXPECT_EQ(pane->geometry(), QRect(1024 - 285, 46, 280, 768 / 3 + 50));
    EXPECT_EQ(pane->Title()->geometry(), QRect(10, 11, 70, 20));
    EXPECT_EQ(pane->PopupButton()->geometry(), QRect(w - 40, 1, 33, 33));
    EXPECT_EQ(pane->Browser()->geometry(), QRect(2, 35, w - 4, h - 65));
    EXPECT_EQ(pane->NoNetworkPicture()->geometry(), QRect((w - 128) / 2, (h - 158) / 2, 128, 158));
    EXPECT_EQ(pane->LatitudeLabel()->y(), h - 23);

    // The skin's pictures are where they belong: the status picture and the header band.
    const QImage shot = Shot(*pane);
    EXPECT_EQ(shot.pixelColor(5, h - 5), QColor(51, 51, 51));
    EXPECT_NE(shot.pixelColor(100, 20), QColor(51, 51, 51));
    const QImage status = ResourceManager::GetInstance()->LoadPng(SkinId::kNoNetwork).toImage();
    const QPoint at = pane->NoNetworkPicture()->pos();
    EXPECT_EQ(shot.pixelColor(at + QPoint(64, 60)).rgb(), status.pixelColor(64, 60).rgb());
}

// No text is cut off in either language, with the widest values a position gives.
TEST_F(MapPane, CoordinateRowFitsItsTextsInBothLanguages)
{
    struct Case {
        Language language;
        const char* title;
        const char* latitude;
        const char* longitude;
    };
    for (const Case& c : {Case{Language::English, "Map", "Latitude :", "Longitude : "},
                          Case{Language::Korean, "지도", "위도 :", "경도 : "}}) {
        SetCurrentLanguage(c.language);
        GPSMapControl row(nullptr, m_session);
        row.resize(280, 306);
        EXPECT_EQ(row.Title()->text(), c.title);
        EXPECT_EQ(row.LatitudeLabel()->text(), c.latitude);
        EXPECT_EQ(row.LongitudeLabel()->text(), c.longitude);
        row.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&row));
        // The widest position, and a moment without a fix.
        for (const QString& value : {QStringLiteral("-127.123456"), LoadText(StringId::kNoGpsFix)}) {
            row.LatitudeValue()->setText(value);
            row.LongitudeValue()->setText(value);
            row.resize(280, 307);  // lays the row out with the new texts
            row.resize(280, 306);
            int previousRight = 0;
            for (QLabel* box : {row.LatitudeLabel(), row.LatitudeValue(), row.LongitudeLabel(), row.LongitudeValue()}) {
                SCOPED_TRACE(box->text().toStdString());
                EXPECT_GE(box->width(), QFontMetrics(box->font()).horizontalAdvance(box->text()));
                EXPECT_GE(box->x(), previousRight);
                previousRight = box->geometry().right();
            }
            EXPECT_LT(previousRight, 280);
        }
    }
    SetCurrentLanguage(Language::English);
}

TEST_F(MapPane, StatesFollowTheRecordingAndTheNetwork)
{
    GoOnline();
    MakePane();
    // No recording, online: the map at its default view, over the loopback tiles.
    ASSERT_TRUE(QTest::qWaitFor([&] { return pane->IsConnected(); }, kWaitMs));
    EXPECT_TRUE(pane->Browser()->isVisible());
    EXPECT_TRUE(pane->PopupButton()->isEnabled());
    EXPECT_FALSE(pane->NoNetworkPicture()->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.TileRequests() > 0; }, kWaitMs));
    EXPECT_GE(server.HeadRequests(), 1);

    // A recording without GPS data: its picture, texts "-", nothing to pop out.
    Open(Recording("REC_20120820_153012_F.avi", {"--no-gps"}));
    EXPECT_TRUE(Current().gpsSamples.empty());
    PostPosition(0.5f);
    ASSERT_TRUE(Deliver());
    EXPECT_TRUE(pane->NoGpsPicture()->isVisible());
    EXPECT_FALSE(pane->NoNetworkPicture()->isVisible());
    EXPECT_FALSE(pane->Browser()->isVisible());
    EXPECT_FALSE(pane->PopupButton()->isEnabled());
    EXPECT_EQ(pane->LatitudeValue()->text(), "-");

    // A recording with GPS data: its track, and the marker at the sample of each position.
    Open(Recording("REC_20120820_153512_F.avi", {"--seconds", "8"}));
    const RecordingItem& item = Current();
    ASSERT_FALSE(item.gpsSamples.empty());
    EXPECT_TRUE(pane->Browser()->isVisible());
    EXPECT_FALSE(pane->NoGpsPicture()->isVisible());
    EXPECT_TRUE(pane->PopupButton()->isEnabled());
    EXPECT_EQ(Evaluate(*pane, "document.querySelectorAll('path[stroke=\"#ff8c00\"]').length").toInt(), 1);
    EXPECT_FALSE(MarkerPosition(*pane));
    for (float position : {0.0f, 0.5f, 1.0f}) {
        SCOPED_TRACE(position);
        PostPosition(position);
        ASSERT_TRUE(Deliver());
        const auto sample = GetGpsSampleAt(item, position * item.duration);
        const auto marker = MarkerPosition(*pane);
        ASSERT_EQ(marker.has_value(), sample.has_value());
        if (sample) {
            EXPECT_EQ(pane->LatitudeValue()->text(), Fixed(sample->latitude));
            EXPECT_EQ(pane->LongitudeValue()->text(), Fixed(sample->longitude));
            EXPECT_EQ(*marker, std::pair(sample->latitude, sample->longitude));
        }
    }
    // A second without a fix hides the marker and says so under the map, in place of the last fix; the
    // next fix brings both back. (An 8 s recording has two seconds without a fix, not the first.)
    const auto noFix = std::find_if(item.gpsSamples.begin(), item.gpsSamples.end(),
                                    [](const GpsSample& s) { return !s.valid; });
    ASSERT_NE(noFix, item.gpsSamples.end());
    const auto fixAgain = std::find_if(noFix, item.gpsSamples.end(), [](const GpsSample& s) { return s.valid; });
    ASSERT_NE(fixAgain, item.gpsSamples.end());
    const auto at = [&](auto sample) {
        return static_cast<float>(sample - item.gpsSamples.begin() + 0.5) / static_cast<float>(item.duration);
    };
    PostPosition(at(noFix - 1));
    ASSERT_TRUE(Deliver());
    ASSERT_TRUE(MarkerPosition(*pane));
    PostPosition(at(noFix));
    ASSERT_TRUE(Deliver());
    EXPECT_FALSE(MarkerPosition(*pane));
    EXPECT_EQ(pane->LatitudeValue()->text(), "No fix");
    EXPECT_EQ(pane->LongitudeValue()->text(), "No fix");
    PostPosition(at(fixAgain));
    ASSERT_TRUE(Deliver());
    EXPECT_EQ(pane->LatitudeValue()->text(), Fixed(fixAgain->latitude));
    EXPECT_EQ(pane->LongitudeValue()->text(), Fixed(fixAgain->longitude));
    EXPECT_EQ(MarkerPosition(*pane), std::pair(fixAgain->latitude, fixAgain->longitude));

    Post(VIDEO_END_REACHED);
    ASSERT_TRUE(Deliver());
    EXPECT_EQ(pane->LatitudeValue()->text(), "-");
    EXPECT_EQ(pane->LongitudeValue()->text(), "-");

    // Offline now: the track stays on a plain background with the note; no tiles are asked for.
    GoOffline();
    Open(Recording("REC_20120820_153512_F.avi", {"--seconds", "8"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pane->IsConnected(); }, kWaitMs));
    Settle();
    EXPECT_TRUE(pane->Browser()->isVisible());
    EXPECT_EQ(Evaluate(*pane, "document.querySelectorAll('.leaflet-tile').length").toInt(), 0);
    EXPECT_EQ(Evaluate(*pane, "document.querySelector('.offline-note').textContent").toString(),
              "Internet not connect");
    EXPECT_EQ(Evaluate(*pane, "document.querySelectorAll('path[stroke=\"#ff8c00\"]').length").toInt(), 1);
    PostPosition(0.0f);
    ASSERT_TRUE(Deliver());
    EXPECT_TRUE(MarkerPosition(*pane));

    // Stopped: nothing plays, the offline picture again.
    Post(VIDEO_STOP);
    ASSERT_TRUE(Deliver());
    Settle();
    EXPECT_EQ(pane->LatitudeValue()->text(), "-");
    EXPECT_TRUE(pane->NoNetworkPicture()->isVisible());
    EXPECT_FALSE(pane->Browser()->isVisible());

    // The page was loaded once through all of this.
    EXPECT_EQ(loads->count(), 1);
}

// The dispatch thread never waits for the user-interface thread: with that thread busy, positions
// still reach every later listener, and once it is free the marker shows the last one.
TEST_F(MapPane, PositionsFlowWhileTheInterfaceIsBusy)
{
    MakePane();
    Open(Recording("REC_20120820_153012_F.avi", {"--seconds", "10"}));
    const RecordingItem& item = Current();
    const int before = m_count.Positions();
    for (int i = 0; i < 100; ++i)
        PostPosition(static_cast<float>(i) / 100.0f);
    // Busy: no events are processed on this thread while the 100 positions go through.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (m_count.Positions() < before + 100 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(m_count.Positions(), before + 100);

    ASSERT_TRUE(Deliver());
    const auto last = GetGpsSampleAt(item, 0.99 * item.duration);
    const auto marker = MarkerPosition(*pane);
    ASSERT_EQ(marker.has_value(), last.has_value());
    if (last) {
        EXPECT_EQ(pane->LatitudeValue()->text(), Fixed(last->latitude));
        EXPECT_EQ(*marker, std::pair(last->latitude, last->longitude));
    }
}

TEST_F(MapPane, PopsOutAndDocksKeepingItsPage)
{
    MakePane();
    Open(Recording("REC_20120820_153012_F.avi", {"--seconds", "6"}));
    PostPosition(0.1f);
    ASSERT_TRUE(Deliver());
    const auto marker = MarkerPosition(*pane);

    GPSMapControl* placeholder = pane->Placeholder();
    ASSERT_NE(placeholder, nullptr);
    EXPECT_FALSE(placeholder->IsLive());
    EXPECT_TRUE(std::none_of(placeholder->children().begin(), placeholder->children().end(), [](QObject* child) { return child->inherits("QWebEngineView"); }));
    EXPECT_FALSE(placeholder->isVisible());

    LogCapture log(dir.path());
    const QPoint origin = pane->mapToGlobal(QPoint(0, 0));
    QTest::mouseClick(pane->PopupButton(), Qt::LeftButton);
    EXPECT_EQ(log.Count("GPSMapControl", "OnBnClickedPopup", "Popup Click"), 1);
    EXPECT_EQ(log.Count("GPSMapControl", "OnBnClickedPopup", "Popup end"), 1);
    ASSERT_TRUE(pane->IsFloating());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(pane));
    EXPECT_TRUE(pane->isWindow());
    EXPECT_TRUE(pane->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(pane->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(pane->geometry(), QRect(origin + QPoint(10, 10), QSize(300, 400)));
    EXPECT_EQ(pane->minimumSize(), QSize(300, 400));
    EXPECT_EQ(pane->PopupButton()->text(), "Zoom out");
    EXPECT_TRUE(placeholder->isVisible());
    EXPECT_EQ(placeholder->geometry(), GPSMapControl::DockedGeometry(m_window.size()));
    EXPECT_FALSE(placeholder->PopupButton()->isEnabled());

    // The stand-in does not listen: positions change the floating pane only.
    PostPosition(0.6f);
    ASSERT_TRUE(Deliver());
    EXPECT_EQ(placeholder->LatitudeValue()->text(), "-");
    EXPECT_NE(pane->LatitudeValue()->text(), "-");

    // Shortcuts of the program still reach the main window; other keys reach nobody.
    QSignalSpy commands(pane, &GPSMapControl::Command);
    QWidget* keys = pane->Browser()->focusProxy() ? pane->Browser()->focusProxy() : pane->Browser();
    QTest::keyClick(keys, Qt::Key_M, Qt::ControlModifier);
    QTest::keyClick(keys, Qt::Key_A);
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands.at(0).at(0).toInt(), GPSMapControl::kPopupCommand);

    // Without a window manager the pane is dragged and resized by hand, never below its minimum.
    const QPoint before = pane->pos();
    WindowMouse::Press(pane, {150, 20});
    const QPoint grabbedAt = pane->mapToGlobal(QPoint(170, 50));
    WindowMouse::Move(pane, {170, 50});
    WindowMouse::Release(pane, pane->mapFromGlobal(grabbedAt));  // the mouse stays put
    EXPECT_EQ(pane->pos(), before + QPoint(20, 30));
    WindowMouse::Press(pane, {295, 395});
    WindowMouse::Move(pane, {345, 455});
    WindowMouse::Release(pane, {345, 455});
    EXPECT_EQ(pane->size(), QSize(350, 460));
    // The right edge beside the header (the browser covers it lower down).
    WindowMouse::Press(pane, {345, 20});
    WindowMouse::Move(pane, {100, 20});
    WindowMouse::Release(pane, {100, 20});
    EXPECT_EQ(pane->size(), QSize(300, 460));

    // Docked again at the main window's size of now.
    m_window.resize(1200, 900);
    QCoreApplication::processEvents();
    QTest::mouseClick(pane->PopupButton(), Qt::LeftButton);
    EXPECT_FALSE(pane->IsFloating());
    EXPECT_FALSE(pane->isWindow());
    EXPECT_EQ(pane->parentWidget(), &m_window);
    EXPECT_EQ(pane->geometry(), QRect(1200 - 285, 46, 280, 900 / 3 + 50));
    EXPECT_FALSE(placeholder->isVisible());
    EXPECT_EQ(pane->PopupButton()->text(), "Zoom in");
    Settle();
    EXPECT_EQ(loads->count(), 1);
    EXPECT_TRUE(pane->Page()->IsLoaded());
    EXPECT_TRUE(MarkerPosition(*pane) || !marker);
}

// Catches the addresses the program hands to the desktop's browser.
class DesktopBrowser : public QObject {
    Q_OBJECT
public:
    DesktopBrowser() { QDesktopServices::setUrlHandler("http", this, "Open"); }
    ~DesktopBrowser() override { QDesktopServices::unsetUrlHandler("http"); }
    QList<QUrl> opened;

public slots:
    void Open(const QUrl& url) { opened << url; }
};

// Links leave for the desktop's browser; the page stays.
TEST_F(MapPane, TheBrowserStaysOnItsPage)
{
    MakePane();
    DesktopBrowser desktop;
    const QUrl page = pane->Browser()->property("url").toUrl();
    const QString elsewhere = server.Url() + "elsewhere";
    Evaluate(*pane, QStringLiteral("location.href = '%1'; 1").arg(elsewhere));
    Evaluate(*pane, QStringLiteral("window.open('%1x'); 1").arg(elsewhere));
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.opened.size() == 2; }, kWaitMs));
    EXPECT_EQ(desktop.opened.value(0), QUrl(elsewhere));
    EXPECT_EQ(desktop.opened.value(1), QUrl(elsewhere + "x"));
    EXPECT_EQ(pane->Browser()->property("url").toUrl(), page);
    EXPECT_EQ(pane->Browser()->contextMenuPolicy(), Qt::NoContextMenu);
    EXPECT_FALSE(pane->Browser()->acceptDrops());
}

// Without its page the pane logs once and goes on; positions still set the texts.
TEST_F(MapPane, MissingPageLeavesTheMapBlank)
{
    std::filesystem::remove(dir.path() / "map.htm");
    LogCapture log(dir.path());
    GoOnline();
    pane = new GPSMapControl(&m_window, m_session);
    pane->setGeometry(GPSMapControl::DockedGeometry(m_window.size()));
    m_session.AddListener(&m_count);
    ASSERT_TRUE(ShowAndWait(m_window));
    Settle();
    const auto lines = log.Lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.find("map page missing") != std::string::npos; }),
              1);
    Open(Recording("REC_20120820_153012_F.avi"));
    PostPosition(0.0f);
    ASSERT_TRUE(Deliver());
    EXPECT_EQ(pane->LatitudeValue()->text(), Fixed(Current().gpsSamples.front().latitude));
    EXPECT_FALSE(pane->Page()->IsLoaded());
}

// What the screen shows of a widget (the web engine draws outside the widget's own painting).
QImage ScreenShot(QWidget& widget)
{
    QCoreApplication::processEvents();
    const QRect area(widget.mapToGlobal(QPoint(0, 0)), widget.size());
    return widget.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
}

void Save(const QImage& image, const QString& name)
{
    QDir().mkpath(TESSARO_MAP_SCREENSHOTS);
    EXPECT_TRUE(image.save(QStringLiteral(TESSARO_MAP_SCREENSHOTS "/%1.png").arg(name)));
}

// A pane whose browser starts later (as the main window makes it, to keep the web engine's start off the
// first picture's way) shows its texts and pictures meanwhile; the page made later draws the track and
// the marker it was told before it existed.
TEST_F(MapPane, ABrowserStartedLaterShowsWhatThePaneWasToldBefore)
{
    pane = new GPSMapControl(&m_window, m_session, GPSMapControl::BrowserStart::Later);
    pane->setGeometry(GPSMapControl::DockedGeometry(m_window.size()));
    m_session.AddListener(&m_count);
    ASSERT_TRUE(ShowAndWait(m_window));
    EXPECT_EQ(pane->Browser(), nullptr);
    Open(Recording("REC_20120820_153012_F.avi", {"--seconds", "20"}));
    PostPosition(0.25f);
    ASSERT_TRUE(Deliver());
    EXPECT_EQ(pane->Browser(), nullptr);
    const std::optional<GpsSample> there = GetGpsSampleAt(Current(), 0.25 * Current().duration);
    ASSERT_TRUE(there.has_value());
    EXPECT_EQ(pane->LatitudeValue()->text(), Fixed(there->latitude));

    pane->StartBrowser();
    QWidget* browser = pane->Browser();
    ASSERT_NE(browser, nullptr);
    pane->StartBrowser();  // a second call keeps the browser
    EXPECT_EQ(pane->Browser(), browser);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pane->Page()->IsLoaded(); }, kWaitMs));
    EXPECT_TRUE(browser->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return TrackPixels(ScreenShot(*pane)) > 200; }, kWaitMs));
}

// Screenshots to look at, in both languages: offline with the track and the marker, 5 s later,
// floating, and a recording without GPS data. A blank map fails: the track must be drawn.
TEST_F(MapPane, Screenshots)
{
    const std::string withGps = Recording("REC_20120820_153012_F.avi", {"--seconds", "20"});
    const std::string withoutGps = Recording("REC_20120820_154012_F.avi", {"--no-gps"});
    for (const auto& [language, name] : {std::pair{Language::English, "en"}, std::pair{Language::Korean, "ko"}}) {
        SCOPED_TRACE(name);
        SetCurrentLanguage(language);
        delete pane;
        m_session.RemoveListener(&m_count);
        MakePane();
        Open(withGps);
        PostPosition(0.25f);
        ASSERT_TRUE(Deliver());
        Settle(800);
        const QImage docked = ScreenShot(*pane);
        Save(docked, QStringLiteral("%1-docked-offline").arg(name));
        EXPECT_GT(TrackPixels(docked), 200);
        EXPECT_GT(TrackPixels(pane->MapPicture().toImage()), 200);

        PostPosition(0.5f);
        ASSERT_TRUE(Deliver());
        Settle(800);
        Save(ScreenShot(*pane), QStringLiteral("%1-docked-5s-later").arg(name));

        pane->OnBnClickedPopup();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(pane));
        Settle(800);
        const QImage floating = ScreenShot(*pane);
        Save(floating, QStringLiteral("%1-floating").arg(name));
        EXPECT_GT(TrackPixels(floating), 200);
        Save(ScreenShot(m_window), QStringLiteral("%1-main-window-while-floating").arg(name));
        pane->OnBnClickedPopup();

        Open(withoutGps);
        Settle(500);
        Save(ScreenShot(*pane), QStringLiteral("%1-no-gps").arg(name));
        EXPECT_TRUE(pane->NoGpsPicture()->isVisible());
    }
    SetCurrentLanguage(Language::English);
}

// The real channel-1 pane plays a recording; the marker follows the position it reports.
TEST_F(MapPane, MarkerKeepsStepWithPlayback)
{
    VlcFunctionExecutor::SetExtraEngineOptions({"--gl=none", "--gles2=none"});
    auto* player = new CFirstChannelVideoPane(&m_window, m_session, *VlcFunctionExecutor::Instance());
    player->setGeometry(0, 0, 640, 360);
    MakePane();
    std::vector<std::unique_ptr<RecordingItem>> items;
    const std::string path = Recording("REC_20120820_153012_F.avi", {"--seconds", "20"});
    items.push_back(std::make_unique<RecordingItem>(DateTime::FromCalendar(2012, 8, 20, 15, 30, 12), Always, path,
                                                    "REC_20120820_153012_F.avi"));
    m_session.SetRecordings(std::move(items));
    Post(VIDEO_FILES_OPENED);
    m_session.Post(VIDEO_INDEX_SELECT, std::make_unique<MessageParam>());
    Post(VIDEO_MEDIA_LOAD);
    Post(NEW_VIDEO_PLAY);

    for (float at : {0.2f, 0.5f, 0.8f}) {
        SCOPED_TRACE(at);
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_session.position >= at; }, 30000));
        const RecordingItem& item = Current();
        const auto marker = MarkerPosition(*pane);
        const double seconds = m_session.position * item.duration;
        // Within one sample of the one for the position of now (the page answers a moment later).
        bool matched = false;
        for (double t : {seconds - 1.0, seconds, seconds + 1.0}) {
            const auto sample = GetGpsSampleAt(item, t);
            matched = matched || (marker ? sample && *marker == std::pair(sample->latitude, sample->longitude)
                                         : !sample);
        }
        EXPECT_TRUE(matched) << "at " << seconds << " s";
    }
    m_session.RemoveListener(&m_count);
    delete pane;
    pane = nullptr;
    delete player;
    VlcFunctionExecutor::SetExtraEngineOptions({});
}

}  // namespace

#include "MapPaneTest.moc"
