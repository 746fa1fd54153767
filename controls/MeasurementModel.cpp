#include "MeasurementModel.h"

namespace vemla {

MeasurementModel::MeasurementModel(RecordList* records, QObject* parent)
    : QAbstractTableModel(parent), m_own(records ? nullptr : std::make_unique<RecordList>()),
      m_records(records ? records : m_own.get()) {
    m_records->SetListener(this);
}

MeasurementModel::~MeasurementModel() {
    m_records->SetListener(nullptr);
}

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
    MeterRecord record;
    record.texts[0] = text;
    return m_records->Insert(row, std::move(record));
}

bool MeasurementModel::SetText(int row, int column, const QString& text) {
    return m_records->SetText(row, column, text);
}

QString MeasurementModel::Text(int row, int column) const {
    return m_records->Text(row, column);
}

void MeasurementModel::Clear() {
    m_records->Clear();
}

void MeasurementModel::RowAboutToBeInserted(int row) {
    beginInsertRows({}, row, row);
}

void MeasurementModel::RowInserted() {
    endInsertRows();
}

void MeasurementModel::AboutToClear() {
    beginResetModel();
}

void MeasurementModel::Cleared() {
    endResetModel();
}

void MeasurementModel::TextChanged(int row, int column) {
    const QModelIndex i = index(row, column);
    emit dataChanged(i, i, {Qt::DisplayRole, Qt::EditRole});
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
