#pragma once

#include <ctime>

// A date-time value as the camera's tools keep it: days since 1899-12-30 as a double (the fraction is
// the time of day), with a status that says whether the value holds a date at all.
struct DateTime {
    enum Status { Valid = 0, Invalid = 1 };

    double value = 0.0;
    Status status = Invalid;

    bool IsValid() const { return status == Valid; }

    // Calendar fields; an impossible date or time (month 13, 31 April, 24:00:00) gives an invalid value.
    static DateTime FromCalendar(int year, int month, int day, int hour, int minute, int second);
    // A point in time converted to local time.
    static DateTime FromTimeT(std::time_t time);

    struct Fields {
        int year = -1, month = -1, day = -1, hour = -1, minute = -1, second = -1;
    };
    // The calendar fields, rounded to the nearest second; every field -1 when the value is not valid.
    Fields ToFields() const;

    friend bool operator==(const DateTime&, const DateTime&) = default;
};

// Days between 1970-01-01 and a date of the proleptic Gregorian calendar, and back.
long long DaysFromCivil(long long year, unsigned month, unsigned day);
void CivilFromDays(long long days, int& year, int& month, int& day);
