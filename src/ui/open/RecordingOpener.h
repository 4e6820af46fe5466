#pragma once

// Opening recordings: a drop on the main window, its Open command, or paths on the command line. The
// paths are classified, scanned on a thread of their own while a loading window shows how far it is,
// and a list that is not empty goes to the pending list, which posts the opening sequence. One scan at a
// time: opening while one runs is refused. The main window's handlers call it.

#include "recording/RecordingRepair.h"
#include "session/PendingRecordings.h"
#include "ui/open/OpenRules.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class CLoadingDlg;
class QDropEvent;
class QMimeData;
class QWidget;
class ScanJob;

class RecordingOpener : public QObject {
    Q_OBJECT
public:
    static constexpr int kPollMs = 100;

    // window: the main window (the loading window is modal to it, the Open dialog placed on it). repair
    // (not owned) stands in for the scan's own repair when given.
    RecordingOpener(QWidget* window, PlaybackSession& session, PendingRecordings& pending,
                    IRecordingRepair* repair = nullptr);
    // Cancels a scan that is still running and waits for it.
    ~RecordingOpener() override;

    // The local paths of a drop, in drop order; text and URLs of other places are left out.
    static QStringList DroppedPaths(const QMimeData& data);
    // Handles a drop on the window; false (the drop refused) when it holds no local path or a scan runs.
    bool HandleDrop(QDropEvent* event);
    void OnDropFiles(const QStringList& paths);
    void OnBnClickedOpenVideoBtn();
    // Paths given on the command line open as if dropped; a path that cannot be opened is named, with
    // the reason, on standard error and in a message box (queued: it comes once the window shows), and
    // skipped.
    void OpenCommandLine(const QStringList& paths);

    bool IsScanning() const { return m_job != nullptr; }
    // Stops a running scan (nothing is handed over) and waits for it; closing the window calls it.
    void CancelScan();

    // The folder the Open dialog showed when it was last confirmed.
    QString m_lastOpenFolder;

    // How the Open dialog is asked: fills the chosen paths and the folder shown; false when cancelled.
    // The real dialog unless a test put its own here.
    std::function<bool(QWidget* window, const QString& folder, QStringList& paths, QString& shown)> askForPaths;

    CLoadingDlg* LoadingWindow() const;

signals:
    // A scan has ended; handedOver tells whether a list went to the pending list.
    void ScanEnded(bool handedOver);

private:
    bool StartScan(const QStringList& paths, PathRules rules, const char* endLogText, const char* endLogFunction);
    void Poll();
    // Ends the scan: waits for its thread, puts the window back, hands a list over when allowed.
    void Finish(bool mayHandOver);

    QWidget* m_window;
    PendingRecordings& m_pending;
    PlaybackSession& m_session;
    IRecordingRepair* m_repair;
    std::unique_ptr<ScanJob> m_job;
    QPointer<CLoadingDlg> m_loading;
    QTimer m_poll;
    const char* m_endLogText = nullptr;
    const char* m_endLogFunction = nullptr;
};
