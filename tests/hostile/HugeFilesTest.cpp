// Damaged recordings of the largest length the readers take (sparse files, so they cost no disk).

#include "recording/AVIFileLoader.h"
#include "recording/AVIFileParser.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <utility>
#include <vector>

namespace {

std::string Le32(uint32_t value)
{
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i) & 0xFF);
    return bytes;
}

// Writes each piece at its position into a sparse file of the given length; false when the file system
// cannot make one.
bool WriteSparse(const std::string& path, int64_t length, const std::vector<std::pair<int64_t, std::string>>& pieces)
{
    {
        std::ofstream out(path, std::ios::binary);
        for (const auto& [position, bytes] : pieces) {
            out.seekp(position);
            out << bytes;
        }
    }
    std::error_code error;
    std::filesystem::resize_file(path, static_cast<std::uintmax_t>(length), error);
    return !error;
}

}  // namespace

// An index near the end of a 2 GiB file whose size field reaches far past the end: the entries beyond the
// file hold nothing, and reading them must neither take forever nor run positions past 32 bits.
TEST(HugeFiles, IndexReachingPastTheEndOfATwoGigabyteFile)
{
    TempDir dir;
    const std::string path = dir / "REC_20120820_153012_F.avi";
    const int64_t length = INT32_MAX;
    // Entries start at index + 8 and come 16 apart: one lands 4 bytes before the last 32-bit position.
    const int64_t index = INT32_MAX - 12 - 16 * 255;
    const int64_t recordAt = 100;  // a G-sensor record; without a movie list, offsets count from 16
    std::string head = "RIFF" + Le32(uint32_t(length - 8)) + "AVI " + "JUNK" + Le32(uint32_t(index - 20));
    head.resize(recordAt);
    head += std::string("M\x20\xE0\x00\x00\x00\x00", 7);
    const std::string entry = "03tx" + Le32(0x10) + Le32(uint32_t(recordAt - 16)) + Le32(7);
    const std::string tail = "idx1" + Le32(uint32_t(length - 100)) + entry;
    // The last entry inside the file names the text stream; its offset field lies past the end.
    if (!WriteSparse(path, length, {{0, head}, {index, tail}, {length - 4, "03tx"}}))
        GTEST_SKIP() << "no sparse files here";

    AVIFileParser parser;
    ASSERT_TRUE(parser.Open(path));
    ASSERT_EQ(parser.FindChunks("idx1").size(), 1u);

    RecordingItem item(DateTime{}, Always, path, "REC_20120820_153012_F.avi");
    ASSERT_TRUE(AVIFileLoader().GetMetadataFromAVIFile(item));
    ASSERT_EQ(item.gSensorSamples.size(), 1u);
    EXPECT_EQ(item.gSensorSamples[0].x, 1.0);
    EXPECT_EQ(item.gSensorSamples[0].y, -1.0);
    EXPECT_TRUE(item.gpsSamples.empty());
}
