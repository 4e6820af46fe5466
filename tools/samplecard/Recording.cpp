#include "Recording.h"

#include "Bytes.h"
#include "Json.h"

#include <algorithm>
#include <stdexcept>

namespace samplecard {
namespace {

// The camera's stream rates; the scales make them about 30 and 10 frames, 10 audio blocks and
// 10 text records a second, chosen a little slow so that frames / (rate / scale) truncates to the
// whole seconds recorded (for recordings up to kMaxSeconds).
constexpr uint32_t kFrontRate = 22056, kFrontScale = 736;
constexpr uint32_t kRearRate = 9342, kRearScale = 935;
constexpr uint32_t kAudioRate = 44100, kAudioScale = 4410;
constexpr uint32_t kTextRate = 20250, kTextScale = 2025;

constexpr int kFrontFps = 30, kRearFps = 10;
constexpr int kTicksPerSecond = 10;  // audio blocks and text records
constexpr int kSamplesPerBlock = CabinSound::kSampleRate / kTicksPerSecond;
constexpr int kUtcOffsetSeconds = 9 * 3600;  // the camera's clock runs on Korean time

const VideoChannelSettings kFrontCamera{640, 352, kFrontFps, 150, "testsrc2"};
const VideoChannelSettings kRearCamera{320, 180, kRearFps, 50, "testsrc"};

std::string BitmapInfo(const VideoChannelSettings& camera)
{
    std::string f;
    AppendU32(f, 40);
    AppendU32(f, static_cast<uint32_t>(camera.width));
    AppendU32(f, static_cast<uint32_t>(camera.height));
    AppendU16(f, 1);   // planes
    AppendU16(f, 24);  // bits per pixel
    AppendFourCC(f, "H264");
    AppendU32(f, static_cast<uint32_t>(camera.width * camera.height * 3));
    f.append(16, '\0');
    return f;
}

std::string WaveFormat()
{
    std::string f;
    AppendU16(f, 1);  // PCM
    AppendU16(f, 1);  // mono
    AppendU32(f, CabinSound::kSampleRate);
    AppendU32(f, CabinSound::kSampleRate * 2);
    AppendU16(f, 2);   // block align
    AppendU16(f, 16);  // bits per sample
    return f;
}

AviStream VideoStream(const VideoChannelSettings& camera, const std::string& id, uint32_t scale, uint32_t rate)
{
    return {"vids", "H264", id, scale, rate, BitmapInfo(camera), static_cast<uint16_t>(camera.width),
            static_cast<uint16_t>(camera.height)};
}

std::vector<AviStream> CameraStreams(int channels)
{
    // Stream numbers are positions, so a one-channel recording's audio and text are 01wb and 02tx.
    std::vector<AviStream> streams = {VideoStream(kFrontCamera, "00dc", kFrontScale, kFrontRate)};
    if (channels == 2)
        streams.push_back(VideoStream(kRearCamera, "01dc", kRearScale, kRearRate));
    const std::string n = std::to_string(streams.size());
    streams.push_back({"auds", std::string(4, '\0'), "0" + n + "wb", kAudioScale, kAudioRate, WaveFormat()});
    streams.push_back({"txts", std::string(4, '\0'), "0" + std::to_string(streams.size()) + "tx", kTextScale,
                       kTextRate, ""});
    return streams;
}

// A chunk in recording order: its time in 1/30 s, then the stream order.
struct TimedChunk {
    int tick;
    AviChunk chunk;
};

struct GpsTruth {
    RmcFix fix;
    std::string sentence;
    int clockTime = 0;
};

struct GSensorTruth {
    std::array<int8_t, 6> bytes{};
};

Acceleration WithSensorNoise(Acceleration a, double speedKmh, Random& random)
{
    const double road = 0.02 + speedKmh * 0.0006;
    a.x += random.Uniform(-road, road);
    a.y += random.Uniform(-road, road);
    a.z += random.Uniform(-road * 1.5, road * 1.5);
    return a;
}

void WriteTruth(JsonWriter& json, const RecordingOptions& options, const std::string& fileName,
                const std::vector<AviStream>& streams, const BuiltAvi& avi, const CameraVideo& video, int impactTick,
                const std::vector<GpsTruth>& gps, const std::vector<GSensorTruth>& gsensor)
{
    json.BeginObject();
    json.Field("generator", std::string("tessaro-samplecard"));
    json.Field("file", fileName);
    json.Field("kind", std::string(options.kind->prefix));
    json.Field("recordingType", options.kind->type);
    json.Field("start", options.start.DisplayText());
    json.Field("seed", static_cast<int64_t>(options.seed));
    json.Field("seconds", options.seconds);
    const AviStream& front = streams.front();
    json.Field("durationSeconds", static_cast<int>(avi.streams.front().chunks /
                                                   (static_cast<double>(front.rate) / front.scale)));
    json.Field("channels", options.channels);
    json.Field("totalFrames", avi.totalFrames);
    json.Field("fileLength", static_cast<int64_t>(avi.bytes.size()));
    json.Field("moviOffset", avi.moviOffset);
    json.Field("idx1Offset", avi.idx1Offset);
    uint32_t entries = 0;
    for (const StreamTotals& s : avi.streams)
        entries += s.chunks;
    json.Field("indexEntries", entries);

    json.Key("streams").BeginArray();
    for (size_t i = 0; i < streams.size(); ++i) {
        json.BeginObject();
        json.Field("chunkId", streams[i].chunkId);
        json.Field("fccType", streams[i].fccType);
        json.Field("scale", streams[i].scale);
        json.Field("rate", streams[i].rate);
        json.Field("length", avi.streams[i].chunks);
        json.Field("suggestedBufferSize", avi.streams[i].largest);
        if (streams[i].fccType == "vids") {
            json.Field("width", streams[i].width);
            json.Field("height", streams[i].height);
            const std::vector<VideoFrame>& frames = i == 0 ? video.front : video.rear;
            json.Key("keyFrames").BeginArray();
            for (size_t f = 0; f < frames.size(); ++f)
                if (frames[f].keyFrame)
                    json.Integer(static_cast<int64_t>(f));
            json.EndArray();
        } else if (streams[i].fccType == "auds") {
            json.Field("sampleRate", CabinSound::kSampleRate);
            json.Field("bitsPerSample", 16);
            json.Field("audioChannels", 1);
        }
        json.EndObject();
    }
    json.EndArray();

    json.Key("impact");
    if (impactTick < 0) {
        json.Null();
    } else {
        // The record index counts G-sensor records only, as a reader lists them.
        const int second = impactTick / kTicksPerSecond;
        json.BeginObject();
        json.Field("second", impactTick / static_cast<double>(kTicksPerSecond));
        json.Field("gsensorIndex", impactTick - second - 1);
        json.EndObject();
    }

    json.Key("gps").BeginArray();
    for (size_t s = 0; s < gps.size(); ++s) {
        const GpsTruth& g = gps[s];
        json.BeginObject();
        json.Field("second", static_cast<int>(s));
        json.Field("sentence", g.sentence);
        json.Field("valid", g.fix.valid);
        json.Field("time", g.clockTime);
        json.Key("latitude");
        if (g.fix.hasPosition) {
            const RmcFields fields = RoundLikeSentence(g.fix);
            json.Number(fields.latitude);
            json.Key("longitude").Number(fields.longitude);
            json.Key("speedKnots").Number(fields.speedKnots);
            json.Key("speed").Number(fields.speedKnots * 1.852);
        } else {
            json.Null();
            json.Key("longitude").Null();
            json.Key("speedKnots").Null();
            json.Key("speed").Null();
        }
        json.EndObject();
    }
    json.EndArray();

    json.Key("gsensor").BeginArray();
    for (const GSensorTruth& g : gsensor) {
        json.BeginObject();
        json.Key("bytes").BeginArray();
        for (int8_t b : g.bytes)
            json.Integer(b);
        json.EndArray();
        json.Field("x", g.bytes[0] / 32.0);
        json.Field("y", g.bytes[1] / 32.0);
        json.Field("z", g.bytes[2] / 32.0);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
}

}  // namespace

CameraVideo EncodeCameraVideo(int seconds, int channels)
{
    std::vector<VideoChannelSettings> cameras = {kFrontCamera};
    if (channels == 2)
        cameras.push_back(kRearCamera);
    std::vector<std::vector<VideoFrame>> encoded = EncodeChannels(cameras, seconds);
    CameraVideo video;
    video.front = std::move(encoded[0]);
    if (channels == 2)
        video.rear = std::move(encoded[1]);
    return video;
}

GeneratedRecording MakeRecording(const RecordingOptions& options, const CameraVideo& video, Vehicle& vehicle,
                                 const std::string& fileName)
{
    if (!options.kind || options.seconds < 1 || options.seconds > kMaxSeconds ||
        (options.channels != 1 && options.channels != 2))
        throw std::invalid_argument("recording options out of range");
    const int seconds = options.seconds;
    if (video.front.size() < static_cast<size_t>(seconds * kFrontFps) ||
        (options.channels == 2 && video.rear.size() < static_cast<size_t>(seconds * kRearFps)))
        throw std::invalid_argument("not enough video for the recording");

    const std::vector<AviStream> streams = CameraStreams(options.channels);
    const int audioStream = options.channels, textStream = options.channels + 1;
    std::vector<TimedChunk> chunks;
    for (int i = 0; i < seconds * kFrontFps; ++i)
        chunks.push_back({i, {0, video.front[static_cast<size_t>(i)].data}});
    if (options.channels == 2)
        for (int i = 0; i < seconds * kRearFps; ++i)
            chunks.push_back({i * (kFrontFps / kRearFps), {1, video.rear[static_cast<size_t>(i)].data}});

    Random noise(options.seed * 0x9E3779B97F4A7C15ull ^ static_cast<uint64_t>(options.start.ToSeconds()));
    CabinSound sound(noise.Next());
    vehicle.SetParked(options.kind->parked);
    const int impactTick = options.kind->event ? kTicksPerSecond * (seconds / 2) + 3 : -1;
    // A few seconds in a tunnel: the first without a fix keeps the last position, then the receiver
    // reports no position at all.
    const int noFixStart = seconds >= 6 ? noise.Integer(2, seconds - 4) : -1;

    std::vector<GpsTruth> gps;
    std::vector<GSensorTruth> gsensor;
    for (int tick = 0; tick < seconds * kTicksPerSecond; ++tick) {
        const int second = tick / kTicksPerSecond;
        std::string record;
        if (tick % kTicksPerSecond == 0) {
            GpsTruth g;
            g.fix.utc = options.start.Plus(second - kUtcOffsetSeconds);
            g.fix.valid = noFixStart < 0 || second < noFixStart || second >= noFixStart + 3;
            g.fix.hasPosition = g.fix.valid || second == noFixStart;
            g.fix.latitude = vehicle.latitude();
            g.fix.longitude = vehicle.longitude();
            g.fix.speedKnots = vehicle.speedKmh() / 1.852;
            g.fix.courseDegrees = vehicle.courseDegrees();
            g.sentence = RmcSentence(g.fix);
            g.clockTime = options.start.Plus(second).HourMinuteSecond();
            record = "G" + g.sentence;
            gps.push_back(g);
        }

        const double impact = tick == impactTick ? 1.0 : tick == impactTick + 1 ? 0.45 : tick == impactTick + 2 ? 0.15 : 0.0;
        Acceleration readings[2];
        for (Acceleration& a : readings) {
            a = WithSensorNoise(vehicle.Step(0.05), vehicle.speedKmh(), noise);
            a.x -= 3.6 * impact;
            a.y += 1.5 * impact;
            a.z += 1.2 * impact;
        }
        if (record.empty()) {
            GSensorTruth g;
            g.bytes = GSensorBytes(readings[0], readings[1]);
            record = "M" + std::string(reinterpret_cast<const char*>(g.bytes.data()), g.bytes.size());
            gsensor.push_back(g);
        }

        const int at = tick * (kFrontFps / kTicksPerSecond);
        chunks.push_back({at, {audioStream, sound.Block(kSamplesPerBlock, vehicle.speedKmh(), impact)}});
        chunks.push_back({at, {textStream, record}});
    }

    std::stable_sort(chunks.begin(), chunks.end(), [](const TimedChunk& a, const TimedChunk& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.chunk.stream < b.chunk.stream;
    });
    std::vector<AviChunk> ordered;
    ordered.reserve(chunks.size());
    for (TimedChunk& c : chunks)
        ordered.push_back(std::move(c.chunk));

    GeneratedRecording result;
    result.avi = BuildAvi(streams, ordered);
    JsonWriter json;
    WriteTruth(json, options, fileName, streams, result.avi, video, impactTick, gps, gsensor);
    result.truthJson = json.text();
    return result;
}

std::string PowerCutTruthJson(const std::string& sourceName, const PowerCut& cut, const std::string& sourceTruth,
                              size_t sourceLength)
{
    JsonWriter json;
    json.BeginObject();
    json.Field("generator", std::string("tessaro-samplecard"));
    json.Field("powerCut", true);
    json.Field("source", sourceName);
    json.Field("sourceLength", static_cast<int64_t>(sourceLength));
    json.Field("fileLength", static_cast<int64_t>(cut.bytes.size()));
    json.Field("cutInsideLastChunk", cut.lastChunkBytesKept < cut.lastChunkSize);
    json.Key("lastChunk").BeginObject();
    json.Field("id", cut.lastChunkId);
    json.Field("offset", cut.lastChunkOffset);
    json.Field("size", cut.lastChunkSize);
    json.Field("dataBytesKept", cut.lastChunkBytesKept);
    json.EndObject();
    json.Key("recording");
    if (sourceTruth.empty())
        json.Null();
    else
        json.Raw(sourceTruth);
    json.EndObject();
    return json.text();
}

}  // namespace samplecard
