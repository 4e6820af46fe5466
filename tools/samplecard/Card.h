#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

struct CardSpec {
    int recordings = 8;
    int seconds = 20;
    uint64_t seed = 1;
};

// A card as the camera leaves it: setup.cfg with the default settings in the root, continuous and
// parking recordings in CL_BLACKBOX/MP4_INFINITE, event recordings in CL_BLACKBOX/MP4_EVENT, one
// after another in time. Besides the `recordings` it holds a short recording whose name carries
// SDEXIT and an aborted file.
bool WriteDemoCard(const std::filesystem::path& root, const CardSpec& spec, std::string& reason);

// The text of setup.cfg with the camera's default values (CR LF line ends).
std::string DefaultSetupText();
