#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The camera's clock and file names: REC_20120820_153012_F.avi and its kinds.
namespace samplecard {

// A wall-clock time of the camera (local time, no time zone attached).
struct ClockTime {
    int year = 2012, month = 8, day = 20, hour = 15, minute = 30, second = 12;

    // Seconds since 1970-01-01 00:00:00 of the same clock; exact for any Gregorian date.
    int64_t ToSeconds() const;
    static ClockTime FromSeconds(int64_t seconds);
    ClockTime Plus(int64_t seconds) const { return FromSeconds(ToSeconds() + seconds); }

    // "YYYYMMDD_HHMMSS"; nothing when the text is not a real date and time.
    static std::optional<ClockTime> Parse(const std::string& text);
    std::string NameText() const;      // 20120820_153012
    std::string DisplayText() const;   // 2012-08-20 15:30:12
    int HourMinuteSecond() const { return hour * 10000 + minute * 100 + second; }  // 153012
};

// The camera's recording kinds, by file-name prefix, with the viewer's type number for each.
struct RecordingKind {
    const char* prefix;
    int type;       // 1 Event, 2 Always, 3 Parking, 4 parking motion
    bool event;     // an impact started the recording
    bool parked;    // recorded while the vehicle stands
    const char* folder;  // folder of the card under the root folder
};

// Nothing for an unknown prefix; prefixes compare exactly (upper case).
const RecordingKind* FindRecordingKind(const std::string& prefix);

// REC_20120820_153012_F.avi; `tag` replaces the trailing F (for example SDEXIT).
std::string RecordingFileName(const RecordingKind& kind, const ClockTime& start, const std::string& tag = "F");

// Kind and start from a name as the camera writes it, when it is one.
struct ParsedName {
    const RecordingKind* kind = nullptr;
    std::optional<ClockTime> start;
};
ParsedName ParseRecordingFileName(const std::string& fileName);

}  // namespace samplecard
