#pragma once
// A pseudo-terminal pair made inside the test: the program opens the slave path like a serial
// device, the test plays the instrument on the master side.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace vemla::test {

class PtyPair {
public:
    PtyPair() {
        char name[256] = {};
        if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
            return;
        m_path = name;
        termios t{};
        tcgetattr(m_slave, &t);
        cfmakeraw(&t);
        tcsetattr(m_slave, TCSANOW, &t);
        fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() {
        if (m_master >= 0)
            close(m_master);
        if (m_slave >= 0)
            close(m_slave);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ok() const { return m_master >= 0; }
    const std::string& Path() const { return m_path; }

    void Send(const std::vector<uint8_t>& bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = write(m_master, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
            } else {
                pollfd p{m_master, POLLOUT, 0};
                poll(&p, 1, 100);
            }
        }
    }

    // Everything the program wrote within `wait`, while the window's events keep running.
    std::vector<uint8_t> Received(std::chrono::milliseconds wait = std::chrono::milliseconds(300)) {
        std::vector<uint8_t> out;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < wait.count()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            uint8_t buf[4096];
            const ssize_t n = read(m_master, buf, sizeof buf);
            if (n > 0)
                out.insert(out.end(), buf, buf + n);
            else
                usleep(2000);
        }
        return out;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
};

// Runs the window's events until pred holds or the time is up.
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

} // namespace vemla::test
