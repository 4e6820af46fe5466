#include "infra/StringIds.h"
#include "settings/CardFormat.h"
#include "settings/CQZSetupData.h"
#include "settings/DriveList.h"

#include "support/FakeDriveTree.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

const DriveInfo* Find(const std::vector<DriveInfo>& drives, const std::string& mountPoint)
{
    for (const DriveInfo& drive : drives)
        if (drive.mountPoint == mountPoint)
            return &drive;
    return nullptr;
}

}  // namespace

TEST(DriveList, ListsBlockVolumesAndSharesWithTheirLabelTypeAndSize)
{
    TempDir dir;
    FakeDriveTree tree(dir.path());
    tree.AddDisk("sda", false);
    tree.AddPartition("sda", "sda1", 1000);
    tree.AddDisk("sdb", true);
    tree.AddPartition("sdb", "sdb1", 4096);
    tree.Label("sdb1", "MY\\x20CARD\\x20(1)");
    tree.AddDisk("mmcblk0", false);
    tree.AddPartition("mmcblk0", "mmcblk0p1");
    tree.Label("mmcblk0p1", "블랙박스");
    tree.AddDisk("zram0", false);
    tree.AddDisk("loop0", false);
    tree.AddDisk("sr0", true);
    tree.AddDisk("sdc", true, 2048, true);

    tree.Mount("/dev/sda1", "/", "ext4");
    tree.Mount("proc", "/proc", "proc");
    tree.Mount("tmpfs", "/tmp", "tmpfs");
    tree.Mount("/dev/sdb1", "/media/u/MY CARD (1)");
    tree.Mount("/dev/mmcblk0p1", "/media/sd");
    tree.Mount("/dev/zram0", "/zram", "ext4");
    tree.Mount("/dev/loop0", "/snap/core", "squashfs", "ro");
    tree.Mount("/dev/loop0", "/mnt/loop", "ext4");
    tree.Mount("/dev/sr0", "/media/cdrom", "iso9660", "ro");
    tree.Mount("server:/export", "/mnt/net", "nfs4");
    tree.Mount("/dev/sdc", "/media/locked");
    // The last mount over a folder is what the folder shows: the card under /media/over is hidden.
    tree.Mount("/dev/sdb1", "/media/over");
    tree.Mount("tmpfs", "/media/over", "tmpfs");

    const std::vector<DriveInfo> drives = ListDrives(tree.Root());
    std::vector<std::string> items;
    for (const DriveInfo& drive : drives)
        items.push_back(DriveItemText(drive));
    EXPECT_EQ(items, (std::vector<std::string>{"(/)", "(/media/locked)", "(/mnt/net)", "(/zram)",
                                               "MY CARD (1)(/media/u/MY CARD (1))", "블랙박스(/media/sd)"}));

    const DriveInfo* card = Find(drives, "/media/u/MY CARD (1)");
    ASSERT_TRUE(card);
    EXPECT_EQ(card->type, DriveType::Removable);
    EXPECT_EQ(card->device, "/dev/sdb1");
    EXPECT_EQ(card->size, 4096u * 512);
    EXPECT_FALSE(card->readOnly);
    EXPECT_EQ(FolderFromDriveItem(DriveItemText(*card)), "/media/u/MY CARD (1)");
    EXPECT_EQ(Find(drives, "/media/sd")->type, DriveType::Removable);  // an SD slot
    EXPECT_EQ(Find(drives, "/")->type, DriveType::Fixed);
    EXPECT_EQ(Find(drives, "/zram")->type, DriveType::RamDisk);
    EXPECT_EQ(Find(drives, "/mnt/net")->type, DriveType::Network);
    EXPECT_TRUE(Find(drives, "/media/locked")->readOnly);
}

TEST(DriveList, NoMountTableGivesNoDrives)
{
    TempDir dir;
    EXPECT_TRUE(ListDrives(dir.path().string()).empty());
}

