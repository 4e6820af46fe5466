#pragma once

#include "CameraClock.h"

#include <cstdint>
#include <string>
#include <vector>

// What the reader of a recording should get back from one GPS record.
struct GpsTruth {
    int clockTime = 0;       // local hhmmss (UTC+9)
    double latitude = 0.0;   // degrees, as written (0 without a fix)
    double longitude = 0.0;
    double speedKmh = 0.0;
    bool valid = false;
    std::string sentence;    // the RMC sentence as written, checksum included
};

// One G-sensor record: six signed values in 1/32 g; the reader uses the first three.
struct GSensorTruth {
    int8_t values[6] = {};
};

struct TextRecord {
    double time = 0.0;  // seconds from the start of the recording
    std::string payload;
};

struct Telemetry {
    std::vector<TextRecord> records;  // in time order
    std::vector<GpsTruth> gps;
    std::vector<GSensorTruth> gsensor;
    int impactSample = -1;            // index into gsensor of the impact's peak, -1 without one
};

constexpr int kGSensorRecordsPerSecond = 9;
constexpr int kTextRecordsPerSecond = 1 + kGSensorRecordsPerSecond;

// A drive near 37.5 N 127.0 E: one 'G' record per second, kGSensorRecordsPerSecond 'M' records per
// second (none without `gps`), a few seconds without a fix, and an impact when `impact` is set.
Telemetry MakeTelemetry(const CameraTime& start, int seconds, uint64_t seed, bool impact, bool gps = true);

// "$GPRMC...*" followed by the two hex digits of the XOR of everything between '$' and '*'.
std::string WithNmeaChecksum(const std::string& sentenceWithoutChecksum);
