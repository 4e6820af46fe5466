#include "support/GeneratedFiles.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace {

// ffprobe's compact output, one map of key=value per stream.
std::vector<std::map<std::string, std::string>> ProbeStreams(const std::string& path)
{
    const ProgramRun run = RunProgram({"ffprobe", "-v", "error", "-show_entries",
                                       "stream=index,codec_type,codec_name,width,height,sample_rate", "-of",
                                       "compact", path});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::map<std::string, std::string>> streams;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        std::map<std::string, std::string> fields;
        std::istringstream parts(line);
        for (std::string part; std::getline(parts, part, '|');)
            if (auto eq = part.find('='); eq != std::string::npos)
                fields[part.substr(0, eq)] = part.substr(eq + 1);
        streams.push_back(fields);
    }
    return streams;
}

// Decodes one stream (addressed by absolute index: the text stream may look like MP3 to ffmpeg) and
// returns ffmpeg's complaints; empty when everything decoded.
std::string DecodeErrors(const std::vector<std::string>& input)
{
    std::vector<std::string> argv{"ffmpeg", "-nostdin", "-v", "error"};
    argv.insert(argv.end(), input.begin(), input.end());
    argv.insert(argv.end(), {"-f", "null", "-"});
    const ProgramRun run = RunProgram(argv);
    return run.exitCode == 0 ? run.err : "exit " + std::to_string(run.exitCode) + ": " + run.err;
}

int DecodedFrames(const std::string& h264Path)
{
    const ProgramRun run = RunProgram({"ffmpeg", "-nostdin", "-v", "quiet", "-f", "h264", "-i", h264Path,
                                       "-f", "framecrc", "-"});
    int frames = 0;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);)
        frames += !line.empty() && line[0] != '#';
    return frames;
}

struct NalUnit {
    size_t startCodeLength;
    int type;
};

// Every NAL unit of a chunk with the length of its start code.
std::vector<NalUnit> NalUnits(const std::string& frame)
{
    std::vector<NalUnit> units;
    for (size_t i = 0; i + 3 < frame.size(); ++i)
        if (frame[i] == 0 && frame[i + 1] == 0 && frame[i + 2] == 1) {
            const size_t length = i > 0 && frame[i - 1] == 0 ? 4 : 3;
            units.push_back({length, frame[i + 3] & 0x1F});
        }
    return units;
}

bool IsKeyFrame(const std::string& frame) { return frame.size() > 4 && (frame[4] == 0x65 || frame[4] == 0x67); }

TEST(SampleCardVideo, FfprobeSeesFourStreamsAndBothChannelsDecode)
{
    const SharedRecording& rec = FiveSecondRecording();
    const auto streams = ProbeStreams(rec.path);
    ASSERT_EQ(streams.size(), 4u);
    EXPECT_EQ(streams[0].at("codec_name"), "h264");
    EXPECT_EQ(streams[0].at("width") + "x" + streams[0].at("height"), "640x352");
    EXPECT_EQ(streams[1].at("codec_name"), "h264");
    EXPECT_EQ(streams[1].at("width") + "x" + streams[1].at("height"), "320x180");
    EXPECT_EQ(streams[2].at("codec_name"), "pcm_s16le");
    EXPECT_EQ(streams[2].at("sample_rate"), "4410");

    EXPECT_EQ(DecodeErrors({"-i", rec.path, "-map", "0:0"}), "");
    EXPECT_EQ(DecodeErrors({"-i", rec.path, "-map", "0:1"}), "");
}

TEST(SampleCardVideo, EachChannelStartsWithTwentyOneBytesOfParameterSetsAndNothingElseRepeatsThem)
{
    const SharedRecording& rec = FiveSecondRecording();
    for (const char* id : {"00dc", "01dc"}) {
        SCOPED_TRACE(id);
        const std::vector<std::string> frames = FramesOf(rec.bytes, id);
        ASSERT_FALSE(frames.empty());
        const std::string& first = frames.front();
        const std::string startCode("\0\0\0\1", 4);
        ASSERT_GT(first.size(), 26u);
        EXPECT_EQ(first.substr(0, 4), startCode);
        EXPECT_EQ(first[4], 0x67) << "SPS first";
        const size_t pps = first.find(startCode, 4);
        ASSERT_NE(pps, std::string::npos);
        EXPECT_EQ(first[pps + 4], 0x68) << "then PPS";
        EXPECT_EQ(first.substr(21, 5), startCode + "\x65") << "the IDR slice begins at byte 21";

        int keyFrames = 0;
        for (size_t f = 0; f < frames.size(); ++f) {
            keyFrames += IsKeyFrame(frames[f]);
            ASSERT_EQ(frames[f].substr(0, 4), startCode) << "frame " << f;
            for (const NalUnit& nal : NalUnits(frames[f])) {
                EXPECT_EQ(nal.startCodeLength, 4u) << "frame " << f;
                const bool allowed = nal.type == 1 || nal.type == 5 || (f == 0 && (nal.type == 7 || nal.type == 8));
                EXPECT_TRUE(allowed) << "NAL type " << nal.type << " in frame " << f;
            }
        }
        // A fixed GOP of one second: a key frame every 30 front or 10 rear frames.
        EXPECT_EQ(keyFrames, rec.truth.Stream(id)->keyFrames);
        EXPECT_EQ(keyFrames, 6);
    }
}

TEST(SampleCardVideo, MidFileKeyFrameDecodesWhenPrefixedWithTheChannelsParameterSets)
{
    const SharedRecording& rec = FiveSecondRecording();
    for (const char* id : {"00dc", "01dc"}) {
        SCOPED_TRACE(id);
        const std::vector<std::string> frames = FramesOf(rec.bytes, id);
        std::string keyFrame;
        for (size_t f = 1; f < frames.size(); ++f)
            if (IsKeyFrame(frames[f]))
                keyFrame = frames[f];
        ASSERT_FALSE(keyFrame.empty());
        ASSERT_EQ(keyFrame.substr(0, 5), std::string("\0\0\0\1\x65", 5)) << "no parameter sets mid-file";

        const std::string prefixed = (rec.dir.path() / (std::string(id) + "_prefixed.h264")).string();
        const std::string bare = (rec.dir.path() / (std::string(id) + "_bare.h264")).string();
        WriteFileBytes(prefixed, frames.front().substr(0, 21) + keyFrame);
        WriteFileBytes(bare, keyFrame);
        EXPECT_EQ(DecodeErrors({"-f", "h264", "-i", prefixed}), "");
        EXPECT_EQ(DecodedFrames(prefixed), 1);
        EXPECT_EQ(DecodedFrames(bare), 0) << "the key frame must depend on the first frame's parameter sets";
    }
}

}  // namespace
