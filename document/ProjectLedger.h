#pragma once
// Which reading belongs to which cable ID: a project's plan, the wavelengths and directions it
// expects, and every reading assigned to each (cable ID, wavelength, direction), retests kept.
// Values and rules only: the archive keeps the assignments, the windows show them.

#include "CablePlan.h"
#include "RecordList.h"

#include <QHash>
#include <cstdint>
#include <vector>

namespace vemla {

enum class Direction : uint8_t { AtoB, BtoA };

// "A→B" or "B→A", as every output writes a direction.
inline QString DirectionText(Direction direction) {
    return direction == Direction::AtoB ? QStringLiteral("A→B") : QStringLiteral("B→A");
}

// Where a reading came from: a record of an upload.
struct ReadingSource {
    qint64 upload = 0;
    int record = 0;
    bool operator==(const ReadingSource&) const = default;
};

struct ProjectReading {
    ReadingSource source;
    RecordValues values;
};

// The readings at one (cable ID, wavelength, direction): all that were taken, in the order they
// came, and the one that counts (a retest takes over; the earlier stay, to go back to).
struct ReadingSlot {
    std::vector<ProjectReading> readings;
    int current = -1;
    const ProjectReading* Current() const {
        return current >= 0 ? &readings[size_t(current)] : nullptr;
    }
};

class ProjectLedger {
public:
    ProjectLedger(std::vector<CableLink> plan, std::vector<int> waves, bool bothDirections);

    // An upload's rows taken in one direction. A row goes to the cable ID its NOTE names (a
    // retest when that slot has a reading), otherwise in plan order to the first cable ID with
    // no reading at its wavelength in that direction. Returns each row's cable ID index, -1
    // where none: a wavelength the project does not expect, a direction it does not test, or
    // no free cable ID left.
    std::vector<int> Assign(qint64 upload, Direction direction,
                            const std::vector<MeterRecord>& rows);

    // The operator's corrections; false when the slot or reading does not exist.
    bool Move(int from, int to, int wavelength, Direction direction); // its current reading
    bool Clear(int id, int wavelength, Direction direction);          // its current reading
    bool Choose(int id, int wavelength, Direction direction, int reading);
    // A reading restored as it was kept, after the slot's earlier ones; it becomes the current.
    bool Put(int id, int wavelength, Direction direction, const ProjectReading& reading);

    const std::vector<CableLink>& Plan() const { return m_plan; }
    const std::vector<int>& Waves() const { return m_waves; }
    bool BothDirections() const { return m_bothDirections; }
    // Null where the project does not expect that wavelength or direction.
    const ReadingSlot* Slot(int id, int wavelength, Direction direction) const;
    int IdIndex(const QString& id) const { return m_index.value(id, -1); }

private:
    int Column(int wavelength, Direction direction) const;
    ReadingSlot* SlotAt(int id, int column);
    void Add(int id, int column, const ProjectReading& reading);

    std::vector<CableLink> m_plan;
    std::vector<int> m_waves;
    bool m_bothDirections;
    QHash<QString, int> m_index;
    std::vector<ReadingSlot> m_slots; // id × column, column = wave index × 2 + direction
    std::vector<int> m_firstFree;     // per column: no free cable ID before it
};

} // namespace vemla
