#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vemla {

// Splits the program's byte stream into frames by their length byte, as the meter reads it. A
// frame ends in 0x55 or 0xBB (two of the program's frames end in 0xBB). Bytes before a start
// byte are skipped, and a frame that cannot be one (length below 4 or above the longest the
// program sends, wrong end byte) is dropped and the stream re-read from the next 0xAA inside it.
class CommandFramer {
public:
    // Longest frame the program sends is 45 bytes; leave some room.
    static constexpr std::size_t kMaxFrame = 64;

    std::vector<std::vector<uint8_t>> Feed(std::span<const uint8_t> bytes);

private:
    void DropToNextStart(std::size_t from);
    // A frame is taken or dropped once it holds its length's bytes, so never more than the
    // longest one is held, whatever the stream.
    std::array<uint8_t, kMaxFrame> m_buffer{};
    std::size_t m_size = 0;
};

} // namespace vemla
