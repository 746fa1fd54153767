#include "ProjectReport.h"

#include <algorithm>

namespace vemla {

QString ProjectCounts::Percent(int count) const {
    return QStringLiteral("%1%").arg(ids > 0 ? 100.0 * count / ids : 0.0, 0, 'f', 1);
}

Verdict ProjectReport::Overall() const {
    if (counts.failed > 0)
        return Verdict::Fail;
    return counts.ids > 0 && counts.passed == counts.ids ? Verdict::Pass : Verdict::None;
}

std::vector<QString> ProjectReport::Untested() const {
    std::vector<QString> ids;
    for (const ProjectIdRow& row : rows)
        if (row.status == IdStatus::Untested)
            ids.push_back(row.id);
    return ids;
}

bool MarginalOf(const std::vector<LinkResult>& results) {
    return std::any_of(results.begin(), results.end(),
                       [](const LinkResult& r) { return r.complete && r.link.marginal; });
}

ProjectCounts CountsOf(const std::vector<ProjectIdRow>& rows) {
    ProjectCounts counts;
    counts.ids = int(rows.size());
    for (const ProjectIdRow& row : rows) {
        counts.marginal += row.marginal ? 1 : 0;
        switch (row.status) {
        case IdStatus::Untested:
            ++counts.untested;
            break;
        case IdStatus::Incomplete:
            ++counts.incomplete;
            break;
        case IdStatus::Pass:
            ++counts.passed;
            break;
        case IdStatus::Fail:
            ++counts.failed;
            break;
        }
    }
    return counts;
}

ProjectReport MakeProjectReport(const ProjectInfo& info, const ProjectLedger& ledger,
                                Language language, const QDateTime& taken) {
    ProjectReport report{info, language, taken, ledger.Waves(), ledger.BothDirections(), {}, {}};
    const int ids = int(ledger.Plan().size());
    report.rows.reserve(size_t(ids));
    for (int id = 0; id < ids; ++id) {
        ProjectIdRow row{ledger.Plan()[size_t(id)].id, IdStatus::Untested, {}};
        row.results.reserve(report.waves.size());
        for (int wave : report.waves)
            row.results.push_back(
                ResultAt(ledger, id, wave, info.certification, info.rules, taken));
        row.status = StatusOf(row.results);
        row.marginal = MarginalOf(row.results);
        report.rows.push_back(std::move(row));
    }
    report.counts = CountsOf(report.rows);
    report.planLengths =
        std::any_of(ledger.Plan().begin(), ledger.Plan().end(),
                    [](const CableLink& link) { return link.lengthKm.has_value(); });
    return report;
}

QStringList ProjectColumnCaptions(const ProjectReport& report) {
    const Language l = report.language;
    QStringList captions{Pick(text::kCableIdColumn, l)};
    for (int wave : report.waves) {
        const QString w = QString::number(wave);
        if (report.bothDirections)
            captions << Pick(text::kColumnAtoB, l).arg(w) << Pick(text::kColumnBtoA, l).arg(w)
                     << Pick(text::kColumnLink, l).arg(w);
        else
            captions << Pick(text::kColumnLoss, l).arg(w);
        captions << Pick(text::kColumnMargin, l).arg(w) << Pick(text::kColumnResult, l).arg(w);
    }
    return captions << Pick(text::kStatusColumn, l);
}

QStringList ProjectRowCells(const ProjectReport& report, const ProjectIdRow& row) {
    QStringList cells{row.id};
    for (const LinkResult& r : row.results) {
        if (report.bothDirections)
            cells << FigureText(r.aToB.lossDb) << FigureText(r.bToA.lossDb);
        cells << FigureText(r.complete ? r.link.lossDb : std::nullopt)
              << FigureText(r.complete ? r.link.marginDb : std::nullopt)
              << LinkVerdictText(r, report.language);
    }
    return cells << StatusText(row.status, report.language);
}

QString LinkVerdictText(const LinkResult& result, Language language) {
    if (!result.complete)
        return QString::fromUtf8(kNoResultText);
    const QString shown = MarkedVerdictText(result.link, language);
    return result.directionsDiffer
               ? QStringLiteral("%1 (%2)").arg(shown, Pick(text::kDirectionsDiffer, language))
               : shown;
}

QString ProgressText(const ProjectReport& report) {
    const ProjectCounts& c = report.counts;
    return Pick(text::kProjectProgress, report.language)
        .arg(c.ids)
        .arg(c.passed)
        .arg(c.Percent(c.passed))
        .arg(c.failed)
        .arg(c.Percent(c.failed))
        .arg(c.incomplete)
        .arg(c.untested);
}

QString RuleText(DirectionRule rule, Language language) {
    switch (rule) {
    case DirectionRule::Each:
        return Pick(text::kProjectRuleEach, language);
    case DirectionRule::Worse:
        return Pick(text::kProjectRuleWorse, language);
    case DirectionRule::Average:
        break;
    }
    return Pick(text::kProjectRuleAverage, language);
}

QString StatusText(IdStatus status, Language language) {
    switch (status) {
    case IdStatus::Pass:
        return Pick(certtext::kPass, language);
    case IdStatus::Fail:
        return Pick(certtext::kFail, language);
    case IdStatus::Incomplete:
        return Pick(text::kIdIncomplete, language);
    case IdStatus::Untested:
        break;
    }
    return Pick(text::kIdUntested, language);
}

} // namespace vemla
