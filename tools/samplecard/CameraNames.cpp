#include "CameraNames.h"

#include <cstdio>

namespace samplecard {
namespace {

// Days from 1970-01-01 to a Gregorian date (H. Hinnant's civil-date algorithm).
int64_t DaysFromCivil(int64_t y, int m, int d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

const RecordingKind kKinds[] = {
    {"REC", 2, false, false, "MP4_INFINITE"}, {"EVT", 1, true, false, "MP4_EVENT"},
    {"EVS", 1, true, false, "MP4_EVENT"},     {"PRK", 3, false, true, "MP4_INFINITE"},
    {"PAK", 3, false, true, "MP4_INFINITE"},  {"MDI", 4, false, true, "MP4_INFINITE"},
};

bool AllDigits(const std::string& text)
{
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return !text.empty();
}

}  // namespace

int64_t ClockTime::ToSeconds() const
{
    return DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}

ClockTime ClockTime::FromSeconds(int64_t seconds)
{
    int64_t days = seconds / 86400;
    int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    ClockTime t;
    CivilFromDays(days, t.year, t.month, t.day);
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

std::optional<ClockTime> ClockTime::Parse(const std::string& text)
{
    if (text.size() != 15 || text[8] != '_' || !AllDigits(text.substr(0, 8)) || !AllDigits(text.substr(9)))
        return std::nullopt;
    ClockTime t;
    t.year = std::stoi(text.substr(0, 4));
    t.month = std::stoi(text.substr(4, 2));
    t.day = std::stoi(text.substr(6, 2));
    t.hour = std::stoi(text.substr(9, 2));
    t.minute = std::stoi(text.substr(11, 2));
    t.second = std::stoi(text.substr(13, 2));
    // A real date survives the round trip through the day count unchanged.
    const ClockTime normalised = FromSeconds(t.ToSeconds());
    if (t.year < 2000 || t.year > 2099 || t.month < 1 || t.month > 12 || t.day < 1 || t.hour > 23 ||
        t.minute > 59 || t.second > 59 || normalised.day != t.day || normalised.month != t.month)
        return std::nullopt;
    return t;
}

std::string ClockTime::NameText() const
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d_%02d%02d%02d", year, month, day, hour, minute, second);
    return text;
}

std::string ClockTime::DisplayText() const
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute, second);
    return text;
}

const RecordingKind* FindRecordingKind(const std::string& prefix)
{
    for (const RecordingKind& kind : kKinds)
        if (prefix == kind.prefix)
            return &kind;
    return nullptr;
}

std::string RecordingFileName(const RecordingKind& kind, const ClockTime& start, const std::string& tag)
{
    return std::string(kind.prefix) + "_" + start.NameText() + "_" + tag + ".avi";
}

ParsedName ParseRecordingFileName(const std::string& fileName)
{
    ParsedName parsed;
    if (fileName.size() < 3)
        return parsed;
    parsed.kind = FindRecordingKind(fileName.substr(0, 3));
    if (parsed.kind && fileName.size() >= 19 && fileName[3] == '_')
        parsed.start = ClockTime::Parse(fileName.substr(4, 15));
    return parsed;
}

}  // namespace samplecard
