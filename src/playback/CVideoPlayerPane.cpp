#include "playback/CVideoPlayerPane.h"

#include "infra/DiagnosticLog.h"
#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "playback/CFirstChannelVideoPane.h"
#include "playback/CSecondChannelVideoPane.h"
#include "recording/AVIFileLoader.h"
#include "widgets/CBitmapSlider.h"
#include "widgets/CButtonStyle.h"
#include "widgets/CMyBitmapButton.h"
#include "widgets/CMySliderControl.h"
#include "widgets/CPicture.h"
#include "widgets/ResourceManager.h"
#include "widgets/SkinIds.h"
#include "widgets/SkinFont.h"

#include <QBitmap>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSlider>
#include <QWindow>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace {

constexpr const char* kClass = "CVideoPlayerPane";
constexpr QColor kTextColor{200, 200, 200};
constexpr int kDigitTop = 11;
constexpr int kPointX = 54;
constexpr int kDecimalX = 60;
// Beyond this the recording's speed field is damaged.
constexpr double kDamagedSpeed = 1000.0;

void LogClick(const char* function, const char* text = "Click")
{
    WriteLog(text, kClass, function, kLogType, kLogLevelNormal);
}

void LogUpdate(const char* text)
{
    WriteLog(text, kClass, "update", kLogType, kLogLevelFrequent);
}

// A skin picture with its white keyed out, as the panel's digits are drawn.
QPixmap KeyedOutWhite(int id)
{
    QPixmap picture = ResourceManager::GetInstance()->LoadBitmap(id);
    if (!picture.isNull())
        picture.setMask(picture.createMaskFromColor(Qt::white, Qt::MaskInColor));
    return picture;
}

struct IconSet {
    int normal, pressed, hover;
};
constexpr IconSet kPreviousIcons{SkinId::kPreviousNormal, SkinId::kPreviousPressed, SkinId::kPreviousHover};
constexpr IconSet kRewindIcons{SkinId::kRewindNormal, SkinId::kRewindPressed, SkinId::kRewindHover};
// The play button shows what a click does not: the pause picture while playing, the play picture while paused.
constexpr IconSet kPlayingIcons{SkinId::kPauseNormal, SkinId::kPausePressed, SkinId::kPauseHover};
constexpr IconSet kPausedIcons{SkinId::kPlayNormal, SkinId::kPlayPressed, SkinId::kPlayHover};
constexpr IconSet kForwardIcons{SkinId::kForwardNormal, SkinId::kForwardPressed, SkinId::kForwardHover};
constexpr IconSet kNextIcons{SkinId::kNextNormal, SkinId::kNextPressed, SkinId::kNextHover};
constexpr IconSet kMinimizeIcons{SkinId::kFullScreenNormal, SkinId::kFullScreenPressed, SkinId::kFullScreenHover};

void SetIconSet(CButtonStyle* button, const IconSet& icons)
{
    button->SetIcons(icons.normal, icons.pressed, icons.hover);
}

void SetDisabledLook(CButtonStyle* button, int id)
{
    button->SetIcons(id, id, id);
}

bool CurrentFileExists(const RecordingItem* recording)
{
    std::error_code error;
    return recording && std::filesystem::is_regular_file(recording->path, error);
}

}  // namespace

CVideoPlayerPane::CVideoPlayerPane(QWidget* parent, PlaybackSession& session, VlcFunctionExecutor& vlc,
                                   GSensorGraphFactory makeGraph)
    : QWidget(parent), m_session(session), m_vlc(vlc)
{
    WriteLog("create", kClass, "OnInitDialog", kLogType, kLogLevelNormal);
    // The pane hears each message before its children: its own checks (a missing file) come first.
    // update() touches no widget on the dispatch thread, so the controls may still be in the making.
    m_listening = SessionSubscription(m_session, *this);

    m_firstChannel = new CFirstChannelVideoPane(this, m_session, m_vlc);
    m_secondChannel = new CSecondChannelVideoPane(this, m_session, m_vlc);
    if (makeGraph)
        m_graph = makeGraph(this, m_session);
    if (m_graph)
        m_graph->GraphWidget()->show();

    m_background = ResourceManager::GetInstance()->LoadBitmap(SkinId::kPlayerBackground);
    BuildControls();
    EnableVideoButtonUi(false);
    EnablePlayerSliderUi(false);
    SelectViewMode(kChannel1View);
    AddTooltips();
    m_initialised = true;
    LayoutControls();
}

CVideoPlayerPane::~CVideoPlayerPane()
{
    // Unregistered before the children go, so no update() can reach a deleted graph.
    m_listening.Reset();
}

