#include "settings/CardFormat.h"

#include "infra/DiagnosticLog.h"
#include "infra/StringIds.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

std::string DiskOfPath(const std::string& root, const std::string& device)
{
    return DiskOfDevice(root, KernelDeviceName(root, device));
}

std::string FindProgram(const std::string& name)
{
    std::string path = getenv("PATH") ? getenv("PATH") : "";
    path += ":/usr/sbin:/sbin";
    std::stringstream folders(path);
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = folder + "/" + name;
        if (!folder.empty() && access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

}  // namespace

FormatFacts ReadFormatFacts(const DriveInfo& drive, const std::string& root)
{
    FormatFacts facts;
    struct stat info {};
    facts.blockDevice = stat(UnderRoot(root, drive.device).c_str(), &info) == 0 && S_ISBLK(info.st_mode);
    facts.deviceName = KernelDeviceName(root, drive.device);
    facts.disk = DiskOfDevice(root, facts.deviceName);
    if (!facts.disk.empty()) {
        facts.removable = ReadBlockAttribute(root, facts.disk, "removable") == "1";
        facts.readOnly = ReadBlockAttribute(root, facts.disk, "ro") == "1" ||
                         ReadBlockAttribute(root, facts.deviceName, "ro") == "1";
    }
    for (const MountEntry& entry : ReadMountTable(root)) {
        const bool block = StartsWith(entry.source, "/dev/");
        if (entry.mountPoint == drive.mountPoint)
            facts.deviceAtMountPoint = block ? KernelDeviceName(root, entry.source) : entry.source;
        if (block && !facts.disk.empty() && DiskOfPath(root, entry.source) == facts.disk)
            facts.mountsOnDisk.push_back(entry.mountPoint);
    }
    std::ifstream swaps(UnderRoot(root, "/proc/swaps"));
    std::string line;
    std::getline(swaps, line);  // the header
    while (std::getline(swaps, line)) {
        std::string file;
        std::istringstream(line) >> file;
        if (!file.empty() && !facts.disk.empty() && DiskOfPath(root, file) == facts.disk)
            facts.swapOnDisk = true;
    }
    return facts;
}

int CheckFormatTarget(const DriveInfo& drive, const FormatFacts& facts)
{
    if (drive.type != DriveType::Removable || !facts.blockDevice || facts.disk.empty())
        return StringId::kOnlyRemovableCard;
    for (const char* prefix : {"loop", "zram", "ram", "dm-", "md", "nbd", "sr"})
        if (StartsWith(facts.disk, prefix))
            return StringId::kOnlyRemovableCard;
    const bool sdSlot = StartsWith(facts.disk, "mmcblk");
    if (!facts.removable && !sdSlot)
        return StringId::kOnlyRemovableCard;
    if (facts.swapOnDisk)
        return StringId::kOnlyRemovableCard;
    for (const std::string& mountPoint : facts.mountsOnDisk)
        for (const char* system : {"/", "/boot", "/usr", "/var", "/home"})
            if (mountPoint == system || (std::strcmp(system, "/") != 0 && StartsWith(mountPoint, std::string(system) + "/")))
                return StringId::kOnlyRemovableCard;
    if (facts.deviceAtMountPoint != facts.deviceName)
        return StringId::kCardGone;
    if (facts.readOnly || drive.readOnly)
        return StringId::kCardWriteProtected;
    return 0;
}

bool RunProgram(const std::vector<std::string>& argv, std::string& output)
{
    output.clear();
    const std::string program = FindProgram(argv.at(0));
    if (program.empty()) {
        output = argv[0] + ": not found";
        return false;
    }
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        output = std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawnError = posix_spawn(&pid, program.c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawnError != 0) {
        close(pipeFds[0]);
        output = program + ": " + std::strerror(spawnError);
        return false;
    }
    char buffer[512];
    ssize_t n = 0;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0)
            output.append(buffer, static_cast<size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    while (!output.empty() && (output.back() == '\n' || output.back() == ' '))
        output.pop_back();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool MakeCardFileSystem(const std::string& device, std::string& error)
{
    return RunProgram({"mkfs.vfat", "-F", "32", "-n", kCardLabel, device}, error);
}

bool MkfsCardFormatter::Usable()
{
    return geteuid() == 0 && !FindProgram("mkfs.vfat").empty();
}

FormatOutcome MkfsCardFormatter::Format(const DriveInfo& drive)
{
    FormatOutcome outcome;
    outcome.refusalId = CheckFormatTarget(drive, ReadFormatFacts(drive, m_root));
    if (outcome.refusalId != 0)
        return outcome;
    WriteLog("Format " + drive.device, "MkfsCardFormatter", "Format", kLogType, kLogLevelNormal);
    if (!RunProgram({"umount", drive.mountPoint}, outcome.error))
        return outcome;
    std::string mkfsError;
    outcome.formatted = MakeCardFileSystem(drive.device, mkfsError);
    std::string mountError;
    const bool mounted = RunProgram({"mount", drive.device, drive.mountPoint}, mountError);
    outcome.error = !outcome.formatted ? mkfsError : mounted ? std::string() : mountError;
    return outcome;
}
