#pragma once

#include "FrameCodec.h"
#include "ReplyFrame.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace vemla {

// Rebuilds reply frames from the received byte stream. The length byte alone delimits a frame:
// it is complete when the byte count reaches it on a 0x55 byte; a 0xAA inside an open frame is
// data. A frame known to be bad (length byte below 3 or above 200, or no 0x55 at position L-1)
// is abandoned and the bytes stored after its start byte are run again from the next 0xAA among
// them, so a good frame that followed a cut-off one is not lost.
class ReplyAssembler {
public:
    static constexpr std::size_t kCapacity = ReplyFrame::kCapacity;

    // Feeds one received byte. onFrame(const ReplyFrame&) is called for every frame that
    // completes, after the assembler is reset for the next one; a byte that triggers a rescan
    // may complete several. onFrame must not call Feed.
    template <class F> void Feed(uint8_t byte, F&& onFrame) {
        Result result = Step(byte);
        if (result == Result::Pending) [[likely]]
            return;
        if (result == Result::Complete) {
            onFrame(std::as_const(m_frame));
            return;
        }
        // Iterative on purpose: every rescan replays strictly fewer bytes than the one before,
        // so this ends, and the stack stays flat whatever the line delivers.
        std::size_t end = Requeue(0, 0);
        for (std::size_t pos = 0; pos < end;) {
            result = Step(m_replay[pos++]);
            if (result == Result::Complete) {
                onFrame(std::as_const(m_frame));
            } else if (result == Result::Abandoned) {
                end = Requeue(pos, end);
                pos = 0;
            }
        }
    }

    bool InFrame() const { return m_inFrame; }
    void Reset();

private:
    enum class Result : uint8_t { Pending, Complete, Abandoned };

    Result Step(uint8_t byte) {
        if (!m_inFrame) {
            if (byte != kFrameStart)
                return Result::Pending; // noise between frames
            m_inFrame = true;
        }
        m_buffer[m_count++] = byte;
        if (m_count < 2)
            return Result::Pending;
        const std::size_t length = m_buffer[1];
        if (m_count == 2)
            return length < 3 || length > kCapacity ? Result::Abandoned : Result::Pending;
        if (m_count < length)
            return Result::Pending;
        // m_count == length: the end byte must stand here, so m_count never passes 200.
        if (byte != kFrameEnd)
            return Result::Abandoned;
        m_frame.Assign({m_buffer.data(), m_count});
        m_inFrame = false;
        m_count = 0;
        return Result::Complete;
    }

    // Drops the abandoned frame and queues, for replay, its stored bytes from the first 0xAA
    // after its start byte, followed by the not yet replayed m_replay[pos, end). Returns the
    // new replay length.
    std::size_t Requeue(std::size_t pos, std::size_t end);

    bool m_inFrame = false;
    std::size_t m_count = 0;
    std::array<uint8_t, kCapacity> m_buffer{};
    std::array<uint8_t, kCapacity> m_replay{};
    ReplyFrame m_frame;
};

} // namespace vemla
