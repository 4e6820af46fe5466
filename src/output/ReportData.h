#pragma once

// The content of one printed report: the stills of the recording's channels, the map as shown, and the
// lines about the moment. A null picture is one the report leaves blank.

#include <QImage>
#include <QString>

struct ReportData {
    QImage m_track1Image;  // channel 1, or the only channel
    QImage m_track2Image;  // channel 2; null for a one-channel recording
    QImage m_mapImage;     // the map pane's browser area as the user sees it
    QString m_gSensorText;
    QString m_latitudeText;
    QString m_longitudeText;
    QString m_timeText;   // the moment's date and time
    QString m_speedText;  // the speed at that moment
};
