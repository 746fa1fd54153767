#include "LiveChart.h"

#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLegend>
#include <QLineSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace vemla {

LiveChart::LiveChart(QWidget* parent)
    : QChartView(parent), m_timeAxis(new QDateTimeAxis), m_valueAxis(new QValueAxis) {
    auto* chart = new QChart;
    chart->legend()->hide();
    chart->legend()->setAlignment(Qt::AlignBottom);
    // Animations would redraw on their own clock; readings arrive up to five times a second.
    chart->setAnimationOptions(QChart::NoAnimation);
    m_timeAxis->setFormat(QStringLiteral("HH:mm:ss"));
    chart->addAxis(m_timeAxis, Qt::AlignBottom);
    chart->addAxis(m_valueAxis, Qt::AlignLeft);
    // The view lets go of the chart it made for itself without deleting it.
    QChart* own = this->chart();
    setChart(chart);
    delete own;
    setRenderHint(QPainter::Antialiasing, false);
    setMinimumSize(480, 300);
}

void LiveChart::SetAxisTitles(const QString& time, const QString& value) {
    m_timeAxis->setTitleText(time);
    m_valueAxis->setTitleText(value);
}

qsizetype LiveChart::PointCount() const {
    qsizetype count = 0;
    for (const auto& [id, series] : m_series)
        count += series->count();
    return count;
}

QLineSeries* LiveChart::SeriesFor(const Trace& trace) {
    QLineSeries*& series = m_series[trace.id];
    if (!series) {
        series = new QLineSeries;
        chart()->addSeries(series);
        series->attachAxis(m_timeAxis);
        series->attachAxis(m_valueAxis);
    }
    if (series->name() != trace.name)
        series->setName(trace.name);
    if (series->color() != trace.colour)
        series->setColor(trace.colour);
    return series;
}

void LiveChart::DropSeriesBut(const std::vector<Trace>& traces) {
    for (auto it = m_series.begin(); it != m_series.end();) {
        const int id = it->first;
        if (std::any_of(traces.begin(), traces.end(),
                        [id](const Trace& t) { return t.id == id; })) {
            ++it;
            continue;
        }
        chart()->removeSeries(it->second);
        delete it->second;
        it = m_series.erase(it);
    }
}

void LiveChart::Redraw(const std::vector<Trace>& traces, int64_t spanMsecs, int64_t now) {
    DropSeriesBut(traces);
    chart()->legend()->setVisible(traces.size() > 1);
    int64_t from = now - spanMsecs;
    int64_t to = now;
    if (spanMsecs <= 0) {
        from = now;
        for (const Trace& t : traces)
            if (t.samples && !t.samples->empty())
                from = std::min(from, t.samples->front().msecs);
        from = from == now ? now - 1000 : from;
        to = std::max(now, from + 1000);
    }
    const int columns = std::max(1, static_cast<int>(chart()->plotArea().width()));
    static const std::deque<LiveSample> kNone;
    for (const Trace& t : traces)
        SeriesFor(t)->replace(
            PowerDecimator::Reduce(t.samples ? *t.samples : kNone, from, to, columns, t.transform));
    m_timeAxis->setRange(QDateTime::fromMSecsSinceEpoch(from), QDateTime::fromMSecsSinceEpoch(to));
    FitValueAxis();
}

void LiveChart::FitValueAxis() {
    double low = INFINITY;
    double high = -INFINITY;
    for (const auto& [id, series] : m_series)
        for (const QPointF& p : series->points()) {
            low = std::min(low, p.y());
            high = std::max(high, p.y());
        }
    if (low > high)
        return;
    // A steady source still gets a readable scale rather than a flat line filling the plot.
    const double pad = std::max({(high - low) * 0.1, std::abs(high) * 1e-3, 0.05});
    m_valueAxis->setRange(low - pad, high + pad);
}

} // namespace vemla
