#include "H264Stream.h"

#include <cstdint>

namespace {

constexpr int kNalSlice = 1;
constexpr int kNalIdr = 5;
constexpr int kNalSps = 7;
constexpr int kNalPps = 8;
const std::string kStartCode("\0\0\0\1", 4);

int NalType(std::string_view nal) { return nal.empty() ? 0 : static_cast<unsigned char>(nal[0]) & 0x1F; }

// Emulation prevention: the payload bytes 00 00 0x (x <= 3) are stored as 00 00 03 0x.
std::string ToRbsp(std::string_view nal)
{
    std::string rbsp;
    int zeros = 0;
    for (char c : nal) {
        auto byte = static_cast<unsigned char>(c);
        if (zeros >= 2 && byte == 3) {
            zeros = 0;
            continue;
        }
        zeros = byte == 0 ? zeros + 1 : 0;
        rbsp.push_back(c);
    }
    return rbsp;
}

std::string ToNal(std::string_view rbsp)
{
    std::string nal;
    int zeros = 0;
    for (char c : rbsp) {
        auto byte = static_cast<unsigned char>(c);
        if (zeros >= 2 && byte <= 3) {
            nal.push_back('\3');
            zeros = 0;
        }
        zeros = byte == 0 ? zeros + 1 : 0;
        nal.push_back(c);
    }
    return nal;
}

class BitReader {
public:
    explicit BitReader(std::string_view bytes) : m_bytes(bytes) {}
    bool Overrun() const { return m_overrun; }
    size_t Position() const { return m_position; }

    uint32_t Bit()
    {
        if (m_position >= m_bytes.size() * 8) {
            m_overrun = true;
            return 0;
        }
        auto byte = static_cast<unsigned char>(m_bytes[m_position / 8]);
        uint32_t bit = (byte >> (7 - m_position % 8)) & 1;
        ++m_position;
        return bit;
    }
    uint32_t Bits(int count)
    {
        uint32_t value = 0;
        for (int i = 0; i < count; ++i)
            value = (value << 1) | Bit();
        return value;
    }
    uint32_t UnsignedGolomb()
    {
        int leadingZeros = 0;
        while (Bit() == 0 && !m_overrun && leadingZeros < 32)
            ++leadingZeros;
        if (leadingZeros >= 32)
            m_overrun = true;
        return m_overrun ? 0 : (1u << leadingZeros) - 1 + Bits(leadingZeros);
    }

private:
    std::string_view m_bytes;
    size_t m_position = 0;
    bool m_overrun = false;
};

class BitWriter {
public:
    void Bit(uint32_t bit)
    {
        if (m_count % 8 == 0)
            m_bytes.push_back('\0');
        if (bit)
            m_bytes.back() = static_cast<char>(m_bytes.back() | (0x80 >> (m_count % 8)));
        ++m_count;
    }
    // rbsp_trailing_bits: a stop bit, then zeros up to the byte boundary.
    std::string Finish()
    {
        Bit(1);
        m_count = (m_count + 7) / 8 * 8;
        return m_bytes;
    }

private:
    std::string m_bytes;
    size_t m_count = 0;
};

bool IsHighProfile(uint32_t profile)
{
    switch (profile) {
    case 100: case 110: case 122: case 244: case 44: case 83: case 86: case 118: case 128: case 138:
    case 139: case 134: case 135:
        return true;
    default:
        return false;
    }
}

// first_mb_in_slice is the slice header's first field; 0 (a single '1' bit) opens a new picture.
bool StartsPicture(std::string_view nal)
{
    return nal.size() > 1 && (static_cast<unsigned char>(nal[1]) & 0x80) != 0;
}

}  // namespace

std::vector<std::string> SplitNalUnits(std::string_view annexB)
{
    std::vector<std::string> nals;
    size_t start = std::string_view::npos;
    size_t i = 0;
    auto finish = [&](size_t end) {
        if (start == std::string_view::npos)
            return;
        // Zero bytes before the next start code belong to it (4-byte form, trailing_zero_8bits).
        while (end > start && annexB[end - 1] == '\0')
            --end;
        if (end > start)
            nals.emplace_back(annexB.substr(start, end - start));
    };
    while (i + 3 <= annexB.size()) {
        if (annexB[i] == '\0' && annexB[i + 1] == '\0' && annexB[i + 2] == '\1') {
            finish(i);
            start = i + 3;
            i += 3;
        } else {
            ++i;
        }
    }
    finish(annexB.size());
    return nals;
}

