#pragma once
// A pseudo-terminal pair made inside the test: the program opens the slave path like a serial
// device, the test plays the instrument on the master side. Header only, so the engine tests
// use it without the widget test support.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace vemla::test {

// Runs the event loop until pred holds or the time is up; returns pred().
inline bool WaitUntil(const std::function<bool()>& pred,
                      std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > limit.count())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        usleep(1000);
    }
    return true;
}

// Runs the event loop for ms milliseconds.
inline void PumpFor(int ms) {
    WaitUntil([] { return false; }, std::chrono::milliseconds(ms));
}

class PtyPair {
public:
    PtyPair() {
        std::array<char, 256> name{};
        if (::openpty(&m_master, &m_slave, name.data(), nullptr, nullptr) != 0)
            return;
        m_path = name.data();
        termios t{};
        ::tcgetattr(m_slave, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(m_slave, TCSANOW, &t);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() {
        CloseMaster();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ok() const { return !m_path.empty(); }
    const std::string& Path() const { return m_path; }

    void Send(std::span<const uint8_t> bytes) const {
        for (size_t done = 0; done < bytes.size() && m_master >= 0;) {
            pollfd p{m_master, POLLOUT, 0};
            ::poll(&p, 1, 100); // the master does not block: wait until the line takes more
            const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return;
            done += n > 0 ? static_cast<size_t>(n) : 0;
        }
    }
    void Send(std::initializer_list<uint8_t> bytes) const {
        Send(std::span(bytes.begin(), bytes.size()));
    }

    // What the program has written so far, without waiting.
    std::vector<uint8_t> TakeWritten() const {
        std::vector<uint8_t> out;
        ReadInto(out);
        return out;
    }
    // Collects written bytes while the event loop runs, until count are there or time is up.
    std::vector<uint8_t> Receive(size_t count, int timeoutMs = 3000) const {
        std::vector<uint8_t> got;
        WaitUntil([&] { return ReadInto(got) >= count; }, std::chrono::milliseconds(timeoutMs));
        return got;
    }
    // Everything the program wrote within `wait`, while the window's events keep running.
    std::vector<uint8_t>
    Received(std::chrono::milliseconds wait = std::chrono::milliseconds(300)) const {
        return Receive(SIZE_MAX, static_cast<int>(wait.count()));
    }

    void CloseMaster() {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    // Appends what waits on the master side; returns the new size.
    size_t ReadInto(std::vector<uint8_t>& to) const {
        std::array<uint8_t, 4096> buf{};
        ssize_t n;
        while (m_master >= 0 && (n = ::read(m_master, buf.data(), buf.size())) > 0)
            to.insert(to.end(), buf.begin(), buf.begin() + n);
        return to.size();
    }

    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
};

} // namespace vemla::test
