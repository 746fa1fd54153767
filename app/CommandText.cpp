#include "CommandText.h"

#include <charconv>
#include <cstdio>
#include <limits>

namespace vemla {

uint64_t LeadingUnsigned(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    uint64_t value = 0;
    bool overflow = false;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        const auto digit = static_cast<uint64_t>(text[i].unicode() - u'0');
        if (value > (std::numeric_limits<uint64_t>::max() - digit) / 10)
            overflow = true;
        value = value * 10 + digit;
    }
    if (overflow)
        return std::numeric_limits<uint64_t>::max();
    return negative ? ~value + 1 : value;
}

double LeadingDouble(const QString& text) {
    const QByteArray latin = text.toLatin1();
    const char* p = latin.constData();
    const char* end = p + latin.size();
    while (p < end && (*p == ' ' || (*p >= '\t' && *p <= '\r')))
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p < end && (*p == '+' || *p == '-'))
        return 0.0; // a second sign is no number
    double value = 0.0;
    const auto result = std::from_chars(p, end, value, std::chars_format::general);
    if (result.ec == std::errc::invalid_argument)
        return 0.0;
    if (result.ec == std::errc::result_out_of_range)
        value = std::numeric_limits<double>::infinity();
    return negative ? -value : value;
}

std::string StandardTimeText(const std::tm& t) {
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s %s %2d %02d:%02d:%02d %d", kDays[(t.tm_wday % 7 + 7) % 7],
                  kMonths[(t.tm_mon % 12 + 12) % 12], t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
                  t.tm_year + 1900);
    return buf;
}

std::array<QString, 5> TimeFieldsFromText(const std::string& text) {
    std::array<QString, 5> fields;
    if (text.size() < 24)
        return fields;
    const auto at = [&](size_t pos, size_t n) { return QString::fromLatin1(text.substr(pos, n)); };
    fields[0] = at(22, 2);
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::string month = text.substr(4, 3);
    for (int m = 0; m < 12; ++m) {
        if (month == kMonths[m])
            fields[1] = QString::number(m + 1);
    }
    fields[2] = at(8, 2);
    fields[3] = at(11, 2);
    fields[4] = at(14, 2);
    return fields;
}

} // namespace vemla
