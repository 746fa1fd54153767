#include "CommandFramer.h"

#include "FrameCodec.h"

#include <algorithm>

namespace vemla {

std::vector<std::vector<uint8_t>> CommandFramer::Feed(std::span<const uint8_t> bytes) {
    std::vector<std::vector<uint8_t>> frames;
    for (uint8_t byte : bytes) {
        if (m_size == 0 && byte != kFrameStart)
            continue; // garbage between frames
        m_buffer[m_size++] = byte;
        // A drop can leave bytes that already hold a whole frame or another bad start.
        while (m_size >= 2) {
            const std::size_t length = m_buffer[1];
            if (length < 4 || length > kMaxFrame) {
                DropToNextStart(1);
                continue;
            }
            if (m_size < length)
                break;
            const uint8_t end = m_buffer[length - 1];
            if (end != kFrameEnd && end != kFrameEndAlt) {
                DropToNextStart(1);
                continue;
            }
            frames.emplace_back(m_buffer.begin(),
                                m_buffer.begin() + static_cast<std::ptrdiff_t>(length));
            DropToNextStart(length);
        }
    }
    return frames;
}

void CommandFramer::DropToNextStart(std::size_t from) {
    const auto held = m_buffer.begin() + static_cast<std::ptrdiff_t>(m_size);
    const auto next =
        std::find(m_buffer.begin() + static_cast<std::ptrdiff_t>(from), held, kFrameStart);
    m_size = static_cast<std::size_t>(std::copy(next, held, m_buffer.begin()) - m_buffer.begin());
}

} // namespace vemla