void CVideoPlayerPane::BuildControls()
{
    auto makeTransport = [this](int id, const IconSet& icons) {
        auto* button = new CButtonStyle(this);
        button->setObjectName(QString::number(id));
        button->SetBackdrop(SkinId::kPlayerBackground, m_background);
        SetIconSet(button, icons);
        return button;
    };
    m_previousButton = makeTransport(kPreviousButtonId, kPreviousIcons);
    m_rewindButton = makeTransport(kRewindButtonId, kRewindIcons);
    m_playButton = makeTransport(kPlayButtonId, kPlayingIcons);
    m_forwardButton = makeTransport(kForwardButtonId, kForwardIcons);
    m_nextButton = makeTransport(kNextButtonId, kNextIcons);
    m_minimizeButton = makeTransport(kMinimizeButtonId, kMinimizeIcons);
    connect(m_previousButton, &QAbstractButton::clicked, this, &CVideoPlayerPane::OnBnClickedPreviousBtn);
    connect(m_rewindButton, &QAbstractButton::clicked, this, &CVideoPlayerPane::OnBnClickedRewindBtn);
    connect(m_playButton, &QAbstractButton::clicked, this, &CVideoPlayerPane::OnBnClickedPlayBtn);
    connect(m_forwardButton, &QAbstractButton::clicked, this, &CVideoPlayerPane::OnBnClickedForwardBtn);
    connect(m_nextButton, &QAbstractButton::clicked, this, &CVideoPlayerPane::OnBnClickedNextBtn);
    connect(m_minimizeButton, &QAbstractButton::clicked, this, &CVideoPlayerPane::OnBnClickedVideoMinimizeImageBtn);

    m_positionSlider = new CMySliderControl(this);
    m_positionSlider->setObjectName(QString::number(kPositionSliderId));
    m_positionSlider->setRange(0, kPositionMax);
    m_positionSlider->setPageStep(100);
    // The pane gives it 25 pixels, which hold the thumb (4 + 20); only its spare margin below goes.
    m_positionSlider->setMinimumHeight(25);
    connect(m_positionSlider, &CMySliderControl::HScroll, this,
            [this](int code, int value, CMySliderControl*) { OnPositionSliderScroll(code, value); });

    auto makeSlider = [this](int id, int min, int max, int value) {
        auto* slider = new QSlider(Qt::Horizontal, this);
        slider->setObjectName(QString::number(id));
        slider->setRange(min, max);
        slider->setValue(value);
        slider->setSingleStep(1);
        // Drawn in the skin's greys over the pane's background.
        slider->setStyleSheet(
            "QSlider::groove:horizontal { height: 4px; background: #3c3c3c; border: 1px solid #505050; }"
            "QSlider::sub-page:horizontal { background: rgb(255,165,0); }"
            "QSlider::handle:horizontal { width: 8px; margin: -7px 0; background: #c8c8c8;"
            " border: 1px solid #505050; border-radius: 2px; }");
        return slider;
    };
    m_speedSlider = makeSlider(kSpeedSliderId, 1, 7, kDefaultSpeedPosition);
    m_speedSlider->setTickInterval(1);
    m_brightnessSlider = makeSlider(kBrightnessSliderId, 0, 100, kDefaultBrightness);
    // Only the user's own steps post: a value set by the program (the default buttons, the main window's
    // keys) is followed by an explicit call. At actionTriggered the value is not yet set, the position is.
    connect(m_speedSlider, &QAbstractSlider::actionTriggered, this,
            [this] { ChangeVideoPlaySpeedFromSpeedSlider(); });
    connect(m_brightnessSlider, &QAbstractSlider::actionTriggered, this,
            [this] { ChangeVideoBrightnessFromBrightnessSlider(); });

    m_volumeSlider = new CBitmapSlider(this, kVolumeSliderId);
    m_volumeSlider->setObjectName(QString::number(kVolumeSliderId));
    m_volumeSlider->SetChannelBitmaps();
    m_volumeSlider->SetRange(0, 100);
    m_volumeSlider->SetPos(kInitialVolume);
    m_volumeSlider->SetPageSize(25);
    connect(m_volumeSlider, &CBitmapSlider::Moving, this,
            [this](int id, int pos) { OnVolumeSliderMoved(id, pos, true); });
    connect(m_volumeSlider, &CBitmapSlider::Moved, this,
            [this](int id, int pos) { OnVolumeSliderMoved(id, pos, false); });

    auto makeBitmapButton = [this](int id, int normal, int pressed) {
        auto* button = new CMyBitmapButton(this);
        button->setObjectName(QString::number(id));
        if (normal)
            button->LoadBitmaps(quint16(normal), quint16(pressed));
        return button;
    };
    m_speedDefaultButton = makeBitmapButton(kSpeedDefaultButtonId, SkinId::kSpeedNormal, SkinId::kSpeedPressed);
    m_brightnessDefaultButton =
        makeBitmapButton(kBrightnessDefaultButtonId, SkinId::kBrightnessNormal, SkinId::kBrightnessPressed);
    m_muteButton = makeBitmapButton(kMuteButtonId, SkinId::kSoundNormal, SkinId::kSoundPressed);
    m_channel1Button = makeBitmapButton(kChannel1ButtonId, 0, 0);
    m_channel2Button = makeBitmapButton(kChannel2ButtonId, 0, 0);
    m_allChannelsButton = makeBitmapButton(kAllChannelsButtonId, 0, 0);
    connect(m_speedDefaultButton, &QAbstractButton::clicked, this, &CVideoPlayerPane::OnBnClickedSpeedDefaultBtn);
    connect(m_brightnessDefaultButton, &QAbstractButton::clicked, this,
            &CVideoPlayerPane::OnBnClickedBrightnessDefaultBtn);
    connect(m_muteButton, &QAbstractButton::clicked, this, &CVideoPlayerPane::OnBnClickedMuteBtn);
    connect(m_channel1Button, &QAbstractButton::clicked, this, &CVideoPlayerPane::OnBnClickedFirstChannelVideoBtn);
    connect(m_channel2Button, &QAbstractButton::clicked, this, &CVideoPlayerPane::OnBnClickedSecondChannelVideoBtn);
    connect(m_allChannelsButton, &QAbstractButton::clicked, this, &CVideoPlayerPane::OnBnClickedAllChannelVideoBtn);
    InitChannelBtnUI();

    // The labels read the same in both languages.
    auto makeLabel = [this](int id, const char* text) {
        auto* label = new QLabel(QString::fromUtf8(text), this);
        label->setObjectName(QString::number(id));
        label->setFont(SkinFont(QStringLiteral("MS Sans Serif"), 12));
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, kTextColor);
        palette.setColor(QPalette::Window, Qt::black);
        label->setPalette(palette);
        label->setAutoFillBackground(true);
        return label;
    };
    m_spanLabel = makeLabel(kSpanLabelId, "Span:");
    m_elapsedLabel = makeLabel(kElapsedLabelId, "00:00:00");
    m_slashLabel = makeLabel(kSlashLabelId, "/");
    m_totalLabel = makeLabel(kTotalLabelId, "00:00:00");
    m_playSpeedLabel = makeLabel(kPlaySpeedLabelId, "Play Speed: ");
    m_speedLabel = makeLabel(kSpeedLabelId, "1.00 x");

    m_speedPanel = new CPicture(this);
    m_speedPanel->setObjectName(QString::number(kSpeedPanelId));
    ShowSpeedPanel("");

    // Keys that are not the program's shortcuts stop at the controls: they never move a slider or press a
    // button behind the user's back.
    for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (control != m_firstChannel && control != m_secondChannel &&
            (!m_graph || control != m_graph->GraphWidget()))
            control->installEventFilter(this);
}

