#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vemla {

inline constexpr const char* kPortErrorCaption = "Application Error";
// The box text is composed in a buffer of this size, terminator included.
inline constexpr size_t kPortErrorTextCapacity = 200;

// "WARNING:  <operation> Failed with the following error: \n<description>\nPort: <n>\n", at most
// kPortErrorTextCapacity - 1 bytes. A long description is cut (on a UTF-8 character boundary) so
// that the port line stays.
std::string FormatPortErrorText(std::string_view operation, std::string_view description,
                                uint32_t port);

// Drops a UTF-8 sequence left incomplete at the end of text.
void TrimIncompleteUtf8Tail(std::string& text);

} // namespace vemla
