#include "CommPort.h"
#include "PortErrorText.h"
#include "PtyPair.h"
#include "SpyDevice.h"

#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <gtest/gtest.h>
#include <map>
#include <sys/resource.h>

namespace vemla::test {
namespace {

using Bytes = std::vector<uint8_t>;

struct Box {
    std::string caption, text;
};

class CommPortTest : public ::testing::Test {
protected:
    void UseSpy() {
        m_port = std::make_unique<CCommPort>(Resolver(), std::make_unique<SpyDevice>(m_spy));
    }
    std::function<std::string(uint32_t)> Resolver() {
        return [this](uint32_t n) {
            auto it = m_devices.find(n);
            return it == m_devices.end() ? std::string() : it->second;
        };
    }
    PortOwner Owner() {
        return {&m_context,
                [this](uint8_t b, uint32_t port) {
                    m_got.push_back(b);
                    m_ports.push_back(port);
                    if (m_onByte)
                        m_onByte(b);
                },
                [this](const std::string& c, const std::string& t) {
                    m_boxes.push_back({c, t});
                }};
    }
    bool OpenPort(uint32_t n = 5, char parity = 'N', int baud = 9600, int data = 8, int stop = 1,
                  uint32_t bufferSize = 512) {
        return m_port->Open(Owner(), n, baud, parity, data, stop, 3, bufferSize);
    }
    // Bytes sent before the monitor thread's first purge would be discarded.
    bool OpenAndMonitor(uint32_t bufferSize = 512) {
        return OpenPort(5, 'N', 9600, 8, 1, bufferSize) && m_port->StartMonitor() &&
               WaitUntil([&] { return m_port->IsMonitoring(); });
    }
    bool WriteBytes(const Bytes& b) { return m_port->Write(b); }

