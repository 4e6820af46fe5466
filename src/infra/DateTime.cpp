#include "infra/DateTime.h"

#include <cmath>

namespace {

constexpr long long kDaysFrom1899To1970 = 25569;  // 1899-12-30 .. 1970-01-01

int DaysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

}  // namespace

long long DaysFromCivil(long long year, unsigned month, unsigned day)
{
    year -= month <= 2;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}

void CivilFromDays(long long days, int& year, int& month, int& day)
{
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthPart = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * monthPart + 2) / 5 + 1);
    month = static_cast<int>(monthPart < 10 ? monthPart + 3 : monthPart - 9);
    year = static_cast<int>(static_cast<long long>(yearOfEra) + era * 400 + (month <= 2));
}

DateTime DateTime::FromCalendar(int year, int month, int day, int hour, int minute, int second)
{
    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
        hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return {};
    const long long days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
                           kDaysFrom1899To1970;
    const double fraction = (hour * 3600 + minute * 60 + second) / 86400.0;
    // Before 1899-12-30 the value counts days backwards while the fraction still counts forwards.
    const double value = days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
    return {value, Valid};
}

DateTime DateTime::FromTimeT(std::time_t time)
{
    std::tm local{};
    if (!localtime_r(&time, &local))
        return {};
    return FromCalendar(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                        local.tm_sec);
}

DateTime::Fields DateTime::ToFields() const
{
    Fields fields;
    if (!IsValid() || !std::isfinite(value))
        return fields;
    const double whole = std::trunc(value);
    long long days = static_cast<long long>(whole);
    long long seconds = std::llround(std::fabs(value - whole) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        days += value >= 0 ? 1 : -1;
    }
    CivilFromDays(days - kDaysFrom1899To1970, fields.year, fields.month, fields.day);
    fields.hour = static_cast<int>(seconds / 3600);
    fields.minute = static_cast<int>(seconds / 60 % 60);
    fields.second = static_cast<int>(seconds % 60);
    return fields;
}
