// tessaro-samplecard: writes recordings, broken copies and whole demo cards in the camera's layout,
// each recording with a JSON sidecar that says what was written (for tests to compare against).
#include "devsupport/AviLayout.h"

#include "Card.h"
#include "FileOutput.h"
#include "Recording.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const char* const kUsage =
    "usage: tessaro-samplecard recording OUT.avi [--seconds N] [--kind REC|EVT|EVS|PRK|PAK|MDI]\n"
    "                                     [--channels 1|2] [--start YYYYMMDD_HHMMSS] [--seed N] [--no-gps]\n"
    "                                     [--front-keyint N] [--rear-keyint N] [--rear-size WxH] [--unpadded]\n"
    "       tessaro-samplecard powercut IN.avi OUT.avi [--cut-last]\n"
    "       tessaro-samplecard aborted OUT.avi [--seed N] [--start YYYYMMDD_HHMMSS]\n"
    "       tessaro-samplecard card DIR [--recordings N] [--seconds N] [--seed N]\n";

struct CommandLine {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
    std::set<std::string> flags;
};

bool ParseArguments(int argc, char** argv, const std::set<std::string>& valueOptions,
                    const std::set<std::string>& flagOptions, CommandLine& line, std::string& reason)
{
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--", 0) != 0) {
            line.positional.push_back(arg);
        } else if (flagOptions.count(arg)) {
            line.flags.insert(arg);
        } else if (valueOptions.count(arg)) {
            if (i + 1 >= argc) {
                reason = arg + " needs a value";
                return false;
            }
            line.options[arg] = argv[++i];
        } else {
            reason = "unknown option " + arg;
            return false;
        }
    }
    return true;
}

bool ParseNumber(const CommandLine& line, const std::string& option, uint64_t low, uint64_t high,
                 uint64_t& value, std::string& reason)
{
    auto found = line.options.find(option);
    if (found == line.options.end())
        return true;
    const std::string& text = found->second;
    uint64_t parsed = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc() || end != text.data() + text.size() || parsed < low || parsed > high) {
        reason = option + " must be a whole number from " + std::to_string(low) + " to " + std::to_string(high);
        return false;
    }
    value = parsed;
    return true;
}

bool CheckFolder(const fs::path& file, std::string& reason)
{
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        reason = "folder " + folder.string() + " does not exist";
        return false;
    }
    return true;
}

// Kind and start time default to what the output's name says when it is a camera name.
void DefaultsFromName(const fs::path& out, RecordingSpec& spec)
{
    const std::string name = out.filename().string();
    const std::string kind = name.substr(0, 3);
    if (name.size() > 4 && name[3] == '_' && IsCameraKind(kind))
        spec.kind = kind;
    if (name.size() >= 19 && name[3] == '_')
        if (auto start = CameraTime::Parse(name.substr(4, 15)))
            spec.start = *start;
}

bool ReadRecordingSpec(const CommandLine& line, RecordingSpec& spec, std::string& reason)
{
    uint64_t seconds = static_cast<uint64_t>(spec.seconds), channels = static_cast<uint64_t>(spec.channels);
    if (!ParseNumber(line, "--seconds", 1, 3600, seconds, reason) ||
        !ParseNumber(line, "--channels", 1, 2, channels, reason) ||
        !ParseNumber(line, "--seed", 0, UINT64_MAX, spec.seed, reason))
        return false;
    spec.seconds = static_cast<int>(seconds);
    spec.gps = !line.flags.count("--no-gps");
    spec.channels = static_cast<int>(channels);
    // Another writer's layout: key frames at other distances, another rear picture size, no pad bytes.
    uint64_t frontKeyInterval = 0, rearKeyInterval = 0;
    if (!ParseNumber(line, "--front-keyint", 1, 600, frontKeyInterval, reason) ||
        !ParseNumber(line, "--rear-keyint", 1, 600, rearKeyInterval, reason))
        return false;
    spec.frontKeyInterval = static_cast<int>(frontKeyInterval);
    spec.rearKeyInterval = static_cast<int>(rearKeyInterval);
    spec.padChunks = line.flags.count("--unpadded") == 0;
    if (auto size = line.options.find("--rear-size"); size != line.options.end()) {
        unsigned width = 0, height = 0;
        char end = 0;
        if (std::sscanf(size->second.c_str(), "%ux%u%c", &width, &height, &end) != 2 || width < 16 ||
            height < 16 || width > 4096 || height > 4096 || width % 2 || height % 2) {
            reason = "--rear-size must be WIDTHxHEIGHT, even numbers from 16 to 4096";
            return false;
        }
        spec.rearWidth = static_cast<int>(width);
        spec.rearHeight = static_cast<int>(height);
    }
    if (auto kind = line.options.find("--kind"); kind != line.options.end()) {
        if (!IsCameraKind(kind->second)) {
            reason = "--kind must be one of REC, EVT, EVS, PRK, PAK, MDI";
            return false;
        }
        spec.kind = kind->second;
    }
    if (auto start = line.options.find("--start"); start != line.options.end()) {
        auto time = CameraTime::Parse(start->second);
        if (!time) {
            reason = "--start must be a real date and time written YYYYMMDD_HHMMSS";
            return false;
        }
        spec.start = *time;
    }
    return true;
}

