#pragma once
// The live power monitor without a widget: polls the meter through the session, keeps the
// readings, their statistics, the relative reference and the log. The window and a command-line
// front end show what it reports.
//
// Polls never displace the operator's commands: the engine's Write replaces a request its
// thread has not taken yet, so a poll goes out only while no command waits for its reply.

#include "LiveLog.h"
#include "LiveSample.h"
#include "LiveStatistics.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <array>
#include <deque>
#include <functional>
#include <optional>

namespace vemla {

class MeterSession;

class LiveMonitor : public QObject {
    Q_OBJECT
public:
    enum class Status { Idle, Polling, Waiting, NoReply, PortNotOpen, LogFailed };

    static constexpr std::array<int, 5> kIntervalsMs{200, 500, 1000, 2000, 5000};
    static constexpr int kDefaultIntervalMs = 500;
    // A poll unanswered this long is missed; until then the next one waits, so a slow line or
    // a busy machine delays readings instead of piling polls up.
    static constexpr int kReplyWaitMs = 1000;
    // Missed polls in a row after which the meter is reported silent.
    static constexpr int kMissedForNoReply = 3;
    // The oldest readings go beyond this: more than four days at five readings a second.
    static constexpr std::size_t kMaxSamples = 2'000'000;

    explicit LiveMonitor(MeterSession& session, QObject* parent = nullptr);
    ~LiveMonitor() override;

    // The first poll opens the port again as READ POWER does; the later ones only send.
    void Start();
    void Pause();
    bool Running() const { return m_timer.isActive(); }
    // One of kIntervalsMs; other values are taken as the nearest one above (or the longest).
    void SetInterval(int msecs);
    int Interval() const { return m_timer.interval(); }

    const std::deque<LiveSample>& Samples() const { return m_samples; }
    const LiveStatistics& Statistics() const { return m_statistics; }
    void ResetStatistics();
    // The current plausible reading becomes the relative reference; false when there is none.
    bool SetReferenceToCurrent();
    void ClearReference() { m_reference.reset(); }
    std::optional<double> Reference() const { return m_reference; }

    // Starts logging every reading to path, with the port's name and serial number, moving on
    // to a new file as rotation says; false with LogError() when it cannot.
    bool StartLog(const QString& path, const Rotation& rotation = {});
    void StopLog();
    bool Logging() const { return m_log.IsOpen(); }
    QString LogPath() const { return m_log.Path(); }
    QString LogError() const { return m_log.ErrorText(); }
    // Readings go to `log` instead of this monitor's own, whenever it is open: the meters of one
    // window share the first one's file, a row per reading with its port. Null: its own again.
    void ShareLog(LiveLog* log) { m_sharedLog = log; }
    LiveLog& Log() { return m_log; }

    Status CurrentStatus() const { return m_status; }
    int MissedPolls() const { return m_missed; }
    int MissedInRow() const { return m_missedInRow; }

    // Wall-clock time of a reading; tests give a fixed one.
    void SetClock(std::function<int64_t()> clock) { m_clock = std::move(clock); }

signals:
    void SampleAdded(const vemla::LiveSample& sample);
    void StatisticsReset();
    void StatusChanged(vemla::LiveMonitor::Status status);

private:
    void Poll();
    void OnPower();
    void SetStatus(Status status);
    void EndLogFailure();

    MeterSession& m_session;
    QTimer m_timer;
    std::function<int64_t()> m_clock;
    bool m_reopenFirst = true;
    bool m_pollOutstanding = false;
    QElapsedTimer m_pollAge;
    int m_missed = 0;
    int m_missedInRow = 0;
    Status m_status = Status::Idle;

    std::deque<LiveSample> m_samples;
    LiveStatistics m_statistics;
    std::optional<double> m_reference;
    LiveLog m_log;
    LiveLog* m_sharedLog = nullptr;
};

} // namespace vemla
