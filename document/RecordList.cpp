#include "RecordList.h"

namespace vemla {

int RecordList::Insert(int row, MeterRecord record) {
    const int at = (row < 0 || row > Count()) ? Count() : row;
    if (m_listener)
        m_listener->RowAboutToBeInserted(at);
    if (m_observer)
        m_observer->RowAboutToBeInserted(at);
    m_rows.insert(m_rows.begin() + at, std::move(record));
    if (m_listener)
        m_listener->RowInserted();
    if (m_observer)
        m_observer->RowInserted();
    return at;
}

bool RecordList::SetText(int row, int column, const QString& text) {
    if (row < 0 || row >= Count() || column < 0 || column >= kTableColumns)
        return false;
    m_rows[static_cast<std::size_t>(row)].texts[static_cast<std::size_t>(column)] = text;
    if (m_listener)
        m_listener->TextChanged(row, column);
    if (m_observer)
        m_observer->TextChanged(row, column);
    return true;
}

QString RecordList::Text(int row, int column) const {
    if (row < 0 || row >= Count() || column < 0 || column >= kTableColumns)
        return {};
    return m_rows[static_cast<std::size_t>(row)].texts[static_cast<std::size_t>(column)];
}

void RecordList::Clear() {
    if (m_rows.empty())
        return;
    if (m_listener)
        m_listener->AboutToClear();
    if (m_observer)
        m_observer->AboutToClear();
    m_rows.clear();
    m_rows.shrink_to_fit();
    if (m_listener)
        m_listener->Cleared();
    if (m_observer)
        m_observer->Cleared();
}

} // namespace vemla
