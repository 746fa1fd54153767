#pragma once

#include "FrameCodec.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace vemla {

// Lays out a frame: start byte, length byte, code, the fields, end byte. The length byte is
// the frame's whole size, written when the frame ends, so no builder can miscount it. Both the
// program's commands and the meter's replies are built here; the longest (a connect reply with
// 20 wavelengths, 52 bytes) fits the 64 bytes of an OutFrame, and the bound only guards a
// future builder that writes more.
class FrameWriter {
public:
    explicit FrameWriter(uint8_t code) {
        Byte(kFrameStart);
        Byte(0); // the length, set in End
        Byte(code);
    }
    explicit FrameWriter(FrameCode code) : FrameWriter(static_cast<uint8_t>(code)) {}

    void Byte(uint32_t value) {
        if (m_frame.size < m_frame.bytes.size())
            m_frame.bytes[m_frame.size++] = static_cast<uint8_t>(value & 0xFFu);
    }
    void U16(uint32_t value) {
        std::array<uint8_t, 2> field{};
        PutU16BE(field, value);
        Bytes(field);
    }
    void F32(float value) {
        std::array<uint8_t, 4> field{};
        PutF32BE(field, value);
        Bytes(field);
    }
    OutFrame End(uint8_t endByte = kFrameEnd) {
        Byte(endByte);
        m_frame.bytes[1] = static_cast<uint8_t>(m_frame.size);
        return m_frame;
    }
    std::vector<uint8_t> EndAsBytes(uint8_t endByte = kFrameEnd) {
        const OutFrame frame = End(endByte);
        return {frame.View().begin(), frame.View().end()};
    }

private:
    void Bytes(std::span<const uint8_t> field) {
        for (uint8_t b : field)
            Byte(b);
    }

    OutFrame m_frame;
};

} // namespace vemla
