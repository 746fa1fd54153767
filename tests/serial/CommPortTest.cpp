// The engine on pseudo-terminals: the hand-over of bytes, the write requests, the monitor
// thread's life and shutdown, and the exact texts of its boxes. The device's own calls are
// PosixSerialDeviceTest's; the session's use of the engine is MeterSessionTest's.
#include "CommPort.h"
#include "PtyPair.h"
#include "SerialDevice.h"

#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <ctime>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <string_view>
#include <thread>

namespace vemla::test {
namespace {

// The real POSIX device with a log of the engine's calls, a failure to inject and hooks that let
// a test act at a chosen moment on the monitor thread. The test sets failCall and the hooks
// before the engine opens the device; afterwards only the log changes, under the lock.
struct SpyControl {
    std::mutex lock;
    std::vector<std::string> calls;
    std::string failCall;                         // this call fails once reached
    std::function<void(std::string_view)> before; // each logged call, on the calling thread

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
    bool Purge() override { return Pass(__func__) && m_real->Purge(); }
    bool BytesWaiting(uint32_t& count) override { return m_real->BytesWaiting(count); }
    bool Read(std::span<uint8_t> into, size_t& got) override { return m_real->Read(into, got); }
    WriteOutcome Write(std::span<const uint8_t> bytes, const WakeSignal& abort) override {
        return Pass(__func__) ? m_real->Write(bytes, abort) : WriteOutcome::Failed;
    }
    WaitOutcome Wait(std::span<const WakeSignal* const> list, bool watchPort) override {
        return m_real->Wait(list, watchPort);
    }
    PortError LastError() const override { return m_real->LastError(); } // read after Open only
    std::string LastErrorText() const override {
        return m_injected ? "injected failure" : m_real->LastErrorText();
    }

private:
    bool Pass(const char* call) {
        if (m_control->before)
            m_control->before(call);
        std::lock_guard g(m_control->lock);
        m_control->calls.emplace_back(call);
        m_injected = call == m_control->failCall;
        return !m_injected;
    }

    std::unique_ptr<ISerialDevice> m_real;
    std::shared_ptr<SpyControl> m_control;
    bool m_injected = false;
};

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;
using Box = std::pair<std::string, std::string>; // caption, text

std::string BoxText(const std::string& step, const std::string& error) {
    return "WARNING:  " + step + " Failed with the following error: \n" + error + "\nPort: 5\n";
}

// Every case starts with port 5 open and watched.
class CommPortTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(OpenAndMonitor()); }
    void UseSpy() {
        m_port = std::make_unique<CCommPort>(Resolver(), std::make_unique<SpyDevice>(m_spy));
    }
    std::function<std::string(uint32_t)> Resolver() {
        return [this](uint32_t n) { return m_devices.contains(n) ? m_devices[n] : std::string(); };
    }
    PortOwner Owner() {
        return {&m_context,
                [this](uint8_t b, uint32_t port) {
                    EXPECT_EQ(port, 5u); // every test opens port 5
                    m_got.push_back(b);
                    if (m_onByte)
                        m_onByte(b);
                },
                [this](const std::string& c, const std::string& t) { m_boxes.emplace_back(c, t); }};
    }
    bool OpenPort(uint32_t n = 5, char parity = 'N', int baud = 9600, uint32_t bufferSize = 512) {
        return m_port->Open(Owner(), n, baud, parity, 8, 1, 3, bufferSize);
    }
    // Bytes sent before the monitor thread's first purge would be discarded.
    bool OpenAndMonitor(uint32_t bufferSize = 512) {
        return OpenPort(5, 'N', 9600, bufferSize) && m_port->StartMonitor() &&
               WaitUntil([&] { return m_port->IsMonitoring(); });
    }
    bool WriteBytes(const Bytes& b) { return m_port->Write(b); }
    // What the owner got once count bytes are there or the time is up.
    Bytes Got(size_t count) {
        WaitUntil([&] { return m_got.size() >= count; });
        return m_got;
    }

