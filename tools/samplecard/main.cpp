// tessaro-samplecard: writes dash-camera recordings, power-cut and aborted copies and whole demo cards
// for tests, benchmarks and demonstrations. Exit status: 0 done, 1 refused or failed (one line on
// standard error), 2 usage error.

#include "AviFile.h"
#include "Card.h"
#include "Files.h"
#include "Recording.h"

#include "infra/Reporter.h"

#include <cstdio>
#include <exception>
#include <map>
#include <optional>
#include <string>
#include <vector>

using namespace samplecard;

namespace {

constexpr int kExitFailure = 1, kExitUsage = 2;

const char* const kUsage =
    "usage:\n"
    "  tessaro-samplecard recording OUT.avi [--seconds N] [--kind REC|EVT|EVS|PRK|PAK|MDI] [--channels 1|2]\n"
    "                                       [--start YYYYMMDD_HHMMSS] [--seed N]\n"
    "  tessaro-samplecard powercut IN.avi OUT.avi [--cut-last]\n"
    "  tessaro-samplecard aborted IN.avi OUT.avi [--bytes N]\n"
    "  tessaro-samplecard card DIR [--recordings N] [--seconds N] [--seed N] [--start YYYYMMDD_HHMMSS]\n"
    "Every file gets a ground-truth sidecar beside it: the file's path followed by .json.";

struct UsageError {
    std::string reason;
};

// Positional arguments and --options of one command; each option is known with whether it takes a value.
struct Arguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;

    Arguments(int argc, char** argv, const std::map<std::string, bool>& known)
    {
        for (int i = 2; i < argc; ++i) {
            const std::string arg = argv[i];
            if (arg.rfind("--", 0) != 0) {
                positional.push_back(arg);
                continue;
            }
            const auto option = known.find(arg);
            if (option == known.end())
                throw UsageError{"unknown option " + arg};
            if (options.count(arg))
                throw UsageError{arg + " given twice"};
            if (option->second) {
                if (i + 1 >= argc)
                    throw UsageError{arg + " needs a value"};
                options[arg] = argv[++i];
            } else {
                options[arg] = "";
            }
        }
    }

    bool Has(const std::string& name) const { return options.count(name) != 0; }

    long long Number(const std::string& name, long long fallback, long long low, long long high) const
    {
        const auto it = options.find(name);
        if (it == options.end())
            return fallback;
        const std::string& text = it->second;
        if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
            throw UsageError{name + " needs a whole number, not \"" + text + "\""};
        const long long value = std::stoll(text);
        if (value < low || value > high)
            throw UsageError{name + " must lie between " + std::to_string(low) + " and " + std::to_string(high)};
        return value;
    }

    std::optional<ClockTime> Start() const
    {
        const auto it = options.find("--start");
        if (it == options.end())
            return std::nullopt;
        std::optional<ClockTime> start = ClockTime::Parse(it->second);
        if (!start)
            throw UsageError{"--start needs a real date and time as YYYYMMDD_HHMMSS, not \"" + it->second + "\""};
        return start;
    }

    void ExpectPositional(size_t count) const
    {
        if (positional.size() != count)
            throw UsageError{"expected " + std::to_string(count) + " path(s), got " + std::to_string(positional.size())};
    }
};

void RequireAviName(const std::filesystem::path& path)
{
    if (path.extension() != ".avi")
        throw UsageError{path.string() + ": recordings are written with the camera's lower-case .avi extension"};
}

// Refuses to overwrite the source: the copy must never cost the original.
void RequireDifferentFiles(const std::filesystem::path& in, const std::filesystem::path& out)
{
    std::error_code error;
    if (std::filesystem::equivalent(in, out, error) ||
        std::filesystem::weakly_canonical(in, error) == std::filesystem::weakly_canonical(out, error))
        throw std::runtime_error("the copy would replace its source " + in.string());
}

std::string ReadSidecarIfAny(const std::filesystem::path& recording)
{
    const std::filesystem::path sidecar = recording.string() + ".json";
    std::error_code error;
    return std::filesystem::is_regular_file(sidecar, error) ? ReadWholeFile(sidecar) : std::string();
}

