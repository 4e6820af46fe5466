#include "playback/CSecondChannelVideoPane.h"

#include "infra/DiagnosticLog.h"

#include <thread>

namespace {

constexpr const char* kClass = "CSecondChannelVideoPane";

// The engine hands back the user data the pane attached its events with: the pane as a CChannelVideoPane.
CSecondChannelVideoPane* Pane(void* pane)
{
    return static_cast<CSecondChannelVideoPane*>(static_cast<CChannelVideoPane*>(pane));
}

void LogUpdate(const char* text)
{
    WriteLog(text, kClass, "update", kLogType, kLogLevelNormal);
}

// Repeats attempt until it succeeds, the deadline passes or stop() says so.
template <typename Attempt, typename Stop>
bool RetryUntil(std::chrono::steady_clock::time_point deadline, Stop stop, Attempt attempt)
{
    while (!attempt()) {
        if (stop() || std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

}  // namespace

CSecondChannelVideoPane::CSecondChannelVideoPane(QWidget* parent, PlaybackSession& session,
                                                 VlcFunctionExecutor& vlc)
    : CChannelVideoPane(parent, session, vlc)
{
    WriteLog("init", kClass, "OnInitDialog", kLogType, kLogLevelNormal);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    KeepSurfaceWindow();

    WriteLog("init Video player", kClass, "initVideoPlayer", kLogType, kLogLevelNormal);
    const EngineEvent events[] = {
        {libvlc_MediaPlayerPlaying, &OnSecondMediaPlayerPlaying},
        {libvlc_MediaPlayerOpening, &OnSecondMediaPlayerOpening},
    };
    InitVideoPlayer(events);
    // The track of the rear camera is chosen on this player.
    VlcFunctionExecutor::PublishSecondChannelPlayer(Player().get());
    resize(sizeHint());
    m_listening = SessionSubscription(m_session, *this);
}

CSecondChannelVideoPane::~CSecondChannelVideoPane()
{
    // Unregister first: once that returns no update() is running, so the player can go; once it is
    // released its events have ended. Releasing stops the player.
    m_listening.Reset();
    WithHandlersShutOut([this] { ReleaseVideoPlayer(); });
    VlcFunctionExecutor::PublishSecondChannelPlayer(nullptr);
}

template <typename Call>
void CSecondChannelVideoPane::WithHandlersShutOut(Call call)
{
    ++m_handlersShutOut;
    {
        std::lock_guard wait(m_handlerCallLock);
    }
    call();
    --m_handlersShutOut;
}

template <typename Call>
bool CSecondChannelVideoPane::HandlerEngineCall(Call call)
{
    std::lock_guard lock(m_handlerCallLock);
    return m_handlersShutOut == 0 && call();
}

void CSecondChannelVideoPane::SetCurrentVideoMedia()
{
    WriteLog("Current Video Media", kClass, "SetCurrentVideoMedia", kLogType, kLogLevelNormal);
    if (!LoadCurrentRecording("brightness"))
        return;
    // Channel 2 never makes sound.
    if (const auto player = Player())
        m_vlc->AudioSetVolume(player.get(), 0);
}

void CSecondChannelVideoPane::update(int32_t message, MessageParam* param)
{
    const auto player = Player();
    if (!player)
        return;
    switch (message) {
    case VIDEO_PLAY:
        LogUpdate("VIDEO_PLAY msg");
        if (m_active) {
            WriteLog("VIDEO_PLAY msg Second Video Channel play true", kClass, "UPDATE", kLogType, kLogLevelNormal);
            PlayVideo();
        }
        break;
    case VIDEO_PAUSE:
        LogUpdate("VIDEO_PAUSE msg");
        if (m_vlc->MediaPlayerIsPlaying(player.get()))
            m_vlc->MediaPlayerSetPause(player.get());
        break;
    case VIDEO_STOP:
        LogUpdate("VIDEO_STOP msg");
        WithHandlersShutOut([&] {
            m_vlc->MediaPlayerStop(player.get());
            m_trackChosen = false;
        });
        break;
    case VIDEO_PREVIOUS:
    case VIDEO_NEXT:
    case NEW_VIDEO_PLAY:
        LogUpdate("NEW_VIDEO_PLAY VIDEO_PREVIOUS VIDEO_NEXT msg");
        if (!CurrentRecordingFileExists()) {
            WithHandlersShutOut([&] { m_vlc->MediaPlayerStop(player.get()); });
        } else {
            // Channel 2 waits for the metadata to know whether there is a rear camera.
            m_trackChosen = false;
            m_active = false;
        }
        break;
    case VIDEO_METADATA_CREATED:
        LogUpdate("VIDEO_METADATA_CREATED msg");
        if (CurrentRecordingHasTwoChannels()) {
            m_vlc->MediaPlayerSetPause(player.get());
            WithHandlersShutOut([this] {
                m_trackChosen = false;
                SetCurrentVideoMedia();
            });
            m_vlc->MediaPlayerPlay(player.get());
            m_active = true;
        }
        break;
    case CHANGE_VIDEO_FRAME_POSITION:
        LogUpdate("CHANGE_VIDEO_FRAME_POSITION msg");
        if (param)
            m_vlc->MediaPlayerSetPosition(player.get(), param->position);
        break;
    case CHANGE_VIDEO_SPEED:
        LogUpdate("CHANGE_VIDEO_SPEED msg");
        // The player is kept from recording to recording, so the rate set here stays.
        if (param) {
            m_rate = param->rate;
            m_vlc->MediaPlayerSetRate(player.get(), m_rate);
        }
        break;
    case CHANGE_VIDEO_BRIGHTNESS:
        LogUpdate("CHANGE_VIDEO_BRIGHTNESS msg");
        if (param) {
            m_brightness = param->brightness;
            ApplyBrightness(player.get(), param->brightness);
        }
        break;
    case CAPTURE_VIDEO_SNAPSHOT:
        LogUpdate("CAPTURE_VIDEO_SNAPSHOT msg");
        if (param)
            CaptureVideoSnapshot(param->snapshotPath);
        break;
    default:
        break;
    }
}

void CSecondChannelVideoPane::CaptureVideoSnapshot(const std::string& path)
{
    const auto player = Player();
    if (player && CurrentRecordingHasTwoChannels())
        (void)TakeSnapshot(player.get(), path, "(Track2)");
}

bool CSecondChannelVideoPane::CurrentRecordingHasTwoChannels() const
{
    const RecordingItem* recording = m_session.GetCurrentRecording();
    return recording && recording->channelCount > 1;
}

bool CSecondChannelVideoPane::CurrentMetadataReady() const
{
    const RecordingItem* recording = m_session.GetCurrentRecording();
    return recording && recording->metadataReady;
}

// The engine's handlers run on its threads; they make engine calls on this pane's player but never stop
// or release it.

void CSecondChannelVideoPane::OnSecondMediaPlayerPlaying(const libvlc_event_t* event, void* pane)
{
    CSecondChannelVideoPane* self = Pane(pane);
    if (self->m_trackChosen)
        return;
    // The camera writes its codec setup only into each channel's first frame, so the rear track has to be
    // chosen now, before decoding starts: a later switch shows nothing. Video off first, or the engine
    // opens a second, top-level window for the new track. The engine's thread waits here, but not for
    // ever: a recording whose rear track cannot be chosen shows no picture on channel 2. A stop or a new
    // load ends the wait at once.
    VlcFunctionExecutor* vlc = self->m_vlc;
    const auto deadline = std::chrono::steady_clock::now() + kTrackSelectionTimeout;
    const auto shutOut = [self] { return self->m_handlersShutOut > 0; };
    const auto setTrack = [&](int track) {
        return self->HandlerEngineCall([&] { return vlc->SetTrack(track) == 0; });
    };
    const bool chosen = RetryUntil(deadline, shutOut, [&] { return setTrack(-1); }) &&
                        RetryUntil(deadline, shutOut, [&] { return self->CurrentMetadataReady(); }) &&
                        RetryUntil(deadline, shutOut, [&] { return setTrack(kRearTrackId); });
    auto* player = static_cast<libvlc_media_player_t*>(event->p_obj);
    // Shut out, the player is being stopped or loaded anew: this load's track no longer matters.
    self->HandlerEngineCall([&] {
        if (!chosen)
            WriteLog("gave up choosing the rear camera's track", kClass, "OnSecondMediaPlayerPlaying", kLogType,
                     kLogLevelNormal);
        vlc->libvlc_video_set_adjust_float(player, libvlc_adjust_Brightness, self->m_brightness);
        self->m_trackChosen = true;
        return true;
    });
}

void CSecondChannelVideoPane::OnSecondMediaPlayerOpening(const libvlc_event_t* event, void* pane)
{
    auto* player = static_cast<libvlc_media_player_t*>(event->p_obj);
    CSecondChannelVideoPane* self = Pane(pane);
    self->HandlerEngineCall([&] {
        self->ApplyBrightness(player, self->m_brightness);
        return true;
    });
}
