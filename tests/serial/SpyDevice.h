#pragma once

// The real POSIX device with a log of the engine's calls, a failure to inject and hooks that let
// a test act at a chosen moment on the monitor thread.
#include "SerialDevice.h"

#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace vemla::test {

// The test sets failCall and the hooks before the engine opens the device; afterwards only the
// log changes, under the lock.
struct SpyControl {
    std::mutex lock;
    std::vector<std::string> calls;
    std::string failCall;              // this call fails once reached
    std::function<void()> beforePurge; // run on the calling thread
    std::function<void(std::span<const uint8_t>)> beforeWrite;

    std::vector<std::string> Calls() {
        std::lock_guard g(lock);
        return calls;
    }
};

class SpyDevice final : public ISerialDevice {
public:
    explicit SpyDevice(std::shared_ptr<SpyControl> control)
        : m_real(CreateSerialDevice()), m_control(std::move(control)) {}

    bool Open(const std::string& path) override { return Pass(__func__) && m_real->Open(path); }
    void Close() override { m_real->Close(); }
    bool IsOpen() const override { return m_real->IsOpen(); }
    bool SetTimeouts(const CommTimeouts& t) override {
        return Pass(__func__) && m_real->SetTimeouts(t);
    }
    bool SetEventMask(uint32_t mask) override {
        return Pass(__func__) && m_real->SetEventMask(mask);
    }
    bool GetLineState(LineState& s) override { return Pass(__func__) && m_real->GetLineState(s); }
    bool BuildLineState(const std::string& text, LineState& s) override {
        return Pass(__func__) && m_real->BuildLineState(text, s);
    }
    bool SetLineState(const LineState& s) override {
        return Pass(__func__) && m_real->SetLineState(s);
    }
    bool Purge() override {
        if (m_control->beforePurge)
            m_control->beforePurge();
        return Pass(__func__) && m_real->Purge();
    }
    bool BytesWaiting(uint32_t& count) override { return m_real->BytesWaiting(count); }
    bool Read(std::span<uint8_t> into, size_t& got) override { return m_real->Read(into, got); }
    WriteOutcome Write(std::span<const uint8_t> bytes, const WakeSignal& abort) override {
        if (m_control->beforeWrite)
            m_control->beforeWrite(bytes);
        return Pass(__func__) ? m_real->Write(bytes, abort) : WriteOutcome::Failed;
    }
    WaitOutcome Wait(std::span<const WakeSignal* const> list, bool watchPort) override {
        return m_real->Wait(list, watchPort);
    }
    PortError LastError() const override {
        return m_injected ? PortError::Other : m_real->LastError();
    }
    std::string LastErrorText() const override {
        return m_injected ? "injected failure" : m_real->LastErrorText();
    }

private:
    bool Pass(const char* call) {
        std::lock_guard g(m_control->lock);
        m_control->calls.emplace_back(call);
        m_injected = call == m_control->failCall;
        return !m_injected;
    }

    std::unique_ptr<ISerialDevice> m_real;
    std::shared_ptr<SpyControl> m_control;
    bool m_injected = false;
};

} // namespace vemla::test
