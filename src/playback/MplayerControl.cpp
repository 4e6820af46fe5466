#include "playback/MplayerControl.h"

#include "infra/DiagnosticLog.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <charconv>
#include <csignal>

#include <sys/prctl.h>
#include <unistd.h>

namespace {

constexpr const char* kClass = "MplayerControl";
// The line must fit the command buffer of 256 bytes with its line feed.
constexpr int kMaxCommandLength = 255;

}  // namespace

MplayerControl::MplayerControl() : m_program(DefaultProgram())
{
    // MPlayer prints a status line per frame: read and drop it as it comes, or the full pipe stops MPlayer.
    QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] { m_process.readAllStandardOutput(); });
    QObject::connect(&m_process, &QProcess::readyReadStandardError, [this] { m_process.readAllStandardError(); });
}

MplayerControl::~MplayerControl()
{
    Stop();
}

QString MplayerControl::DefaultProgram()
{
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/Resource/mplayer");
    const QFileInfo info(beside);
    return info.isFile() && info.isExecutable() ? beside : QStringLiteral("mplayer");
}

void MplayerControl::SetupCommandLine(unsigned long long windowId)
{
    // -vo x11 fills a foreign window only with -fs -zoom; -demuxer lavf decodes from any second of the
    // camera's files (its own AVI demuxer needs the codec setup of the very first frame).
    m_windowOptions = QStringList{"-nofs", "-noquiet", "-osdlevel", "0", "-slave", "-nomouseinput",
                                  "-sub-fuzziness", "1", "-vo", "x11", "-vid", "0", "-vf", "eq=0:0",
                                  "-ao", "pulse,alsa,null,", "-nolirc", "-demuxer", "lavf",
                                  "-wid", QString::number(windowId), "-fs", "-zoom"};
}

QStringList MplayerControl::Arguments(const QString& filePath, const QString& startSeconds, int volume) const
{
    // -softvol keeps the volume inside MPlayer instead of setting the desktop's mixer.
    return m_windowOptions + QStringList{"-softvol", "-softvol-max", "300", "-volume", QString::number(volume),
                                         "-ss", startSeconds, filePath};
}

bool MplayerControl::Start(const QString& filePath, const QString& startSeconds, int volume, bool captureStdout)
{
    if (IsRunning()) {
        WriteLog("already running, start refused", kClass, "Start", kLogType, kLogLevelNormal);
        return false;
    }
    m_process.setProcessChannelMode(captureStdout ? QProcess::MergedChannels : QProcess::SeparateChannels);
    m_process.setStandardOutputFile(captureStdout ? QString() : QProcess::nullDevice());
    const pid_t parent = getpid();
    m_process.setChildProcessModifier([parent] {
        // A viewer that is killed takes its previews with it (also when it died before this line).
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
    });
    m_process.start(m_program, Arguments(filePath, startSeconds, volume));
    if (!m_process.waitForStarted(5000)) {
        WriteLog("start failed: " + m_process.errorString().toStdString(), kClass, "Start", kLogType,
                 kLogLevelNormal);
        return false;
    }
    return true;
}

bool MplayerControl::SendCommand(const QString& text)
{
    if (text.size() > kMaxCommandLength || !IsRunning())
        return false;
    QByteArray line;
    line.reserve(text.size() + 1);
    for (const QChar unit : text)
        line.append(static_cast<char>(unit.unicode() & 0xFF));
    line.append('\n');
    if (m_process.write(line) != line.size())
        return false;
    // Hand the line to the pipe now rather than at the next turn of the event loop.
    while (m_process.bytesToWrite() > 0)
        if (!m_process.waitForBytesWritten(1000))
            return false;
    return true;
}

QString MplayerControl::SeekCommand(double seconds)
{
    char number[400];  // room for any double in fixed notation
    // to_chars ignores the locale: MPlayer reads a dot whatever LC_NUMERIC says.
    const auto end = std::to_chars(number, number + sizeof number, seconds, std::chars_format::fixed, 1).ptr;
    return QStringLiteral("pausing seek %1 2").arg(QLatin1String(number, static_cast<int>(end - number)));
}

bool MplayerControl::Seek(double seconds)
{
    return SendCommand(SeekCommand(seconds));
}

qint64 MplayerControl::ProcessId() const
{
    return m_process.processId();
}

bool MplayerControl::IsRunning() const
{
    return m_process.state() != QProcess::NotRunning;
}

void MplayerControl::Stop()
{
    if (!IsRunning())
        return;
    m_process.kill();
    if (!m_process.waitForFinished(5000))
        WriteLog("did not end within 5 s", kClass, "Stop", kLogType, kLogLevelNormal);
}
