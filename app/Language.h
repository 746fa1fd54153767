#pragma once
// The two languages: the caption table of the main window and the configuration file rule.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <span>

namespace vemla {

inline constexpr int8_t kEnglish = 0;
inline constexpr int8_t kChinese = 1;

// Entries of the language list, the same in both languages: index 0 Chinese, index 1 English.
inline constexpr const char* kLanguageEntries[] = {"中文", "ENGLISH"};

struct CaptionPair {
    int id;
    const char* english;
    const char* chinese;
};

// Captions the language switch sets, in the order it sets them.
std::span<const CaptionPair> CaptionTable();

inline constexpr const char* kIniSection = "Section1";
inline constexpr const char* kIniKey = "Item";
inline constexpr const char* kIniFileName = "Vemla.ini";

// The language a stored value stands for: its first byte minus '0', in 8-bit signed arithmetic,
// so "0…" is English, "1…" Chinese and anything else (an empty value too) out of range.
int8_t LanguageFromStoredValue(const QByteArray& value);

// "Vemla.ini" in the current directory at the moment of the call.
QString ConfigFilePath();

} // namespace vemla
