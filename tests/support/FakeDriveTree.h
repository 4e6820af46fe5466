#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

// A stand-in for the parts of a running system that the drive listing reads, under a folder of its own:
// proc/self/mounts, proc/swaps, sys/class/block (disks, partitions, their flags and sizes), dev (block
// device nodes, made with mknod and never opened) and dev/disk/by-label.
class FakeDriveTree {
public:
    explicit FakeDriveTree(std::filesystem::path root);

    std::string Root() const { return m_root.string(); }
    void AddDisk(const std::string& name, bool removable, std::uint64_t sectors = 2048, bool readOnly = false);
    void AddPartition(const std::string& disk, const std::string& name, std::uint64_t sectors = 2048);
    void Label(const std::string& device, const std::string& udevName);
    // One line of the mount table; spaces in the paths are escaped as the kernel does.
    void Mount(const std::string& source, const std::string& mountPoint, const std::string& type = "vfat",
               const std::string& options = "rw,relatime");
    void ClearMounts();
    void AddSwap(const std::string& device);

private:
    void AddNode(const std::string& name);

    std::filesystem::path m_root;
    unsigned m_nextMinor = 0;
};
