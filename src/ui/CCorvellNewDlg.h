#pragma once

// The main window: a frameless, skinned top-level window that draws its own title band and window
// buttons and holds the player pane on the left, the map and the recording list on the right and a row of
// seven toolbar buttons. Every toolbar button, menu entry and shortcut of the program arrives at
// OnCommand; each runs here or in the pane that owns the function.
//
// It follows the session like every view (SessionView.h). It is the first listener of the session: its
// update() hands newly opened recordings to the session and clears the queue when playback starts, so it
// registers before any pane exists.

#include "output/CPrintControl.h"
#include "output/StillAndClipCommands.h"
#include "playback/SessionView.h"
#include "session/PendingRecordings.h"
#include "settings/ViewerOptions.h"

#include <QWidget>

#include <array>
#include <memory>
#include <string>

class CButtonStyle;
class CMyBitmapButton;
class CVideoPlayerPane;
class GPSMapControl;
class QAction;
class RecordingOpener;
class VideoListControl;
class VlcFunctionExecutor;

class CCorvellNewDlg final : public QWidget, public IListener {
    Q_OBJECT
public:
    // Command ids of the buttons, the menu and the shortcuts.
    enum Command {
        kOpenButton = 1154,
        kCaptureButton = 1159,
        kRecordButton = 1160,
        kPrintButton = 1161,
        kSettingsButton = 1162,
        kVideoMaximizeButton = 1163,
        kAboutButton = 1164,
        kCloseButton = 1018,
        kMaximizeButton = 1019,
        kMinimizeButton = 1020,
        kLogoButton = 1107,
        kFileOpen = 40051,
        kRecordKey = 40033,
        kPrintKey = 40034,
        kPrintPreview = 57607,
        kToggleVideoArea = 40058,
        kEscape = 40048,
        kCloseKey = 40032,
        kPlayPause = 40038,
        kPrevious = 40039,
        kNext = 40037,
        kForward = 40040,
        kRewind = 40041,
        kVolumeUp = 40042,
        kVolumeDown = 40043,
        kMute = 40044,
        kBrightnessDefault = 40045,
        kSpeedDefault = 40046,
        kBright = 40056,
        kNotBright = 40057,
        kFaster = 40052,
        kSlower = 40053,
        kMapZoom = 40047,
    };

    static constexpr QSize kInitialSize{1065, 758};
    // How long after the window shows the map's browser starts when no recording has played by then.
    static constexpr int kMapStartDelayMs = 1500;
    // After playback starts, the web engine waits this long: its processes starting beside the engine's
    // first decoding (two cameras on a small machine) held up the first picture.
    static constexpr int kMapStartAfterPlayingMs = 500;
    static constexpr int kTitleBandHeight = 46;
    static constexpr int kResizeBand = 10;

    // Builds the whole window (the start-up steps of the window); shown by the caller. options: the
    // viewer's options as the command line set them (the log).
    CCorvellNewDlg(PlaybackSession& session, VlcFunctionExecutor& vlc, const ViewerOptions& options = {});
    ~CCorvellNewDlg() override;

    void update(int32_t message, MessageParam* param) override;

    // Every command of the program. Commands that need a current recording (or an enabled position
    // slider) do nothing without it.
    void OnCommand(int id);

    // Opens paths as a drop does (the command line's paths). May come before the window first shows: the
    // scan then runs while the window is mapped and painted, its progress dialog is kept above the window,
    // and its list is handed over once the window shows.
    void OpenPaths(const QStringList& paths);

    void RepositionPanes();
    void ShowToolbar(bool show);
    void SetOutputButtonsEnabled(bool enable);

    void OnBnClickedOpenVideoBtn();
    void OnBnClickedVideoCaptureBtn();
    void OnBnClickedVideoRecordBtn();
    void OnBnClickedPrintBtn();
    void OnFilePrintPreview();
    void OnBnClickedOptionBtn();
    void OnBnClickedVideoMaximizeBtn();
    void OnBnClickedVideoMinimizeBtn();
    void OnBnClickedHelpBtn();
    void ToggleWindowMaximized();

    // Where the mouse is over the window's own surface: a resize edge, or the surface that moves it.
    enum class Hit { Surface, Right, Bottom, BottomRight };
    static Hit HitTest(QPoint point, QSize window);

    // Parts, for tests.
    CVideoPlayerPane* PlayerPane() const { return m_playerPane; }
    GPSMapControl* MapPane() const { return m_mapPane; }
    VideoListControl* ListPane() const { return m_listPane; }
    RecordingOpener& Opener() const { return *m_opener; }
    QWidget* Control(int id) const;
    const ViewerOptions& Options() const { return m_options; }
    bool IsLayoutReady() const { return m_layoutReady; }
    bool IsWindowMaximized() const { return m_isWindowMaximized; }
    const std::vector<QAction*>& Shortcuts() const { return m_shortcuts; }
    CPrintControl& PrintControl() { return m_printControl; }

signals:
    // The window has closed (its options written, its log ended).
    void Closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void InitDialog();
    void BuildButtons();
    void BuildShortcuts();
    bool HasCurrentRecording() const;
    void StepVolume(int delta);
    void MoveSlider(QWidget* slider, int delta);
    void Log(const char* function, const std::string& text) const;

    PlaybackSession& m_session;
    VlcFunctionExecutor& m_vlc;
    ViewerOptions m_options;
    PendingRecordings m_pending;
    std::string m_rememberedDrive;
    std::unique_ptr<RecordingOpener> m_opener;
    std::unique_ptr<StillAndClipCommands> m_stillAndClip;
    CPrintControl m_printControl;

    CVideoPlayerPane* m_playerPane = nullptr;
    GPSMapControl* m_mapPane = nullptr;
    VideoListControl* m_listPane = nullptr;
    std::array<CButtonStyle*, 7> m_toolbar{};
    CMyBitmapButton* m_logoButton = nullptr;
    CMyBitmapButton* m_minimizeButton = nullptr;
    CMyBitmapButton* m_maximizeButton = nullptr;
    CMyBitmapButton* m_closeButton = nullptr;
    QPixmap m_titleBitmap;
    std::vector<QAction*> m_shortcuts;

    bool m_layoutReady = false;
    bool m_printDirect = false;
    bool m_isWindowMaximized = false;
    bool m_closed = false;
    // A press on the window's own surface: moving the window or resizing it by hand (no window manager).
    Hit m_dragHit = Hit::Surface;
    bool m_dragging = false;
    QPoint m_dragStart;
    QRect m_dragStartGeometry;
    QRect m_restoreGeometry;  // the window's place before it was maximized

    SessionSubscription m_listening;  // declared last: removed before any other member goes
};
