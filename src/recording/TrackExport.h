#pragma once

// A recording's track for other programs: GPX 1.1 (the positions with their UTC time and speed) or CSV
// (every GPS fix and every G-sensor sample). Seconds without a fix are left out of both. The command-line
// tool and the viewer write the same files.

#include "infra/Result.h"
#include "recording/RecordingItem.h"

#include <string>

enum class TrackFormat { Gpx, Csv };

// `creator` names the program in the GPX header.
std::string TrackAsGpx(const RecordingItem& item, const std::string& creator);
std::string TrackAsCsv(const RecordingItem& item);

// Writes the track to path crash-safely (a temporary file renamed over path when complete).
Result WriteTrack(const RecordingItem& item, TrackFormat format, const std::string& path, const std::string& creator);
