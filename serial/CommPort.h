#pragma once

#include "SerialDevice.h"
#include "WakeSignal.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

class QObject;

namespace vemla {

// Everything here is called on the owner's (window's) thread.
struct PortOwner {
    QObject* context = nullptr; // lives on the window thread; deliveries are posted to it
    std::function<void(uint8_t byte, uint32_t port)> onByte; // one call per byte, in order
    std::function<void(const std::string& caption, const std::string& text)> onError; // modal box
    // The device failed a read or hung up (unplugged), after onError's box: the port is dead
    // until the next Open, and the engine watches it no more.
    std::function<void()> onLost = {};
};

namespace detail {
struct DeliveryChannel;
class HandOverSink;
} // namespace detail

// The serial port engine: opens one numbered port, and runs a monitor thread that hands every
// received byte to the owner, synchronously and in order, and carries out the owner's writes.
class CCommPort {
public:
    // resolve: port number -> device path ("" when the number is unknown).
    explicit CCommPort(std::function<std::string(uint32_t)> resolve);
    CCommPort(std::function<std::string(uint32_t)> resolve, std::unique_ptr<ISerialDevice> device);
    virtual ~CCommPort();
    CCommPort(const CCommPort&) = delete;
    CCommPort& operator=(const CCommPort&) = delete;

    // Ends a running monitor thread, closes a held port, then opens and configures the port.
    // True when the device was opened, even if a configuration step failed (that step's box is
    // shown through owner.onError before returning).
    bool Open(const PortOwner& owner, uint32_t portNumber, int baud, char parity, int dataBits,
              int stopBits, uint32_t eventMask, uint32_t bufferSize);
    // False when a monitor thread of this engine is still alive or cannot be created.
    bool StartMonitor();
    // Stores the request and wakes the monitor thread; returns at once. False (nothing stored)
    // before the first Open or when longer than the write buffer.
    bool Write(std::span<const uint8_t> bytes);
    // Asks the monitor thread to close the port and end; does not wait.
    void RequestStop();
    bool IsOpen() const { return m_portOpen.load(); }
    // True from the moment the monitor thread has purged the port and watches it, until it ends.
    bool IsMonitoring() const { return m_running.load(); }

    PortError LastOpenError() const { return m_lastOpenError; }
    std::string LastOpenErrorText() const { return m_lastOpenErrorText; }
    uint32_t PortNumber() const { return m_portNumber; }

    // A write buffer larger than this is not allocated; Open clamps the size.
    static constexpr uint32_t kMaxBufferSize = 64 * 1024;
    // Most bytes taken from the port in one read and handed over in one hop.
    static constexpr size_t kReadChunk = 4096;
    // A trickle (fewer bytes waiting than this) is left to gather for kGatherMs before it is
    // handed over, about eight characters at 9600 baud: a slow line then costs one hop per several
    // bytes instead of one per byte, for a delay no operator sees. A flood (the last hand-over was
    // no trickle) is never held back.
    static constexpr uint32_t kGatherBelow = 16;
    static constexpr int kGatherMs = 8;

private:
    enum class DrainResult { Drained, PortFailed, Shutdown };
    using ChannelPtr = std::shared_ptr<detail::DeliveryChannel>;

    void StopMonitor();
    // Parts of Open. OpenDevice and ConfigureLine run under m_portLock; ConfigureLine returns
    // the name of the step that failed, or nullptr.
    void ResetWriteRequest(uint32_t bufferSize);
    bool OpenDevice(uint32_t portNumber);
    const char* ConfigureLine(const std::string& settings, uint32_t eventMask);
    void MonitorLoop(const ChannelPtr& channel);
    DrainResult DrainInput(const ChannelPtr& channel, bool hangUpSeen);
    bool SendPendingWrite(const ChannelPtr& channel);
    // The monitor thread's hand-overs to the window thread: each waits until the window has
    // handled it, and returns false when shutdown came first (the hand-over is then abandoned).
    // lost: the device is gone; onLost follows the box.
    bool ShowErrorFromMonitor(const ChannelPtr& channel, const char* operation, bool lost = false);
    bool DeliverBytes(const ChannelPtr& channel, std::vector<uint8_t> bytes);
    bool WaitForWindow(const ChannelPtr& channel);

    std::function<std::string(uint32_t)> m_resolve;

    // The pending write request: window thread writes it, the monitor thread copies it out.
    std::mutex m_requestLock;
    std::vector<uint8_t> m_writeBuffer;
    uint32_t m_writeLength = 0;
    bool m_writePending = false;

    std::unique_ptr<ISerialDevice> m_device;
    std::atomic<bool> m_portOpen{false};
    std::thread m_monitor;
    std::mutex m_portLock; // use of the device by Open and by the monitor thread
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_monitorEnded{true};
    WakeSignal m_writeSignal;
    WakeSignal m_shutdownSignal;

    // Set by Open before the monitor thread starts, only read afterwards.
    PortOwner m_owner;
    uint32_t m_portNumber = 0;
    uint32_t m_eventMask = 0;

    // The monitor thread's own copies.
    std::vector<uint8_t> m_sending;
    std::vector<uint8_t> m_readBuffer;
    size_t m_lastHandOver = 0;

    std::unique_ptr<detail::HandOverSink> m_sink; // destroyed after the monitor thread has ended

    PortError m_lastOpenError = PortError::None;
    std::string m_lastOpenErrorText;
};

} // namespace vemla
