#include "SampleCardSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>

namespace {

constexpr int kSps = 7, kPps = 8, kIdr = 5, kSlice = 1;

std::string RunShell(const std::string& command)
{
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return "cannot run " + command;
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        output.append(buffer.data(), n);
    pclose(pipe);
    return output;
}

// How many pictures ffprobe decodes from a raw H.264 stream, with anything it complains about.
std::string DecodedFrames(const std::string& annexBPath)
{
    return RunShell("ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames "
                    "-of csv=p=0 '" + annexBPath + "'");
}

}  // namespace

TEST(VideoFraming, EachChannelIsFramedLikeTheCamera)
{
    const GeneratedFile& file = TwoChannelRecording();
    struct Channel {
        const char* id;
        size_t stream;
        size_t framesPerKeyFrame;
    };
    for (const Channel& channel : {Channel{"00dc", 0, 30}, Channel{"01dc", 1, 10}}) {
        SCOPED_TRACE(channel.id);
        const auto frames = file.avi.ChunksWithId(channel.id);
        ASSERT_FALSE(frames.empty());
        std::vector<int64_t> keyFrames;
        for (size_t i = 0; i < frames.size(); ++i) {
            SCOPED_TRACE("frame " + std::to_string(i));
            const std::vector<NalUnit> nals = NalUnitsOf(frames[i]->data);
            ASSERT_FALSE(nals.empty());
            EXPECT_EQ(nals.front().offset, 4u) << "the frame starts with a start code";
            for (const NalUnit& nal : nals)
                EXPECT_EQ(nal.startCodeLength, 4u) << "every start code has four bytes";

            std::vector<int> types;
            for (const NalUnit& nal : nals)
                types.push_back(nal.type);
            if (i == 0) {
                // SPS and PPS with their start codes take exactly 21 bytes ahead of the first picture.
                ASSERT_EQ(types, (std::vector<int>{kSps, kPps, kIdr}));
                EXPECT_EQ(nals[2].offset, 21u + 4u);
            } else if (i % channel.framesPerKeyFrame == 0) {
                EXPECT_EQ(types, std::vector<int>{kIdr}) << "later key frames carry no parameter sets";
                EXPECT_EQ(frames[i]->data.substr(0, 5), std::string("\0\0\0\1\x65", 5));
            } else {
                EXPECT_EQ(types, std::vector<int>{kSlice});
            }
            if (types.back() == kIdr)
                keyFrames.push_back(static_cast<int64_t>(i));
        }
        std::vector<int64_t> truthKeyFrames;
        for (const JsonValue& k : file.truth["streams"][channel.stream]["keyFrames"].AsArray())
            truthKeyFrames.push_back(k.AsInt());
        EXPECT_EQ(keyFrames, truthKeyFrames);
    }
}

TEST(VideoFraming, BothChannelsDecodeWithoutErrors)
{
    const GeneratedFile& file = TwoChannelRecording();
    for (const char* stream : {"0:0", "0:1"}) {
        const std::string output = RunShell("ffmpeg -nostdin -v error -i '" + file.path + "' -map " + stream +
                                            " -f null - && echo decoded");
        EXPECT_EQ(output, "decoded\n") << stream;
    }
}

TEST(VideoFraming, MidFileKeyFrameDecodesOnlyWithTheFirstFramesSetupBytes)
{
    // What the clip writer relies on: the parameter sets exist only in the first frame, and a later key
    // frame decodes once the first frame's 21 setup bytes are put ahead of it.
    const GeneratedFile& file = TwoChannelRecording();
    const auto frames = file.avi.ChunksWithId("00dc");
    ASSERT_GE(frames.size(), 60u);
    std::string secondGop;
    for (size_t i = 30; i < 60; ++i)
        secondGop += frames[i]->data;

    TempDir folder;
    WriteFileBytes(folder / "prefixed.h264", frames[0]->data.substr(0, 21) + secondGop);
    WriteFileBytes(folder / "bare.h264", secondGop);
    EXPECT_EQ(DecodedFrames(folder / "prefixed.h264"), "30\n");
    EXPECT_NE(DecodedFrames(folder / "bare.h264"), "30\n");
}