    PtyPair m_pty;
    std::map<uint32_t, std::string> m_devices{{5, m_pty.Path()}};
    QObject m_context;
    Bytes m_got;
    std::vector<Box> m_boxes;
    std::function<void(uint8_t)> m_onByte;
    std::shared_ptr<SpyControl> m_spy = std::make_shared<SpyControl>();
    std::unique_ptr<CCommPort> m_port = std::make_unique<CCommPort>(Resolver());
};

// A burst and then a trickle with gaps shorter and longer than the gathering time.
TEST_F(CommPortTest, BytesReachOwnerOneByOneInOrderWithPortNumberInABurstOrATrickle) {
    Bytes sent(3000);
    for (size_t i = 0; i < sent.size(); ++i)
        sent[i] = static_cast<uint8_t>(i * 7 + 3);
    m_pty.Send(sent);
    for (uint8_t i = 0; i < 60; ++i) {
        sent.push_back(0x30 + i);
        m_pty.Send({sent.back()});
        PumpFor(i % 7 == 0 ? 12 : 1);
    }
    EXPECT_EQ(Got(sent.size()), sent);
}

TEST_F(CommPortTest, StopWinsOverGatheringBytes) {
    m_pty.Send({0x01});
    m_port->RequestStop();
    ASSERT_TRUE(WaitUntil([&] { return !m_port->IsOpen(); }, 1000ms));
    EXPECT_FALSE(m_port->IsMonitoring());
}

