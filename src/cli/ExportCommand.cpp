// tessaro-cli export FILE --gpx OUT | --csv OUT: the GPS track as GPX 1.1, or every GPS fix and G-sensor
// sample as CSV. Seconds without a fix are left out of both.

#include "Command.h"
#include "recording/LoadRecording.h"

#include "recording/TrackExport.h"

namespace {

int RunExport(const std::vector<std::string>& arguments)
{
    std::string file;
    std::string gpxPath;
    std::string csvPath;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--gpx" || argument == "--csv") {
            if (i + 1 >= arguments.size())
                return UsageError("export", argument + " needs an output file");
            (argument == "--gpx" ? gpxPath : csvPath) = arguments[++i];
        } else if (argument.starts_with("--")) {
            return UsageError("export", "unknown option " + argument);
        } else if (file.empty()) {
            file = argument;
        } else {
            return UsageError("export", "expects exactly one file");
        }
    }
    if (file.empty() || (gpxPath.empty() && csvPath.empty()))
        return UsageError("export", "needs a file and --gpx OUT or --csv OUT");

    std::string reason;
    const std::unique_ptr<RecordingItem> item = LoadRecording(file, reason);
    if (!item)
        return Refuse(reason);
    if (!gpxPath.empty())
        if (const Result written = WriteTrack(*item, TrackFormat::Gpx, gpxPath, "tessaro-cli"); !written)
            return Refuse("cannot write " + gpxPath + ": " + written.Describe());
    if (!csvPath.empty())
        if (const Result written = WriteTrack(*item, TrackFormat::Csv, csvPath, "tessaro-cli"); !written)
            return Refuse("cannot write " + csvPath + ": " + written.Describe());
    return kExitSuccess;
}

const CommandRegistration registration{{"export", "FILE --gpx OUT | --csv OUT", RunExport}};

}  // namespace
