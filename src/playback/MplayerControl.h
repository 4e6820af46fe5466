#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// One MPlayer child process in slave mode, drawing into a window of ours and taking text commands on its
// standard input. Used on the user-interface thread only (the process's output is drained by its event
// loop).
class MplayerControl {
public:
    MplayerControl();
    // Stops a running child: no MPlayer outlives its controller.
    ~MplayerControl();
    MplayerControl(const MplayerControl&) = delete;
    MplayerControl& operator=(const MplayerControl&) = delete;

    // <program folder>/Resource/mplayer when it is there, else mplayer from PATH.
    static QString DefaultProgram();
    // The program to start (tests name a stand-in); DefaultProgram() unless set.
    void SetProgram(const QString& program) { m_program = program; }

    // Prepares the options that draw into the native window windowId.
    void SetupCommandLine(unsigned long long windowId);
    // Starts the program at startSeconds (a text, as MPlayer's -ss takes it) with a software volume.
    // captureStdout: the child's standard output goes with its error output through the drained pipe;
    // otherwise it is discarded. False when it could not start, or when a child is still running.
    bool Start(const QString& filePath, const QString& startSeconds, int volume, bool captureStdout);
    // Sends one command line. Refused (false, nothing written) at 256 characters or more; each UTF-16 unit
    // goes as its low byte, then a line feed, in one write. False when no child runs or the write failed.
    bool SendCommand(const QString& text);
    // Seeks to an absolute second and stays paused.
    bool Seek(double seconds);
    // The "pausing seek" line for seconds, with a dot whatever the locale says.
    static QString SeekCommand(double seconds);

    // The arguments the next Start passes (after the program name).
    QStringList Arguments(const QString& filePath, const QString& startSeconds, int volume) const;
    qint64 ProcessId() const;
    bool IsRunning() const;
    // Kills the child (SIGKILL) and waits up to 5 s for it to end, so that it leaves no zombie.
    void Stop();
    // The process, for its finished and errorOccurred signals.
    QProcess& Process() { return m_process; }

private:
    QString m_program;
    QStringList m_windowOptions;  // set by SetupCommandLine
    QProcess m_process;
};
