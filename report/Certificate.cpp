// The certificate drawn with QPainter line by line: a text document would lay out 65,536 rows
// far too slowly. The layout runs twice, once to count the pages for the "n / N" footer.
#include "Certificate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QJsonArray>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryFile>

#include <array>
#include <cmath>
#include <filesystem>

namespace vemla {
namespace {

constexpr int kMaxRows = 100000;
constexpr qsizetype kMaxText = 1024;
constexpr double kMaxDbm = 1000.0;
constexpr int kProgressEvery = 256;
// Fractions of the page width for No., wavelength, date, loss, limit, margin, result, note.
constexpr std::array<double, 8> kRecordColumns{0.08, 0.12, 0.18, 0.09, 0.09, 0.10, 0.14, 0.20};
constexpr double kSectionColumn = 1.0 / 6; // the settings' tables use six equal columns

QString Fixed(double value) {
    return QString::number(value, 'f', 2);
}
QString Fixed(const std::optional<double>& value) {
    return value ? Fixed(*value) : QString::fromUtf8(kNoResultText);
}

struct Line {
    enum class Kind { Title, Field, Heading, Cells, Verdict, Gap, RecordHeader, Record };
    Kind kind;
    QStringList cells; // a record's come from its row
    int record = -1;
};

// Everything above the records, and the records, as lines of known height.
std::vector<Line> Lines(const CertificateData& data) {
    using K = Line::Kind;
    const Language lang = data.language;
    const auto pick = [lang](const BilingualText& t) { return Pick(t, lang); };
    const CertificationSettings& c = data.certification;
    std::vector<Line> lines{{K::Title, {pick(text::kCertificateTitle)}}};
    const HeaderFields& h = data.header;
    lines.push_back({K::Field, {pick(text::kReportCompany), h.company}});
    lines.push_back({K::Field, {pick(text::kReportModel), h.model}});
    lines.push_back({K::Field, {pick(text::kReportSerialNumber), h.serialNumber}});
    lines.push_back({K::Field, {pick(text::kReportOperator), h.testOperator}});
    lines.push_back({K::Field, {pick(text::kReportNotes), h.notes}});
    lines.push_back({K::Gap, {}});
    lines.push_back({K::Field, {pick(text::kCertMethod), MethodText(c.method, lang)}});
    lines.push_back({K::Field, {pick(text::kCertLinkLength), Fixed(c.link.lengthKm)}});
    lines.push_back(
        {K::Field, {pick(text::kCertConnectorPairs), QString::number(c.link.connectorPairs)}});
    lines.push_back({K::Field, {pick(text::kCertLossPerPair), Fixed(c.link.lossPerPairDb)}});
    lines.push_back({K::Field, {pick(text::kCertSplices), QString::number(c.link.splices)}});
    lines.push_back({K::Field, {pick(text::kCertLossPerSplice), Fixed(c.link.lossPerSpliceDb)}});
    lines.push_back({K::Field, {pick(text::kCertDesignMargin), Fixed(c.link.designMarginDb)}});

    lines.push_back({K::Heading, {pick(text::kCertLimits)}});
    lines.push_back({K::Cells,
                     {pick(text::kCertWavelength), pick(text::kCertLimitFrom),
                      pick(text::kCertAttenuation), pick(text::kCertLimit)}});
    for (const WaveLimit& l : c.limits) {
        const bool fixed = l.kind == WaveLimit::Kind::Fixed;
        lines.push_back(
            {K::Cells,
             {QString::number(l.wavelength), pick(fixed ? text::kCertFixed : text::kCertBudget),
              fixed ? QString() : Fixed(l.attenuationDbPerKm), Fixed(LimitDb(c, l.wavelength))}});
    }
    lines.push_back({K::Heading, {pick(text::kCertReferences)}});
    lines.push_back(
        {K::Cells,
         {pick(text::kCertWavelength), pick(text::kCertReference), pick(text::kCertTaken)}});
    for (const LossReference& r : c.references)
        lines.push_back(
            {K::Cells,
             {QString::number(r.wavelength), Fixed(r.dBm),
              r.taken.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
              IsStale(r, c.staleAfterHours, data.now) ? pick(certtext::kStale) : QString()}});

    std::vector<RecordValues> values;
    values.reserve(data.rows.size());
    for (const CertificateRow& row : data.rows)
        values.push_back(row.values);
    const std::vector<WaveSummary> summary = Summarize(values, c, data.now);
    lines.push_back({K::Heading, {pick(text::kCertSummary)}});
    lines.push_back(
        {K::Cells,
         {pick(text::kCertWavelength), pick(text::kCertCount), pick(certtext::kPass),
          pick(certtext::kFail), pick(text::kCertWarnings), pick(text::kCertWorstMargin)}});
    for (const WaveSummary& w : summary)
        lines.push_back(
            {K::Cells,
             {QString::number(w.wavelength), QString::number(w.count), QString::number(w.pass),
              QString::number(w.fail), QString::number(w.warnings), Fixed(w.worstMarginDb)}});
    lines.push_back({K::Verdict,
                     {pick(text::kCertOverall) + QLatin1Char(' ') +
                      VerdictText(OverallVerdict(summary), lang)}});
    lines.push_back({K::Gap, {}});
    for (int i = 0; i < int(data.rows.size()); ++i)
        lines.push_back({K::Record, {}, i});
    return lines;
}

class Layout {
public:
    Layout(QPaintDevice& device, const CertificateData& data)
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
            const double h = Height(line.kind) + (headed ? m_line : 0);
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
        const double h = Height(line.kind);
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

