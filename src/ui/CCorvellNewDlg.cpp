#include "ui/CCorvellNewDlg.h"

#include "infra/DiagnosticLog.h"
#include "infra/MenuTable.h"
#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "infra/SystemInfo.h"
#include "infra/UserFolders.h"
#include "output/ReportBuilder.h"
#include "playback/CVideoPlayerPane.h"
#include "ui/CAbout.h"
#include "ui/graph/GyroscopeGraphControl.h"
#include "ui/list/VideoListControl.h"
#include "ui/map/GPSMapControl.h"
#include "ui/open/CLoadingDlg.h"
#include "ui/open/RecordingOpener.h"
#include "ui/settings/SettingsController.h"
#include "ui/settings/UDisksCardFormatter.h"
#include "widgets/CButtonStyle.h"
#include "widgets/CMyBitmapButton.h"
#include "widgets/MessageBoxes.h"
#include "widgets/ResourceManager.h"
#include "widgets/SkinIds.h"
#include "widgets/LoadText.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSlider>
#include <QWindow>

#include <algorithm>

namespace {

constexpr const char* kClassName = "CCorvellNewDlg";

struct ToolbarButton {
    int id;
    int normal, pressed, hover;
    int tip;
};

// In their order on the toolbar, 42 pixels apart.
constexpr ToolbarButton kToolbar[7] = {
    {CCorvellNewDlg::kOpenButton, SkinId::kOpenNormal, SkinId::kOpenPressed, SkinId::kOpenHover, StringId::kOpenTip},
    {CCorvellNewDlg::kCaptureButton, SkinId::kCaptureNormal, SkinId::kCapturePressed, SkinId::kCaptureHover,
     StringId::kImageCaptureTip},
    {CCorvellNewDlg::kRecordButton, SkinId::kRecordNormal, SkinId::kRecordPressed, SkinId::kRecordHover,
     StringId::kVideoCaptureTip},
    {CCorvellNewDlg::kPrintButton, SkinId::kPrintNormal, SkinId::kPrintPressed, SkinId::kPrintHover,
     StringId::kPrintTip},
    {CCorvellNewDlg::kSettingsButton, SkinId::kSettingsNormal, SkinId::kSettingsPressed, SkinId::kSettingsHover,
     StringId::kSettingsTip},
    {CCorvellNewDlg::kVideoMaximizeButton, SkinId::kFullScreenNormal, SkinId::kFullScreenPressed,
     SkinId::kFullScreenHover, StringId::kFullScreenTip},
    {CCorvellNewDlg::kAboutButton, SkinId::kAboutNormal, SkinId::kAboutPressed, SkinId::kAboutHover,
     StringId::kAboutTip},
};
// The three output buttons' look when disabled, by toolbar slot.
constexpr int kDisabledIcon[7] = {0, SkinId::kCaptureDisabled, SkinId::kRecordDisabled, SkinId::kPrintDisabled, 0, 0, 0};

void AddMenuEntries(QMenu& menu, const std::vector<MenuEntry>& entries, Language language,
                    CCorvellNewDlg* window)
{
    for (const MenuEntry& entry : entries) {
        const QString text = QString::fromStdString(entry.Text(language));
        if (entry.kind == MenuEntry::Separator) {
            menu.addSeparator();
        } else if (entry.kind == MenuEntry::Popup) {
            QMenu* sub = menu.addMenu(text);
            AddMenuEntries(*sub, entry.children, language, window);
        } else {
            const int id = entry.id;
            QObject::connect(menu.addAction(text), &QAction::triggered, window, [window, id] { window->OnCommand(id); });
        }
    }
}

}  // namespace

CCorvellNewDlg::CCorvellNewDlg(PlaybackSession& session, VlcFunctionExecutor& vlc, const ViewerOptions& options)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      m_session(session),
      m_vlc(vlc),
      m_options(options),
      m_pending(session)
{
    setWindowIcon(ResourceManager::GetInstance()->LoadIcon(SkinId::kAppIcon));
    // First listener: its ClearQueue on playback start and the hand-over of opened lists come before any
    // pane sees the messages.
    m_listening = SessionSubscription(m_session, *this);
    setAcceptDrops(true);
    setMouseTracking(true);
    setMinimumSize(kInitialSize);
    m_opener = std::make_unique<RecordingOpener>(this, m_session, m_pending);
    m_stillAndClip = std::make_unique<StillAndClipCommands>(this, m_session, GetMessageBoxes(), m_options);
    InitDialog();
}

