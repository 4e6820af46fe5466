#include "Telemetry.h"

#include "Bytes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace samplecard {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMetresPerDegree = 111320.0;
constexpr double kGravity = 9.81;
// The drive stays within this many degrees of 37.5 N 127.0 E.
constexpr double kHomeLatitude = 37.5, kHomeLongitude = 127.0, kRoamDegrees = 0.08;

// Fields of a sentence at the receiver's precision: 1/10000 minute, 1/100 knot.
int64_t TenThousandthMinutes(double degrees)
{
    return std::llround(degrees * 60.0 * 10000.0);
}

int8_t ToSensorValue(double g)
{
    return static_cast<int8_t>(std::clamp<long>(std::lround(g * 32.0), -128, 127));
}

}  // namespace

uint64_t Random::Next()
{
    uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double Random::Uniform(double low, double high)
{
    return low + (high - low) * static_cast<double>(Next() >> 11) * 0x1.0p-53;
}

int Random::Integer(int low, int high)
{
    return low + static_cast<int>(Next() % static_cast<uint64_t>(high - low + 1));
}

Vehicle::Vehicle(uint64_t seed) : m_random(seed)
{
    m_latitude = kHomeLatitude + m_random.Uniform(-0.03, 0.03);
    m_longitude = kHomeLongitude + m_random.Uniform(-0.03, 0.03);
    m_heading = m_random.Uniform(0.0, 360.0);
}

double Vehicle::courseDegrees() const
{
    const double course = std::fmod(m_heading, 360.0);
    return course < 0 ? course + 360.0 : course;
}

void Vehicle::SetParked(bool parked)
{
    m_parked = parked;
    if (parked) {
        m_speedKmh = 0.0;
        m_yawRate = 0.0;
    }
}

void Vehicle::ChooseNextSpeed()
{
    static const double kSpeeds[] = {0, 30, 50, 50, 70, 90, 110};
    const bool wasStopped = m_targetKmh == 0.0;
    m_targetKmh = kSpeeds[m_random.Integer(wasStopped ? 1 : 0, 6)];
    m_holdSeconds = m_targetKmh == 0.0 ? m_random.Uniform(4.0, 10.0) : m_random.Uniform(12.0, 40.0);
}

void Vehicle::ChooseNextTurn()
{
    // Mostly gentle curves; now and then a right-angle turn at a junction (about 15 degrees a second
    // for six seconds) when slow enough for one.
    const bool junction = m_speedKmh < 45.0 && m_random.Uniform(0.0, 1.0) < 0.3;
    if (junction) {
        m_targetYawRate = m_random.Uniform(0.0, 1.0) < 0.5 ? -15.0 : 15.0;
        m_turnSeconds = 6.0;
    } else {
        m_targetYawRate = m_random.Uniform(-3.0, 3.0);
        m_turnSeconds = m_random.Uniform(3.0, 10.0);
    }
    // Steer back towards home when the drive wanders too far.
    const double north = kHomeLatitude - m_latitude, east = kHomeLongitude - m_longitude;
    if (std::hypot(north, east) > kRoamDegrees) {
        const double bearing = std::atan2(east, north) * 180.0 / kPi;
        const double off = std::remainder(bearing - m_heading, 360.0);
        m_targetYawRate = std::clamp(off / 4.0, -12.0, 12.0);
        m_turnSeconds = 4.0;
    }
}

Acceleration Vehicle::Step(double seconds)
{
    if (m_parked)
        return {};

    m_holdSeconds -= seconds;
    if (m_holdSeconds <= 0.0)
        ChooseNextSpeed();
    m_turnSeconds -= seconds;
    if (m_turnSeconds <= 0.0)
        ChooseNextTurn();

    // Pull away at up to 2.2 m/s², brake at up to 3.5 m/s² (in km/h per second).
    const double wanted = (m_targetKmh - m_speedKmh) * 0.5;
    const double accelKmhPerSecond = std::clamp(wanted, -12.6, 8.0);
    m_speedKmh = std::max(0.0, m_speedKmh + accelKmhPerSecond * seconds);

    m_yawRate += (m_targetYawRate - m_yawRate) * std::min(1.0, seconds * 2.0);
    if (m_speedKmh > 1.0)
        m_heading += m_yawRate * seconds;

    const double metres = m_speedKmh / 3.6 * seconds;
    const double heading = m_heading * kPi / 180.0;
    m_latitude += metres * std::cos(heading) / kMetresPerDegree;
    m_longitude += metres * std::sin(heading) / (kMetresPerDegree * std::cos(m_latitude * kPi / 180.0));

    Acceleration a;
    a.x = accelKmhPerSecond / 3.6 / kGravity;
    a.y = m_speedKmh > 1.0 ? (m_speedKmh / 3.6) * (m_yawRate * kPi / 180.0) / kGravity : 0.0;
    return a;
}

uint8_t NmeaChecksum(const std::string& body)
{
    uint8_t sum = 0;
    for (char c : body)
        sum ^= static_cast<uint8_t>(c);
    return sum;
}

RmcFields RoundLikeSentence(const RmcFix& fix)
{
    // Degrees plus minutes / 60, with the minutes as the decimal text gives them.
    auto degrees = [](int64_t tenThousandths) {
        return static_cast<double>(tenThousandths / 600000) +
               static_cast<double>(tenThousandths % 600000) / 10000.0 / 60.0;
    };
    RmcFields fields;
    fields.latitude = degrees(TenThousandthMinutes(fix.latitude));
    fields.longitude = degrees(TenThousandthMinutes(fix.longitude));
    fields.speedKnots = static_cast<double>(std::llround(fix.speedKnots * 100.0)) / 100.0;
    return fields;
}

std::string RmcSentence(const RmcFix& fix)
{
    char time[16], date[16];
    std::snprintf(time, sizeof time, "%02d%02d%02d.000", fix.utc.hour, fix.utc.minute, fix.utc.second);
    std::snprintf(date, sizeof date, "%02d%02d%02d", fix.utc.day, fix.utc.month, fix.utc.year % 100);

    std::string body = "GPRMC," + std::string(time) + (fix.valid ? ",A," : ",V,");
    if (fix.hasPosition) {
        const int64_t lat = TenThousandthMinutes(fix.latitude), lon = TenThousandthMinutes(fix.longitude);
        char fields[96];
        std::snprintf(fields, sizeof fields, "%02lld%02lld.%04lld,N,%03lld%02lld.%04lld,E,%.2f,%.2f,",
                      static_cast<long long>(lat / 600000), static_cast<long long>(lat / 10000 % 60),
                      static_cast<long long>(lat % 10000), static_cast<long long>(lon / 600000),
                      static_cast<long long>(lon / 10000 % 60), static_cast<long long>(lon % 10000),
                      RoundLikeSentence(fix).speedKnots, fix.courseDegrees);
        body += fields;
    } else {
        body += ",,,,,,";
    }
    body += std::string(date) + ",,," + (fix.valid ? "A" : "N");

    char checksum[8];
    std::snprintf(checksum, sizeof checksum, "*%02X", NmeaChecksum(body));
    return "$" + body + checksum;
}

std::array<int8_t, 6> GSensorBytes(const Acceleration& first, const Acceleration& second)
{
    return {ToSensorValue(first.x), ToSensorValue(first.y), ToSensorValue(first.z),
            ToSensorValue(second.x), ToSensorValue(second.y), ToSensorValue(second.z)};
}

std::string CabinSound::Block(int samples, double speedKmh, double impact)
{
    std::string block;
    block.reserve(static_cast<size_t>(samples) * 2);
    const double frequency = 45.0 + speedKmh * 1.2;
    const double hum = speedKmh > 0.5 ? 1200.0 + speedKmh * 15.0 : 0.0;
    const double noise = 80.0 + speedKmh * 8.0;
    for (int i = 0; i < samples; ++i) {
        m_phase = std::fmod(m_phase + 2.0 * kPi * frequency / kSampleRate, 2.0 * kPi);
        double value = hum * std::sin(m_phase) + m_random.Uniform(-noise, noise);
        if (impact > 0.0)
            value += impact * 14000.0 * (1.0 - static_cast<double>(i) / samples) * m_random.Uniform(-1.0, 1.0);
        const auto sample = static_cast<int16_t>(std::clamp(std::lround(value), -32768L, 32767L));
        AppendU16(block, static_cast<uint16_t>(sample));
    }
    return block;
}

}  // namespace samplecard
