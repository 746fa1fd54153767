#pragma once

#include "FrameCodec.h"
#include <algorithm>

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace vemla {

// A completed inbound frame, held in its own storage. Reading past the frame's own bytes gives
// 0, so a short frame never shows bytes of an earlier one.
class ReplyFrame {
public:
    static constexpr std::size_t kCapacity = 200;

    ReplyFrame() = default;
    explicit ReplyFrame(std::span<const uint8_t> bytes) { Assign(bytes); }

    // Keeps at most kCapacity bytes. Bytes past the new size are not cleared: nothing reads them.
    void Assign(std::span<const uint8_t> bytes) {
        m_size = std::min(bytes.size(), kCapacity);
        std::copy_n(bytes.begin(), m_size, m_bytes.begin());
    }

    uint8_t operator[](std::size_t i) const { return i < m_size ? m_bytes[i] : uint8_t{0}; }
    uint8_t Length() const { return (*this)[1]; }
    uint8_t Code() const { return (*this)[2]; }
    // Big-endian fields, as the meter sends them.
    uint16_t U16At(std::size_t i) const {
        return static_cast<uint16_t>((*this)[i] << 8 | (*this)[i + 1]);
    }
    float F32At(std::size_t i) const {
        const std::array<uint8_t, 4> field{(*this)[i], (*this)[i + 1], (*this)[i + 2],
                                           (*this)[i + 3]};
        return FloatFromBytesBE(field);
    }
    std::span<const uint8_t> Bytes() const { return {m_bytes.data(), m_size}; }

private:
    std::array<uint8_t, kCapacity> m_bytes{};
    std::size_t m_size = 0;
};

} // namespace vemla
