#include "CablePlan.h"

#include <QSet>
#include <QStringDecoder>
#include <QStringList>

#include <array>
#include <cmath>

namespace vemla {
namespace {

bool Fail(QString* error, const QString& why) {
    *error = why;
    return false;
}

// One bracketed range's values, as text.
bool RangeValues(QStringView inside, std::vector<QString>* values) {
    const qsizetype dots = inside.indexOf(u"..");
    if (dots <= 0 || dots + 2 >= inside.size())
        return false;
    const QStringView first = inside.left(dots), last = inside.mid(dots + 2);
    const auto letter = [](QStringView v) {
        return v.size() == 1 && v[0].isLetter() && v[0].unicode() < 0x80;
    };
    if (letter(first) && letter(last)) {
        const QChar a = first[0], b = last[0];
        if (a.isUpper() != b.isUpper() || a > b)
            return false;
        for (char16_t c = a.unicode(); c <= b.unicode(); ++c)
            values->push_back(QString(QChar(c)));
        return true;
    }
    const auto digits = [](QStringView v) {
        return !v.isEmpty() && v.size() <= 6 &&
               std::all_of(v.begin(), v.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    };
    if (!digits(first) || !digits(last))
        return false;
    const int a = first.toInt(), b = last.toInt();
    if (a > b)
        return false;
    // "01" pads to two digits; "1" and "0" to none.
    const int width = first.size() > 1 && first[0] == u'0' ? int(first.size()) : 0;
    for (int n = a; n <= b; ++n)
        values->push_back(QStringLiteral("%1").arg(n, width, 10, QLatin1Char('0')));
    return true;
}

// The pattern as literal texts and ranges, alternating: literal, range, literal, ….
bool SplitPattern(const QString& pattern, std::vector<std::vector<QString>>* parts) {
    qsizetype at = 0;
    while (true) {
        const qsizetype open = pattern.indexOf(QLatin1Char('['), at);
        const qsizetype close = pattern.indexOf(QLatin1Char(']'), at);
        if (open < 0) {
            if (close >= 0)
                return false;
            parts->push_back({pattern.mid(at)});
            return true;
        }
        if (close < open)
            return false;
        parts->push_back({pattern.mid(at, open - at)});
        const QStringView inside = QStringView(pattern).mid(open + 1, close - open - 1);
        if (inside.contains(u'['))
            return false;
        parts->emplace_back();
        if (!RangeValues(inside, &parts->back()))
            return false;
        at = close + 1;
    }
}

struct Column {
    const char* english;
    const char* chinese;
};
constexpr std::array<Column, 7> kColumns{{{"cable_id", "电缆编号"},
                                          {"length_km", "长度(km)"},
                                          {"connections", "连接数"},
                                          {"splices", "熔接数"},
                                          {"from", "起点"},
                                          {"to", "终点"},
                                          {"notes", "备注"}}};
enum ColumnIndex { kId, kLength, kConnections, kSplices, kFrom, kTo, kNotes };

// RFC 4180 fields of one record starting at `at`; quoted fields may hold line ends. False when
// a quote is left open.
bool ReadRecord(const QString& text, qsizetype& at, QStringList* fields) {
    QString field;
    bool quoted = false;
    while (at < text.size()) {
        const QChar c = text[at++];
        if (quoted) {
            if (c == u'"' && at < text.size() && text[at] == u'"')
                field += c, ++at;
            else if (c == u'"')
                quoted = false;
            else
                field += c;
        } else if (c == u'"' && field.isEmpty()) {
            quoted = true;
        } else if (c == u',') {
            *fields << field, field.clear();
        } else if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && at < text.size() && text[at] == u'\n')
                ++at;
            break;
        } else {
            field += c;
        }
    }
    *fields << field;
    return !quoted;
}

// The column each known name stands in; -1 where absent.
std::array<int, kColumns.size()> ColumnsOf(const QStringList& header) {
    std::array<int, kColumns.size()> at;
    at.fill(-1);
    for (int i = 0; i < header.size(); ++i) {
        const QString name = header[i].trimmed();
        for (size_t c = 0; c < kColumns.size(); ++c)
            if (at[c] < 0 &&
                (name.compare(QLatin1String(kColumns[c].english), Qt::CaseInsensitive) == 0 ||
                 name == QString::fromUtf8(kColumns[c].chinese)))
                at[c] = i;
    }
    return at;
}

struct LineReader {
    const QStringList& fields;
    const std::array<int, kColumns.size()>& at;
    QString Field(ColumnIndex c) const {
        return at[c] >= 0 && at[c] < fields.size() ? fields[at[c]].trimmed() : QString();
    }
    // Empty gives none; anything else must be a number in [0, max] (whole when asked).
    bool Number(ColumnIndex c, double max, bool whole, std::optional<double>* out) const {
        const QString text = Field(c);
        if (text.isEmpty())
            return true;
        bool ok = false;
        const double v = text.toDouble(&ok);
        if (!ok || !std::isfinite(v) || v < 0 || v > max || (whole && v != std::floor(v)))
            return false;
        *out = v;
        return true;
    }
};

// One plan line into a link; false with the reason.
bool LinkOf(const LineReader& line, int number, Language language, CableLink* link,
            QString* error) {
    link->id = line.Field(kId);
    if (link->id.isEmpty())
        return Fail(error, Pick(text::kPlanEmptyId, language).arg(number));
    link->from = line.Field(kFrom);
    link->to = line.Field(kTo);
    link->notes = line.Field(kNotes);
    if (link->id.size() > kMaxCableIdLength || link->from.size() > kMaxPlanText ||
        link->to.size() > kMaxPlanText || link->notes.size() > kMaxPlanText)
        return Fail(error, Pick(text::kPlanTooLong, language).arg(number));
    std::optional<double> connections, splices;
    const std::array<std::pair<ColumnIndex, bool>, 3> checks{{
        {kLength, line.Number(kLength, 1000.0, false, &link->lengthKm)},
        {kConnections, line.Number(kConnections, 10000, true, &connections)},
        {kSplices, line.Number(kSplices, 10000, true, &splices)},
    }};
    for (const auto& [column, fine] : checks)
        if (!fine)
            return Fail(error, Pick(text::kPlanBadValue, language)
                                   .arg(QString::number(number), line.Field(column),
                                        QString::fromLatin1(kColumns[column].english)));
    if (connections)
        link->connections = int(*connections);
    if (splices)
        link->splices = int(*splices);
    return true;
}

} // namespace

