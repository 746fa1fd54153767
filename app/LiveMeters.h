#pragma once
// The meters the live window watches. The main window's comes first and stays; the operator adds
// others by port, each with a session, a port and a monitor of its own, all on the window's
// thread: a silent meter holds up no other, and the first meter's commands never wait for another
// meter's polls. Every monitor reads the one clock given here, so the traces share a time axis.

#include "LiveMonitor.h"
#include "PortList.h"
#include "Texts.h"

#include <QColor>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace vemla {

class MeterSession;

class LiveMeters : public QObject {
    Q_OBJECT
public:
    // A meter keeps the colour it was given when added, whatever is removed after it.
    static constexpr std::array<QRgb, 12> kPalette{0x209fdf, 0x99ca53, 0xf6a625, 0x6d5fd5,
                                                   0xbf593e, 0x1a7f37, 0xd43f8d, 0x555555,
                                                   0x00a5a5, 0x8c564b, 0xb8b800, 0x1f3a93};

    struct Meter {
        int id = 0;       // 0 for the main window's meter; never given twice
        int colour = 0;   // into kPalette
        QString portName; // as the port list named it when the meter was added
        MeterSession* session = nullptr;
        LiveMonitor* monitor = nullptr;
        // What an added meter's session would have shown in a box: its row says it instead, so
        // one meter's trouble stops no other.
        QString notice;
    };

    explicit LiveMeters(MeterSession& first, QObject* parent = nullptr);
    ~LiveMeters() override;

    int Count() const { return static_cast<int>(m_meters.size()); }
    // In the order added; row 0 is the main window's meter.
    const Meter& At(int row) const;
    const Meter* Find(int id) const;
    LiveMonitor& First();
    const LiveMonitor& First() const;
    // The name shown for the meter: the main window's port as it was opened last.
    QString PortName(const Meter& meter) const;
    QColor Colour(const Meter& meter) const { return QColor(kPalette[meter.colour]); }

    // The ports the main window's list shows now that no meter here reads.
    std::vector<PortEntry> FreePorts() const;
    // Opens the port for a new meter, paused at the set's interval, and asks the meter for its
    // wavelengths; its row follows. The reason, and no meter, when the port does not open.
    std::optional<QString> Add(const PortEntry& port);
    // Every meter but the first can go.
    void Remove(int id);

    void SetInterval(int msecs);
    int Interval() const { return m_intervalMs; }
    void SetClock(std::function<int64_t()> clock);
    // The language of what an added meter's session says in its row.
    void SetLanguage(Language language);
    // The wavelength chosen among those the meter offered, for an added meter.
    void SelectWave(int id, int listIndex);

signals:
    void MetersChanged();
    void SampleAdded(int id);
    void StatusChanged(int id);
    // The meter offered its wavelengths, or acknowledged a choice, or has something to say.
    void MeterChanged(int id);

private:
    struct Slot;
    static int64_t WallClock();
    Meter* FindMeter(int id);
    int FreeColour() const;
    void Watch(const Meter& meter);

    MeterSession& m_first;
    std::vector<std::unique_ptr<Slot>> m_meters;
    int m_nextId = 1;
    int m_intervalMs = LiveMonitor::kDefaultIntervalMs;
    std::function<int64_t()> m_clock = WallClock;
};

} // namespace vemla
