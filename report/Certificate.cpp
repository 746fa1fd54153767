// The certificate as lines of text and a table of records, painted page by page (PagedLines):
// a text document would lay out 65,536 rows far too slowly.
#include "Certificate.h"

#include "ReferenceLines.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <array>
#include <cmath>

namespace vemla {
namespace {

// Fractions of the page width for No., wavelength, date, loss, limit, margin, result, note.
constexpr std::array<double, 8> kRecordColumns{0.08, 0.12, 0.18, 0.09, 0.09, 0.10, 0.14, 0.20};

using Line = PagedLine;

// The operator's header fields, then the method and the link the limits rest on.
void AddHeaderAndLink(std::vector<Line>& lines, const UploadDocument& data) {
    using K = Line::Kind;
    const Language lang = data.language;
    const auto pick = [lang](const BilingualText& t) { return Pick(t, lang); };
    const HeaderFields& h = data.header;
    lines.push_back({K::Field, {pick(text::kReportCompany), h.company}});
    lines.push_back({K::Field, {pick(text::kReportModel), h.model}});
    lines.push_back({K::Field, {pick(text::kReportSerialNumber), h.serialNumber}});
    lines.push_back({K::Field, {pick(text::kReportOperator), h.testOperator}});
    lines.push_back({K::Field, {pick(text::kReportNotes), h.notes}});
    lines.push_back({K::Gap, {}});
    const CertificationSettings& c = data.certification;
    lines.push_back({K::Field, {pick(text::kCertMethod), MethodText(c.method, lang)}});
    lines.push_back({K::Field, {pick(text::kCertLinkLength), InputText(c.link.lengthKm)}});
    lines.push_back(
        {K::Field, {pick(text::kCertConnectorPairs), QString::number(c.link.connectorPairs)}});
    lines.push_back({K::Field, {pick(text::kCertLossPerPair), InputText(c.link.lossPerPairDb)}});
    lines.push_back({K::Field, {pick(text::kCertSplices), QString::number(c.link.splices)}});
    lines.push_back(
        {K::Field, {pick(text::kCertLossPerSplice), InputText(c.link.lossPerSpliceDb)}});
    lines.push_back({K::Field, {pick(text::kCertDesignMargin), InputText(c.link.designMarginDb)}});
    AddStandardLines(lines, c, lang);
}

// Per wavelength, then the overall verdict.
void AddSummary(std::vector<Line>& lines, const UploadDocument& data) {
    using K = Line::Kind;
    const auto pick = [&](const BilingualText& t) { return Pick(t, data.language); };
    const std::vector<WaveSummary> summary =
        Summarize(data.Values(), data.certification, data.taken);
    lines.push_back({K::Heading, {pick(text::kCertSummary)}});
    // The marginal count only where an uncertainty is set: otherwise there is none to count.
    const bool marginal = UncertaintyDb(data.certification).has_value();
    QStringList captions{pick(text::kCertWavelength), pick(text::kCertCount),
                         pick(certtext::kPass),       pick(certtext::kFail),
                         pick(text::kCertWarnings),   pick(text::kCertWorstMargin)};
    if (marginal)
        captions << pick(text::kCertMarginal);
    lines.push_back({K::Cells, captions});
    for (const WaveSummary& w : summary) {
        QStringList cells{QString::number(w.wavelength), QString::number(w.count),
                          QString::number(w.pass),       QString::number(w.fail),
                          QString::number(w.warnings),   FigureText(w.worstMarginDb)};
        if (marginal)
            cells << QString::number(w.marginal);
        lines.push_back({K::Cells, cells});
    }
    lines.push_back({K::Verdict,
                     {pick(text::kCertOverall) + QLatin1Char(' ') +
                      VerdictText(OverallVerdict(summary), data.language)}});
}

// Everything above the records, and the records, as lines of known height.
std::vector<Line> Lines(const UploadDocument& data) {
    std::vector<Line> lines{{Line::Kind::Title, {Pick(text::kCertificateTitle, data.language)}}};
    AddHeaderAndLink(lines, data);
    AddLimitLines(lines, data.certification, data.language);
    AddReferenceLines(lines, data.certification, data.language, data.taken);
    AddReferenceWorkflowLines(lines, data.certification, LengthSourceOf(data.certification, false),
                              data.language, data.taken.date());
    AddSummary(lines, data);
    lines.push_back({Line::Kind::Gap, {}});
    for (int i = 0; i < int(data.rows.size()); ++i)
        lines.push_back({Line::Kind::TableRow, {}, i});
    return lines;
}

std::vector<double> RecordColumns() {
    return {kRecordColumns.begin(), kRecordColumns.end()};
}

QStringList RecordCaptions(Language l) {
    return {Pick(text::kColumnNumber, l),     Pick(text::kColumnWavelength, l),
            Pick(text::kColumnDateTime, l),   Pick(certtext::kLossColumn, l),
            Pick(text::kCertLimit, l),        Pick(text::kCertMargin, l),
            Pick(certtext::kResultColumn, l), Pick(text::kColumnNote, l)};
}

// The number, wavelength, date and note as the table shows them.
QStringList RecordCells(const UploadDocument& data, int row) {
    const MeterRecord& record = data.rows[size_t(row)];
    const RecordResult r = Evaluate(record.values, data.certification, data.taken);
    return {record.texts[0],
            record.texts[1],
            record.texts[5].trimmed(),
            FigureText(r.lossDb),
            FigureText(r.limitDb),
            FigureText(r.marginDb),
            MarkedVerdictText(r, data.language),
            record.texts[6]};
}

} // namespace

void AddStandardLines(std::vector<PagedLine>& lines, const CertificationSettings& c,
                      Language language) {
    using K = PagedLine::Kind;
    if (c.link.endConnectionDb)
        lines.push_back(
            {K::Field,
             {Pick(text::kCertEndConnection, language), InputText(*c.link.endConnectionDb)}});
    if (!c.edition.isEmpty())
        lines.push_back(
            {K::Field,
             {Pick(text::kCertPreset, language),
              QStringLiteral("%1, %2").arg(PresetName(c.preset, language), c.edition)}});
    const QString uncertainty = UncertaintyText(c, language);
    if (!uncertainty.isEmpty())
        lines.push_back({K::Field, {Pick(text::kCertUncertainty, language), uncertainty}});
}

void AddLimitLines(std::vector<PagedLine>& lines, const CertificationSettings& c,
                   Language language) {
    using K = PagedLine::Kind;
    const auto pick = [&](const BilingualText& t) { return Pick(t, language); };
    lines.push_back({K::Heading, {pick(text::kCertLimits)}});
    lines.push_back({K::Cells,
                     {pick(text::kCertWavelength), pick(text::kCertLimitFrom),
                      pick(text::kCertAttenuation), pick(text::kCertLimit)}});
    for (const WaveLimit& l : c.limits) {
        const bool fixed = l.kind == WaveLimit::Kind::Fixed;
        lines.push_back(
            {K::Cells,
             {QString::number(l.wavelength), pick(fixed ? text::kCertFixed : text::kCertBudget),
              fixed ? QString() : InputText(l.attenuationDbPerKm),
              FigureText(LimitDb(c, l.wavelength))}});
    }
}

void AddReferenceLines(std::vector<PagedLine>& lines, const CertificationSettings& c,
                       Language language, const QDateTime& taken) {
    using K = PagedLine::Kind;
    const auto pick = [&](const BilingualText& t) { return Pick(t, language); };
    lines.push_back({K::Heading, {pick(text::kCertReferences)}});
    lines.push_back(
        {K::Cells,
         {pick(text::kCertWavelength), pick(text::kCertReference), pick(text::kCertTaken)}});
    for (const LossReference& r : c.references)
        lines.push_back(
            {K::Cells,
             {QString::number(r.wavelength), InputText(r.dBm),
              r.taken.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
              IsStale(r, c.staleAfterHours, taken) ? pick(certtext::kStale) : QString()}});
}

bool PaintCertificate(QPagedPaintDevice& device, const UploadDocument& data,
                      const CertificateProgress& progress) {
    const PagedTable records{RecordCaptions(data.language), RecordColumns(),
                             [&data](int row) { return RecordCells(data, row); }};
    return PaintLines(device, Lines(data), records, data.taken, progress);
}

QPageSize DefaultCertificatePageSize() {
    return QPageSize(QLocale::system().measurementSystem() == QLocale::ImperialUSSystem
                         ? QPageSize::Letter
                         : QPageSize::A4);
}

QString CertificateRefusal(const UploadDocument& document) {
    if (!document.certification.enabled)
        return Pick(text::kCertificationOff, document.language);
    if (document.rows.empty())
        return Pick(text::kNoData, document.language);
    return {};
}

bool PaintPdf(const QString& title, QPageLayout::Orientation orientation,
              const std::function<bool(QPagedPaintDevice&)>& paint, QByteArray* pdf) {
    QBuffer buffer(pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(DefaultCertificatePageSize());
    writer.setPageOrientation(orientation);
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setResolution(300);
    writer.setCreator(QStringLiteral("Vemla"));
    writer.setTitle(title);
    return paint(writer);
}

// Drawn into memory, then written through the write path.
bool CertificatePdfWriter::Prepare(const UploadDocument& data, FileCommit& file, QString* error) {
    if (const QString tooLong = TextTooLong(data); !tooLong.isEmpty())
        return *error = tooLong, false;
    m_cancelled = false;
    const CertificateProgress tracking = [this](int done, int total) {
        m_cancelled = m_progress && !m_progress(done, total);
        return !m_cancelled;
    };
    QByteArray bytes;
    const bool painted = PaintPdf(
        Pick(text::kCertificateTitle, data.language), QPageLayout::Portrait,
        [&](QPagedPaintDevice& device) { return PaintCertificate(device, data, tracking); },
        &bytes);
    if (!painted) {
        *error = Pick(m_cancelled ? text::kPdfCancelled : text::kPdfNotDrawn, data.language);
        return false;
    }
    return PrepareBytes(file, bytes, data.language, error);
}

QString CertificateFileName(Language language, const QDateTime& now) {
    return QStringLiteral("%1 %2.pdf")
        .arg(Pick(text::kCertificateTitle, language),
             now.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")));
}

} // namespace vemla
