#include "DataExchange.h"

namespace vemla {
namespace {

// Digits with an optional sign between optional blanks; the value must fit 64 bits unsigned
// before the caller narrows it.
std::optional<std::pair<bool, uint64_t>> ParseDecimal(const QString& text) {
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
        negative = t[i] == u'-';
        ++i;
    }
    if (i == t.size())
        return std::nullopt;
    uint64_t value = 0;
    for (; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - u'0');
        if (value > 0xFFFFFFFFull + 1)
            return std::nullopt;
    }
    return std::make_pair(negative, value);
}

} // namespace

std::optional<int32_t> ParseSignedDecimal(const QString& text) {
    const auto p = ParseDecimal(text);
    if (!p)
        return std::nullopt;
    const auto [negative, magnitude] = *p;
    if (negative ? magnitude > 0x80000000ull : magnitude > 0x7FFFFFFFull)
        return std::nullopt;
    return static_cast<int32_t>(negative ? -static_cast<int64_t>(magnitude)
                                         : static_cast<int64_t>(magnitude));
}

std::optional<uint32_t> ParseUnsignedDecimal(const QString& text) {
    const auto p = ParseDecimal(text);
    if (!p || p->first || p->second > 0xFFFFFFFFull)
        return std::nullopt;
    return static_cast<uint32_t>(p->second);
}

} // namespace vemla
