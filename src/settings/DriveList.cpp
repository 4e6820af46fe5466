#include "settings/DriveList.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <unistd.h>

namespace fs = std::filesystem;

std::string UnderRoot(const std::string& root, const std::string& path)
{
    if (root.empty() || root == "/")
        return path;
    return (fs::path(root) / fs::path(path).relative_path()).string();
}

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

namespace {

std::string ReadFirstLine(const fs::path& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return line;
}

// The mount table writes space, tab, newline and backslash as three octal digits after a backslash.
std::string DecodeMountField(const std::string& field)
{
    std::string decoded;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() &&
            std::all_of(field.begin() + i + 1, field.begin() + i + 4, [](char c) { return c >= '0' && c <= '7'; })) {
            decoded += static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8));
            i += 3;
        } else {
            decoded += field[i];
        }
    }
    return decoded;
}

// udev writes unsafe characters of a label (spaces, slashes, non-ASCII bytes stay) as \xHH.
std::string DecodeUdevName(const std::string& name)
{
    std::string decoded;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' && std::isxdigit(static_cast<unsigned char>(name[i + 2])) &&
            std::isxdigit(static_cast<unsigned char>(name[i + 3]))) {
            decoded += static_cast<char>(std::stoi(name.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            decoded += name[i];
        }
    }
    return decoded;
}

bool IsNetworkFileSystem(const std::string& type)
{
    static const char* const kTypes[] = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "afs", "ncpfs"};
    return std::find(std::begin(kTypes), std::end(kTypes), type) != std::end(kTypes);
}

bool HasOption(const std::string& options, const std::string& option)
{
    std::stringstream in(options);
    std::string item;
    while (std::getline(in, item, ','))
        if (item == option)
            return true;
    return false;
}

std::string LabelOf(const std::string& root, const std::string& kernelName)
{
    std::error_code error;
    const fs::path folder = UnderRoot(root, "/dev/disk/by-label");
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        const fs::path target = fs::weakly_canonical(it->path().parent_path() / fs::read_symlink(it->path(), ignored), ignored);
        if (target.filename() == kernelName)
            return DecodeUdevName(it->path().filename().string());
    }
    return {};
}

DriveType BlockDriveType(const std::string& root, const std::string& kernelName)
{
    if (StartsWith(kernelName, "sr"))
        return DriveType::CdRom;
    if (StartsWith(kernelName, "ram") || StartsWith(kernelName, "zram"))
        return DriveType::RamDisk;
    const std::string disk = DiskOfDevice(root, kernelName);
    if (disk.empty())
        return DriveType::Unknown;
    // An SD/MMC slot reports its cards as not removable, yet they are the cards a camera writes.
    if (ReadBlockAttribute(root, disk, "removable") == "1" || StartsWith(disk, "mmcblk"))
        return DriveType::Removable;
    return DriveType::Fixed;
}

}  // namespace

std::vector<MountEntry> ReadMountTable(const std::string& root)
{
    std::vector<MountEntry> entries;
    std::ifstream in(UnderRoot(root, "/proc/self/mounts"));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        MountEntry entry;
        if (!(fields >> entry.source >> entry.mountPoint >> entry.fileSystem >> entry.options))
            continue;
        entry.source = DecodeMountField(entry.source);
        entry.mountPoint = DecodeMountField(entry.mountPoint);
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string KernelDeviceName(const std::string& root, const std::string& device)
{
    std::error_code error;
    const fs::path path = UnderRoot(root, device);
    fs::path resolved = path;
    // Follow the links one by one so that an absolute target stays under the root.
    for (int hops = 0; hops < 16 && fs::is_symlink(resolved, error); ++hops) {
        const fs::path target = fs::read_symlink(resolved, error);
        resolved = target.is_absolute() ? fs::path(UnderRoot(root, target.string())) : resolved.parent_path() / target;
        resolved = resolved.lexically_normal();
    }
    return resolved.filename().string();
}

std::string DiskOfDevice(const std::string& root, const std::string& kernelName)
{
    if (kernelName.empty())
        return {};
    std::error_code error;
    const fs::path entry = fs::path(UnderRoot(root, "/sys/class/block")) / kernelName;
    const fs::path device = fs::canonical(entry, error);
    if (error)
        return {};
    if (fs::exists(device / "partition", error))
        return device.parent_path().filename().string();
    return kernelName;
}

std::string ReadBlockAttribute(const std::string& root, const std::string& kernelName, const std::string& file)
{
    return ReadFirstLine(fs::path(UnderRoot(root, "/sys/class/block")) / kernelName / file);
}

std::vector<DriveInfo> ListDrives(const std::string& root)
{
    std::map<std::string, DriveInfo> byMountPoint;
    for (const MountEntry& entry : ReadMountTable(root)) {
        DriveInfo drive;
        drive.mountPoint = entry.mountPoint;
        drive.device = entry.source;
        drive.readOnly = HasOption(entry.options, "ro");
        if (IsNetworkFileSystem(entry.fileSystem)) {
            drive.type = DriveType::Network;
        } else if (StartsWith(entry.source, "/dev/")) {
            static const char* const kSkippedTypes[] = {"squashfs", "iso9660", "udf"};
            if (std::find(std::begin(kSkippedTypes), std::end(kSkippedTypes), entry.fileSystem) != std::end(kSkippedTypes))
                continue;
            const std::string name = KernelDeviceName(root, entry.source);
            if (StartsWith(name, "loop"))
                continue;
            drive.type = BlockDriveType(root, name);
            if (drive.type == DriveType::CdRom || drive.type == DriveType::Unknown) {
                byMountPoint.erase(entry.mountPoint);
                continue;
            }
            drive.label = LabelOf(root, name);
            const std::string sectors = ReadBlockAttribute(root, name, "size");
            drive.size = std::strtoull(sectors.c_str(), nullptr, 10) * 512;
            drive.readOnly = drive.readOnly || ReadBlockAttribute(root, name, "ro") == "1";
        } else {
            // A pseudo file system mounted over a volume hides it.
            byMountPoint.erase(entry.mountPoint);
            continue;
        }
        byMountPoint[entry.mountPoint] = drive;
    }
    std::vector<DriveInfo> drives;
    for (auto& [mountPoint, drive] : byMountPoint)
        drives.push_back(drive);
    std::sort(drives.begin(), drives.end(),
              [](const DriveInfo& a, const DriveInfo& b) { return DriveItemText(a) < DriveItemText(b); });
    return drives;
}

std::string DriveItemText(const DriveInfo& drive)
{
    return drive.label + "(" + drive.mountPoint + ")";
}

bool LooksLikeCameraCard(const std::string& folder)
{
    // The camera's settings and clock files, its root folder and its two recording folders.
    static const char* const kCameraNames[] = {"setup.cfg", "time.cfg", "CL_BLACKBOX", "MP4_EVENT", "MP4_INFINITE"};
    std::error_code error;
    for (const char* name : kCameraNames)
        if (fs::exists(fs::path(folder) / name, error))
            return true;
    return false;
}

std::vector<DriveInfo> CardCandidates(const std::vector<DriveInfo>& drives)
{
    std::vector<DriveInfo> offered;
    for (const DriveInfo& drive : drives)
        if (drive.type == DriveType::Removable || drive.type == DriveType::RamDisk || LooksLikeCameraCard(drive.mountPoint))
            offered.push_back(drive);
    return offered;
}

DriveInfo PickedFolderDrive(const std::string& folder)
{
    DriveInfo drive;
    drive.mountPoint = folder;
    drive.pickedFolder = true;
    drive.readOnly = ::access(folder.c_str(), W_OK) != 0;
    return drive;
}