void CVideoPlayerPane::AddTooltips()
{
    const std::pair<QWidget*, int> tips[] = {
        {m_previousButton, StringId::kPreviousTip},       {m_rewindButton, StringId::kRewindTip},
        {m_playButton, StringId::kPlayPauseTip},               {m_forwardButton, StringId::kFastForwardTip},
        {m_nextButton, StringId::kNextTip},               {m_speedDefaultButton, StringId::kDefaultSpeedTip},
        {m_muteButton, StringId::kMuteTip},               {m_brightnessSlider, StringId::kBrightnessTip},
        {m_brightnessDefaultButton, StringId::kDefaultBrightnessTip}, {m_speedSlider, StringId::kSpeedTip},
        {m_minimizeButton, StringId::kFullScreenTip},       {m_volumeSlider, StringId::kVolumeTip},
    };
    for (auto [control, id] : tips)
        control->setToolTip(QString::fromStdString(LoadString(id, Language::English)));
}

QWidget* CVideoPlayerPane::Control(int id) const
{
    return findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

// ---- Layout and painting -----------------------------------------------------------------------------

void CVideoPlayerPane::resizeEvent(QResizeEvent*)
{
    if (m_initialised)
        LayoutControls();
}

void CVideoPlayerPane::LayoutControls()
{
    const int R = width();
    const int B = height();
    const int x0 = R / 2 - 360;
    const bool maximized = m_session.videoAreaMaximized;
    if (m_graph)
        m_graph->GraphWidget()->setVisible(!maximized);
    m_minimizeButton->setVisible(maximized);
    const int labelY = maximized ? B - 100 : B - 235;
    const int sliderY = maximized ? B - 80 : B - 215;

    m_minimizeButton->setGeometry(R - 45, B - 45, 32, 32);
    LayoutVideoPanes();
    if (m_graph)
        m_graph->GraphWidget()->setGeometry(0, B - 190, R, 135);

    m_spanLabel->setGeometry(10, labelY, 60, 20);
    m_elapsedLabel->setGeometry(80, labelY, 30, 20);
    m_slashLabel->setGeometry(115, labelY, 5, 20);
    m_totalLabel->setGeometry(125, labelY, 30, 20);
    m_playSpeedLabel->setGeometry(200, labelY, 60, 20);
    m_speedLabel->setGeometry(265, labelY, 50, 20);

    m_channel1Button->setGeometry(R - 150, labelY - 1, 43, 19);
    m_channel2Button->setGeometry(R - 102, labelY - 1, 43, 19);
    m_allChannelsButton->setGeometry(R - 54, labelY - 1, 43, 19);

    m_positionSlider->setGeometry(0, sliderY, R, 25);

    const int transportY = B - 45;
    m_previousButton->setGeometry(x0, transportY, 32, 32);
    m_rewindButton->setGeometry(x0 + 40, transportY, 32, 32);
    m_playButton->setGeometry(x0 + 80, transportY, 32, 32);
    m_forwardButton->setGeometry(x0 + 120, transportY, 32, 32);
    m_nextButton->setGeometry(x0 + 160, transportY, 32, 32);

    m_speedDefaultButton->setGeometry(x0 + 220, B - 39, 24, 24);
    m_brightnessDefaultButton->setGeometry(x0 + 340, B - 39, 24, 24);
    m_muteButton->setGeometry(x0 + 460, B - 39, 24, 24);
    m_speedSlider->setGeometry(x0 + 245, B - 40, 90, 25);
    m_brightnessSlider->setGeometry(x0 + 365, B - 40, 90, 25);
    m_volumeSlider->setGeometry(x0 + 500, B - 40, 70, 21);
    m_speedPanel->setGeometry(x0 + 600, B - 45, kSpeedPanelSize.width(), kSpeedPanelSize.height());
    QWidget::update();
}

void CVideoPlayerPane::LayoutVideoPanes()
{
    const int videoHeight = height() - (m_session.videoAreaMaximized ? 105 : 245);
    if (m_viewMode == kAllChannelsView) {
        // An odd width leaves the last pixel column to the background.
        const int half = width() / 2;
        m_firstChannel->setGeometry(0, 0, half, videoHeight);
        m_secondChannel->setGeometry(half, 0, half, videoHeight);
    } else {
        m_firstChannel->setGeometry(0, 0, width(), videoHeight);
        m_secondChannel->setGeometry(0, 0, width(), videoHeight);
    }
}

void CVideoPlayerPane::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int videoBottom = m_firstChannel->geometry().bottom() + 1;
    painter.fillRect(0, 0, width(), videoBottom, Qt::black);
    if (!m_background.isNull())
        painter.drawPixmap(QRect(0, videoBottom, width(), height() - videoBottom), m_background);
}

