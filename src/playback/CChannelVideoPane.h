#pragma once

// What the two channel panes share: the native video surface, the engine instance and player that draw
// into it, and the session they follow. Each pane adds its own message table and engine events.
//
// Each pane registers as the last step of its construction (its subscription is its last member) and, first
// thing in its destructor, unregisters and then releases its player, so that neither update() nor an engine
// event reaches it while its own members go.
//
// A pane is created with its final parent and never moved to another: the engine keeps drawing into the
// surface's native window, which a change of parent would replace.
//
// Threads: the panes are created, shown and destroyed on the user-interface thread; update() runs on the
// session's dispatch thread and makes engine calls there, handing every widget change to the
// user-interface thread with a queued invocation; the engine's event handlers run on libVLC's threads.

#include "infra/Result.h"
#include "playback/SessionView.h"
#include "playback/VlcFunctionExecutor.h"
#include "session/PlaybackSession.h"

#include <QWidget>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

class CVideoSurface;

class CChannelVideoPane : public QWidget, public IListener {
    Q_OBJECT
public:
    ~CChannelVideoPane() override;

    // The widget the engine draws into.
    QWidget* VideoSurface() const;
    // The current player, or null (its engine refused to start). Stays alive while the caller holds it.
    std::shared_ptr<libvlc_media_player_t> Player() const;
    // Toggles between playing and paused.
    void PlayVideo();

protected:
    struct EngineEvent {
        libvlc_event_type_t type;
        libvlc_callback_t handler;  // called with the pane (as a CChannelVideoPane*) as its user data
    };

    CChannelVideoPane(QWidget* parent, PlaybackSession& session, VlcFunctionExecutor& vlc);

    // Reads the surface's native window id; call once on the user-interface thread, before any player.
    void KeepSurfaceWindow();
    // Makes a fresh engine instance and player bound to the surface, with the events attached and the
    // picture forced to 16:9, and makes it the current one; the previous player goes when no one holds it.
    void InitVideoPlayer(std::span<const EngineEvent> events);
    // Drops the current player (released once no one holds it).
    void ReleaseVideoPlayer();
    // Loads the session's current recording into the player (with one media option when given); false
    // when there is no current recording or its path is too long for the engine.
    bool LoadCurrentRecording(const char* mediaOption);
    // Switches the adjust filter on and sets the brightness.
    void ApplyBrightness(libvlc_media_player_t* player, float brightness);
    // Whether the session's current recording exists as a file.
    bool CurrentRecordingFileExists() const;
    // What a still came to: the path it was meant for and whether it is there. A failure with ENODATA means
    // the player had no picture to give.
    struct Snapshot {
        std::string path;
        Result result = Result::Success();
    };
    // Writes a still of the player's picture to path, tag inserted before the extension. A recording loaded
    // just before has no picture for a moment: off the user-interface thread the pane waits for its first
    // one (at most kFirstPictureWait) rather than fail; on that thread it tries once.
    Snapshot TakeSnapshot(libvlc_media_player_t* player, const std::string& path, const char* tag);
    static constexpr std::chrono::milliseconds kFirstPictureWait{2000};
    // Posts a message with a fresh argument.
    void Post(int32_t message, std::unique_ptr<MessageParam> param = std::make_unique<MessageParam>())
    {
        PostMessage(m_session, message, std::move(param));
    }

    PlaybackSession& m_session;
    VlcFunctionExecutor* const m_vlc;
    CVideoSurface* m_surface = nullptr;

private:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    // One engine instance with its player; destroying it releases both.
    struct Engine {
        VlcFunctionExecutor* vlc;
        libvlc_instance_t* instance;
        libvlc_media_player_t* player;
        ~Engine();
    };

    std::uint32_t m_surfaceWindow = 0;
    // Replaced on the dispatch thread while the user-interface thread may be taking a snapshot with it:
    // whoever holds the last reference releases the player and its instance.
    std::atomic<std::shared_ptr<Engine>> m_engine;
};

// "…/still.png" with tag "(Track1)" becomes "…/still(Track1).png": the tag goes before the last four
// characters, the extension with its dot.
std::string InsertBeforeExtension(const std::string& path, const std::string& tag);
