#pragma once

// The real POSIX device with a log of the engine's calls, a failure to inject and hooks that let
// a test act at a chosen moment on the monitor thread.
#include "SerialDevice.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vemla::test {

struct SpyControl {
    std::mutex lock;
    std::vector<std::string> calls;
    std::string failCall;              // this call fails once reached
    std::function<void()> beforePurge; // run on the calling thread
    std::function<void(std::span<const uint8_t>)> beforeWrite;

    template <typename F> void Set(F SpyControl::*member, F value) {
        std::lock_guard g(lock);
        this->*member = std::move(value);
    }
    std::vector<std::string> Calls() {
        std::lock_guard g(lock);
        return calls;
    }
};

class SpyDevice final : public ISerialDevice {
public:
    explicit SpyDevice(std::shared_ptr<SpyControl> control)
        : m_real(CreateSerialDevice()), m_control(std::move(control)) {}

    bool Open(const std::string& path) override { return Pass("Open") && m_real->Open(path); }
    void Close() override { m_real->Close(); }
    bool IsOpen() const override { return m_real->IsOpen(); }
    bool SetTimeouts(const CommTimeouts& t) override {
        return Pass("SetTimeouts") && m_real->SetTimeouts(t);
    }
    bool SetEventMask(uint32_t mask) override {
        return Pass("SetEventMask") && m_real->SetEventMask(mask);
    }
    bool GetLineState(LineState& s) override {
        return Pass("GetLineState") && m_real->GetLineState(s);
    }
    bool BuildLineState(const std::string& text, LineState& s) override {
        return Pass("BuildLineState") && m_real->BuildLineState(text, s);
    }
    bool SetLineState(const LineState& s) override {
        return Pass("SetLineState") && m_real->SetLineState(s);
    }
    bool Purge() override {
        if (auto hook = Hook(&SpyControl::beforePurge))
            hook();
        return Pass("Purge") && m_real->Purge();
    }
    bool BytesWaiting(uint32_t& count) override { return m_real->BytesWaiting(count); }
    bool Read(std::span<uint8_t> into, size_t& got) override { return m_real->Read(into, got); }
    WriteOutcome Write(std::span<const uint8_t> bytes, const WakeSignal& abort) override {
        if (auto hook = Hook(&SpyControl::beforeWrite))
            hook(bytes);
        if (!Pass("Write"))
            return WriteOutcome::Failed;
        return m_real->Write(bytes, abort);
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
    template <typename F> F Hook(F SpyControl::*member) {
        std::lock_guard g(m_control->lock);
        return (*m_control).*member;
    }
    bool Pass(const std::string& call) {
        std::lock_guard g(m_control->lock);
        m_control->calls.push_back(call);
        m_injected = call == m_control->failCall;
        return !m_injected;
    }

    std::unique_ptr<ISerialDevice> m_real;
    std::shared_ptr<SpyControl> m_control;
    bool m_injected = false;
};

} // namespace vemla::test
