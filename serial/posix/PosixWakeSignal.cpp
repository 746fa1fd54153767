#include "WakeSignal.h"

#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace vemla {

// An eventfd is readable while its counter is non-zero, which is exactly a manual-reset signal:
// writes add to the counter (raise), one read empties it (lower).
WakeSignal::WakeSignal() : m_handle(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeSignal::~WakeSignal() {
    if (m_handle >= 0)
        ::close(static_cast<int>(m_handle));
}

void WakeSignal::Raise() {
    const uint64_t one = 1;
    // EAGAIN only when the counter is near overflow, i.e. raised already.
    while (::write(static_cast<int>(m_handle), &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void WakeSignal::Lower() {
    uint64_t count = 0;
    while (::read(static_cast<int>(m_handle), &count, sizeof count) < 0 && errno == EINTR) {
    }
}

bool WakeSignal::IsRaised() const {
    return WaitRaised(0);
}

bool WakeSignal::WaitRaised(int timeoutMs) const {
    pollfd p{static_cast<int>(m_handle), POLLIN, 0};
    int r;
    while ((r = ::poll(&p, 1, timeoutMs)) < 0 && errno == EINTR) {
    }
    return r == 1 && (p.revents & POLLIN) != 0;
}

} // namespace vemla
