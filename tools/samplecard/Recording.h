#pragma once

#include "CameraClock.h"

#include <cstdint>
#include <filesystem>
#include <string>

// What to record: the kind (file-name prefix), length, channels, start time and the seed that fixes
// everything random in it.
struct RecordingSpec {
    std::string kind = "REC";
    int seconds = 5;
    int channels = 2;
    CameraTime start;
    uint64_t seed = 1;
    bool gps = true;  // false: a camera without a GPS receiver writes no GPS records
    // Another writer's layout, for testing readers against it; 0 and true are the camera's own.
    int frontKeyInterval = 0;  // frames from one key frame to the next (the camera: 30)
    int rearKeyInterval = 0;   // (the camera: 10)
    int rearWidth = 0, rearHeight = 0;  // (the camera: 320x180)
    bool padChunks = true;     // odd chunks get a pad byte
};

struct GeneratedRecording {
    std::string bytes;        // the complete AVI file
    std::string groundTruth;  // the sidecar JSON
};

bool IsCameraKind(const std::string& kind);
bool IsEventKind(const std::string& kind);

// The name the camera gives such a recording, e.g. REC_20120820_153012_F.avi.
std::string CameraFileName(const std::string& kind, const CameraTime& start);

// Encodes the video, synthesises audio and telemetry and lays them out as the camera does.
bool GenerateRecording(const RecordingSpec& spec, const std::string& fileName, GeneratedRecording& out,
                       std::string& reason);

// The sidecar of a recording turned into a power-cut copy.
std::string PowerCutGroundTruth(const std::string& groundTruth, bool cutLast, const std::string& fileName);

// A file the camera leaves when it is switched off right after starting one: the unfinished header
// and the whole chunks of a one-second recording that fit in kAbortedFileLimit bytes.
constexpr size_t kAbortedFileLimit = 30720;
bool GenerateAbortedFile(const RecordingSpec& spec, const std::string& fileName, std::string& bytes,
                         std::string& reason);

// REC_..._F.avi -> REC_..._F.json
std::filesystem::path SidecarPath(const std::filesystem::path& recording);

// Writes the recording and its sidecar next to it.
bool WriteRecordingFiles(const std::filesystem::path& path, const GeneratedRecording& recording,
                         std::string& reason);
