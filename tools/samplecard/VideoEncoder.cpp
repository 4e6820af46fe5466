#include "VideoEncoder.h"

#include "devsupport/ChildProcess.h"

#include <thread>
#include <vector>

namespace {

std::vector<std::string> EncoderCommand(const EncodeRequest& request)
{
    const ChannelPicture& picture = request.picture;
    std::string source = picture.source + "=size=" + std::to_string(picture.width) + "x" +
                         std::to_string(picture.height) + ":rate=" + std::to_string(picture.framesPerSecond);
    if (!picture.filters.empty())
        source += "," + picture.filters;
    const std::string gop = std::to_string(picture.keyFrameInterval);
    // CRF 32 keeps files small; at 34 and above x264's PPS grows by a byte.
    return {"ffmpeg", "-nostdin", "-hide_banner", "-v", "error", "-threads", "1",
            "-f", "lavfi", "-i", source,
            "-frames:v", std::to_string(request.frameCount), "-pix_fmt", "yuv420p",
            "-c:v", "libx264", "-preset", "superfast", "-profile:v", "baseline", "-crf", "32",
            "-threads", "1",
            "-x264-params", "keyint=" + gop + ":min-keyint=" + gop + ":scenecut=0:bframes=0:aud=0",
            "-bitexact", "-f", "h264", "-"};
}

std::optional<CameraVideo> Encode(const EncodeRequest& request, std::string& reason)
{
    ProcessResult run = RunProcess(EncoderCommand(request));
    if (!run.started) {
        reason = "cannot start ffmpeg";
        return std::nullopt;
    }
    if (run.exitCode != 0) {
        const std::string firstLine = run.err.substr(0, run.err.find('\n'));
        reason = "ffmpeg failed: " + firstLine;
        return std::nullopt;
    }
    auto video = MakeCameraVideo(run.out, reason);
    if (!video)
        return std::nullopt;
    if (static_cast<int>(video->frames.size()) != request.frameCount) {
        reason = "ffmpeg produced " + std::to_string(video->frames.size()) + " frames instead of " +
                 std::to_string(request.frameCount);
        return std::nullopt;
    }
    // The camera's parameter sets fit in 21 bytes with their start codes; other programs rely on it.
    const size_t expected = request.picture.parameterSetBytes;
    if (expected != 0 && video->parameterSetBytes != expected) {
        reason = "SPS and PPS take " + std::to_string(video->parameterSetBytes) + " bytes instead of " +
                 std::to_string(expected) + " at " + std::to_string(request.picture.width) + "x" +
                 std::to_string(request.picture.height);
        return std::nullopt;
    }
    return video;
}

}  // namespace

ChannelPicture FrontPicture()
{
    return {640, 352, 30, 30, "testsrc", "", 21};
}

ChannelPicture RearPicture()
{
    // Colour bars with a white square sweeping across, so the rear channel never looks like the front.
    return {320, 180, 10, 10, "smptebars", "drawbox=x='mod(t*60,280)':y=70:w=40:h=40:color=white:t=fill", 21};
}

bool EncodeChannels(const EncodeRequest& front, const std::optional<EncodeRequest>& rear,
                    EncodedChannels& result, std::string& reason)
{
    std::string rearReason;
    std::thread rearThread;
    if (rear)
        rearThread = std::thread([&] { result.rear = Encode(*rear, rearReason); });
    result.front = Encode(front, reason);
    if (rearThread.joinable())
        rearThread.join();
    if (!result.front)
        return false;
    if (rear && !result.rear) {
        reason = rearReason;
        return false;
    }
    return true;
}
