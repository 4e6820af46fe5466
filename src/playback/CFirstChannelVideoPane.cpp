#include "playback/CFirstChannelVideoPane.h"

#include "infra/DiagnosticLog.h"
#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "widgets/LoadText.h"
#include "widgets/MessageBoxes.h"
#include "widgets/SaveFailure.h"
#include "widgets/ResourceManager.h"
#include "playback/CVideoSurface.h"

#include <QApplication>
#include <QLabel>

#include <cerrno>
#include <filesystem>

namespace {

constexpr const char* kClass = "CFirstChannelVideoPane";
// The caption of the saved-still box exists only in Korean.
constexpr const char* kWarningCaption = "경고";

// The engine hands back the user data the pane attached its events with: the pane as a CChannelVideoPane.
CFirstChannelVideoPane* Pane(void* pane)
{
    return static_cast<CFirstChannelVideoPane*>(static_cast<CChannelVideoPane*>(pane));
}

}  // namespace

CFirstChannelVideoPane::CFirstChannelVideoPane(QWidget* parent, PlaybackSession& session,
                                               VlcFunctionExecutor& vlc)
    : CChannelVideoPane(parent, session, vlc), m_idlePicture(new QLabel(this))
{
    WriteLog("CFirstChannelVideoPane Init", kClass, "OnInitDialog", kLogType, kLogLevelNormal);
    m_idlePicture->setScaledContents(true);
    m_idlePicture->setPixmap(ResourceManager::GetInstance()->LoadBitmap(kIdleBitmapId));
    m_idlePicture->lower();
    ShowIdlePicture();
    KeepSurfaceWindow();
    InitVideoPlayer();
    resize(sizeHint());
    m_listening = SessionSubscription(m_session, *this);
}

CFirstChannelVideoPane::~CFirstChannelVideoPane()
{
    // Unregister first: once that returns no update() is running, so the player can go; once it is
    // released its events have ended.
    m_listening.Reset();
    ReleaseVideoPlayer();
}

QWidget* CFirstChannelVideoPane::IdlePicture() const
{
    return m_idlePicture;
}

void CFirstChannelVideoPane::InitVideoPlayer()
{
    const EngineEvent events[] = {
        {libvlc_MediaPlayerPositionChanged, &OnMediaPlayerPositionChanged},
        {libvlc_MediaPlayerPlaying, &OnMediaPlayerPlaying},
        {libvlc_MediaPlayerPaused, &OnMediaPlayerPaused},
        {libvlc_MediaPlayerEndReached, &OnMediaPlayerEndReached},
        {libvlc_MediaPlayerOpening, &OnMediaPlayerOpening},
    };
    CChannelVideoPane::InitVideoPlayer(events);
}

void CFirstChannelVideoPane::SetCurrentVideoMedia()
{
    // Every recording gets a fresh instance and player.
    ReleaseVideoPlayer();
    InitVideoPlayer();
    if (!m_session.GetCurrentRecording())
        return;
    LoadCurrentRecording(nullptr);
    if (const auto player = Player()) {
        m_vlc->AudioSetVolume(player.get(), m_volume);
        m_vlc->MediaPlayerSetRate(player.get(), m_rate);
    }
}

void CFirstChannelVideoPane::update(int32_t message, MessageParam* param)
{
    auto player = Player();
    switch (message) {
    case VIDEO_PLAY:
        OnUiThread(this, [this] { ShowVideoSurface(); });
        PlayVideo();
        break;
    case VIDEO_PAUSE:
        if (player && m_vlc->MediaPlayerIsPlaying(player.get()))
            m_vlc->MediaPlayerSetPause(player.get());
        break;
    case VIDEO_STOP:
        if (player)
            m_vlc->MediaPlayerStop(player.get());
        OnUiThread(this, [this] { ShowIdlePicture(); });
        break;
    case VIDEO_PREVIOUS:
    case VIDEO_NEXT:
    case NEW_VIDEO_PLAY:
        OnUiThread(this, [this] { ShowVideoSurface(); });
        if (!player)
            break;
        if (CurrentRecordingFileExists())
            m_vlc->MediaPlayerPlay(player.get());
        else
            m_vlc->MediaPlayerStop(player.get());
        break;
    case VIDEO_MEDIA_LOAD:
        m_mediaLoading = true;
        if (player)
            m_vlc->MediaPlayerSetPause(player.get());
        player.reset();  // the old player goes as soon as the new one replaces it
        SetCurrentVideoMedia();
        break;
    case CHANGE_VIDEO_FRAME_POSITION:
        if (!player || !param)
            break;
        m_vlc->MediaPlayerSetPosition(player.get(), param->position);
        // The engine reports no position while paused, and while playing its next report may be a quarter
        // of a second away: the moment sought is announced at once, so that everything that follows the
        // position (times, speed, map, G-sensor, the report) shows the picture now on screen.
        if (m_session.GetCurrentRecording())
            PostPosition(param->position);
        break;
    case CHANGE_VIDEO_SPEED:
        if (!param)
            break;
        m_rate = param->rate;
        if (player)
            m_vlc->MediaPlayerSetRate(player.get(), param->rate);
        break;
    case CHANGE_VIDEO_BRIGHTNESS:
        if (!param)
            break;
        m_brightness = param->brightness;
        if (player)
            ApplyBrightness(player.get(), param->brightness);
        break;
    case CHANGE_VIDEO_VOLUME:
        if (!param)
            break;
        m_volume = param->volume;
        if (player)
            m_vlc->AudioSetVolume(player.get(), param->volume);
        break;
    case CAPTURE_VIDEO_SNAPSHOT:
        if (param)
            CaptureVideoSnapshot(param->snapshotPath, param->snapshotFolder);
        break;
    case VIDEO_FILE_NOT_FOUND:
        OnUiThread(this, [this] { ShowIdlePicture(); });
        break;
    default:
        break;
    }
}

