#include "MeterCore.h"

#include "ReplyEncoder.h"

#include <algorithm>
#include <cmath>

namespace vemla {

namespace {

constexpr std::size_t kRecordFrameSize = 22;
// Lengths the program's assembler can never take for a frame, so a noise 0xAA followed by one
// of them is dropped at once and cannot swallow the record behind it.
constexpr std::array<uint8_t, 4> kBadLengths{0, 2, 201, 255};

uint64_t SplitMix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

uint16_t U16At(std::span<const uint8_t> frame, std::size_t at) {
    return static_cast<uint16_t>(frame[at] << 8 | frame[at + 1]);
}

// The meter takes a calibration value that is a number, not NaN or infinite.
bool TakesCalibration(std::span<const uint8_t> frame) {
    return frame.size() == 8 &&
           std::isfinite(FloatFromBytesBE(std::span<const uint8_t, 4>(frame.data() + 3, 4)));
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

std::vector<RecordValues> GenerateRecords(int count, std::span<const uint16_t> waves,
                                          uint32_t seed) {
    count = std::clamp(count, 0, kSimMaxRecords);
    std::vector<RecordValues> records;
    records.reserve(static_cast<std::size_t>(count));
    const uint64_t base = SplitMix(seed);
    for (int i = 0; i < count; ++i) {
        // Each record from its own hash, so no record depends on the ones before it.
        const uint64_t a = SplitMix(base + static_cast<uint64_t>(i) * 2);
        const uint64_t b = SplitMix(base + static_cast<uint64_t>(i) * 2 + 1);
        RecordValues r;
        r.index = static_cast<uint16_t>(i);
        r.wavelength = waves.empty() ? 1310 : waves[a % waves.size()];
        r.power = Hundredths(a >> 8, 500, 3501); // -5.00 .. -40.00 dBm
        r.reference = Hundredths(a >> 24, 500, 3501);
        r.relative = ((a >> 40) & 1) != 0;
        const int year = 13 + static_cast<int>(b % 14); // 2013 .. 2026
        const int month = 1 + static_cast<int>((b >> 8) % 12);
        r.date.year = static_cast<uint8_t>(year);
        r.date.month = static_cast<uint8_t>(month);
        r.date.day = static_cast<uint8_t>(
            1 + static_cast<int>((b >> 16) % static_cast<uint64_t>(DaysIn(month, year))));
        r.date.hour = static_cast<uint8_t>((b >> 24) % 24);
        r.date.minute = static_cast<uint8_t>((b >> 32) % 60);
        records.push_back(r);
    }
    return records;
}

SimOptions OptionsOfMeter(const SimOptions& first, int meter) {
    SimOptions options = first;
    options.faults.seed = first.faults.seed + static_cast<uint32_t>(meter);
    options.powerLevel = first.powerLevel - kSimLevelStep * meter;
    return options;
}

MeterCore::MeterCore(const SimOptions& options)
    : m_faults(options.faults), m_lasers(options.lasers), m_random(SplitMix(options.faults.seed)),
      m_powerLevel(options.powerLevel),
      m_driftPhase(static_cast<double>(SplitMix(~uint64_t{options.faults.seed}) % 6283) / 1000.0) {
    m_waves.assign(options.waves.begin(),
                   options.waves.begin() +
                       static_cast<std::ptrdiff_t>(std::min(
                           options.waves.size(), static_cast<std::size_t>(kMaxDeviceWaves))));
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
    const auto code = static_cast<FrameCode>(frame[2]);
    switch (code) {
    case FrameCode::Connect:
        return Connect();
    case FrameCode::ReadPower:
        return ReadPower();
    case FrameCode::SelectWave:
        return SelectWave(frame) ? EncodeAck(code) : EncodeSelectWaveFailed();
    case FrameCode::Upload:
        return Upload();
    case FrameCode::DeleteSelected:
        return Answer(code, DeleteSelected(frame));
    case FrameCode::DeleteAll:
        m_records.clear();
        return EncodeAck(code);
    case FrameCode::SetCalibration:
        return Answer(code, TakesCalibration(frame));
    case FrameCode::SetTime:
        return Answer(code, frame.size() == 9);
    case FrameCode::SetDeviceWaves:
        return Answer(code, SetDeviceWaves(frame));
    case FrameCode::SetLasers:
        return Answer(code, SetLasers(frame));
    case FrameCode::SetPinType:
        return Answer(code, frame.size() == 5 && frame[3] <= 1);
    case FrameCode::WaveEditChange:
        return {}; // the program expects no reply
    default:
        return EncodeFailure();
    }
}

std::vector<uint8_t> MeterCore::Answer(FrameCode code, bool accepted) {
    return accepted ? EncodeAck(code) : EncodeFailure();
}

bool MeterCore::SelectWave(std::span<const uint8_t> frame) {
    // 0xFF (nothing chosen) is never an index the meter has.
    if (frame.size() != 5 || frame[3] >= m_waves.size())
        return false;
    m_selectedWave = frame[3];
    return true;
}

bool MeterCore::DeleteSelected(std::span<const uint8_t> frame) {
    // Carries the row index + 1; 0 means the program had no row selected.
    const std::size_t number = frame.size() == 6 ? U16At(frame, 3) : 0;
    if (number == 0 || number > m_records.size())
        return false;
    m_records.erase(m_records.begin() + static_cast<std::ptrdiff_t>(number - 1));
    // The meter numbers its records by position: those behind move up one.
    for (std::size_t i = number - 1; i < m_records.size(); ++i)
        m_records[i].index = static_cast<uint16_t>(i);
    return true;
}

bool MeterCore::SetDeviceWaves(std::span<const uint8_t> frame) {
    const std::size_t size = frame.size();
    const std::size_t count = size >= 5 ? frame[3] : 0;
    if (size < 5 || count > static_cast<std::size_t>(kMaxDeviceWaves) || size != 2 * count + 5)
        return false;
    m_waves.clear();
    for (std::size_t i = 0; i < count; ++i)
        m_waves.push_back(U16At(frame, 4 + 2 * i));
    if (m_selectedWave >= static_cast<int>(m_waves.size()))
        m_selectedWave = m_waves.empty() ? -1 : 0;
    return true;
}

bool MeterCore::SetLasers(std::span<const uint8_t> frame) {
    if (frame.size() != 12)
        return false;
    for (std::size_t i = 0; i < m_lasers.size(); ++i)
        m_lasers[i] = U16At(frame, 3 + 2 * i);
    return true;
}

std::vector<uint8_t> MeterCore::Connect() const {
    return EncodeConnectReply(m_waves, m_lasers);
}

std::vector<uint8_t> MeterCore::ReadPower() {
    // A source warming up and a connector settling: a slow drift of a few hundredths over about
    // ten minutes of readings at 5 a second, noise of a couple of hundredths, and a step when
    // the wavelength changes, as fibre loss differs between wavelengths.
    const double n = static_cast<double>(m_powerSteps++);
    const double drift = 0.05 * std::sin(n * 2.0 * 3.141592653589793 / 3000.0 + m_driftPhase) +
                         0.03 * std::sin(0.7 * n) / (1.0 + n / 50.0);
    const double noise = static_cast<double>(NextRandom() % 41) / 1000.0 - 0.02;
    const double step = m_selectedWave > 0 ? -0.35 * m_selectedWave : 0.0;
    return EncodePowerReply(static_cast<float>(m_powerLevel + step + drift + noise));
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
        std::vector<uint8_t> rec = EncodeRecordReply(m_records[i]);
        if (index == f.corruptLengthRecord)
            rec[1] = kBadLengths[f.seed % kBadLengths.size()];
        if (index == f.cutRecord) {
            // Half a record, then straight on with the next frame: its bytes land where the cut
            // record's end byte is awaited, which is never an 0x55 for a frame behind the cut
            // (record byte 10 is checked; the 4-byte end frame cannot reach position 21).
            std::size_t keep = 11;
            if (i + 1 < m_records.size()) {
                const auto next = EncodeRecordReply(m_records[i + 1]);
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
    const std::vector<uint8_t> end = EncodeUploadEnd();
    out.insert(out.end(), end.begin(), end.end());
    return out;
}

} // namespace vemla
