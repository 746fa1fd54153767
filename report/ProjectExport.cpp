#include "ProjectExport.h"
#include "CsvCells.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <array>
#include <cmath>

namespace vemla {
namespace {

using csv::AppendField;

// marginal: "yes" when the link's result is within the measurement uncertainty.
constexpr std::array<const char*, 15> kColumns{
    "project",           "cable_id",     "wavelength_nm",  "direction",
    "loss_dB",           "limit_dB",     "margin_dB",      "result",
    "reference_stale",   "link_loss_dB", "link_margin_dB", "link_result",
    "directions_differ", "id_status",    "marginal"};

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
            {QStringLiteral("marginal"), r.marginal},
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
            {QStringLiteral("failed"), c.failed},
            {QStringLiteral("marginal"), c.marginal}};
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

constexpr double kMaxFigure = 1e6; // dB: far beyond any link, short of any overflow
constexpr std::array<IdStatus, 4> kStatuses{IdStatus::Untested, IdStatus::Incomplete,
                                            IdStatus::Pass, IdStatus::Fail};

bool FigureFrom(const QJsonValue& value, std::optional<double>* out) {
    if (value.isNull() || value.isUndefined())
        return out->reset(), true;
    const double v = value.toDouble(kMaxFigure * 2);
    *out = v;
    return value.isDouble() && std::abs(v) <= kMaxFigure;
}

bool ResultFrom(const QJsonValue& value, RecordResult* r) {
    if (value.isUndefined())
        return true; // one direction only: no B→A
    const QJsonObject o = value.toObject();
    const QString word = o.value(QLatin1String("result")).toString();
    r->verdict = Verdict::None;
    for (Verdict v : {Verdict::Pass, Verdict::Fail, Verdict::NegativeLoss})
        if (word == VerdictWord(v))
            r->verdict = v;
    r->staleReference = o.value(QLatin1String("reference_stale")).toBool();
    r->marginal = o.value(QLatin1String("marginal")).toBool() &&
                  (r->verdict == Verdict::Pass || r->verdict == Verdict::Fail);
    return value.isObject() && (word.isEmpty() || r->verdict != Verdict::None) &&
           FigureFrom(o.value(QLatin1String("loss_dB")), &r->lossDb) &&
           FigureFrom(o.value(QLatin1String("limit_dB")), &r->limitDb) &&
           FigureFrom(o.value(QLatin1String("margin_dB")), &r->marginDb);
}

bool IdFrom(const QJsonValue& value, size_t waves, ProjectIdRow* row) {
    const QJsonObject o = value.toObject();
    row->id = o.value(QLatin1String("id")).toString();
    const QString status = o.value(QLatin1String("status")).toString();
    const auto known = std::find_if(kStatuses.begin(), kStatuses.end(), [&](IdStatus s) {
        return StatusText(s, Language::English) == status;
    });
    const QJsonArray results = o.value(QLatin1String("results")).toArray();
    if (known == kStatuses.end() || row->id.isEmpty() || row->id.size() > kMaxCableIdLength ||
        size_t(results.size()) != waves)
        return false;
    row->status = *known;
    row->results.resize(waves);
    for (size_t w = 0; w < waves; ++w) {
        const QJsonObject r = results.at(qsizetype(w)).toObject();
        LinkResult& link = row->results[w];
        link.complete = r.value(QLatin1String("complete")).toBool();
        link.directionsDiffer = r.value(QLatin1String("directions_differ")).toBool();
        if (!ResultFrom(r.value(QLatin1String("ab")), &link.aToB) ||
            !ResultFrom(r.value(QLatin1String("ba")), &link.bToA) ||
            !ResultFrom(r.value(QLatin1String("link")), &link.link))
            return false;
    }
    row->marginal = MarginalOf(row->results);
    return true;
}

bool InfoFrom(const QJsonObject& o, ProjectInfo* info) {
    static constexpr std::array<const char*, 3> kRules{"average", "each", "worse"};
    const QString rule = o.value(QLatin1String("direction_rule")).toString();
    const auto at = std::find_if(kRules.begin(), kRules.end(),
                                 [&](const char* r) { return rule == QLatin1String(r); });
    const double threshold = o.value(QLatin1String("direction_threshold_dB")).toDouble(-1);
    bool ok = at != kRules.end() && threshold >= 0 && threshold <= kMaxDb;
    info->rules = {DirectionRule(at - kRules.begin()), threshold};
    const std::array<std::pair<const char*, QString*>, 4> texts{{{"name", &info->name},
                                                                 {"customer", &info->customer},
                                                                 {"site", &info->site},
                                                                 {"notes", &info->notes}}};
    for (const auto& [key, field] : texts) {
        *field = o.value(QLatin1String(key)).toString();
        ok = ok && field->size() <= kMaxCellCharacters;
    }
    info->certification = CertificationFromJson(o.value(QLatin1String("certification")).toObject());
    return ok;
}

constexpr std::array<std::pair<const char*, QString HeaderFields::*>, 3> kMeterFields{
    {{"model", &HeaderFields::model},
     {"serial_number", &HeaderFields::serialNumber},
     {"operator", &HeaderFields::testOperator}}};

// Only what was given, so a report made without them keeps its bytes.
void AddMeterJson(QJsonObject& doc, const ProjectReport& report) {
    QJsonObject meter;
    for (const auto& [key, field] : kMeterFields)
        if (!(report.meter.*field).isEmpty())
            meter.insert(QLatin1String(key), report.meter.*field);
    if (!meter.isEmpty())
        doc.insert(QStringLiteral("meter"), meter);
    if (report.planLengths)
        doc.insert(QStringLiteral("plan_lengths"), true);
}

bool MeterFrom(const QJsonObject& json, ProjectReport* report) {
    const QJsonObject meter = json.value(QLatin1String("meter")).toObject();
    bool ok = true;
    for (const auto& [key, field] : kMeterFields) {
        report->meter.*field = meter.value(QLatin1String(key)).toString();
        ok = ok && (report->meter.*field).size() <= kMaxCellCharacters;
    }
    report->planLengths = json.value(QLatin1String("plan_lengths")).toBool();
    return ok;
}

bool Fail(QString* error, const QString& why) {
    if (error)
        *error = why;
    return false;
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
                AppendField(line, Yes(r.complete && r.link.marginal));
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
        ids.append(
            QJsonObject{{QStringLiteral("id"), row.id},
                        {QStringLiteral("status"), StatusText(row.status, Language::English)},
                        {QStringLiteral("results"), results}});
    }
    QJsonArray waves;
    for (int wave : report.waves)
        waves.append(wave);
    const Verdict overall = report.Overall();
    QJsonObject doc{
        {QStringLiteral("language"),
         report.language == Language::English ? QStringLiteral("en") : QStringLiteral("zh")},
        {QStringLiteral("project"), InfoJson(report)},
        {QStringLiteral("taken"), report.taken.toString(Qt::ISODate)},
        {QStringLiteral("wavelengths_nm"), waves},
        {QStringLiteral("both_directions"), report.bothDirections},
        {QStringLiteral("counts"), CountsJson(report.counts)},
        {QStringLiteral("overall"), overall == Verdict::None
                                        ? StatusText(IdStatus::Incomplete, Language::English)
                                        : VerdictWord(overall)},
        {QStringLiteral("ids"), ids}};
    AddMeterJson(doc, report);
    return QJsonDocument(doc).toJson(QJsonDocument::Indented);
}

