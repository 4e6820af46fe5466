#include "playback/CChannelVideoPane.h"

#include "infra/DiagnosticLog.h"
#include "infra/ThreadPriority.h"
#include "playback/CVideoSurface.h"

#include <QKeyEvent>
#include <QResizeEvent>

#include <QThread>

#include <cerrno>
#include <filesystem>
#include <thread>
#include <unistd.h>

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

CChannelVideoPane::Snapshot CChannelVideoPane::TakeSnapshot(libvlc_media_player_t* player, const std::string& path,
                                                             const char* tag)
{
    const std::string target = tag ? InsertBeforeExtension(path, tag) : path;
    if (!FitsEnginePathBuffer(target))
        return {target, Result::Failure("the path is too long for the engine", ENAMETOOLONG)};
    // The engine has finished writing when SnapShot returns; it fails while the player has no video output
    // or no picture yet (a recording loaded a moment ago), and can then only be asked again.
    const bool mayWait = QThread::currentThread() != thread();
    const auto deadline = std::chrono::steady_clock::now() + kFirstPictureWait;
    for (;;) {
        std::error_code error;
        if (m_vlc->SnapShot(player, target.c_str()) == 0 && std::filesystem::file_size(target, error) > 0 && !error)
            return {target, Result::Success()};
        // The engine does not say why it wrote nothing: a folder it cannot write to is one reason, and no
        // use waiting for.
        const std::filesystem::path folder = std::filesystem::path(target).parent_path();
        if (::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) != 0)
            return {target, Result::Failure("cannot write into the folder", errno)};
        // Right after play the engine may not have reported Opening yet: only a player that has stopped,
        // ended or failed has no picture to come.
        const libvlc_state_t state = m_vlc->libvlc_media_player_get_state(player);
        const bool pictureToCome = state != libvlc_Stopped && state != libvlc_Ended && state != libvlc_Error;
        if (!mayWait || !pictureToCome || std::chrono::steady_clock::now() >= deadline)
            return {target, Result::Failure("the player had no picture to capture", ENODATA)};
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
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