CCorvellNewDlg::~CCorvellNewDlg()
{
    // Panes first (each unregisters itself), then this window's own subscription.
    delete m_mapPane;
    delete m_listPane;
    delete m_playerPane;
    m_listening.Reset();
}

void CCorvellNewDlg::Log(const char* function, const std::string& text) const
{
    WriteLog(text, kClassName, function, kLogType, kLogLevelNormal);
}

void CCorvellNewDlg::InitDialog()
{
    setWindowTitle(QStringLiteral("TessaroViewer"));
    m_options.m_saveDirectory = DocumentsFolder().string();
    setGeometry(QRect(QPoint(0, 0), kInitialSize));

    DiagnosticLog& log = GetLog();
    log.enabled = m_options.m_useLog;
    log.logType = m_options.m_logType;
    log.logLevel = m_options.m_logLevel;
    Log("OnInitDialog", "Log Start!");
    Log("OnInitDialog", "CorvellDlg Init");
    // The listing walks the whole folder tree: only worth it when someone reads the log.
    if (log.enabled)
        LogFileNames();
    Log("OnInitDialog", GetOsName());
    Log("OnInitDialog", GetMemoryReport());
    Log("OnInitDialog", GetCpuClock());
    Log("OnInitDialog", GetCpuType());

    m_titleBitmap = ResourceManager::GetInstance()->LoadBitmap(SkinId::kTitleBand);
    BuildButtons();

    m_playerPane = new CVideoPlayerPane(this, m_session, m_vlc, [](QWidget* parent, PlaybackSession& session) {
        return new GyroscopeGraphControl(parent, session);
    });
    // The web engine starts once the first recording plays (or a moment after the window shows), so
    // that its start does not hold up the first picture.
    m_mapPane = new GPSMapControl(this, m_session, GPSMapControl::BrowserStart::Later);
    m_listPane = new VideoListControl(this, m_session);
    connect(m_playerPane, &CVideoPlayerPane::MinimizeRequested, this, &CCorvellNewDlg::OnBnClickedVideoMinimizeBtn);
    connect(m_mapPane, &GPSMapControl::Command, this, &CCorvellNewDlg::OnCommand);
    RepositionPanes();

    ShowToolbar(true);
    SetOutputButtonsEnabled(false);
    m_session.filter = 0;
    m_session.ClearQueue();
    BuildShortcuts();

    auto param = std::make_unique<MessageParam>();
    param->sliderInterval = m_options.m_playValue;
    PostMessage(m_session, VIDEO_FRAME_POSITION_SLIDER_INTERVAL_VALUE_CHANGED, std::move(param));
    m_printDirect = true;
    m_layoutReady = true;
}

