#pragma once
// Runs the shared archive's sync on a thread of its own: at once when nudged (the archive's
// writer committed), again every few seconds while records wait or the server cannot be
// reached (5 s, doubling to a minute), and once a minute otherwise to receive what the other
// stations sent. Nothing here is waited for by the writer or the window: a nudge only wakes the
// thread, and the status passes over under a mutex of ours with a signal that carries nothing,
// so a thread sanitizer sees every hand-over.

#include "SharedSync.h"

#include <QObject>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace vemla {

class SharedSyncThread : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kFirstRetry{5000};
    static constexpr std::chrono::milliseconds kLastRetry{60000};
    static constexpr std::chrono::milliseconds kReceiveEvery{60000};

    // `server` empty: the status stays Off and no thread runs.
    SharedSyncThread(QString archivePath, QString server, QObject* parent = nullptr);
    // Stops first.
    ~SharedSyncThread() override;

    // How long the waits between tries are, before Start (tests shorten them).
    void SetRetry(std::chrono::milliseconds first, std::chrono::milliseconds last);
    void Start();
    // Ends the thread: a server call under way is cancelled, a connection attempt gives up
    // within SharedSync::kConnectTimeoutS. Returns once the thread has ended.
    void Stop();

    // From any thread (the writer's included): something new was committed.
    void Nudge();
    // From any thread: the state as of the last try.
    SharedStatus Status() const;

signals:
    // Status() changed; emitted on the sync's thread.
    void StatusChanged();

private:
    void Run();
    // Waits for a nudge, a stop or `delay`; false when stopping.
    bool WaitForWork(std::chrono::milliseconds delay);
    // The status after `result`, and how long to wait before the next try.
    std::chrono::milliseconds Publish(const SyncResult& result, std::chrono::milliseconds delay);

    const QString m_archivePath;
    const QString m_server;
    std::chrono::milliseconds m_firstRetry = kFirstRetry;
    std::chrono::milliseconds m_lastRetry = kLastRetry;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_nudged = true; // the first try runs at once
    bool m_stopping = false;
    SharedSync* m_sync = nullptr; // the thread's, while it runs: Stop cancels through it
    SharedStatus m_status;
    std::thread m_thread;
};

} // namespace vemla
