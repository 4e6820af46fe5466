#pragma once

#include "infra/DateTime.h"

#include <cstdint>
#include <string>
#include <vector>

// The kind of a recording, taken from the prefix of its file name.
enum RecordingType : int32_t {
    Event = 1,          // EVT, EVS
    Always = 2,         // REC
    Parking = 3,        // PRK, PAK
    ParkingMotion = 4,  // MDI; shown as Parking
    Unknown = 5,
};

// The label of a kind in the user-interface language; empty for a value outside 1..5.
std::string GetRecordingTypeLabel(int type);

// One GPS record of the text stream. A record without a fix keeps its place in the list (sample i is
// second i) but is not valid: its position and speed mean nothing.
struct GpsSample {
    double latitude = -1.0;   // decimal degrees
    double longitude = -1.0;  // decimal degrees
    double speed = -1.0;      // km/h
    int32_t time = 0;         // local clock time as the decimal number hhmmss
    bool valid = false;       // the receiver had a fix; readers skip samples without one
};

// One G-sensor record of the text stream, in g.
struct GSensorSample {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

// One opened recording and the metadata read from it. The item owns its samples.
struct RecordingItem {
    RecordingItem(DateTime startTime, int32_t type, std::string path, std::string fileName);

    DateTime startTime;
    std::string path;
    std::string fileName;
    int32_t type = Unknown;
    int32_t number = 0;        // 1-based position in the list, 0 until numbered
    int32_t channelCount = 0;  // set with the metadata
    int32_t duration = 0;      // whole seconds, set with the metadata
    int64_t duration64 = 0;
    int32_t totalFrames = 0;
    bool metadataLoaded = false;
    bool metadataReady = false;
    std::vector<GSensorSample> gSensorSamples;
    std::vector<double> gSensorTimes;  // seconds; sample i plays at gSensorTimes[i]
    std::vector<GpsSample> gpsSamples;
    std::string dateText;  // "2012-08-20"; each number -1 when the start time is not valid
    std::string timeText;  // "15:30:12"
    // A file named like a recording that cannot be played: why, as a string id (0 when it can be played),
    // and the system's error number where one caused it. Such an item is listed so that the user knows
    // of it, and is never played, moved or changed.
    int32_t unreadable = 0;
    int32_t unreadableError = 0;

    bool IsPlayable() const { return unreadable == 0; }
};

// Why an item cannot be played, in the user-interface language; empty for a playable one.
std::string GetUnreadableText(const RecordingItem& item);
