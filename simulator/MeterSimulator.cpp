#include "MeterSimulator.h"

#include "FrameCodec.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace vemla {

namespace {

// 9600 baud, 8N1: ten bit times per byte.
constexpr std::chrono::nanoseconds kBytePeriod{1'000'000'000LL * 10 / 9600};
// Large writes keep an unpaced upload of 1.4 MB as fast as the pty takes it.
constexpr std::size_t kWriteChunk = 64 * 1024;

bool MakeRaw(int fd) {
    termios t{};
    if (::tcgetattr(fd, &t) < 0)
        return false;
    ::cfmakeraw(&t);
    ::cfsetispeed(&t, B9600);
    ::cfsetospeed(&t, B9600);
    return ::tcsetattr(fd, TCSANOW, &t) == 0;
}

std::string ErrnoText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

MeterSimulator::MeterSimulator(SimOptions options)
    : m_options(std::move(options)), m_core(m_options),
      m_powerSilent(m_options.faults.powerSilent) {}

MeterSimulator::~MeterSimulator() {
    Stop();
}

bool MeterSimulator::Start() {
    if (m_thread.joinable())
        return true;
    std::array<char, 256> name{};
    if (::openpty(&m_master, &m_slaveKeeper, name.data(), nullptr, nullptr) < 0) {
        m_error = ErrnoText("openpty");
        return false;
    }
    m_slavePath = name.data();
    // Raw before any client opens the slave: a cooked slave would echo our replies back to us
    // and turn 0x0D bytes inside records into line ends.
    if (!MakeRaw(m_slaveKeeper) || !MakeRaw(m_master)) {
        m_error = ErrnoText("tcsetattr");
        CloseFds();
        return false;
    }
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slaveKeeper, F_SETFD, FD_CLOEXEC);
    if (::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK) < 0) {
        m_error = ErrnoText("fcntl");
        CloseFds();
        return false;
    }
    m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wake < 0) {
        m_error = ErrnoText("eventfd");
        CloseFds();
        return false;
    }
    if (!m_linkPath.empty()) {
        // Replace only a stale link of ours, never a real file someone put there.
        struct stat st {};
        if (::lstat(m_linkPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            ::unlink(m_linkPath.c_str());
        if (::symlink(m_slavePath.c_str(), m_linkPath.c_str()) < 0) {
            m_error = ErrnoText("symlink");
            CloseFds();
            return false;
        }
    }
    m_hungUp = false;
    m_thread = std::thread([this] { Run(); });
    return true;
}

void MeterSimulator::Stop() {
    if (m_thread.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(m_wake, &one, sizeof one);
        m_thread.join();
    }
    if (!m_linkPath.empty() && !m_slavePath.empty()) {
        struct stat st {};
        if (::lstat(m_linkPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            ::unlink(m_linkPath.c_str());
    }
    CloseFds();
}

void MeterSimulator::CloseFds() {
    for (int* fd : {&m_master, &m_slaveKeeper, &m_wake}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

std::string MeterSimulator::DevicePath() const {
    return m_linkPath.empty() ? m_slavePath : m_linkPath;
}

std::vector<std::vector<uint8_t>> MeterSimulator::ReceivedFrames() const {
    std::lock_guard lock(m_framesLock);
    return m_frames;
}

bool MeterSimulator::WaitForFrames(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_framesLock);
    return m_framesArrived.wait_for(lock, timeout, [&] { return m_frames.size() >= count; });
}

void MeterSimulator::OnFrames(const std::vector<std::vector<uint8_t>>& frames) {
    for (const auto& frame : frames) {
        {
            std::lock_guard lock(m_framesLock);
            m_frames.push_back(frame);
        }
        m_framesArrived.notify_all();
        const std::vector<uint8_t> reply = m_core.Handle(frame);
        const bool power =
            frame.size() > 2 && frame[2] == static_cast<uint8_t>(FrameCode::ReadPower);
        if (reply.empty() || (power && m_powerSilent))
            continue;
        if (m_outPos == m_out.size()) {
            m_out.clear();
            m_outPos = 0;
            m_paceStart = std::chrono::steady_clock::now();
            m_pacedSent = 0;
            if (power && m_options.faults.powerLateMs > 0) {
                m_holdUntil = m_paceStart + std::chrono::milliseconds(m_options.faults.powerLateMs);
                m_paceStart = m_holdUntil;
            }
        }
        const std::size_t base = m_out.size();
        m_out.insert(m_out.end(), reply.begin(), reply.end());
        if (auto after = m_core.HangUpAfterBytes(); after && m_hangUpAt == SIZE_MAX)
            m_hangUpAt = base + *after;
    }
}

int MeterSimulator::PollTimeoutMs() const {
    if (m_outPos == m_out.size())
        return -1;
    const auto now = std::chrono::steady_clock::now();
    if (now < m_holdUntil)
        return static_cast<int>(
            std::chrono::ceil<std::chrono::milliseconds>(m_holdUntil - now).count());
    if (!m_options.paced)
        return -1;
    const auto due = m_paceStart + kBytePeriod * static_cast<long>(m_pacedSent);
    const auto wait =
        std::chrono::ceil<std::chrono::milliseconds>(due - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<long>(wait.count(), 0));
}

// Writes what the line may carry now. False when the line is gone.
bool MeterSimulator::WriteSome() {
    if (std::chrono::steady_clock::now() < m_holdUntil)
        return true;
    std::size_t limit = std::min(m_out.size(), m_hangUpAt);
    if (m_options.paced) {
        const auto elapsed = std::chrono::steady_clock::now() - m_paceStart;
        const auto allowed = static_cast<std::size_t>(elapsed / kBytePeriod) + 1;
        limit = std::min(limit, m_outPos + (allowed > m_pacedSent ? allowed - m_pacedSent : 0));
    }
    while (m_outPos < limit) {
        const std::size_t count = std::min(limit - m_outPos, kWriteChunk);
        const ssize_t n = ::write(m_master, m_out.data() + m_outPos, count);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno == EAGAIN || errno == EWOULDBLOCK; // full: wait for POLLOUT
        }
        m_outPos += static_cast<std::size_t>(n);
        m_pacedSent += static_cast<std::size_t>(n);
        m_bytesSent += static_cast<std::size_t>(n);
    }
    return true;
}

void MeterSimulator::Run() {
    std::array<uint8_t, 4096> buffer{};
    for (;;) {
        const bool pending = m_outPos < m_out.size();
        if (m_outPos >= m_hangUpAt) {
            // Let the client read what was sent before the cut (closing the master flushes the
            // slave's queue), but not forever if nobody reads. Then the device is pulled: the
            // client's reads see EIO / POLLHUP from here on.
            // The pty hands written bytes to the slave side a moment later, so an empty queue
            // counts only after a short grace.
            for (int waited = 0; waited < 2000; waited += 5) {
                int queued = 0;
                if (::ioctl(m_slaveKeeper, FIONREAD, &queued) < 0 || (queued == 0 && waited >= 50))
                    break;
                pollfd wake{m_wake, POLLIN, 0};
                if (::poll(&wake, 1, 5) > 0)
                    break;
            }
            ::close(m_master);
            m_master = -1;
            ::close(m_slaveKeeper);
            m_slaveKeeper = -1;
            m_hungUp = true;
            pollfd wake{m_wake, POLLIN, 0};
            while (::poll(&wake, 1, -1) < 0 && errno == EINTR) {
            }
            return;
        }
        const int timeout = PollTimeoutMs();
        short events = POLLIN;
        if (pending && timeout <= 0)
            events |= POLLOUT;
        std::array<pollfd, 2> fds{pollfd{m_wake, POLLIN, 0}, pollfd{m_master, events, 0}};
        const int rc = ::poll(fds.data(), fds.size(), timeout);
        if (rc < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[0].revents & POLLIN)
            return;
        if (fds[1].revents & POLLIN) {
            const ssize_t n = ::read(m_master, buffer.data(), buffer.size());
            if (n > 0)
                OnFrames(m_framer.Feed({buffer.data(), static_cast<std::size_t>(n)}));
        } else if (fds[1].revents & (POLLHUP | POLLERR)) {
            // The keeper fd should prevent a lasting hang-up on the master; if one happens
            // anyway, sleep a little rather than spin on it.
            ::poll(nullptr, 0, 20);
        }
        if (m_outPos < m_out.size() && PollTimeoutMs() <= 0 && !WriteSome())
            return;
    }
}

} // namespace vemla
