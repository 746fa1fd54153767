#pragma once

// The simulated optical power meter's behaviour: complete frames from the program in, the
// instrument's reply bytes out. No I/O, so every reply can be checked byte by byte.
#include "FrameCodec.h"
#include "Record.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vemla {

struct SimFaults {
    bool noise = false; // random bytes (0xAA and 0x55 among them) between frames of an upload
    int cutRecord = -1; // this record index is sent cut off in the middle
    int corruptLengthRecord =
        -1;                  // this record's length byte is corrupted (0, 2, 201 or 255 by seed)
    int overlongRecord = -1; // this record is followed by a bogus 255-byte run starting with AA FF
    int hangUpAfterRecord = -1; // close the master after sending this record (device pulled)
    int powerLateMs = 0;        // each power reading is answered this late (up to 10 s)
    bool powerSilent = false;   // power readings are never answered
    uint32_t seed = 1;
};

struct SimOptions {
    int records = 10;                        // stored readings, 0..65536
    bool paced = false;                      // 9600-baud pacing of what the meter sends
    std::vector<uint16_t> waves{1310, 1550}; // offered wavelengths (connect reply, 12 + 2n bytes)
    std::array<uint16_t, 4> lasers{1310, 1550, 1490, 1625};
    double powerLevel = -10.0; // dBm the live power drifts around at the first wavelength
    SimFaults faults;
};

inline constexpr int kSimMaxRecords = 65536;
inline constexpr std::size_t kOverlongRunSize = 255;

// Several meters served at once (a burn-in rack). Meter k reads around its own level, kSimLevelStep
// dB apart, far more than drift and noise, so a reading credited to the wrong meter shows; and its
// seed is its own, so each drifts and jitters its own way yet every run repeats.
inline constexpr int kSimMaxMeters = 16;
inline constexpr double kSimLevelStep = 2.0;
SimOptions OptionsOfMeter(const SimOptions& first, int meter);

// Stored readings generated from the seed alone, so a run can be repeated; each carries its
// position as its index.
std::vector<RecordValues> GenerateRecords(int count, std::span<const uint16_t> waves,
                                          uint32_t seed);

class MeterCore {
public:
    explicit MeterCore(const SimOptions& options);

    // Reply bytes for one complete frame from the program; empty when the meter says nothing.
    std::vector<uint8_t> Handle(std::span<const uint8_t> frame);

    const std::vector<RecordValues>& Records() const { return m_records; }
    // After the last Handle: the number of reply bytes after which the line goes dead, when the
    // hang-up fault struck during that upload.
    std::optional<std::size_t> HangUpAfterBytes() const { return m_hangUpAfter; }

private:
    static std::vector<uint8_t> Answer(FrameCode code, bool accepted); // its ack or a refusal
    // The commands that change the meter; false when it refuses the frame.
    bool SelectWave(std::span<const uint8_t> frame);
    bool DeleteSelected(std::span<const uint8_t> frame);
    bool SetDeviceWaves(std::span<const uint8_t> frame);
    bool SetLasers(std::span<const uint8_t> frame);
    std::vector<uint8_t> Connect() const;
    std::vector<uint8_t> ReadPower();
    std::vector<uint8_t> Upload();
    void AppendNoise(std::vector<uint8_t>& out);
    uint32_t NextRandom();

    SimFaults m_faults;
    std::vector<RecordValues> m_records;
    std::vector<uint16_t> m_waves;
    std::array<uint16_t, 4> m_lasers;
    int m_selectedWave = 0;
    uint64_t m_random;
    double m_powerLevel;
    double m_driftPhase; // radians: meters of another seed drift out of step
    uint32_t m_powerSteps = 0;
    std::optional<std::size_t> m_hangUpAfter;
};

} // namespace vemla