void CCorvellNewDlg::BuildButtons()
{
    const auto windowButton = [this](int id, int normal, int pressed, int tip) {
        auto* button = new CMyBitmapButton(this);
        button->setObjectName(QString::number(id));
        (void)button->LoadBitmaps(static_cast<quint16>(normal), static_cast<quint16>(pressed));
        button->SizeToContent();
        button->setFocusPolicy(Qt::NoFocus);
        if (tip)
            button->setToolTip(LoadText(tip));
        connect(button, &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
        return button;
    };
    m_logoButton = windowButton(kLogoButton, SkinId::kLogo, 0, 0);
    m_logoButton->setEnabled(false);
    m_minimizeButton = windowButton(kMinimizeButton, SkinId::kMinimizeNormal, SkinId::kMinimizePressed, StringId::kMinimizeTip);
    m_maximizeButton = windowButton(kMaximizeButton, SkinId::kMaximizeNormal, SkinId::kMaximizePressed, StringId::kMaximizeTip);
    m_closeButton = windowButton(kCloseButton, SkinId::kCloseNormal, SkinId::kClosePressed, StringId::kCloseTip);

    for (std::size_t i = 0; i < m_toolbar.size(); ++i) {
        const ToolbarButton& spec = kToolbar[i];
        auto* button = new CButtonStyle(this);
        button->setObjectName(QString::number(spec.id));
        button->setFocusPolicy(Qt::NoFocus);
        button->SetBackdrop(SkinId::kTitleBand, m_titleBitmap);
        button->SetIcons(spec.normal, spec.pressed, spec.hover);
        button->setToolTip(LoadText(spec.tip));
        const int id = spec.id;
        connect(button, &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
        m_toolbar[i] = button;
    }
}

void CCorvellNewDlg::BuildShortcuts()
{
    for (const Accelerator& accelerator : LoadAcceleratorTable()) {
        auto* action = new QAction(this);
        action->setShortcut(QKeySequence(QString::fromStdString(accelerator.keys)));
        action->setShortcutContext(Qt::WindowShortcut);
        const int id = accelerator.command;
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        addAction(action);
        m_shortcuts.push_back(action);
    }
    // The report preview has no key of its own in the table; Ctrl+Shift+P reaches it.
    auto* preview = new QAction(this);
    preview->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+P")));
    preview->setShortcutContext(Qt::WindowShortcut);
    connect(preview, &QAction::triggered, this, [this] { OnCommand(kPrintPreview); });
    addAction(preview);
    m_shortcuts.push_back(preview);
}

QWidget* CCorvellNewDlg::Control(int id) const
{
    return findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

bool CCorvellNewDlg::HasCurrentRecording() const
{
    return m_session.GetCurrentRecording() != nullptr;
}

void CCorvellNewDlg::update(int32_t message, MessageParam* param)
{
    switch (message) {
    case VIDEO_LIST_UPDATE:
        (void)m_pending.HandOver();
        break;
    case VIDEO_PLAY:
    case VIDEO_PREVIOUS:
    case VIDEO_NEXT:
    case NEW_VIDEO_PLAY: {
        // A list of only unreadable recordings plays nothing: there is nothing to capture or print.
        const bool playing = HasCurrentRecording();
        OnUiThread(this, [this, playing] { SetOutputButtonsEnabled(playing); });
        m_session.ClearQueue();
        break;
    }
    case VIDEO_PLAYING:
        OnUiThread(this, [this] {
            QTimer::singleShot(kMapStartAfterPlayingMs, m_mapPane, &GPSMapControl::StartBrowser);
        });
        break;
    case VIDEO_STOP:
        OnUiThread(this, [this] { SetOutputButtonsEnabled(false); });
        m_session.ClearQueue();
        break;
    case VIDEO_INDEX_SELECT:
        if (param)
            (void)m_session.SetCurrentIndex(param->index);
        break;
    case VIDEO_OPENING:
        (void)m_session.LoadCurrentMetadata();
        break;
    case VIDEO_FRAME_POSITION_CHANGED:
        if (param)
            m_session.position = param->position;
        break;
    case VIDEO_FILE_NOT_FOUND:
        OnUiThread(this, [this] {
            GetMessageBoxes().Show(this, QString(), LoadText(StringId::kCouldNotFindFile), QMessageBox::Ok);
            SetOutputButtonsEnabled(false);
        });
        break;
    default:
        break;
    }
}

void CCorvellNewDlg::SetOutputButtonsEnabled(bool enable)
{
    for (std::size_t i = 1; i <= 3; ++i) {
        const ToolbarButton& spec = kToolbar[i];
        if (enable)
            m_toolbar[i]->SetIcons(spec.normal, spec.pressed, spec.hover);
        else
            m_toolbar[i]->SetIcons(kDisabledIcon[i], kDisabledIcon[i], kDisabledIcon[i]);
        m_toolbar[i]->setEnabled(enable);
    }
}

void CCorvellNewDlg::ShowToolbar(bool show)
{
    for (CButtonStyle* button : m_toolbar)
        button->setVisible(show);
    for (CMyBitmapButton* button : {m_minimizeButton, m_maximizeButton, m_closeButton, m_logoButton})
        button->setVisible(show);
}

void CCorvellNewDlg::RepositionPanes()
{
    const QRect client = rect();
    const int L = client.left(), T = client.top(), W = client.width(), H = client.height();
    const int R = L + W;
    if (m_session.videoAreaMaximized) {
        m_playerPane->setGeometry(L, T, W, H);
    } else {
        const int mapHeight = H / 3 + 50;
        const int listHeight = 2 * H / 3 - 99;
        const QRect mapArea(R - 285, T + 46, 280, mapHeight);
        if (!m_mapPane->IsFloating())
            m_mapPane->setGeometry(mapArea);
        else if (GPSMapControl* placeholder = m_mapPane->Placeholder())
            placeholder->setGeometry(mapArea);
        m_listPane->setGeometry(R - 285, T + 46 + mapHeight, 280, listHeight);
        m_playerPane->setGeometry(L + 5, T + 46, W - 295, H - 50);
    }
    const QSize logo = m_logoButton->size();
    const QSize button = m_minimizeButton->size();
    m_logoButton->move(R - logo.width() - 3 * (button.width() + 3), 7);
    m_minimizeButton->move(R - 3 * (button.width() + 3), 12);
    m_maximizeButton->move(R - 2 * (button.width() + 3), 12);
    m_closeButton->move(R - (button.width() + 3), 12);
    for (std::size_t i = 0; i < m_toolbar.size(); ++i)
        m_toolbar[i]->setGeometry(L + 15 + 42 * static_cast<int>(i), T + 9, 32, 32);
    QWidget::update();
}

void CCorvellNewDlg::showEvent(QShowEvent*)
{
    // Nothing plays yet (no card given, or a long repair): the map's browser starts anyway.
    QTimer::singleShot(kMapStartDelayMs, m_mapPane, &GPSMapControl::StartBrowser);
    // A scan started before the window showed: its dialog goes back above the window once that is mapped.
    if (QWidget* loading = m_opener->LoadingWindow())
        QTimer::singleShot(0, loading, &QWidget::raise);
}

void CCorvellNewDlg::OpenPaths(const QStringList& paths)
{
    m_opener->OpenCommandLine(paths);
}

void CCorvellNewDlg::OnCommand(int id)
{
    const bool ctrlDown = QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
    switch (id) {
    case kOpenButton:
    case kFileOpen:
        OnBnClickedOpenVideoBtn();
        break;
    case kCaptureButton:
        OnBnClickedVideoCaptureBtn();
        break;
    case kRecordButton:
    case kRecordKey:
        OnBnClickedVideoRecordBtn();
        break;
    case kPrintButton:
        OnBnClickedPrintBtn();
        break;
    case kPrintKey:
        if (HasCurrentRecording() && ctrlDown)
            OnBnClickedPrintBtn();
        break;
    case kPrintPreview:
        if (HasCurrentRecording())
            OnFilePrintPreview();
        break;
    case kSettingsButton:
        OnBnClickedOptionBtn();
        break;
    case kVideoMaximizeButton:
        OnBnClickedVideoMaximizeBtn();
        break;
    case kToggleVideoArea:
    case kEscape:
        if (m_session.videoAreaMaximized)
            OnBnClickedVideoMinimizeBtn();
        else
            OnBnClickedVideoMaximizeBtn();
        break;
    case kAboutButton:
        OnBnClickedHelpBtn();
        break;
    case kCloseButton:
    case kCloseKey:
        close();
        break;
    case kMaximizeButton:
        ToggleWindowMaximized();
        break;
    case kMinimizeButton:
        showMinimized();
        break;
    case kPlayPause:
        if (HasCurrentRecording())
            m_playerPane->OnBnClickedPlayBtn();
        break;
    case kPrevious:
        if (HasCurrentRecording())
            m_playerPane->OnBnClickedPreviousBtn();
        break;
    case kNext:
        if (HasCurrentRecording())
            m_playerPane->OnBnClickedNextBtn();
        break;
    case kForward:
        if (m_playerPane->IsPositionSliderEnabled())
            m_playerPane->OnBnClickedForwardBtn();
        break;
    case kRewind:
        if (m_playerPane->IsPositionSliderEnabled())
            m_playerPane->OnBnClickedRewindBtn();
        break;
    case kVolumeUp:
        m_playerPane->StepVolume(+1);
        break;
    case kVolumeDown:
        m_playerPane->StepVolume(-1);
        break;
    case kMute:
        m_playerPane->OnBnClickedMuteBtn();
        break;
    case kBrightnessDefault:
        m_playerPane->OnBnClickedBrightnessDefaultBtn();
        break;
    case kSpeedDefault:
        m_playerPane->OnBnClickedSpeedDefaultBtn();
        break;
    case kBright:
    case kNotBright:
        MoveSlider(m_playerPane->BrightnessSlider(), id == kBright ? 2 : -2);
        m_playerPane->ChangeVideoBrightnessFromBrightnessSlider();
        break;
    case kFaster:
    case kSlower:
        MoveSlider(m_playerPane->SpeedSlider(), id == kFaster ? 1 : -1);
        m_playerPane->ChangeVideoPlaySpeedFromSpeedSlider();
        break;
    case kMapZoom:
        if (HasCurrentRecording())
            m_mapPane->OnBnClickedPopup();
        break;
    default:
        break;
    }
}

void CCorvellNewDlg::MoveSlider(QWidget* slider, int delta)
{
    // The slider clamps to its own range.
    if (auto* qslider = qobject_cast<QSlider*>(slider))
        qslider->setValue(qslider->value() + delta);
}

void CCorvellNewDlg::OnBnClickedOpenVideoBtn()
{
    m_opener->OnBnClickedOpenVideoBtn();
}

void CCorvellNewDlg::OnBnClickedVideoCaptureBtn()
{
    m_stillAndClip->OnBnClickedVideoCaptureBtn();
}

void CCorvellNewDlg::OnBnClickedVideoRecordBtn()
{
    m_stillAndClip->OnBnClickedVideoRecordBtn();
}

void CCorvellNewDlg::OnBnClickedPrintBtn()
{
    Log("OnBnClickedPrintBtn", "Video Print Button Click");
    PostMessage(m_session, VIDEO_PAUSE);
    ReportSources sources;
    sources.captureSnapshot = [this](const std::string& path) { m_playerPane->CaptureSnapshot(path, std::string()); };
    sources.mapPicture = [this] { return m_mapPane->MapPicture().toImage(); };
    m_printControl.SetReport(BuildReportData(m_session, sources));
    if (m_printDirect)
        m_printControl.PrintDirect(this, GetMessageBoxes());
    Log("OnBnClickedPrintBtn", "Video print end");
}

void CCorvellNewDlg::OnFilePrintPreview()
{
    m_printDirect = false;
    OnBnClickedPrintBtn();
    m_printControl.ShowPreview(this, GetMessageBoxes());
    m_printDirect = true;
}

void CCorvellNewDlg::OnBnClickedOptionBtn()
{
    Log("OnBnClickedOptionBtn", "Video Option Button Click");
    PostMessage(m_session, VIDEO_PAUSE);
    {
        SettingsEnvironment environment;
        environment.formatter = MakeCardFormatter();
        SettingsController controller(m_rememberedDrive, std::move(environment), this);
        controller.SetOptions(m_options);
        (void)controller.Run();
        m_options = controller.GetOptions();
    }
    m_options.WriteIniFile();
    auto param = std::make_unique<MessageParam>();
    param->sliderInterval = m_options.m_playValue;
    PostMessage(m_session, VIDEO_FRAME_POSITION_SLIDER_INTERVAL_VALUE_CHANGED, std::move(param));
    Log("OnBnClickedOptionBtn", "Video Option end");
}

void CCorvellNewDlg::OnBnClickedVideoMaximizeBtn()
{
    Log("OnBnClickedVideoMaximizeBtn", "Video Maximize Button Click");
    m_session.videoAreaMaximized = true;
    m_mapPane->hide();
    if (m_mapPane->IsFloating() && m_mapPane->Placeholder())
        m_mapPane->Placeholder()->hide();
    m_listPane->hide();
    ShowToolbar(false);
    RepositionPanes();
    Log("OnBnClickedVideoMaximizeBtn", "Video Maximize end");
}

void CCorvellNewDlg::OnBnClickedVideoMinimizeBtn()
{
    Log("OnBnClickedVideoMinimizeBtn", "Video Minimize Button Click");
    m_session.videoAreaMaximized = false;
    m_mapPane->show();
    if (m_mapPane->IsFloating() && m_mapPane->Placeholder())
        m_mapPane->Placeholder()->show();
    m_listPane->show();
    ShowToolbar(true);
    RepositionPanes();
    Log("OnBnClickedVideoMinimizeBtn", "Video Minimize end");
}

void CCorvellNewDlg::OnBnClickedHelpBtn()
{
    Log("OnBnClickedHelpBtn", "Video Help Button Click");
    PostMessage(m_session, VIDEO_PAUSE);
    CAbout about(this);
    about.exec();
    Log("OnBnClickedHelpBtn", "Video Help end");
}

void CCorvellNewDlg::ToggleWindowMaximized()
{
    // Set by hand as well: without a window manager the show calls change nothing.
    if (m_isWindowMaximized) {
        showNormal();
        setGeometry(m_restoreGeometry);
    } else {
        m_restoreGeometry = geometry();
        showMaximized();
        if (QScreen* screen = this->screen())
            setGeometry(screen->availableGeometry());
    }
    m_isWindowMaximized = !m_isWindowMaximized;
}

CCorvellNewDlg::Hit CCorvellNewDlg::HitTest(QPoint point, QSize window)
{
    const bool bottom = point.y() > window.height() - kResizeBand;
    const bool right = point.x() > window.width() - kResizeBand;
    if (bottom && right)
        return Hit::BottomRight;
    if (bottom)
        return Hit::Bottom;
    if (right)
        return Hit::Right;
    return Hit::Surface;
}

void CCorvellNewDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.drawPixmap(QRect(0, 0, width(), kTitleBandHeight), m_titleBitmap);
}

void CCorvellNewDlg::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_layoutReady)
        RepositionPanes();
}

