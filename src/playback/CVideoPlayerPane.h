#pragma once

// The playback area of the main window: the two channel panes side by side or one at a time, the
// G-sensor graph below them, and the transport controls, sliders, time labels and speed read-out below
// that. The pane never calls the engine: every user action becomes a session message that the channel
// panes carry out, and every change of playback state comes back through update().
//
// Threads: controls are built and changed on the user-interface thread only. update() runs on the
// session's dispatch thread; it reads the session there (never handing a RecordingItem* on), posts, and
// queues each message's widget changes as one invocation on the user-interface thread. The state both
// threads read is atomic.

#include "playback/IGSensorGraph.h"
#include "playback/SessionView.h"
#include "playback/VlcFunctionExecutor.h"
#include "session/PlaybackSession.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <string>

class CBitmapSlider;
class CButtonStyle;
class CFirstChannelVideoPane;
class CMyBitmapButton;
class CMySliderControl;
class CPicture;
class CSecondChannelVideoPane;
class QLabel;
class QSlider;

class CVideoPlayerPane final : public QWidget, public IListener {
    Q_OBJECT
public:
    // Control ids; the main window and the log know the controls by them.
    enum ControlId {
        kPreviousButtonId = 1136,
        kRewindButtonId = 1137,
        kPlayButtonId = 1139,
        kForwardButtonId = 1140,
        kNextButtonId = 1141,
        kSpeedSliderId = 1143,
        kBrightnessSliderId = 1144,
        kPositionSliderId = 1148,
        kElapsedLabelId = 1149,
        kTotalLabelId = 1150,
        kChannel1ButtonId = 1151,
        kChannel2ButtonId = 1152,
        kAllChannelsButtonId = 1153,
        kSpeedLabelId = 1154,
        kPlaySpeedLabelId = 1155,
        kSpeedDefaultButtonId = 1156,
        kBrightnessDefaultButtonId = 1159,
        kMuteButtonId = 1160,
        kSpanLabelId = 1171,
        kSlashLabelId = 1172,
        kMinimizeButtonId = 1174,
        kSpeedPanelId = 1185,
        kVolumeSliderId = -32754,
    };

    enum ViewMode { kNoView = 0, kChannel1View = 1, kChannel2View = 2, kAllChannelsView = 3 };

    static constexpr int kPositionMax = 10000;
    static constexpr int kInitialScanInterval = 5;
    static constexpr int kInitialVolume = 30;
    static constexpr int kDefaultSpeedPosition = 4;
    static constexpr int kDefaultBrightness = 50;
    static constexpr QSize kSpeedPanelSize{124, 38};

    // Builds the controls and the children (channel 1, channel 2, the graph from makeGraph), then
    // registers with session.
    CVideoPlayerPane(QWidget* parent, PlaybackSession& session, VlcFunctionExecutor& vlc,
                     GSensorGraphFactory makeGraph);
    ~CVideoPlayerPane() override;

    void update(int32_t message, MessageParam* param) override;

    // Commands, also reached from the main window's menu and keys.
    void OnBnClickedPlayBtn();
    void OnBnClickedPreviousBtn();
    void OnBnClickedNextBtn();
    void OnBnClickedRewindBtn();
    void OnBnClickedForwardBtn();
    void OnBnClickedSpeedDefaultBtn();
    void OnBnClickedBrightnessDefaultBtn();
    void OnBnClickedMuteBtn();
    void OnBnClickedFirstChannelVideoBtn();
    void OnBnClickedSecondChannelVideoBtn();
    void OnBnClickedAllChannelVideoBtn();
    void OnBnClickedVideoMinimizeImageBtn();
    // Post what the slider shows (the main window moves the slider first).
    void ChangeVideoPlaySpeedFromSpeedSlider();
    void ChangeVideoBrightnessFromBrightnessSlider();
    void ChangeVideoVolumeFromVolumeSlider();
    // Moves the volume by delta (kept within its range), unmutes, and posts the volume.
    void StepVolume(int delta);
    // Stills of both channels; callable from any thread.
    void CaptureSnapshot(const std::string& path, const std::string& folder);

    bool IsPositionSliderEnabled() const { return m_positionSliderEnabled; }
    CMySliderControl* PositionSlider() const { return m_positionSlider; }
    QSlider* SpeedSlider() const { return m_speedSlider; }
    QSlider* BrightnessSlider() const { return m_brightnessSlider; }
    CBitmapSlider* VolumeSlider() const { return m_volumeSlider; }
    CFirstChannelVideoPane* FirstChannel() const { return m_firstChannel; }
    CSecondChannelVideoPane* SecondChannel() const { return m_secondChannel; }
    IGSensorGraph* Graph() const { return m_graph; }
    int ViewModeNow() const { return m_viewMode; }
    bool IsMuted() const { return m_muted; }
    // The control with the given id, or null.
    QWidget* Control(int id) const;
    // The speed panel as drawn now.
    QImage SpeedPanelPicture() const;

