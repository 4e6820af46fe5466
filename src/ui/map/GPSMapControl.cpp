#include "ui/map/GPSMapControl.h"

#include "infra/DiagnosticLog.h"
#include "infra/MenuTable.h"
#include "ui/TrackExportAction.h"
#include "infra/StringTable.h"
#include "recording/AVIFileLoader.h"
#include "ui/map/ConnectivityCheck.h"
#include "ui/map/MapBrowserModule.h"
#include "widgets/CButtonStyle.h"
#include "widgets/ResourceManager.h"
#include "widgets/SkinIds.h"
#include "widgets/SkinFont.h"
#include "widgets/LoadText.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QWindow>

#include <array>
#include <charconv>
#include <cmath>

namespace {

constexpr const char* kClassName = "GPSMapControl";
constexpr const char* kPageName = "map.htm";
const QColor kBackground(51, 51, 51);
const QColor kText(200, 200, 200);
constexpr int kLabelHeight = 13;
constexpr int kLabelGap = 4;  // between a widened box and the one it pushes along

// The public tile service; TESSARO_MAP_TILES replaces it.
constexpr const char* kDefaultTiles = "https://tile.openstreetmap.org/{z}/{x}/{y}.png";
constexpr const char* kTilesAttribution = "\u00a9 OpenStreetMap contributors";

void Log(const char* function, const std::string& text)
{
    WriteLog(text, kClassName, function, kLogType, kLogLevelNormal);
}

QString TilesTemplate()
{
    const QString configured = qEnvironmentVariable("TESSARO_MAP_TILES");
    return configured.isEmpty() ? QString::fromLatin1(kDefaultTiles) : configured;
}

// "%f" with '.' whatever the process's locale says.
QString FixedSix(double value)
{
    std::array<char, 400> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value,
                                      std::chars_format::fixed, 6);
    return QString::fromLatin1(digits.data(), static_cast<int>(result.ptr - digits.data()));
}

const QString kNoValue = QStringLiteral("-");

bool HasPosition(const GpsSample& sample)
{
    return sample.valid && std::isfinite(sample.latitude) && std::isfinite(sample.longitude);
}

// The track as the page takes it: a [latitude, longitude] pair per sample, a gap where there was no fix.
QVariantList TrackPoints(const std::vector<GpsSample>& samples)
{
    QVariantList points;
    points.reserve(static_cast<qsizetype>(samples.size()));
    for (const GpsSample& sample : samples)
        points.append(HasPosition(sample) ? QVariant(QVariantList{sample.latitude, sample.longitude}) : QVariant());
    return points;
}

QLabel* MakeText(QWidget* parent, const QString& text, bool opaque)
{
    auto* label = new QLabel(text, parent);
    label->setFont(SkinFont(QStringLiteral("MS Shell Dlg"), kLabelHeight));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, kText);
    palette.setColor(QPalette::Window, kBackground);
    label->setPalette(palette);
    label->setAutoFillBackground(opaque);
    return label;
}

QLabel* MakeStatusPicture(QWidget* parent, int pngId, int tipId)
{
    auto* picture = new QLabel(parent);
    picture->setAutoFillBackground(true);
    QPalette palette = picture->palette();
    palette.setColor(QPalette::Window, kBackground);
    picture->setPalette(palette);
    picture->setAlignment(Qt::AlignCenter);
    picture->setPixmap(ResourceManager::GetInstance()->LoadPng(pngId, parent->devicePixelRatioF()));
    picture->setToolTip(LoadText(tipId));
    picture->hide();
    return picture;
}

}  // namespace

QUrl GPSMapControl::FindPageUrl()
{
    const QStringList folders = ResourceManager::DefaultFolders();
    for (const QString& folder : folders) {
        const QString path = QDir(folder).absoluteFilePath(kPageName);
        if (QFileInfo::exists(path))
            return QUrl::fromLocalFile(path);
    }
    return QUrl::fromLocalFile(QDir(folders.value(0)).absoluteFilePath(kPageName));
}

QRect GPSMapControl::DockedGeometry(QSize mainWindow)
{
    return {mainWindow.width() - 285, 46, 280, mainWindow.height() / 3 + 50};
}

