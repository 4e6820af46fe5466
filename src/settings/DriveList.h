#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The volumes a user can pick as the camera's card, read from the mount table, sysfs and udev's by-label
// links. Every path is looked up under a root folder ("/" on a running system; tests pass a fake tree).

enum class DriveType { Removable, Fixed, Network, CdRom, RamDisk, Unknown };

struct DriveInfo {
    std::string label;       // volume label, empty when it has none
    std::string mountPoint;  // the drive's root: the folder that holds setup.cfg
    std::string device;      // as the mount table names it ("/dev/sdb1"); for a network share its source
    DriveType type = DriveType::Unknown;
    std::uint64_t size = 0;  // bytes; 0 when unknown
    bool readOnly = false;
    bool pickedFolder = false;  // a folder the user chose by hand, not a mounted volume
};

// One entry of the mount table, its escapes (\040 for a space) decoded.
struct MountEntry {
    std::string source;
    std::string mountPoint;
    std::string fileSystem;
    std::string options;
};

std::vector<MountEntry> ReadMountTable(const std::string& root);

// path (absolute) as seen under root, the folder that stands for "/" (tests pass a fake tree).
std::string UnderRoot(const std::string& root, const std::string& path);
bool StartsWith(const std::string& text, const std::string& prefix);

// The kernel's name of a block device path ("/dev/mapper/x" -> "dm-0", "/dev/sdb1" -> "sdb1"), following
// links under root; the path's last part when it is no link.
std::string KernelDeviceName(const std::string& root, const std::string& device);

// The whole disk a block device belongs to ("sdb1" -> "sdb", "mmcblk0p1" -> "mmcblk0", "sdb" -> "sdb");
// empty when sysfs does not know the device.
std::string DiskOfDevice(const std::string& root, const std::string& kernelName);

// One value of a device's sysfs folder (/sys/class/block/<name>/<file>), trimmed; empty when missing.
std::string ReadBlockAttribute(const std::string& root, const std::string& kernelName, const std::string& file);

// Block-device volumes (no CD/DVD, loop, squashfs or pseudo file systems) and network shares, one per mount
// point (the last mount over a folder wins), sorted by their item text.
std::vector<DriveInfo> ListDrives(const std::string& root = "/");

// The folder holds what the camera writes on its card: its settings or clock file, or its recording
// folders. Such a folder is offered as a card whatever the disk it lies on.
bool LooksLikeCameraCard(const std::string& folder);

// The drives the settings dialog offers for the camera's files: removable media and RAM disks, and any
// other volume whose root looks like a camera card. The system's own disks are never offered unasked:
// a Save there would scatter the camera's files over the root of the system.
std::vector<DriveInfo> CardCandidates(const std::vector<DriveInfo>& drives);

// A folder the user picked by hand, as a drive item of its own (read-only when it cannot be written).
DriveInfo PickedFolderDrive(const std::string& folder);

// The drive list's text: label + "(" + mount point + ")".
std::string DriveItemText(const DriveInfo& drive);