TEST_F(CommPortTest, FailedOpenReportsItsKindWithoutABoxAndLeavesTheOldPortClosed) {
    CCommPort other(Resolver());
    EXPECT_FALSE(other.Open(Owner(), 5, 9600, 'N', 8, 1, 3, 512)); // a second engine
    EXPECT_EQ(other.LastOpenError(), PortError::Busy);
    m_devices[6] = "/dev/no-such-vemla-tty";
    EXPECT_FALSE(OpenPort(6));
    EXPECT_FALSE(m_port->IsOpen()); // its kind's text is MeterSessionTest's FailedOpen... case
    EXPECT_FALSE(m_port->LastOpenErrorText().empty());
    m_pty.Send({1, 2});
    PumpFor(100);
    EXPECT_TRUE(m_got.empty());
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(CommPortTest, WriteLongerThanTheBufferIsRefusedAndNothingSent) {
    EXPECT_FALSE(CCommPort(Resolver()).Write(Bytes{1})); // no buffer before the first Open
    ASSERT_TRUE(OpenAndMonitor(4));
    EXPECT_FALSE(WriteBytes({1, 2, 3, 4, 5}));
    PumpFor(50);
    EXPECT_TRUE(m_pty.TakeWritten().empty());
    EXPECT_TRUE(WriteBytes({1, 2, 3, 4}));
    EXPECT_EQ(m_pty.Receive(4), (Bytes{1, 2, 3, 4}));
}

// The monitor thread stays inside its first write until the test releases it.
class HeldWriteTest : public CommPortTest {
protected:
    void SetUp() override {
        m_spy->before = [this](std::string_view call) {
            if (call != "Write")
                return;
            m_entered = true;
            while (!m_released)
                std::this_thread::sleep_for(1ms);
        };
        UseSpy();
        ASSERT_TRUE(OpenAndMonitor());
    }
    void TearDown() override { m_released = true; }
    std::atomic<bool> m_entered{false}, m_released{false};
};

// That a purge drops what waits unread is PosixSerialDeviceTest's; here the engine purges first.
TEST_F(HeldWriteTest, WriteInProgressGoesOutUnalteredAndTheLastRequestFollowsEachAfterAPurge) {
    ASSERT_TRUE(WriteBytes({0xA1, 0xA2, 0xA3}));
    ASSERT_TRUE(WaitUntil([&] { return m_entered.load(); }));
    ASSERT_TRUE(WriteBytes({0xB1, 0xB2, 0xB3}));
    ASSERT_TRUE(WriteBytes({0xC1, 0xC2})); // replaces the one not yet taken
    m_released = true;
    EXPECT_EQ(m_pty.Receive(5), (Bytes{0xA1, 0xA2, 0xA3, 0xC1, 0xC2}));
    PumpFor(50);
    EXPECT_TRUE(m_pty.TakeWritten().empty());
    const auto calls = m_spy->Calls(); // after the purges of Open and of the start
    EXPECT_EQ(std::vector(calls.end() - 4, calls.end()),
              (std::vector<std::string>{"Purge", "Write", "Purge", "Write"}));
}

TEST_F(HeldWriteTest, AfterRequestStopIsOpenHoldsAndLaterWriteIsNeverSent) {
    ASSERT_TRUE(WriteBytes({0xA1}));
    ASSERT_TRUE(WaitUntil([&] { return m_entered.load(); }));
    m_port->RequestStop();
    EXPECT_TRUE(m_port->IsOpen()); // the monitor thread has not closed it yet
    WriteBytes({0xB1});
    m_released = true;
    ASSERT_TRUE(WaitUntil([&] { return !m_port->IsOpen(); }));
    EXPECT_EQ(m_pty.Receive(1), (Bytes{0xA1}));
    ASSERT_TRUE(OpenAndMonitor()); // the next Open drops the request
    PumpFor(100);
    EXPECT_TRUE(m_pty.TakeWritten().empty());
}

TEST_F(CommPortTest, ReopenWhileMonitoringLeavesPortOpenButUnwatched) {
    m_pty.Send({'a'});
    ASSERT_EQ(Got(1), (Bytes{'a'}));
    ASSERT_TRUE(OpenPort());
    m_pty.Send({'b'});
    PumpFor(150);
    EXPECT_EQ(m_got, (Bytes{'a'}));
    ASSERT_TRUE(m_port->StartMonitor()); // starts with a purge: 'b' is gone
    EXPECT_FALSE(m_port->StartMonitor());
    ASSERT_TRUE(WaitUntil([&] { return m_port->IsMonitoring(); }));
    m_pty.Send({'c'});
    EXPECT_EQ(Got(2), (Bytes{'a', 'c'}));
}

TEST_F(CommPortTest, ModalBoxMidFrameHoldsBackLaterBytesAndWrites) {
    int depth = 0, maxDepth = 0;
    size_t seenDuringBox = 0;
    bool writtenDuringBox = false;
    m_onByte = [&](uint8_t b) {
        maxDepth = std::max(maxDepth, ++depth);
        if (b == 0xAA && m_got.size() == 1) {
            QEventLoop box; // what a modal box does to the window thread
            QTimer::singleShot(30, [&] { m_pty.Send({0x04, 0x05, 0x55, 0xAA, 0x04, 0x05, 0x55}); });
            QTimer::singleShot(60, [&] { WriteBytes({0xAA, 0x04, 0x02, 0x55}); });
            QTimer::singleShot(250, &box, &QEventLoop::quit);
            box.exec();
            seenDuringBox = m_got.size();
            writtenDuringBox = !m_pty.TakeWritten().empty();
        }
        --depth;
    };
    m_pty.Send({0xAA});
    size_t deliveredWhenWritten = 0;
    Bytes written;
    ASSERT_TRUE(WaitUntil([&] {
        auto w = m_pty.TakeWritten();
        if (!w.empty() && written.empty())
            deliveredWhenWritten = m_got.size();
        written.insert(written.end(), w.begin(), w.end());
        return written.size() >= 4;
    }));
    EXPECT_EQ(seenDuringBox, 1u);
    EXPECT_FALSE(writtenDuringBox);
    EXPECT_EQ(maxDepth, 1);
    EXPECT_EQ(deliveredWhenWritten, 8u); // the waiting bytes went first, then the write
    EXPECT_EQ(m_got, (Bytes{0xAA, 0x04, 0x05, 0x55, 0xAA, 0x04, 0x05, 0x55}));
    EXPECT_EQ(written, (Bytes{0xAA, 0x04, 0x02, 0x55}));
}

TEST_F(CommPortTest, HangUpShowsReadFileBoxOnceWithoutSpinning) {
    m_pty.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return !m_boxes.empty(); }));
    const std::clock_t before = std::clock(); // the whole process's processor time
    PumpFor(500);
    EXPECT_LT(std::clock() - before, CLOCKS_PER_SEC * 15 / 100); // spinning would take ~0.5 s
    EXPECT_EQ(m_boxes, (std::vector<Box>{
                           {"Application Error", BoxText("ReadFile()", SystemErrorText(EIO))}}));
    // Writes are still answered (and fail), and so is the stop.
    ASSERT_TRUE(WriteBytes({0xAA}));
    ASSERT_TRUE(WaitUntil([&] { return m_boxes.size() == 2; }));
    EXPECT_NE(m_boxes[1].second.find("WriteFile()"), std::string::npos);
    m_port->RequestStop();
    EXPECT_TRUE(WaitUntil([&] { return !m_port->IsOpen(); }));
    // Opening afresh after a hang-up is the session's pulled-device case, on the simulator.
}

