#include "Card.h"

#include "Files.h"
#include "Json.h"
#include "Recording.h"

#include <stdexcept>

namespace samplecard {
namespace {

constexpr const char* kRootFolder = "CL_BLACKBOX";
constexpr int kAbortedBytes = 20000;          // an aborted recording is at most 30720 bytes
constexpr int kParkingDelaySeconds = 10 * 60; // the camera's default delay before parking mode
constexpr int kBackOnTheRoadSeconds = 30 * 60;

struct CardFile {
    std::filesystem::path relativePath;
    const RecordingKind* kind;
    ClockTime start;
    int seconds;
    int channels;
    std::string variant;  // recording, one-channel, power-cut, aborted, sdexit
};

class CardWriter {
public:
    CardWriter(const std::filesystem::path& folder, const CardOptions& options)
        : m_folder(folder), m_options(options), m_vehicle(options.seed)
    {
    }

    void Write()
    {
        std::filesystem::create_directories(m_folder / kRootFolder / "MP4_INFINITE");
        std::filesystem::create_directories(m_folder / kRootFolder / "MP4_EVENT");
        WriteFileAtomically(m_folder / "setup.cfg", DefaultSetupText());

        const int seconds = m_options.seconds;
        const int parkingCount = m_options.recordings / 4;
        const int drivingCount = m_options.recordings - parkingCount;
        ClockTime t = m_options.start;

        // The engine was started and stopped at once: the camera left a few kilobytes behind.
        Add(*FindRecordingKind("REC"), t, 1, 2, "aborted");
        t = t.Plus(3);

        for (int i = 0; i < drivingCount; ++i, t = t.Plus(seconds)) {
            const char* prefix = i % 3 != 2 ? "REC" : (i / 3) % 2 == 0 ? "EVT" : "EVS";
            Add(*FindRecordingKind(prefix), t, seconds, 2, "recording");
        }
        Add(*FindRecordingKind("REC"), t, seconds, 1, "one-channel");  // the rear camera was unplugged
        t = t.Plus(seconds + kParkingDelaySeconds);

        static const char* const kParkingKinds[] = {"PRK", "MDI", "PAK"};
        for (int i = 0; i < parkingCount; ++i, t = t.Plus(seconds))
            Add(*FindRecordingKind(kParkingKinds[i % 3]), t, seconds, 2, "recording");
        Add(*FindRecordingKind("PAK"), t, seconds, 2, "power-cut");  // the battery gave out
        t = t.Plus(seconds + kBackOnTheRoadSeconds);

        Add(*FindRecordingKind("REC"), t, seconds, 2, "sdexit");  // the card was taken out
        WriteManifest();
    }

private:
    const CameraVideo& Video(int seconds)
    {
        // Every recording shows the same test pattern, so one encoding per length serves the whole card.
        if (m_videoSeconds != seconds) {
            m_video = EncodeCameraVideo(seconds, 2);
            m_videoSeconds = seconds;
        }
        return m_video;
    }

    void Add(const RecordingKind& kind, const ClockTime& start, int seconds, int channels, const std::string& variant)
    {
        const std::string name = RecordingFileName(kind, start, variant == "sdexit" ? "SDEXIT" : "F");
        const std::filesystem::path relative = std::filesystem::path(kRootFolder) / kind.folder / name;
        const std::filesystem::path path = m_folder / relative;

        RecordingOptions options;
        options.kind = &kind;
        options.channels = channels;
        options.seconds = seconds;
        options.start = start;
        options.seed = m_options.seed;
        CameraVideo video = Video(std::max(seconds, m_options.seconds));
        if (channels == 1)
            video.rear.clear();
        GeneratedRecording recording = MakeRecording(options, video, m_vehicle, name);

        if (variant == "power-cut" || variant == "aborted") {
            PowerCut cut = PowerCutCopy(recording.avi.bytes, false);
            if (variant == "aborted")
                cut.bytes.resize(std::min<size_t>(cut.bytes.size(), kAbortedBytes));
            WriteFileAtomically(path, cut.bytes);
            WriteFileAtomically(path.string() + ".json",
                                PowerCutTruthJson(name, cut, recording.truthJson, recording.avi.bytes.size()));
        } else {
            WriteFileAtomically(path, recording.avi.bytes);
            WriteFileAtomically(path.string() + ".json", recording.truthJson);
        }
        m_files.push_back({relative, &kind, start, seconds, channels, variant});
    }

    void WriteManifest()
    {
        JsonWriter json;
        json.BeginObject();
        json.Field("generator", std::string("tessaro-samplecard"));
        json.Field("seed", static_cast<int64_t>(m_options.seed));
        json.Field("setup", std::string("setup.cfg"));
        json.Key("files").BeginArray();
        for (const CardFile& f : m_files) {
            json.BeginObject();
            json.Field("path", f.relativePath.generic_string());
            json.Field("kind", std::string(f.kind->prefix));
            json.Field("recordingType", f.kind->type);
            json.Field("start", f.start.DisplayText());
            json.Field("seconds", f.seconds);
            json.Field("channels", f.channels);
            json.Field("variant", f.variant);
            json.EndObject();
        }
        json.EndArray();
        json.EndObject();
        WriteFileAtomically(m_folder / "samplecard.json", json.text());
    }

    std::filesystem::path m_folder;
    CardOptions m_options;
    Vehicle m_vehicle;
    CameraVideo m_video;
    int m_videoSeconds = 0;
    std::vector<CardFile> m_files;
};

}  // namespace

std::string DefaultSetupText()
{
    static const char* const kLines[][2] = {
        {"Product Name", "BLACKBOX"}, {"H/W Version", "QZ_V0.3"},   {"S/W Version", "V0.2.8"},
        {"Acc Trigger Level", "3"},   {"REC Video Qulity", "3"},    {"REC Audio Enable", "1"},
        {"SPK Vol", "3"},             {"Video Channles", "2"},      {"Parking Mode Select", "1"},
        {"Parking Mode Time", "1"},   {"Language", "1"},
    };
    std::string text;
    for (const auto& line : kLines) {
        std::string key = line[0];
        key.resize(24, ' ');  // keys are padded to 24 characters
        text += key + ": " + line[1] + "\r\n";
    }
    return text;
}

void MakeCard(const std::filesystem::path& folder, const CardOptions& options)
{
    if (options.recordings < 1 || options.recordings > kMaxCardRecordings || options.seconds < 1 ||
        options.seconds > kMaxSeconds)
        throw std::invalid_argument("card options out of range");
    std::error_code error;
    if (std::filesystem::exists(folder, error) && !std::filesystem::is_empty(folder, error))
        throw std::runtime_error(folder.string() + " is not empty; choose a new or empty folder");
    CardWriter(folder, options).Write();
}

}  // namespace samplecard
