#include "MeasurementModel.h"

namespace vemla {

MeasurementModel::MeasurementModel(QObject* parent) : QAbstractTableModel(parent) {}

int MeasurementModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : RowCount();
}

int MeasurementModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_captions.size());
}

QVariant MeasurementModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return Text(index.row(), index.column());
}

bool MeasurementModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    return SetText(index.row(), index.column(), value.toString());
}

QVariant MeasurementModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= m_captions.size())
        return {};
    return m_captions[section];
}

Qt::ItemFlags MeasurementModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

int MeasurementModel::InsertRow(int row, const QString& text) {
    const int at = (row < 0 || row > RowCount()) ? RowCount() : row;
    beginInsertRows({}, at, at);
    Row r;
    r[0] = text;
    m_rows.insert(m_rows.begin() + at, std::move(r));
    endInsertRows();
    return at;
}

bool MeasurementModel::SetText(int row, int column, const QString& text) {
    if (row < 0 || row >= RowCount() || column < 0 || column >= kTableColumns)
        return false;
    m_rows[static_cast<size_t>(row)][static_cast<size_t>(column)] = text;
    const QModelIndex i = index(row, column);
    emit dataChanged(i, i, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

QString MeasurementModel::Text(int row, int column) const {
    if (row < 0 || row >= RowCount() || column < 0 || column >= kTableColumns)
        return {};
    return m_rows[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

void MeasurementModel::Clear() {
    if (m_rows.empty())
        return;
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    endResetModel();
}

void MeasurementModel::SetCaptions(const QStringList& captions) {
    QStringList next = captions.mid(0, kTableColumns);
    if (next.size() == m_captions.size()) {
        // New words over the same columns: the view keeps its rows, selection and scroll place.
        m_captions = std::move(next);
        if (!m_captions.isEmpty())
            emit headerDataChanged(Qt::Horizontal, 0, int(m_captions.size()) - 1);
        return;
    }
    beginResetModel();
    m_captions = std::move(next);
    endResetModel();
}

} // namespace vemla
