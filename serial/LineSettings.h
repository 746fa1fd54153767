#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vemla {

enum class Parity : uint8_t { None, Odd, Even, Mark, Space };
enum class StopBits : uint8_t { One, OnePointFive, Two };
enum class RtsControl : uint8_t { Disable, Enable, Handshake, Toggle };
enum class DtrControl : uint8_t { Disable, Enable, Handshake };

// The port's line settings as the engine reads, edits and writes them back, in the terms of a
// settings string; the platform device turns them into its own line record.
struct LineState {
    uint32_t baud = 9600;
    uint8_t dataBits = 8;
    Parity parity = Parity::None;
    StopBits stopBits = StopBits::One;
    RtsControl rts = RtsControl::Enable;
    DtrControl dtr = DtrControl::Enable;
    bool ctsFlow = false; // output held while CTS is low
    bool dsrFlow = false; // output held while DSR is low
    bool dsrSensitive = false;
    bool xonXoff = false;
    bool infiniteTimeout = false;
    char eventChar = 0;

    bool operator==(const LineState&) const = default;
};

// The settings text formed for Open; built in a 50-byte buffer, so extreme values are cut, and a
// NUL parity character ends the text there (the parse then fails).
inline constexpr size_t kSettingsTextCapacity = 50;
std::string FormatSettingsString(int baud, char parity, int dataBits, int stopBits);

// Applies "baud=.. parity=.. data=.. stop=.." (keywords in any case, separated by blanks, optional
// to/xon/odsr/octs/dtr/rts/idsr switches) to state. A string that names no flow control switches
// XON/XOFF and hardware flow control off. On any bad keyword or value nothing is changed and false
// is returned.
bool ApplySettingsString(std::string_view settings, LineState& state);

} // namespace vemla
