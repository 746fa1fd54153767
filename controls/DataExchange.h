#pragma once
// Text-to-number rules of the dialogs' bound fields: surrounding blanks allowed, nothing else.

#include <QString>
#include <cstdint>
#include <optional>

namespace vemla {

std::optional<int32_t> ParseSignedDecimal(const QString& text);
std::optional<uint32_t> ParseUnsignedDecimal(const QString& text);

inline constexpr uint32_t kLaserMin = 0;
inline constexpr uint32_t kLaserMax = 7000;

} // namespace vemla
