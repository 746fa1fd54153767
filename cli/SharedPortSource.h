#pragma once
// The machine's ports read once for every meter of a run. Each session's hot-plug watch reads
// the port list every second; with several meters those reads (Qt's walk of /sys/class/tty, some
// thousands of system calls each) were most of the run's CPU, so the sessions share one read,
// made at most once every kFresh. A device that comes back is found that much later.

#include "PortSource.h"

#include <chrono>
#include <memory>
#include <vector>

namespace vemla {

class SharedPortSource {
public:
    static constexpr std::chrono::milliseconds kFresh{3000};

    explicit SharedPortSource(std::unique_ptr<IPortSource> source) : m_source(std::move(source)) {}

    // A source for one session, reading through this one, which must outlive it.
    std::unique_ptr<IPortSource> View();

private:
    class Reader;
    const std::vector<PortCandidate>& Read();

    std::unique_ptr<IPortSource> m_source;
    std::vector<PortCandidate> m_read;
    std::chrono::steady_clock::time_point m_readAt;
    bool m_everRead = false;
};

} // namespace vemla
