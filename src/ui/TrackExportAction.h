#pragma once

// "Export track…": the current recording's GPS track (and G-sensor samples) saved for other programs, as
// GPX or CSV, with the same writers as the command-line tool. Offered by the list's and the map's context
// menus. User-interface thread only.

#include "infra/Result.h"

#include <QString>

class PlaybackSession;
class QMenu;
class QWidget;

// Adds the entry to menu; it is disabled without a current recording.
void AddExportTrackAction(QMenu& menu, QWidget* owner, PlaybackSession& session);

// Asks where to save the current recording's track (the documents folder, the recording's name with
// ".gpx") and writes it; a failure is told in a box. Nothing without a current recording.
void ExportCurrentTrack(QWidget* owner, PlaybackSession& session);

// Writes the track of the recording at recordingPath to path, GPX or CSV by path's extension (".csv", any
// case, is CSV; anything else GPX).
Result WriteTrackFile(const QString& recordingPath, const QString& path);
