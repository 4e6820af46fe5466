#pragma once

#include "playback/CChannelVideoPane.h"
#include "widgets/SkinIds.h"

#include <QPixmap>

#include <atomic>
#include <string>

class QLabel;

// Channel 1, the front camera, with sound. It is the master of playback: it loads every recording into a
// fresh engine instance and player, and its player's events become the session messages that drive every
// other view; a seek it carries out is announced as a position at once. While nothing plays it shows the
// idle picture.
class CFirstChannelVideoPane final : public CChannelVideoPane {
    Q_OBJECT
public:
    static constexpr int kIdleBitmapId = SkinId::kIdlePicture;
    static constexpr int kInitialVolume = 30;

    // Registers with session once its player exists.
    CFirstChannelVideoPane(QWidget* parent, PlaybackSession& session, VlcFunctionExecutor& vlc);
    ~CFirstChannelVideoPane() override;

    void update(int32_t message, MessageParam* param) override;

    // Loads the session's current recording into a fresh player that keeps the user's volume and speed.
    void SetCurrentVideoMedia();
    // Writes a still of channel 1 to path ("(Track1)" added for two-channel recordings). With a folder, the
    // user hears how it went and may open the folder. Callable from any thread.
    void CaptureVideoSnapshot(const std::string& path, const std::string& folder);

    QWidget* IdlePicture() const;
    QSize sizeHint() const override { return {720, 458}; }

private:
    void InitVideoPlayer();
    void ShowIdlePicture();
    void ShowVideoSurface();
    void PostEndOfRecording();
    // Tells everyone who follows playback the position of the picture (the one clock of the program).
    void PostPosition(float position);
    void TellSnapshotResult(const Snapshot& still, const std::string& folder);

    static void OnMediaPlayerPositionChanged(const libvlc_event_t* event, void* pane);
    static void OnMediaPlayerPlaying(const libvlc_event_t* event, void* pane);
    static void OnMediaPlayerPaused(const libvlc_event_t* event, void* pane);
    static void OnMediaPlayerEndReached(const libvlc_event_t* event, void* pane);
    static void OnMediaPlayerOpening(const libvlc_event_t* event, void* pane);

    QLabel* m_idlePicture = nullptr;

    // Written by update() on the dispatch thread, read by the engine's threads.
    std::atomic<int> m_volume{kInitialVolume};
    std::atomic<float> m_rate{1.0f};
    std::atomic<float> m_brightness{1.0f};
    // Set while a new recording is being loaded, so the pause of the old player raises no VIDEO_PAUSE.
    std::atomic<bool> m_mediaLoading{false};
    // The engine may report the end twice (a final position of 1.0 and the end event); the next
    // recording is chosen once per opening.
    std::atomic<bool> m_endHandled{false};

    SessionSubscription m_listening;  // last: removed first
};
