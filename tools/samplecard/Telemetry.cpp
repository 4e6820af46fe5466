#include "Telemetry.h"

#include "Random.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr double kKnotsPerKmh = 1.0 / 1.852;
constexpr double kMetresPerDegree = 111320.0;
constexpr double kPi = 3.14159265358979323846;

struct VehicleState {
    double latitude = 0.0, longitude = 0.0;
    double speedKmh = 0.0;
    double headingDegrees = 0.0;
    double turnDegreesPerSecond = 0.0;
    double accelerationKmhPerSecond = 0.0;
};

// Per-second states of a drive: pulls away from standstill, changes target speed now and then
// (up to about 110 km/h), bends gently.
std::vector<VehicleState> Drive(int seconds, Random& random)
{
    static const double kTargets[] = {0.0, 30.0, 50.0, 70.0, 90.0, 110.0};
    VehicleState state;
    state.latitude = 37.5 + random.Between(-0.02, 0.02);
    state.longitude = 127.0 + random.Between(-0.02, 0.02);
    state.headingDegrees = random.Between(0.0, 360.0);
    double target = 50.0 + random.Between(0.0, 60.0);
    int holdSeconds = 8 + random.Below(12);

    std::vector<VehicleState> states;
    for (int s = 0; s < seconds; ++s) {
        if (--holdSeconds <= 0) {
            target = kTargets[random.Below(6)];
            holdSeconds = 8 + random.Below(12);
        }
        // Position and speed at second s, and how they change during that second.
        state.accelerationKmhPerSecond = std::clamp(target - state.speedKmh, -12.0, 8.0);
        state.turnDegreesPerSecond =
            std::clamp(state.turnDegreesPerSecond + random.Between(-1.5, 1.5), -6.0, 6.0);
        states.push_back(state);

        const double metres = (state.speedKmh + state.accelerationKmhPerSecond / 2) / 3.6;
        const double heading = state.headingDegrees * kPi / 180.0;
        state.latitude += metres * std::cos(heading) / kMetresPerDegree;
        state.longitude += metres * std::sin(heading) / (kMetresPerDegree * std::cos(state.latitude * kPi / 180));
        state.speedKmh = std::max(0.0, state.speedKmh + state.accelerationKmhPerSecond);
        state.headingDegrees = std::fmod(state.headingDegrees + state.turnDegreesPerSecond + 360.0, 360.0);
    }
    return states;
}

// ddmm.mmmm (or dddmm.mmmm) rounded to the written precision; `written` receives the degrees that
// text stands for.
std::string NmeaAngle(double degrees, int degreeDigits, double& written)
{
    const long long tenThousandthsOfMinute = std::llround(degrees * 60.0 * 10000.0);
    const long long whole = tenThousandthsOfMinute / 600000;
    const long long minutes = tenThousandthsOfMinute % 600000;
    written = static_cast<double>(whole) + static_cast<double>(minutes) / 10000.0 / 60.0;
    char text[32];
    std::snprintf(text, sizeof text, "%0*lld%02lld.%04lld", degreeDigits, whole, minutes / 10000,
                  minutes % 10000);
    return text;
}

GpsTruth MakeGpsRecord(const VehicleState& state, const CameraTime& local, bool fix)
{
    const CameraTime utc = local.Plus(-kCameraUtcOffsetSeconds);
    char timeField[16], dateField[16];
    std::snprintf(timeField, sizeof timeField, "%02d%02d%02d.000", utc.hour, utc.minute, utc.second);
    std::snprintf(dateField, sizeof dateField, "%02d%02d%02d", utc.day, utc.month, utc.year % 100);

    GpsTruth truth;
    truth.clockTime = local.ClockNumber();
    truth.valid = fix;
    std::string sentence = std::string("$GPRMC,") + timeField;
    if (fix) {
        char speedField[16], courseField[16];
        std::snprintf(speedField, sizeof speedField, "%.2f", state.speedKmh * kKnotsPerKmh);
        std::snprintf(courseField, sizeof courseField, "%.2f", state.headingDegrees);
        sentence += ",A," + NmeaAngle(state.latitude, 2, truth.latitude) + ",N," +
                    NmeaAngle(state.longitude, 3, truth.longitude) + ",E," + speedField + "," + courseField +
                    "," + dateField + ",,,A";
        truth.speedKmh = std::strtod(speedField, nullptr) * 1.852;
    } else {
        sentence += ",V,,,,,,," + std::string(dateField) + ",,,N";
    }
    truth.sentence = WithNmeaChecksum(sentence + "*");
    return truth;
}