    std::array<QString, 8> RecordCells(const CertificateRow& row) const {
        const Language l = m_data.language;
        const RecordResult r = Evaluate(row.values, m_data.certification, m_data.now);
        QString verdict = VerdictText(r.verdict, l);
        if (r.staleReference)
            verdict += QStringLiteral(" (%1)").arg(Pick(certtext::kStale, l));
        return {row.number,       row.wavelength,    row.date, Fixed(r.lossDb),
                Fixed(r.limitDb), Fixed(r.marginDb), verdict,  row.note};
    }

    void DrawRecordCells(QPainter* p, double y, const std::array<QString, 8>& cells) const {
        for (size_t i = 0; i < cells.size(); ++i)
            Text(p, m_recordX[i], y, m_recordX[i + 1] - m_recordX[i], cells[i]);
    }

    void Footer(QPainter* p, int pages) const {
        if (!p)
            return;
        const double y = m_height - m_line;
        p->setFont(m_body);
        Text(p, 0, y, m_width / 2, m_data.now.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
        const QString n = QStringLiteral("%1 / %2").arg(m_page).arg(pages);
        const double w = m_metrics->horizontalAdvance(n);
        Text(p, m_width - w - m_line * 0.2, y, w + m_line, n);
    }

    const CertificateData& m_data;
    double m_width, m_height;
    QFont m_body, m_bold, m_title, m_verdict;
    std::unique_ptr<QFontMetricsF> m_metrics;
    double m_line = 0, m_fieldValueX = 0;
    std::array<double, kRecordColumns.size() + 1> m_recordX{};
    int m_page = 1;
};

QString JsonText(const QJsonValue& value, bool* ok) {
    if (!value.isString() && !value.isUndefined() && !value.isNull())
        *ok = false;
    const QString s = value.toString();
    if (s.size() > kMaxText)
        *ok = false;
    return s;
}

bool Fail(QString* error, const QString& why) {
    if (error)
        *error = why;
    return false;
}

} // namespace

bool PaintCertificate(QPagedPaintDevice& device, const CertificateData& data,
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

bool WriteCertificatePdf(const CertificateData& data, const QString& path, bool overwrite,
                         const CertificateProgress& progress, QString* error) {
    const QFileInfo target(path);
    if (!overwrite && target.exists())
        return Fail(error, QStringLiteral("%1 exists").arg(QDir::toNativeSeparators(path)));
    QTemporaryFile temp(
        target.dir().filePath(QStringLiteral(".%1.XXXXXX.part").arg(target.fileName())));
    if (!temp.open())
        return Fail(error, temp.errorString());
    bool cancelled = false;
    const CertificateProgress tracking = [&](int done, int total) {
        cancelled = progress && !progress(done, total);
        return !cancelled;
    };
    bool painted = false;
    {
        QPdfWriter writer(&temp);
        writer.setPageSize(DefaultCertificatePageSize());
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setResolution(300);
        writer.setCreator(QStringLiteral("Vemla"));
        writer.setTitle(Pick(text::kCertificateTitle, data.language));
        painted = PaintCertificate(writer, data, tracking);
    }
    if (!painted)
        return Fail(error, cancelled ? QStringLiteral("cancelled")
                                     : QStringLiteral("the certificate could not be drawn"));
    if (!temp.flush() || temp.error() != QFileDevice::NoError)
        return Fail(error, temp.errorString());
    temp.close();
    // QFile::rename never replaces a file; the standard library's rename replaces atomically.
    const QString written = temp.fileName();
    if (overwrite) {
        std::error_code ec;
        std::filesystem::rename(QFile::encodeName(written).toStdString(),
                                QFile::encodeName(path).toStdString(), ec);
        if (ec)
            return Fail(error, QString::fromStdString(ec.message()));
    } else if (!QFile::rename(written, path)) {
        return Fail(error, QFileInfo::exists(path)
                               ? QStringLiteral("%1 exists").arg(QDir::toNativeSeparators(path))
                               : QStringLiteral("cannot rename the file"));
    }
    temp.setAutoRemove(false);
    return true;
}

QString CertificateFileName(Language language, const QDateTime& now) {
    return QStringLiteral("%1 %2.pdf")
        .arg(Pick(text::kCertificateTitle, language),
             now.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")));
}

bool CertificateDataFromJson(const QJsonObject& json, CertificateData* data, QString* error) {
    CertificateData d;
    const QString language = json.value(QLatin1String("language")).toString();
    if (language != QLatin1String("en") && language != QLatin1String("zh"))
        return Fail(error, QStringLiteral("\"language\" must be \"en\" or \"zh\""));
    d.language = language == QLatin1String("en") ? Language::English : Language::Chinese;

    const QJsonValue header = json.value(QLatin1String("header"));
    if (!header.isObject() && !header.isUndefined())
        return Fail(error, QStringLiteral("\"header\" must be an object"));
    const QJsonObject h = header.toObject();
    bool ok = true;
    d.header.company = JsonText(h.value(QLatin1String("company")), &ok);
    d.header.model = JsonText(h.value(QLatin1String("model")), &ok);
    d.header.serialNumber = JsonText(h.value(QLatin1String("serial_number")), &ok);
    d.header.testOperator = JsonText(h.value(QLatin1String("operator")), &ok);
    d.header.notes = JsonText(h.value(QLatin1String("notes")), &ok);
    if (!ok)
        return Fail(
            error,
            QStringLiteral("a header field is not a text of at most %1 characters").arg(kMaxText));

    const QJsonValue certification = json.value(QLatin1String("certification"));
    if (!certification.isObject())
        return Fail(error, QStringLiteral("\"certification\" must be an object"));
    d.certification = CertificationFromJson(certification.toObject());
    if (!d.certification.enabled)
        return Fail(error, QStringLiteral("certification is not enabled in the input"));

    d.now = QDateTime::fromString(json.value(QLatin1String("generated")).toString(), Qt::ISODate);
    if (!d.now.isValid())
        return Fail(error, QStringLiteral("\"generated\" must be an ISO 8601 date and time"));

    const QJsonValue records = json.value(QLatin1String("records"));
    if (!records.isArray() || records.toArray().isEmpty())
        return Fail(error, QStringLiteral("\"records\" must be a non-empty array"));
    const QJsonArray list = records.toArray();
    if (list.size() > kMaxRows)
        return Fail(error, QStringLiteral("more than %1 records").arg(kMaxRows));
    d.rows.reserve(size_t(list.size()));
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QJsonObject r = list.at(i).toObject();
        const QJsonArray texts = r.value(QLatin1String("texts")).toArray();
        const double index = r.value(QLatin1String("index")).toDouble(-1);
        const double wavelength = r.value(QLatin1String("wavelength_nm")).toDouble(-1);
        const QJsonValue power = r.value(QLatin1String("power_dBm"));
        const QJsonValue reference = r.value(QLatin1String("reference_dBm"));
        const QJsonValue relative = r.value(QLatin1String("relative"));
        const auto inRange = [](double v, double max) {
            return v >= 0 && v <= max && v == std::floor(v);
        };
        // null: the meter's bytes made no number (the upload writes it so); no loss then.
        const auto level = [](const QJsonValue& v, bool* fine) {
            if (v.isNull())
                return double(NAN);
            *fine = *fine && v.isDouble() && std::abs(v.toDouble()) <= kMaxDbm;
            return v.toDouble();
        };
        ok = list.at(i).isObject() && texts.size() == 7 && inRange(index, 65535) &&
             inRange(wavelength, 65535) && relative.isBool();
        const double powerDbm = level(power, &ok);
        const double referenceDbm = level(reference, &ok);
        std::array<QString, 7> shown;
        for (qsizetype t = 0; ok && t < 7; ++t) {
            ok = texts.at(t).isString();
            shown[size_t(t)] = JsonText(texts.at(t), &ok);
        }
        if (!ok)
            return Fail(error, QStringLiteral("record %1 is not valid").arg(i + 1));
        CertificateRow row{shown[0], shown[1], shown[5].trimmed(), shown[6], {}};
        row.values.index = uint16_t(index);
        row.values.wavelength = uint16_t(wavelength);
        row.values.power = float(powerDbm);
        row.values.reference = float(referenceDbm);
        row.values.relative = relative.toBool();
        d.rows.push_back(std::move(row));
    }
    *data = std::move(d);
    return true;
}

} // namespace vemla
