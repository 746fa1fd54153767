#include "ProjectExport.h"
#include "CsvCells.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>

namespace vemla {
namespace {

using csv::AppendField;

constexpr std::array<const char*, 14> kColumns{
    "project",  "cable_id",     "wavelength_nm", "direction",      "loss_dB",
    "limit_dB", "margin_dB",    "result",        "reference_stale", "link_loss_dB",
    "link_margin_dB", "link_result", "directions_differ", "id_status"};

QString Optional(const std::optional<double>& value) {
    return value ? csv::Number(*value) : QString();
}

// Scripts compare these: the verdicts' English words, empty where there is none.
QString VerdictWord(Verdict verdict) {
    return verdict == Verdict::None ? QString() : VerdictText(verdict, Language::English);
}

QString Yes(bool on) {
    return on ? QStringLiteral("yes") : QString();
}

void AppendResult(QByteArray& line, const RecordResult& r) {
    AppendField(line, Optional(r.lossDb));
    AppendField(line, Optional(r.limitDb));
    AppendField(line, Optional(r.marginDb));
    AppendField(line, VerdictWord(r.verdict));
}

QJsonValue JsonNumber(const std::optional<double>& value) {
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QJsonObject ResultJson(const RecordResult& r) {
    return {{QStringLiteral("loss_dB"), JsonNumber(r.lossDb)},
            {QStringLiteral("limit_dB"), JsonNumber(r.limitDb)},
            {QStringLiteral("margin_dB"), JsonNumber(r.marginDb)},
            {QStringLiteral("result"), VerdictWord(r.verdict)},
            {QStringLiteral("reference_stale"), r.staleReference}};
}

QJsonObject LinkJson(int wavelength, const LinkResult& r, bool both) {
    QJsonObject o{{QStringLiteral("wavelength_nm"), wavelength},
                  {QStringLiteral("ab"), ResultJson(r.aToB)},
                  {QStringLiteral("link"), ResultJson(r.link)},
                  {QStringLiteral("complete"), r.complete},
                  {QStringLiteral("directions_differ"), r.directionsDiffer}};
    if (both)
        o.insert(QStringLiteral("ba"), ResultJson(r.bToA));
    return o;
}

QJsonObject CountsJson(const ProjectCounts& c) {
    return {{QStringLiteral("ids"), c.ids},
            {QStringLiteral("untested"), c.untested},
            {QStringLiteral("incomplete"), c.incomplete},
            {QStringLiteral("passed"), c.passed},
            {QStringLiteral("failed"), c.failed}};
}

QJsonObject InfoJson(const ProjectReport& report) {
    const ProjectInfo& info = report.info;
    static constexpr std::array<const char*, 3> kRules{"average", "each", "worse"};
    return {{QStringLiteral("name"), info.name},
            {QStringLiteral("customer"), info.customer},
            {QStringLiteral("site"), info.site},
            {QStringLiteral("notes"), info.notes},
            {QStringLiteral("direction_rule"), kRules[size_t(info.rules.rule)]},
            {QStringLiteral("direction_threshold_dB"), info.rules.directionThresholdDb},
            {QStringLiteral("certification"), CertificationToJson(info.certification)}};
}

} // namespace

QString DirectionKey(Direction direction) {
    return direction == Direction::AtoB ? QStringLiteral("ab") : QStringLiteral("ba");
}

WriteResult IProjectWriter::Write(const ProjectReport& report, const Destination& to) {
    return PrepareAndPlace(
        [&](FileCommit& file, QString* error) { return Prepare(report, file, error); }, to,
        report.language);
}

QByteArray ProjectCsvBytes(const ProjectReport& report) {
    QByteArray out("\xEF\xBB\xBF");
    QByteArray line;
    for (const char* name : kColumns)
        AppendField(line, QString::fromLatin1(name), line.isEmpty());
    out += line + "\r\n";
    const QString project = csv::Guarded(report.info.name);
    for (const ProjectIdRow& row : report.rows) {
        const QString id = csv::Guarded(row.id);
        const QString status = StatusText(row.status, Language::English);
        for (size_t w = 0; w < report.waves.size(); ++w) {
            const LinkResult& r = row.results[w];
            for (Direction d : {Direction::AtoB, Direction::BtoA}) {
                if (d == Direction::BtoA && !report.bothDirections)
                    break;
                const RecordResult& own = d == Direction::AtoB ? r.aToB : r.bToA;
                line.clear();
                AppendField(line, project, true);
                AppendField(line, id);
                AppendField(line, QString::number(report.waves[w]));
                AppendField(line, DirectionKey(d));
                AppendResult(line, own);
                AppendField(line, Yes(own.staleReference));
                AppendField(line, r.complete ? Optional(r.link.lossDb) : QString());
                AppendField(line, r.complete ? Optional(r.link.marginDb) : QString());
                AppendField(line, r.complete ? VerdictWord(r.link.verdict) : QString());
                AppendField(line, Yes(r.directionsDiffer));
                AppendField(line, status);
                out += line + "\r\n";
            }
        }
    }
    return out;
}

QByteArray ProjectJsonBytes(const ProjectReport& report) {
    QJsonArray ids;
    for (const ProjectIdRow& row : report.rows) {
        QJsonArray results;
        for (size_t w = 0; w < report.waves.size(); ++w)
            results.append(LinkJson(report.waves[w], row.results[w], report.bothDirections));
        ids.append(QJsonObject{{QStringLiteral("id"), row.id},
                               {QStringLiteral("status"), StatusText(row.status, Language::English)},
                               {QStringLiteral("results"), results}});
    }
    QJsonArray waves;
    for (int wave : report.waves)
        waves.append(wave);
    const Verdict overall = report.Overall();
    const QJsonObject doc{
        {QStringLiteral("project"), InfoJson(report)},
        {QStringLiteral("taken"), report.taken.toString(Qt::ISODate)},
        {QStringLiteral("wavelengths_nm"), waves},
        {QStringLiteral("both_directions"), report.bothDirections},
        {QStringLiteral("counts"), CountsJson(report.counts)},
        {QStringLiteral("overall"), overall == Verdict::None
                                        ? StatusText(IdStatus::Incomplete, Language::English)
                                        : VerdictWord(overall)},
        {QStringLiteral("ids"), ids}};
    return QJsonDocument(doc).toJson(QJsonDocument::Indented);
}

bool ProjectCsvWriter::Prepare(const ProjectReport& report, FileCommit& file, QString* error) {
    return PrepareBytes(file, ProjectCsvBytes(report), report.language, error);
}

bool ProjectJsonWriter::Prepare(const ProjectReport& report, FileCommit& file, QString* error) {
    return PrepareBytes(file, ProjectJsonBytes(report), report.language, error);
}

} // namespace vemla
