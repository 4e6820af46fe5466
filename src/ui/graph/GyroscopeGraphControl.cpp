#include "ui/graph/GyroscopeGraphControl.h"

#include "infra/DiagnosticLog.h"
#include "recording/AVIFileLoader.h"
#include "ui/graph/CGraphStatic.h"
#include "widgets/SkinFont.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

constexpr const char* kClass = "GyroscopeGraphControl";
constexpr std::array<const char*, 3> kCaptionTexts{"X :", "Y :", "Z :"};

// Below the plot: captions and read-outs in a row, one axis every 150 pixels.
constexpr int kPlotRightMargin = 11;
constexpr int kPlotBottomMargin = 40;
constexpr int kTextsAboveBottom = 30;
constexpr int kAxisSpacing = 150;
constexpr int kCaptionLeft = 20;
constexpr int kValueLeft = 50;
constexpr QSize kTextSize(60, 15);
// Tall enough to read, small enough that "-3.750000" fits the read-out's 60 pixels.
constexpr int kTextCellHeight = 13;

// A position outside 0..1 (or not a number) reads the nearest end, never past the samples.
float ClampedPosition(float position)
{
    if (std::isnan(position))
        return 0.0f;
    return std::clamp(position, 0.0f, 1.0f);
}

QLabel* MakeText(QWidget* parent, int id, const QString& text, const QColor& color, Qt::Alignment alignment)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::number(id));
    label->setAlignment(alignment | Qt::AlignVCenter);
    label->setFont(SkinFont(QStringLiteral("MS Shell Dlg"), kTextCellHeight));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->resize(kTextSize);
    return label;
}

}  // namespace

GyroscopeGraphControl::GyroscopeGraphControl(QWidget* parent, PlaybackSession& session)
    : QWidget(parent), m_session(session), m_graph(new CGraphStatic(this))
{
    WriteLog("create", kClass, kClass, kLogType, kLogLevelNormal);
    m_graph->setObjectName(QString::number(kGraphId));
    for (int axis = X; axis <= Z; ++axis) {
        m_captions[axis] = MakeText(this, kCaptionIds[axis], QString::fromLatin1(kCaptionTexts[axis]),
                                    kAxisColors[axis], Qt::AlignLeft);
        m_values[axis] = MakeText(this, kValueIds[axis], QString::fromLatin1(kNoValue), kAxisColors[axis],
                                  Qt::AlignRight);
    }
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::black);
    setPalette(palette);
    setAutoFillBackground(true);
    // Shortcuts are the main window's; the pane never takes the keyboard from it.
    setFocusPolicy(Qt::NoFocus);

    WriteLog("Init", kClass, kClass, kLogType, kLogLevelNormal);
    InitGraph();
    m_listening = SessionSubscription(m_session, *this);
}

GyroscopeGraphControl::~GyroscopeGraphControl()
{
    m_listening.Reset();
}

void GyroscopeGraphControl::InitGraph()
{
    m_graph->SetYRange(kYRange);
    m_graph->DrawEmpty();
}

void GyroscopeGraphControl::update(int32_t message, MessageParam* param)
{
    switch (message) {
    case VIDEO_STOP:
        OnUiThread(this, [this] {
            ResetValueTexts();
            ClearGraphNow();
        });
        break;
    case VIDEO_END_REACHED:
        // The trace stays; the moment has gone.
        OnUiThread(this, [this] {
            ResetValueTexts();
            m_graph->SetCursor(std::nullopt);
        });
        break;
    case VIDEO_METADATA_CREATED: {
        const RecordingItem* item = m_session.GetCurrentRecording();
        if (!item)
            break;
        OnUiThread(this, [this, samples = item->gSensorSamples] {
            ShowRecordingGraph(samples);
        });
        break;
    }
    case VIDEO_FRAME_POSITION_CHANGED:
        if (param)
            OnPosition(param->position);
        break;
    default:
        break;
    }
}

void GyroscopeGraphControl::ClearGraph()
{
    OnUiThread(this, [this] {
        ResetValueTexts();
        ClearGraphNow();
    });
}

void GyroscopeGraphControl::ClearGraphNow()
{
    m_graph->RemoveAllSeries();
    m_graph->DrawEmpty();
}

void GyroscopeGraphControl::ShowRecordingGraph(const std::vector<GSensorSample>& samples)
{
    m_graph->RemoveAllSeries();
    if (samples.empty()) {
        m_graph->DrawEmpty();
        ResetValueTexts();
        return;
    }
    GraphSeries* x = m_graph->AddSeries(kAxisColors[X], 1);
    GraphSeries* y = m_graph->AddSeries(kAxisColors[Y], 1);
    GraphSeries* z = m_graph->AddSeries(kAxisColors[Z], 1);
    for (GraphSeries* series : {x, y, z})
        series->values.reserve(samples.size());
    for (const GSensorSample& sample : samples) {
        m_graph->AddPoint(x, sample.x);
        m_graph->AddPoint(y, sample.y);
        m_graph->AddPoint(z, sample.z);
    }
    m_graph->Draw();
}

void GyroscopeGraphControl::OnPosition(float position)
{
    const RecordingItem* item = m_session.GetCurrentRecording();
    if (!item)
        return;
    const float seconds = static_cast<float>(item->duration) * ClampedPosition(position);
    const std::optional<std::size_t> index = GetGSensorSampleIndexAt(*item, seconds);
    if (!index)
        return;
    const GSensorSample& sample = item->gSensorSamples[*index];
    // The cursor marks the sample the read-outs show, in the column where the trace draws it.
    OnUiThread(this, [this, index, x = ValueText(sample.x), y = ValueText(sample.y), z = ValueText(sample.z)] {
        SetValueTexts(x, y, z);
        m_graph->SetCursor(index);
    });
}

QString GyroscopeGraphControl::ValueText(double g)
{
    return QString::asprintf("   %.6f", g);
}

void GyroscopeGraphControl::SetValueTexts(const QString& x, const QString& y, const QString& z)
{
    m_values[X]->setText(x);
    m_values[Y]->setText(y);
    m_values[Z]->setText(z);
}

void GyroscopeGraphControl::ResetValueTexts()
{
    const QString none = QString::fromLatin1(kNoValue);
    SetValueTexts(none, none, none);
}

void GyroscopeGraphControl::resizeEvent(QResizeEvent* event)
{
    const int width = event->size().width();
    const int height = event->size().height();
    m_graph->setGeometry(0, 0, width - kPlotRightMargin, height - kPlotBottomMargin);
    m_graph->Resize();
    m_graph->Draw();
    for (int axis = X; axis <= Z; ++axis) {
        const int top = height - kTextsAboveBottom;
        m_captions[axis]->move(kCaptionLeft + kAxisSpacing * axis, top);
        m_values[axis]->move(kValueLeft + kAxisSpacing * axis, top);
    }
}

void GyroscopeGraphControl::keyPressEvent(QKeyEvent* event)
{
    // Shortcuts are taken before key presses arrive; any other key stops here.
    event->accept();
}

void GyroscopeGraphControl::mousePressEvent(QMouseEvent* event)
{
    // The pane stands in for a caption: pressing on it drags the main window.
    if (event->button() == Qt::LeftButton)
        if (QWindow* window = this->window()->windowHandle())
            window->startSystemMove();
    event->accept();
}
