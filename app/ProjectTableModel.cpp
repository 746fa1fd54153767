#include "ProjectTableModel.h"

#include <array>

namespace vemla {

void ProjectTableModel::Show(const ProjectReport* report, int filter, const QString& search) {
    beginResetModel();
    m_report = report;
    m_rows.clear();
    m_captions = report ? ProjectColumnCaptions(*report) : QStringList();
    // In the filter list's order after "All"; a marginal result may stand in an ID of any status.
    using Shows = bool (*)(const ProjectIdRow&);
    static constexpr std::array<Shows, 4> kShown{
        [](const ProjectIdRow& row) { return row.status == IdStatus::Untested; },
        [](const ProjectIdRow& row) { return row.status == IdStatus::Incomplete; },
        [](const ProjectIdRow& row) { return row.status == IdStatus::Fail; },
        [](const ProjectIdRow& row) { return row.marginal; }};
    for (int r = 0; report && r < int(report->rows.size()); ++r) {
        const ProjectIdRow& row = report->rows[size_t(r)];
        if ((filter <= 0 || filter > int(kShown.size()) || kShown[size_t(filter - 1)](row)) &&
            row.id.contains(search, Qt::CaseInsensitive))
            m_rows.push_back(r);
    }
    endResetModel();
}

int ProjectTableModel::PlaceAt(int row) const {
    return row >= 0 && row < int(m_rows.size()) ? m_rows[size_t(row)] : -1;
}

int ProjectTableModel::RowOf(int place) const {
    const auto at = std::find(m_rows.begin(), m_rows.end(), place);
    return at == m_rows.end() ? -1 : int(at - m_rows.begin());
}

std::optional<SlotColumn> ProjectTableModel::SlotAt(int column) const {
    if (!m_report || m_report->waves.empty())
        return std::nullopt;
    const bool both = m_report->bothDirections;
    const int perWave = both ? 5 : 3; // A→B, B→A, link or loss; margin; result
    const int at = column - 1;
    if (at >= 0 && at / perWave < int(m_report->waves.size())) {
        const int wave = m_report->waves[size_t(at / perWave)];
        if (!both)
            return SlotColumn{wave, Direction::AtoB};
        if (at % perWave < 2)
            return SlotColumn{wave, at % perWave ? Direction::BtoA : Direction::AtoB};
    }
    if (!both && m_report->waves.size() == 1)
        return SlotColumn{m_report->waves.front(), Direction::AtoB};
    return std::nullopt;
}

int ProjectTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ProjectTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_captions.size());
}

QVariant ProjectTableModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !m_report || index.row() >= int(m_rows.size()))
        return {};
    // Made for the rows on screen only: a plan of 10,000 IDs scrolls without a pause.
    return ProjectRowCells(*m_report, m_report->rows[size_t(m_rows[size_t(index.row())])])
        .value(index.column());
}

QVariant ProjectTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_captions.value(section);
}

} // namespace vemla