void CVideoPlayerPane::mousePressEvent(QMouseEvent* event)
{
    // The window is dragged by the pane's bare surface, as by a caption.
    if (event->button() == Qt::LeftButton && window()->windowHandle())
        window()->windowHandle()->startSystemMove();
}

bool CVideoPlayerPane::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)
        return true;
    return QWidget::eventFilter(watched, event);
}

// ---- View modes --------------------------------------------------------------------------------------

void CVideoPlayerPane::OnBnClickedFirstChannelVideoBtn()
{
    SelectViewMode(kChannel1View);
}

void CVideoPlayerPane::OnBnClickedSecondChannelVideoBtn()
{
    SelectViewMode(kChannel2View);
}

void CVideoPlayerPane::OnBnClickedAllChannelVideoBtn()
{
    SelectViewMode(kAllChannelsView);
}

void CVideoPlayerPane::SelectViewMode(int mode)
{
    if (mode == m_viewMode)
        return;
    SetChannelBtnBitmaps(mode);
    m_firstChannel->setVisible(mode != kChannel2View);
    m_secondChannel->setVisible(mode != kChannel1View);
    m_viewMode = mode;
    LayoutVideoPanes();
}

void CVideoPlayerPane::SetChannelBtnBitmaps(int mode)
{
    WriteLog("Channel Button UI", kClass, "SetChannelBtnBitmaps", kLogType, kLogLevelNormal);
    auto load = [](CMyBitmapButton* button, bool selected, int selectedId, int normalId) {
        if (selected)
            button->LoadBitmaps(quint16(selectedId), quint16(selectedId), quint16(selectedId), quint16(normalId));
        else
            button->LoadBitmaps(quint16(normalId), quint16(normalId), quint16(normalId), quint16(normalId));
        button->update();
    };
    load(m_channel1Button, mode == kChannel1View, SkinId::kChannel1Selected, SkinId::kChannel1Normal);
    load(m_channel2Button, mode == kChannel2View, SkinId::kChannel2Selected, SkinId::kChannel2Normal);
    load(m_allChannelsButton, mode == kAllChannelsView, SkinId::kAllChannelsSelected, SkinId::kAllChannelsNormal);
}

void CVideoPlayerPane::InitChannelBtnUI()
{
    WriteLog("Channel Button UI Init", kClass, "InitChannelBtnUI", kLogType, kLogLevelNormal);
    ShowOrHideChannelBtn(1);
}

void CVideoPlayerPane::ShowOrHideChannelBtn(int hide)
{
    WriteLog("Channel Button Ui Show", kClass, "ShowOrHideChannelBtn", kLogType, kLogLevelNormal);
    if (hide != 0 && hide != 1)
        return;
    for (CMyBitmapButton* button : {m_channel1Button, m_channel2Button, m_allChannelsButton})
        button->setVisible(hide == 0);
}