int8_t ToSensorUnits(double g)
{
    return static_cast<int8_t>(std::clamp<long>(std::lround(g * 32.0), -128, 127));
}

// Forward (x), sideways (y) and vertical (z) acceleration in g with a little road noise.
GSensorTruth MakeGSensorRecord(const VehicleState& state, Random& random)
{
    const double forward = state.accelerationKmhPerSecond / 3.6 / 9.81;
    const double sideways =
        (state.speedKmh / 3.6) * (state.turnDegreesPerSecond * kPi / 180.0) / 9.81;
    GSensorTruth record;
    for (int half = 0; half < 2; ++half) {
        record.values[half * 3 + 0] = ToSensorUnits(forward + random.Between(-0.05, 0.05));
        record.values[half * 3 + 1] = ToSensorUnits(sideways + random.Between(-0.05, 0.05));
        record.values[half * 3 + 2] = ToSensorUnits(1.0 + random.Between(-0.06, 0.06));
    }
    return record;
}

// A collision from the front: a hard jolt backwards, a rebound and a bump upwards, dying out.
void AddImpact(std::vector<GSensorTruth>& records, int peak)
{
    static const int8_t kJolt[][3] = {{-40, 12, 44}, {-120, 48, 90}, {70, -30, 10}, {-25, 10, 40}, {8, -4, 34}};
    for (int i = 0; i < 5; ++i) {
        const size_t at = static_cast<size_t>(peak - 1 + i);
        if (at >= records.size())
            break;
        for (int axis = 0; axis < 3; ++axis)
            records[at].values[axis] = records[at].values[axis + 3] = kJolt[i][axis];
    }
}

}  // namespace

std::string WithNmeaChecksum(const std::string& sentence)
{
    unsigned char checksum = 0;
    const size_t star = sentence.find('*');
    for (size_t i = 1; i < star && i < sentence.size(); ++i)
        checksum ^= static_cast<unsigned char>(sentence[i]);
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02X", checksum);
    return sentence.substr(0, star) + "*" + digits;
}

Telemetry MakeTelemetry(const CameraTime& start, int seconds, uint64_t seed, bool impact, bool gps)
{
    Random random(seed * 0x100000001B3ull + 7);
    const std::vector<VehicleState> drive = Drive(seconds, random);

    // A short stretch without a fix (a tunnel, an underpass), never at the very start.
    const int noFixLength = std::min(3, seconds / 4);
    const int noFixStart = noFixLength > 0 ? 1 + random.Below(seconds - noFixLength - 1) : seconds;

    Telemetry telemetry;
    for (int s = 0; s < seconds; ++s) {
        const bool fix = s < noFixStart || s >= noFixStart + noFixLength;
        if (gps) {
            telemetry.gps.push_back(MakeGpsRecord(drive[static_cast<size_t>(s)], start.Plus(s), fix));
            telemetry.records.push_back({static_cast<double>(s), "G" + telemetry.gps.back().sentence});
        }
        for (int m = 0; m < kGSensorRecordsPerSecond; ++m)
            telemetry.gsensor.push_back(MakeGSensorRecord(drive[static_cast<size_t>(s)], random));
    }
    if (impact && !telemetry.gsensor.empty()) {
        // Event recordings keep time before and after the trigger: the jolt is near the middle.
        telemetry.impactSample = static_cast<int>(telemetry.gsensor.size() / 2);
        AddImpact(telemetry.gsensor, telemetry.impactSample);
    }
    for (size_t i = 0; i < telemetry.gsensor.size(); ++i) {
        const double time = static_cast<double>(i / kGSensorRecordsPerSecond) +
                            static_cast<double>(i % kGSensorRecordsPerSecond + 1) / kTextRecordsPerSecond;
        std::string payload = "M";
        for (int8_t value : telemetry.gsensor[i].values)
            payload.push_back(static_cast<char>(value));
        telemetry.records.push_back({time, payload});
    }
    std::stable_sort(telemetry.records.begin(), telemetry.records.end(),
                     [](const TextRecord& a, const TextRecord& b) { return a.time < b.time; });
    return telemetry;
}
