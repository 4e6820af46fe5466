#include "infra/SystemInfo.h"

#include "infra/DiagnosticLog.h"

#include <dirent.h>
#include <sys/utsname.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <optional>

namespace {

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// "key<separator>value" lines up to the first blank line (in /proc/cpuinfo that ends the first
// processor); the first occurrence of a key wins.
std::optional<std::map<std::string, std::string>> ReadFields(const std::filesystem::path& path, char separator,
                                                             bool stopAtBlankLine)
{
    std::ifstream in(path);
    if (!in)
        return std::nullopt;
    std::map<std::string, std::string> fields;
    for (std::string line; std::getline(in, line);) {
        if (stopAtBlankLine && Trim(line).empty() && !fields.empty())
            break;
        const auto at = line.find(separator);
        if (at != std::string::npos)
            fields.emplace(Trim(line.substr(0, at)), Trim(line.substr(at + 1)));
    }
    return fields;
}

std::string Unquote(const std::string& value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// A /proc/meminfo value ("16318756 kB") in bytes.
std::uint64_t Bytes(const std::map<std::string, std::string>& fields, const char* key)
{
    const auto it = fields.find(key);
    return it == fields.end() ? 0 : std::strtoull(it->second.c_str(), nullptr, 10) * 1024;
}

std::string Format(const char* format, auto... values)
{
    char text[256];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

bool IsRealFolder(const std::string& path)
{
    DIR* dir = opendir(path.c_str());
    if (dir)
        closedir(dir);
    return dir != nullptr;
}

}  // namespace

void LogFileNames()
{
    // The listing only feeds the log: with the log off the walk would be wasted start-up time.
    const DiagnosticLog& log = GetLog();
    if (!log.enabled || log.logType != kLogType || log.logLevel < kLogLevelNormal)
        return;
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    if (error)
        return;
    for (const std::string& path : ListFiles(current.string()))
        WriteLog(path, "Common", "GetFileNames", kLogType, kLogLevelNormal);
}

std::vector<std::string> ListFiles(const std::string& folder)
{
    std::vector<std::string> paths;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
    if (!dir)
        return paths;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        const std::string path = folder + "/" + name;
        // d_type says DT_LNK for links, so a link to a folder is listed and never followed.
        const bool folderEntry = entry->d_type == DT_DIR || (entry->d_type == DT_UNKNOWN && IsRealFolder(path));
        if (folderEntry && name.find('.') == std::string::npos) {
            std::vector<std::string> inside = ListFiles(path);
            paths.insert(paths.end(), inside.begin(), inside.end());
        }
        paths.push_back(path);
    }
    return paths;
}

std::string GetOsName(const SystemSources& sources)
{
    for (const auto& path : sources.osRelease) {
        const auto fields = ReadFields(path, '=', false);
        if (!fields)
            continue;
        for (const char* key : {"PRETTY_NAME", "NAME"}) {
            const auto it = fields->find(key);
            if (it != fields->end() && !Unquote(it->second).empty())
                return Unquote(it->second);
        }
    }
    std::string name = sources.kernelName, release = sources.kernelRelease;
    utsname kernel{};
    if (name.empty() && uname(&kernel) == 0) {
        name = kernel.sysname;
        release = kernel.release;
    }
    if (name.empty())
        return "fail~";
    return release.empty() ? name : name + " " + release;
}

MemoryStatus ReadMemoryStatus(const SystemSources& sources)
{
    MemoryStatus status;
    const auto fields = ReadFields(sources.meminfo, ':', false);
    if (!fields || !fields->count("MemTotal")) {
        status.length = 0;  // the report's "It should be" line then shows that nothing was read
        return status;
    }
    status.totalPhysical = Bytes(*fields, "MemTotal");
    // MemAvailable counts the caches the kernel gives back on demand; older kernels lack it.
    status.availablePhysical = fields->count("MemAvailable") ? Bytes(*fields, "MemAvailable") : Bytes(*fields, "MemFree");
    status.availablePhysical = std::min(status.availablePhysical, status.totalPhysical);
    if (status.totalPhysical > 0)
        status.memoryLoad = std::uint32_t((status.totalPhysical - status.availablePhysical) * 100 / status.totalPhysical);
    status.totalPageFile = Bytes(*fields, "SwapTotal");
    status.availablePageFile = Bytes(*fields, "SwapFree");
    // Virtual memory: what the kernel lets processes commit, and what of it is not committed yet.
    status.totalVirtual = Bytes(*fields, "CommitLimit");
    const std::uint64_t committed = Bytes(*fields, "Committed_AS");
    status.availableVirtual = status.totalVirtual > committed ? status.totalVirtual - committed : 0;
    return status;
}

std::string FormatMemoryReport(const MemoryStatus& s)
{
    constexpr int kExpectedLength = sizeof(MemoryStatus);
    const auto kb = [](std::uint64_t bytes) { return static_cast<unsigned long long>(bytes >> 10); };
#define INDENT "                   \t"
    return Format("The MEMORYSTATUS structure is %ld bytes long.\n", long(s.length))
           + Format(INDENT "It should be %d.\n", kExpectedLength)
           + Format(INDENT "There is %ld percent of memory in use.\n", long(s.memoryLoad))
           + Format(INDENT "There are %llu total Kbytes of physical memory.\n", kb(s.totalPhysical))
           + Format(INDENT "There are %llu free Kbytes of physical memory.\n", kb(s.availablePhysical))
           + Format(INDENT "There are %llu total Kbytes of paging file.\n", kb(s.totalPageFile))
           + Format(INDENT "There are %llu free Kbytes of paging file.\n", kb(s.availablePageFile))
           + Format(INDENT "There are %llu total Kbytes of virtual memory.\n", kb(s.totalVirtual))
           + Format(INDENT "There are %llu free Kbytes of virtual memory.", kb(s.availableVirtual));
#undef INDENT
}

std::string GetMemoryReport(const SystemSources& sources)
{
    return FormatMemoryReport(ReadMemoryStatus(sources));
}

std::string GetCpuClock(const SystemSources& sources)
{
    const auto fields = ReadFields(sources.cpuinfo, ':', true);
    if (!fields || !fields->count("processor"))
        return {};
    // Whole megahertz, as the clock has always been reported; a missing or odd value reads 0.
    const auto it = fields->find("cpu MHz");
    const unsigned long megahertz = it == fields->end() ? 0 : std::strtoul(it->second.c_str(), nullptr, 10);
    return Format("%.2f GHz", megahertz / 1000.0);
}

std::string GetCpuType(const SystemSources& sources)
{
    const auto fields = ReadFields(sources.cpuinfo, ':', true);
    if (fields) {
        const auto it = fields->find("model name");
        if (it != fields->end() && !it->second.empty())
            return it->second;
    }
    return "알 수 없는 시스템";
}
