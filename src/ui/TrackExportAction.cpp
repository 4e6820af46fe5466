#include "ui/TrackExportAction.h"

#include "infra/DiagnosticLog.h"
#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "infra/UserFolders.h"
#include "recording/LoadRecording.h"
#include "recording/TrackExport.h"
#include "session/PlaybackSession.h"
#include "widgets/MessageBoxes.h"
#include "widgets/LoadText.h"
#include "widgets/SaveFailure.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

#include <cerrno>
#include <filesystem>

namespace {

// The path of the current recording, or empty. Only the path is taken: the item's samples belong to the
// session's dispatch thread, so the file is read again here.
QString CurrentRecordingPath(PlaybackSession& session)
{
    const RecordingItem* item = session.GetCurrentRecording();
    return item ? QString::fromStdString(item->path) : QString();
}

}  // namespace

void AddExportTrackAction(QMenu& menu, QWidget* owner, PlaybackSession& session)
{
    QAction* action = menu.addAction(LoadText(StringId::kExportTrack));
    action->setEnabled(!CurrentRecordingPath(session).isEmpty());
    QObject::connect(action, &QAction::triggered, owner, [owner, &session] { ExportCurrentTrack(owner, session); });
}

void ExportCurrentTrack(QWidget* owner, PlaybackSession& session)
{
    const QString recording = CurrentRecordingPath(session);
    if (recording.isEmpty())
        return;
    const QString suggested = QString::fromStdString(DocumentsFolder().string()) + "/" +
                              QFileInfo(recording).completeBaseName() + ".gpx";
    QString filter;
    const QString path = GetMessageBoxes().ChooseSaveFile(owner, LoadText(StringId::kExportTrack), suggested,
                                                          LoadText(StringId::kTrackFileTypes), &filter);
    if (path.isEmpty())
        return;
    // A name typed without an extension takes the chosen type's.
    QString target = path;
    if (QFileInfo(target).suffix().isEmpty())
        target += filter.contains("*.csv") ? ".csv" : filter.contains("*.kml") ? ".kml" : ".gpx";
    const Result written = WriteTrackFile(recording, target);
    WriteLog("track of " + recording.toStdString() + " to " + target.toStdString() +
                 (written ? std::string(": saved") : ": " + written.Describe()),
             "TrackExport", "ExportCurrentTrack", kLogType, kLogLevelNormal);
    if (!written)
        GetMessageBoxes().ShowWithIcon(owner, QString(),
                                       SaveFailureText(StringId::kTrackNotSaved, target.toStdString(), ReasonText(written)),
                                       QMessageBox::Ok, QMessageBox::Warning);
}

Result WriteTrackFile(const QString& recordingPath, const QString& path)
{
    std::string reason;
    const std::unique_ptr<RecordingItem> item = LoadRecording(recordingPath.toStdString(), reason);
    if (!item)  // gone meanwhile, or no longer readable
        return Result::Failure(reason, std::filesystem::exists(recordingPath.toStdString()) ? EBADMSG : ENOENT);
    return WriteTrack(*item, TrackFormatForPath(path.toStdString()), path.toStdString(), "Tessaro Viewer");
}
