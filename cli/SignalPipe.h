#pragma once
// SIGINT (and SIGTERM where a stop is a normal end) for an event loop: the handler only writes a
// byte to a pipe (async-signal-safe); the loop reads it through a socket notifier and says so by a
// Qt signal.

#include <QObject>
#include <QSocketNotifier>
#include <csignal>
#include <initializer_list>
#include <memory>
#include <vector>

namespace vemla {

class SignalPipe : public QObject {
    Q_OBJECT
public:
    // One per process: the handler writes to its pipe.
    explicit SignalPipe(std::initializer_list<int> caught = {SIGINT});
    ~SignalPipe() override;
    bool Caught() const { return m_caught; }

signals:
    void Interrupted();

private:
    void OnReadable();
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_caught = false;
    std::vector<int> m_signals;
};

} // namespace vemla
