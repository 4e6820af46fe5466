#include "CameraClock.h"

#include "infra/DateTime.h"

#include <cstdio>

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
