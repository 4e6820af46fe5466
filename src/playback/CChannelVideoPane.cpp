#include "playback/CChannelVideoPane.h"

#include "infra/DiagnosticLog.h"
#include "infra/ThreadPriority.h"
#include "playback/CVideoSurface.h"

#include <QKeyEvent>
#include <QResizeEvent>

#include <filesystem>

namespace {

// The engine takes paths in a buffer of fixed size; a longer path loads nothing.
bool FitsEnginePathBuffer(const std::string& path)
{
    return path.size() < VlcFunctionExecutor::kPathBufferSize;
}

}  // namespace

std::string InsertBeforeExtension(const std::string& path, const std::string& tag)
{
    const std::size_t at = path.size() >= 4 ? path.size() - 4 : 0;
    return path.substr(0, at) + tag + path.substr(at);
}

CChannelVideoPane::CChannelVideoPane(QWidget* parent, PlaybackSession& session, VlcFunctionExecutor& vlc)
    : QWidget(parent), m_session(session), m_vlc(&vlc), m_surface(new CVideoSurface(this))
{
}

CChannelVideoPane::~CChannelVideoPane()
{
    ReleaseVideoPlayer();
}

QWidget* CChannelVideoPane::VideoSurface() const
{
    return m_surface;
}

CChannelVideoPane::Engine::~Engine()
{
    vlc->libvlc_media_player_release(player);
    vlc->libvlc_release(instance);
}

std::shared_ptr<libvlc_media_player_t> CChannelVideoPane::Player() const
{
    std::shared_ptr<Engine> engine = m_engine.load();
    return engine ? std::shared_ptr<libvlc_media_player_t>(engine, engine->player) : nullptr;
}

void CChannelVideoPane::PlayVideo()
{
    const auto player = Player();
    if (!player)
        return;
    if (m_vlc->MediaPlayerIsPlaying(player.get()))
        m_vlc->MediaPlayerSetPause(player.get());
    else
        m_vlc->MediaPlayerPlay(player.get());
}

void CChannelVideoPane::KeepSurfaceWindow()
{
    // winId() may create the native window, which only the user-interface thread may do; the dispatch
    // thread binds later players to the id kept here.
    m_surfaceWindow = static_cast<std::uint32_t>(m_surface->winId());
}

void CChannelVideoPane::InitVideoPlayer(std::span<const EngineEvent> events)
{
    // Made on the dispatch thread, whose raised priority the engine's threads must not inherit.
    NormalPriorityScope normal;
    libvlc_instance_t* instance = m_vlc->NewEngineInstance();
    libvlc_media_player_t* player = instance ? m_vlc->libvlc_media_player_new(instance) : nullptr;
    if (!player) {
        WriteLog("the media engine did not start", metaObject()->className(), "initVideoPlayer", kLogType,
                 kLogLevelNormal);
        if (instance)
            m_vlc->libvlc_release(instance);
        ReleaseVideoPlayer();
        return;
    }
    m_vlc->MediaPlayerSetXwindow(player, m_surfaceWindow);
    libvlc_event_manager_t* manager = m_vlc->EventManager(player);
    for (const EngineEvent& event : events)
        m_vlc->EventAttach(manager, event.type, event.handler, this);
    m_vlc->SetAspectRatio(player);

    m_engine.store(std::shared_ptr<Engine>(new Engine{m_vlc, instance, player}));
}

void CChannelVideoPane::ReleaseVideoPlayer()
{
    m_engine.store(nullptr);
}

bool CChannelVideoPane::LoadCurrentRecording(const char* mediaOption)
{
    const RecordingItem* recording = m_session.GetCurrentRecording();
    const std::shared_ptr<Engine> engine = m_engine.load();
    if (!recording || !engine || !FitsEnginePathBuffer(recording->path))
        return false;
    libvlc_media_t* media = m_vlc->libvlc_media_new_path(engine->instance, recording->path.c_str());
    if (!media)
        return false;
    // Decoding stays in software: the brightness filter works on the decoder's own pictures, and the
    // engine does not probe the graphics drivers (and tell the terminal about each it lacks) per recording.
    m_vlc->libvlc_media_add_option(media, ":avcodec-hw=none");
    if (mediaOption)
        m_vlc->libvlc_media_add_option(media, mediaOption);
    m_vlc->MediaPlayerSetMedia(engine->player, media);
    m_vlc->libvlc_media_release(media);
    return true;
}

void CChannelVideoPane::ApplyBrightness(libvlc_media_player_t* player, float brightness)
{
    m_vlc->libvlc_video_set_adjust_int(player, libvlc_adjust_Enable, 1);
    m_vlc->libvlc_video_set_adjust_float(player, libvlc_adjust_Brightness, brightness);
}

bool CChannelVideoPane::CurrentRecordingFileExists() const
{
    const RecordingItem* recording = m_session.GetCurrentRecording();
    std::error_code error;
    return recording && std::filesystem::is_regular_file(recording->path, error);
}

std::string CChannelVideoPane::TakeSnapshot(libvlc_media_player_t* player, const std::string& path,
                                            const char* tag)
{
    const std::string target = tag ? InsertBeforeExtension(path, tag) : path;
    if (!FitsEnginePathBuffer(target))
        return "";
    m_vlc->SnapShot(player, target.c_str());
    return target;
}

void CChannelVideoPane::resizeEvent(QResizeEvent* event)
{
    // The surfaces always cover the whole pane.
    for (QObject* child : children())
        if (auto* widget = qobject_cast<QWidget*>(child))
            widget->setGeometry(QRect(QPoint(0, 0), event->size()));
}

void CChannelVideoPane::keyPressEvent(QKeyEvent* event)
{
    // The program's shortcuts are taken before key presses arrive; whatever is left (Enter, Escape)
    // stops here instead of reaching a dialog that would close on it.
    event->accept();
}
