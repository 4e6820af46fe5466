#include "CameraClock.h"

#include <cstdio>

namespace {

// Days between 1970-01-01 and a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (month <= 2));
}

}  // namespace

std::optional<CameraTime> CameraTime::Parse(const std::string& text)
{
    if (text.size() != 15 || text[8] != '_')
        return std::nullopt;
    for (size_t i = 0; i < text.size(); ++i)
        if (i != 8 && (text[i] < '0' || text[i] > '9'))
            return std::nullopt;
    auto number = [&](size_t at, size_t count) { return std::stoi(text.substr(at, count)); };
    CameraTime time{number(0, 4), number(4, 2), number(6, 2), number(9, 2), number(11, 2), number(13, 2)};
    // A real date survives the round trip through the day count unchanged.
    if (time.month < 1 || time.month > 12 || time.day < 1 || time.hour > 23 || time.minute > 59 ||
        time.second > 59 || time.year < 1980 || FromSeconds(time.ToSeconds()).day != time.day)
        return std::nullopt;
    return time;
}

std::string CameraTime::ToNameText() const
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d_%02d%02d%02d", year, month, day, hour, minute, second);
    return text;
}

int64_t CameraTime::ToSeconds() const
{
    return DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 +
           hour * 3600 + minute * 60 + second;
}

CameraTime CameraTime::FromSeconds(int64_t seconds)
{
    int64_t days = seconds / 86400;
    int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    CameraTime time;
    CivilFromDays(days, time.year, time.month, time.day);
    time.hour = static_cast<int>(rest / 3600);
    time.minute = static_cast<int>(rest / 60 % 60);
    time.second = static_cast<int>(rest % 60);
    return time;
}