bool RunRecording(const CommandLine& line, std::string& reason)
{
    if (line.positional.size() != 1) {
        reason = "recording needs exactly one output file";
        return false;
    }
    const fs::path out = line.positional[0];
    RecordingSpec spec;
    DefaultsFromName(out, spec);
    GeneratedRecording recording;
    return ReadRecordingSpec(line, spec, reason) && CheckFolder(out, reason) &&
           GenerateRecording(spec, out.filename().string(), recording, reason) &&
           WriteRecordingFiles(out, recording, reason);
}

bool RunPowerCut(const CommandLine& line, std::string& reason)
{
    if (line.positional.size() != 2) {
        reason = "powercut needs an input and an output file";
        return false;
    }
    const fs::path in = line.positional[0], out = line.positional[1];
    const bool cutLast = line.flags.count("--cut-last") > 0;
    std::string bytes;
    if (!CheckFolder(out, reason) || !ReadWholeFile(in, bytes, reason))
        return false;
    if (!avi::MakePowerCut(bytes, cutLast, reason)) {
        reason = in.string() + ": " + reason;
        return false;
    }
    if (!WriteFileAtomically(out, bytes, reason))
        return false;
    std::string groundTruth;
    std::string ignored;
    if (ReadWholeFile(SidecarPath(in), groundTruth, ignored))
        return WriteFileAtomically(SidecarPath(out),
                                   PowerCutGroundTruth(groundTruth, cutLast, out.filename().string()), reason);
    return true;
}

bool RunAborted(const CommandLine& line, std::string& reason)
{
    if (line.positional.size() != 1) {
        reason = "aborted needs exactly one output file";
        return false;
    }
    const fs::path out = line.positional[0];
    RecordingSpec spec;
    DefaultsFromName(out, spec);
    std::string bytes;
    return ReadRecordingSpec(line, spec, reason) && CheckFolder(out, reason) &&
           GenerateAbortedFile(spec, out.filename().string(), bytes, reason) &&
           WriteFileAtomically(out, bytes, reason);
}

bool RunCard(const CommandLine& line, std::string& reason)
{
    if (line.positional.size() != 1) {
        reason = "card needs exactly one folder";
        return false;
    }
    CardSpec spec;
    uint64_t recordings = static_cast<uint64_t>(spec.recordings), seconds = static_cast<uint64_t>(spec.seconds);
    if (!ParseNumber(line, "--recordings", 1, 500, recordings, reason) ||
        !ParseNumber(line, "--seconds", 1, 3600, seconds, reason) ||
        !ParseNumber(line, "--seed", 0, UINT64_MAX, spec.seed, reason))
        return false;
    spec.recordings = static_cast<int>(recordings);
    spec.seconds = static_cast<int>(seconds);
    return WriteDemoCard(line.positional[0], spec, reason);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string command = argv[1];
    CommandLine line;
    std::string reason;
    bool ok = false;
    if (command == "recording") {
        ok = ParseArguments(argc, argv,
                            {"--seconds", "--kind", "--channels", "--start", "--seed", "--front-keyint",
                             "--rear-keyint", "--rear-size"},
                            {"--unpadded", "--no-gps"}, line, reason) &&
             RunRecording(line, reason);
    } else if (command == "powercut") {
        ok = ParseArguments(argc, argv, {}, {"--cut-last"}, line, reason) && RunPowerCut(line, reason);
    } else if (command == "aborted") {
        ok = ParseArguments(argc, argv, {"--seed", "--start"}, {}, line, reason) && RunAborted(line, reason);
    } else if (command == "card") {
        ok = ParseArguments(argc, argv, {"--recordings", "--seconds", "--seed"}, {}, line, reason) &&
             RunCard(line, reason);
    } else {
        reason = "unknown command " + command + " (run without arguments for the usage)";
    }
    if (!ok) {
        std::fprintf(stderr, "tessaro-samplecard: %s\n", reason.c_str());
        return 1;
    }
    return 0;
}
