#pragma once

// A pseudo-terminal made by the test: the engine opens the slave by its path, the test plays the
// instrument on the master side.
#include <QEventLoop>
#include <QTimer>

#include <array>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <functional>
#include <pty.h>
#include <span>
#include <stdexcept>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace vemla::test {

// Runs the event loop for ms milliseconds.
inline void PumpFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until done() holds or timeoutMs passes; returns done().
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    if (done())
        return true;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    check.start(1);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

class PtyPair {
public:
    PtyPair() {
        std::array<char, 128> name{};
        if (::openpty(&m_master, &m_slave, name.data(), nullptr, nullptr) < 0)
            throw std::runtime_error("openpty failed");
        m_path = name.data();
        termios t{};
        ::tcgetattr(m_slave, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(m_slave, TCSANOW, &t);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() {
        CloseMaster();
        ::close(m_slave);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& SlavePath() const { return m_path; }
    int Master() const { return m_master; }

    void Send(std::span<const uint8_t> bytes) const {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
            if (n > 0)
                done += static_cast<size_t>(n);
            else if (errno != EAGAIN && errno != EINTR)
                throw std::runtime_error("master write failed");
        }
    }
    void Send(std::initializer_list<uint8_t> bytes) const {
        Send(std::span(bytes.begin(), bytes.size()));
    }

    // What the engine has written so far, without waiting.
    std::vector<uint8_t> TakeWritten() {
        std::array<uint8_t, 4096> buf{};
        ssize_t n;
        while ((n = ::read(m_master, buf.data(), buf.size())) > 0)
            m_written.insert(m_written.end(), buf.begin(), buf.begin() + n);
        std::vector<uint8_t> out;
        out.swap(m_written);
        return out;
    }
    // Collects written bytes while the event loop runs, until count are there or timeoutMs.
    std::vector<uint8_t> Receive(size_t count, int timeoutMs = 3000) {
        std::vector<uint8_t> got;
        WaitUntil(
            [&] {
                auto more = TakeWritten();
                got.insert(got.end(), more.begin(), more.end());
                return got.size() >= count;
            },
            timeoutMs);
        return got;
    }

    void CloseMaster() {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
    std::vector<uint8_t> m_written;
};

} // namespace vemla::test
