#include "output/SnapshotNames.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace tessaro {

LocalMoment LocalMomentNow()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    LocalMoment moment;
    moment.year = local.tm_year + 1900;
    moment.month = local.tm_mon + 1;
    moment.day = local.tm_mday;
    moment.hour = local.tm_hour;
    moment.minute = local.tm_min;
    moment.second = local.tm_sec;
    moment.millisecond = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    return moment;
}

std::string SnapshotTimeStamp(const LocalMoment& m)
{
    char text[96];
    // "%.d" prints nothing for 0 (precision 0 of a zero value).
    std::snprintf(text, sizeof text, "-%d-%d-%d-%.2dh%.2dm%.2ds%.d", m.year, m.month, m.day, m.hour, m.minute,
                  m.second, m.millisecond);
    return text;
}

std::string CaptureFileName(const std::string& recordingFileName, const LocalMoment& moment)
{
    const std::string stem =
        recordingFileName.size() >= 4 ? recordingFileName.substr(0, recordingFileName.size() - 4) : std::string();
    return stem + SnapshotTimeStamp(moment) + ".png";
}

}  // namespace tessaro
