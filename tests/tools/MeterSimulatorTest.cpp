// The simulator on a real pseudo-terminal: what only the line adds (pacing, the link path). Its
// replies are checked in MeterCoreTest; a whole session over the line, the pulled device
// included, in tests/app/SessionTest.
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

// The program's side of the line: opens the slave path raw, as the serial engine does.
class Client {
public:
    explicit Client(const std::string& path) {
        m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0)
            return;
        termios t{};
        ::tcgetattr(m_fd, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(m_fd, TCSANOW, &t);
    }
    ~Client() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool IsOpen() const { return m_fd >= 0; }
    void Send(const Bytes& b) const {
        ASSERT_EQ(::write(m_fd, b.data(), b.size()), ssize_t(b.size()));
    }

    // Reads until count bytes came, the line dropped, or the deadline passed.
    Bytes Receive(std::size_t count, std::chrono::milliseconds timeout = 5000ms) {
        Bytes got;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        uint8_t buf[8192];
        while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n > 0) {
                got.insert(got.end(), buf, buf + n);
            } else if (n == 0 || errno != EAGAIN) {
                break; // the line hung up
            }
        }
        return got;
    }

private:
    int m_fd = -1;
};

SimOptions Options(int records) {
    SimOptions o;
    o.records = records;
    return o;
}

const Bytes kConnect{0xAA, 0x04, 0x01, 0x55};
const Bytes kUpload{0xAA, 0x04, 0x05, 0x55};

TEST(MeterSimulator, PacedLineCarriesAboutOneBytePerMillisecond) {
    SimOptions o = Options(1);
    o.paced = true;
    MeterSimulator sim(o);
    ASSERT_TRUE(sim.Start());
    Client client(sim.DevicePath());
    const auto start = std::chrono::steady_clock::now();
    client.Send(kUpload);
    const Bytes got = client.Receive(26);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(got.size(), 26u);
    // 26 bytes at 9600 baud need 27 ms; an unpaced line takes well under 1 ms.
    EXPECT_GE(took, 20ms);
}

TEST(MeterSimulator, LinkPathPointsAtTheSlaveAndIsRemovedOnStop) {
    const std::string link =
        (std::filesystem::temp_directory_path() / ("vemla-sim-" + std::to_string(::getpid())))
            .string();
    {
        MeterSimulator sim(Options(0));
        sim.SetLinkPath(link);
        ASSERT_TRUE(sim.Start()) << sim.ErrorText();
        EXPECT_EQ(sim.DevicePath(), link);
        EXPECT_EQ(std::filesystem::read_symlink(link).string(), sim.SlavePath());
        Client client(link);
        client.Send(kConnect);
        EXPECT_EQ(client.Receive(16).size(), 16u);
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

} // namespace
} // namespace vemla
