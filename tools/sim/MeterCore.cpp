#include "MeterCore.h"

#include "FrameCodec.h"

#include <algorithm>
#include <cmath>

namespace vemla {

namespace {

constexpr uint8_t kUnknownCode = 0x04;
// Lengths the program's assembler can never take for a frame, so a noise 0xAA followed by one
// of them is dropped at once and cannot swallow the record behind it.
constexpr std::array<uint8_t, 4> kBadLengths{0, 2, 201, 255};

uint64_t SplitMix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

std::vector<uint8_t> Ack(uint8_t code) {
    return {kFrameStart, 4, code, kFrameEnd};
}

uint16_t U16At(std::span<const uint8_t> frame, std::size_t at) {
    return static_cast<uint16_t>(frame[at] << 8 | frame[at + 1]);
}

int DaysIn(int month, int year) {
    static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && year % 4 == 0 ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

// A power in hundredths of a dBm, as the meter's display rounds it.
float Hundredths(uint64_t bits, int fromCentis, int span) {
    return -static_cast<float>(fromCentis + static_cast<int>(bits % static_cast<uint64_t>(span))) /
           100.0f;
}

} // namespace

std::vector<uint8_t> EncodeRecordFrame(uint16_t index, const SimRecord& r) {
    std::vector<uint8_t> f(kRecordFrameSize);
    f[0] = kFrameStart;
    f[1] = static_cast<uint8_t>(kRecordFrameSize);
    f[2] = static_cast<uint8_t>(FrameCode::Upload);
    PutU16BE(std::span<uint8_t, 2>(f.data() + 3, 2), index);
    PutU16BE(std::span<uint8_t, 2>(f.data() + 5, 2), r.wavelength);
    PutF32BE(std::span<uint8_t, 4>(f.data() + 7, 4), r.power);
    PutF32BE(std::span<uint8_t, 4>(f.data() + 11, 4), r.reference);
    f[15] = r.relative;
    f[16] = r.year;
    f[17] = r.month;
    f[18] = r.day;
    f[19] = r.hour;
    f[20] = r.minute;
    f[21] = kFrameEnd;
    return f;
}

std::vector<SimRecord> GenerateRecords(int count, std::span<const uint16_t> waves, uint32_t seed) {
    count = std::clamp(count, 0, kSimMaxRecords);
    std::vector<SimRecord> records;
    records.reserve(static_cast<std::size_t>(count));
    const uint64_t base = SplitMix(seed);
    for (int i = 0; i < count; ++i) {
        // Each record from its own hash, so no record depends on the ones before it.
        const uint64_t a = SplitMix(base + static_cast<uint64_t>(i) * 2);
        const uint64_t b = SplitMix(base + static_cast<uint64_t>(i) * 2 + 1);
        SimRecord r{};
        r.wavelength = waves.empty() ? 1310 : waves[a % waves.size()];
        r.power = Hundredths(a >> 8, 500, 3501); // -5.00 .. -40.00 dBm
        r.reference = Hundredths(a >> 24, 500, 3501);
        r.relative = static_cast<uint8_t>((a >> 40) & 1);
        const int year = 13 + static_cast<int>(b % 14); // 2013 .. 2026
        const int month = 1 + static_cast<int>((b >> 8) % 12);
        r.year = static_cast<uint8_t>(year);
        r.month = static_cast<uint8_t>(month);
        r.day = static_cast<uint8_t>(
            1 + static_cast<int>((b >> 16) % static_cast<uint64_t>(DaysIn(month, year))));
        r.hour = static_cast<uint8_t>((b >> 24) % 24);
        r.minute = static_cast<uint8_t>((b >> 32) % 60);
        records.push_back(r);
    }
    return records;
}

std::vector<std::vector<uint8_t>> CommandFramer::Feed(std::span<const uint8_t> bytes) {
    std::vector<std::vector<uint8_t>> frames;
    for (uint8_t byte : bytes) {
        if (m_buffer.empty() && byte != kFrameStart)
            continue; // garbage between frames
        m_buffer.push_back(byte);
        // A drop can leave bytes that already hold a whole frame or another bad start.
        while (m_buffer.size() >= 2) {
            const std::size_t length = m_buffer[1];
            if (length < 4 || length > kMaxFrame) {
                DropToNextStart(1);
                continue;
            }
            if (m_buffer.size() < length)
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
    auto next = std::find(m_buffer.begin() + static_cast<std::ptrdiff_t>(from), m_buffer.end(),
                          kFrameStart);
    m_buffer.erase(m_buffer.begin(), next);
}

MeterCore::MeterCore(const SimOptions& options)
    : m_faults(options.faults), m_lasers(options.lasers), m_random(SplitMix(options.faults.seed)) {
    m_waves.assign(options.waves.begin(),
                   options.waves.begin() +
                       static_cast<std::ptrdiff_t>(std::min(options.waves.size(), kSimMaxWaves)));
    m_records = GenerateRecords(options.records, m_waves, options.faults.seed);
    m_selectedWave = m_waves.empty() ? -1 : 0;
}

uint32_t MeterCore::NextRandom() {
    m_random = SplitMix(m_random);
    return static_cast<uint32_t>(m_random >> 32);
}

std::vector<uint8_t> MeterCore::Handle(std::span<const uint8_t> frame) {
    m_hangUpAfter.reset();
    if (frame.size() < 4 || frame[0] != kFrameStart || frame[1] != frame.size())
        return {}; // not a frame: the meter has nothing to answer
    const uint8_t code = frame[2];
    const std::size_t size = frame.size();
    switch (static_cast<FrameCode>(code)) {
    case FrameCode::Connect:
        return Connect();
    case FrameCode::ReadPower:
        return ReadPower();
    case FrameCode::SelectWave:
        // 0xFF (nothing chosen) is never an index the meter has.
        if (size == 5 && frame[3] < m_waves.size()) {
            m_selectedWave = frame[3];
            return Ack(code);
        }
        return Ack(static_cast<uint8_t>(FrameCode::SelectWaveFailed));
    case FrameCode::Upload:
        return Upload();
    case FrameCode::DeleteSelected: {
        // Carries the row index + 1; 0 means the program had no row selected.
        const std::size_t number = size == 6 ? U16At(frame, 3) : 0;
        if (number == 0 || number > m_records.size())
            return Ack(kUnknownCode);
        m_records.erase(m_records.begin() + static_cast<std::ptrdiff_t>(number - 1));
        return Ack(code);
    }
    case FrameCode::DeleteAll:
        m_records.clear();
        return Ack(code);
    case FrameCode::SetCalibration:
        if (size != 8)
            return Ack(kUnknownCode);
        m_calibration = FloatFromBytesBE(std::span<const uint8_t, 4>(frame.data() + 3, 4));
        if (!std::isfinite(m_calibration)) {
            m_calibration = 0.0f;
            return Ack(kUnknownCode);
        }
        return Ack(code);
    case FrameCode::SetTime:
        if (size != 9)
            return Ack(kUnknownCode);
        std::copy_n(frame.begin() + 3, m_time.size(), m_time.begin());
        return Ack(code);
    case FrameCode::SetDeviceWaves: {
        const std::size_t count = size >= 5 ? frame[3] : 0;
        if (size < 5 || count > kSimMaxWaves || size != 2 * count + 5)
            return Ack(kUnknownCode);
        m_waves.clear();
        for (std::size_t i = 0; i < count; ++i)
            m_waves.push_back(U16At(frame, 4 + 2 * i));
        if (m_selectedWave >= static_cast<int>(m_waves.size()))
            m_selectedWave = m_waves.empty() ? -1 : 0;
        return Ack(code);
    }
    case FrameCode::SetLasers:
        if (size != 12)
            return Ack(kUnknownCode);
        for (std::size_t i = 0; i < m_lasers.size(); ++i)
            m_lasers[i] = U16At(frame, 3 + 2 * i);
        return Ack(code);
    case FrameCode::SetPinType:
        if (size != 5 || frame[3] > 1)
            return Ack(kUnknownCode);
        m_pinType = frame[3];
        return Ack(code);
    case FrameCode::WaveEditChange:
        return {}; // the program expects no reply
    default:
        return Ack(kUnknownCode);
    }
}

std::vector<uint8_t> MeterCore::Connect() const {
    std::vector<uint8_t> f;
    f.reserve(12 + 2 * m_waves.size());
    f.push_back(kFrameStart);
    f.push_back(static_cast<uint8_t>(12 + 2 * m_waves.size()));
    f.push_back(static_cast<uint8_t>(FrameCode::Connect));
    auto put = [&f](uint16_t v) {
        f.push_back(static_cast<uint8_t>(v >> 8));
        f.push_back(static_cast<uint8_t>(v));
    };
    for (uint16_t w : m_waves)
        put(w);
    for (uint16_t l : m_lasers)
        put(l);
    f.push_back(kFrameEnd);
    return f;
}

std::vector<uint8_t> MeterCore::ReadPower() {
    // A slow swing plus a little jitter around -10 dBm, as a steady source reads.
    const double swing = 0.05 * std::sin(0.7 * static_cast<double>(m_powerSteps++));
    const double jitter = static_cast<double>(NextRandom() % 41) / 1000.0 - 0.02;
    const auto power = static_cast<float>(-10.0 + swing + jitter);
    std::vector<uint8_t> f{kFrameStart, 8, static_cast<uint8_t>(FrameCode::ReadPower), 0, 0, 0, 0,
                           kFrameEnd};
    PutF32BE(std::span<uint8_t, 4>(f.data() + 3, 4), power);
    return f;
}

void MeterCore::AppendNoise(std::vector<uint8_t>& out) {
    const uint32_t count = NextRandom() % 9; // 0..8 bytes
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t pick = NextRandom();
        switch (pick % 4) {
        case 0:
            // A false start, always followed by a length no reply can have.
            out.push_back(kFrameStart);
            out.push_back(kBadLengths[(pick >> 8) % kBadLengths.size()]);
            break;
        case 1:
            out.push_back(kFrameEnd);
            break;
        default: {
            const auto b = static_cast<uint8_t>(pick >> 16);
            out.push_back(b == kFrameStart ? 0x00 : b);
        }
        }
    }
}

std::vector<uint8_t> MeterCore::Upload() {
    const SimFaults& f = m_faults;
    std::vector<uint8_t> out;
    out.reserve(m_records.size() * kRecordFrameSize + 4);
    bool noiseAllowed = false;
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        if (f.noise && noiseAllowed)
            AppendNoise(out);
        noiseAllowed = true;
        const int index = static_cast<int>(i);
        std::vector<uint8_t> rec = EncodeRecordFrame(static_cast<uint16_t>(i), m_records[i]);
        if (index == f.corruptLengthRecord)
            rec[1] = kBadLengths[f.seed % kBadLengths.size()];
        if (index == f.cutRecord) {
            // Half a record, then straight on with the next frame: its bytes land where the cut
            // record's end byte is awaited, which is never an 0x55 for a frame behind the cut
            // (record byte 10 is checked; the 4-byte end frame cannot reach position 21).
            std::size_t keep = 11;
            if (i + 1 < m_records.size()) {
                const auto next = EncodeRecordFrame(static_cast<uint16_t>(i + 1), m_records[i + 1]);
                while (next[kRecordFrameSize - 1 - keep] == kFrameEnd)
                    ++keep;
            }
            out.insert(out.end(), rec.begin(), rec.begin() + static_cast<std::ptrdiff_t>(keep));
            noiseAllowed = false;
        } else {
            out.insert(out.end(), rec.begin(), rec.end());
        }
        if (index == f.overlongRecord) {
            out.push_back(kFrameStart);
            out.push_back(0xFF);
            for (std::size_t k = 2; k + 1 < kOverlongRunSize; ++k) {
                const auto b = static_cast<uint8_t>(NextRandom());
                out.push_back(b == kFrameStart ? 0x00 : b);
            }
            out.push_back(kFrameEnd);
        }
        if (index == f.hangUpAfterRecord) {
            m_hangUpAfter = out.size();
            return out; // the line dies here: no end frame
        }
    }
    if (f.noise && noiseAllowed)
        AppendNoise(out);
    const std::vector<uint8_t> end = Ack(static_cast<uint8_t>(FrameCode::Upload));
    out.insert(out.end(), end.begin(), end.end());
    return out;
}

} // namespace vemla
