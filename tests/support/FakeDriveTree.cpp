#include "support/FakeDriveTree.h"

#include <fstream>
#include <stdexcept>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace fs = std::filesystem;

namespace {

void WriteText(const fs::path& path, const std::string& text, bool append = false)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, append ? std::ios::app : std::ios::trunc);
    out << text;
}

std::string Escape(const std::string& path)
{
    std::string escaped;
    for (char c : path)
        escaped += c == ' ' ? std::string("\\040") : std::string(1, c);
    return escaped;
}

}  // namespace

FakeDriveTree::FakeDriveTree(fs::path root) : m_root(std::move(root))
{
    fs::create_directories(m_root / "sys/class/block");
    fs::create_directories(m_root / "dev/disk/by-label");
    WriteText(m_root / "proc/self/mounts", "");
    WriteText(m_root / "proc/swaps", "Filename\tType\tSize\tUsed\tPriority\n");
}

void FakeDriveTree::AddNode(const std::string& name)
{
    const fs::path node = m_root / "dev" / name;
    if (mknod(node.c_str(), S_IFBLK | 0600, makedev(250, m_nextMinor++)) != 0)
        throw std::runtime_error("mknod " + node.string());
}

void FakeDriveTree::AddDisk(const std::string& name, bool removable, std::uint64_t sectors, bool readOnly)
{
    const fs::path folder = m_root / "sys/devices/block" / name;
    WriteText(folder / "removable", removable ? "1\n" : "0\n");
    WriteText(folder / "size", std::to_string(sectors) + "\n");
    WriteText(folder / "ro", readOnly ? "1\n" : "0\n");
    fs::create_directory_symlink("../../devices/block/" + name, m_root / "sys/class/block" / name);
    AddNode(name);
}

void FakeDriveTree::AddPartition(const std::string& disk, const std::string& name, std::uint64_t sectors)
{
    const fs::path folder = m_root / "sys/devices/block" / disk / name;
    WriteText(folder / "partition", "1\n");
    WriteText(folder / "size", std::to_string(sectors) + "\n");
    WriteText(folder / "ro", "0\n");
    fs::create_directory_symlink("../../devices/block/" + disk + "/" + name, m_root / "sys/class/block" / name);
    AddNode(name);
}

void FakeDriveTree::Label(const std::string& device, const std::string& udevName)
{
    fs::create_symlink("../../" + device, m_root / "dev/disk/by-label" / udevName);
}

void FakeDriveTree::Mount(const std::string& source, const std::string& mountPoint, const std::string& type,
                          const std::string& options)
{
    WriteText(m_root / "proc/self/mounts",
              Escape(source) + " " + Escape(mountPoint) + " " + type + " " + options + " 0 0\n", true);
}

void FakeDriveTree::ClearMounts()
{
    WriteText(m_root / "proc/self/mounts", "");
}

void FakeDriveTree::AddSwap(const std::string& device)
{
    WriteText(m_root / "proc/swaps", device + "\tpartition\t1024\t0\t-2\n", true);
}