GPSMapControl::GPSMapControl(QWidget* parent, PlaybackSession& session, BrowserStart start)
    : QWidget(parent), m_session(session), m_parent(parent), m_isLive(true), m_pageUrl(FindPageUrl())
{
    Log("OnInitDialog", "GPSMapControl Create");
    for (const Accelerator& accelerator : LoadAcceleratorTable())
        m_accelerators.emplace_back(QKeySequence(QString::fromStdString(accelerator.keys)), accelerator.command);

    BuildChildren();
    installEventFilter(this);
    if (start == BrowserStart::Now)
        StartBrowser();

    m_check = new ConnectivityCheck(this);
    connect(m_check, &ConnectivityCheck::Finished, this, [this](bool connected) {
        m_state.connected = connected;
        ShowMapOrReason();
    });

    SetPopupButtonEnabled(false);
    ShowMapOrReason();
    CheckNetwork();
    m_popupButton->setText(LoadText(StringId::kZoomInTip));
    CreatePlaceholder();
    m_ready = true;
    Relayout();
    m_listening = {session, *this};
}

GPSMapControl::GPSMapControl(QWidget* parent, PlaybackSession& session, Inert)
    : QWidget(parent), m_session(session), m_parent(nullptr), m_isLive(false)
{
    BuildChildren();
    SetPopupButtonEnabled(false);
    m_popupButton->setText(LoadText(StringId::kZoomInTip));
    for (QLabel* text : {m_latitudeLabel, m_latitudeValue, m_longitudeLabel, m_longitudeValue})
        text->hide();
    m_ready = true;
    Relayout();
}

GPSMapControl::~GPSMapControl()
{
    // Nothing may reach the pane while its children go.
    m_listening.Reset();
    delete m_placeholder;
}

void GPSMapControl::BuildChildren()
{
    m_headerBitmap = ResourceManager::GetInstance()->LoadBitmap(SkinId::kPaneHeader, devicePixelRatioF());
    m_title = MakeText(this, LoadText(StringId::kMapTitle), false);
    m_popupButton = new CButtonStyle(this);
    m_popupButton->setFocusPolicy(Qt::NoFocus);
    m_popupButton->setToolTip(LoadText(StringId::kPopupMapTip));
    connect(m_popupButton, &CButtonStyle::clicked, this, &GPSMapControl::OnBnClickedPopup);
    m_latitudeLabel = MakeText(this, LoadText(StringId::kMapLatitudeLabel), true);
    m_latitudeValue = MakeText(this, kNoValue, true);
    m_longitudeLabel = MakeText(this, LoadText(StringId::kMapLongitudeLabel), true);
    m_longitudeValue = MakeText(this, kNoValue, true);
    m_noGpsPicture = MakeStatusPicture(this, SkinId::kNoGps, StringId::kNoGpsData);
    m_noNetworkPicture = MakeStatusPicture(this, SkinId::kNoNetwork, StringId::kInternetNotConnected);
    setMinimumSize(0, 0);
}

void GPSMapControl::CreatePlaceholder()
{
    if (!m_parent)
        return;
    m_placeholder = new GPSMapControl(m_parent, m_session, Inert{});
    m_placeholder->setGeometry(DockedGeometry(m_parent->size()).translated(0, -1));
    m_placeholder->hide();
}

void GPSMapControl::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    AddExportTrackAction(menu, this, m_session);
    menu.exec(event->globalPos());
}

void GPSMapControl::SetPopupButtonEnabled(bool on)
{
    m_popupButton->SetBackdrop(SkinId::kPaneHeader, m_headerBitmap);
    if (on)
        m_popupButton->SetIcons(SkinId::kPopOutNormal, SkinId::kPopOutPressed, SkinId::kPopOutNormal);
    else
        m_popupButton->SetIcons(SkinId::kPopOutDisabled, SkinId::kPopOutPressed, SkinId::kPopOutPressed);
    m_popupButton->setEnabled(on);
}

