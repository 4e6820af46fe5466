#include "H264.h"

#include "Files.h"

#include <cstdint>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>

extern char** environ;

namespace samplecard {
namespace {

enum NalType { kNonIdrSlice = 1, kIdrSlice = 5, kSei = 6, kSps = 7, kPps = 8 };

int TypeOf(const std::string& nal)
{
    return nal.empty() ? 0 : static_cast<uint8_t>(nal[0]) & 0x1F;
}

const std::string kStartCode("\0\0\0\1", 4);

// Emulation prevention bytes (00 00 03) are transport, not payload: the bit syntax is read without them.
std::string ToRbsp(const std::string& nal)
{
    std::string rbsp;
    int zeros = 0;
    for (size_t i = 1; i < nal.size(); ++i) {
        const auto byte = static_cast<uint8_t>(nal[i]);
        if (zeros >= 2 && byte == 3) {
            zeros = 0;
            continue;
        }
        rbsp.push_back(static_cast<char>(byte));
        zeros = byte == 0 ? zeros + 1 : 0;
    }
    return rbsp;
}

std::string ToNalPayload(const std::string& rbsp)
{
    std::string payload;
    int zeros = 0;
    for (char c : rbsp) {
        const auto byte = static_cast<uint8_t>(c);
        if (zeros >= 2 && byte <= 3) {
            payload.push_back(3);
            zeros = 0;
        }
        payload.push_back(c);
        zeros = byte == 0 ? zeros + 1 : 0;
    }
    return payload;
}

class BitReader {
public:
    explicit BitReader(const std::string& bytes) : m_bytes(bytes) {}

