// Texts from the operator and the configuration file: hex frames, field numbers, port names,
// the INI reader and editor.
#include "CommandText.h"
#include "DataExchange.h"
#include "FrameCodec.h"
#include "IniFile.h"
#include "PortList.h"
#include "PortSource.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    std::array<uint8_t, 8> small{};
    if (vemla::HexToBytes(text, small) > small.size())
        __builtin_trap();

    const QString qtext = QString::fromUtf8(text.data(), static_cast<qsizetype>(size));
    (void)vemla::ParseSignedDecimal(qtext);
    (void)vemla::ParseUnsignedDecimal(qtext);
    (void)vemla::LeadingUnsigned(qtext);
    (void)vemla::LeadingDouble(qtext);
    (void)vemla::TimeFieldsFromText(std::string(text));

    if (vemla::MakePortName(7, text, vemla::CutFrom::Start).size() > vemla::kMaxPortNameLength)
        __builtin_trap();
    (void)vemla::ParsePortPathList(text);

    const QByteArray bytes(text.data(), static_cast<qsizetype>(size));
    (void)vemla::IniValue(bytes, "Section1", "Item");
    const QByteArray edited = vemla::IniWithValue(bytes, "Section1", "Item", "1");
    if (vemla::IniValue(edited, "Section1", "Item") != QByteArray("1"))
        __builtin_trap();  // what was written must read back
    return 0;
}
