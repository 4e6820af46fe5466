#include "output/ReportPrintCommands.h"

#include "output/CPrintControl.h"
#include "output/SnapshotNames.h"
#include "infra/DiagnosticLog.h"
#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "playback/CChannelVideoPane.h"
#include "recording/AVIFileLoader.h"
#include "session/PlaybackSession.h"

#include <QFile>
#include <QTemporaryDir>

#include <optional>

namespace {

constexpr const char* kClass = "CCorvellNewDlg";
constexpr const char* kNotAvailable = "N/A";

void Log(const std::string& text, const char* function)
{
    WriteLog(text, kClass, function, kLogType, kLogLevelNormal);
}

QString Label(int id)
{
    return QString::fromStdString(LoadString(id)) + QStringLiteral(" : ");
}

// Numbers always with a dot, whatever the desktop's locale says.
QString Fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

// Loads a still the engine wrote and removes the file; a still that is not there leaves the picture null.
QImage TakeStill(const std::string& path)
{
    const QString file = QString::fromStdString(path);
    if (!QFile::exists(file))
        return {};
    QImage still(file);
    QFile::remove(file);
    return still;
}

// The date and time of the moment `seconds` into a recording, as the list shows a start time.
QString MomentText(const RecordingItem& item, double seconds)
{
    if (!item.startTime.IsValid())
        return QString::fromLatin1(kNotAvailable);
    DateTime moment = item.startTime;
    moment.value += seconds / 86400.0;
    const DateTime::Fields f = moment.ToFields();
    return QString::asprintf("%d-%.2d-%.2d %.2d:%.2d:%.2d", f.year, f.month, f.day, f.hour, f.minute, f.second);
}

}  // namespace

ReportPrintCommands::ReportPrintCommands(PlaybackSession& session, CPrintControl& printControl,
                                         SnapshotCapture captureSnapshot, MapPictureSource mapPicture, QWidget* parent)
    : m_session(session),
      m_printControl(printControl),
      m_captureSnapshot(std::move(captureSnapshot)),
      m_mapPicture(std::move(mapPicture)),
      m_parent(parent)
{
}

void ReportPrintCommands::OnBnClickedPrintBtn()
{
    Log("Video Print Button Click", "OnBnClickedPrintBtn");
    m_session.Post(VIDEO_PAUSE, std::make_unique<MessageParam>());
    m_printControl.SetReport(BuildReportData());
    if (m_printDirect)
        m_printControl.PrintDirect(m_parent);
    Log("Video print end", "OnBnClickedPrintBtn");
}

void ReportPrintCommands::OnFilePrintPreview()
{
    if (!m_session.GetCurrentRecording())
        return;
    m_printDirect = false;
    OnBnClickedPrintBtn();
    m_printControl.ShowPreview(m_parent);
    m_printDirect = true;
}

ReportData ReportPrintCommands::BuildReportData() const
{
    ReportData report;
    const RecordingItem* item = m_session.GetCurrentRecording();

    if (item) {
        // A folder of our own: the temporary folder is shared with every other user of the machine.
        QTemporaryDir folder;
        if (folder.isValid() && m_captureSnapshot) {
            const std::string name = folder.filePath(QStringLiteral("tempVideoSnapshotFile")).toStdString() +
                                     tessaro::SnapshotTimeStamp(tessaro::LocalMomentNow()) + ".png";
            m_captureSnapshot(name);
            if (item->channelCount > 1) {
                report.m_track1Image = TakeStill(InsertBeforeExtension(name, "(Track1)"));
                report.m_track2Image = TakeStill(InsertBeforeExtension(name, "(Track2)"));
            } else {
                report.m_track1Image = TakeStill(name);
            }
        }
        if (m_mapPicture)
            report.m_mapImage = m_mapPicture();
    }

    const double seconds = item ? double(m_session.position.load()) * item->duration : 0.0;
    const std::optional<GSensorSample> g = item ? GetGSensorSampleAt(*item, seconds) : std::nullopt;
    const std::optional<GpsSample> gps = item ? GetGpsSampleAt(*item, seconds) : std::nullopt;
    const QString na = QString::fromLatin1(kNotAvailable);

    report.m_gSensorText = Label(StringId::kReportGSensor) +
                           (g ? QStringLiteral("X= %1, Y= %2, Z= %3").arg(Fixed(g->x, 8), Fixed(g->y, 8), Fixed(g->z, 8))
                              : QStringLiteral("X= N/A, Y= N/A, Z= N/A"));
    report.m_latitudeText = Label(StringId::kReportLatitude) + (gps ? Fixed(gps->latitude, 8) : na);
    report.m_longitudeText = Label(StringId::kReportLongitude) + (gps ? Fixed(gps->longitude, 8) : na);
    report.m_speedText = Label(StringId::kReportSpeed) + (gps ? Fixed(gps->speed, 1) + QStringLiteral(" km/h") : na);
    report.m_timeText = Label(StringId::kReportTime) + (item ? MomentText(*item, seconds) : na);
    return report;
}
