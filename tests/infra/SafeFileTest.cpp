#include "infra/SafeFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

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
