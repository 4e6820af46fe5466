// tessaro-cli scan PATH... [--json]: the recordings as the viewer lists them. The card is never
// changed: recordings that need a repair are listed as such, not repaired.

#include "Command.h"
#include "Json.h"

#include "infra/Reporter.h"
#include "recording/CFileLoader.h"

#include <cstdio>
#include <filesystem>

namespace {

// Stands in for the repair during a scan: notes the file and leaves it alone.
class ListingRepair final : public IRecordingRepair {
public:
    Result Recover(const std::string& path, std::string&) override
    {
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
    const RecordingList recordings = scanner.ScanRecordings(folders, files);

    if (json) {
        std::printf("{\"recordings\":[");
        for (std::size_t i = 0; i < recordings.size(); ++i) {
            const RecordingItem& item = *recordings[i];
            std::printf("%s{\"number\":%d,\"date\":%s,\"time\":%s,\"type\":%d,\"kind\":%s,\"path\":%s}",
                        i ? "," : "", item.number, JsonString(item.dateText).c_str(),
                        JsonString(item.timeText).c_str(), item.type,
                        JsonString(GetRecordingTypeLabel(item.type)).c_str(), JsonString(item.path).c_str());
        }
        std::printf("],\"needsRepair\":[");
        for (std::size_t i = 0; i < repair.needsRepair.size(); ++i)
            std::printf("%s%s", i ? "," : "", JsonString(repair.needsRepair[i]).c_str());
        std::printf("],\"messages\":[");
        for (std::size_t i = 0; i < reporter.messages.size(); ++i)
            std::printf("%s{\"id\":%d,\"text\":%s}", i ? "," : "", reporter.messages[i].stringId,
                        JsonString(reporter.messages[i].text).c_str());
        std::printf("]}\n");
    } else {
        for (const auto& item : recordings)
            std::printf("%4d  %s  %s  %-8s  %s\n", item->number, item->dateText.c_str(), item->timeText.c_str(),
                        GetRecordingTypeLabel(item->type).c_str(), item->path.c_str());
        for (const std::string& path : repair.needsRepair)
            std::printf("needs repair  %s\n", path.c_str());
    }
    // The scan's own message is the reason when it found nothing at all.
    if (recordings.empty() && repair.needsRepair.empty() && !reporter.messages.empty())
        return Refuse(reporter.messages.front().text);
    for (const ReportedMessage& message : reporter.messages)
        std::fprintf(stderr, "tessaro-cli: %s\n", message.text.c_str());
    return kExitSuccess;
}

const CommandRegistration registration{{"scan", "PATH... [--json]", RunScan}};

}  // namespace
