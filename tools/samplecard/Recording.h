#pragma once

#include "AviFile.h"
#include "CameraNames.h"
#include "H264.h"
#include "Telemetry.h"

#include <cstdint>
#include <string>
#include <vector>

// One recording as the camera writes it, with the ground truth of everything written into it.
namespace samplecard {

inline constexpr int kMaxSeconds = 900;

struct RecordingOptions {
    const RecordingKind* kind = nullptr;
    int channels = 2;
    int seconds = 5;
    ClockTime start;
    uint64_t seed = 1;
};

// Front and rear test video, encoded once and shared by every recording of the same length.
struct CameraVideo {
    std::vector<VideoFrame> front;
    std::vector<VideoFrame> rear;  // empty for a one-channel recording
};
CameraVideo EncodeCameraVideo(int seconds, int channels);

struct GeneratedRecording {
    BuiltAvi avi;
    std::string truthJson;
};

// Drives `vehicle` through the recording's seconds; `fileName` only goes into the ground truth.
GeneratedRecording MakeRecording(const RecordingOptions& options, const CameraVideo& video, Vehicle& vehicle,
                                 const std::string& fileName);

// The ground truth of a power-cut copy: what was cut, and the truth of the recording it came from.
std::string PowerCutTruthJson(const std::string& sourceName, const PowerCut& cut, const std::string& sourceTruth,
                              size_t sourceLength);

}  // namespace samplecard
