#pragma once
// The live monitor's trend: power against the wall-clock time. Each redraw reduces the readings
// to the plot's pixel columns first, so the cost follows the chart's width, not the span.

#include "PowerDecimator.h"

#include <QChartView>

class QDateTimeAxis;
class QLineSeries;
class QValueAxis;

namespace vemla {

class LiveChart : public QChartView {
    Q_OBJECT
public:
    explicit LiveChart(QWidget* parent = nullptr);

    // spanMsecs: 0 for every reading; now: the right edge of a fixed span.
    void Redraw(const std::deque<LiveSample>& samples, int64_t spanMsecs, int64_t now,
                const PowerDecimator::Transform& transform);
    void SetAxisTitles(const QString& time, const QString& value);
    // Points drawn by the last redraw.
    qsizetype PointCount() const;

private:
    QLineSeries* m_series;
    QDateTimeAxis* m_timeAxis;
    QValueAxis* m_valueAxis;
};

} // namespace vemla
