#pragma once

// The G-sensor pane under the videos: the whole X/Y/Z trace of the current recording, plotted once when its
// metadata has been read, and three coloured read-outs of the sample at the playback position. The plot
// never scrolls; the read-outs and a cursor on the trace (at the sample they show) follow playback.
//
// Threads: update() runs on the session's dispatch thread; it copies what it needs from the recording and
// queues every change of the plot and the read-outs to the user-interface thread, so drawing, resizing and
// painting all happen there, in the order the messages came.

#include "playback/IGSensorGraph.h"
#include "playback/SessionView.h"
#include "recording/RecordingItem.h"
#include "session/PlaybackSession.h"

#include <QColor>
#include <QString>
#include <QWidget>

#include <array>
#include <vector>

class CGraphStatic;
class QLabel;

class GyroscopeGraphControl : public QWidget, public IListener, public IGSensorGraph {
    Q_OBJECT
public:
    enum Axis { X, Y, Z };
    // One colour per axis: its caption, its read-out and its line.
    static constexpr std::array<QColor, 3> kAxisColors{QColor(255, 100, 0), QColor(255, 255, 100), QColor(0, 255, 64)};
    // The g value that spans the plot control's height.
    static constexpr double kYRange = 5.0;
    // What a read-out shows without a sample.
    static constexpr const char* kNoValue = "-";

    // Control ids, named in the log and by the tests.
    static constexpr int kGraphId = 1124;
    static constexpr std::array<int, 3> kValueIds{1125, 1126, 1127};
    static constexpr std::array<int, 3> kCaptionIds{1128, 1129, 1130};

    GyroscopeGraphControl(QWidget* parent, PlaybackSession& session);
    ~GyroscopeGraphControl() override;

    // IListener: dispatch thread.
    void update(int32_t message, MessageParam* param) override;

    // IGSensorGraph. ClearGraph may be called from any thread: it is queued behind earlier changes.
    void ClearGraph() override;
    QWidget* GraphWidget() override { return this; }

    // Plots a recording's samples (none: an empty graph and "-"). User-interface thread.
    void ShowRecordingGraph(const std::vector<GSensorSample>& samples);
    // Shows the sample at a playback position (0..1) of the current recording in the read-outs and puts
    // the cursor on it; without one nothing changes. Dispatch thread (or wherever the session's current recording cannot change meanwhile).
    void OnPosition(float position);

    // "   %.6f": how a read-out shows a value.
    static QString ValueText(double g);

    CGraphStatic* Graph() const { return m_graph; }
    QLabel* Caption(Axis axis) const { return m_captions[axis]; }
    QLabel* Value(Axis axis) const { return m_values[axis]; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void InitGraph();
    void ClearGraphNow();
    void SetValueTexts(const QString& x, const QString& y, const QString& z);
    void ResetValueTexts();

    PlaybackSession& m_session;
    CGraphStatic* m_graph;
    std::array<QLabel*, 3> m_captions{};
    std::array<QLabel*, 3> m_values{};
    SessionSubscription m_listening;  // last: removed before any other member goes
};
