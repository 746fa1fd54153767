#include "SharedSyncThread.h"

#include <algorithm>

namespace vemla {

SharedSyncThread::SharedSyncThread(QString archivePath, QString server, QObject* parent)
    : QObject(parent), m_archivePath(std::move(archivePath)), m_server(std::move(server)) {}

SharedSyncThread::~SharedSyncThread() {
    Stop();
}

void SharedSyncThread::SetRetry(std::chrono::milliseconds first, std::chrono::milliseconds last) {
    m_firstRetry = first;
    m_lastRetry = std::max(first, last);
}

void SharedSyncThread::Start() {
    if (m_server.isEmpty() || m_thread.joinable())
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = false;
        m_nudged = true;
    }
    m_thread = std::thread([this] { Run(); });
}

void SharedSyncThread::Stop() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        if (m_sync)
            m_sync->Stop();
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void SharedSyncThread::Nudge() {
    {
        const std::lock_guard lock(m_mutex);
        m_nudged = true;
    }
    m_wake.notify_all();
}

SharedStatus SharedSyncThread::Status() const {
    const std::lock_guard lock(m_mutex);
    return m_status;
}

bool SharedSyncThread::WaitForWork(std::chrono::milliseconds delay) {
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, delay, [&] { return m_nudged || m_stopping; });
    m_nudged = false;
    return !m_stopping;
}

void SharedSyncThread::Run() {
    // Its connections, local and to the server, belong to this thread.
    SharedSync sync(m_archivePath, m_server);
    {
        const std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        m_sync = &sync;
    }
    std::chrono::milliseconds delay = m_firstRetry;
    // The other stations' uploads are asked for once a minute, not at every commit here: the
    // list of the lab's versions is the sync's one read that grows with the lab.
    auto received = std::chrono::steady_clock::time_point();
    while (WaitForWork(delay)) {
        const auto now = std::chrono::steady_clock::now();
        const bool receive = received == decltype(received)() || now - received >= kReceiveEvery;
        const SyncResult result = sync.SyncOnce(receive);
        if (receive && result.outcome == SyncResult::Outcome::Done)
            received = now;
        delay = Publish(result, delay);
    }
    const std::lock_guard lock(m_mutex);
    m_sync = nullptr;
}

std::chrono::milliseconds SharedSyncThread::Publish(const SyncResult& result,
                                                    std::chrono::milliseconds delay) {
    using State = SharedStatus::State;
    SharedStatus status;
    status.recordsWaiting = result.recordsWaiting;
    status.reason = result.reason;
    std::chrono::milliseconds next = m_firstRetry;
    bool changed = false;
    {
        const std::lock_guard lock(m_mutex);
        switch (result.outcome) {
        case SyncResult::Outcome::Done:
        case SyncResult::Outcome::Stopped:
            status.state = result.recordsWaiting > 0 ? State::Waiting : State::UpToDate;
            next = result.recordsWaiting > 0 ? m_firstRetry : kReceiveEvery;
            break;
        case SyncResult::Outcome::Unreachable:
            status.state = State::Unreachable;
            // Since the first failure of this run of them.
            status.unreachableSince = m_status.state == State::Unreachable
                                          ? m_status.unreachableSince
                                          : QDateTime::currentDateTime();
            next = std::min(delay * 2, m_lastRetry);
            break;
        case SyncResult::Outcome::Refused:
            status.state = State::Refused;
            next = m_lastRetry;
            break;
        case SyncResult::Outcome::LocalFault:
            status.state = State::Waiting;
            next = std::min(delay * 2, m_lastRetry);
            break;
        }
        changed = status.state != m_status.state ||
                  status.recordsWaiting != m_status.recordsWaiting ||
                  status.reason != m_status.reason;
        m_status = status;
    }
    if (changed)
        emit StatusChanged();
    return next;
}

} // namespace vemla
