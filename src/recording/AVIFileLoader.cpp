#include "recording/AVIFileLoader.h"

#include "infra/DiagnosticLog.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <string_view>
#include <vector>

namespace {

constexpr int kIndexEntrySize = 16;
constexpr int kMinimumGpsFields = 8;
// An NMEA sentence has at most 82 characters; the camera's records are shorter still.
constexpr int64_t kMaxGpsRecordSize = 1024;
constexpr double kKnotsToKmh = 1.852;
constexpr double kGSensorUnit = 1.0 / 32.0;
// The camera's clock runs at UTC+9 and wraps at midnight without moving the date.
constexpr double kClockOffset = 90000.0;
constexpr double kClockWrap = 240000.0;

// A decimal number at the start of text ("12.5abc" gives 12.5); 0 when the text does not begin with
// one. Only plain decimal notation counts: no "inf", "nan" or hexadecimal.
double LeadingDecimal(std::string_view text)
{
    std::string_view digits = text;
    if (!digits.empty() && (digits[0] == '+' || digits[0] == '-'))
        digits.remove_prefix(1);
    const bool startsWithNumber = !digits.empty() && (std::isdigit(static_cast<unsigned char>(digits[0])) ||
                                                      (digits[0] == '.' && digits.size() > 1 &&
                                                       std::isdigit(static_cast<unsigned char>(digits[1]))));
    if (!startsWithNumber)
        return 0.0;
    double value = 0.0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::fixed);
    return text[0] == '-' ? -value : value;
}

// The sentence's comma-separated fields; without keepEmpty, empty fields are dropped before counting.
std::vector<std::string_view> Fields(std::string_view text, bool keepEmpty)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(',', start);
        if (end == std::string_view::npos)
            end = text.size();
        if (keepEmpty || end > start)
            fields.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

// ddmm.mmmm (degreeDigits = 2) or dddmm.mmmm (3) to decimal degrees.
double Degrees(std::string_view field, std::size_t degreeDigits)
{
    const std::size_t split = std::min(degreeDigits, field.size());
    return LeadingDecimal(field.substr(0, split)) + LeadingDecimal(field.substr(split)) / 60.0;
}

int ClockTime(std::string_view field)
{
    double clock = LeadingDecimal(field) + kClockOffset;
    if (clock >= kClockWrap)
        clock -= kClockWrap;
    // Out-of-range numbers only come from damaged records; keep the cast defined.
    if (!(std::fabs(clock) < 2e9))
        return 0;
    return static_cast<int>(clock);
}

}  // namespace

bool AVIFileLoader::GetMetadataFromAVIFile(RecordingItem& item)
{
    if (item.metadataLoaded)
        return true;
    std::error_code error;
    if (!std::filesystem::exists(item.path, error))
        return false;
    if (!m_parser.Open(item.path))
        return false;
    if (m_parser.TopLevel().empty())
        return true;  // an aborted recording: nothing to read
    item.duration = m_parser.GetDurationSeconds();
    item.duration64 = item.duration;
    WriteLog("Meta Data Parse Start!", "AVIFileLoader", "GetMetadataFromAVIFile", kLogType, kLogLevelNormal);
    ExtractSamples(item);
    WriteLog("Meta Data Parse end!", "AVIFileLoader", "GetMetadataFromAVIFile", kLogType, kLogLevelNormal);
    item.metadataLoaded = true;
    item.metadataReady = true;
    item.channelCount = m_parser.CountVideoStreams();
    item.totalFrames = m_parser.GetTotalFrames();
    return true;
}

void AVIFileLoader::ExtractSamples(RecordingItem& item)
{
    const std::vector<ChunkNode*> indexes = m_parser.FindChunks("idx1");
    if (indexes.empty())
        return;
    const ChunkNode& index = *indexes.front();
    item.gSensorSamples.clear();
    item.gpsSamples.clear();
    item.gSensorTimes.clear();

    // Index offsets count from the movie list's type field, 8 bytes into the list.
    const ChunkNode* movie = m_parser.FindListByType("movi");
    const int64_t base = int64_t{movie ? movie->offset : 0} + 16;
    std::vector<int64_t> textPositions;
    // A damaged size field may reach past the end of the file; entries there would read as zeros and
    // name no stream, so the walk stops at the file's end. Positions stay 64-bit: near the end of a
    // 2 GiB file an entry's offset field lies beyond 32 bits.
    const int64_t fileSize = m_parser.FileSize();
    const int64_t entriesEnd = std::min<int64_t>(int64_t{index.offset} + 8 + index.size, fileSize);
    for (int64_t entry = int64_t{index.offset} + 8; entry < entriesEnd; entry += kIndexEntrySize) {
        if (m_parser.ReadFourCC(static_cast<int32_t>(entry)).find("tx") == std::string::npos)
            continue;
        const int64_t offsetField = entry + 8;
        const int32_t offset = offsetField < fileSize ? m_parser.ReadUInt32(static_cast<int32_t>(offsetField)) : 0;
        textPositions.push_back(base + offset);
    }

    for (const int64_t position : textPositions) {
        if (position < 0 || position >= m_parser.FileSize())
            continue;
        const auto at = static_cast<int32_t>(position);
        char record[4] = {};
        m_parser.ReadBytes(at, 1, record);
        if (record[0] == 'M') {
            for (int i = 1; i < 4; ++i)
                m_parser.ReadBytes(at + i, 1, record + i);  // a byte past the end reads as 0
            GSensorSample sample;
            sample.x = static_cast<int8_t>(record[1]) * kGSensorUnit;
            sample.y = static_cast<int8_t>(record[2]) * kGSensorUnit;
            sample.z = static_cast<int8_t>(record[3]) * kGSensorUnit;
            item.gSensorSamples.push_back(sample);
        } else if (record[0] == 'G') {
            if (const std::optional<std::string> text = ReadGpsRecord(position))
                if (const std::optional<GpsSample> sample = ParseGpsRecord(*text))
                    item.gpsSamples.push_back(*sample);
        }
    }

    if (!item.gSensorSamples.empty()) {
        const double step = static_cast<double>(item.duration) / static_cast<double>(item.gSensorSamples.size());
        double time = 0.0;
        for (std::size_t i = 0; i < item.gSensorSamples.size(); ++i) {
            time += step;
            item.gSensorTimes.push_back(time);
        }
    }
}

