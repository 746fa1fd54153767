#pragma once
// One reading of the live monitor, and the rules every view of it shares: which readings are
// believable and how a power converts between units.

#include <cmath>
#include <cstdint>

namespace vemla {

struct LiveSample {
    int64_t msecs = 0; // wall-clock time, milliseconds since the Unix epoch
    float dBm = 0.0f;
    bool valid = false;
};

// No handheld meter reads outside this range; a value there is a garbled or absent reading.
inline constexpr double kLowestPlausibleDbm = -100.0;
inline constexpr double kHighestPlausibleDbm = 40.0;

inline bool IsPlausiblePower(float dBm) {
    return std::isfinite(dBm) && dBm >= kLowestPlausibleDbm && dBm <= kHighestPlausibleDbm;
}

inline double MilliwattsOf(double dBm) {
    return std::pow(10.0, dBm / 10.0);
}

} // namespace vemla
