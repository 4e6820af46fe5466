#pragma once

#include <string>
#include <vector>

// H.264 video framed the way the camera writes it: every NAL unit behind a 4-byte start code, no SEI,
// no access unit delimiters, and the sequence and picture parameter sets (SPS without VUI) only at the
// head of the channel's first frame, where together with their start codes they take exactly
// kCameraSetupBytes bytes. Later key frames start 00 00 00 01 65.
namespace samplecard {

inline constexpr size_t kCameraSetupBytes = 21;

struct VideoFrame {
    std::string data;
    bool keyFrame = false;
};

struct VideoChannelSettings {
    int width = 0;
    int height = 0;
    int framesPerSecond = 0;
    int bitRateKbps = 0;
    std::string pattern;  // an ffmpeg test source ("testsrc2", "testsrc", ...)
};

// The NAL units of an Annex B byte stream, without their start codes.
std::vector<std::string> SplitAnnexB(const std::string& stream);

// The same sequence parameter set (a whole NAL unit, header byte included) without its VUI.
std::string RemoveVui(const std::string& sps);

// Regroups an encoder's Annex B output into camera frames; throws when the stream cannot be framed
// the camera's way (no parameter sets, setup bytes of another length).
std::vector<VideoFrame> FrameLikeCamera(const std::string& annexB);

// Encodes `seconds` of each channel's test pattern with ffmpeg (baseline profile, no B-frames, one key
// frame a second) and frames it like the camera. Throws when ffmpeg fails or delivers an unexpected
// number of frames.
std::vector<std::vector<VideoFrame>> EncodeChannels(const std::vector<VideoChannelSettings>& channels,
                                                    int seconds);

}  // namespace samplecard
