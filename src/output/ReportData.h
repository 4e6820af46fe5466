#pragma once

#include <QImage>
#include <QString>

// The content of one printed report, assembled by the print command just before it prints or previews.
// A null picture is left blank on the page.
struct ReportData {
    QImage m_track1Image;  // channel 1, or the only channel
    QImage m_track2Image;  // channel 2; null for a one-channel recording
    QImage m_mapImage;     // the map as it was shown
    QString m_gSensorText;
    QString m_latitudeText;
    QString m_longitudeText;
    QString m_timeText;   // the moment's date and time
    QString m_speedText;
};
