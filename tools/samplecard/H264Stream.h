#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Turns an encoder's Annex-B stream into frames laid out the way the camera stores them: every NAL
// unit behind a 4-byte start code, no SEI, no access unit delimiters, and the parameter sets only in
// front of the first frame, with an SPS that carries no VUI.
struct CameraVideo {
    std::vector<std::string> frames;  // one chunk payload per frame
    std::vector<bool> keyFrames;      // true for IDR frames
    size_t parameterSetBytes = 0;     // SPS + PPS with their start codes, at the start of frame 0
};

// Splits an Annex-B byte stream into NAL units (without start codes).
std::vector<std::string> SplitNalUnits(std::string_view annexB);

// The SPS NAL unit written again with vui_parameters_present_flag = 0; nothing when the SPS uses
// something this rewriter does not understand (scaling matrices).
std::optional<std::string> RewriteSpsWithoutVui(std::string_view spsNal);

// Groups the encoder's NAL units into camera frames; nothing (and a reason) on a stream it cannot use.
std::optional<CameraVideo> MakeCameraVideo(std::string_view annexB, std::string& reason);
