#pragma once

#include <string>
#include <vector>

// Plays files with libVLC, side by side, (opened at run time, as the viewer does) without a picture or sound device,
// until each ends, fails or the patience runs out, and reports how far each got.
struct VlcPlayback {
    bool available = false;  // libVLC could be loaded and started
    bool ended = false;      // reached the end state (not the error state)
    bool failed = false;     // reached the error state
    int decodedVideo = 0;    // pictures decoded of the played video track
    long long lastTimeMs = -1;  // the last playback time seen before the end
    std::string problem;
};

std::vector<VlcPlayback> PlayWithVlc(const std::vector<std::string>& paths, double patienceSeconds = 120);
