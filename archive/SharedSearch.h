#pragma once
// The shared archive's uploads as the history lists them: every station's, searched on the
// server by the same text the local archive searches (lower-cased date, port, device, company,
// operator, notes and the records' notes), through its trigram index.

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <optional>
#include <vector>

namespace vemla {

// One line of the list: the station's own job, its latest version.
struct SharedJob {
    QString station; // the station's id
    QString stationName;
    qint64 id = 0; // the job's id on its station
    QDateTime began;
    uint32_t port = 0;
    QString device;
    int recordCount = 0;
    int versionCount = 0;
    bool interrupted = false;
    QString company;
    QString testOperator;
    QString notes;
};

// Newest first, at most `limit`; the jobs whose text holds `filter` (any case, taken
// literally: % and _ are no wildcards), all when it is empty. Nothing, with the server's
// error in `error`, when the query failed.
std::optional<std::vector<SharedJob>> SearchShared(const QSqlDatabase& db, const QString& filter,
                                                   int limit, QSqlError* error = nullptr);

} // namespace vemla
