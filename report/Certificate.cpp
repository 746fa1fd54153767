// The certificate drawn with QPainter line by line: a text document would lay out 65,536 rows
// far too slowly. The layout runs twice, once to count the pages for the "n / N" footer.
#include "Certificate.h"

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

constexpr int kProgressEvery = 256;
// Fractions of the page width for No., wavelength, date, loss, limit, margin, result, note.
constexpr std::array<double, 8> kRecordColumns{0.08, 0.12, 0.18, 0.09, 0.09, 0.10, 0.14, 0.20};
constexpr size_t kResultColumn = 6;
constexpr double kSectionColumn = 1.0 / 6; // the settings' tables use six equal columns

// A judged figure (loss, limit, margin) as every output prints it, at the shown resolution.
QString Figure(const std::optional<double>& value) {
    return value ? DbText(*value) : QString::fromUtf8(kNoResultText);
}

struct Line {
    enum class Kind { Title, Field, Heading, Cells, Verdict, Gap, RecordHeader, Record };
    Kind kind;
    QStringList cells; // a record's come from its row
    int record = -1;
};

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
}

void AddLimits(std::vector<Line>& lines, const UploadDocument& data) {
    using K = Line::Kind;
    const auto pick = [&](const BilingualText& t) { return Pick(t, data.language); };
    const CertificationSettings& c = data.certification;
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
              Figure(LimitDb(c, l.wavelength))}});
    }
}

void AddReferences(std::vector<Line>& lines, const UploadDocument& data) {
    using K = Line::Kind;
    const auto pick = [&](const BilingualText& t) { return Pick(t, data.language); };
    const CertificationSettings& c = data.certification;
    lines.push_back({K::Heading, {pick(text::kCertReferences)}});
    lines.push_back(
        {K::Cells,
         {pick(text::kCertWavelength), pick(text::kCertReference), pick(text::kCertTaken)}});
    for (const LossReference& r : c.references)
        lines.push_back(
            {K::Cells,
             {QString::number(r.wavelength), InputText(r.dBm),
              r.taken.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
              IsStale(r, c.staleAfterHours, data.taken) ? pick(certtext::kStale) : QString()}});
}

// Per wavelength, then the overall verdict.
void AddSummary(std::vector<Line>& lines, const UploadDocument& data) {
    using K = Line::Kind;
    const auto pick = [&](const BilingualText& t) { return Pick(t, data.language); };
    const std::vector<WaveSummary> summary =
        Summarize(data.Values(), data.certification, data.taken);
    lines.push_back({K::Heading, {pick(text::kCertSummary)}});
    lines.push_back(
        {K::Cells,
         {pick(text::kCertWavelength), pick(text::kCertCount), pick(certtext::kPass),
          pick(certtext::kFail), pick(text::kCertWarnings), pick(text::kCertWorstMargin)}});
    for (const WaveSummary& w : summary)
        lines.push_back(
            {K::Cells,
             {QString::number(w.wavelength), QString::number(w.count), QString::number(w.pass),
              QString::number(w.fail), QString::number(w.warnings), Figure(w.worstMarginDb)}});
    lines.push_back({K::Verdict,
                     {pick(text::kCertOverall) + QLatin1Char(' ') +
                      VerdictText(OverallVerdict(summary), data.language)}});
}

// Everything above the records, and the records, as lines of known height.
std::vector<Line> Lines(const UploadDocument& data) {
    std::vector<Line> lines{{Line::Kind::Title, {Pick(text::kCertificateTitle, data.language)}}};
    AddHeaderAndLink(lines, data);
    AddLimits(lines, data);
    AddReferences(lines, data);
    AddSummary(lines, data);
    lines.push_back({Line::Kind::Gap, {}});
    for (int i = 0; i < int(data.rows.size()); ++i)
        lines.push_back({Line::Kind::Record, {}, i});
    return lines;
}

