// tessaro-cli repair FILE [--holding DIR]: repairs a recording a power cut left without its index, as a
// card scan does: the broken file goes to the holding folder, the repaired copy takes its place.

#include "Command.h"

#include "recording/AVIFileParser.h"
#include "recording/AVIFileRecovery.h"

#include <cstdio>

namespace {

int RunRepair(const std::vector<std::string>& arguments)
{
    std::string path;
    std::string holding;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--holding") {
            if (++i == arguments.size())
                return UsageError("repair", "--holding needs a folder");
            holding = arguments[i];
        } else if (arguments[i].starts_with("--")) {
            return UsageError("repair", "unknown option " + arguments[i]);
        } else if (path.empty()) {
            path = arguments[i];
        } else {
            return UsageError("repair", "one file at a time");
        }
    }
    if (path.empty())
        return UsageError("repair", "no file given");

    // Only what the container reader refuses is repaired; a readable file would be moved for nothing.
    {
        AVIFileParser parser;
        if (parser.Open(path))
            return Refuse(parser.TopLevel().empty() ? path + " is an aborted recording; nothing to repair"
                                                    : path + " is not broken; left as it is");
    }

    AVIFileRecovery recovery(holding.empty() ? AVIFileRecovery::DefaultHoldingFolder() : std::filesystem::path(holding));
    std::string repairedPath;
    if (Result repaired = recovery.Recover(path, repairedPath); !repaired) {
        if (!recovery.MovedPath().empty())
            return Refuse("cannot repair " + path + ": " + repaired.Describe() + "; the original is in " +
                          recovery.MovedPath());
        return Refuse("cannot repair " + path + ": " + repaired.Describe() + "; left as it is");
    }
    std::printf("repaired:  %s\n", repairedPath.c_str());
    std::printf("original:  %s\n", recovery.MovedPath().c_str());
    const ScanTally& tally = recovery.WrittenTally();
    std::printf("rebuilt:   index of %lld chunks", static_cast<long long>(tally.entries));
    const auto& streams = recovery.Header().streams;
    const char* separator = ";";
    for (std::size_t s = 0; s < streams.size() && s < tally.streams.size(); ++s) {
        if (streams[s].chunkId.empty())
            continue;
        std::printf("%s %s %u", separator, streams[s].chunkId.c_str(), tally.streams[s].chunks);
        separator = ",";
    }
    std::printf("\n           RIFF and movie list sizes, total frames, stream lengths and buffer sizes\n");
    if (tally.Partial()) {
        // The reporter has said so on the standard error already; the exit code tells a script.
        std::printf("partial:   %s; %lld bytes in %lld places could not be read as chunks\n",
                    AVIFileRecovery::PartialRepairText(tally).c_str(), static_cast<long long>(tally.skippedBytes),
                    static_cast<long long>(tally.skippedRuns));
        return kExitRefused;
    }
    return kExitSuccess;
}

const CommandRegistration registration{{"repair", "FILE [--holding DIR]", RunRepair,
     "Repairs a recording that a power cut left without its index; the original goes to the holding folder first (BROKENFILES in the documents folder unless --holding)."}};

}  // namespace
