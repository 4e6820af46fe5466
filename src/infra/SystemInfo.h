#pragma once

// What the main window writes about the machine at start-up: every path below the current folder, the
// operating system, a memory report and the processor. Each text comes from the system's own files
// (/etc/os-release, /proc/meminfo, /proc/cpuinfo); the sources can be pointed elsewhere for tests.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct SystemSources {
    std::vector<std::filesystem::path> osRelease{"/etc/os-release", "/usr/lib/os-release"};
    std::filesystem::path meminfo = "/proc/meminfo";
    std::filesystem::path cpuinfo = "/proc/cpuinfo";
    // Kept as fields so tests can stand in for uname(); empty means ask the kernel.
    std::string kernelName;
    std::string kernelRelease;
};

// The memory status record the report is built from; sizes in bytes.
struct MemoryStatus {
    std::uint32_t length = sizeof(MemoryStatus);
    std::uint32_t memoryLoad = 0;  // percent of physical memory in use
    std::uint64_t totalPhysical = 0;
    std::uint64_t availablePhysical = 0;
    std::uint64_t totalPageFile = 0;
    std::uint64_t availablePageFile = 0;
    std::uint64_t totalVirtual = 0;
    std::uint64_t availableVirtual = 0;
};

// One log line per path below the current folder (class "Common", function "GetFileNames").
void LogFileNames();
// Every entry of folder, "." and ".." included, in the order the system gives them; a sub-folder's
// contents come before the sub-folder's own path. Folders whose names hold a dot are listed but not
// entered, nor are links to folders (a link to a parent would never end).
std::vector<std::string> ListFiles(const std::string& folder);

// The system's name, e.g. "Debian GNU/Linux 12 (bookworm)"; "fail~" when nothing says.
std::string GetOsName(const SystemSources& sources = {});
// The memory status from /proc/meminfo; length 0 when it cannot be read.
MemoryStatus ReadMemoryStatus(const SystemSources& sources = {});
// Nine lines describing the memory status.
std::string GetMemoryReport(const SystemSources& sources = {});
std::string FormatMemoryReport(const MemoryStatus& status);
// The first processor's clock as "%.2f GHz"; empty when the processor cannot be described.
std::string GetCpuClock(const SystemSources& sources = {});
// The first processor's model name; "알 수 없는 시스템" (unknown system) when it has none.
std::string GetCpuType(const SystemSources& sources = {});
