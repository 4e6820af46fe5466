#pragma once

#include "CameraNames.h"

#include <cstdint>
#include <filesystem>

// A whole demo card: the camera's folders, its setup.cfg, a drive of recordings of every kind, and the
// files a real card collects over time (a one-channel recording, a power-cut copy, an aborted file, a
// recording closed when the card was taken out).
namespace samplecard {

struct CardOptions {
    int recordings = 10;  // ordinary recordings; the four special files come on top
    int seconds = 5;
    uint64_t seed = 1;
    ClockTime start;
};

inline constexpr int kMaxCardRecordings = 2000;

// Refuses (throws) a folder that already holds anything: it never writes over a user's files.
void MakeCard(const std::filesystem::path& folder, const CardOptions& options);

// setup.cfg as the camera writes it with its factory settings.
std::string DefaultSetupText();

}  // namespace samplecard