void GPSMapControl::StartBrowser()
{
    if (m_browser || !m_isLive)
        return;
    MapBrowserSetup setup;
    setup.pageUrl = m_pageUrl;
    setup.userAgent = ConnectivityCheck::UserAgent();
    setup.log = [](const std::string& text) { WriteLog(text, kClassName, "MapPage", kLogType, kLogLevelNormal); };
    const QPointer<GPSMapControl> self(this);
    setup.loaded = [self](bool) {
        if (self && self->m_browser)
            if (QWidget* proxy = self->m_browser->focusProxy())
                proxy->installEventFilter(self);
    };
    m_page = MakeMapBrowser(this, setup);
    if (!m_page)
        return;  // no browser: the pane keeps its pictures and texts
    m_browser = m_page->View();
    m_browser->hide();
    m_browser->installEventFilter(this);
    if (m_ready)
        m_browser->setGeometry(BrowserArea());
    // The new page learns what the pane shows.
    m_pageOnline.reset();
    m_page->SetTrack(TrackPoints(m_track));
    if (m_marker && m_state.PageShows())
        SendPositionToPage(*m_marker);
    ShowMapOrReason();
    if (isVisible())
        LoadPageSoon();
}

void GPSMapControl::LoadPageSoon()
{
    QTimer::singleShot(0, m_browser, [page = m_page] { page->Load(); });
}

void GPSMapControl::CheckNetwork()
{
    if (m_check)
        m_check->Start();
}

void GPSMapControl::ShowMapOrReason()
{
    if (!m_isLive)
        return;
    const bool pageShows = m_state.PageShows();
    if (m_page && m_pageOnline != m_state.connected) {
        m_pageOnline = m_state.connected;
        if (m_state.connected)
            m_page->SetTiles(TilesTemplate(), QString::fromUtf8(kTilesAttribution));
        else
            m_page->SetOffline(LoadText(StringId::kInternetNotConnected));
    }
    if (m_browser)
        m_browser->setVisible(pageShows);
    m_noGpsPicture->setVisible(!pageShows && m_state.hasRecording);
    m_noNetworkPicture->setVisible(!pageShows && !m_state.hasRecording);
    SetPopupButtonEnabled(pageShows);
    QWidget::update();
}

void GPSMapControl::update(int32_t message, MessageParam* param)
{
    switch (message) {
    case VIDEO_FILES_OPENED:
        OnFilesOpened();
        break;
    case VIDEO_STOP:
        Publish(kNoValue, kNoValue, std::nullopt, true);
        OnFilesOpened();
        break;
    case VIDEO_END_REACHED:
        Publish(kNoValue, kNoValue, std::nullopt);
        break;
    case VIDEO_METADATA_CREATED:
        OnMetadataCreated();
        break;
    case VIDEO_FRAME_POSITION_CHANGED:
        if (param)
            OnPosition(param->position);
        break;
    default:
        break;
    }
}

void GPSMapControl::OnFilesOpened()
{
    // A new list replaced the recordings, or playback stopped: nothing is being played.
    OnUiThread(this, [this] {
        m_state.hasRecording = false;
        m_state.hasGps = false;
        m_track.clear();
        m_marker.reset();
        if (m_page)
            m_page->SetTrack({});
        ShowMapOrReason();
        CheckNetwork();
    });
}

void GPSMapControl::OnMetadataCreated()
{
    const RecordingItem* item = m_session.GetCurrentRecording();
    std::vector<GpsSample> track = item ? item->gpsSamples : std::vector<GpsSample>{};
    const bool hasRecording = item != nullptr;
    if (track.empty())
        Publish(kNoValue, kNoValue, std::nullopt, true);
    OnUiThread(this, [this, hasRecording, track = std::move(track)] {
        m_state.hasRecording = hasRecording;
        m_state.hasGps = !track.empty();
        m_track = track;
        if (m_page)
            m_page->SetTrack(TrackPoints(m_track));
        ShowMapOrReason();
        CheckNetwork();
    });
}