void CCorvellNewDlg::closeEvent(QCloseEvent* event)
{
    if (!m_closed) {
        m_closed = true;
        m_session.StopDelivery();
        m_opener->CancelScan();
        m_options.WriteIniFile();
        Log("OnClose", "Log End\n");
        emit Closed();
    }
    event->accept();
}

void CCorvellNewDlg::contextMenuEvent(QContextMenuEvent* event)
{
    const std::vector<MenuEntry> menus = LoadMainMenu();
    if (menus.empty())
        return;
    QMenu menu(this);
    AddMenuEntries(menu, menus[0].children, CurrentLanguage(), this);
    menu.exec(event->globalPos());
}

void CCorvellNewDlg::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragHit = HitTest(event->position().toPoint(), size());
    QWindow* window = windowHandle();
    bool byManager = false;
    if (window) {
        if (m_dragHit == Hit::Surface)
            byManager = window->startSystemMove();
        else
            byManager = window->startSystemResize(m_dragHit == Hit::Right    ? Qt::RightEdge
                                                  : m_dragHit == Hit::Bottom ? Qt::BottomEdge
                                                                             : Qt::RightEdge | Qt::BottomEdge);
    }
    // Without a window manager the window follows the mouse itself.
    m_dragging = !byManager;
    m_dragStart = event->globalPosition().toPoint();
    m_dragStartGeometry = geometry();
}

