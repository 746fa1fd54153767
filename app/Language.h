#pragma once
// The configuration file's rule for the language; the language itself and the captions it
// selects live with the other texts in res/Texts.h.

#include "Texts.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace vemla {

inline constexpr const char* kIniSection = "Section1";
inline constexpr const char* kIniKey = "Item";
inline constexpr const char* kIniFileName = "Vemla.ini";

// The value a stored text stands for: its first byte minus '0', in 8-bit signed arithmetic, so
// "0…" is 0 (English), "1…" 1 (Chinese) and anything else (an empty value too) out of range.
// Only the start-up check turns it into a Language.
int8_t LanguageFromStoredValue(const QByteArray& value);
// What the file gets: "0" or "1".
QByteArray StoredValueOf(Language language);

// "Vemla.ini" in the current directory at the moment of the call.
QString ConfigFilePath();

} // namespace vemla