    // "mm:ss" of whole seconds, minutes not wrapped at the hour (3725 s reads "62:05").
    static QString TimeText(int seconds);
    // The slider value of a playback position: NaN counts as 0, the position is kept within 0..1.
    static int SliderValue(float position);
    // One rewind or forward step in slider units: the scan interval while playing, one frame while paused
    // (the interval when the recording counts no frames), at least one unit.
    static int StepUnits(int duration, int totalFrames, int scanInterval, bool paused);
    // The rate of a speed slider position (1..7).
    static float RateOfSpeedPosition(int position);
    // The text the speed panel shows for a recording at a position ("%.1f" km/h, 0.0 at 4 km/h or less);
    // empty without GPS samples or for a damaged speed (1000 km/h or more).
    static std::string SpeedTextAt(const RecordingItem& recording, float position);
    // The speed panel with text drawn in digit pictures; the empty panel for an empty text.
    static QImage SpeedPanelImage(const std::string& text);

signals:
    // The minimize image button was pressed: the main window returns to its normal layout.
    void MinimizeRequested();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void AddTooltips();
    void LayoutControls();
    void LayoutVideoPanes();

    void EnableVideoButtonUi(bool enable);
    void SetVideoButtonUiImage(bool enable);
    void EnablePlayerSliderUi(bool enable);
    void initLabelUi();
    void ResetPlayerUi();
    void SetPlayLook(bool playing);
    void SetStepButtonsUsable(bool usable);
    // Selects, loads and plays the neighbour found (message VIDEO_PREVIOUS or VIDEO_NEXT), or else loads
    // the first recording and stops.
    void PlayNeighbour(bool found, int32_t index, int32_t message);

    void SelectViewMode(int mode);
    void SetChannelBtnBitmaps(int mode);
    void InitChannelBtnUI();
    void ShowOrHideChannelBtn(int hide);
    void ShowSpeedPanel(const std::string& text);
    void SetMuteLook(bool muted);

    void OnPositionSliderScroll(int code, int value);
    void OnVolumeSliderMoved(int controlId, int position, bool moving);
    void Seek(int sliderValue);
    void PostStep(bool forward);
    void Post(int32_t message, std::unique_ptr<MessageParam> param = std::make_unique<MessageParam>())
    {
        PostMessage(m_session, message, std::move(param));
    }

    PlaybackSession& m_session;
    VlcFunctionExecutor& m_vlc;

    CFirstChannelVideoPane* m_firstChannel = nullptr;
    CSecondChannelVideoPane* m_secondChannel = nullptr;
    IGSensorGraph* m_graph = nullptr;  // a child widget: Qt deletes it

    CButtonStyle* m_previousButton = nullptr;
    CButtonStyle* m_rewindButton = nullptr;
    CButtonStyle* m_playButton = nullptr;
    CButtonStyle* m_forwardButton = nullptr;
    CButtonStyle* m_nextButton = nullptr;
    CButtonStyle* m_minimizeButton = nullptr;
    CMySliderControl* m_positionSlider = nullptr;
    QSlider* m_speedSlider = nullptr;
    QSlider* m_brightnessSlider = nullptr;
    CBitmapSlider* m_volumeSlider = nullptr;
    CMyBitmapButton* m_speedDefaultButton = nullptr;
    CMyBitmapButton* m_brightnessDefaultButton = nullptr;
    CMyBitmapButton* m_muteButton = nullptr;
    CMyBitmapButton* m_channel1Button = nullptr;
    CMyBitmapButton* m_channel2Button = nullptr;
    CMyBitmapButton* m_allChannelsButton = nullptr;
    QLabel* m_spanLabel = nullptr;
    QLabel* m_elapsedLabel = nullptr;
    QLabel* m_slashLabel = nullptr;
    QLabel* m_totalLabel = nullptr;
    QLabel* m_playSpeedLabel = nullptr;
    QLabel* m_speedLabel = nullptr;
    CPicture* m_speedPanel = nullptr;
    QPixmap m_background;

    // User-interface thread only.
    bool m_initialised = false;
    bool m_playToggle = true;
    bool m_muted = false;
    int m_savedVolume = kInitialVolume;
    int m_viewMode = kNoView;
    int m_lastPositionValue = -1;  // the slider value whose times and speed show

    // Written on one thread, read on the other.
    std::atomic<int> m_positionSliderEnabled{0};
    std::atomic<bool> m_paused{false};
    std::atomic<bool> m_metadataShown{false};
    std::atomic<int> m_scanInterval{kInitialScanInterval};
    std::atomic<int> m_volume{kInitialVolume};       // the volume slider's position
    std::atomic<int> m_duration{0};                  // of the current recording, seconds
    std::atomic<int> m_totalFrames{0};               // of the current recording
    // Counts the user's seeks: a position write queued before the latest seek is stale.
    std::atomic<unsigned> m_seekCount{0};

    SessionSubscription m_listening;  // last: removed before the children go
};