class Layout {
public:
    Layout(QPaintDevice& device, const UploadDocument& data)
        : m_data(data), m_width(device.width()), m_height(device.height()) {
        // One family for every text: it has the Chinese glyphs and the Latin ones, and no
        // ligatures that would turn "fi" in a note into one glyph.
        m_body.setFamilies({QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans CJK SC"),
                            QStringLiteral("Sans Serif")});
        m_body.setPointSizeF(8.5);
        m_bold = m_body;
        m_bold.setBold(true);
        m_title = m_bold;
        m_title.setPointSizeF(18);
        m_verdict = m_bold;
        m_verdict.setPointSizeF(16);
        m_metrics = std::make_unique<QFontMetricsF>(m_body, &device);
        m_line = m_metrics->height() * 1.35;
        m_fieldValueX = m_width * 0.32;
        double x = 0;
        for (size_t i = 0; i < kRecordColumns.size(); ++i) {
            m_recordX[i] = x;
            x += kRecordColumns[i] * m_width;
        }
        m_recordX[kRecordColumns.size()] = m_width;
    }

    // Lays the lines out; with a painter, draws them too. False when cancelled.
    bool Run(const std::vector<Line>& lines, QPainter* p, QPagedPaintDevice* device, int pages,
             const CertificateProgress& progress) {
        m_page = 1;
        double y = 0;
        if (p)
            p->setFont(m_body);
        const double bottom = m_height - 1.8 * m_line; // the footer's room
        const int total = int(m_data.rows.size());
        int done = 0;
        for (const Line& line : lines) {
            const bool record = line.kind == Line::Kind::Record;
            // The first record keeps its column header with it.
            const bool headed = record && line.record == 0;
            const double h =
                (record ? RecordHeight(line.record) : Height(line.kind)) + (headed ? m_line : 0);
            bool header = headed;
            if (y + h > bottom && y > 0) {
                Footer(p, pages);
                if (p && !device->newPage())
                    return false;
                ++m_page;
                y = 0;
                header = record;
            }
            if (header)
                y = Draw(p, {Line::Kind::RecordHeader, {}, -1}, y);
            y = Draw(p, line, y);
            if (record && p && progress && ++done % kProgressEvery == 0 && !progress(done, total))
                return false;
        }
        Footer(p, pages);
        if (p && progress && !progress(total, total))
            return false;
        return true;
    }
    int Pages() const { return m_page; }

private:
    double Height(Line::Kind kind) const {
        switch (kind) {
        case Line::Kind::Title:
            return 3.0 * m_line;
        case Line::Kind::Verdict:
            return 2.6 * m_line;
        case Line::Kind::Heading:
            return 1.6 * m_line;
        case Line::Kind::Gap:
            return 0.6 * m_line;
        default:
            return m_line;
        }
    }

    void Text(QPainter* p, double x, double y, double w, const QString& text) const {
        const QString shown = m_metrics->horizontalAdvance(text) > w - m_line * 0.2
                                  ? m_metrics->elidedText(text, Qt::ElideRight, w - m_line * 0.2)
                                  : text;
        p->drawText(QPointF(x, y + m_metrics->ascent() + m_line * 0.15), shown);
    }

    double Draw(QPainter* p, const Line& line, double y) const {
        const double h =
            line.kind == Line::Kind::Record ? RecordHeight(line.record) : Height(line.kind);
        if (!p)
            return y + h;
        using K = Line::Kind;
        switch (line.kind) {
        case K::Title:
        case K::Verdict:
            p->setFont(line.kind == K::Title ? m_title : m_verdict);
            p->drawText(QRectF(0, y, m_width, h),
                        (line.kind == K::Title ? Qt::AlignHCenter : Qt::AlignLeft) |
                            Qt::AlignVCenter,
                        line.cells.value(0));
            p->setFont(m_body);
            break;
        case K::Field:
            p->setFont(m_bold);
            Text(p, 0, y, m_fieldValueX, line.cells.value(0));
            p->setFont(m_body);
            Text(p, m_fieldValueX, y, m_width - m_fieldValueX, line.cells.value(1));
            break;
        case K::Heading:
            p->setFont(m_bold);
            Text(p, 0, y + h - m_line, m_width, line.cells.value(0));
            p->setFont(m_body);
            break;
        case K::Cells:
            for (int i = 0; i < line.cells.size(); ++i)
                Text(p, i * kSectionColumn * m_width, y, kSectionColumn * m_width, line.cells[i]);
            break;
        case K::Gap:
            break;
        case K::RecordHeader:
            p->setFont(m_bold);
            DrawRecordCells(p, y, RecordCaptions());
            p->setFont(m_body);
            p->drawLine(QPointF(0, y + h), QPointF(m_width, y + h));
            break;
        case K::Record:
            DrawRecordCells(p, y, RecordCells(m_data.rows[size_t(line.record)]));
            break;
        }
        return y + h;
    }

