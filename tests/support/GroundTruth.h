#pragma once

#include <filesystem>
#include <string>
#include <vector>

// What the sample-card generator wrote into a recording, read from the JSON sidecar it leaves next to
// it (REC_..._F.avi -> REC_..._F.json). Tests compare what a reader extracts against these values.
struct TruthStream {
    std::string id;    // "00dc", "01dc", "02wb", "03tx" ("01wb", "02tx" without a rear camera)
    std::string type;  // "vids", "auds", "txts"
    long long scale = 0, rate = 0;
    long long length = 0;               // dwLength: chunks (frames, audio blocks or text records)
    long long chunks = 0;               // chunks of this stream in the movie list
    long long suggestedBufferSize = 0;  // largest chunk
    long long sampleSize = 0;
    int width = 0, height = 0;
    int keyFrames = 0;
    double seconds = 0.0;               // playing time: chunks (audio: samples) * scale / rate
};

// A GPS record as the reader should decode it. Records without a fix have valid = false and their
// position and speed fields empty in the sentence (0 here); the clock time is still set.
struct TruthGps {
    int time = 0;  // local clock time (UTC+9) as the number hhmmss
    double latitude = 0.0, longitude = 0.0;
    double speed = 0.0;  // km/h
    bool valid = false;
    std::string sentence;  // the sentence as written, "$GPRMC,...*CS"
};

struct TruthGSensor {
    double x = 0.0, y = 0.0, z = 0.0;  // g
};

struct GroundTruth {
    std::string file;
    std::string variant;  // "complete", "powercut", "powercut-cut-last"
    std::string kind;     // REC, EVT, EVS, PRK, PAK, MDI
    std::string start;    // YYYYMMDD_HHMMSS, the camera's local time
    long long seed = 0;
    int seconds = 0;
    int channels = 0;
    int durationSeconds = 0;  // front dwLength / (dwRate / dwScale), truncated
    long long totalFrames = 0;
    int impactSample = -1;    // index into gsensor of an event's impact peak, -1 without one
    std::vector<TruthStream> streams;
    std::vector<TruthGps> gps;
    std::vector<TruthGSensor> gsensor;

    const TruthStream* Stream(const std::string& id) const;
};

std::filesystem::path GroundTruthPath(const std::filesystem::path& recording);

// Reads the sidecar of `recording` (or a .json path itself); throws std::runtime_error saying what is
// wrong when it is missing or not what the generator writes.
GroundTruth LoadGroundTruth(const std::filesystem::path& recording);