void CCorvellNewDlg::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging) {
        switch (HitTest(event->position().toPoint(), size())) {
        case Hit::BottomRight:
            setCursor(Qt::SizeFDiagCursor);
            break;
        case Hit::Bottom:
            setCursor(Qt::SizeVerCursor);
            break;
        case Hit::Right:
            setCursor(Qt::SizeHorCursor);
            break;
        case Hit::Surface:
            unsetCursor();
            break;
        }
        return;
    }
    const QPoint delta = event->globalPosition().toPoint() - m_dragStart;
    if (m_dragHit == Hit::Surface) {
        move(m_dragStartGeometry.topLeft() + delta);
        return;
    }
    QSize size = m_dragStartGeometry.size();
    if (m_dragHit != Hit::Bottom)
        size.rwidth() += delta.x();
    if (m_dragHit != Hit::Right)
        size.rheight() += delta.y();
    resize(size.expandedTo(minimumSize()));
}

void CCorvellNewDlg::mouseReleaseEvent(QMouseEvent*)
{
    m_dragging = false;
}

void CCorvellNewDlg::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        ToggleWindowMaximized();
}

void CCorvellNewDlg::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CCorvellNewDlg::dropEvent(QDropEvent* event)
{
    (void)m_opener->HandleDrop(event);
}
