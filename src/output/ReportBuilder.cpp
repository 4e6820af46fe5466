#include "output/ReportBuilder.h"

#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "output/SnapshotNames.h"
#include "recording/AVIFileLoader.h"
#include "session/PlaybackSession.h"
#include "widgets/LoadText.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

// The still at path, or a null image; the file is removed either way.
QImage TakeStill(const QString& path)
{
    QImage still;
    if (QFile::exists(path)) {
        still.load(path);
        QFile::remove(path);
    }
    return still;
}

}  // namespace

void FillReportTexts(ReportData& report, const RecordingItem* recording, double position)
{
    const double t = recording ? position * recording->duration : 0.0;
    const std::optional<GSensorSample> g = recording ? GetGSensorSampleAt(*recording, t) : std::nullopt;
    std::optional<GpsSample> p = recording ? GetGpsSampleAt(*recording, t) : std::nullopt;
    // A sample without a fix holds no position of this moment.
    if (p && !p->valid)
        p.reset();

    report.m_gSensorText = LoadText(StringId::kReportGSensor) +
                           (g ? QString::asprintf(" : X= %.8f, Y= %.8f, Z= %.8f", g->x, g->y, g->z)
                              : QStringLiteral(" : X= N/A, Y= N/A, Z= N/A"));
    report.m_latitudeText =
        LoadText(StringId::kReportLatitude) + (p ? QString::asprintf(" : %.8f", p->latitude) : QStringLiteral(" : N/A"));
    report.m_longitudeText =
        LoadText(StringId::kReportLongitude) + (p ? QString::asprintf(" : %.8f", p->longitude) : QStringLiteral(" : N/A"));
    report.m_speedText =
        LoadText(StringId::kReportSpeed) + (p ? QString::asprintf(" : %.1f km/h", p->speed) : QStringLiteral(" : N/A"));

    QString moment = QStringLiteral(" : N/A");
    if (recording && recording->startTime.IsValid()) {
        const DateTime at{recording->startTime.value + static_cast<int>(t) / 86400.0, DateTime::Valid};
        const DateTime::Fields f = at.ToFields();
        moment = QString::asprintf(" : %04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day, f.hour, f.minute,
                                   f.second);
    }
    report.m_timeText = LoadText(StringId::kReportTime) + moment;
}

ReportData BuildReportData(PlaybackSession& session, const ReportSources& sources)
{
    ReportData report;
    const RecordingItem* recording = session.GetCurrentRecording();
    if (recording && sources.captureSnapshot) {
        // A folder of our own: the temporary folder is shared with every other user of the machine.
        QTemporaryDir folder;
        if (folder.isValid()) {
            const QString name = folder.path() + "/tempVideoSnapshotFile" +
                                 QString::fromStdString(tessaro::SnapshotTimeStamp(tessaro::LocalMomentNow()));
            sources.captureSnapshot((name + ".png").toStdString());
            if (recording->channelCount > 1) {
                report.m_track1Image = TakeStill(name + "(Track1).png");
                report.m_track2Image = TakeStill(name + "(Track2).png");
            } else {
                report.m_track1Image = TakeStill(name + ".png");
            }
        }
    }
    if (recording && sources.mapPicture)
        report.m_mapImage = sources.mapPicture();
    FillReportTexts(report, recording, session.position);
    return report;
}
