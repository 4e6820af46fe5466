// tessaro-cli inspect FILE [--json]: what the viewer reads from one recording.

#include "Command.h"
#include "Json.h"
#include "recording/LoadRecording.h"

#include "recording/AVIFileParser.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

namespace {

std::optional<GpsSample> FirstFix(const std::vector<GpsSample>& samples, bool fromEnd)
{
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const GpsSample& sample = samples[fromEnd ? samples.size() - 1 - i : i];
        if (sample.valid)
            return sample;
    }
    return std::nullopt;
}

double PeakG(const std::vector<GSensorSample>& samples)
{
    double peak = 0.0;
    for (const GSensorSample& s : samples)
        peak = std::max(peak, std::sqrt(s.x * s.x + s.y * s.y + s.z * s.z));
    return peak;
}

Json FixJson(const std::optional<GpsSample>& fix)
{
    if (!fix)
        return nullptr;
    return {{"time", fix->time}, {"latitude", fix->latitude}, {"longitude", fix->longitude}, {"speed", fix->speed}};
}

std::string FixText(const std::optional<GpsSample>& fix)
{
    if (!fix)
        return "none";
    char text[128];
    std::snprintf(text, sizeof text, "%06d  %.6f, %.6f  %.1f km/h", fix->time, fix->latitude, fix->longitude,
                  fix->speed);
    return text;
}

int RunInspect(const std::vector<std::string>& arguments)
{
    bool json = false;
    std::vector<std::string> paths;
    for (const std::string& argument : arguments) {
        if (argument == "--json")
            json = true;
        else if (argument.starts_with("--"))
            return UsageError("inspect", "unknown option " + argument);
        else
            paths.push_back(argument);
    }
    if (paths.size() != 1)
        return UsageError("inspect", "expects exactly one file");

    std::string reason;
    const std::unique_ptr<RecordingItem> item = LoadRecording(paths[0], reason);
    if (!item)
        return Refuse(reason);
    AVIFileParser parser;
    parser.Open(item->path);
    const std::vector<std::string> streamIds = parser.GetStreamChunkIds();
    const std::optional<GpsSample> first = FirstFix(item->gpsSamples, false);
    const std::optional<GpsSample> last = FirstFix(item->gpsSamples, true);
    const double peak = PeakG(item->gSensorSamples);
    const auto fixes = std::count_if(item->gpsSamples.begin(), item->gpsSamples.end(),
                                     [](const GpsSample& sample) { return sample.valid; });

    if (json) {
        const Json out = {{"path", item->path},
                          {"duration", item->duration},
                          {"channels", item->channelCount},
                          {"totalFrames", item->totalFrames},
                          {"streams", streamIds},
                          {"gpsSamples", item->gpsSamples.size()},
                          {"gpsFixes", fixes},
                          {"gSensorSamples", item->gSensorSamples.size()},
                          {"firstFix", FixJson(first)},
                          {"lastFix", FixJson(last)},
                          {"peakG", peak}};
        std::fputs(JsonLine(out).c_str(), stdout);
        return kExitSuccess;
    }
    std::string ids;
    for (const std::string& id : streamIds)
        ids += (ids.empty() ? "" : " ") + id;
    std::printf("file:          %s\n", item->path.c_str());
    std::printf("duration:      %d s\n", item->duration);
    std::printf("channels:      %d\n", item->channelCount);
    std::printf("total frames:  %d\n", item->totalFrames);
    std::printf("streams:       %s\n", ids.c_str());
    std::printf("GPS samples:   %zu (%td with a fix)\n", item->gpsSamples.size(), fixes);
    std::printf("G samples:     %zu\n", item->gSensorSamples.size());
    std::printf("first fix:     %s\n", FixText(first).c_str());
    std::printf("last fix:      %s\n", FixText(last).c_str());
    std::printf("peak |g|:      %.3f\n", peak);
    return kExitSuccess;
}

const CommandRegistration registration{{"inspect", "FILE [--json]", RunInspect,
     "Tells what the viewer reads from one recording: its streams, frames, GPS and G-sensor samples."}};

}  // namespace
