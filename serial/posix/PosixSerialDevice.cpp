#include "PosixSerialDevice.h"

#include "WakeSignal.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace vemla {

namespace {

struct SpeedCode {
    uint32_t baud;
    speed_t code;
};

constexpr std::array kSpeeds{
    SpeedCode{50, B50},           SpeedCode{75, B75},           SpeedCode{110, B110},
    SpeedCode{134, B134},         SpeedCode{150, B150},         SpeedCode{200, B200},
    SpeedCode{300, B300},         SpeedCode{600, B600},         SpeedCode{1200, B1200},
    SpeedCode{1800, B1800},       SpeedCode{2400, B2400},       SpeedCode{4800, B4800},
    SpeedCode{9600, B9600},       SpeedCode{19200, B19200},     SpeedCode{38400, B38400},
    SpeedCode{57600, B57600},     SpeedCode{115200, B115200},   SpeedCode{230400, B230400},
    SpeedCode{460800, B460800},   SpeedCode{500000, B500000},   SpeedCode{576000, B576000},
    SpeedCode{921600, B921600},   SpeedCode{1000000, B1000000}, SpeedCode{1152000, B1152000},
    SpeedCode{1500000, B1500000}, SpeedCode{2000000, B2000000}, SpeedCode{2500000, B2500000},
    SpeedCode{3000000, B3000000}, SpeedCode{3500000, B3500000}, SpeedCode{4000000, B4000000},
};

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Waits up to timeoutMs (negative: no limit) for abort; true when it was raised.
bool WaitAbort(const WakeSignal& abort, int timeoutMs) {
    pollfd p{static_cast<int>(abort.NativeHandle()), POLLIN, 0};
    int r;
    while ((r = ::poll(&p, 1, timeoutMs)) < 0 && errno == EINTR) {
    }
    return r == 1;
}

} // namespace

PortError PortErrorFromSystemCode(int code) {
    switch (code) {
    case 0:
        return PortError::None;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
        return PortError::NoSuchDevice;
    case EBUSY:
    case EWOULDBLOCK:
        return PortError::Busy;
    case EACCES:
    case EPERM:
    case EROFS:
        return PortError::PermissionDenied;
    default:
        return PortError::Other;
    }
}

std::string SystemErrorText(int code) {
    return std::system_category().message(code);
}

std::unique_ptr<ISerialDevice> CreateSerialDevice() {
    return std::make_unique<PosixSerialDevice>();
}

PosixSerialDevice::~PosixSerialDevice() {
    Close();
}

bool PosixSerialDevice::Fail(int code) {
    m_lastErrno = code;
    return false;
}

bool PosixSerialDevice::Open(const std::string& path) {
    Close();
    if (path.empty())
        return Fail(ENOENT);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return Fail(errno);
    int code = 0;
    if (!::isatty(fd))
        code = ENOTTY;
    // TIOCEXCL keeps other programs out (root passes it); the lock also keeps out other
    // instances of ours that run as root.
    else if (::ioctl(fd, TIOCEXCL) < 0)
        code = errno;
    else if (::flock(fd, LOCK_EX | LOCK_NB) < 0)
        code = errno == EWOULDBLOCK ? EBUSY : errno;
    if (code != 0) {
        ::close(fd);
        return Fail(code);
    }
    m_fd = fd;
    m_lastErrno = 0;
    return true;
}

void PosixSerialDevice::Close() {
    if (m_fd < 0)
        return;
    ::ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
    m_fd = -1;
}

bool PosixSerialDevice::SetTimeouts(const CommTimeouts& timeouts) {
    if (m_fd < 0)
        return Fail(EBADF);
    // Reads never block here (the wait is poll's), so only the write bounds are used.
    m_timeouts = timeouts;
    return true;
}

bool PosixSerialDevice::SetEventMask(uint32_t mask) {
    if (m_fd < 0)
        return Fail(EBADF);
    m_eventMask = mask;
    return true;
}