// Every fact that makes a device unsafe to format refuses it; a card in a reader or an SD slot passes.
TEST(FormatGuard, RefusesAllButARemovableCardOnFactsReadFromTheSystem)
{
    TempDir dir;
    FakeDriveTree tree(dir.path());
    tree.AddDisk("sda", false);
    tree.AddPartition("sda", "sda1");
    tree.AddPartition("sda", "sda2");
    tree.AddDisk("sdb", true);           // card reader
    tree.AddPartition("sdb", "sdb1");
    tree.AddDisk("mmcblk0", false);      // SD slot
    tree.AddPartition("mmcblk0", "mmcblk0p1");
    tree.AddDisk("sdc", false);          // USB hard disk
    tree.AddPartition("sdc", "sdc1");
    tree.AddDisk("nvme0n1", false);
    tree.AddPartition("nvme0n1", "nvme0n1p1");
    tree.AddDisk("sdd", true);           // removable, but swap lives on it
    tree.AddPartition("sdd", "sdd1");
    tree.AddPartition("sdd", "sdd2");
    tree.AddDisk("sde", true);           // removable, but /home lives on it
    tree.AddPartition("sde", "sde1");
    tree.AddPartition("sde", "sde2");
    tree.AddDisk("sdf", true, 2048, true);  // write-protect switch
    tree.AddPartition("sdf", "sdf1");
    tree.AddDisk("sdg", true);
    tree.AddPartition("sdg", "sdg1");
    tree.AddDisk("loop0", true);
    tree.AddDisk("zram0", true);
    tree.AddDisk("dm-0", true);
    WriteFileBytes(dir.path() / "dev/plainfile", "not a device");
    fs::create_directories(dir.path() / "dev/mapper");
    fs::create_symlink("../dm-0", dir.path() / "dev/mapper/crypt");

    tree.Mount("/dev/sda1", "/", "ext4");
    tree.AddSwap("/dev/sda2");
    tree.Mount("/dev/sdb1", "/media/reader");
    tree.Mount("/dev/mmcblk0p1", "/media/slot");
    tree.Mount("/dev/sdc1", "/media/usbdisk");
    tree.Mount("/dev/nvme0n1p1", "/media/nvme");
    tree.Mount("/dev/sdd1", "/media/swapdisk");
    tree.AddSwap("/dev/sdd2");
    tree.Mount("/dev/sde1", "/media/homedisk");
    tree.Mount("/dev/sde2", "/home", "ext4");
    tree.Mount("/dev/sdf1", "/media/locked");
    tree.Mount("/dev/sdg1", "/media/swapped");  // listed here, yet another card sits there now
    tree.Mount("/dev/sdb1", "/media/swapped");
    tree.Mount("/dev/plainfile", "/media/file");
    tree.Mount("/dev/null", "/media/null");
    tree.Mount("/dev/loop0", "/media/loop");
    tree.Mount("/dev/zram0", "/media/zram");
    tree.Mount("/dev/mapper/crypt", "/media/crypt");

    struct Case {
        const char* device;
        const char* mountPoint;
        int expected;
    } const cases[] = {
        {"/dev/sda1", "/", StringId::kOnlyRemovableCard},
        {"/dev/sda2", "/", StringId::kOnlyRemovableCard},  // swap partition of the system disk
        {"/dev/sdb1", "/media/reader", 0},
        {"/dev/mmcblk0p1", "/media/slot", 0},
        {"/dev/sdc1", "/media/usbdisk", StringId::kOnlyRemovableCard},
        {"/dev/nvme0n1p1", "/media/nvme", StringId::kOnlyRemovableCard},
        {"/dev/sdd1", "/media/swapdisk", StringId::kOnlyRemovableCard},
        {"/dev/sde1", "/media/homedisk", StringId::kOnlyRemovableCard},
        {"/dev/sdf1", "/media/locked", StringId::kCardWriteProtected},
        {"/dev/sdg1", "/media/swapped", StringId::kCardGone},
        {"/dev/sdb1", "/media/gone", StringId::kCardGone},
        {"/dev/plainfile", "/media/file", StringId::kOnlyRemovableCard},
        {"/dev/null", "/media/null", StringId::kOnlyRemovableCard},
        {"/dev/loop0", "/media/loop", StringId::kOnlyRemovableCard},
        {"/dev/zram0", "/media/zram", StringId::kOnlyRemovableCard},
        {"/dev/mapper/crypt", "/media/crypt", StringId::kOnlyRemovableCard},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.device + std::string(" at ") + c.mountPoint);
        DriveInfo drive;
        drive.device = c.device;
        drive.mountPoint = c.mountPoint;
        drive.type = DriveType::Removable;  // the facts alone must refuse
        EXPECT_EQ(CheckFormatTarget(drive, ReadFormatFacts(drive, tree.Root())), c.expected);
    }

    // The listing's own type refuses too: a fixed disk is never offered.
    const std::vector<DriveInfo> drives = ListDrives(tree.Root());
    const DriveInfo* usbDisk = Find(drives, "/media/usbdisk");
    ASSERT_TRUE(usbDisk);
    EXPECT_EQ(usbDisk->type, DriveType::Fixed);
    EXPECT_EQ(CheckFormatTarget(*usbDisk, ReadFormatFacts(*usbDisk, tree.Root())), StringId::kOnlyRemovableCard);
}

TEST(CardFormat, MakesALabelledFat32OnAnImageAndTheFormatterRefusesTheImageAsADrive)
{
    TempDir dir;
    const fs::path image = dir.path() / "card.img";
    {
        std::ofstream(image).close();
        fs::resize_file(image, 64u << 20);  // sparse
    }
    std::string error;
    ASSERT_TRUE(MakeCardFileSystem(image.string(), error)) << error;
    const std::string bytes = ReadFileBytes(image);
    EXPECT_EQ(bytes.substr(71, 11), "DVC-4410   ");
    EXPECT_EQ(bytes.substr(82, 8), "FAT32   ");
    std::string fsckOutput;
    EXPECT_TRUE(RunProgram({"fsck.fat", "-n", image.string()}, fsckOutput)) << fsckOutput;

    DriveInfo drive;
    drive.device = image.string();
    drive.mountPoint = dir.path().string();
    drive.type = DriveType::Removable;
    const FormatOutcome outcome = MkfsCardFormatter().Format(drive);
    EXPECT_FALSE(outcome.formatted);
    EXPECT_EQ(outcome.refusalId, StringId::kOnlyRemovableCard);
    EXPECT_EQ(ReadFileBytes(image), bytes);
}

TEST(CardFormat, RunProgramTellsAMissingProgramAndAFailure)
{
    std::string output;
    EXPECT_FALSE(RunProgram({"tessaro-no-such-program"}, output));
    EXPECT_NE(output.find("not found"), std::string::npos);
    EXPECT_FALSE(RunProgram({"mkfs.vfat", "/nonexistent/dir/img"}, output));
    EXPECT_FALSE(output.empty());
}
