#include "LineSettings.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <optional>
#include <utility>
#include <vector>

namespace vemla {

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::optional<uint32_t> ParseDecimal(std::string_view text) {
    if (text.empty() || text.size() > 10)
        return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value > UINT32_MAX)
        return std::nullopt;
    return static_cast<uint32_t>(value);
}

std::optional<bool> ParseOnOff(std::string_view text) {
    if (EqualsNoCase(text, "on"))
        return true;
    if (EqualsNoCase(text, "off"))
        return false;
    return std::nullopt;
}

std::vector<std::string_view> SplitBlanks(std::string_view text) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t')
            ++i;
        if (i > start)
            words.push_back(text.substr(start, i - start));
    }
    return words;
}

bool ApplyBaud(std::string_view value, LineState& s) {
    const auto baud = ParseDecimal(value);
    if (!baud || *baud == 0)
        return false;
    s.baud = *baud;
    return true;
}

bool ApplyParity(std::string_view value, LineState& s) {
    constexpr std::array<std::pair<char, Parity>, 5> kLetters{{
        {'n', Parity::None},
        {'o', Parity::Odd},
        {'e', Parity::Even},
        {'m', Parity::Mark},
        {'s', Parity::Space},
    }};
    if (value.size() != 1)
        return false;
    const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(value[0])));
    for (const auto& [name, parity] : kLetters) {
        if (letter == name) {
            s.parity = parity;
            return true;
        }
    }
    return false;
}

bool ApplyDataBits(std::string_view value, LineState& s) {
    const auto bits = ParseDecimal(value);
    if (!bits || *bits < 5 || *bits > 8)
        return false;
    s.dataBits = static_cast<uint8_t>(*bits);
    return true;
}

bool ApplyStopBits(std::string_view value, LineState& s) {
    if (value == "1")
        s.stopBits = StopBits::One;
    else if (value == "1.5")
        s.stopBits = StopBits::OnePointFive;
    else if (value == "2")
        s.stopBits = StopBits::Two;
    else
        return false;
    return true;
}

template <bool LineState::*field> bool ApplyOnOff(std::string_view value, LineState& s) {
    const auto on = ParseOnOff(value);
    if (!on)
        return false;
    s.*field = *on;
    return true;
}

bool ApplyDtr(std::string_view value, LineState& s) {
    if (EqualsNoCase(value, "hs"))
        s.dtr = DtrControl::Handshake;
    else if (auto on = ParseOnOff(value))
        s.dtr = *on ? DtrControl::Enable : DtrControl::Disable;
    else
        return false;
    return true;
}

bool ApplyRts(std::string_view value, LineState& s) {
    if (EqualsNoCase(value, "hs"))
        s.rts = RtsControl::Handshake;
    else if (EqualsNoCase(value, "tg"))
        s.rts = RtsControl::Toggle;
    else if (auto on = ParseOnOff(value))
        s.rts = *on ? RtsControl::Enable : RtsControl::Disable;
    else
        return false;
    return true;
}

// Each key of the settings string; naming any flow-control key keeps the flow settings that
// are not named.
struct SettingsKey {
    std::string_view name;
    bool (*apply)(std::string_view value, LineState& s);
    bool flow;
};

constexpr std::array kSettingsKeys{
    SettingsKey{"baud", ApplyBaud, false},
    SettingsKey{"parity", ApplyParity, false},
    SettingsKey{"data", ApplyDataBits, false},
    SettingsKey{"stop", ApplyStopBits, false},
    SettingsKey{"to", ApplyOnOff<&LineState::infiniteTimeout>, false},
    SettingsKey{"xon", ApplyOnOff<&LineState::xonXoff>, true},
    SettingsKey{"odsr", ApplyOnOff<&LineState::dsrFlow>, true},
    SettingsKey{"octs", ApplyOnOff<&LineState::ctsFlow>, true},
    SettingsKey{"idsr", ApplyOnOff<&LineState::dsrSensitive>, true},
    SettingsKey{"dtr", ApplyDtr, true},
    SettingsKey{"rts", ApplyRts, true},
};

bool ApplyWord(std::string_view key, std::string_view value, LineState& s, bool& flowNamed) {
    for (const SettingsKey& k : kSettingsKeys) {
        if (!EqualsNoCase(key, k.name))
            continue;
        if (!k.apply(value, s))
            return false;
        flowNamed = flowNamed || k.flow;
        return true;
    }
    return false;
}

} // namespace

std::string FormatSettingsString(int baud, char parity, int dataBits, int stopBits) {
    std::array<char, kSettingsTextCapacity> text{};
    std::snprintf(text.data(), text.size(), "baud=%d parity=%c data=%d stop=%d", baud, parity,
                  dataBits, stopBits);
    return std::string(text.data());
}

bool ApplySettingsString(std::string_view settings, LineState& state) {
    const auto words = SplitBlanks(settings);
    if (words.empty())
        return false;
    LineState edited = state;
    bool flowNamed = false;
    for (std::string_view word : words) {
        const size_t eq = word.find('=');
        if (eq == std::string_view::npos || eq == 0)
            return false;
        if (!ApplyWord(word.substr(0, eq), word.substr(eq + 1), edited, flowNamed))
            return false;
    }
    if (!flowNamed) {
        edited.xonXoff = false;
        edited.ctsFlow = false;
        edited.dsrFlow = false;
        edited.dsrSensitive = false;
        if (edited.rts == RtsControl::Handshake)
            edited.rts = RtsControl::Enable;
        if (edited.dtr == DtrControl::Handshake)
            edited.dtr = DtrControl::Enable;
    }
    state = edited;
    return true;
}

} // namespace vemla
