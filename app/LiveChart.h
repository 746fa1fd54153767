#pragma once
// The live monitor's trend: power against the wall-clock time, a trace per meter. Each redraw
// reduces the readings to the plot's pixel columns first, so the cost follows the chart's width,
// not the span.

#include "PowerDecimator.h"

#include <QChartView>
#include <map>
#include <vector>

class QDateTimeAxis;
class QLineSeries;
class QValueAxis;

namespace vemla {

class LiveChart : public QChartView {
    Q_OBJECT
public:
    // One meter's readings as the chart draws them; samples null for none to draw (a relative
    // unit without a reference).
    struct Trace {
        int id = 0; // a trace keeps its line from one redraw to the next
        QString name;
        QColor colour;
        const std::deque<LiveSample>* samples = nullptr;
        PowerDecimator::Transform transform;
    };

    explicit LiveChart(QWidget* parent = nullptr);

    // spanMsecs: 0 for every reading; now: the right edge of a fixed span. The legend shows once
    // there is more than one trace.
    void Redraw(const std::vector<Trace>& traces, int64_t spanMsecs, int64_t now);
    void SetAxisTitles(const QString& time, const QString& value);
    // Points drawn by the last redraw, all traces together.
    qsizetype PointCount() const;

private:
    QLineSeries* SeriesFor(const Trace& trace);
    void DropSeriesBut(const std::vector<Trace>& traces);
    void FitValueAxis();

    std::map<int, QLineSeries*> m_series;
    QDateTimeAxis* m_timeAxis;
    QValueAxis* m_valueAxis;
};

} // namespace vemla