void GPSMapControl::OnPosition(float position)
{
    const RecordingItem* item = m_session.GetCurrentRecording();
    if (!item)
        return;
    const std::optional<GpsSample> sample = GetGpsSampleAt(*item, static_cast<double>(position) * item->duration);
    if (sample) {
        Publish(FixedSix(sample->latitude), FixedSix(sample->longitude), sample);
    } else if (!item->gpsSamples.empty()) {
        // A second without a fix: where the vehicle was is unknown, and the texts say so rather than keep
        // the last fix as if it were now.
        const QString noFix = LoadText(StringId::kNoGpsFix);
        Publish(noFix, noFix, std::nullopt, true);
    }
}

void GPSMapControl::Publish(const QString& latitude, const QString& longitude, std::optional<GpsSample> sample,
                            bool hideMarker)
{
    {
        std::lock_guard lock(m_pendingLock);
        // An empty text leaves the one already waiting.
        if (!latitude.isEmpty())
            m_pending.latitude = latitude;
        if (!longitude.isEmpty())
            m_pending.longitude = longitude;
        if (sample || hideMarker) {
            m_pending.sample = sample;
            m_pending.hideMarker = hideMarker;
        }
    }
    // One queued hand-over at a time; later positions only replace what it will send.
    if (!m_positionQueued.exchange(true))
        OnUiThread(this, [this] { SendPendingPosition(); });
}

void GPSMapControl::SendPendingPosition()
{
    PendingPosition pending;
    {
        std::lock_guard lock(m_pendingLock);
        pending = std::exchange(m_pending, PendingPosition{});
        m_positionQueued = false;
    }
    SetCoordinateTexts(pending.latitude, pending.longitude);
    if (pending.sample)
        SendPositionToPage(*pending.sample);
    else if (pending.hideMarker) {
        m_marker.reset();
        if (m_page)
            m_page->ClearPosition();
    }
}

void GPSMapControl::SendPositionToPage(const GpsSample& sample)
{
    m_marker = sample;
    if (!m_page || !m_state.PageShows())
        return;
    if (HasPosition(sample))
        m_page->SetPosition(sample.latitude, sample.longitude);
    else
        m_page->ClearPosition();
}

void GPSMapControl::SetCoordinateTexts(const QString& latitude, const QString& longitude)
{
    bool changed = false;
    for (auto [label, text] : {std::pair{m_latitudeValue, latitude}, std::pair{m_longitudeValue, longitude}}) {
        if (text.isEmpty() || label->text() == text)
            continue;
        label->setText(text);
        changed = true;
    }
    if (changed)
        Relayout();
}

void GPSMapControl::OnBnClickedPopup()
{
    if (!m_isLive || !m_parent)
        return;
    Log("OnBnClickedPopup", "Popup Click");
    SetFloating(!m_isFloating);
    Log("OnBnClickedPopup", "Popup end");
}

