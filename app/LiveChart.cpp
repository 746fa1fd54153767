#include "LiveChart.h"

#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace vemla {

LiveChart::LiveChart(QWidget* parent)
    : QChartView(parent), m_series(new QLineSeries), m_timeAxis(new QDateTimeAxis),
      m_valueAxis(new QValueAxis) {
    auto* chart = new QChart;
    chart->legend()->hide();
    // Animations would redraw on their own clock; readings arrive up to five times a second.
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->addSeries(m_series);
    m_timeAxis->setFormat(QStringLiteral("HH:mm:ss"));
    chart->addAxis(m_timeAxis, Qt::AlignBottom);
    chart->addAxis(m_valueAxis, Qt::AlignLeft);
    m_series->attachAxis(m_timeAxis);
    m_series->attachAxis(m_valueAxis);
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
    return m_series->count();
}

void LiveChart::Redraw(const std::deque<LiveSample>& samples, int64_t spanMsecs, int64_t now,
                       const PowerDecimator::Transform& transform) {
    int64_t from = now - spanMsecs;
    int64_t to = now;
    if (spanMsecs <= 0) {
        from = samples.empty() ? now - 1000 : samples.front().msecs;
        to = samples.empty() ? now : std::max(samples.back().msecs, from + 1000);
    }
    const int columns = std::max(1, static_cast<int>(chart()->plotArea().width()));
    const QList<QPointF> points = PowerDecimator::Reduce(samples, from, to, columns, transform);
    m_series->replace(points);
    m_timeAxis->setRange(QDateTime::fromMSecsSinceEpoch(from), QDateTime::fromMSecsSinceEpoch(to));
    if (points.isEmpty())
        return;
    const auto [low, high] =
        std::minmax_element(points.begin(), points.end(),
                            [](const QPointF& a, const QPointF& b) { return a.y() < b.y(); });
    // A steady source still gets a readable scale rather than a flat line filling the plot.
    const double pad = std::max({(high->y() - low->y()) * 0.1, std::abs(high->y()) * 1e-3, 0.05});
    m_valueAxis->setRange(low->y() - pad, high->y() + pad);
}

} // namespace vemla
