#include "PowerDecimator.h"

#include <algorithm>

namespace vemla {

QList<QPointF> PowerDecimator::Reduce(const std::deque<LiveSample>& samples, int64_t from,
                                      int64_t to, int columns, const Transform& transform) {
    const auto byTime = [](const LiveSample& s, int64_t t) { return s.msecs < t; };
    const auto first = std::lower_bound(samples.begin(), samples.end(), from, byTime);
    const auto last = std::lower_bound(first, samples.end(), to + 1, byTime);
    const auto count = last - first;
    QList<QPointF> points;
    columns = std::max(columns, 1);
    if (count <= 2 * columns || to <= from) {
        points.reserve(count);
        for (auto it = first; it != last; ++it)
            if (it->valid)
                points.append(QPointF(static_cast<double>(it->msecs), transform(it->dBm)));
        return points;
    }
    points.reserve(2 * columns);
    const double perColumn = static_cast<double>(to - from) / columns;
    auto it = first;
    for (int c = 0; c < columns && it != last; ++c) {
        const auto end =
            c + 1 == columns
                ? last
                : std::lower_bound(it, last, from + static_cast<int64_t>((c + 1) * perColumn),
                                   byTime);
        const LiveSample* low = nullptr;
        const LiveSample* high = nullptr;
        for (; it != end; ++it) {
            if (!it->valid)
                continue;
            if (!low || it->dBm < low->dBm)
                low = &*it;
            if (!high || it->dBm > high->dBm)
                high = &*it;
        }
        if (!low)
            continue;
        // In time order, so the line goes through both extremes as the readings did.
        const LiveSample* a = low->msecs <= high->msecs ? low : high;
        const LiveSample* b = a == low ? high : low;
        points.append(QPointF(static_cast<double>(a->msecs), transform(a->dBm)));
        if (b != a)
            points.append(QPointF(static_cast<double>(b->msecs), transform(b->dBm)));
    }
    return points;
}

} // namespace vemla