void CFirstChannelVideoPane::CaptureVideoSnapshot(const std::string& path, const std::string& folder)
{
    const RecordingItem* recording = m_session.GetCurrentRecording();
    const auto player = Player();
    if (!recording || !player)
        return;
    Snapshot still = TakeSnapshot(player.get(), path, recording->channelCount > 1 ? "(Track1)" : nullptr);
    // A recording that was still opening when the capture paused playback missed that pause: it stays
    // paused after the still like any other.
    if (!folder.empty() && m_vlc->MediaPlayerIsPlaying(player.get()))
        m_vlc->MediaPlayerSetPause(player.get());
    if (folder.empty())
        return;
    if (!still.result)
        WriteLog("still not saved: " + still.result.Describe(), kClass, "CaptureVideoSnapshot", kLogType,
                 kLogLevelNormal);
    // Boxes appear on the user-interface thread, at once when the capture was asked for there.
    QMetaObject::invokeMethod(
        this, [this, still = std::move(still), folder] { TellSnapshotResult(still, folder); }, Qt::AutoConnection);
}

void CFirstChannelVideoPane::TellSnapshotResult(const Snapshot& still, const std::string& folder)
{
    IMessageBoxes& boxes = GetMessageBoxes();
    // The player control pane owns the boxes.
    QWidget* owner = parentWidget() ? parentWidget() : this;
    if (!still.result) {
        const QString reason =
            still.result.Error() == ENODATA ? LoadText(StringId::kReasonNoPicture) : ReasonText(still.result);
        boxes.ShowWithIcon(owner, QApplication::applicationDisplayName(),
                           SaveFailureText(StringId::kStillNotSaved, still.path, reason), QMessageBox::Ok,
                           QMessageBox::Warning);
        return;
    }
    const QString text = QString::fromStdString(still.path + LoadString(StringId::kStillSavedAskShowFolder));
    if (boxes.Show(owner, QString::fromUtf8(kWarningCaption), text, QMessageBox::Yes | QMessageBox::No) ==
        QMessageBox::Yes)
        boxes.OpenFolder(QString::fromStdString(folder));
}

void CFirstChannelVideoPane::ShowIdlePicture()
{
    m_surface->hide();
    m_idlePicture->show();
}

void CFirstChannelVideoPane::ShowVideoSurface()
{
    m_idlePicture->hide();
    m_surface->show();
}

// The engine's handlers run on its threads and only post: stopping or releasing a player from inside
// one of them deadlocks the engine.

void CFirstChannelVideoPane::OnMediaPlayerPositionChanged(const libvlc_event_t* event, void* pane)
{
    const float position = event->u.media_player_position_changed.new_position;
    if (position >= 1.0f) {
        Pane(pane)->PostEndOfRecording();
        return;
    }
    Pane(pane)->PostPosition(position);
}

void CFirstChannelVideoPane::PostPosition(float position)
{
    // The end of the recording is the engine's to report.
    if (!(position >= 0.0f && position < 1.0f))
        return;
    auto param = std::make_unique<MessageParam>();
    param->position = position;
    Post(VIDEO_FRAME_POSITION_CHANGED, std::move(param));
}

void CFirstChannelVideoPane::OnMediaPlayerPlaying(const libvlc_event_t*, void* pane)
{
    // Both channels re-apply the brightness whenever playback starts.
    Pane(pane)->Post(VIDEO_PLAYING);
    auto param = std::make_unique<MessageParam>();
    param->brightness = Pane(pane)->m_brightness;
    Pane(pane)->Post(CHANGE_VIDEO_BRIGHTNESS, std::move(param));
}

void CFirstChannelVideoPane::OnMediaPlayerPaused(const libvlc_event_t*, void* pane)
{
    if (!Pane(pane)->m_mediaLoading)
        Pane(pane)->Post(VIDEO_PAUSE);
}

void CFirstChannelVideoPane::OnMediaPlayerEndReached(const libvlc_event_t*, void* pane)
{
    Pane(pane)->PostEndOfRecording();
}

void CFirstChannelVideoPane::OnMediaPlayerOpening(const libvlc_event_t*, void* pane)
{
    Pane(pane)->m_mediaLoading = false;
    Pane(pane)->m_endHandled = false;
    // The main window reads the metadata on the first; every view finds it ready on the second.
    Pane(pane)->Post(VIDEO_OPENING);
    Pane(pane)->Post(VIDEO_METADATA_CREATED);
}

void CFirstChannelVideoPane::PostEndOfRecording()
{
    if (m_endHandled.exchange(true))
        return;
    Post(VIDEO_END_REACHED);
    int32_t next = 0;
    const bool hasNext = m_session.GetNextIndex(next);
    auto select = std::make_unique<MessageParam>();
    // After the last recording the list returns to its first one, loaded and stopped.
    select->index = hasNext ? next : 0;
    Post(VIDEO_INDEX_SELECT, std::move(select));
    Post(VIDEO_MEDIA_LOAD);
    Post(hasNext ? VIDEO_NEXT : VIDEO_STOP);
}
