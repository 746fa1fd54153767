#pragma once

#include "SerialDevice.h"

namespace vemla {

// termios, poll and ioctl under the engine.
class PosixSerialDevice final : public ISerialDevice {
public:
    PosixSerialDevice() = default;
    ~PosixSerialDevice() override;
    PosixSerialDevice(const PosixSerialDevice&) = delete;
    PosixSerialDevice& operator=(const PosixSerialDevice&) = delete;

    bool Open(const std::string& path) override;
    void Close() override;
    bool IsOpen() const override { return m_fd >= 0; }
    bool SetTimeouts(const CommTimeouts& timeouts) override;
    bool SetEventMask(uint32_t mask) override;
    bool GetLineState(LineState& state) override;
    bool BuildLineState(const std::string& settings, LineState& state) override;
    bool SetLineState(const LineState& state) override;
    bool Purge() override;
    bool BytesWaiting(uint32_t& count) override;
    bool Read(std::span<uint8_t> into, size_t& got) override;
    WriteOutcome Write(std::span<const uint8_t> bytes, const WakeSignal& abort) override;
    WaitOutcome Wait(std::span<const WakeSignal* const> waitList, bool watchPort) override;
    PortError LastError() const override { return PortErrorFromSystemCode(m_lastErrno); }
    std::string LastErrorText() const override { return SystemErrorText(m_lastErrno); }

private:
    bool Fail(int code);
    bool SetModemLine(int line, bool on);
    // Waits until the output queue is empty; false when aborted.
    bool DrainOutput(int64_t deadlineMs, const WakeSignal& abort);

    int m_fd = -1;
    int m_lastErrno = 0;
    uint32_t m_eventMask = 0;
    uint32_t m_baud = 9600;
    CommTimeouts m_timeouts;
};

} // namespace vemla
