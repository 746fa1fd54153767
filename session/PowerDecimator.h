#pragma once
// Reduces the live readings to what a chart of a given width can show: beyond two points per
// pixel column, each column keeps only its lowest and highest reading, in time order. An hour
// at five readings a second then draws as fast as a minute, and no peak is lost.

#include "LiveSample.h"

#include <QList>
#include <QPointF>
#include <deque>
#include <functional>

namespace vemla {

class PowerDecimator {
public:
    // The shown value of a plausible reading in dBm (a unit conversion, a relative reading).
    using Transform = std::function<double(double dBm)>;

    // Points (x: msecs since the epoch, y: the shown value) of the plausible readings from
    // `from` to `to` for a chart `columns` pixels wide.
    static QList<QPointF> Reduce(const std::deque<LiveSample>& samples, int64_t from, int64_t to,
                                 int columns, const Transform& transform);
};

} // namespace vemla
