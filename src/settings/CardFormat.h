#pragma once

#include "settings/DriveList.h"

#include <string>
#include <vector>

// Formatting the camera's card, and the one guard every way of formatting passes first.

// The label the camera expects on its card.
inline constexpr const char* kCardLabel = "DVC-4410";

// What the system says about a drive's device right now, read just before formatting.
struct FormatFacts {
    bool blockDevice = false;              // the device path is a block special file
    std::string deviceName;                // kernel name of the drive's device ("sdb1")
    std::string disk;                      // kernel name of its whole disk ("sdb"); empty when unknown
    bool removable = false;                // sysfs says the disk's medium can be removed
    bool readOnly = false;                 // the disk or the partition is write-protected
    std::vector<std::string> mountsOnDisk; // mount points of the disk and of every partition on it
    bool swapOnDisk = false;               // swap is in use on the disk or a partition of it
    std::string deviceAtMountPoint;        // kernel name of what is mounted at the drive's mount point now
};

FormatFacts ReadFormatFacts(const DriveInfo& drive, const std::string& root = "/");

// 0 when the drive may be formatted, else the string id of the reason: a card gone from its mount point,
// anything but a removable memory card (system disks, swap, loop, zram, RAM and mapped devices, plain
// files, internal and USB hard disks), a write-protected card.
int CheckFormatTarget(const DriveInfo& drive, const FormatFacts& facts);

struct FormatOutcome {
    bool formatted = false;
    int refusalId = 0;   // the guard's reason when it refused (nothing was touched)
    std::string error;   // what the system said when a step failed
};

// One way of formatting the card's partition (the partition table stays). Format() blocks: the dialog
// calls it off the user-interface thread. Each implementation checks the guard on fresh facts first.
class ICardFormatter {
public:
    virtual ~ICardFormatter() = default;
    virtual FormatOutcome Format(const DriveInfo& drive) = 0;
};

// As root without udisks: umount, mkfs.vfat, mount again at the same folder. Programs are started
// directly, never through a shell.
class MkfsCardFormatter final : public ICardFormatter {
public:
    explicit MkfsCardFormatter(std::string root = "/") : m_root(std::move(root)) {}
    FormatOutcome Format(const DriveInfo& drive) override;
    // Root and mkfs.vfat present.
    static bool Usable();

private:
    std::string m_root;
};

// Writes an empty FAT32 file system labelled kCardLabel on the device (or image file); false with the
// program's message in `error` when it fails.
bool MakeCardFileSystem(const std::string& device, std::string& error);

// Runs a program with its arguments (argv[0] looked up in PATH, /usr/sbin and /sbin) and waits for it;
// true on exit status 0. Its standard error (or the reason it could not start) goes to `output`.
bool RunProgram(const std::vector<std::string>& argv, std::string& output);