    uint32_t Bit()
    {
        if (m_position >= m_bytes.size() * 8)
            throw std::runtime_error("the sequence parameter set ends early");
        const auto byte = static_cast<uint8_t>(m_bytes[m_position / 8]);
        const uint32_t bit = (byte >> (7 - m_position % 8)) & 1;
        ++m_position;
        return bit;
    }
    uint32_t Bits(int count)
    {
        uint32_t value = 0;
        while (count-- > 0)
            value = (value << 1) | Bit();
        return value;
    }
    // Exp-Golomb code; signed values have the same length, so skipping them uses this too.
    uint32_t UnsignedExpGolomb()
    {
        int leadingZeros = 0;
        while (Bit() == 0)
            if (++leadingZeros > 31)
                throw std::runtime_error("malformed Exp-Golomb code in the sequence parameter set");
        return (1u << leadingZeros) - 1 + Bits(leadingZeros);
    }
    size_t position() const { return m_position; }

private:
    const std::string& m_bytes;
    size_t m_position = 0;
};

bool HasChromaFields(uint32_t profile)
{
    for (uint32_t p : {100u, 110u, 122u, 244u, 44u, 83u, 86u, 118u, 128u, 138u, 139u, 134u, 135u})
        if (profile == p)
            return true;
    return false;
}

// Bit position of vui_parameters_present_flag in the SPS's RBSP.
size_t VuiFlagPosition(const std::string& rbsp)
{
    BitReader r(rbsp);
    const uint32_t profile = r.Bits(8);
    r.Bits(16);  // constraint flags, level
    r.UnsignedExpGolomb();  // seq_parameter_set_id
    if (HasChromaFields(profile)) {
        if (r.UnsignedExpGolomb() == 3)
            r.Bit();  // separate_colour_plane_flag
        r.UnsignedExpGolomb();
        r.UnsignedExpGolomb();  // bit depths
        r.Bit();                // qpprime_y_zero_transform_bypass_flag
        if (r.Bit())
            throw std::runtime_error("sequence parameter sets with scaling matrices are not supported");
    }
    r.UnsignedExpGolomb();  // log2_max_frame_num_minus4
    const uint32_t pocType = r.UnsignedExpGolomb();
    if (pocType == 0) {
        r.UnsignedExpGolomb();
    } else if (pocType == 1) {
        r.Bit();
        r.UnsignedExpGolomb();
        r.UnsignedExpGolomb();
        for (uint32_t n = r.UnsignedExpGolomb(); n > 0; --n)
            r.UnsignedExpGolomb();
    }
    r.UnsignedExpGolomb();  // max_num_ref_frames
    r.Bit();                // gaps_in_frame_num_value_allowed_flag
    r.UnsignedExpGolomb();  // width in macroblocks - 1
    r.UnsignedExpGolomb();  // height in map units - 1
    if (r.Bit() == 0)       // frame_mbs_only_flag
        r.Bit();
    r.Bit();  // direct_8x8_inference_flag
    if (r.Bit()) {
        for (int i = 0; i < 4; ++i)
            r.UnsignedExpGolomb();  // cropping offsets
    }
    return r.position();
}

std::string WithStartCodes(const std::vector<std::string>& nals)
{
    std::string out;
    for (const std::string& nal : nals)
        out += kStartCode + nal;
    return out;
}

void RunProgram(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error(arguments[0] + " could not be started (is it installed?)");
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            throw std::runtime_error("lost track of " + arguments[0]);
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(arguments[0] + " failed while encoding the test video");
}

}  // namespace

std::vector<std::string> SplitAnnexB(const std::string& stream)
{
    std::vector<std::string> nals;
    size_t start = std::string::npos;
    size_t i = 0;
    while (i + 3 <= stream.size()) {
        if (stream[i] == 0 && stream[i + 1] == 0 && stream[i + 2] == 1) {
            if (start != std::string::npos) {
                size_t end = i;
                while (end > start && stream[end - 1] == 0)  // the zero of a 4-byte start code
                    --end;
                nals.push_back(stream.substr(start, end - start));
            }
            i += 3;
            start = i;
        } else {
            ++i;
        }
    }
    if (start != std::string::npos && start < stream.size())
        nals.push_back(stream.substr(start));
    return nals;
}

std::string RemoveVui(const std::string& sps)
{
    if (TypeOf(sps) != kSps)
        throw std::runtime_error("not a sequence parameter set");
    const std::string rbsp = ToRbsp(sps);
    const size_t vuiFlag = VuiFlagPosition(rbsp);

    // Keep every bit before the VUI flag, clear the flag, then the stop bit and zero alignment.
    std::string out;
    uint8_t current = 0;
    int used = 0;
    auto put = [&](uint32_t bit) {
        current = static_cast<uint8_t>((current << 1) | bit);
        if (++used == 8) {
            out.push_back(static_cast<char>(current));
            current = 0;
            used = 0;
        }
    };
    BitReader r(rbsp);
    for (size_t i = 0; i < vuiFlag; ++i)
        put(r.Bit());
    put(0);
    put(1);
    while (used != 0)
        put(0);
    return sps.substr(0, 1) + ToNalPayload(out);
}

std::vector<VideoFrame> FrameLikeCamera(const std::string& annexB)
{
    std::string sps, pps;
    std::vector<std::vector<std::string>> frames;
    for (const std::string& nal : SplitAnnexB(annexB)) {
        const int type = TypeOf(nal);
        if (type == kSps && sps.empty())
            sps = RemoveVui(nal);
        else if (type == kPps && pps.empty())
            pps = nal;
        if (type != kNonIdrSlice && type != kIdrSlice)
            continue;  // parameter sets go to the first frame only; SEI and the rest are dropped
        // first_mb_in_slice is 0 (a single 1 bit) exactly on the first slice of a picture.
        const bool firstSlice = nal.size() > 1 && (static_cast<uint8_t>(nal[1]) & 0x80) != 0;
        if (firstSlice || frames.empty())
            frames.emplace_back();
        frames.back().push_back(nal);
    }
    if (sps.empty() || pps.empty() || frames.empty())
        throw std::runtime_error("the encoder's output has no parameter sets or no pictures");

    const std::string setup = WithStartCodes({sps, pps});
    if (setup.size() != kCameraSetupBytes)
        throw std::runtime_error("the parameter sets take " + std::to_string(setup.size()) + " bytes, not " +
                                 std::to_string(kCameraSetupBytes) + "; choose another picture size");

    std::vector<VideoFrame> result;
    for (const auto& nals : frames) {
        VideoFrame frame;
        frame.keyFrame = TypeOf(nals.front()) == kIdrSlice;
        frame.data = (result.empty() ? setup : std::string()) + WithStartCodes(nals);
        result.push_back(std::move(frame));
    }
    if (!result.front().keyFrame)
        throw std::runtime_error("the encoder's first picture is not a key frame");
    return result;
}

std::vector<std::vector<VideoFrame>> EncodeChannels(const std::vector<VideoChannelSettings>& channels, int seconds)
{
    ScratchFolder scratch;
    std::vector<std::string> args = {"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y"};
    for (const VideoChannelSettings& c : channels) {
        args.insert(args.end(), {"-f", "lavfi", "-i",
                                 c.pattern + "=size=" + std::to_string(c.width) + "x" + std::to_string(c.height) +
                                     ":rate=" + std::to_string(c.framesPerSecond) +
                                     ":duration=" + std::to_string(seconds)});
    }
    for (size_t i = 0; i < channels.size(); ++i) {
        const VideoChannelSettings& c = channels[i];
        const std::string gop = std::to_string(c.framesPerSecond);  // one key frame a second
        const std::string rate = std::to_string(c.bitRateKbps);
        args.insert(args.end(),
                    {"-map", std::to_string(i) + ":v", "-c:v", "libx264", "-preset", "veryfast", "-profile:v",
                     "baseline", "-pix_fmt", "yuv420p", "-bf", "0", "-g", gop, "-keyint_min", gop, "-sc_threshold",
                     "0", "-threads", "1", "-b:v", rate + "k", "-maxrate", rate + "k", "-bufsize",
                     std::to_string(c.bitRateKbps * 2) + "k", "-f", "h264",
                     (scratch.path() / ("channel" + std::to_string(i) + ".h264")).string()});
    }
    RunProgram(args);

    std::vector<std::vector<VideoFrame>> result;
    for (size_t i = 0; i < channels.size(); ++i) {
        std::vector<VideoFrame> frames =
            FrameLikeCamera(ReadWholeFile(scratch.path() / ("channel" + std::to_string(i) + ".h264")));
        const size_t expected = static_cast<size_t>(channels[i].framesPerSecond) * seconds;
        if (frames.size() != expected)
            throw std::runtime_error("the encoder delivered " + std::to_string(frames.size()) + " frames for channel " +
                                     std::to_string(i + 1) + ", expected " + std::to_string(expected));
        result.push_back(std::move(frames));
    }
    return result;
}

}  // namespace samplecard
