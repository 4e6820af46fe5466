#pragma once

#include <cstdint>

// SplitMix64: a tiny generator whose sequence is fixed by its seed on every platform and library
// (the standard distributions are not), so a seed always gives the same recording.
class Random {
public:
    explicit Random(uint64_t seed) : m_state(seed) {}

    uint64_t Next()
    {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
    double Between(double low, double high) { return low + (high - low) * Unit(); }
    // Uniform in [0, count).
    int Below(int count) { return count <= 0 ? 0 : static_cast<int>(Next() % static_cast<uint64_t>(count)); }

private:
    uint64_t m_state;
};
