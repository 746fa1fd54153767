#pragma once

#include "LineSettings.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace vemla {

class WakeSignal;

// Why an open or an I/O call failed, in words the window can act on.
enum class PortError { None, NoSuchDevice, Busy, PermissionDenied, Other };

// The one place where the platform's error codes become PortError, and their description text.
PortError PortErrorFromSystemCode(int code);
std::string SystemErrorText(int code);

// Port-event kinds of the event mask; only received characters are watched on this platform.
inline constexpr uint32_t kEventRxChar = 0x0001;
inline constexpr uint32_t kEventRxFlag = 0x0002;

struct CommTimeouts {
    uint32_t readInterval = 1000;
    uint32_t readTotalPerByte = 1000;
    uint32_t readTotalConstant = 1000;
    uint32_t writeTotalPerByte = 1000;
    uint32_t writeTotalConstant = 1000;
};

enum class PortReadiness : uint8_t { Nothing, Data, HangUp };

struct WaitOutcome {
    bool failed = false;
    uint32_t raisedSignals = 0; // bit i set: waitList[i] is raised
    PortReadiness port = PortReadiness::Nothing;

    bool IsRaised(size_t index) const { return (raisedSignals >> index) & 1u; }
};

enum class WriteOutcome : uint8_t {
    Done,       // every byte accepted and sent
    Failed,     // the first attempt failed: an error worth a box
    Unfinished, // time-out or a later failure: the line took what it could
    Aborted     // the abort signal was raised while waiting
};

// The narrow platform layer under CCommPort. One object per engine; every call but Wait is made
// under the engine's port lock.
class ISerialDevice {
public:
    virtual ~ISerialDevice() = default;

    // Opens for reading and writing, exclusively, without becoming the controlling terminal and
    // without blocking; a path that is no terminal is refused.
    virtual bool Open(const std::string& path) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    virtual bool SetTimeouts(const CommTimeouts& timeouts) = 0;
    virtual bool SetEventMask(uint32_t mask) = 0;
    virtual bool GetLineState(LineState& state) = 0;
    // Applies a settings string to state the way the platform parses it.
    virtual bool BuildLineState(const std::string& settings, LineState& state) = 0;
    // Raw line, no flow control unless asked, RTS and DTR as state says.
    virtual bool SetLineState(const LineState& state) = 0;
    // Discards what was received and not yet read, and what the driver has not yet sent.
    virtual bool Purge() = 0;
    virtual bool BytesWaiting(uint32_t& count) = 0;
    // Takes what is there now, at most into.size() bytes; got = 0 when nothing is waiting. The end
    // of the line (hang-up) is a failure.
    virtual bool Read(std::span<uint8_t> into, size_t& got) = 0;
    // Writes the whole buffer and waits until the line has sent it, bounded by the write time-outs
    // and by the abort signal.
    virtual WriteOutcome Write(std::span<const uint8_t> bytes, const WakeSignal& abort) = 0;
    // Waits without time limit until a signal is raised or, when watchPort, the port has data or
    // hung up. Reports all that is ready; the caller picks by priority.
    virtual WaitOutcome Wait(std::span<const WakeSignal* const> waitList, bool watchPort) = 0;

    // The last failure of any call above.
    virtual PortError LastError() const = 0;
    virtual std::string LastErrorText() const = 0;
};

std::unique_ptr<ISerialDevice> CreateSerialDevice();

} // namespace vemla
