#include "PortErrorText.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdio>

namespace vemla {

void TrimIncompleteUtf8Tail(std::string& text) {
    // Find the start of the last character, at most four bytes back.
    size_t back = 0;
    while (back < text.size() && back < 4) {
        const auto c = static_cast<unsigned char>(text[text.size() - 1 - back]);
        if ((c & 0xC0) != 0x80)
            break;
        ++back;
    }
    if (back == text.size())
        return;
    const size_t lead = text.size() - 1 - back;
    const auto c = static_cast<unsigned char>(text[lead]);
    size_t length = 1;
    if ((c & 0xE0) == 0xC0)
        length = 2;
    else if ((c & 0xF0) == 0xE0)
        length = 3;
    else if ((c & 0xF8) == 0xF0)
        length = 4;
    if (lead + length > text.size())
        text.resize(lead);
}

std::string FormatPortErrorText(std::string_view operation, std::string_view description,
                                uint32_t port) {
    std::array<char, kPortErrorTextCapacity> text{};
    const int fixed = std::snprintf(
        nullptr, 0, "WARNING:  %.*s Failed with the following error: \n\nPort: %" PRIu32 "\n",
        static_cast<int>(operation.size()), operation.data(), port);
    const long room = static_cast<long>(text.size()) - 1 - fixed;
    std::string cutDescription(description);
    if (room >= 0 && cutDescription.size() > static_cast<size_t>(room)) {
        cutDescription.resize(static_cast<size_t>(room));
        TrimIncompleteUtf8Tail(cutDescription);
    }
    const int n =
        std::snprintf(text.data(), text.size(),
                      "WARNING:  %.*s Failed with the following error: \n%.*s\nPort: %" PRIu32 "\n",
                      static_cast<int>(operation.size()), operation.data(),
                      static_cast<int>(cutDescription.size()), cutDescription.data(), port);
    std::string result(text.data(), n < 0 ? 0 : std::min<size_t>(n, text.size() - 1));
    if (n >= static_cast<int>(text.size()))
        TrimIncompleteUtf8Tail(result);
    return result;
}

} // namespace vemla
