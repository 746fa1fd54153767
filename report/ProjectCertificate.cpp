#include "ProjectCertificate.h"

#include "Certificate.h"
#include "ReferenceLines.h"

#include <numeric>

namespace vemla {
namespace {

constexpr int kUntestedPerLine = 6;

using K = PagedLine::Kind;

void AddSummary(std::vector<PagedLine>& lines, const ProjectReport& report) {
    const Language l = report.language;
    const auto pick = [l](const BilingualText& t) { return Pick(t, l); };
    const ProjectInfo& info = report.info;
    const CertificationSettings& c = info.certification;
    lines.push_back({K::Title, {pick(text::kProjectCertificateTitle)}});
    lines.push_back({K::Field, {pick(text::kProjectName), info.name}});
    lines.push_back({K::Field, {pick(text::kProjectCustomer), info.customer}});
    lines.push_back({K::Field, {pick(text::kProjectSite), info.site}});
    lines.push_back({K::Field, {pick(text::kReportNotes), info.notes}});
    lines.push_back({K::Field, {pick(text::kCertMethod), MethodText(c.method, l)}});
    if (report.bothDirections)
        lines.push_back({K::Field, {pick(text::kProjectRule), RuleText(info.rules.rule, l)}});
    AddStandardLines(lines, c, l);
    AddLimitLines(lines, c, l);
    AddReferenceLines(lines, c, l, report.taken);
    AddMeterLines(lines, report.meter, l);
    AddReferenceWorkflowLines(lines, c, LengthSourceOf(c, report.planLengths), l,
                              report.taken.date());
    lines.push_back({K::Heading, {pick(text::kCertSummary)}});
    lines.push_back({K::Text, {ProgressText(report)}});
    if (UncertaintyDb(c))
        lines.push_back({K::Text, {pick(text::kProjectMarginal).arg(report.counts.marginal)}});
    lines.push_back(
        {K::Verdict,
         {pick(text::kCertOverall) + QLatin1Char(' ') + VerdictText(report.Overall(), l)}});
}

// The ID and the verdicts get more room than the figures.
std::vector<double> Columns(const QStringList& captions, bool bothDirections) {
    std::vector<double> weights{1.6};
    const int perWave = bothDirections ? 5 : 3;
    for (qsizetype c = 1; c + 1 < captions.size(); ++c)
        weights.push_back((c - 1) % perWave == perWave - 1 ? 2.4 : 1.0);
    weights.push_back(1.3);
    const double sum = std::accumulate(weights.begin(), weights.end(), 0.0);
    for (double& w : weights)
        w /= sum;
    return weights;
}

} // namespace

bool PaintProjectCertificate(QPagedPaintDevice& device, const ProjectReport& report,
                             const PagedProgress& progress) {
    std::vector<PagedLine> lines;
    AddSummary(lines, report);
    lines.push_back({K::PageBreak, {}});
    for (int row = 0; row < int(report.rows.size()); ++row)
        lines.push_back({K::TableRow, {}, row});
    const std::vector<QString> untested = report.Untested();
    if (!untested.empty())
        lines.push_back({K::Heading, {Pick(text::kUntestedIds, report.language)}});
    for (size_t i = 0; i < untested.size(); i += kUntestedPerLine) {
        QStringList cells;
        for (size_t j = i; j < std::min(untested.size(), i + kUntestedPerLine); ++j)
            cells << untested[j];
        lines.push_back({K::Cells, cells});
    }
    const QStringList captions = ProjectColumnCaptions(report);
    const PagedTable table{captions, Columns(captions, report.bothDirections), [&report](int row) {
                               return ProjectRowCells(report, report.rows[size_t(row)]);
                           }};
    return PaintLines(device, lines, table, report.taken, progress);
}

QString ProjectCertificateRefusal(const ProjectReport& report) {
    if (!report.info.certification.enabled)
        return Pick(text::kCertificationOff, report.language);
    if (report.rows.empty())
        return Pick(text::kNoData, report.language);
    return {};
}

bool ProjectCertificatePdfWriter::Prepare(const ProjectReport& report, FileCommit& file,
                                          QString* error) {
    if (const QString refusal = ProjectCertificateRefusal(report); !refusal.isEmpty())
        return *error = refusal, false;
    QByteArray bytes;
    const bool painted = PaintPdf(
        Pick(text::kProjectCertificateTitle, report.language), QPageLayout::Landscape,
        [&](QPagedPaintDevice& device) { return PaintProjectCertificate(device, report); }, &bytes);
    if (!painted)
        return *error = Pick(text::kPdfNotDrawn, report.language), false;
    return PrepareBytes(file, bytes, report.language, error);
}

} // namespace vemla
