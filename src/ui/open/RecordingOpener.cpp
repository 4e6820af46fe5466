#include "ui/open/RecordingOpener.h"

#include "infra/DiagnosticLog.h"
#include "infra/Reporter.h"
#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "playback/SessionView.h"
#include "ui/open/CLoadingDlg.h"
#include "ui/open/CSelDialog.h"
#include "ui/open/ScanJob.h"

#include <QApplication>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <string_view>

namespace {

constexpr const char* kClass = "CCorvellNewDlg";

bool RunOpenDialog(QWidget* window, const QString& folder, QStringList& paths, QString& shown)
{
    CSelDialog dialog(window, folder);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    paths = dialog.SelectedPathList();
    shown = dialog.CurrentFolder();
    return true;
}

std::vector<std::string> ToStd(const QStringList& paths)
{
    std::vector<std::string> out;
    for (const QString& path : paths)
        out.push_back(path.toStdString());
    return out;
}

}  // namespace

RecordingOpener::RecordingOpener(QWidget* window, PlaybackSession& session, PendingRecordings& pending,
                                 IRecordingRepair* repair)
    : QObject(window), askForPaths(RunOpenDialog), m_window(window), m_pending(pending), m_session(session),
      m_repair(repair)
{
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &RecordingOpener::Poll);
}

RecordingOpener::~RecordingOpener()
{
    CancelScan();
}

QStringList RecordingOpener::DroppedPaths(const QMimeData& data)
{
    QStringList paths;
    for (const QUrl& url : data.urls())
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile());
    return paths;
}

bool RecordingOpener::HandleDrop(QDropEvent* event)
{
    const QStringList paths = event->mimeData() ? DroppedPaths(*event->mimeData()) : QStringList();
    if (paths.isEmpty() || IsScanning()) {
        event->ignore();
        return false;
    }
    event->acceptProposedAction();
    OnDropFiles(paths);
    return true;
}

void RecordingOpener::OnDropFiles(const QStringList& paths)
{
    WriteLog("Drop Files start", kClass, "OnDropFiles", kLogType, kLogLevelNormal);
    if (!StartScan(paths, PathRules::Drop, "Drop Files end", "OnDropFiles"))
        WriteLog("Drop Files end", kClass, "OnDropFiles", kLogType, kLogLevelNormal);
}

void RecordingOpener::OnBnClickedOpenVideoBtn()
{
    WriteLog("Video Open Button Click", kClass, "OnBnClickedOpenVideoBtn", kLogType, kLogLevelNormal);
    if (IsScanning())
        return;
    PostMessage(m_session, VIDEO_PAUSE);
    QStringList paths;
    QString shown;
    if (!askForPaths(m_window, m_lastOpenFolder, paths, shown))
        return;
    m_lastOpenFolder = shown;
    StartScan(paths, PathRules::Dialog, "Video Data", "OnBnClickedOpenVideoBtn");
}

void RecordingOpener::OpenCommandLine(const QStringList& paths)
{
    QStringList existing;
    for (const QString& path : paths) {
        const std::string name = path.toStdString();
        struct stat info{};
        if (stat(name.c_str(), &info) == 0) {
            existing.push_back(path);
            continue;
        }
        const int error = errno;
        // Told on standard error for whoever started us, and in a box once the window shows.
        std::fprintf(stderr, "tessaro-viewer: %s: %s\n", path.toLocal8Bit().constData(),
                     SystemErrorText(error).c_str());
        QMetaObject::invokeMethod(
            this, [name, error] { ReportString(StringId::kPathCannotBeOpened, {name, SystemErrorText(error)}); },
            Qt::QueuedConnection);
    }
    if (!existing.isEmpty())
        OnDropFiles(existing);
}

bool RecordingOpener::StartScan(const QStringList& paths, PathRules rules, const char* endLogText,
                                const char* endLogFunction)
{
    if (IsScanning() || paths.isEmpty())
        return false;
    // Paths are used whole: a path cut short may name another folder, which would be scanned and repaired.
    OpenedPaths opened = SplitPaths(ToStd(paths), rules);
    m_endLogText = endLogText;
    m_endLogFunction = endLogFunction;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_loading = new CLoadingDlg(m_window);
    connect(m_loading, &CLoadingDlg::CancelRequested, this, [this] {
        if (m_job)
            m_job->Cancel();
    });
    m_loading->ShowCentred();
    // The poll shows progress; the end is taken at once, not at the next tick.
    m_job = std::make_unique<ScanJob>(std::move(opened.folders), std::move(opened.files), m_repair, [this] {
        QMetaObject::invokeMethod(this, &RecordingOpener::Poll, Qt::QueuedConnection);
    });
    m_poll.start();
    return true;
}

void RecordingOpener::Poll()
{
    if (!m_job)
        return;
    if (m_loading)
        m_loading->SetProgress(m_job->Done(), m_job->Total(), m_job->Found());
    if (m_job->IsFinished())
        Finish(true);
}

void RecordingOpener::CancelScan()
{
    if (!m_job)
        return;
    m_job->Cancel();
    Finish(false);
}

void RecordingOpener::Finish(bool mayHandOver)
{
    m_poll.stop();
    RecordingList list = m_job->TakeResult();  // waits for the thread; a repair under way finishes first
    const bool handOver = mayHandOver && !m_job->WasCancelled() && !list.empty();
    m_job.reset();
    QApplication::restoreOverrideCursor();
    delete m_loading.data();
    if (handOver)
        m_pending.SetVideoFiles(std::move(list));
    // The Open command logs its end only when something was opened; a drop always does.
    if (handOver || std::string_view(m_endLogText) != "Video Data")
        WriteLog(m_endLogText, kClass, m_endLogFunction, kLogType, kLogLevelNormal);
    emit ScanEnded(handOver);
}

CLoadingDlg* RecordingOpener::LoadingWindow() const
{
    return m_loading;
}
