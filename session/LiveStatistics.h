#pragma once
// Running statistics of the live readings since the last reset. Welford's update keeps the
// deviation exact over hours of samples without storing them.

#include "LiveSample.h"

#include <cstdint>
#include <optional>

namespace vemla {

class LiveStatistics {
public:
    void Add(const LiveSample& sample);
    void Reset() { *this = LiveStatistics(); }

    // The last reading, plausible or not.
    std::optional<LiveSample> Current() const { return m_current; }
    int64_t Count() const { return m_count; } // plausible readings only
    int64_t Invalid() const { return m_invalid; }
    double Minimum() const { return m_min; }
    double Maximum() const { return m_max; }
    double Mean() const { return m_mean; }
    // The sample standard deviation; 0 below two readings.
    double Deviation() const;
    // From the first to the last reading since the reset, plausible or not.
    int64_t SpanMsecs() const { return m_current ? m_current->msecs - m_firstMsecs : 0; }

private:
    std::optional<LiveSample> m_current;
    int64_t m_firstMsecs = 0;
    int64_t m_count = 0;
    int64_t m_invalid = 0;
    double m_min = 0.0;
    double m_max = 0.0;
    double m_mean = 0.0;
    double m_squares = 0.0; // sum of squared differences from the mean
};

} // namespace vemla
