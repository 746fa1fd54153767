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

ProjectCounts CountsOf(const std::vector<ProjectIdRow>& rows) {
    ProjectCounts counts;
    counts.ids = int(rows.size());
    for (const ProjectIdRow& row : rows)
        switch (row.status) {
        case IdStatus::Untested: ++counts.untested; break;
        case IdStatus::Incomplete: ++counts.incomplete; break;
        case IdStatus::Pass: ++counts.passed; break;
        case IdStatus::Fail: ++counts.failed; break;
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
        report.rows.push_back(std::move(row));
    }
    report.counts = CountsOf(report.rows);
    return report;
}

QString StatusText(IdStatus status, Language language) {
    switch (status) {
    case IdStatus::Pass: return Pick(certtext::kPass, language);
    case IdStatus::Fail: return Pick(certtext::kFail, language);
    case IdStatus::Incomplete: return Pick(text::kIdIncomplete, language);
    case IdStatus::Untested: break;
    }
    return Pick(text::kIdUntested, language);
}

} // namespace vemla
