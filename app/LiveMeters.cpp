#include "LiveMeters.h"

#include "MeterSession.h"
#include "SessionPresenter.h"

#include <QDateTime>
#include <algorithm>

namespace vemla {
namespace {

// An added meter's port list: the main window's, as its watch last read it. The same entries the
// operator picked from, and the added session's own watch finds a returning adapter among them
// as the main window's does.
class MainListSource final : public IPortSource {
public:
    explicit MainListSource(const PortList& list) : m_list(list) {}
    std::vector<PortCandidate> Enumerate() override {
        std::vector<PortCandidate> ports;
        for (const PortEntry& e : m_list.Entries())
            ports.push_back(
                {e.device, e.description, e.serialNumber, e.byIdLink, e.maker, e.product});
        return ports;
    }

private:
    const PortList& m_list;
};

// An added meter's boxes become its row's notice; nothing waits for an operator. The meter's
// acknowledgements are not news there.
class NoticePresenter final : public ISessionPresenter {
public:
    std::function<void(const QString&)> onNotice;
    void Show(Kind kind, const QString& text, const QString&) override {
        if (kind != Kind::Reply && onNotice)
            onNotice(text);
    }
    bool Confirm(const QString&) override { return false; }
};

} // namespace

// Declared in the order of their use: the monitor goes before the session it polls.
struct LiveMeters::Slot {
    Meter meter;
    std::unique_ptr<NoticePresenter> presenter;
    std::unique_ptr<MeterSession> session;
    std::unique_ptr<LiveMonitor> monitor;
};

int64_t LiveMeters::WallClock() {
    return QDateTime::currentMSecsSinceEpoch();
}

LiveMeters::LiveMeters(MeterSession& first, QObject* parent) : QObject(parent), m_first(first) {
    auto slot = std::make_unique<Slot>();
    slot->monitor = std::make_unique<LiveMonitor>(first);
    slot->meter.session = &first;
    slot->meter.monitor = slot->monitor.get();
    m_meters.push_back(std::move(slot));
    Watch(m_meters.back()->meter);
}

LiveMeters::~LiveMeters() = default;

const LiveMeters::Meter& LiveMeters::At(int row) const {
    return m_meters.at(static_cast<std::size_t>(row))->meter;
}

LiveMonitor& LiveMeters::First() {
    return *m_meters.front()->monitor;
}

const LiveMonitor& LiveMeters::First() const {
    return *m_meters.front()->monitor;
}

const LiveMeters::Meter* LiveMeters::Find(int id) const {
    for (const auto& slot : m_meters)
        if (slot->meter.id == id)
            return &slot->meter;
    return nullptr;
}

LiveMeters::Meter* LiveMeters::FindMeter(int id) {
    return const_cast<Meter*>(std::as_const(*this).Find(id));
}

QString LiveMeters::PortName(const Meter& meter) const {
    return meter.id == 0 ? m_first.PortName() : meter.portName;
}

std::vector<PortEntry> LiveMeters::FreePorts() const {
    std::vector<std::string> used;
    if (m_first.Port().IsOpen())
        used.push_back(m_first.Ports().DeviceFor(m_first.PortNumber()));
    for (const auto& slot : m_meters)
        if (slot->meter.id != 0)
            used.push_back(
                slot->meter.session->Ports().DeviceFor(slot->meter.session->PortNumber()));
    std::vector<PortEntry> free;
    for (const PortEntry& e : m_first.Ports().Entries())
        if (std::find(used.begin(), used.end(), e.device) == used.end())
            free.push_back(e);
    return free;
}

std::optional<QString> LiveMeters::Add(const PortEntry& port) {
    auto slot = std::make_unique<Slot>();
    slot->presenter = std::make_unique<NoticePresenter>();
    slot->session = std::make_unique<MeterSession>(
        *slot->presenter, std::make_unique<MainListSource>(m_first.Ports()));
    MeterSession& session = *slot->session;
    session.SetRemembersPort(false);
    session.SetLanguage(m_first.Language());
    QString refused;
    slot->presenter->onNotice = [&refused](const QString& text) { refused = text; };
    session.PortListDropDown();
    const auto& names = session.PortNames();
    const auto at = std::find_if(names.begin(), names.end(),
                                 [&](const PortEntry& e) { return e.device == port.device; });
    const int index = at == names.end() ? -1 : static_cast<int>(at - names.begin());
    if (session.TogglePort(index) != MeterSession::ToggleResult::Opened)
        return refused;

    Meter& meter = slot->meter;
    meter.id = m_nextId++;
    meter.colour = FreeColour();
    meter.portName = QString::fromStdString(port.name);
    meter.session = &session;
    slot->monitor = std::make_unique<LiveMonitor>(session);
    meter.monitor = slot->monitor.get();
    meter.monitor->SetInterval(m_intervalMs);
    meter.monitor->SetClock(m_clock);
    meter.monitor->ShareLog(&First().Log()); // Record logs every meter into one file
    const int id = meter.id;
    slot->presenter->onNotice = [this, id](const QString& text) {
        if (Meter* m = FindMeter(id)) {
            m->notice = text;
            emit MeterChanged(id);
        }
    };
    m_meters.push_back(std::move(slot));
    Watch(meter);
    session.Connect(); // its wavelengths, for the row to offer
    emit MetersChanged();
    return std::nullopt;
}

void LiveMeters::Watch(const Meter& meter) {
    const int id = meter.id;
    connect(meter.monitor, &LiveMonitor::SampleAdded, this, [this, id] { emit SampleAdded(id); });
    connect(meter.monitor, &LiveMonitor::StatisticsReset, this,
            [this, id] { emit SampleAdded(id); });
    connect(meter.monitor, &LiveMonitor::StatusChanged, this,
            [this, id] { emit StatusChanged(id); });
    connect(meter.session, &MeterSession::WavesReceived, this,
            [this, id] { emit MeterChanged(id); });
    connect(meter.session, &MeterSession::WavelengthAcknowledged, this,
            [this, id] { emit MeterChanged(id); });
}

int LiveMeters::FreeColour() const {
    for (int c = 0; c < static_cast<int>(kPalette.size()); ++c)
        if (std::none_of(m_meters.begin(), m_meters.end(),
                         [c](const auto& slot) { return slot->meter.colour == c; }))
            return c;
    return m_nextId % static_cast<int>(kPalette.size());
}

void LiveMeters::Remove(int id) {
    const auto at = std::find_if(m_meters.begin() + 1, m_meters.end(),
                                 [id](const auto& slot) { return slot->meter.id == id; });
    if (at == m_meters.end())
        return;
    m_meters.erase(at);
    emit MetersChanged();
}

void LiveMeters::SetInterval(int msecs) {
    for (const auto& slot : m_meters)
        slot->meter.monitor->SetInterval(msecs);
    m_intervalMs = First().Interval();
}

void LiveMeters::SetClock(std::function<int64_t()> clock) {
    m_clock = std::move(clock);
    for (const auto& slot : m_meters)
        slot->meter.monitor->SetClock(m_clock);
}

void LiveMeters::SetLanguage(Language language) {
    for (const auto& slot : m_meters)
        if (slot->meter.id != 0)
            slot->meter.session->SetLanguage(language);
}

void LiveMeters::SelectWave(int id, int listIndex) {
    if (Meter* meter = FindMeter(id); meter && id != 0)
        meter->session->SelectWave(listIndex);
}

} // namespace vemla