bool PosixSerialDevice::GetLineState(LineState& state) {
    termios t{};
    if (m_fd < 0)
        return Fail(EBADF);
    if (::tcgetattr(m_fd, &t) < 0)
        return Fail(errno);
    const speed_t code = ::cfgetospeed(&t);
    for (const auto& s : kSpeeds) {
        if (s.code == code)
            state.baud = s.baud;
    }
    switch (t.c_cflag & CSIZE) {
    case CS5:
        state.dataBits = 5;
        break;
    case CS6:
        state.dataBits = 6;
        break;
    case CS7:
        state.dataBits = 7;
        break;
    default:
        state.dataBits = 8;
        break;
    }
    if (!(t.c_cflag & PARENB))
        state.parity = Parity::None;
    else if (t.c_cflag & CMSPAR)
        state.parity = (t.c_cflag & PARODD) ? Parity::Mark : Parity::Space;
    else
        state.parity = (t.c_cflag & PARODD) ? Parity::Odd : Parity::Even;
    state.stopBits = (t.c_cflag & CSTOPB) ? StopBits::Two : StopBits::One;
    state.ctsFlow = (t.c_cflag & CRTSCTS) != 0;
    state.xonXoff = (t.c_iflag & IXON) != 0;
    state.eventChar = 0;
    return true;
}

bool PosixSerialDevice::BuildLineState(const std::string& settings, LineState& state) {
    if (!ApplySettingsString(settings, state))
        return Fail(EINVAL);
    return true;
}

bool PosixSerialDevice::SetModemLine(int line, bool on) {
    // A pseudo-terminal has no modem lines; that is no failure of the settings.
    if (::ioctl(m_fd, on ? TIOCMBIS : TIOCMBIC, &line) < 0 && errno != ENOTTY && errno != EINVAL)
        return Fail(errno);
    return true;
}

bool PosixSerialDevice::SetLineState(const LineState& state) {
    if (m_fd < 0)
        return Fail(EBADF);
    const auto speed = std::find_if(kSpeeds.begin(), kSpeeds.end(),
                                    [&](const SpeedCode& s) { return s.baud == state.baud; });
    // No termios form for 1.5 stop bits, DSR flow or DTR handshake, nor for odd speeds.
    if (speed == kSpeeds.end() || state.stopBits == StopBits::OnePointFive || state.dsrFlow ||
        state.dsrSensitive || state.dtr == DtrControl::Handshake || state.dataBits < 5 ||
        state.dataBits > 8)
        return Fail(EINVAL);
    termios t{};
    if (::tcgetattr(m_fd, &t) < 0)
        return Fail(errno);
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    static constexpr std::array<tcflag_t, 4> kSizes{CS5, CS6, CS7, CS8};
    t.c_cflag |= kSizes[state.dataBits - 5];
    switch (state.parity) {
    case Parity::None:
        break;
    case Parity::Odd:
        t.c_cflag |= PARENB | PARODD;
        break;
    case Parity::Even:
        t.c_cflag |= PARENB;
        break;
    case Parity::Mark:
        t.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case Parity::Space:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    }
    if (state.parity != Parity::None)
        t.c_iflag |= INPCK;
    if (state.stopBits == StopBits::Two)
        t.c_cflag |= CSTOPB;
    if (state.ctsFlow || state.rts == RtsControl::Handshake)
        t.c_cflag |= CRTSCTS;
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (state.xonXoff)
        t.c_iflag |= IXON | IXOFF;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (::cfsetispeed(&t, speed->code) < 0 || ::cfsetospeed(&t, speed->code) < 0)
        return Fail(errno);
    if (::tcsetattr(m_fd, TCSANOW, &t) < 0)
        return Fail(errno);
    m_baud = state.baud;
    if (state.rts != RtsControl::Handshake &&
        !SetModemLine(TIOCM_RTS, state.rts != RtsControl::Disable))
        return false;
    return SetModemLine(TIOCM_DTR, state.dtr != DtrControl::Disable);
}

bool PosixSerialDevice::Purge() {
    if (m_fd < 0)
        return Fail(EBADF);
    // The output queue is cleared only while the driver still holds unsent bytes. A
    // pseudo-terminal reports none, yet its output flush takes back bytes already handed to the
    // other end (the previous write, complete by then), so it must not run there.
    int unsent = 0;
    const bool flushOutput = ::ioctl(m_fd, TIOCOUTQ, &unsent) == 0 && unsent > 0;
    if (::tcflush(m_fd, flushOutput ? TCIOFLUSH : TCIFLUSH) < 0)
        return Fail(errno);
    return true;
}

