#include "recording/TrackExport.h"

#include "infra/DateTime.h"
#include "infra/FileIo.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <sstream>
#include <string_view>
#include <vector>

namespace {


// The camera's clock runs at UTC+9 and wraps at midnight without moving the date.
constexpr int kClockOffsetSeconds = 9 * 3600;
constexpr double kKmhToMetresPerSecond = 1.0 / 3.6;

int ClockSeconds(int hhmmss)
{
    return hhmmss / 10000 * 3600 + hhmmss / 100 % 100 * 60 + hhmmss % 100;
}

// Turns the fixes' clock times into UTC timestamps, starting from the recording's start date and
// moving to the next day when the clock wraps past midnight.
class TrackClock {
public:
    explicit TrackClock(const DateTime& start)
    {
        if (!start.IsValid())
            return;
        const DateTime::Fields fields = start.ToFields();
        m_midnight = DateTime::FromCalendar(fields.year, fields.month, fields.day, 0, 0, 0).value;
        m_previous = fields.hour * 3600 + fields.minute * 60 + fields.second;
        m_valid = true;
    }

    std::optional<std::string> Utc(int hhmmss)
    {
        if (!m_valid)
            return std::nullopt;
        const int seconds = ClockSeconds(hhmmss);
        if (seconds < m_previous - 12 * 3600)  // far backwards: the clock went past midnight
            m_midnight += 1.0;
        m_previous = seconds;
        const DateTime utc{m_midnight + (seconds - kClockOffsetSeconds) / 86400.0, DateTime::Valid};
        const DateTime::Fields f = utc.ToFields();
        char text[32];
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", f.year, f.month, f.day, f.hour, f.minute,
                      f.second);
        return std::string(text);
    }

private:
    bool m_valid = false;
    double m_midnight = 0.0;
    int m_previous = 0;
};

void AppendUtf8(std::string& out, uint32_t codePoint)
{
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | codePoint >> 6);
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | codePoint >> 12);
        out += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | codePoint >> 18);
        out += static_cast<char>(0x80 | (codePoint >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// The code point of the UTF-8 sequence at text[at], or none when the bytes there are not valid UTF-8
// (a stray or missing continuation byte, an overlong form, a surrogate, beyond U+10FFFF).
std::optional<uint32_t> DecodeUtf8(std::string_view text, std::size_t at, std::size_t& length)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    uint32_t codePoint = 0;
    uint32_t smallest = 0;
    if (lead < 0x80) {
        length = 1;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, codePoint = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, codePoint = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, codePoint = lead & 0x07, smallest = 0x10000;
    } else {
        return std::nullopt;
    }
    if (at + length > text.size())
        return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80)
            return std::nullopt;
        codePoint = codePoint << 6 | (next & 0x3F);
    }
    if (codePoint < smallest || (codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF)
        return std::nullopt;
    return codePoint;
}

// Element text for XML 1.0: file names are bytes, not necessarily UTF-8, and may hold '&', '<' or control
// characters. Each byte that is not part of valid UTF-8, and each character XML does not allow, becomes
// U+FFFD; markup characters are escaped.
std::string XmlText(std::string_view text)
{
    constexpr uint32_t kReplacement = 0xFFFD;
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = 1;
        const std::optional<uint32_t> decoded = DecodeUtf8(text, at, length);
        at += decoded ? length : 1;  // an invalid byte is replaced on its own; what follows is read afresh
        uint32_t codePoint = decoded.value_or(kReplacement);
        const bool allowed = codePoint == 0x9 || codePoint == 0xA || codePoint == 0xD ||
                             (codePoint >= 0x20 && codePoint != 0xFFFE && codePoint != 0xFFFF);
        if (!allowed)
            codePoint = kReplacement;
        if (codePoint == '&')
            out += "&amp;";
        else if (codePoint == '<')
            out += "&lt;";
        else if (codePoint == '>')
            out += "&gt;";
        else
            AppendUtf8(out, codePoint);
    }
    return out;
}

}  // namespace

