#pragma once

#include <cstdint>
#include <optional>
#include <string>

// A calendar time of the camera's clock (local time, UTC+9, no daylight saving).
struct CameraTime {
    int year = 2012, month = 8, day = 20, hour = 15, minute = 30, second = 12;

    // "YYYYMMDD_HHMMSS", as in the camera's file names; nothing when it is not a real date and time.
    static std::optional<CameraTime> Parse(const std::string& text);
    std::string ToNameText() const;

    int64_t ToSeconds() const;  // seconds since 1970-01-01 of this clock
    static CameraTime FromSeconds(int64_t seconds);
    CameraTime Plus(int64_t seconds) const { return FromSeconds(ToSeconds() + seconds); }
    int ClockNumber() const { return hour * 10000 + minute * 100 + second; }  // hhmmss
};

constexpr int kCameraUtcOffsetSeconds = 9 * 3600;
