#include "PortWatch.h"

#include <sys/stat.h>

namespace vemla {

PortWatch::PortWatch(PortList& ports, QObject* parent) : QObject(parent), m_ports(ports) {
    m_timer.setInterval(kPollMs);
    connect(&m_timer, &QTimer::timeout, this, &PortWatch::Poll);
    m_timer.start();
}

std::optional<PortWatch::NodeKey> PortWatch::NodeOf(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return NodeKey{st.st_dev, st.st_ino, st.st_rdev, st.st_ctim.tv_sec, st.st_ctim.tv_nsec};
}

void PortWatch::WatchFor(const PortEntry& lost) {
    m_lost = IdentityOf(lost);
    m_failedNode = NodeOf(lost.device);
}

void PortWatch::Poll() {
    if (m_ports.Poll())
        emit PortsChanged();
    if (!m_lost)
        return;
    const std::vector<PortEntry>& entries = m_ports.Entries();
    const auto at = FindPort(entries, *m_lost);
    const std::optional<NodeKey> node = at ? NodeOf(entries[*at].device) : std::nullopt;
    if (!node) {
        m_failedNode.reset();
        return;
    }
    if (node != m_failedNode)
        emit PortReturned(entries[*at].number);
}

} // namespace vemla
