// The POSIX device on a pseudo-terminal. A missing path is the engine's case (CommPortTest),
// with the kind it reports.
#include "PtyPair.h"
#include "SerialDevice.h"
#include "WakeSignal.h"

#include <cerrno>
#include <cstdlib>
#include <gtest/gtest.h>
#include <tuple>

namespace vemla::test {
namespace {

class PosixDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_device->Open(m_pty.Path()));
        ASSERT_TRUE(m_device->SetEventMask(kEventRxChar));
    }
    PtyPair m_pty;
    std::unique_ptr<ISerialDevice> m_device = CreateSerialDevice();
};

TEST_F(PosixDeviceTest, LineStateIsWrittenToTheTerminal) {
    ASSERT_TRUE(m_device->SetLineState(
        {.baud = 19200, .dataBits = 7, .parity = Parity::Even, .stopBits = StopBits::Two}));
    LineState back;
    ASSERT_TRUE(m_device->GetLineState(back));
    // A pseudo-terminal keeps 8 data bits without parity whatever is asked; speed and stop bits
    // it takes.
    EXPECT_EQ(std::tuple(back.baud, back.stopBits, back.xonXoff, back.ctsFlow),
              std::tuple(19200u, StopBits::Two, false, false));
}

TEST_F(PosixDeviceTest, SettingsWithoutTermiosFormAreRefused) {
    // A speed the terminal has no constant for is refused where the engine shows it (CommPortTest).
    for (auto edit : {+[](LineState& s) { s.stopBits = StopBits::OnePointFive; },
                      +[](LineState& s) { s.dsrFlow = true; }}) {
        LineState s;
        edit(s);
        EXPECT_FALSE(m_device->SetLineState(s));
        EXPECT_EQ(m_device->LastErrorText(), SystemErrorText(EINVAL));
    }
}

TEST_F(PosixDeviceTest, PurgeDiscardsWhatWaitsAndReadTakesItAll) {
    m_pty.Send({1, 2, 3});
    PumpFor(30);
    uint32_t before = 0, after = 9;
    ASSERT_TRUE(m_device->BytesWaiting(before) && m_device->Purge() &&
                m_device->BytesWaiting(after));
    EXPECT_EQ(std::pair(before, after), std::pair(3u, 0u));
    m_pty.Send({4, 5});
    PumpFor(30);
    std::array<uint8_t, 8> buf{};
    size_t got = 0;
    ASSERT_TRUE(m_device->Read(buf, got));
    EXPECT_EQ(std::vector(buf.begin(), buf.begin() + got), (std::vector<uint8_t>{4, 5}));
    ASSERT_TRUE(m_device->Read(buf, got));
    EXPECT_EQ(got, 0u); // nothing waiting is no failure
}

TEST_F(PosixDeviceTest, WaitReportsEveryReadySourceAndHangUp) {
    WakeSignal a, b;
    b.Raise();
    m_pty.Send({9});
    PumpFor(30);
    const std::array<const WakeSignal*, 2> list{&a, &b};
    WaitOutcome w = m_device->Wait(list, true);
    EXPECT_EQ(std::pair(w.raisedSignals, w.port), std::pair(0b10u, PortReadiness::Data)); // b only
    m_pty.CloseMaster();
    b.Lower();
    w = m_device->Wait(list, true);
    EXPECT_EQ(w.port, PortReadiness::HangUp);
    std::array<uint8_t, 4> buf{};
    size_t got = 0;
    EXPECT_FALSE(m_device->Read(buf, got)); // the end of the line is a failure
}

TEST_F(PosixDeviceTest, PurgeDoesNotTakeBackACompletedWrite) {
    WakeSignal abort;
    // Back to back, as two queued requests go out: the second's purge must keep the first.
    for (uint8_t round = 0; round < 50; ++round) {
        const std::array<uint8_t, 3> first{0xA1, 0xA2, round};
        const std::array<uint8_t, 2> second{0xB1, round};
        ASSERT_EQ(m_device->Write(first, abort), WriteOutcome::Done);
        ASSERT_TRUE(m_device->Purge());
        ASSERT_EQ(m_device->Write(second, abort), WriteOutcome::Done);
        EXPECT_EQ(m_pty.Receive(5, 1000), (std::vector<uint8_t>{0xA1, 0xA2, round, 0xB1, round}));
    }
}

TEST(PosixDevice, OpenRefusesNonTerminals) {
    char file[] = "/tmp/vemla-not-a-tty-XXXXXX";
    const int fd = ::mkstemp(file);
    ASSERT_GE(fd, 0);
    const auto device = CreateSerialDevice();
    EXPECT_FALSE(device->Open(file));
    EXPECT_EQ(device->LastError(), PortError::Other);
    EXPECT_FALSE(device->IsOpen());
    ::close(fd);
    ::unlink(file);
}

} // namespace
} // namespace vemla::test
