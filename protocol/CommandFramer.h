#pragma once

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
    std::size_t Pending() const { return m_buffer.size(); }

private:
    void DropToNextStart(std::size_t from);
    std::vector<uint8_t> m_buffer;
};

} // namespace vemla