void CVideoPlayerPane::OnBnClickedVideoMinimizeImageBtn()
{
    m_minimizeButton->hide();
    emit MinimizeRequested();
}

// ---- Speed panel -------------------------------------------------------------------------------------

std::string CVideoPlayerPane::SpeedTextAt(const RecordingItem& recording, float position)
{
    if (recording.gpsSamples.empty())
        return "";
    const float seconds = static_cast<float>(recording.duration) * position;
    const std::optional<GpsSample> sample = GetGpsSampleAt(recording, seconds);
    if (!sample)
        return "";
    const double speed = sample->speed > 4.0 ? sample->speed : 0.0;
    if (speed >= kDamagedSpeed) {
        WriteLog("damaged speed " + std::to_string(speed), kClass, "SetSpeedImage", kLogType, kLogLevelNormal);
        return "";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", speed);
    return text;
}

QImage CVideoPlayerPane::SpeedPanelImage(const std::string& text)
{
    QImage panel(kSpeedPanelSize, QImage::Format_RGB32);
    panel.fill(Qt::black);
    QPainter painter(&panel);
    painter.drawPixmap(0, 0, ResourceManager::GetInstance()->LoadBitmap(SkinId::kSpeedPanel));
    const std::size_t point = text.find('.');
    // x of each integer digit, by the length of the whole text.
    std::vector<int> digitX;
    if (text.size() == 5)
        digitX = {21, 32, 43};
    else if (text.size() == 4)
        digitX = {32, 43};
    else if (text.size() == 3)
        digitX = {43};
    if (digitX.empty() || point != digitX.size() || point + 2 != text.size()) {
        painter.drawPixmap(43, kDigitTop, KeyedOutWhite(SkinId::kDigitBlank));
        painter.drawPixmap(kDecimalX, kDigitTop, KeyedOutWhite(SkinId::kDigitBlank));
    } else {
        auto digitBitmap = [](char c) { return SkinId::kDigit0 + (c >= '0' && c <= '9' ? c - '0' : 0); };
        for (std::size_t i = 0; i < digitX.size(); ++i)
            painter.drawPixmap(digitX[i], kDigitTop, KeyedOutWhite(digitBitmap(text[i])));
        painter.drawPixmap(kDecimalX, kDigitTop, KeyedOutWhite(digitBitmap(text[point + 1])));
    }
    painter.drawPixmap(kPointX, kDigitTop, KeyedOutWhite(SkinId::kDigitPoint));
    return panel;
}

void CVideoPlayerPane::ShowSpeedPanel(const std::string& text)
{
    WriteLog(text.empty() ? "Speed Ui Init" : "Speed Ui Update", kClass, text.empty() ? "InitImage" : "UpdateSpeedImage",
             kLogType, kLogLevelFrequent);
    m_speedPanel->SetBitmap(QPixmap::fromImage(SpeedPanelImage(text)));
}

QImage CVideoPlayerPane::SpeedPanelPicture() const
{
    return m_speedPanel->Bitmap().toImage().convertToFormat(QImage::Format_RGB32);
}

// ---- Arithmetic --------------------------------------------------------------------------------------

QString CVideoPlayerPane::TimeText(int seconds)
{
    seconds = std::max(seconds, 0);
    return QString::asprintf("%.2d:%.2d", seconds / 60, seconds % 60);
}

int CVideoPlayerPane::SliderValue(float position)
{
    if (std::isnan(position))
        position = 0.0f;
    position = std::clamp(position, 0.0f, 1.0f);
    return static_cast<int>(position * kPositionMax);
}

int CVideoPlayerPane::StepUnits(int duration, int totalFrames, int scanInterval, bool paused)
{
    long long step = 0;
    if (paused && totalFrames > 0)
        step = kPositionMax / totalFrames;
    else if (duration > 0)
        step = static_cast<long long>(kPositionMax / duration) * scanInterval;
    return static_cast<int>(std::clamp<long long>(step, 1, kPositionMax));
}

float CVideoPlayerPane::RateOfSpeedPosition(int position)
{
    static constexpr std::array<float, 7> kRates{0.1f, 0.25f, 0.5f, 1.0f, 1.25f, 1.5f, 2.0f};
    return kRates[static_cast<std::size_t>(std::clamp(position, 1, 7) - 1)];
}

// ---- Transport ---------------------------------------------------------------------------------------

void CVideoPlayerPane::OnBnClickedPlayBtn()
{
    LogClick("OnBnClickedPlayBtn");
    if (m_session.GetCurrentRecording())
        Post(VIDEO_PLAY);
    SetPlayLook(!m_playToggle);
    m_playToggle = !m_playToggle;
}

void CVideoPlayerPane::OnBnClickedPreviousBtn()
{
    LogClick("OnBnClickedPreviousBtn");
    int32_t index = 0;
    const bool found = m_session.GetPreviousIndex(index);
    PlayNeighbour(found, index, VIDEO_PREVIOUS);
    LogClick("OnBnClickedPreviousBtn", "end");
}

void CVideoPlayerPane::OnBnClickedNextBtn()
{
    LogClick("OnBnClickedNextBtn");
    int32_t index = 0;
    const bool found = m_session.GetNextIndex(index);
    PlayNeighbour(found, index, VIDEO_NEXT);
    LogClick("OnBnClickedNextBtn", "end");
}

void CVideoPlayerPane::PlayNeighbour(bool found, int32_t index, int32_t message)
{
    if (!found) {
        // At the end of the list the first recording is loaded and stopped.
        SetPlayLook(false);
        SetStepButtonsUsable(false);
        index = 0;
        message = VIDEO_STOP;
    }
    auto select = std::make_unique<MessageParam>();
    select->index = index;
    Post(VIDEO_INDEX_SELECT, std::move(select));
    Post(VIDEO_MEDIA_LOAD);
    Post(message);
}

void CVideoPlayerPane::OnBnClickedRewindBtn()
{
    LogClick("OnBnClickedRewindBtn");
    PostStep(false);
}

void CVideoPlayerPane::OnBnClickedForwardBtn()
{
    LogClick("OnBnClickedForwardBtn");
    PostStep(true);
}

void CVideoPlayerPane::PostStep(bool forward)
{
    const int duration = m_duration;
    if (duration <= 0)
        return;
    const int step = StepUnits(duration, m_totalFrames, m_scanInterval, m_paused);
    const int from = m_positionSlider->value();
    auto param = std::make_unique<MessageParam>();
    param->position = std::clamp((forward ? from + step : from - step) / double(kPositionMax), 0.0, 1.0);
    Post(CHANGE_VIDEO_FRAME_POSITION, std::move(param));
    LogClick(forward ? "OnBnClickedForwardBtn" : "OnBnClickedRewindBtn", "end");
}

void CVideoPlayerPane::OnPositionSliderScroll(int, int value)
{
    Seek(value);
}

void CVideoPlayerPane::Seek(int sliderValue)
{
    // A seek replaces the position reports and seeks still waiting, and position writes already handed to
    // this thread before it; every other message keeps its place.
    ++m_seekCount;
    m_session.DropWaitingMessages({VIDEO_FRAME_POSITION_CHANGED, CHANGE_VIDEO_FRAME_POSITION});
    auto param = std::make_unique<MessageParam>();
    param->position = static_cast<float>(sliderValue / double(kPositionMax));
    Post(CHANGE_VIDEO_FRAME_POSITION, std::move(param));
}

// ---- Speed, brightness, volume -----------------------------------------------------------------------

void CVideoPlayerPane::ChangeVideoPlaySpeedFromSpeedSlider()
{
    WriteLog("Speed Slider ", kClass, "ChangeVideoPlaySpeedFromSpeedSlider", kLogType, kLogLevelNormal);
    auto param = std::make_unique<MessageParam>();
    param->rate = RateOfSpeedPosition(m_speedSlider->sliderPosition());
    m_speedLabel->setText(QString::asprintf("%.2f x", double(param->rate)));
    Post(CHANGE_VIDEO_SPEED, std::move(param));
}

void CVideoPlayerPane::ChangeVideoBrightnessFromBrightnessSlider()
{
    auto param = std::make_unique<MessageParam>();
    param->brightness = static_cast<float>(m_brightnessSlider->sliderPosition() / 50.0);
    Post(CHANGE_VIDEO_BRIGHTNESS, std::move(param));
}

void CVideoPlayerPane::ChangeVideoVolumeFromVolumeSlider()
{
    WriteLog("Volume Slider ", kClass, "ChangeVideoVolumeFromVolumeSlider", kLogType, kLogLevelNormal);
    m_volume = m_volumeSlider->GetPos();
    auto param = std::make_unique<MessageParam>();
    param->volume = m_volume;
    Post(CHANGE_VIDEO_VOLUME, std::move(param));
}

void CVideoPlayerPane::OnBnClickedSpeedDefaultBtn()
{
    LogClick("OnBnClickedSpeedDefaultBtn");
    m_speedSlider->setValue(kDefaultSpeedPosition);
    ChangeVideoPlaySpeedFromSpeedSlider();
    LogClick("OnBnClickedSpeedDefaultBtn", "end");
}

void CVideoPlayerPane::OnBnClickedBrightnessDefaultBtn()
{
    LogClick("OnBnClickedBrightnessDefaultBtn");
    m_brightnessSlider->setValue(kDefaultBrightness);
    ChangeVideoBrightnessFromBrightnessSlider();
    LogClick("OnBnClickedBrightnessDefaultBtn", "end");
}

void CVideoPlayerPane::SetMuteLook(bool muted)
{
    if (muted)
        m_muteButton->LoadBitmaps(quint16(SkinId::kMutedNormal), quint16(SkinId::kMutedPressed));
    else
        m_muteButton->LoadBitmaps(quint16(SkinId::kSoundNormal), quint16(SkinId::kSoundPressed));
    m_muteButton->update();
}

void CVideoPlayerPane::OnBnClickedMuteBtn()
{
    LogClick("OnBnClickedMuteBtn");
    const int min = m_volumeSlider->GetRangeMin(), max = m_volumeSlider->GetRangeMax();
    if (!m_muted) {
        m_savedVolume = m_volumeSlider->GetPos();
        m_volumeSlider->SetPos(std::clamp(0, min, max));
    } else {
        m_volumeSlider->SetPos(std::clamp(m_savedVolume, min, max));
    }
    m_muted = !m_muted;
    SetMuteLook(m_muted);
    m_volumeSlider->update();
    ChangeVideoVolumeFromVolumeSlider();
    LogClick("OnBnClickedMuteBtn", "end");
}

void CVideoPlayerPane::StepVolume(int delta)
{
    m_volumeSlider->SetPos(
        std::clamp(m_volumeSlider->GetPos() + delta, m_volumeSlider->GetRangeMin(), m_volumeSlider->GetRangeMax()));
    m_volumeSlider->update();
    if (m_muted) {
        m_muted = false;
        SetMuteLook(false);
    }
    // Posted in every case: after a mute the engine would otherwise stay silent under a sound-on button.
    ChangeVideoVolumeFromVolumeSlider();
}

void CVideoPlayerPane::OnVolumeSliderMoved(int controlId, int position, bool)
{
    if (controlId != kVolumeSliderId)
        return;
    m_volumeSlider->SetPos(std::clamp(position, m_volumeSlider->GetRangeMin(), m_volumeSlider->GetRangeMax()));
    m_volumeSlider->update();
    // Moving the volume always unmutes.
    m_muted = false;
    SetMuteLook(false);
    ChangeVideoVolumeFromVolumeSlider();
}

void CVideoPlayerPane::CaptureSnapshot(const std::string& path, const std::string& folder)
{
    m_firstChannel->CaptureVideoSnapshot(path, folder);
    m_secondChannel->CaptureVideoSnapshot(path);
}

// ---- Control states ----------------------------------------------------------------------------------

void CVideoPlayerPane::SetPlayLook(bool playing)
{
    SetIconSet(m_playButton, playing ? kPlayingIcons : kPausedIcons);
}

void CVideoPlayerPane::SetStepButtonsUsable(bool usable)
{
    if (usable) {
        SetIconSet(m_rewindButton, kRewindIcons);
        SetIconSet(m_forwardButton, kForwardIcons);
    } else {
        SetDisabledLook(m_rewindButton, SkinId::kRewindDisabled);
        SetDisabledLook(m_forwardButton, SkinId::kForwardDisabled);
    }
    m_rewindButton->setEnabled(usable);
    m_forwardButton->setEnabled(usable);
}

void CVideoPlayerPane::SetVideoButtonUiImage(bool enable)
{
    if (enable) {
        SetIconSet(m_previousButton, kPreviousIcons);
        SetIconSet(m_rewindButton, kRewindIcons);
        SetIconSet(m_playButton, kPlayingIcons);
        SetIconSet(m_forwardButton, kForwardIcons);
        SetIconSet(m_nextButton, kNextIcons);
    } else {
        SetDisabledLook(m_previousButton, SkinId::kPreviousDisabled);
        SetDisabledLook(m_rewindButton, SkinId::kRewindDisabled);
        SetDisabledLook(m_playButton, SkinId::kPlayDisabled);
        SetDisabledLook(m_forwardButton, SkinId::kForwardDisabled);
        SetDisabledLook(m_nextButton, SkinId::kNextDisabled);
    }
}

void CVideoPlayerPane::EnableVideoButtonUi(bool enable)
{
    SetVideoButtonUiImage(enable);
    for (CButtonStyle* button : {m_previousButton, m_rewindButton, m_playButton, m_forwardButton, m_nextButton})
        button->setEnabled(enable);
}

void CVideoPlayerPane::EnablePlayerSliderUi(bool enable)
{
    m_positionSliderEnabled = enable ? 1 : 0;
    m_positionSlider->setEnabled(enable);
}

void CVideoPlayerPane::initLabelUi()
{
    m_elapsedLabel->setText(TimeText(0));
    m_totalLabel->setText(TimeText(0));
}

void CVideoPlayerPane::ResetPlayerUi()
{
    initLabelUi();
    m_positionSlider->setValue(0);
    EnablePlayerSliderUi(false);
    SelectViewMode(kChannel1View);
    ShowOrHideChannelBtn(1);
    SetPlayLook(false);
    SetStepButtonsUsable(false);
    ShowSpeedPanel("");
}

// ---- Session messages --------------------------------------------------------------------------------

void CVideoPlayerPane::update(int32_t message, MessageParam* param)
{
    switch (message) {
    case VIDEO_FILES_OPENED:
        LogUpdate("VIDEO_FILES_OPENED Msg");
        OnUiThread(this, [this] {
            EnableVideoButtonUi(true);
            SetPlayLook(true);
        });
        break;
    case VIDEO_PREVIOUS:
    case VIDEO_NEXT:
    case NEW_VIDEO_PLAY: {
        const RecordingItem* recording = m_session.GetCurrentRecording();
        if (!CurrentFileExists(recording)) {
            m_metadataShown = false;
            m_duration = 0;
            OnUiThread(this, [this] {
                if (m_graph)
                    m_graph->ClearGraph();
                ResetPlayerUi();
            });
            Post(VIDEO_FILE_NOT_FOUND, nullptr);
            break;
        }
        LogUpdate("VIDEO_PREVIOUS NEW_VIDEO_PLAY VIDEO_NEXT Msg");
        m_duration = recording->duration;
        m_totalFrames = recording->totalFrames;
        OnUiThread(this, [this] {
            m_lastPositionValue = -1;
            initLabelUi();
            EnablePlayerSliderUi(true);
            ShowSpeedPanel("");
        });
        break;
    }
    case VIDEO_METADATA_CREATED: {
        LogUpdate("VIDEO_METADATA_CREATED Msg");
        const RecordingItem* recording = m_session.GetCurrentRecording();
        QString total;
        int channels = 0;
        if (recording) {
            m_duration = recording->duration;
            m_totalFrames = recording->totalFrames;
            total = TimeText(recording->duration);
            channels = recording->channelCount;
        }
        m_metadataShown = true;
        OnUiThread(this, [this, total, channels] {
            if (!total.isEmpty())
                m_totalLabel->setText(total);
            SetPlayLook(true);
            if (channels >= 2) {
                ShowOrHideChannelBtn(0);
            } else {
                ShowOrHideChannelBtn(1);
                SelectViewMode(kChannel1View);
            }
        });
        break;
    }
    case VIDEO_PLAYING: {
        auto volume = std::make_unique<MessageParam>();
        volume->volume = m_volume;
        Post(CHANGE_VIDEO_VOLUME, std::move(volume));
        m_paused = false;
        OnUiThread(this, [this] {
            EnablePlayerSliderUi(true);
            SetPlayLook(true);
            SetStepButtonsUsable(true);
        });
        break;
    }
    case VIDEO_PAUSE:
        LogUpdate("VIDEO_PAUSE Msg");
        if (m_metadataShown)
            OnUiThread(this, [this] { SetPlayLook(false); });
        m_paused = true;
        break;
    case VIDEO_STOP:
        LogUpdate("VIDEO_STOP Msg");
        m_metadataShown = false;
        OnUiThread(this, [this] { ResetPlayerUi(); });
        break;
    case VIDEO_END_REACHED: {
        LogUpdate("VIDEO_END_REACHED Msg");
        const RecordingItem* recording = m_session.GetCurrentRecording();
        const QString total = TimeText(recording ? recording->duration : 0);
        OnUiThread(this, [this, total] {
            ShowSpeedPanel("");
            m_positionSlider->setValue(m_positionSlider->maximum());
            m_elapsedLabel->setText(total);
            m_totalLabel->setText(total);
        });
        break;
    }
    case VIDEO_FRAME_POSITION_CHANGED:
    case CHANGE_VIDEO_FRAME_POSITION: {
        LogUpdate("VIDEO_FRAME_POSITION_CHANGED Msg");
        if (!param)
            break;
        const int value = SliderValue(param->position);
        const float position = std::isnan(param->position) ? 0.0f : std::clamp(param->position, 0.0f, 1.0f);
        const RecordingItem* recording = m_session.GetCurrentRecording();
        const QString elapsed = TimeText(recording ? static_cast<int>(recording->duration * position) : 0);
        const std::string speed = recording ? SpeedTextAt(*recording, position) : "";
        const unsigned seeks = m_seekCount;
        OnUiThread(this, [this, value, elapsed, speed, seeks] {
            // A write from before the user's latest seek would move everything back. The value last shown is
            // compared here, where it was shown: a write dropped as stale must not hide the next one.
            if (seeks != m_seekCount || value == m_lastPositionValue)
                return;
            m_lastPositionValue = value;
            // While the user holds the thumb it stays under the pointer; the times and speed follow it.
            if (!m_positionSlider->IsThumbHeld())
                m_positionSlider->setValue(value);
            m_elapsedLabel->setText(elapsed);
            ShowSpeedPanel(speed);
        });
        break;
    }
    case VIDEO_FRAME_POSITION_SLIDER_INTERVAL_VALUE_CHANGED:
        LogUpdate("VIDEO_FRAME_POSITION_SLIDER_INTERVAL_VALUE_CHANGED Msg");
        if (param)
            m_scanInterval = param->sliderInterval;
        break;
    case VIDEO_FILE_NOT_FOUND:
        OnUiThread(this, [this] {
            EnableVideoButtonUi(false);
            EnablePlayerSliderUi(false);
            ShowOrHideChannelBtn(1);
            SetVideoButtonUiImage(false);
            initLabelUi();
        });
        break;
    default:
        break;
    }
}