bool ExpandPattern(const QString& pattern, std::vector<QString>* ids, Language language,
                   QString* error) {
    std::vector<std::vector<QString>> parts;
    if (pattern.trimmed().isEmpty() || !SplitPattern(pattern.trimmed(), &parts))
        return Fail(error, Pick(text::kPlanBadPattern, language).arg(pattern));
    qint64 count = 1;
    for (const auto& part : parts) {
        count *= qint64(part.size());
        if (count > kMaxPlanIds)
            return Fail(error, Pick(text::kPlanTooMany, language).arg(pattern).arg(kMaxPlanIds));
    }
    std::vector<QString> out{QString()};
    for (const auto& part : parts) {
        std::vector<QString> next;
        next.reserve(out.size() * part.size());
        for (const QString& head : out)
            for (const QString& value : part)
                next.push_back(head + value);
        out = std::move(next);
    }
    for (const QString& id : out)
        if (id.size() > kMaxCableIdLength)
            return Fail(error, Pick(text::kPlanBadPattern, language).arg(pattern));
    *ids = std::move(out);
    return true;
}

bool ParsePlanCsv(const QByteArray& bytes, std::vector<CableLink>* plan, Language language,
                  QString* error) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
    if (utf8.hasError())
        return Fail(error, Pick(text::kPlanNotText, language));
    qsizetype at = 0;
    QStringList header;
    if (!ReadRecord(text, at, &header))
        return Fail(error, Pick(text::kPlanOpenQuote, language).arg(1));
    const std::array<int, kColumns.size()> columns = ColumnsOf(header);
    if (columns[kId] < 0)
        return Fail(error, Pick(text::kPlanNoIdColumn, language));
    std::vector<CableLink> links;
    QSet<QString> ids;
    for (int number = 2; at < text.size(); ++number) {
        QStringList fields;
        if (!ReadRecord(text, at, &fields))
            return Fail(error, Pick(text::kPlanOpenQuote, language).arg(number));
        if (fields.size() == 1 && fields[0].trimmed().isEmpty())
            continue; // a blank line
        if (int(links.size()) == kMaxPlanIds)
            return Fail(error, Pick(text::kPlanTooLarge, language).arg(kMaxPlanIds));
        CableLink link;
        if (!LinkOf({fields, columns}, number, language, &link, error))
            return false;
        if (ids.contains(link.id))
            return Fail(error,
                        Pick(text::kPlanDuplicate, language).arg(QString::number(number), link.id));
        ids.insert(link.id);
        links.push_back(std::move(link));
    }
    *plan = std::move(links);
    return true;
}

bool AddToPlan(std::vector<CableLink>& plan, const std::vector<CableLink>& added, Language language,
               QString* error) {
    if (plan.size() + added.size() > size_t(kMaxPlanIds))
        return Fail(error, Pick(text::kPlanTooLarge, language).arg(kMaxPlanIds));
    QSet<QString> ids;
    ids.reserve(qsizetype(plan.size() + added.size()));
    for (const CableLink& link : plan)
        ids.insert(link.id);
    for (size_t i = 0; i < added.size(); ++i) {
        if (added[i].id.isEmpty() || added[i].id.size() > kMaxCableIdLength)
            return Fail(error, Pick(text::kPlanBadId, language).arg(added[i].id));
        if (ids.contains(added[i].id))
            return Fail(error, Pick(text::kPlanIdTaken, language).arg(added[i].id));
        for (const QString* t : {&added[i].from, &added[i].to, &added[i].notes})
            if (t->size() > kMaxPlanText)
                return Fail(error,
                            Pick(text::kPlanIdTextTooLong, language).arg(added[i].id).arg(kMaxPlanText));
        ids.insert(added[i].id);
    }
    plan.insert(plan.end(), added.begin(), added.end());
    return true;
}

} // namespace vemla
