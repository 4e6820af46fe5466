#include "infra/SafeFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

// A read fills the whole buffer: what the file does not hold reads as zero, whatever the buffer held
// before (the repair's scan reuses one window buffer for the whole file).
TEST(FileHandle, ReadAtFillsPastTheEndWithZeros)
{
    TempDir dir;
    std::ofstream(dir / "six.bin", std::ios::binary) << "abcdef";
    const FileHandle file = FileHandle::OpenForReading(dir / "six.bin");
    ASSERT_TRUE(file.IsOpen());

    struct Case {
        int64_t offset;
        size_t count;
        bool read;
        std::string bytes;
    };
    const Case cases[] = {
        {0, 4, true, "abcd"},
        {4, 4, true, std::string("ef\0\0", 4)},
        {10, 3, true, std::string(3, '\0')},
        {-1, 2, false, std::string(2, '\0')},
    };
    for (const Case& c : cases) {
        std::string buffer(c.count, 'x');
        EXPECT_EQ(file.ReadAt(c.offset, buffer.data(), c.count), c.read) << "offset " << c.offset;
        EXPECT_EQ(buffer, c.bytes) << "offset " << c.offset;
    }
}

// A kill while a file is written leaves its hidden staging file. The next writer into that folder takes
// away the ones no live writer holds, and nothing else: not a staging file being written (here by a
// writer in this process, through its own descriptor, as another process would hold it), not files whose
// names only resemble the pattern, not a folder or a link of that name.
TEST(StagedFile, ClearsLeftoversOfDeadWritersFromItsFolder)
{
    TempDir dir;
    const std::vector<std::string> leftovers = {".time.cfg.0a1b2c3d.part", ".REC_0001_copy(2).avi.9f8e7d6c.part"};
    for (const std::string& name : leftovers)
        std::ofstream(dir / name) << "half written";
    const std::vector<std::string> foreign = {
        ".notes.txt.part",  ".x.1234567.part", ".x.1234ABCD.part", "x.12345678.part",
        ".x.12345678.partial", "..12345678.part", "setup.cfg",
    };
    for (const std::string& name : foreign)
        std::ofstream(dir / name) << "keep";
    std::filesystem::create_directory(dir / ".folder.12345678.part");
    std::filesystem::create_symlink(dir / "setup.cfg", dir / ".link.12345678.part");

    StagedFile live(dir.path() / "clip.avi");
    ASSERT_TRUE(live.Opened());
    const std::string liveName = live.TemporaryPath().filename().string();
    EXPECT_TRUE(IsStagingFileName(liveName)) << liveName;
    for (const std::string& name : leftovers)
        EXPECT_FALSE(std::filesystem::exists(dir / name)) << name;

    // A second writer in the same folder (or the card scan) leaves the live one alone.
    EXPECT_EQ(RemoveStaleStagingFiles(dir.path()), 0);
    std::vector<std::string> expected = foreign;
    expected.push_back(".folder.12345678.part");
    expected.push_back(".link.12345678.part");
    expected.push_back(liveName);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FolderEntries(dir.path()), expected);

    // Completed and renamed, or dropped: the live writer's file is gone the ordinary way.
    const std::string bytes = "whole";
    ASSERT_TRUE(live.Handle().WriteAt(0, bytes.data(), bytes.size()));
    ASSERT_TRUE(live.Commit(static_cast<int64_t>(bytes.size()), StagedFile::Existing::Keep));
    EXPECT_TRUE(std::filesystem::exists(dir / "clip.avi"));
    EXPECT_FALSE(std::filesystem::exists(live.TemporaryPath()));
}

// Between completing (the data descriptor closed) and the rename the file is still held: a cleaner in that
// moment must not take it away, or the rename would fail.
TEST(StagedFile, StaysHeldUntilRenamed)
{
    TempDir dir;
    StagedFile staged(dir.path() / "time.cfg");
    ASSERT_TRUE(staged.Opened());
    ASSERT_TRUE(staged.Complete(0));
    EXPECT_EQ(RemoveStaleStagingFiles(dir.path()), 0);
    EXPECT_TRUE(staged.Commit(0, StagedFile::Existing::Replace));
    EXPECT_TRUE(std::filesystem::exists(dir / "time.cfg"));
}