    std::array<QString, 8> RecordCaptions() const {
        const Language l = m_data.language;
        return {Pick(text::kColumnNumber, l),     Pick(text::kColumnWavelength, l),
                Pick(text::kColumnDateTime, l),   Pick(certtext::kLossColumn, l),
                Pick(text::kCertLimit, l),        Pick(text::kCertMargin, l),
                Pick(certtext::kResultColumn, l), Pick(text::kColumnNote, l)};
    }

    // The number, wavelength, date and note as the table shows them.
    std::array<QString, 8> RecordCells(const MeterRecord& row) const {
        const Language l = m_data.language;
        const RecordResult r = Evaluate(row.values, m_data.certification, m_data.taken);
        return {row.texts[0],      row.texts[1],       row.texts[5].trimmed(),  Figure(r.lossDb),
                Figure(r.limitDb), Figure(r.marginDb), MarkedVerdictText(r, l), row.texts[6]};
    }

    // The result on one line, or, when the stale mark does not fit beside the verdict, the mark
    // on a second: it is never cut.
    QStringList ResultLines(const QString& result) const {
        const double room = m_recordX[kResultColumn + 1] - m_recordX[kResultColumn] - m_line * 0.2;
        const qsizetype mark = result.indexOf(QStringLiteral(" ("));
        if (mark < 0 || m_metrics->horizontalAdvance(result) <= room)
            return {result};
        return {result.left(mark), result.mid(mark + 1)};
    }
    // Only a stale result can need a second line; the others are not measured.
    double RecordHeight(int record) const {
        const MeterRecord& row = m_data.rows[size_t(record)];
        const RecordResult r = Evaluate(row.values, m_data.certification, m_data.taken);
        if (!r.staleReference || !r.lossDb)
            return m_line;
        return m_line * double(ResultLines(MarkedVerdictText(r, m_data.language)).size());
    }

    void DrawRecordCells(QPainter* p, double y, const std::array<QString, 8>& cells) const {
        for (size_t i = 0; i < cells.size(); ++i) {
            const QStringList parts =
                i == kResultColumn ? ResultLines(cells[i]) : QStringList{cells[i]};
            for (qsizetype n = 0; n < parts.size(); ++n)
                Text(p, m_recordX[i], y + double(n) * m_line, m_recordX[i + 1] - m_recordX[i],
                     parts[n]);
        }
    }

    void Footer(QPainter* p, int pages) const {
        if (!p)
            return;
        const double y = m_height - m_line;
        p->setFont(m_body);
        Text(p, 0, y, m_width / 2, m_data.taken.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
        const QString n = QStringLiteral("%1 / %2").arg(m_page).arg(pages);
        const double w = m_metrics->horizontalAdvance(n);
        Text(p, m_width - w - m_line * 0.2, y, w + m_line, n);
    }

    const UploadDocument& m_data;
    double m_width, m_height;
    QFont m_body, m_bold, m_title, m_verdict;
    std::unique_ptr<QFontMetricsF> m_metrics;
    double m_line = 0, m_fieldValueX = 0;
    std::array<double, kRecordColumns.size() + 1> m_recordX{};
    int m_page = 1;
};

} // namespace

bool PaintCertificate(QPagedPaintDevice& device, const UploadDocument& data,
                      const CertificateProgress& progress) {
    const std::vector<Line> lines = Lines(data);
    Layout layout(device, data);
    layout.Run(lines, nullptr, nullptr, 0, {});
    const int pages = layout.Pages();
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const bool done = layout.Run(lines, &painter, &device, pages, progress);
    painter.end();
    return done;
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

// Drawn into memory (a few megabytes for a full meter), then written through the write path.
bool CertificatePdfWriter::Prepare(const UploadDocument& data, FileCommit& file, QString* error) {
    if (const QString tooLong = TextTooLong(data); !tooLong.isEmpty())
        return *error = tooLong, false;
    m_cancelled = false;
    const CertificateProgress tracking = [this](int done, int total) {
        m_cancelled = m_progress && !m_progress(done, total);
        return !m_cancelled;
    };
    QByteArray bytes;
    bool painted = false;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageSize(DefaultCertificatePageSize());
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setResolution(300);
        writer.setCreator(QStringLiteral("Vemla"));
        writer.setTitle(Pick(text::kCertificateTitle, data.language));
        painted = PaintCertificate(writer, data, tracking);
    }
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
