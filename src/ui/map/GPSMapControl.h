#pragma once

// The map pane: where the vehicle was at the moment being played, on a map page in an embedded browser,
// with latitude and longitude as text beneath. It can float as an always-on-top window; an inert
// stand-in of the pane (no browser, not listening) then keeps its place in the main window.
//
// What shows: the page whenever there is something to draw on it (a recording with GPS data: its track
// and the marker, over tiles when the tile service answers and on a plain background otherwise; no
// recording while online: the map at a default view); otherwise a picture that says why (no network,
// no GPS data).
//
// Threads: update() runs on the session's dispatch thread, copies what it needs from the session and
// queues every widget and page change to the user-interface thread; it never waits for that thread.
// Positions share one pending slot, so however busy the user-interface thread is, the newest position
// is the one shown and the dispatch thread never piles up work for it.

#include "infra/StringIds.h"
#include "playback/SessionView.h"
#include "session/PlaybackSession.h"

#include <QKeySequence>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <atomic>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

class CButtonStyle;
class ConnectivityCheck;
class MapBrowser;
class QLabel;

class GPSMapControl : public QWidget, public IListener {
    Q_OBJECT
public:
    // Controls whose ids the program's behaviour names.
    static constexpr int kTemplateId = 232;
    static constexpr int kBrowserId = 1133;
    static constexpr int kLongitudeLabelId = 1131;
    static constexpr int kLatitudeLabelId = 1132;
    static constexpr int kLatitudeValueId = 1154;
    static constexpr int kLongitudeValueId = 1155;
    static constexpr int kPopupButtonId = 1177;
    static constexpr int kNoGpsPictureId = 32784;
    static constexpr int kNoNetworkPictureId = 32785;
    static constexpr int kTitleId = 32786;
    // The main window's command that toggles the floating map (Ctrl+M).
    static constexpr int kPopupCommand = 40047;

    static constexpr QSize kFloatingSize{300, 400};
    static constexpr int kResizeBand = 10;

    // When the embedded browser is made. Making it holds the user-interface thread for about half a
    // second (the web engine starts), so a program that wants its first picture sooner asks for Later
    // and calls StartBrowser() once it can spare the time; until then the pane shows its pictures and
    // texts, and what the page should show is kept and sent once it exists.
    enum class BrowserStart { Now, Later };

    // parent is the main window. The pane listens to session from here on; it loads its page once it
    // is first shown (and its browser exists).
    GPSMapControl(QWidget* parent, PlaybackSession& session, BrowserStart start = BrowserStart::Now);
    ~GPSMapControl() override;

    void update(int32_t message, MessageParam* param) override;

    // Moves the marker to the sample, when the page shows. User-interface thread.
    void SendPositionToPage(const GpsSample& sample);
    // Pops the pane out into its own window, or docks it back.
    void OnBnClickedPopup();
    // Asks again whether the tile service is reachable; the state follows the answer.
    void CheckNetwork();
    // Makes the browser and its page (nothing when it exists or in the stand-in). User-interface thread.
    void StartBrowser();

    // What the main window needs for its layout: the stand-in (null in the stand-in itself and without a
    // main window) and whether the pane floats.
    GPSMapControl* Placeholder() const { return m_placeholder; }
    bool IsFloating() const { return m_isFloating; }
    bool IsLive() const { return m_isLive; }
    bool IsConnected() const { return m_state.connected; }
    // The map as shown, for the printed report.
    QPixmap MapPicture();

    // The parts, for the main window's tests and this pane's.
    QWidget* Browser() const { return m_browser; }
    MapBrowser* Page() const { return m_page; }
    CButtonStyle* PopupButton() const { return m_popupButton; }
    QLabel* Title() const { return m_title; }
    QLabel* LatitudeLabel() const { return m_latitudeLabel; }
    QLabel* LatitudeValue() const { return m_latitudeValue; }
    QLabel* LongitudeLabel() const { return m_longitudeLabel; }
    QLabel* LongitudeValue() const { return m_longitudeValue; }
    QLabel* NoGpsPicture() const { return m_noGpsPicture; }
    QLabel* NoNetworkPicture() const { return m_noNetworkPicture; }

