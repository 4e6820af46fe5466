#include "Recording.h"

#include "devsupport/AviLayout.h"

#include "FileOutput.h"
#include "Telemetry.h"
#include "VideoEncoder.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <utility>

namespace {

// The rates the camera writes into its stream headers; the scales make them about 30 and 10 frames
// per second, 4410 audio samples per second and kTextRecordsPerSecond text records per second.
constexpr uint32_t kFrontRate = 22056, kFrontScale = 735;
constexpr uint32_t kRearRate = 9342, kRearScale = 934;
constexpr uint32_t kAudioRate = 44100, kAudioScale = 10;
constexpr uint32_t kTextRate = 20250, kTextScale = kTextRate / kTextRecordsPerSecond;
constexpr uint32_t kAudioSamplesPerSecond = kAudioRate / kAudioScale;
constexpr uint32_t kAudioChunksPerSecond = 10;

// Every frame whose time lies before the end of the recording.
int FramesIn(int seconds, uint32_t rate, uint32_t scale)
{
    return static_cast<int>((static_cast<uint64_t>(seconds) * rate + scale - 1) / scale);
}

// A quiet 440 Hz tone that swells and fades once a second, 16-bit little-endian.
std::string AudioBlock(uint32_t firstSample, uint32_t count)
{
    std::string block;
    block.reserve(count * 2);
    for (uint32_t i = 0; i < count; ++i) {
        const double t = double(firstSample + i) / kAudioSamplesPerSecond;
        const double envelope = 0.5 + 0.5 * std::sin(2 * M_PI * t);
        const auto sample = static_cast<int16_t>(std::lround(1500.0 * envelope * std::sin(2 * M_PI * 440.0 * t)));
        block.push_back(static_cast<char>(sample & 0xFF));
        block.push_back(static_cast<char>((sample >> 8) & 0xFF));
    }
    return block;
}

struct TimedChunk {
    double time;
    int stream;
    avi::MediaChunk chunk;
};

// The test pictures depend only on the number of frames, so a run that writes many recordings of one
// length (a demo card) encodes them once: x264 is nearly all of a recording's making time.
bool EncodeOnce(const ChannelPicture& front, int frontFrames, const ChannelPicture& rear, int rearFrames,
                EncodedChannels& video, std::string& reason)
{
    using Key = std::tuple<int, int, int, int, int, int>;
    static std::map<Key, EncodedChannels> encoded;
    const Key key(frontFrames, rearFrames, front.keyFrameInterval, rear.keyFrameInterval, rear.width, rear.height);
    auto it = encoded.find(key);
    if (it == encoded.end()) {
        std::optional<EncodeRequest> rearRequest;
        if (rearFrames > 0)
            rearRequest = EncodeRequest{rear, rearFrames};
        EncodedChannels fresh;
        if (!EncodeChannels({front, frontFrames}, rearRequest, fresh, reason))
            return false;
        it = encoded.emplace(key, std::move(fresh)).first;
    }
    video = it->second;
    return true;
}

using Json = nlohmann::ordered_json;

// File names are bytes; a name that is not valid UTF-8 is written with U+FFFD in place of the bad bytes.
std::string JsonText(const Json& value)
{
    return value.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

Json StreamJson(const avi::AviStream& stream, int chunks, int keyFrames)
{
    return {{"id", stream.chunkId},
            {"type", stream.type},
            {"scale", stream.scale},
            {"rate", stream.rate},
            {"length", stream.length},
            {"chunks", chunks},
            {"suggestedBufferSize", stream.suggestedBufferSize},
            {"sampleSize", stream.sampleSize},
            {"width", stream.width},
            {"height", stream.height},
            {"keyFrames", keyFrames},
            {"seconds", double(stream.playedUnits) * stream.scale / stream.rate}};
}

std::string GroundTruthJson(const RecordingSpec& spec, const std::string& fileName,
                            const std::vector<avi::AviStream>& streams, const std::vector<int>& chunkCounts,
                            const std::vector<int>& keyFrames, const Telemetry& telemetry)
{
    uint32_t totalFrames = 0;
    for (const avi::AviStream& stream : streams)
        if (stream.type == "vids")
            totalFrames += stream.length;
    const avi::AviStream& front = streams.front();
    // What a reader computes from the front stream's header: dwLength / (dwRate / dwScale), truncated.
    const int duration = static_cast<int>(double(front.length) / (double(front.rate) / front.scale));

    Json json = {{"file", fileName},
                 {"variant", "complete"},
                 {"kind", spec.kind},
                 {"start", spec.start.ToNameText()},
                 {"seed", spec.seed},
                 {"seconds", spec.seconds},
                 {"channels", spec.channels},
                 {"durationSeconds", duration},
                 {"totalFrames", totalFrames},
                 {"impactSample", telemetry.impactSample},
                 {"streams", Json::array()},
                 {"gps", Json::array()},
                 {"gsensor", Json::array()}};
    for (size_t i = 0; i < streams.size(); ++i)
        json["streams"].push_back(StreamJson(streams[i], chunkCounts[i], keyFrames[i]));
    for (const GpsTruth& g : telemetry.gps)
        json["gps"].push_back({{"time", g.clockTime},
                               {"latitude", g.latitude},
                               {"longitude", g.longitude},
                               {"speed", g.speedKmh},
                               {"valid", g.valid},
                               {"sentence", g.sentence}});
    for (const GSensorTruth& m : telemetry.gsensor)
        json["gsensor"].push_back({{"x", m.values[0] / 32.0}, {"y", m.values[1] / 32.0}, {"z", m.values[2] / 32.0}});
    return JsonText(json);
}

}  // namespace

bool IsCameraKind(const std::string& kind)
{
    static const char* const kKinds[] = {"REC", "EVT", "EVS", "PRK", "PAK", "MDI"};
    return std::find(std::begin(kKinds), std::end(kKinds), kind) != std::end(kKinds);
}

bool IsEventKind(const std::string& kind) { return kind == "EVT" || kind == "EVS"; }

std::string CameraFileName(const std::string& kind, const CameraTime& start)
{
    return kind + "_" + start.ToNameText() + "_F.avi";
}

bool GenerateRecording(const RecordingSpec& spec, const std::string& fileName, GeneratedRecording& out,
                       std::string& reason)
{
    const bool twoChannels = spec.channels == 2;
    const int frontFrames = FramesIn(spec.seconds, kFrontRate, kFrontScale);
    const int rearFrames = FramesIn(spec.seconds, kRearRate, kRearScale);

    ChannelPicture front = FrontPicture(), rear = RearPicture();
    if (spec.frontKeyInterval > 0)
        front.keyFrameInterval = spec.frontKeyInterval;
    if (spec.rearKeyInterval > 0)
        rear.keyFrameInterval = spec.rearKeyInterval;
    if (spec.rearWidth > 0 && spec.rearHeight > 0) {
        rear.width = spec.rearWidth;
        rear.height = spec.rearHeight;
        rear.parameterSetBytes = 0;  // another camera's setup may be longer or shorter
    }
    EncodedChannels video;
    if (!EncodeOnce(front, frontFrames, rear, twoChannels ? rearFrames : 0, video, reason))
        return false;
    const Telemetry telemetry = MakeTelemetry(spec.start, spec.seconds, spec.seed, IsEventKind(spec.kind), spec.gps);

    std::vector<avi::AviStream> streams;
    streams.push_back({"00dc", "vids", "H264", kFrontScale, kFrontRate, 0, uint16_t(front.width),
                       uint16_t(front.height), avi::VideoFormat(front.width, front.height)});
    if (twoChannels)
        streams.push_back({"01dc", "vids", "H264", kRearScale, kRearRate, 0, uint16_t(rear.width),
                           uint16_t(rear.height), avi::VideoFormat(rear.width, rear.height)});
    streams.push_back({"", "auds", "", kAudioScale, kAudioRate, 2, 0, 0, avi::PcmFormat(kAudioSamplesPerSecond)});
    streams.push_back({"", "txts", "", kTextScale, kTextRate, 0, 0, 0, ""});
    // A chunk id is the stream's number and kind, so without a rear camera audio is "01wb" and text
    // "02tx"; players map chunks to streams by that number.
    for (size_t i = 0; i < streams.size(); ++i) {
        const std::string kind = streams[i].type == "vids" ? "dc" : streams[i].type == "auds" ? "wb" : "tx";
        streams[i].chunkId = "0" + std::to_string(i) + kind;
    }

    std::vector<TimedChunk> timed;
    auto addVideo = [&](const CameraVideo& channel, int stream, uint32_t rate, uint32_t scale) {
        for (size_t k = 0; k < channel.frames.size(); ++k)
            timed.push_back({double(k) * scale / rate, stream, {streams[stream].chunkId, channel.frames[k]}});
    };
    addVideo(*video.front, 0, kFrontRate, kFrontScale);
    if (twoChannels)
        addVideo(*video.rear, 1, kRearRate, kRearScale);
    const int audioStream = twoChannels ? 2 : 1;
    const uint32_t samplesPerChunk = kAudioSamplesPerSecond / kAudioChunksPerSecond;
    for (uint32_t j = 0; j < uint32_t(spec.seconds) * kAudioChunksPerSecond; ++j)
        timed.push_back({double(j) / kAudioChunksPerSecond, audioStream,
                         {streams[audioStream].chunkId, AudioBlock(j * samplesPerChunk, samplesPerChunk)}});
    for (const TextRecord& record : telemetry.records)
        timed.push_back({record.time, audioStream + 1, {streams[audioStream + 1].chunkId, record.payload}});
    // Interleaved by time as the camera writes them; at equal times in stream order.
    std::stable_sort(timed.begin(), timed.end(), [](const TimedChunk& a, const TimedChunk& b) {
        return std::tie(a.time, a.stream) < std::tie(b.time, b.stream);
    });
    std::vector<avi::MediaChunk> chunks;
    chunks.reserve(timed.size());
    for (TimedChunk& t : timed)
        chunks.push_back(std::move(t.chunk));

    const auto microSecondsPerFrame = static_cast<uint32_t>(std::lround(1e6 * kFrontScale / kFrontRate));
    out.bytes = avi::BuildAvi(streams, chunks, microSecondsPerFrame, spec.padChunks);

    std::vector<int> chunkCounts, keyFrames;
    for (const avi::AviStream& stream : streams) {
        int count = 0, keys = 0;
        for (const avi::MediaChunk& chunk : chunks)
            if (chunk.id == stream.chunkId) {
                ++count;
                keys += stream.type == "vids" && avi::IndexFlags(chunk.id, chunk.data) ? 1 : 0;
            }
        chunkCounts.push_back(count);
        keyFrames.push_back(keys);
    }
    out.groundTruth = GroundTruthJson(spec, fileName, streams, chunkCounts, keyFrames, telemetry);
    return true;
}

std::string PowerCutGroundTruth(const std::string& groundTruth, bool cutLast, const std::string& fileName)
{
    Json json = Json::parse(groundTruth, nullptr, false);
    if (!json.is_object())
        return groundTruth;  // not a sidecar this tool wrote: passed on as it is
    json["variant"] = cutLast ? "powercut-cut-last" : "powercut";
    json["file"] = fileName;
    return JsonText(json);
}

bool GenerateAbortedFile(const RecordingSpec& spec, const std::string& fileName, std::string& bytes,
                         std::string& reason)
{
    RecordingSpec oneSecond = spec;
    oneSecond.seconds = 1;
    GeneratedRecording recording;
    if (!GenerateRecording(oneSecond, fileName, recording, reason) ||
        !avi::MakePowerCut(recording.bytes, false, reason) ||
        !avi::CutAfterWholeChunks(recording.bytes, kAbortedFileLimit, reason))
        return false;
    bytes = std::move(recording.bytes);
    return true;
}

std::filesystem::path SidecarPath(const std::filesystem::path& recording)
{
    std::filesystem::path sidecar = recording;
    return sidecar.replace_extension(".json");
}

bool WriteRecordingFiles(const std::filesystem::path& path, const GeneratedRecording& recording,
                         std::string& reason)
{
    return WriteFileAtomically(path, recording.bytes, reason) &&
           WriteFileAtomically(SidecarPath(path), recording.groundTruth, reason);
}
