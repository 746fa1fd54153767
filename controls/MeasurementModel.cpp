#include "MeasurementModel.h"

#include <QColor>

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
    if (parent.isValid())
        return 0;
    const int texts = static_cast<int>(m_captions.size());
    return texts == kTableColumns && m_certification ? texts + 2 : texts;
}

QVariant MeasurementModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (index.column() < kTableColumns) {
        if (role != Qt::DisplayRole && role != Qt::EditRole)
            return {};
        return Text(index.row(), index.column());
    }
    if (!m_certification || index.row() >= RowCount() ||
        (role != Qt::DisplayRole && role != Qt::ForegroundRole))
        return {};
    const RecordResult result =
        Evaluate(m_records->At(index.row()).values, *m_certification, m_now);
    if (role == Qt::DisplayRole)
        return index.column() == kLossColumn ? LossText(result) : ResultText(result, m_language);
    if (result.verdict == Verdict::Fail)
        return QColor(Qt::red);
    if (result.verdict == Verdict::NegativeLoss)
        return QColor(0xFF, 0x8C, 0x00); // dark orange: a warning, not a failure
    return {};
}

bool MeasurementModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    return SetText(index.row(), index.column(), value.toString());
}

QVariant MeasurementModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= columnCount())
        return {};
    if (section == kLossColumn)
        return Pick(certtext::kLossColumn, m_language);
    if (section == kResultColumn)
        return Pick(certtext::kResultColumn, m_language);
    return m_captions[section];
}

Qt::ItemFlags MeasurementModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (index.column() >= kTableColumns)
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable; // computed, never typed over
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

void MeasurementModel::SetCertification(const std::optional<CertificationSettings>& settings,
                                        Language language, const QDateTime& now) {
    const bool judge = settings && settings->enabled;
    const bool adds = judge && !m_certification && m_captions.size() == kTableColumns;
    const bool removes = !judge && m_certification && m_captions.size() == kTableColumns;
    // Columns inserted or removed, not a reset: the rows, the selection and the scroll stay.
    if (adds)
        beginInsertColumns({}, kLossColumn, kResultColumn);
    if (removes)
        beginRemoveColumns({}, kLossColumn, kResultColumn);
    m_language = language;
    m_now = now;
    if (judge)
        m_certification = settings;
    else
        m_certification.reset();
    if (adds)
        endInsertColumns();
    if (removes)
        endRemoveColumns();
    if (judge && !adds && RowCount() > 0)
        emit dataChanged(index(0, kLossColumn), index(RowCount() - 1, kResultColumn));
    if (columnCount() > 0)
        emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void MeasurementModel::SetCaptions(const QStringList& captions) {
    QStringList next = captions.mid(0, kTableColumns);
    if (next.size() == m_captions.size()) {
        // New words over the same columns: the view keeps its rows, selection and scroll place.
        m_captions = std::move(next);
        if (!m_captions.isEmpty())
            emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
        return;
    }
    beginResetModel();
    m_captions = std::move(next);
    endResetModel();
}

} // namespace vemla