    PtyPair m_pty;
    std::map<uint32_t, std::string> m_devices{{5, m_pty.Path()}};
    QObject m_context;
    Bytes m_got;
    std::vector<uint32_t> m_ports;
    std::vector<Box> m_boxes;
    std::function<void(uint8_t)> m_onByte;
    std::shared_ptr<SpyControl> m_spy = std::make_shared<SpyControl>();
    std::unique_ptr<CCommPort> m_port = std::make_unique<CCommPort>(Resolver());
};

TEST_F(CommPortTest, BytesReachOwnerOneByOneInOrderWithPortNumber) {
    ASSERT_TRUE(OpenAndMonitor());
    Bytes many(3000);
    for (size_t i = 0; i < many.size(); ++i)
        many[i] = static_cast<uint8_t>(i * 7 + 3);
    m_pty.Send(many);
    ASSERT_TRUE(WaitUntil([&] { return m_got.size() == many.size(); }));
    EXPECT_EQ(m_got, many);
    EXPECT_EQ(std::count(m_ports.begin(), m_ports.end(), 5u), 3000);
}

TEST_F(CommPortTest, SlowTrickleArrivesWholeAndInOrder) {
    ASSERT_TRUE(OpenAndMonitor());
    Bytes sent;
    for (int i = 0; i < 60; ++i) {
        sent.push_back(static_cast<uint8_t>(0x30 + i));
        m_pty.Send({sent.back()});
        PumpFor(i % 7 == 0 ? 12 : 1); // gaps shorter and longer than the gathering time
    }
    ASSERT_TRUE(WaitUntil([&] { return m_got.size() == sent.size(); }));
    EXPECT_EQ(m_got, sent);
}

TEST_F(CommPortTest, StopWinsOverGatheringBytes) {
    ASSERT_TRUE(OpenAndMonitor());
    m_pty.Send({0x01});
    m_port->RequestStop();
    ASSERT_TRUE(WaitUntil([&] { return !m_port->IsOpen(); }, std::chrono::milliseconds(1000)));
    EXPECT_FALSE(m_port->IsMonitoring());
}

TEST_F(CommPortTest, MissingDeviceFailsWithoutBoxAndLeavesOpenPortClosed) {
    ASSERT_TRUE(OpenAndMonitor());
    m_devices[6] = "/dev/no-such-vemla-tty";
    EXPECT_FALSE(OpenPort(6));
    EXPECT_FALSE(m_port->IsOpen());
    EXPECT_EQ(m_port->LastOpenError(), PortError::NoSuchDevice);
    EXPECT_FALSE(m_port->LastOpenErrorText().empty());
    m_pty.Send({1, 2});
    PumpFor(100);
    EXPECT_TRUE(m_got.empty());
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(CommPortTest, SecondEngineOnTheSamePortIsBusy) {
    ASSERT_TRUE(OpenPort());
    CCommPort other(Resolver());
    EXPECT_FALSE(other.Open(Owner(), 5, 9600, 'N', 8, 1, 3, 512));
    EXPECT_EQ(other.LastOpenError(), PortError::Busy);
}

TEST_F(CommPortTest, WriteLongerThanTheBufferIsRefusedAndNothingSent) {
    EXPECT_FALSE(WriteBytes({1})); // no buffer before the first Open
    ASSERT_TRUE(OpenAndMonitor(4));
    EXPECT_FALSE(WriteBytes({1, 2, 3, 4, 5}));
    PumpFor(50);
    EXPECT_TRUE(m_pty.TakeWritten().empty());
    EXPECT_TRUE(WriteBytes({1, 2, 3, 4}));
    EXPECT_EQ(m_pty.Receive(4), (Bytes{1, 2, 3, 4}));
}

TEST_F(CommPortTest, PurgeBeforeWriteDropsBytesNotYetRead) {
    UseSpy();
    ASSERT_TRUE(OpenAndMonitor());
    std::atomic<bool> armed{true};
    m_spy->Set<std::function<void()>>(&SpyControl::beforePurge, [&] {
        if (armed.exchange(false)) {
            m_pty.Send({0x11, 0x22}); // arrives while the monitor thread is busy writing
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
    });
    ASSERT_TRUE(WriteBytes({0xAA, 0x04, 0x05, 0x55}));
    EXPECT_EQ(m_pty.Receive(4).size(), 4u);
    m_pty.Send({0x33});
    ASSERT_TRUE(WaitUntil([&] { return !m_got.empty(); }));
    PumpFor(50);
    EXPECT_EQ(m_got, (Bytes{0x33}));
    const auto calls = m_spy->Calls();
    const auto write = std::find(calls.begin(), calls.end(), "Write");
    ASSERT_NE(write, calls.end());
    EXPECT_EQ(*(write - 1), "Purge");
}

TEST_F(CommPortTest, LaterRequestReplacesOneNotYetTaken) {
    ASSERT_TRUE(OpenAndMonitor());
    m_onByte = [&](uint8_t) { // the monitor thread waits for this handler meanwhile
        WriteBytes({0xA1, 0xA1});
        WriteBytes({0xB2, 0xB2, 0xB2});
    };
    m_pty.Send({0x01});
    EXPECT_EQ(m_pty.Receive(3), (Bytes{0xB2, 0xB2, 0xB2}));
    PumpFor(50);
    EXPECT_TRUE(m_pty.TakeWritten().empty());
}

class HeldWriteTest : public CommPortTest {
protected:
    void SetUp() override {
        UseSpy();
        m_spy->beforeWrite = [this](std::span<const uint8_t>) {
            std::unique_lock g(m_holdLock);
            m_entered = true;
            m_holdCv.wait(g, [&] { return m_released; });
        };
    }
    void Release() {
        std::lock_guard g(m_holdLock);
        m_released = true;
        m_holdCv.notify_all();
    }
    void TearDown() override { Release(); }
    bool Entered() {
        std::lock_guard g(m_holdLock);
        return m_entered;
    }
    std::mutex m_holdLock;
    std::condition_variable m_holdCv;
    bool m_entered = false, m_released = false;
};

TEST_F(HeldWriteTest, WriteInProgressGoesOutUnalteredAndNextFollows) {
    ASSERT_TRUE(OpenAndMonitor());
    ASSERT_TRUE(WriteBytes({0xA1, 0xA2, 0xA3}));
    ASSERT_TRUE(WaitUntil([&] { return Entered(); }));
    ASSERT_TRUE(WriteBytes({0xB1, 0xB2, 0xB3}));
    m_spy->Set<std::function<void(std::span<const uint8_t>)>>(&SpyControl::beforeWrite, nullptr);
    Release();
    EXPECT_EQ(m_pty.Receive(6), (Bytes{0xA1, 0xA2, 0xA3, 0xB1, 0xB2, 0xB3}));
}

TEST_F(HeldWriteTest, AfterRequestStopIsOpenHoldsAndLaterWriteIsNeverSent) {
    ASSERT_TRUE(OpenAndMonitor());
    ASSERT_TRUE(WriteBytes({0xA1}));
    ASSERT_TRUE(WaitUntil([&] { return Entered(); }));
    m_port->RequestStop();
    EXPECT_TRUE(m_port->IsOpen()); // the monitor thread has not closed it yet
    WriteBytes({0xB1});
    Release();
    ASSERT_TRUE(WaitUntil([&] { return !m_port->IsOpen(); }));
    EXPECT_EQ(m_pty.Receive(1), (Bytes{0xA1}));
    ASSERT_TRUE(OpenAndMonitor()); // the next Open drops the request
    PumpFor(100);
    EXPECT_TRUE(m_pty.TakeWritten().empty());
}

TEST_F(CommPortTest, ReopenWhileMonitoringLeavesPortOpenButUnwatched) {
    ASSERT_TRUE(OpenAndMonitor());
    m_pty.Send({'a'});
    ASSERT_TRUE(WaitUntil([&] { return m_got.size() == 1; }));
    ASSERT_TRUE(OpenPort());
    EXPECT_TRUE(m_port->IsOpen());
    m_pty.Send({'b'});
    PumpFor(150);
    EXPECT_EQ(m_got, (Bytes{'a'}));
    ASSERT_TRUE(m_port->StartMonitor()); // starts with a purge: 'b' is gone
    EXPECT_FALSE(m_port->StartMonitor());
    ASSERT_TRUE(WaitUntil([&] { return m_port->IsMonitoring(); }));
    m_pty.Send({'c'});
    ASSERT_TRUE(WaitUntil([&] { return m_got.size() == 2; }));
    EXPECT_EQ(m_got, (Bytes{'a', 'c'}));
}

TEST_F(CommPortTest, ModalBoxMidFrameHoldsBackLaterBytesAndWrites) {
    ASSERT_TRUE(OpenAndMonitor());
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

double ProcessCpuMs() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

TEST_F(CommPortTest, HangUpShowsReadFileBoxOnceWithoutSpinning) {
    ASSERT_TRUE(OpenAndMonitor());
    m_pty.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return !m_boxes.empty(); }));
    const double before = ProcessCpuMs();
    PumpFor(500);
    EXPECT_LT(ProcessCpuMs() - before, 150.0); // a spinning monitor thread would take ~500
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].caption, "Application Error");
    EXPECT_EQ(m_boxes[0].text, "WARNING:  ReadFile() Failed with the following error: \n" +
                                   SystemErrorText(EIO) + "\nPort: 5\n");
    // Writes are still answered (and fail), and so is the stop.
    ASSERT_TRUE(WriteBytes({0xAA}));
    ASSERT_TRUE(WaitUntil([&] { return m_boxes.size() == 2; }));
    EXPECT_NE(m_boxes[1].text.find("WriteFile()"), std::string::npos);
    m_port->RequestStop();
    ASSERT_TRUE(WaitUntil([&] { return !m_port->IsOpen(); }));
    // The next Open starts afresh.
    PtyPair fresh;
    m_devices[5] = fresh.Path();
    ASSERT_TRUE(OpenAndMonitor());
    fresh.Send({0x42});
    ASSERT_TRUE(WaitUntil([&] { return !m_got.empty(); }));
    EXPECT_EQ(m_got, (Bytes{0x42}));
}

