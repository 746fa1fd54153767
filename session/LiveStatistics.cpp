#include "LiveStatistics.h"

#include <algorithm>
#include <cmath>

namespace vemla {

void LiveStatistics::Add(const LiveSample& sample) {
    if (!m_current)
        m_firstMsecs = sample.msecs;
    m_current = sample;
    if (!sample.valid) {
        ++m_invalid;
        return;
    }
    const double value = sample.dBm;
    if (m_count == 0) {
        m_min = m_max = value;
    } else {
        m_min = std::min(m_min, value);
        m_max = std::max(m_max, value);
    }
    ++m_count;
    const double delta = value - m_mean;
    m_mean += delta / static_cast<double>(m_count);
    m_squares += delta * (value - m_mean);
}

double LiveStatistics::Deviation() const {
    return m_count < 2 ? 0.0 : std::sqrt(m_squares / static_cast<double>(m_count - 1));
}

} // namespace vemla