bool ProjectReportFromJson(const QJsonObject& json, ProjectReport* report, QString* error) {
    ProjectReport r;
    const QString language = json.value(QLatin1String("language")).toString();
    if (language != QLatin1String("en") && language != QLatin1String("zh"))
        return Fail(error, QStringLiteral("\"language\" must be \"en\" or \"zh\""));
    r.language = language == QLatin1String("en") ? Language::English : Language::Chinese;
    if (!InfoFrom(json.value(QLatin1String("project")).toObject(), &r.info))
        return Fail(error, QStringLiteral("\"project\" is not valid"));
    if (!MeterFrom(json, &r))
        return Fail(error, QStringLiteral("\"meter\" is not valid"));
    r.taken = QDateTime::fromString(json.value(QLatin1String("taken")).toString(), Qt::ISODate);
    if (!r.taken.isValid())
        return Fail(error, QStringLiteral("\"taken\" must be an ISO 8601 date and time"));
    const QJsonArray waves = json.value(QLatin1String("wavelengths_nm")).toArray();
    if (waves.isEmpty() || size_t(waves.size()) > kMaxWaves)
        return Fail(error, QStringLiteral("\"wavelengths_nm\" must list 1 to %1").arg(kMaxWaves));
    for (const QJsonValue& w : waves) {
        const int wave = w.toInt(-1);
        if (wave <= 0 || wave > kMaxWavelength)
            return Fail(error, QStringLiteral("a wavelength is not valid"));
        r.waves.push_back(wave);
    }
    r.bothDirections = json.value(QLatin1String("both_directions")).toBool();
    const QJsonArray ids = json.value(QLatin1String("ids")).toArray();
    if (ids.size() > kMaxPlanIds)
        return Fail(error, QStringLiteral("more than %1 cable IDs").arg(kMaxPlanIds));
    r.rows.resize(size_t(ids.size()));
    for (qsizetype i = 0; i < ids.size(); ++i)
        if (!IdFrom(ids.at(i), r.waves.size(), &r.rows[size_t(i)]))
            return Fail(error, QStringLiteral("cable ID %1 is not valid").arg(i + 1));
    r.counts = CountsOf(r.rows);
    *report = std::move(r);
    return true;
}

bool ProjectCsvWriter::Prepare(const ProjectReport& report, FileCommit& file, QString* error) {
    return PrepareBytes(file, ProjectCsvBytes(report), report.language, error);
}

bool ProjectJsonWriter::Prepare(const ProjectReport& report, FileCommit& file, QString* error) {
    return PrepareBytes(file, ProjectJsonBytes(report), report.language, error);
}

} // namespace vemla
