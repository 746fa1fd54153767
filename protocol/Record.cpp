#include "Record.h"

#include "TextBuilder.h"

namespace vemla {

RecordValues DecodeRecord(const ReplyFrame& f) {
    RecordValues r;
    r.index = f.U16At(3);
    r.wavelength = f.U16At(5);
    r.power = f.F32At(7);
    r.reference = f.F32At(11);
    r.relative = f[15] != 0;
    r.date = {f[16], f[17], f[18], f[19], f[20]};
    return r;
}

std::array<std::string, kRecordTexts> FormatRecordTexts(const RecordValues& r) {
    std::array<std::string, kRecordTexts> texts;
    texts[0] = TextBuilder().Int(r.index + 1u).Str();
    texts[1] = TextBuilder().Int(r.wavelength).Str();
    const bool power = IsPowerReading(r.power);
    texts[2] = power ? TextBuilder().Fixed2(r.power).Text("dBm").Str() : kNoValueText;
    if (r.relative) {
        const bool reference = IsPowerReading(r.reference);
        const double relative = static_cast<double>(r.power) - static_cast<double>(r.reference);
        texts[3] =
            power && reference ? TextBuilder().Fixed2(relative).Text("dB").Str() : kNoValueText;
        texts[4] = reference ? TextBuilder().Fixed2(r.reference).Text("dBm").Str() : kNoValueText;
    }
    const RecordDate& d = r.date;
    texts[5] = RecordDateText(d.year, d.month, d.day, d.hour, d.minute);
    return texts;
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

} // namespace vemla
