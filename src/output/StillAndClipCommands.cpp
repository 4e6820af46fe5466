#include "output/StillAndClipCommands.h"

#include "infra/DiagnosticLog.h"
#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "output/BusyDialog.h"
#include "output/CSaveVideoDialog.h"
#include "playback/SessionView.h"
#include "recording/ClipWriter.h"
#include "recording/RecordingItem.h"
#include "settings/ViewerOptions.h"
#include "widgets/LoadText.h"
#include "widgets/MessageBoxes.h"
#include "widgets/SaveFailure.h"

#include <QApplication>

#include <filesystem>
#include <system_error>

namespace {

// The log names these lines after the main window, whose commands they are.
constexpr const char* kClass = "CCorvellNewDlg";

void Log(const char* function, const std::string& text)
{
    WriteLog(text, kClass, function, kLogType, kLogLevelNormal);
}

}  // namespace

std::optional<ClipChoice> RunClipExportDialog(QWidget* owner, IMessageBoxes& boxes, const RecordingItem& item,
                                              const std::string& startFolder)
{
    CSaveVideoDialog dialog(owner, boxes);
    dialog.SetRecording(item);
    dialog.SetStartFolder(startFolder);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return ClipChoice{dialog.GetStartTimeText(), dialog.GetEndTimeText(), dialog.GetOutputFolder(),
                      dialog.GetOutputFileName()};
}

StillAndClipCommands::StillAndClipCommands(QWidget* owner, PlaybackSession& session, IMessageBoxes& boxes,
                                           const ViewerOptions& options, ClipDialogRunner runDialog)
    : m_owner(owner), m_session(session), m_boxes(boxes), m_options(options), m_runDialog(std::move(runDialog))
{
    if (!m_runDialog)
        m_runDialog = [this](const RecordingItem& item) {
            return RunClipExportDialog(m_owner, m_boxes, item, m_options.m_saveDirectory);
        };
}

std::string StillAndClipCommands::CaptureFolder() const
{
    return m_options.m_saveDirectory + "/" + m_options.m_captureFolder;
}

std::string StillAndClipCommands::CapturePath(const std::string& recordingFileName, const tessaro::LocalMoment& moment) const
{
    return CaptureFolder() + "/" + tessaro::CaptureFileName(recordingFileName, moment);
}

void StillAndClipCommands::OnBnClickedVideoCaptureBtn()
{
    Log("OnBnClickedVideoCaptureBtn", "Video Capture Button Click");
    const RecordingItem* item = m_session.GetCurrentRecording();
    if (!item)
        return;
    const std::string fileName = item->fileName;
    PostMessage(m_session, VIDEO_PAUSE);
    const std::string folder = CaptureFolder();
    // One level only: a save folder that is gone is not made again; the pane reports the failed still.
    std::error_code ignored;
    if (!std::filesystem::is_directory(folder, ignored))
        std::filesystem::create_directory(folder, ignored);
    auto param = std::make_unique<MessageParam>();
    param->snapshotPath = CapturePath(fileName, m_now());
    param->snapshotFolder = folder;
    PostMessage(m_session, CAPTURE_VIDEO_SNAPSHOT, std::move(param));
    Log("OnBnClickedVideoCaptureBtn", "Video Capture end");
}

void StillAndClipCommands::OnBnClickedVideoRecordBtn()
{
    constexpr const char* kFunction = "OnBnClickedVideoRecordBtn";
    Log(kFunction, "Video Record Button Click");
    PostMessage(m_session, VIDEO_PAUSE);
    const RecordingItem* item = m_session.GetCurrentRecording();
    if (!item) {
        Log(kFunction, "Video Record end");
        return;
    }
    const std::string source = item->path;
    const std::optional<ClipChoice> choice = m_runDialog(*item);
    if (!choice) {
        Log(kFunction, "Video Record end");
        return;
    }
    const int start = SecondsOfTimeText(choice->startTimeText);
    const int end = SecondsOfTimeText(choice->endTimeText);
    const std::string destination = choice->outputFolder + "/" + choice->outputFileName;
    // Without a name the destination would be the folder itself: nothing to write to.
    const bool named = !choice->outputFileName.empty();
    const Result written =
        named ? RunBehindBusyDialog(m_owner, QString::fromStdString(LoadString(StringId::kClipSaving)),
                                    [&] { return WriteClip(source, start, end, destination); })
              : Result::Failure("no name for the clip in " + choice->outputFolder);
    const QString caption = QApplication::applicationDisplayName();
    if (!written) {
        Log(kFunction, "WriteClip failed: " + written.Describe());
        const QString reason = named ? ReasonText(written) : LoadText(StringId::kReasonNoClipName);
        m_boxes.ShowWithIcon(m_owner, caption,
                             SaveFailureText(StringId::kClipNotSaved, named ? destination : choice->outputFolder, reason),
                             QMessageBox::Ok, QMessageBox::Warning);
        return;
    }
    const QString text = QString::fromStdString(destination + LoadString(StringId::kClipSavedAskShowFolder));
    if (m_boxes.ShowWithIcon(m_owner, caption, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Question) ==
        QMessageBox::Yes)
        m_boxes.OpenFolder(QString::fromStdString(choice->outputFolder));
    Log(kFunction, "Video Record end");
}
