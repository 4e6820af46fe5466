#pragma once

// What the print command puts into a report: the stills of the frame on screen, the map as shown and the
// lines about the moment being watched (its G-sensor values, position, speed, date and time).

#include "output/ReportData.h"

#include <functional>
#include <string>

class PlaybackSession;
struct RecordingItem;

struct ReportSources {
    // Asks the channel panes for a still of the frame on screen at path: a two-channel recording gives
    // path with "(Track1)" and "(Track2)" before ".png". The files are written before it returns.
    std::function<void(const std::string& path)> captureSnapshot;
    // The map pane's browser area as the user sees it.
    std::function<QImage()> mapPicture;
};

// The report of the session's current recording at its position; without a recording, no pictures and
// N/A lines.
ReportData BuildReportData(PlaybackSession& session, const ReportSources& sources);

// The text lines of recording at position (0..1 of its duration). Numbers have a '.' in any locale.
void FillReportTexts(ReportData& report, const RecordingItem* recording, double position);
