// The simulator on a real pseudo-terminal: what only the line adds (pacing, the link path). Its
// replies are checked in MeterCoreTest; a whole session over the line, the pulled device
// included, in tests/session/MeterSessionTest.
#include "MeterSimulator.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace vemla {
namespace {

using Bytes = std::vector<uint8_t>;
using namespace std::chrono_literals;

// The program's side of the line: opens the path raw, as the serial engine does, sends one
// frame and reads until count bytes came back, the line dropped or 5 s passed.
Bytes Exchange(const std::string& path, const Bytes& frame, std::size_t count) {
    Bytes got;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return got;
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
    EXPECT_EQ(::write(fd, frame.data(), frame.size()), ssize_t(frame.size()));
    const auto deadline = std::chrono::steady_clock::now() + 5000ms;
    uint8_t buf[8192];
    while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0)
            got.insert(got.end(), buf, buf + n);
        else if (n == 0 || errno != EAGAIN)
            break; // the line hung up
    }
    ::close(fd);
    return got;
}

TEST(MeterSimulator, PacedLineCarriesAboutOneBytePerMillisecond) {
    SimOptions o;
    o.records = 1;
    o.paced = true;
    MeterSimulator sim(o);
    ASSERT_TRUE(sim.Start());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Exchange(sim.DevicePath(), {0xAA, 0x04, 0x05, 0x55}, 26).size(), 26u); // upload
    // 26 bytes at 9600 baud need 27 ms; an unpaced line takes well under 1 ms.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 20ms);
}

TEST(MeterSimulator, LinkPathPointsAtTheSlaveAndIsRemovedOnStop) {
    const std::string link =
        (std::filesystem::temp_directory_path() / ("vemla-sim-" + std::to_string(::getpid())))
            .string();
    {
        MeterSimulator sim(SimOptions{});
        sim.SetLinkPath(link);
        ASSERT_TRUE(sim.Start()) << sim.ErrorText();
        EXPECT_EQ(sim.DevicePath(), link);
        EXPECT_EQ(std::filesystem::read_symlink(link).string(), sim.SlavePath());
        EXPECT_EQ(Exchange(link, {0xAA, 0x04, 0x01, 0x55}, 16).size(), 16u); // connect
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

} // namespace
} // namespace vemla