TEST_F(CommPortTest, DestroyingEngineInsideModalBoxDropsRestOfDelivery) {
    m_onByte = [&](uint8_t) {
        if (!m_port)
            return;
        QEventLoop box;
        QTimer::singleShot(20, [&] { m_port.reset(); }); // e.g. the window closes
        QTimer::singleShot(80, &box, &QEventLoop::quit);
        box.exec();
    };
    m_pty.Send({1, 2, 3});
    PumpFor(300);
    EXPECT_FALSE(m_port);
    EXPECT_EQ(m_got, (Bytes{1}));
}

TEST_F(CommPortTest, DestroyingEngineWithDeliveryPendingDoesNotDeadlock) {
    m_pty.Send({1, 2, 3});
    std::this_thread::sleep_for(100ms); // posted, not yet handled
    m_port.reset();
    PumpFor(100);
    EXPECT_TRUE(m_got.empty());
}

TEST_F(CommPortTest, OpenInsideByteHandlerDropsRestOfBatch) {
    m_onByte = [&](uint8_t b) {
        if (b == 'a') {
            EXPECT_TRUE(OpenAndMonitor());
        }
    };
    m_pty.Send({'a', 'b', 'c'});
    PumpFor(150);
    EXPECT_EQ(m_got, (Bytes{'a'}));
    m_pty.Send({'d'});
    EXPECT_EQ(Got(2), (Bytes{'a', 'd'}));
}

// One box at most: the steps after the failing one are skipped, the port stays open.
TEST_F(CommPortTest, FailingConfigurationStepShowsItsBoxAndSkipsTheRest) {
    const std::vector<std::string> order{"Open",         "SetTimeouts",    "SetEventMask",
                                         "GetLineState", "BuildLineState", "SetLineState"};
    struct Case {
        const char* failing; // the device call that fails
        bool injected;       // or the line refuses the settings
        char parity;
        int baud;
        const char* step;
    };
    const Case cases[] = {
        {"SetTimeouts", true, 'N', 9600, "SetCommTimeouts()"},
        {"SetEventMask", true, 'N', 9600, "SetCommMask()"},
        {"GetLineState", true, 'N', 9600, "GetCommState()"},
        {"BuildLineState", false, 'X', 9600, "BuildCommDCB()"},
        {"SetLineState", false, 'N', 12345, "SetCommState()"},
    };
    for (const Case& c : cases) {
        m_spy = std::make_shared<SpyControl>();
        m_spy->failCall = c.injected ? c.failing : "";
        UseSpy();
        m_boxes.clear();
        EXPECT_TRUE(OpenPort(5, c.parity, c.baud)) << c.step;
        EXPECT_TRUE(m_port->IsOpen()) << c.step;
        const std::string error = c.injected ? "injected failure" : SystemErrorText(EINVAL);
        EXPECT_EQ(m_boxes, (std::vector<Box>{{"Application Error", BoxText(c.step, error)}}));
        std::vector<std::string> calls(order.begin(),
                                       std::find(order.begin(), order.end(), c.failing) + 1);
        calls.push_back("Purge");
        EXPECT_EQ(m_spy->Calls(), calls) << c.step;
    }
}

} // namespace
} // namespace vemla::test