std::optional<std::string> RewriteSpsWithoutVui(std::string_view spsNal)
{
    if (NalType(spsNal) != kNalSps)
        return std::nullopt;
    const std::string rbsp = ToRbsp(spsNal);
    BitReader in(rbsp);
    in.Bits(8);                         // NAL header
    const uint32_t profile = in.Bits(8);
    in.Bits(8);                         // constraint flags
    in.Bits(8);                         // level_idc
    in.UnsignedGolomb();                // seq_parameter_set_id
    if (IsHighProfile(profile)) {
        if (in.UnsignedGolomb() == 3)   // chroma_format_idc
            in.Bit();                   // separate_colour_plane_flag
        in.UnsignedGolomb();            // bit_depth_luma_minus8
        in.UnsignedGolomb();            // bit_depth_chroma_minus8
        in.Bit();                       // qpprime_y_zero_transform_bypass_flag
        if (in.Bit())                   // seq_scaling_matrix_present_flag
            return std::nullopt;
    }
    in.UnsignedGolomb();                // log2_max_frame_num_minus4
    const uint32_t pocType = in.UnsignedGolomb();
    if (pocType == 0) {
        in.UnsignedGolomb();            // log2_max_pic_order_cnt_lsb_minus4
    } else if (pocType == 1) {
        in.Bit();                       // delta_pic_order_always_zero_flag
        in.UnsignedGolomb();            // offset_for_non_ref_pic (se, same bit length)
        in.UnsignedGolomb();            // offset_for_top_to_bottom_field
        const uint32_t cycle = in.UnsignedGolomb();
        for (uint32_t i = 0; i < cycle && !in.Overrun(); ++i)
            in.UnsignedGolomb();
    }
    in.UnsignedGolomb();                // max_num_ref_frames
    in.Bit();                           // gaps_in_frame_num_value_allowed_flag
    in.UnsignedGolomb();                // pic_width_in_mbs_minus1
    in.UnsignedGolomb();                // pic_height_in_map_units_minus1
    if (!in.Bit())                      // frame_mbs_only_flag
        in.Bit();                       // mb_adaptive_frame_field_flag
    in.Bit();                           // direct_8x8_inference_flag
    if (in.Bit())                       // frame_cropping_flag
        for (int i = 0; i < 4; ++i)
            in.UnsignedGolomb();
    if (in.Overrun())
        return std::nullopt;

    // Everything up to here is kept bit for bit; then no VUI, and the RBSP ends.
    const size_t keptBits = in.Position();
    BitReader copy(rbsp);
    BitWriter out;
    for (size_t i = 0; i < keptBits; ++i)
        out.Bit(copy.Bit());
    out.Bit(0);                         // vui_parameters_present_flag
    return ToNal(out.Finish());
}

std::optional<CameraVideo> MakeCameraVideo(std::string_view annexB, std::string& reason)
{
    std::string sps, pps;
    CameraVideo video;
    for (const std::string& nal : SplitNalUnits(annexB)) {
        const int type = NalType(nal);
        if (type == kNalSps && sps.empty()) {
            auto rewritten = RewriteSpsWithoutVui(nal);
            if (!rewritten) {
                reason = "the encoder's SPS cannot be rewritten";
                return std::nullopt;
            }
            sps = *rewritten;
        } else if (type == kNalPps && pps.empty()) {
            pps = nal;
        } else if (type == kNalSlice || type == kNalIdr) {
            if (StartsPicture(nal) || video.frames.empty()) {
                video.frames.emplace_back();
                video.keyFrames.push_back(type == kNalIdr);
            }
            video.frames.back() += kStartCode + nal;
        }
        // SEI, access unit delimiters, repeated parameter sets and anything else are left out.
    }
    if (sps.empty() || pps.empty() || video.frames.empty() || !video.keyFrames.front()) {
        reason = "the encoder's output has no parameter sets or does not start with a key frame";
        return std::nullopt;
    }
    const std::string parameterSets = kStartCode + sps + kStartCode + pps;
    video.frames.front().insert(0, parameterSets);
    video.parameterSetBytes = parameterSets.size();
    return video;
}
