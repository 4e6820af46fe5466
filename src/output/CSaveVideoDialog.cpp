#include "output/CSaveVideoDialog.h"

#include "infra/DiagnosticLog.h"
#include "infra/SafeFile.h"
#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "playback/CVideoSurface.h"
#include "recording/RecordingItem.h"
#include "widgets/MessageBoxes.h"
#include "widgets/ResourceManager.h"
#include "widgets/SkinIds.h"
#include "widgets/LoadText.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

namespace {

constexpr const char* kClass = "CSaveVideoDialog";
constexpr int kPreviewWidth = 400;
constexpr int kPreviewHeight = 225;
// The chooser's title keeps at most this many characters.
constexpr int kMaxChooserTitle = 99;
constexpr int kPreviewVolume = 10;

void Log(const char* function, const std::string& text)
{
    WriteLog(text, kClass, function, kLogType, kLogLevelNormal);
}

QString Id(int id)
{
    return QString::number(id);
}

}  // namespace

std::string FormatSeconds(int seconds)
{
    int hours = 0, minutes = 0;
    if (seconds < 0)
        seconds = 0;
    if (seconds >= 3600) {
        hours = seconds / 3600;
        seconds %= 3600;
    }
    if (seconds >= 60) {
        minutes = seconds / 60;
        seconds %= 60;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.2d:%.2d:%.2d", hours, minutes, seconds);
    return text;
}

int SecondsOfTimeText(const std::string& text)
{
    auto field = [&](std::size_t position) {
        int value = 0;
        for (std::size_t i = position; i < position + 2 && i < text.size(); ++i) {
            if (!std::isdigit(static_cast<unsigned char>(text[i])))
                break;
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    return field(0) * 3600 + field(3) * 60 + field(6);
}

// A preview's picture area: MPlayer's window, or a dark face with the skin's idle picture once MPlayer
// could not start or has ended. The window stays mapped from the start: a paused MPlayer draws its frame
// only once.
class CSaveVideoDialog::PreviewArea final : public QWidget {
public:
    PreviewArea(QWidget* parent, int id) : QWidget(parent), surface(new CVideoSurface(this)), face(new QLabel(this))
    {
        setObjectName(Id(id));
        setFixedSize(kPreviewWidth, kPreviewHeight);
        surface->setGeometry(rect());
        face->setGeometry(rect());
        face->setAutoFillBackground(true);
        QPalette dark = face->palette();
        dark.setColor(QPalette::Window, QColor(20, 20, 20));
        face->setPalette(dark);
        face->setAlignment(Qt::AlignCenter);
        if (ResourceManager* resources = ResourceManager::GetInstance())
            face->setPixmap(resources->LoadBitmap(SkinId::kIdlePicture)
                                .scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
        face->hide();
    }
    void ShowFace()
    {
        face->show();
        face->raise();
        surface->hide();
    }
    bool IsPreviewShown() const { return face->isHidden(); }

    CVideoSurface* surface;
    QLabel* face;
};

CSaveVideoDialog::CSaveVideoDialog(QWidget* parent, IMessageBoxes& boxes) : QDialog(parent), m_boxes(boxes)
{
    setWindowTitle(LoadText(StringId::kClipDialogTitle));
    setModal(true);

    m_startArea = new PreviewArea(this, kStartPreviewId);
    m_endArea = new PreviewArea(this, kEndPreviewId);
    auto makeSlider = [this](int id) {
        auto* slider = new QSlider(Qt::Horizontal, this);
        slider->setObjectName(Id(id));
        slider->setRange(0, 0);
        return slider;
    };
    m_startSlider = makeSlider(kStartSliderId);
    m_endSlider = makeSlider(kEndSliderId);
    auto makeLabel = [this](int id) {
        auto* label = new QLabel(QStringLiteral("00:00:00"), this);
        label->setObjectName(Id(id));
        return label;
    };
    m_startTimeLabel = makeLabel(kStartTimeLabelId);
    m_endTimeLabel = makeLabel(kEndTimeLabelId);
    m_lengthLabel = makeLabel(kLengthLabelId);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(16);
    grid->addWidget(m_startArea, 0, 0);
    grid->addWidget(m_endArea, 0, 1);
    grid->addWidget(new QLabel(LoadText(StringId::kClipStartTimeLabel), this), 1, 0);
    grid->addWidget(new QLabel(LoadText(StringId::kClipEndTimeLabel), this), 1, 1);
    grid->addWidget(m_startSlider, 2, 0);
    grid->addWidget(m_endSlider, 2, 1);
    grid->addWidget(m_startTimeLabel, 3, 0, Qt::AlignRight);
    grid->addWidget(m_endTimeLabel, 3, 1, Qt::AlignRight);

    auto* length = new QHBoxLayout;
    length->addWidget(new QLabel(LoadText(StringId::kClipLengthLabel), this));
    length->addWidget(m_lengthLabel);
    length->addStretch();

    auto* ok = new QPushButton(LoadText(StringId::kClipOkButton), this);
    ok->setObjectName(Id(kOkButtonId));
    ok->setDefault(true);
    auto* cancel = new QPushButton(LoadText(StringId::kCancelButton), this);
    cancel->setObjectName(Id(kCancelButtonId));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(new QLabel(LoadText(StringId::kClipNoMetadataNote), this));
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(16, 16, 16, 12);
    page->addLayout(grid);
    page->addLayout(length);
    page->addSpacing(8);
    page->addLayout(buttons);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    connect(ok, &QPushButton::clicked, this, [this] { OnBnClickedokbtn(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // A mouse drag takes effect when the slider is let go; keys, the wheel and clicks on the groove move it
    // without a press, and take effect at once, so that the range never differs from what the sliders show.
    for (QSlider* slider : {m_startSlider, m_endSlider}) {
        const auto released = slider == m_startSlider ? &CSaveVideoDialog::OnStartSliderReleased
                                                      : &CSaveVideoDialog::OnEndSliderReleased;
        connect(slider, &QSlider::sliderReleased, this, [this, released] { (this->*released)(); });
        connect(slider, &QSlider::valueChanged, this, [this, slider, released] {
            if (!slider->isSliderDown() && !m_adjusting)
                (this->*released)();
        });
    }
    WatchPreview(m_startPreview, m_startArea);
    WatchPreview(m_endPreview, m_endArea);
}

CSaveVideoDialog::~CSaveVideoDialog()
{
    StopPreviews();
}

void CSaveVideoDialog::SetRecording(const RecordingItem& item)
{
    m_path = item.path;
    m_fileName = item.fileName;
    m_duration = std::max(0, static_cast<int>(item.duration));
}

void CSaveVideoDialog::SetPreviewProgram(const QString& program)
{
    m_startPreview.SetProgram(program);
    m_endPreview.SetProgram(program);
}

bool CSaveVideoDialog::IsPreviewShown(const MplayerControl& preview) const
{
    return (&preview == &m_startPreview ? m_startArea : m_endArea)->IsPreviewShown();
}

QWidget* CSaveVideoDialog::PreviewSurface(const MplayerControl& preview) const
{
    return (&preview == &m_startPreview ? m_startArea : m_endArea)->surface;
}

void CSaveVideoDialog::WatchPreview(MplayerControl& preview, PreviewArea* area)
{
    connect(&preview.Process(), &QProcess::errorOccurred, area, [area](QProcess::ProcessError) { area->ShowFace(); });
    connect(&preview.Process(), &QProcess::finished, area, [area] {
        Log("WatchPreview", "preview ended");
        area->ShowFace();
    });
}

void CSaveVideoDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The previews start once their windows are on the screen.
    if (!m_initialised)
        InitVideoPanel();
}

bool CSaveVideoDialog::InitVideoPanel()
{
    m_initialised = true;
    Log("InitVideoPanel", "video Panel Init");
    m_startPreview.SetupCommandLine(m_startArea->surface->winId());
    m_endPreview.SetupCommandLine(m_endArea->surface->winId());

    m_startTimeText = "00:00:00";
    m_startTimeLabel->setText(QString::fromStdString(m_startTimeText));
    m_endTimeText = FormatSeconds(m_duration);
    m_endTimeLabel->setText(QString::fromStdString(m_endTimeText));
    m_lengthLabel->setText(QString::fromStdString(m_endTimeText));

    const QString path = QString::fromStdString(m_path);
    if (m_startPreview.Start(path, QString::fromStdString(m_startTimeText), kPreviewVolume, true))
        m_startPreview.SendCommand(QStringLiteral("pause"));
    // The end preview shows the last second inside the range (the first one of a recording under 1 s).
    if (m_endPreview.Start(path, QString::number(std::max(0, m_duration - 1)), kPreviewVolume, true))
        m_endPreview.SendCommand(QStringLiteral("pause"));

    m_adjusting = true;
    m_startSlider->setRange(0, m_duration);
    m_endSlider->setRange(0, m_duration);
    m_endSlider->setValue(m_duration);
    m_startSlider->setValue(0);
    m_adjusting = false;
    return true;
}

void CSaveVideoDialog::OnStartSliderReleased()
{
    if (m_startSlider->value() >= m_endSlider->value()) {
        m_adjusting = true;
        m_startSlider->setValue(m_endSlider->value() - 1);
        m_adjusting = false;
    }
    const int start = m_startSlider->value();
    m_startTimeText = FormatSeconds(start);
    m_startTimeLabel->setText(QString::fromStdString(m_startTimeText));
    m_startPreview.Seek(start);
    UpdateLengthLabel();
}

void CSaveVideoDialog::OnEndSliderReleased()
{
    if (m_startSlider->value() >= m_endSlider->value()) {
        m_adjusting = true;
        m_endSlider->setValue(m_startSlider->value() + 1);
        m_adjusting = false;
    }
    const int end = m_endSlider->value();
    m_endTimeText = FormatSeconds(end);
    m_endTimeLabel->setText(QString::fromStdString(m_endTimeText));
    m_endPreview.Seek(std::max(0, end - 1));
    UpdateLengthLabel();
}

void CSaveVideoDialog::UpdateLengthLabel()
{
    const int length = SecondsOfTimeText(m_endTimeText) - SecondsOfTimeText(m_startTimeText);
    m_lengthLabel->setText(QString::fromStdString(FormatSeconds(length)));
}

void CSaveVideoDialog::OnBnClickedokbtn()
{
    Log("OnBnClickedokbtn", "Save Button Click");
    const QString title = LoadText(StringId::kSelectFolder).left(kMaxChooserTitle);
    const QString folder = m_boxes.ChooseFolder(this, title, QString::fromStdString(m_startFolder));
    if (folder.isEmpty())
        return;
    m_outputFolder = folder.toStdString();
    setOutputFileName(m_outputFolder);
    accept();
}

bool CSaveVideoDialog::setOutputFileName(const std::string& folder)
{
    Log("setOutputFileName", "Create Output FileName");
    m_outputFileName.clear();
    // A name of fewer than 4 characters has no room for ".avi".
    if (folder.empty() || m_fileName.size() < 4)
        return false;
    const std::string extension = m_fileName.substr(m_fileName.size() - 3);
    if (extension != "avi" && extension != "mp4")
        return false;
    const std::string base = m_fileName.substr(0, m_fileName.size() - 4);
    for (int n = 1; n > 0; ++n) {
        std::string candidate = base + "_copy(" + std::to_string(n) + ")." + extension;
        if (!PathIsOccupied(std::filesystem::path(folder) / candidate)) {
            m_outputFileName = std::move(candidate);
            return true;
        }
    }
    return false;
}

void CSaveVideoDialog::done(int result)
{
    StopPreviews();
    QDialog::done(result);
}

void CSaveVideoDialog::StopPreviews()
{
    m_startPreview.Stop();
    m_endPreview.Stop();
}
