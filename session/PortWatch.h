#pragma once
// Hot-plug without a widget: a poll of the port list once a second. A poll of the same source
// the list already reads, rather than a udev netlink socket or a watch on /dev, because it sees
// exactly what the list shows (VEMLA_PORTS links and the simulated meter included), needs no
// extra package, and works the same with the test port source; the cost is one enumeration a
// second, and a return seen at most kPollMs late.

#include "PortIdentity.h"

#include <QObject>
#include <QTimer>

#include <optional>
#include <sys/types.h>

namespace vemla {

class PortWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int kPollMs = 1000;

    explicit PortWatch(PortList& ports, QObject* parent = nullptr);

    // The port went away: from now on each poll looks for the same adapter on a device node that
    // is not the one that failed (a node made anew after it was pulled and plugged back).
    void WatchFor(const PortEntry& lost);
    void StopWatching() { m_lost.reset(); }
    bool Watching() const { return m_lost.has_value(); }

signals:
    // The ports differ from the last poll; a poll that finds the same ports changes nothing.
    void PortsChanged();
    // The watched adapter is back, listed under this number.
    void PortReturned(uint32_t number);

private:
    // The device node a path leads to, to tell a node made anew from the one that failed.
    struct NodeKey {
        dev_t device;
        ino_t inode;
        dev_t special;
        long changedSec;
        long changedNsec;
        bool operator==(const NodeKey&) const = default;
    };
    static std::optional<NodeKey> NodeOf(const std::string& path);
    void Poll();

    PortList& m_ports;
    QTimer m_timer;
    std::optional<PortIdentity> m_lost;
    std::optional<NodeKey> m_failedNode; // cleared once the node was seen gone
};

} // namespace vemla
