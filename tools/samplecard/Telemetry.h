#pragma once

#include "CameraNames.h"

#include <array>
#include <cstdint>
#include <string>

// What the camera's sensors see: a vehicle driving around Seoul (GPS once a second, acceleration
// several times a second) and the cabin sound. Everything follows from a seed.
namespace samplecard {

// SplitMix64: tiny, fast, and the same numbers on every platform and compiler.
class Random {
public:
    explicit Random(uint64_t seed) : m_state(seed) {}
    uint64_t Next();
    double Uniform(double low, double high);  // [low, high)
    int Integer(int low, int high);           // [low, high]

private:
    uint64_t m_state;
};

// Accelerations in g: x forward, y to the left, z up (gravity included).
struct Acceleration {
    double x = 0.0, y = 0.0, z = 1.0;
};

class Vehicle {
public:
    explicit Vehicle(uint64_t seed);

    // Advances the drive by `seconds` and returns what the G-sensor feels meanwhile.
    Acceleration Step(double seconds);
    // A parked vehicle stands where it is until driven again.
    void SetParked(bool parked);

    double latitude() const { return m_latitude; }
    double longitude() const { return m_longitude; }
    double speedKmh() const { return m_speedKmh; }
    double courseDegrees() const;
    Random& random() { return m_random; }

private:
    void ChooseNextSpeed();
    void ChooseNextTurn();

    Random m_random;
    double m_latitude, m_longitude;
    double m_heading = 0.0;      // degrees clockwise from north
    double m_speedKmh = 0.0;
    double m_targetKmh = 50.0;   // a fresh drive pulls away at once
    double m_holdSeconds = 20.0;
    double m_yawRate = 0.0;      // degrees per second
    double m_targetYawRate = 0.0;
    double m_turnSeconds = 5.0;
    bool m_parked = false;
};

// The XOR of the characters between '$' and '*'.
uint8_t NmeaChecksum(const std::string& body);

struct RmcFix {
    ClockTime utc;
    bool valid = true;         // status A; V without a fix
    bool hasPosition = true;   // false: the position, speed and course fields are left empty
    double latitude = 0.0, longitude = 0.0, speedKnots = 0.0, courseDegrees = 0.0;
};

// "$GPRMC,063012.000,A,3730.1200,N,12700.6000,E,5.40,87.20,200812,,,A*2C"
std::string RmcSentence(const RmcFix& fix);

// What a reader gets back from the rounded fields of a sentence, so ground truth never disagrees
// with the text by a rounding step.
struct RmcFields {
    double latitude = 0.0, longitude = 0.0, speedKnots = 0.0;
};
RmcFields RoundLikeSentence(const RmcFix& fix);

// A G-sensor record's six signed values in 1/32 g: two readings of x, y, z.
std::array<int8_t, 6> GSensorBytes(const Acceleration& first, const Acceleration& second);

// One block of 16-bit mono PCM: engine hum that follows the speed, road noise, and a bang on impact.
class CabinSound {
public:
    static constexpr int kSampleRate = 8000;

    explicit CabinSound(uint64_t seed) : m_random(seed) {}
    std::string Block(int samples, double speedKmh, double impact);

private:
    Random m_random;
    double m_phase = 0.0;
};

}  // namespace samplecard
