#pragma once

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <string>
#include <string_view>

namespace vemla {

// Builds a shown text in a stack buffer and makes it a string once: formatting runs for every
// record of an upload, up to 65,536 of them.
class TextBuilder {
public:
    // std::to_chars rather than snprintf: the window's process runs under the user's C locale
    // (Qt sets it), which would turn the decimal point into a comma.
    template <class T> TextBuilder& Fixed2(T value) {
        m_end = std::to_chars(m_end, Limit(), value, std::chars_format::fixed, 2).ptr;
        return *this;
    }
    TextBuilder& Int(unsigned value) {
        m_end = std::to_chars(m_end, Limit(), value).ptr;
        return *this;
    }
    TextBuilder& TwoDigits(unsigned value) {
        return value < 10 ? Text("0").Int(value) : Int(value);
    }
    TextBuilder& Text(std::string_view text) {
        const std::size_t room = static_cast<std::size_t>(Limit() - m_end);
        m_end = std::copy_n(text.begin(), std::min(text.size(), room), m_end);
        return *this;
    }
    std::string Str() const {
        return std::string(m_text, static_cast<std::size_t>(m_end - m_text));
    }

private:
    // Every write is bounded by the buffer. Nothing we build comes near it: the longest text is
    // a date of five 10-digit values (64 characters), a float with 2 decimals needs 45.
    char* Limit() { return m_text + sizeof m_text; }
    char m_text[128];
    char* m_end = m_text;
};

} // namespace vemla
