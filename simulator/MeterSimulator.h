#pragma once

// The simulated meter on a pseudo-terminal: the program opens the slave path like a serial
// device; a thread plays the instrument on the master side.
#include "CommandFramer.h"
#include "MeterCore.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vemla {

class MeterSimulator {
public:
    explicit MeterSimulator(SimOptions options);
    ~MeterSimulator();
    MeterSimulator(const MeterSimulator&) = delete;
    MeterSimulator& operator=(const MeterSimulator&) = delete;

    // Makes the symlink linkPath -> slave at Start, removed at Stop. Call before Start.
    void SetLinkPath(std::string linkPath) { m_linkPath = std::move(linkPath); }

    bool Start(); // openpty + thread; false with ErrorText() on failure
    void Stop();
    std::string ErrorText() const { return m_error; }

    std::string DevicePath() const; // the slave path, or the symlink when one was asked for
    std::string SlavePath() const { return m_slavePath; }

    std::vector<std::vector<uint8_t>> ReceivedFrames() const; // every frame the program sent
    bool WaitForFrames(std::size_t count, std::chrono::milliseconds timeout) const;
    // True once the hang-up fault has closed the line.
    bool HungUp() const { return m_hungUp.load(); }
    // Power readings go unanswered while silent (the fault can come and go during a run).
    void SetPowerSilent(bool silent) { m_powerSilent = silent; }
    // Reply bytes written to the line so far.
    std::size_t BytesSent() const { return m_bytesSent.load(); }

private:
    void Run();
    void OnFrames(const std::vector<std::vector<uint8_t>>& frames);
    bool WriteSome();
    int PollTimeoutMs() const;
    void CloseFds();

    SimOptions m_options;
    std::string m_linkPath;
    std::string m_slavePath;
    std::string m_error;
    int m_master = -1;
    int m_slaveKeeper = -1; // keeps the line up while the program closes and reopens the slave
    int m_wake = -1;        // eventfd that ends the thread
    std::thread m_thread;

    // Owned by the thread while it runs.
    MeterCore m_core;
    CommandFramer m_framer;
    std::vector<uint8_t> m_out;
    std::size_t m_outPos = 0;
    std::size_t m_hangUpAt = SIZE_MAX; // offset into m_out after which the line is closed
    std::chrono::steady_clock::time_point m_paceStart;
    std::size_t m_pacedSent = 0;

    std::chrono::steady_clock::time_point m_holdUntil; // a late reply waits until then
    std::atomic<bool> m_powerSilent{false};
    std::atomic<bool> m_hungUp{false};
    std::atomic<std::size_t> m_bytesSent{0};
    mutable std::mutex m_framesLock;
    mutable std::condition_variable m_framesArrived;
    std::vector<std::vector<uint8_t>> m_frames;
};

} // namespace vemla
