#include "LiveMonitor.h"

#include "MeterSession.h"

#include <QDateTime>
#include <algorithm>

namespace vemla {

LiveMonitor::LiveMonitor(MeterSession& session, QObject* parent)
    : QObject(parent), m_session(session),
      m_clock([] { return QDateTime::currentMSecsSinceEpoch(); }) {
    m_timer.setInterval(kDefaultIntervalMs);
    // Precise: at 0.2 s a coarse timer's 5 % slack would cost a reading now and then.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &LiveMonitor::Poll);
    connect(&m_session, &MeterSession::PowerReceived, this, &LiveMonitor::OnPower);
    // Readings at another wavelength are not comparable with those before.
    connect(&m_session, &MeterSession::WavelengthAcknowledged, this, &LiveMonitor::ResetStatistics);
}

LiveMonitor::~LiveMonitor() = default;

void LiveMonitor::Start() {
    if (m_timer.isActive())
        return;
    m_reopenFirst = true;
    m_pollOutstanding = false;
    m_missedInRow = 0;
    m_timer.start();
    Poll();
}

void LiveMonitor::Pause() {
    m_timer.stop();
    m_pollOutstanding = false;
    SetStatus(Status::Idle);
}

void LiveMonitor::SetInterval(int msecs) {
    const auto* at = std::lower_bound(kIntervalsMs.begin(), kIntervalsMs.end(), msecs);
    m_timer.setInterval(at == kIntervalsMs.end() ? kIntervalsMs.back() : *at);
}

void LiveMonitor::Poll() {
    if (m_session.CommandOutstanding()) {
        // A poll sent just before the command may have been replaced by it: not a miss.
        m_pollOutstanding = false;
        SetStatus(Status::Waiting);
        return;
    }
    if (m_pollOutstanding) {
        if (m_pollAge.elapsed() < kReplyWaitMs)
            return; // a late reply is still a reply
        ++m_missed;
        ++m_missedInRow;
    }
    if (m_reopenFirst) {
        m_session.ReopenPort();
        m_reopenFirst = false;
    }
    if (!m_session.SendPoll()) {
        m_pollOutstanding = false;
        m_reopenFirst = true; // the port may be opened meanwhile: try as READ POWER does
        SetStatus(Status::PortNotOpen);
        return;
    }
    m_pollOutstanding = true;
    m_pollAge.start();
    SetStatus(m_missedInRow >= kMissedForNoReply ? Status::NoReply : Status::Polling);
}

void LiveMonitor::OnPower() {
    if (!m_timer.isActive() || !m_session.LastPower())
        return;
    m_pollOutstanding = false;
    m_missedInRow = 0;
    const float dBm = *m_session.LastPower();
    const LiveSample sample{m_clock(), dBm, IsPlausiblePower(dBm)};
    if (m_samples.size() >= kMaxSamples)
        m_samples.pop_front();
    m_samples.push_back(sample);
    m_statistics.Add(sample);
    LiveLog& log = m_sharedLog ? *m_sharedLog : m_log;
    if (log.IsOpen() &&
        !log.Write(sample, MeterTagOf(m_session), m_session.SelectedWavelength(), m_reference))
        SetStatus(Status::LogFailed);
    else
        SetStatus(Status::Polling);
    emit SampleAdded(sample);
}

void LiveMonitor::ResetStatistics() {
    m_statistics.Reset();
    emit StatisticsReset();
}

bool LiveMonitor::SetReferenceToCurrent() {
    const auto current = m_statistics.Current();
    if (!current || !current->valid)
        return false;
    m_reference = current->dBm;
    return true;
}

bool LiveMonitor::StartLog(const QString& path, const Rotation& rotation) {
    const bool ok = m_log.Open(path, rotation);
    if (ok)
        EndLogFailure();
    return ok;
}

void LiveMonitor::StopLog() {
    m_log.Close();
    EndLogFailure();
}

void LiveMonitor::EndLogFailure() {
    if (m_status != Status::LogFailed)
        return;
    m_status = m_timer.isActive() ? Status::Polling : Status::Idle;
    emit StatusChanged(m_status);
}

void LiveMonitor::SetStatus(Status status) {
    // A failed log stays the news until the operator starts or stops a log: a pause, a command
    // or a quiet meter must not hide it.
    if (status == m_status || m_status == Status::LogFailed)
        return;
    m_status = status;
    emit StatusChanged(status);
}

} // namespace vemla