    // Where the pane docks, and where its stand-in goes, in a main window of that client size.
    static QRect DockedGeometry(QSize mainWindow);
    // Where the page is looked for: "map.htm" in the current folder, the program's folder or its data
    // folder, the first that has it.
    static QUrl FindPageUrl();

signals:
    // A shortcut of the program pressed while the map has the keyboard: the main window runs it.
    void Command(int id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // Right-click anywhere on the pane, the map included (the browser has no menu of its own).
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Inert {};
    // The stand-in: the same look, no browser, no listening.
    GPSMapControl(QWidget* parent, PlaybackSession& session, Inert);
    // Loads the page from the event loop, once the pane has been laid out.
    void LoadPageSoon();

    // What the page should show, decided on the user-interface thread.
    struct State {
        bool connected = false;
        bool hasRecording = false;  // a recording's metadata was announced
        bool hasGps = false;        // and it has GPS samples
        bool PageShows() const { return hasGps || (!hasRecording && connected); }
    };

    // The coordinate texts and the marker as last asked for by the dispatch thread.
    struct PendingPosition {
        QString latitude, longitude;
        std::optional<GpsSample> sample;
        bool hideMarker = false;
    };

    void BuildChildren();
    void CreatePlaceholder();
    void SetPopupButtonEnabled(bool on);
    void ShowMapOrReason();
    void Relayout();
    // Where the browser goes: the map picture is taken from there too.
    QRect BrowserArea() const;
    void SetCoordinateTexts(const QString& latitude, const QString& longitude);
    void SetFloating(bool floating);

    // Dispatch thread.
    void OnPosition(float position);
    void OnFilesOpened();
    void OnMetadataCreated();
    void Publish(const QString& latitude, const QString& longitude, std::optional<GpsSample> sample,
                 bool hideMarker = false);
    // User-interface thread: applies the pending slot.
    void SendPendingPosition();

    // The edges of a floating pane that a press at point grabs (none: it moves the pane).
    Qt::Edges ResizeEdgesAt(QPoint point) const;

    PlaybackSession& m_session;
    QWidget* m_parent;
    const bool m_isLive;
    bool m_isFloating = false;
    bool m_ready = false;
    State m_state;
    std::optional<bool> m_pageOnline;  // what the page was last told
    // What the page shows, kept for a page made later.
    std::vector<GpsSample> m_track;
    std::optional<GpsSample> m_marker;

    QPixmap m_headerBitmap;
    QLabel* m_title = nullptr;
    CButtonStyle* m_popupButton = nullptr;
    QLabel* m_latitudeLabel = nullptr;
    QLabel* m_latitudeValue = nullptr;
    QLabel* m_longitudeLabel = nullptr;
    QLabel* m_longitudeValue = nullptr;
    QLabel* m_noGpsPicture = nullptr;
    QLabel* m_noNetworkPicture = nullptr;
    QWidget* m_browser = nullptr;  // the page's view; m_page goes with it
    MapBrowser* m_page = nullptr;
    ConnectivityCheck* m_check = nullptr;
    QPointer<GPSMapControl> m_placeholder;
    const QUrl m_pageUrl;
    std::vector<std::pair<QKeySequence, int>> m_accelerators;

    // Moving or resizing a floating pane by hand (without a window manager to do it).
    Qt::Edges m_dragEdges;
    bool m_dragging = false;
    QPoint m_dragStart;
    QRect m_dragGeometry;

    std::mutex m_pendingLock;
    PendingPosition m_pending;
    std::atomic<bool> m_positionQueued{false};

    SessionSubscription m_listening;  // last: removed first
};
