// Clips of recordings made by the sample-card generator (real H.264 in the camera's layout) must decode
// in both channels with ffmpeg and play to their end in libVLC.

#include "recording/ClipWriter.h"

#include "repair/CameraFileFixture.h"
#include "repair/VlcPlayback.h"
#include "support/SampleCard.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sstream>

namespace fs = std::filesystem;

namespace {

// ffmpeg's error lines for decoding one stream (addressed by absolute index). Probing takes the text
// stream for MP3 when G-sensor bytes look like a frame sync and says so: those lines are not about the
// stream decoded.
std::vector<std::string> DecodeErrors(const std::string& file, int stream)
{
    ProgramRun run = RunProgram({"ffmpeg", "-nostdin", "-v", "error", "-i", file, "-map", "0:" + std::to_string(stream),
                                 "-f", "null", "-"});
    std::vector<std::string> errors;
    if (!run.started || run.exitCode != 0)
        errors.push_back("ffmpeg failed: " + run.err);
    std::istringstream lines(run.err);
    for (std::string line; std::getline(lines, line);)
        if (!line.starts_with("[mp3") && line.find("Last message repeated") == std::string::npos)
            errors.push_back(line);
    return errors;
}

int DecodedFrames(const std::string& file, int stream)
{
    ProgramRun run = RunProgram({"ffprobe", "-v", "quiet", "-select_streams", std::to_string(stream), "-count_frames",
                                 "-show_entries", "stream=nb_read_frames", "-of", "csv=p=0", file});
    return run.exitCode == 0 ? std::atoi(run.out.c_str()) : -1;
}

// Chunks of the stream that hold data (empty chunks only keep a channel's timing).
int CountChunks(const std::string& file, const std::string& id)
{
    const std::string index = IndexEntries(ReadFileBytes(file));
    int count = 0;
    for (size_t e = 0; e + 16 <= index.size(); e += 16)
        count += index.compare(e, 4, id) == 0 && ReadLE32(index, int64_t(e) + 12) > 0;
    return count;
}

bool FirstPacketIsKeyFrame(const std::string& file, int stream)
{
    ProgramRun run = RunProgram({"ffprobe", "-v", "quiet", "-select_streams", std::to_string(stream), "-show_entries",
                                 "packet=flags", "-read_intervals", "%+#1", "-of", "csv=p=0", file});
    return run.exitCode == 0 && run.out.starts_with("K");
}

struct ClipCase {
    const char* name;
    std::string source;
    int start, end;
    int channels;
    double fps;  // the front channel's rate as the source's header gives it
};

}  // namespace

TEST(GeneratedClip, ClipsDecodeInBothChannelsAndPlayToTheEnd)
{
    TempDir dir;
    const std::string twoChannels = MakeRecording(dir.path(), {"--seconds", "6", "--seed", "21"}, "REC_20240105_080000_F.avi");
    const std::string oneChannel =
        MakeRecording(dir.path(), {"--seconds", "5", "--channels", "1", "--seed", "22"}, "REC_20240105_090000_F.avi");
    // The generator puts a key frame at every whole second, so a whole-second start always meets one. A
    // copy whose header says 24 frames a second (dwScale 919 for dwRate 22056) puts second 2 at frame 48,
    // inside the group of pictures that starts at frame 30.
    std::string slower = ReadFileBytes(twoChannels);
    PutLE32(slower, 128, 919);
    const std::string insideGop = (dir.path() / "REC_20240105_080000_24.avi").string();
    WriteFileBytes(insideGop, slower);

    // Another writer: rear key frames every 1.5 s (15 frames at 10 a second), out of step with the front's
    // every second, and a rear picture whose codec setup takes 22 bytes.
    const std::string otherGops = MakeRecording(dir.path(), {"--seconds", "6", "--seed", "23", "--rear-keyint", "15",
                                                             "--rear-size", "640x360"},
                                                "REC_20240105_100000_F.avi");

    const ClipCase cases[] = {
        {"start 0, two channels", twoChannels, 0, 3, 2, 22056.0 / 735},
        {"rear GOP out of step: start on a rear key frame", otherGops, 3, 5, 2, 22056.0 / 735},
        {"rear GOP out of step: start between two rear key frames", otherGops, 2, 4, 2, 22056.0 / 735},
        {"rear GOP out of step: start 0, end at the duration", otherGops, 0, 6, 2, 22056.0 / 735},
        {"start inside a GOP, end at the duration (7 s at 24 fps)", insideGop, 2, 7, 2, 24.0},
        {"one channel, end at the duration", oneChannel, 1, 5, 1, 22056.0 / 735},
    };
    std::vector<std::string> clips;
    for (const ClipCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string clip = (dir.path() / ("clip" + std::to_string(clips.size()) + ".avi")).string();
        const Result written = WriteClip(c.source, c.start, c.end, clip);
        ASSERT_TRUE(written.Ok()) << written.Describe();
        clips.push_back(clip);
        for (int stream = 0; stream < c.channels; ++stream) {
            EXPECT_EQ(DecodeErrors(clip, stream), std::vector<std::string>{}) << "stream " << stream;
            EXPECT_EQ(DecodedFrames(clip, stream), CountChunks(clip, stream == 0 ? "00dc" : "01dc"))
                << "every frame of stream " << stream << " decodes";
            EXPECT_TRUE(FirstPacketIsKeyFrame(clip, stream)) << "stream " << stream;
        }
    }
    EXPECT_GT(CountChunks(clips[4], "00dc"), 7 * 24 - 48 - 1);  // starts at frame 30, ends at the last

    // libVLC plays in real time: the clips play side by side.
    const std::vector<VlcPlayback> played = PlayWithVlc(clips);
    for (size_t i = 0; i < clips.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        const VlcPlayback& playback = played[i];
        ASSERT_TRUE(playback.available) << playback.problem;
        EXPECT_TRUE(playback.ended) << playback.problem;
        EXPECT_FALSE(playback.failed);
        const int frames = CountChunks(clips[i], "00dc");
        EXPECT_GE(playback.decodedVideo, frames);
        // The last position seen lies within a second of the clip's end (VLC reports about 4 times a second).
        EXPECT_GE(playback.lastTimeMs, static_cast<long long>(1000.0 * frames / cases[i].fps) - 1000);
    }
}
