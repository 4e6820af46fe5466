#pragma once

// What the player pane knows of the G-sensor graph it places under the videos. The graph itself lives with
// the other views (it follows the session on its own); the player pane gets it from a factory handed to
// its constructor, so playback never depends on the views above it.

#include <functional>

class PlaybackSession;
class QWidget;

class IGSensorGraph {
public:
    virtual ~IGSensorGraph() = default;
    // Empties the plot and the read-outs. Any thread: the change is queued to the user-interface thread
    // behind the graph's earlier changes.
    virtual void ClearGraph() = 0;
    // The graph's widget, a child of the parent it was made with.
    virtual QWidget* GraphWidget() = 0;
};

// Makes the graph as a child of parent, following session.
using GSensorGraphFactory = std::function<IGSensorGraph*(QWidget* parent, PlaybackSession& session)>;
