#pragma once

#include "output/ReportData.h"

#include <QImage>

#include <functional>
#include <string>

class CPrintControl;
class PlaybackSession;
class QWidget;

// The print commands of the main window: assemble the report of the moment being watched and print it
// at once, or show it in the preview. The main window owns one and forwards its commands in one line each.
// Everything runs on the user-interface thread.
class ReportPrintCommands {
public:
    // Writes a still of every channel being shown under path without telling the user (the player pane's
    // CaptureSnapshot(path, "")): path itself for one channel, path with "(Track1)" and "(Track2)" before
    // its extension for two. The engine has written them when it returns.
    using SnapshotCapture = std::function<void(const std::string& path)>;
    // The map as it is shown at this moment (the map pane's MapPicture()).
    using MapPictureSource = std::function<QImage()>;

    ReportPrintCommands(PlaybackSession& session, CPrintControl& printControl, SnapshotCapture captureSnapshot,
                        MapPictureSource mapPicture, QWidget* parent);

    // The Print button and Ctrl+P: pauses playback, assembles the report into the printer and, unless a
    // preview asked for it, prints it through the print dialog.
    void OnBnClickedPrintBtn();
    // The preview command: only with a current recording; assembles the report and opens the preview.
    void OnFilePrintPreview();

    // The report of the current recording at the session's position. Without a current recording: no
    // pictures and "N/A" values.
    ReportData BuildReportData() const;

private:
    PlaybackSession& m_session;
    CPrintControl& m_printControl;
    SnapshotCapture m_captureSnapshot;
    MapPictureSource m_mapPicture;
    QWidget* m_parent;
    // False while the preview command runs the print command to assemble the report only.
    bool m_printDirect = true;
};
