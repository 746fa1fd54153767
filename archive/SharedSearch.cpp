#include "SharedSearch.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace vemla {
namespace {

// LIKE's own characters taken literally (backslash is its escape).
QString LikeLiteral(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

SharedJob JobOf(const QSqlQuery& q) {
    SharedJob job;
    job.station = q.value(0).toString();
    job.stationName = q.value(1).toString();
    job.id = q.value(2).toLongLong();
    job.began = QDateTime::fromMSecsSinceEpoch(q.value(3).toLongLong());
    job.port = q.value(4).toUInt();
    job.device = q.value(5).toString();
    job.recordCount = q.value(6).toInt();
    job.versionCount = q.value(7).toInt();
    job.interrupted = q.value(8).toBool();
    job.company = q.value(9).toString();
    job.testOperator = q.value(10).toString();
    job.notes = q.value(11).toString();
    return job;
}

} // namespace

std::optional<std::vector<SharedJob>> SearchShared(const QSqlDatabase& db, const QString& filter,
                                                   int limit, QSqlError* error) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    // A LIKE with the pattern bound lets the planner weigh the trigram index against walking
    // the newest jobs first, as the pattern's trigrams say.
    q.prepare(QStringLiteral(
        "SELECT j.station, s.name, j.id, j.began, j.port, j.device, v.count, v.number, "
        "v.interrupted, j.company, j.test_operator, j.notes FROM job j JOIN station s ON s.id = "
        "j.station JOIN LATERAL (SELECT count, number, interrupted FROM version WHERE station = "
        "j.station AND job = j.id ORDER BY number DESC LIMIT 1) v ON true WHERE j.search LIKE ? "
        "ORDER BY j.began DESC, j.station, j.id DESC LIMIT ?"));
    q.addBindValue(QLatin1Char('%') + LikeLiteral(filter.toLower()) + QLatin1Char('%'));
    q.addBindValue(std::max(limit, 0));
    if (!q.exec()) {
        if (error)
            *error = q.lastError();
        return std::nullopt;
    }
    std::vector<SharedJob> jobs;
    while (q.next())
        jobs.push_back(JobOf(q));
    return jobs;
}

} // namespace vemla
