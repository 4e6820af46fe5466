#pragma once

#include "H264Stream.h"

#include <optional>
#include <string>

// One camera channel's picture: size, frame rate, key-frame spacing and what it shows.
struct ChannelPicture {
    int width = 0;
    int height = 0;
    int framesPerSecond = 0;  // nominal rate handed to the encoder
    int keyFrameInterval = 0;
    std::string source;       // an ffmpeg lavfi source
    std::string filters;      // drawn over the source, may be empty
    size_t parameterSetBytes = 21;  // what SPS + PPS must take (the camera's 21), 0 for any length
};

ChannelPicture FrontPicture();
ChannelPicture RearPicture();

struct EncodeRequest {
    ChannelPicture picture;
    int frameCount = 0;
};

// Starts ffmpeg for each channel and returns the camera-shaped frames, or nothing and a reason.
// Both channels are encoded at the same time, each single-threaded so the output is reproducible.
struct EncodedChannels {
    std::optional<CameraVideo> front;
    std::optional<CameraVideo> rear;
};
bool EncodeChannels(const EncodeRequest& front, const std::optional<EncodeRequest>& rear,
                    EncodedChannels& result, std::string& reason);