int Recording(int argc, char** argv)
{
    const Arguments args(argc, argv, {{"--seconds", true}, {"--kind", true}, {"--channels", true},
                                      {"--start", true}, {"--seed", true}});
    args.ExpectPositional(1);
    const std::filesystem::path out = args.positional[0];
    RequireAviName(out);

    // Kind and start default to what the file name says when it is a camera name.
    const ParsedName named = ParseRecordingFileName(out.filename().string());
    RecordingOptions options;
    options.kind = named.kind ? named.kind : FindRecordingKind("REC");
    if (args.Has("--kind")) {
        options.kind = FindRecordingKind(args.options.at("--kind"));
        if (!options.kind)
            throw UsageError{"--kind must be one of REC, EVT, EVS, PRK, PAK, MDI"};
    }
    options.start = args.Start().value_or(named.start.value_or(ClockTime{}));
    options.seconds = static_cast<int>(args.Number("--seconds", 5, 1, kMaxSeconds));
    options.channels = static_cast<int>(args.Number("--channels", 2, 1, 2));
    options.seed = static_cast<uint64_t>(args.Number("--seed", 1, 0, 999999999999999999LL));

    Vehicle vehicle(options.seed);
    const GeneratedRecording recording = MakeRecording(
        options, EncodeCameraVideo(options.seconds, options.channels), vehicle, out.filename().string());
    WriteFileAtomically(out, recording.avi.bytes);
    WriteFileAtomically(out.string() + ".json", recording.truthJson);
    std::printf("%s: %d s, %d channel(s), %zu bytes\n", out.string().c_str(), options.seconds, options.channels,
                recording.avi.bytes.size());
    return 0;
}

int CutCopy(int argc, char** argv, bool aborted)
{
    const Arguments args(argc, argv, aborted ? std::map<std::string, bool>{{"--bytes", true}}
                                             : std::map<std::string, bool>{{"--cut-last", false}});
    args.ExpectPositional(2);
    const std::filesystem::path in = args.positional[0], out = args.positional[1];
    RequireAviName(out);
    RequireDifferentFiles(in, out);
    const long long abortedBytes = args.Number("--bytes", 20000, 1, 30720);

    const std::string source = ReadWholeFile(in);
    PowerCut cut = PowerCutCopy(source, args.Has("--cut-last"));
    if (aborted)
        cut.bytes.resize(std::min<size_t>(cut.bytes.size(), static_cast<size_t>(abortedBytes)));
    WriteFileAtomically(out, cut.bytes);
    WriteFileAtomically(out.string() + ".json", PowerCutTruthJson(in.filename().string(), cut, ReadSidecarIfAny(in),
                                                                  source.size()));
    std::printf("%s: %zu bytes\n", out.string().c_str(), cut.bytes.size());
    return 0;
}

int Card(int argc, char** argv)
{
    const Arguments args(argc, argv, {{"--recordings", true}, {"--seconds", true}, {"--seed", true}, {"--start", true}});
    args.ExpectPositional(1);
    CardOptions options;
    options.recordings = static_cast<int>(args.Number("--recordings", 10, 1, kMaxCardRecordings));
    options.seconds = static_cast<int>(args.Number("--seconds", 5, 1, kMaxSeconds));
    options.seed = static_cast<uint64_t>(args.Number("--seed", 1, 0, 999999999999999999LL));
    options.start = args.Start().value_or(ClockTime{});
    MakeCard(args.positional[0], options);
    std::printf("%s: %d recordings and 4 special files\n", args.positional[0].c_str(), options.recordings);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    try {
        if (command == "recording")
            return Recording(argc, argv);
        if (command == "powercut")
            return CutCopy(argc, argv, false);
        if (command == "aborted")
            return CutCopy(argc, argv, true);
        if (command == "card")
            return Card(argc, argv);
        if (command == "--help" || command == "-h") {
            std::printf("%s\n", kUsage);
            return 0;
        }
        throw UsageError{command.empty() ? "no command given" : "unknown command " + command};
    } catch (const UsageError& error) {
        ReportText("tessaro-samplecard: " + error.reason + "\n" + kUsage);
        return kExitUsage;
    } catch (const std::exception& error) {
        ReportText("tessaro-samplecard: " + std::string(error.what()));
        return kExitFailure;
    }
}