void GPSMapControl::SetFloating(bool floating)
{
    const QRect docked = DockedGeometry(m_parent->size());
    if (floating) {
        if (m_placeholder) {
            m_placeholder->setGeometry(docked);
            m_placeholder->show();
        }
        const QPoint origin = mapToGlobal(QPoint(0, 0));
        // Still owned by the main window, so it goes (and minimizes) with it, but a window of its own.
        setParent(m_parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setMinimumSize(kFloatingSize);
        setGeometry(QRect(origin + QPoint(10, 10), kFloatingSize));
        m_isFloating = true;
        m_popupButton->setText(LoadText(StringId::kZoomOutTip));
    } else {
        if (m_placeholder)
            m_placeholder->hide();
        setParent(m_parent, Qt::Widget);
        setMinimumSize(0, 0);
        setGeometry(docked);
        m_isFloating = false;
        m_popupButton->setText(LoadText(StringId::kZoomInTip));
    }
    show();
}

QRect GPSMapControl::BrowserArea() const
{
    return {2, 35, width() - 4, height() - 65};
}

QPixmap GPSMapControl::MapPicture()
{
    return grab(BrowserArea());
}

void GPSMapControl::Relayout()
{
    if (!m_ready)
        return;
    const int w = width();
    const int h = height();
    m_title->setGeometry(10, 11, 70, 20);
    m_popupButton->setGeometry(w - 40, 1, 33, 33);
    if (m_browser)
        m_browser->setGeometry(BrowserArea());
    const QRect picture((w - 128) / 2, (h - 158) / 2, 128, 158);
    m_noGpsPicture->setGeometry(picture);
    m_noNetworkPicture->setGeometry(picture);

    // The row beneath the map: each box at its place and width, widened to its text. A widened box
    // pushes the ones after it along, and the row then gives back the room between the two pairs so
    // that it still ends inside the pane: no text is cut off.
    struct Box {
        QLabel* label;
        int x, width;
    };
    std::array<Box, 4> row{{{m_latitudeLabel, 20, 40},
                            {m_latitudeValue, 60, 60},
                            {m_longitudeLabel, 150, 40},
                            {m_longitudeValue, 200, 60}}};
    int nextFree = 0;
    for (Box& box : row) {
        box.width = std::max(box.width, QFontMetrics(box.label->font()).horizontalAdvance(box.label->text()));
        box.x = std::max(box.x, nextFree);
        nextFree = box.x + box.width + kLabelGap;
    }
    int limit = w - kLabelGap;
    for (auto box = row.rbegin(); box != row.rend(); ++box) {
        box->x = std::min(box->x, limit - box->width);
        limit = box->x - kLabelGap;
    }
    for (const Box& box : row)
        box.label->setGeometry(box.x, h - 23, box.width, kLabelHeight);
}

void GPSMapControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    if (!m_headerBitmap.isNull())
        painter.drawPixmap(QRect(0, -1, width(), 34), m_headerBitmap);
}

void GPSMapControl::resizeEvent(QResizeEvent*)
{
    Relayout();
}

void GPSMapControl::showEvent(QShowEvent*)
{
    // The engine's first load holds the user-interface thread for a moment: only once the window shows.
    if (m_page && !m_page->LoadsStarted())
        LoadPageSoon();
}

Qt::Edges GPSMapControl::ResizeEdgesAt(QPoint point) const
{
    const bool right = point.x() >= width() - kResizeBand;
    const bool bottom = point.y() >= height() - kResizeBand;
    Qt::Edges edges;
    if (right)
        edges |= Qt::RightEdge;
    if (bottom)
        edges |= Qt::BottomEdge;
    return edges;
}

void GPSMapControl::mousePressEvent(QMouseEvent* event)
{
    if (!m_isFloating || event->button() != Qt::LeftButton)
        return;
    const Qt::Edges edges = ResizeEdgesAt(event->position().toPoint());
    QWindow* window = windowHandle();
    const bool started = window && (edges ? window->startSystemResize(edges) : window->startSystemMove());
    if (started)
        return;
    // No window manager to do it: move or resize by hand.
    m_dragging = true;
    m_dragEdges = edges;
    m_dragStart = event->globalPosition().toPoint();
    m_dragGeometry = geometry();
}

void GPSMapControl::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return;
    const QPoint delta = event->globalPosition().toPoint() - m_dragStart;
    if (!m_dragEdges) {
        move(m_dragGeometry.topLeft() + delta);
        return;
    }
    QSize size = m_dragGeometry.size();
    if (m_dragEdges & Qt::RightEdge)
        size.rwidth() += delta.x();
    if (m_dragEdges & Qt::BottomEdge)
        size.rheight() += delta.y();
    resize(size.expandedTo(kFloatingSize));
}

void GPSMapControl::mouseReleaseEvent(QMouseEvent*)
{
    m_dragging = false;
}

bool GPSMapControl::eventFilter(QObject* watched, QEvent* event)
{
    // The program's shortcuts become commands for the main window, wherever the pane is; every other
    // key stays out of the page. The mouse still zooms and pans.
    const bool shortcutOverride = event->type() == QEvent::ShortcutOverride;
    if (!shortcutOverride && event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const QKeySequence pressed(key->keyCombination());
    for (const auto& [sequence, command] : m_accelerators) {
        if (sequence != pressed)
            continue;
        if (!shortcutOverride)
            emit Command(command);
        break;
    }
    event->accept();
    return true;
}
