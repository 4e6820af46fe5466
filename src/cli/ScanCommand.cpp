// tessaro-cli scan PATH... [--json]: the recordings as the viewer lists them. The card is never
// changed: recordings that need a repair are listed as such, not repaired.

#include "Command.h"
#include "Json.h"

#include "infra/Reporter.h"
#include "recording/AVIFileParser.h"
#include "recording/CFileLoader.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace {

// Stands in for the repair during a scan: notes the file and leaves it alone. A file the repair would
// refuse is not one that needs a repair: the scan lists it as unreadable, with the reason.
class ListingRepair final : public IRecordingRepair {
public:
    Result Recover(const std::string& path, std::string&) override
    {
        if (AVIFileParser::HasExitMarker(path))
            return Result::Failure("files marked SDEXIT are not repaired");
        needsRepair.push_back(path);
        return Result::Failure("listed, not repaired");
    }
    std::vector<std::string> needsRepair;
};

class CollectingReporter final : public IReporter {
public:
    CollectingReporter() { SetReporter(this); }
    ~CollectingReporter() override { SetReporter(nullptr); }
    void Report(const ReportedMessage& message) override { messages.push_back(message); }
    std::vector<ReportedMessage> messages;
};

int RunScan(const std::vector<std::string>& arguments)
{
    bool json = false;
    std::vector<std::string> folders;
    std::vector<std::string> files;
    for (const std::string& argument : arguments) {
        if (argument == "--json") {
            json = true;
            continue;
        }
        if (argument.starts_with("--"))
            return UsageError("scan", "unknown option " + argument);
        std::error_code error;
        if (!std::filesystem::exists(argument, error))
            return Refuse("no such file or folder: " + argument);
        (std::filesystem::is_directory(argument, error) ? folders : files).push_back(argument);
    }
    if (folders.empty() && files.empty())
        return UsageError("scan", "no path given");

    ListingRepair repair;
    CollectingReporter reporter;
    CFileLoader scanner(&repair);
    RecordingList recordings = scanner.ScanRecordings(folders, files);
    // A recording that needs a repair is listed as such, not as unreadable; the rest keep the viewer's
    // numbers (an unreadable file is a row of the viewer's list).
    std::erase_if(recordings, [&repair](const auto& item) {
        return std::find(repair.needsRepair.begin(), repair.needsRepair.end(), item->path) != repair.needsRepair.end();
    });
    CFileLoader::RenumberRecordings(recordings);

    if (json) {
        Json out = {{"recordings", Json::array()},
                    {"needsRepair", repair.needsRepair},
                    {"unreadable", Json::array()},
                    {"messages", Json::array()}};
        for (const auto& item : recordings) {
            if (!item->IsPlayable()) {
                out["unreadable"].push_back({{"number", item->number},
                                             {"path", item->path},
                                             {"reason", GetUnreadableText(*item)},
                                             {"error", item->unreadableError}});
                continue;
            }
            out["recordings"].push_back({{"number", item->number},
                                         {"date", item->dateText},
                                         {"time", item->timeText},
                                         {"type", item->type},
                                         {"kind", GetRecordingTypeLabel(item->type)},
                                         {"path", item->path}});
        }
        for (const ReportedMessage& message : reporter.messages)
            out["messages"].push_back({{"id", message.stringId}, {"text", message.text}});
        std::fputs(JsonLine(out).c_str(), stdout);
    } else {
        for (const auto& item : recordings)
            if (item->IsPlayable())
                std::printf("%4d  %s  %s  %-8s  %s\n", item->number, item->dateText.c_str(), item->timeText.c_str(),
                            GetRecordingTypeLabel(item->type).c_str(), item->path.c_str());
        for (const std::string& path : repair.needsRepair)
            std::printf("needs repair  %s\n", path.c_str());
        for (const auto& item : recordings)
            if (!item->IsPlayable())
                std::printf("unreadable    %s  (%s)\n", item->path.c_str(), GetUnreadableText(*item).c_str());
    }
    // The scan's own message is the reason when it found nothing at all.
    if (recordings.empty() && repair.needsRepair.empty() && !reporter.messages.empty())
        return Refuse(reporter.messages.front().text);
    for (const ReportedMessage& message : reporter.messages)
        std::fprintf(stderr, "tessaro-cli: %s\n", message.text.c_str());
    return kExitSuccess;
}

const CommandRegistration registration{{"scan", "PATH... [--json]", RunScan,
     "Lists the recordings of cards, folders or files as the viewer does: kind, start, length, whether they need a repair, and the files that cannot be read with the reason. Nothing is changed."}};

}  // namespace
