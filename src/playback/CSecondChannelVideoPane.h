#pragma once

#include "playback/CChannelVideoPane.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>

// Channel 2, the rear camera, always muted. It keeps one player for the whole run, loads a recording only
// when it has two channels, and then shows the rear camera's video track. It follows the transport
// messages and raises none of its own.
class CSecondChannelVideoPane final : public CChannelVideoPane {
    Q_OBJECT
public:
    // The rear camera's video track; the front camera's is 0.
    static constexpr int kRearTrackId = 1;
    // How long the engine's thread keeps asking for the rear track before it gives up on this load.
    static constexpr std::chrono::milliseconds kTrackSelectionTimeout{2000};

    // Registers with session once its player exists.
    CSecondChannelVideoPane(QWidget* parent, PlaybackSession& session, VlcFunctionExecutor& vlc);
    ~CSecondChannelVideoPane() override;

    void update(int32_t message, MessageParam* param) override;

    // Loads the session's current recording into the player, muted.
    void SetCurrentVideoMedia();
    // Writes a still of channel 2 to path with "(Track2)" added; only for two-channel recordings.
    void CaptureVideoSnapshot(const std::string& path);

    // True once the rear track has been dealt with for the current load.
    bool IsTrackChosen() const { return m_trackChosen; }
    QSize sizeHint() const override { return {723, 458}; }

private:
    bool CurrentRecordingHasTwoChannels() const;
    bool CurrentMetadataReady() const;

    // The engine's handlers below make engine calls that take the player's input lock, which stop,
    // set_media and release hold while they wait for the very thread running those handlers to end. Such
    // a call is therefore made with the handlers shut out: it waits for a handler inside an engine call to
    // leave it, and the handlers make no further engine calls until it has returned.
    template <typename Call>
    void WithHandlersShutOut(Call call);
    // In a handler: runs call unless the handlers are shut out; false when it did not run or failed.
    template <typename Call>
    bool HandlerEngineCall(Call call);

    static void OnSecondMediaPlayerPlaying(const libvlc_event_t* event, void* pane);
    static void OnSecondMediaPlayerOpening(const libvlc_event_t* event, void* pane);

    // Shared between update() and the engine's threads.
    std::atomic<float> m_brightness{1.0f};
    std::atomic<bool> m_trackChosen{false};
    // Channel 2 has loaded the current recording and follows play/pause toggles.
    std::atomic<bool> m_active{false};
    float m_rate = 1.0f;  // the last rate received
    std::mutex m_handlerCallLock;  // held by a handler around each of its engine calls
    std::atomic<int> m_handlersShutOut{0};

    SessionSubscription m_listening;  // last: removed first
};
