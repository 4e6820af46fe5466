#pragma once

// A recording's track for other programs: GPX 1.1 (the positions with their UTC time and speed), KML 2.2
// (the route as a line, with the time it spans, for map programs that read KML) or CSV (every GPS fix and
// every G-sensor sample). Seconds without a fix are left out of all three. The command-line tool and the
// viewer write the same files.

#include "infra/Result.h"
#include "recording/RecordingItem.h"

#include <string>

enum class TrackFormat { Gpx, Csv, Kml };

// The format a file name's extension asks for (case aside): ".csv", ".kml", otherwise GPX.
TrackFormat TrackFormatForPath(const std::string& path);

// `creator` names the program in the GPX header.
std::string TrackAsGpx(const RecordingItem& item, const std::string& creator);
std::string TrackAsCsv(const RecordingItem& item);
std::string TrackAsKml(const RecordingItem& item);

// Writes the track to path crash-safely (a temporary file renamed over path when complete).
Result WriteTrack(const RecordingItem& item, TrackFormat format, const std::string& path, const std::string& creator);
