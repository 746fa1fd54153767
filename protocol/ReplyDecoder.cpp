#include "ReplyDecoder.h"

#include <algorithm>
#include <charconv>
#include <cstddef>

namespace vemla {

namespace {

unsigned U16At(const ReplyFrame& f, std::size_t i) {
    return f[i] * 256u + f[i + 1];
}

float F32At(const ReplyFrame& f, std::size_t i) {
    const std::array<uint8_t, 4> field{f[i], f[i + 1], f[i + 2], f[i + 3]};
    return FloatFromBytesBE(field);
}

// Texts are built in a stack buffer and become a string once: decoding runs for every record
// of an upload, up to 65,536 of them.
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

} // namespace

ConnectReply DecodeConnect(const ReplyFrame& f) {
    ConnectReply reply;
    const int length = f.Length();
    std::size_t i = 3;
    for (; static_cast<int>(i) < length - 9; i += 2)
        reply.waves.push_back(static_cast<int>(U16At(f, i)));
    for (std::size_t laser = 0; laser < reply.lasers.size(); ++laser)
        reply.lasers[laser] = U16At(f, i + 2 * laser);
    return reply;
}

std::string DecodePowerText(const ReplyFrame& f) {
    return TextBuilder().Fixed2(F32At(f, 3)).Str();
}

RecordRow DecodeRecord(const ReplyFrame& f) {
    RecordRow row;
    row.number = static_cast<int>(U16At(f, 3)) + 1;
    row.wavelength = static_cast<int>(U16At(f, 5));
    row.power = F32At(f, 7);
    row.reference = F32At(f, 11);
    row.relative = f[15] != 0;

    auto& cells = row.cells;
    cells[0] = TextBuilder().Int(static_cast<unsigned>(row.number)).Str();
    cells[1] = TextBuilder().Int(static_cast<unsigned>(row.wavelength)).Str();
    cells[2] = TextBuilder().Fixed2(row.power).Text("dBm").Str();
    if (row.relative) {
        const double relative = static_cast<double>(row.power) - static_cast<double>(row.reference);
        cells[3] = TextBuilder().Fixed2(relative).Text("dB").Str();
        cells[4] = TextBuilder().Fixed2(row.reference).Text("dBm").Str();
    }
    cells[5] = RecordDateText(f[16], f[17], f[18], f[19], f[20]);
    return row;
}

std::string RecordDateText(unsigned y, unsigned m, unsigned d, unsigned h, unsigned mi) {
    return TextBuilder()
        .Text(y < 10 ? "200" : "20")
        .Int(y)
        .Text("-")
        .TwoDigits(m)
        .Text("-")
        .TwoDigits(d)
        .Text("  ")
        .TwoDigits(h)
        .Text(":")
        .TwoDigits(mi)
        .Text("  ")
        .Str();
}

bool IsUploadEnd(const ReplyFrame& f) {
    return f.Code() == static_cast<uint8_t>(FrameCode::Upload) && f.Length() == 4;
}

} // namespace vemla