std::string TrackAsGpx(const RecordingItem& item, const std::string& creator)
{
    std::ostringstream out;
    // GPX 1.1 has no speed element; the widely read track point extension carries it, in its own
    // namespace, in metres per second.
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<gpx version=\"1.1\" creator=\"" << XmlText(creator)
        << "\" xmlns=\"http://www.topografix.com/GPX/1/1\"\n"
           "     xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v2\">\n"
           "  <trk>\n    <name>"
        << XmlText(item.fileName) << "</name>\n    <trkseg>\n";
    TrackClock clock(item.startTime);
    char number[64];
    for (const GpsSample& sample : item.gpsSamples) {
        if (!sample.valid)
            continue;  // without a fix the position is not a place the vehicle was
        std::snprintf(number, sizeof number, "lat=\"%.7f\" lon=\"%.7f\"", sample.latitude, sample.longitude);
        out << "      <trkpt " << number << ">";
        if (const std::optional<std::string> time = clock.Utc(sample.time))
            out << "<time>" << *time << "</time>";
        std::snprintf(number, sizeof number, "%.3f", sample.speed * kKmhToMetresPerSecond);
        out << "<extensions><gpxtpx:TrackPointExtension><gpxtpx:speed>" << number
            << "</gpxtpx:speed></gpxtpx:TrackPointExtension></extensions></trkpt>\n";
    }
    out << "    </trkseg>\n  </trk>\n</gpx>\n";
    return out.str();
}

std::string TrackAsCsv(const RecordingItem& item)
{
    std::ostringstream out;
    out << "kind,seconds,clock,latitude,longitude,speed_kmh,valid,x,y,z\n";
    char line[256];
    for (std::size_t i = 0; i < item.gpsSamples.size(); ++i) {
        const GpsSample& s = item.gpsSamples[i];
        if (!s.valid)
            continue;  // a second without a fix has no position
        // One GPS record a second: sample i is shown from second i of playback.
        // The valid column is always 1 now; it stays so that the columns of earlier exports still line up.
        std::snprintf(line, sizeof line, "gps,%zu,%06d,%.7f,%.7f,%.3f,1,,,\n", i, s.time, s.latitude, s.longitude,
                      s.speed);
        out << line;
    }
    for (std::size_t i = 0; i < item.gSensorSamples.size() && i < item.gSensorTimes.size(); ++i) {
        const GSensorSample& s = item.gSensorSamples[i];
        std::snprintf(line, sizeof line, "gsensor,%.4f,,,,,,%.5f,%.5f,%.5f\n", item.gSensorTimes[i], s.x, s.y, s.z);
        out << line;
    }
    return out.str();
}

std::string TrackAsKml(const RecordingItem& item)
{
    std::vector<std::string> coordinates;
    std::optional<std::string> begin;
    std::optional<std::string> end;
    TrackClock clock(item.startTime);
    char number[64];
    for (const GpsSample& sample : item.gpsSamples) {
        if (!sample.valid)
            continue;
        // KML writes longitude first.
        std::snprintf(number, sizeof number, "%.7f,%.7f,0", sample.longitude, sample.latitude);
        coordinates.push_back(number);
        if (const std::optional<std::string> time = clock.Utc(sample.time)) {
            if (!begin)
                begin = time;
            end = time;
        }
    }
    const std::string name = XmlText(item.fileName);
    std::ostringstream out;
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n  <Document>\n    <name>"
        << name << "</name>\n";
    // A line needs two points; a single fix is a place, no fix at all leaves the document empty.
    if (!coordinates.empty()) {
        out << "    <Placemark>\n      <name>" << name << "</name>\n";
        if (begin)
            out << "      <TimeSpan><begin>" << *begin << "</begin><end>" << *end << "</end></TimeSpan>\n";
        if (coordinates.size() == 1) {
            out << "      <Point><coordinates>" << coordinates.front() << "</coordinates></Point>\n";
        } else {
            out << "      <LineString>\n        <tessellate>1</tessellate>\n        <coordinates>\n";
            for (const std::string& point : coordinates)
                out << "          " << point << "\n";
            out << "        </coordinates>\n      </LineString>\n";
        }
        out << "    </Placemark>\n";
    }
    out << "  </Document>\n</kml>\n";
    return out.str();
}

TrackFormat TrackFormatForPath(const std::string& path)
{
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return TrackFormat::Gpx;
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == "csv" ? TrackFormat::Csv : extension == "kml" ? TrackFormat::Kml : TrackFormat::Gpx;
}

Result WriteTrack(const RecordingItem& item, TrackFormat format, const std::string& path, const std::string& creator)
{
    switch (format) {
    case TrackFormat::Csv:
        return ReplaceFileContents(path, TrackAsCsv(item));
    case TrackFormat::Kml:
        return ReplaceFileContents(path, TrackAsKml(item));
    case TrackFormat::Gpx:
        break;
    }
    return ReplaceFileContents(path, TrackAsGpx(item, creator));
}
