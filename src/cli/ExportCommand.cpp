// tessaro-cli export FILE --gpx OUT | --csv OUT | --kml OUT: the GPS track as GPX 1.1 or KML 2.2, or every
// GPS fix and G-sensor sample as CSV; any of the three, each to its own file. Seconds without a fix are
// left out of all of them.

#include "Command.h"
#include "recording/LoadRecording.h"

#include "recording/TrackExport.h"

#include <algorithm>
#include <utility>

namespace {

int RunExport(const std::vector<std::string>& arguments)
{
    static const std::pair<const char*, TrackFormat> kOptions[] = {
        {"--gpx", TrackFormat::Gpx}, {"--csv", TrackFormat::Csv}, {"--kml", TrackFormat::Kml}};
    std::string file;
    std::vector<std::pair<TrackFormat, std::string>> outputs;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const auto option = std::find_if(std::begin(kOptions), std::end(kOptions),
                                         [&](const auto& known) { return argument == known.first; });
        if (option != std::end(kOptions)) {
            if (i + 1 >= arguments.size())
                return UsageError("export", argument + " needs an output file");
            outputs.emplace_back(option->second, arguments[++i]);
        } else if (argument.starts_with("--")) {
            return UsageError("export", "unknown option " + argument);
        } else if (file.empty()) {
            file = argument;
        } else {
            return UsageError("export", "expects exactly one file");
        }
    }
    if (file.empty() || outputs.empty())
        return UsageError("export", "needs a file and --gpx OUT, --csv OUT or --kml OUT");

    std::string reason;
    const std::unique_ptr<RecordingItem> item = LoadRecording(file, reason);
    if (!item)
        return Refuse(reason);
    for (const auto& [format, path] : outputs)
        if (const Result written = WriteTrack(*item, format, path, "tessaro-cli"); !written)
            return Refuse("cannot write " + path + ": " + written.Describe());
    return kExitSuccess;
}

const CommandRegistration registration{{"export", "FILE --gpx OUT | --csv OUT | --kml OUT", RunExport,
     "Writes the GPS track as GPX or KML, or every GPS fix and G-sensor sample as CSV; seconds without a fix are left out."}};

}  // namespace
