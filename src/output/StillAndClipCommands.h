#pragma once

#include "output/SnapshotNames.h"

#include <functional>
#include <optional>
#include <string>

class IMessageBoxes;
class PlaybackSession;
class QWidget;
struct RecordingItem;
struct ViewerOptions;

// What the clip export dialog gave after OK.
struct ClipChoice {
    std::string startTimeText;  // "HH:MM:SS"
    std::string endTimeText;
    std::string outputFolder;
    std::string outputFileName;  // empty when the dialog could make none
};

// Runs the clip export dialog over a recording: the choice, or nothing when the user cancelled.
using ClipDialogRunner = std::function<std::optional<ClipChoice>(const RecordingItem&)>;
// The real dialog (CSaveVideoDialog), modal over owner, its folder chooser from boxes, opening in startFolder.
std::optional<ClipChoice> RunClipExportDialog(QWidget* owner, IMessageBoxes& boxes, const RecordingItem& item,
                                              const std::string& startFolder);

// The main window's two commands that save part of what plays: a still of the current frame and a clip of
// a chosen range. Both pause playback first. The window calls one method per command; everything else
// comes through the constructor.
class StillAndClipCommands {
public:
    // options is read at each command (the settings dialog may change the folders). runDialog replaces
    // the real dialog (tests); boxes gives the message boxes, the folder chooser and the folder opener.
    StillAndClipCommands(QWidget* owner, PlaybackSession& session, IMessageBoxes& boxes, const ViewerOptions& options,
                         ClipDialogRunner runDialog = {});

    // Toolbar button 1159: asks the channel panes for a still of the current frame in the capture folder.
    void OnBnClickedVideoCaptureBtn();
    // Toolbar button 1160 and Ctrl+S (40033): the export dialog, then the clip is written behind a busy note
    // and the user is told where it went.
    void OnBnClickedVideoRecordBtn();

    // The save folder + "/" + the capture folder.
    std::string CaptureFolder() const;
    // Where a still of recordingFileName taken at moment goes.
    std::string CapturePath(const std::string& recordingFileName, const tessaro::LocalMoment& moment) const;
    // The clock the still names use (tests fix it).
    void SetClock(std::function<tessaro::LocalMoment()> now) { m_now = std::move(now); }

private:
    QWidget* m_owner;
    PlaybackSession& m_session;
    IMessageBoxes& m_boxes;
    const ViewerOptions& m_options;
    ClipDialogRunner m_runDialog;
    std::function<tessaro::LocalMoment()> m_now = tessaro::LocalMomentNow;
};
