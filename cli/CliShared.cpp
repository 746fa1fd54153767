#include "CliShared.h"

#include "CliOutputs.h"
#include "SharedSchema.h"
#include "SharedSearch.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>

namespace vemla {
namespace {

constexpr char kDateForm[] = "yyyy-MM-dd hh:mm:ss"; // as the history shows it

// One job a line: a tab or line break typed in a field would start another.
QString OneLine(QString text) {
    for (QChar& c : text)
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    return text;
}

void PrintJobs(const CliOptions& o, const std::vector<SharedJob>& jobs) {
    QJsonArray list;
    for (const SharedJob& job : jobs) {
        if (o.json) {
            list.append(QJsonObject{{QStringLiteral("station"), job.station},
                                    {QStringLiteral("station_name"), job.stationName},
                                    {QStringLiteral("job"), job.id},
                                    {QStringLiteral("began"), job.began.toString(Qt::ISODate)},
                                    {QStringLiteral("port"), qint64(job.port)},
                                    {QStringLiteral("device"), job.device},
                                    {QStringLiteral("records"), job.recordCount},
                                    {QStringLiteral("versions"), job.versionCount},
                                    {QStringLiteral("interrupted"), job.interrupted},
                                    {QStringLiteral("company"), job.company},
                                    {QStringLiteral("operator"), job.testOperator},
                                    {QStringLiteral("notes"), job.notes}});
            continue;
        }
        const QString records =
            QString::number(job.recordCount) +
            (job.interrupted ? Pick(text::kHistoryInterrupted, o.language) : QString());
        const QStringList cells{job.began.toString(QLatin1String(kDateForm)),
                                job.stationName,
                                QString::number(job.id),
                                QStringLiteral("COM%1").arg(job.port),
                                job.device,
                                records,
                                QString::number(job.versionCount),
                                job.company,
                                job.testOperator,
                                job.notes};
        QStringList shown;
        for (const QString& cell : cells)
            shown << OneLine(cell);
        Out(shown.join(QLatin1Char('\t')));
    }
    if (o.json)
        Out(QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact)));
}

int InitServerCommand(const CliOptions& o, const QString& server) {
    QString message;
    bool refused = false;
    if (InitServer(server, o.language, &message, &refused)) {
        Out(message);
        return kExitDone;
    }
    Say(message);
    return refused ? kExitRefused : kExitArchive;
}

int SearchCommand(const CliOptions& o, const QString& server) {
    const QString name = QStringLiteral("vemla-cli-shared");
    int exit = kExitDone;
    {
        QString error;
        const QSqlDatabase db = OpenShared(server, name, &error);
        QSqlError failed;
        const auto jobs = db.isOpen() ? SearchShared(db, o.search, o.limit, &failed) : std::nullopt;
        if (!db.isOpen()) {
            Say(Pick(text::kSharedUnreachable, o.language).arg(error.trimmed()));
            exit = kExitArchive;
        } else if (!jobs) {
            Say(SharedFailureMessage(failed, o.language));
            exit = IsPermissionRefused(failed) ? kExitRefused : kExitArchive;
        } else {
            PrintJobs(o, *jobs);
        }
    }
    QSqlDatabase::removeDatabase(name);
    return exit;
}

} // namespace

int RunSharedArchive(const CliOptions& options) {
    const QString server = options.server.isEmpty() ? ConfiguredSharedServer() : options.server;
    if (server.isEmpty()) {
        Say(Pick(text::kCliNoServer, options.language));
        return kExitUsage;
    }
    return options.archiveAction == ArchiveAction::InitServer ? InitServerCommand(options, server)
                                                              : SearchCommand(options, server);
}

} // namespace vemla