std::optional<std::string> AVIFileLoader::ReadGpsRecord(int64_t position)
{
    // The record is read up to its '*', but never past the end of its chunk (the size field just
    // before the data) or of the file, nor past a length no sentence has: a damaged record must not
    // drag in the rest of the file. A record that ends before its '*' is returned as far as it goes.
    const int32_t chunkSize = m_parser.ReadUInt32(static_cast<int32_t>(std::max<int64_t>(position - 4, 0)));
    const int64_t chunkEnd = position + std::min<int64_t>(std::max(chunkSize, 0), kMaxGpsRecordSize);
    const int64_t end = std::min<int64_t>(chunkEnd, m_parser.FileSize());
    std::string text;
    char buffer[256];
    for (int64_t at = position; at < end;) {
        const int32_t count = static_cast<int32_t>(std::min<int64_t>(sizeof buffer, end - at));
        if (!m_parser.ReadBytes(static_cast<int32_t>(at), count, buffer))
            return std::nullopt;
        const std::string_view piece(buffer, static_cast<std::size_t>(count));
        const std::size_t star = piece.find('*');
        if (star != std::string_view::npos) {
            text.append(piece.substr(0, star + 1));
            return text;
        }
        text.append(piece);
        at += count;
    }
    return text;
}

std::optional<GpsSample> AVIFileLoader::ParseGpsRecord(const std::string& record)
{
    if (record.size() < 7 || record.compare(1, 6, "$GPRMC") != 0)
        return std::nullopt;
    // Every RMC record gives a sample, so that sample i stays the record of second i. A sentence that
    // was cut before its '*' or has no fix gives one that is not valid and has no position.
    GpsSample sample;
    if (record.find('*') == std::string::npos)
        return sample;
    // The first field is the kind letter joined to "$GPRMC". A sentence without a fix leaves its
    // position fields empty; its time is still the record's second, so it is read by position.
    const std::vector<std::string_view> fields = Fields(record, false);
    if (fields.size() < kMinimumGpsFields) {
        const std::vector<std::string_view> positional = Fields(record, true);
        if (positional.size() > 1 && !positional[1].empty())
            sample.time = ClockTime(positional[1]);
        return sample;
    }
    sample.valid = fields[2] == "A";
    sample.time = ClockTime(fields[1]);
    sample.speed = LeadingDecimal(fields[7]) * kKnotsToKmh;
    sample.longitude = Degrees(fields[5], 3);
    sample.latitude = Degrees(fields[3], 2);
    return sample;
}

std::optional<GpsSample> GetGpsSampleAt(const RecordingItem& item, double seconds)
{
    if (item.gpsSamples.empty())
        return std::nullopt;
    const double last = static_cast<double>(item.gpsSamples.size() - 1);
    const double index = std::isnan(seconds) ? 0.0 : std::clamp(std::trunc(seconds), 0.0, last);
    const GpsSample& sample = item.gpsSamples[static_cast<std::size_t>(index)];
    // A second without a fix has no position to show, not the position of another second.
    if (!sample.valid)
        return std::nullopt;
    return sample;
}

std::optional<GSensorSample> GetGSensorSampleAt(const RecordingItem& item, double seconds)
{
    const std::optional<std::size_t> index = GetGSensorSampleIndexAt(item, seconds);
    if (!index)
        return std::nullopt;
    return item.gSensorSamples[*index];
}

std::optional<std::size_t> GetGSensorSampleIndexAt(const RecordingItem& item, double seconds)
{
    const std::vector<double>& times = item.gSensorTimes;
    if (times.empty() || item.gSensorSamples.size() < times.size())
        return std::nullopt;
    std::size_t lo = 0;
    std::size_t hi = times.size() - 1;
    std::size_t found = 0;
    for (;;) {
        const std::size_t mid = (lo + hi) / 2;
        if (times[mid] == seconds) {
            found = mid;
            break;
        }
        if (times[mid] > seconds && mid != hi) {
            hi = mid;
        } else if (times[mid] < seconds && mid != lo) {
            lo = mid;
        } else {
            found = std::fabs(times[lo] - seconds) <= std::fabs(times[hi] - seconds) ? lo : hi;
            break;
        }
    }
    return found;
}
