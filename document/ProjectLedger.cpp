#include "ProjectLedger.h"

namespace vemla {

ProjectLedger::ProjectLedger(std::vector<CableLink> plan, std::vector<int> waves,
                             bool bothDirections)
    : m_plan(std::move(plan)), m_waves(std::move(waves)), m_bothDirections(bothDirections) {
    m_index.reserve(qsizetype(m_plan.size()));
    for (size_t i = 0; i < m_plan.size(); ++i)
        m_index.insert(m_plan[i].id, int(i));
    m_slots.resize(m_plan.size() * m_waves.size() * 2);
    m_firstFree.assign(m_waves.size() * 2, 0);
}

int ProjectLedger::Column(int wavelength, Direction direction) const {
    if (direction == Direction::BtoA && !m_bothDirections)
        return -1;
    for (size_t w = 0; w < m_waves.size(); ++w)
        if (m_waves[w] == wavelength)
            return int(w * 2) + (direction == Direction::BtoA ? 1 : 0);
    return -1;
}

ReadingSlot* ProjectLedger::SlotAt(int id, int column) {
    if (id < 0 || size_t(id) >= m_plan.size() || column < 0)
        return nullptr;
    return &m_slots[size_t(id) * m_waves.size() * 2 + size_t(column)];
}

const ReadingSlot* ProjectLedger::Slot(int id, int wavelength, Direction direction) const {
    return const_cast<ProjectLedger*>(this)->SlotAt(id, Column(wavelength, direction));
}

void ProjectLedger::Add(int id, int column, const ProjectReading& reading) {
    ReadingSlot* slot = SlotAt(id, column);
    slot->readings.push_back(reading);
    slot->current = int(slot->readings.size()) - 1;
}

std::vector<int> ProjectLedger::Assign(qint64 upload, Direction direction,
                                       const std::vector<MeterRecord>& rows) {
    std::vector<int> assigned(rows.size(), -1);
    for (size_t r = 0; r < rows.size(); ++r) {
        const int column = Column(rows[r].values.wavelength, direction);
        if (column < 0)
            continue;
        int id = IdIndex(rows[r].texts[kTableColumns - 1].trimmed());
        if (id < 0) {
            int& next = m_firstFree[size_t(column)];
            while (size_t(next) < m_plan.size() && SlotAt(next, column)->current >= 0)
                ++next;
            if (size_t(next) == m_plan.size())
                continue;
            id = next;
        }
        Add(id, column, {{upload, int(r)}, rows[r].values});
        assigned[r] = id;
    }
    return assigned;
}

bool ProjectLedger::Move(int from, int to, int wavelength, Direction direction) {
    const int column = Column(wavelength, direction);
    ReadingSlot* source = SlotAt(from, column);
    if (!source || !SlotAt(to, column) || source->current < 0 || from == to)
        return false;
    const ProjectReading moved = source->readings[size_t(source->current)];
    Clear(from, wavelength, direction);
    Add(to, column, moved);
    return true;
}

bool ProjectLedger::Clear(int id, int wavelength, Direction direction) {
    const int column = Column(wavelength, direction);
    ReadingSlot* slot = SlotAt(id, column);
    if (!slot || slot->current < 0)
        return false;
    slot->readings.erase(slot->readings.begin() + slot->current);
    slot->current = int(slot->readings.size()) - 1; // the one before takes over, if any
    if (slot->current < 0)
        m_firstFree[size_t(column)] = std::min(m_firstFree[size_t(column)], id);
    return true;
}

bool ProjectLedger::Choose(int id, int wavelength, Direction direction, int reading) {
    ReadingSlot* slot = SlotAt(id, Column(wavelength, direction));
    if (!slot || reading < 0 || size_t(reading) >= slot->readings.size())
        return false;
    slot->current = reading;
    return true;
}

bool ProjectLedger::Put(int id, int wavelength, Direction direction,
                        const ProjectReading& reading) {
    const int column = Column(wavelength, direction);
    if (!SlotAt(id, column))
        return false;
    Add(id, column, reading);
    return true;
}

} // namespace vemla