TEST_F(CommPortTest, DestroyingEngineInsideModalBoxDropsRestOfDelivery) {
    ASSERT_TRUE(OpenAndMonitor());
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
    ASSERT_TRUE(OpenAndMonitor());
    m_pty.Send({1, 2, 3});
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // posted, not yet handled
    m_port.reset();
    PumpFor(100);
    EXPECT_TRUE(m_got.empty());
}

TEST_F(CommPortTest, OpenInsideByteHandlerDropsRestOfBatch) {
    ASSERT_TRUE(OpenAndMonitor());
    m_onByte = [&](uint8_t b) {
        if (b == 'a') {
            EXPECT_TRUE(OpenAndMonitor());
        }
    };
    m_pty.Send({'a', 'b', 'c'});
    PumpFor(150);
    EXPECT_EQ(m_got, (Bytes{'a'}));
    m_pty.Send({'d'});
    ASSERT_TRUE(WaitUntil([&] { return m_got.size() == 2; }));
    EXPECT_EQ(m_got, (Bytes{'a', 'd'}));
}

TEST_F(CommPortTest, EventMaskFailureShowsOneBoxAndSkipsLineState) {
    UseSpy();
    m_spy->failCall = "SetEventMask";
    EXPECT_TRUE(OpenPort());
    EXPECT_TRUE(m_port->IsOpen());
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].caption, "Application Error");
    EXPECT_EQ(
        m_boxes[0].text,
        "WARNING:  SetCommMask() Failed with the following error: \ninjected failure\nPort: 5\n");
    const auto calls = m_spy->Calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "GetLineState"), 0);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "SetLineState"), 0);
}

TEST_F(CommPortTest, BadLineSettingsShowTheFailingStep) {
    struct Case {
        int baud;
        char parity;
        int data, stop;
        const char* step;
    };
    for (const Case& c :
         {Case{9600, 'X', 8, 1, "BuildCommDCB()"}, Case{12345, 'N', 8, 1, "SetCommState()"}}) {
        m_boxes.clear();
        EXPECT_TRUE(OpenPort(5, c.parity, c.baud, c.data, c.stop)) << c.baud;
        ASSERT_EQ(m_boxes.size(), 1u) << c.step;
        EXPECT_EQ(m_boxes[0].text, std::string("WARNING:  ") + c.step +
                                       " Failed with the following error: \n" +
                                       SystemErrorText(EINVAL) + "\nPort: 5\n");
    }
}

} // namespace
} // namespace vemla::test
