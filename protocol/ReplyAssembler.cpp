#include "ReplyAssembler.h"

#include <algorithm>
#include <cstring>

namespace vemla {

void ReplyAssembler::Reset() {
    m_inFrame = false;
    m_count = 0;
}

std::size_t ReplyAssembler::Requeue(std::size_t pos, std::size_t end) {
    const uint8_t* stored = m_buffer.data();
    const uint8_t* first = std::find(stored + 1, stored + m_count, kFrameStart);
    const auto head = static_cast<std::size_t>(stored + m_count - first);
    const std::size_t tail = end - pos;
    // The abandoned frame began at or after replay index 0 and holds m_replay[..pos), so
    // head < pos: the tail moves left (memmove) and the head lands in front of it.
    std::memmove(m_replay.data() + head, m_replay.data() + pos, tail);
    std::memcpy(m_replay.data(), first, head);
    Reset();
    return head + tail;
}

} // namespace vemla