bool PosixSerialDevice::BytesWaiting(uint32_t& count) {
    int waiting = 0;
    if (m_fd < 0)
        return Fail(EBADF);
    if (::ioctl(m_fd, FIONREAD, &waiting) < 0)
        return Fail(errno);
    count = waiting > 0 ? static_cast<uint32_t>(waiting) : 0;
    return true;
}

bool PosixSerialDevice::Read(std::span<uint8_t> into, size_t& got) {
    got = 0;
    if (m_fd < 0)
        return Fail(EBADF);
    if (into.empty())
        return true;
    for (;;) {
        const ssize_t n = ::read(m_fd, into.data(), into.size());
        if (n > 0) {
            got = static_cast<size_t>(n);
            return true;
        }
        if (n == 0)
            return Fail(EIO); // the other end is gone
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN)
            return true;
        return Fail(errno);
    }
}

bool PosixSerialDevice::DrainOutput(int64_t deadlineMs, const WakeSignal& abort) {
    for (;;) {
        int queued = 0;
        // Devices without an output count (a pseudo-terminal says 0) are done at once.
        if (::ioctl(m_fd, TIOCOUTQ, &queued) < 0 || queued <= 0)
            return true;
        const int64_t left = deadlineMs - NowMs();
        if (left <= 0)
            return true;
        const int64_t sendMs = static_cast<int64_t>(queued) * 10000 / std::max<uint32_t>(m_baud, 1);
        if (WaitAbort(abort, static_cast<int>(std::clamp<int64_t>(sendMs, 1, left))))
            return false;
    }
}

WriteOutcome PosixSerialDevice::Write(std::span<const uint8_t> bytes, const WakeSignal& abort) {
    if (m_fd < 0) {
        Fail(EBADF);
        return WriteOutcome::Failed;
    }
    const int64_t budget = static_cast<int64_t>(m_timeouts.writeTotalPerByte) * bytes.size() +
                           m_timeouts.writeTotalConstant;
    const int64_t deadline = NowMs() + budget;
    size_t done = 0;
    bool first = true;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            first = false;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            Fail(errno);
            return first ? WriteOutcome::Failed : WriteOutcome::Unfinished;
        }
        first = false;
        const int64_t left = deadline - NowMs();
        if (left <= 0)
            return WriteOutcome::Unfinished;
        std::array<pollfd, 2> p{pollfd{m_fd, POLLOUT, 0},
                                pollfd{static_cast<int>(abort.NativeHandle()), POLLIN, 0}};
        const int r = ::poll(p.data(), p.size(), static_cast<int>(std::min<int64_t>(left, 60000)));
        if (r < 0 && errno != EINTR) {
            Fail(errno);
            return WriteOutcome::Unfinished;
        }
        if (p[1].revents & POLLIN)
            return WriteOutcome::Aborted;
        if (p[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
            Fail(EIO);
            return WriteOutcome::Unfinished;
        }
    }
    // The write counts as done when the line has sent it, so that the purge before the next
    // write cannot cut this one short.
    if (!DrainOutput(deadline, abort))
        return WriteOutcome::Aborted;
    return WriteOutcome::Done;
}

WaitOutcome PosixSerialDevice::Wait(std::span<const WakeSignal* const> waitList, bool watchPort) {
    WaitOutcome outcome;
    std::array<pollfd, 9> p{};
    const size_t count = std::min<size_t>(waitList.size(), p.size() - 1);
    for (size_t i = 0; i < count; ++i)
        p[i] = pollfd{static_cast<int>(waitList[i]->NativeHandle()), POLLIN, 0};
    size_t used = count;
    const bool port = watchPort && m_fd >= 0 && (m_eventMask & kEventRxChar) != 0;
    if (port)
        p[used++] = pollfd{m_fd, POLLIN, 0};
    int r;
    while ((r = ::poll(p.data(), used, -1)) < 0 && errno == EINTR) {
    }
    if (r < 0) {
        Fail(errno);
        outcome.failed = true;
        return outcome;
    }
    for (size_t i = 0; i < count; ++i) {
        if (p[i].revents & POLLIN)
            outcome.raisedSignals |= 1u << i;
    }
    if (port) {
        const short ev = p[count].revents;
        if (ev & (POLLHUP | POLLERR | POLLNVAL)) {
            outcome.port = PortReadiness::HangUp;
            m_lastErrno = EIO;
        } else if (ev & POLLIN)
            outcome.port = PortReadiness::Data;
    }
    return outcome;
}

} // namespace vemla
