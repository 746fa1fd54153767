#pragma once
// Rows of the measurement table as plain storage: seven texts per row, no per-cell objects,
// so 65,536 uploaded readings stay cheap to insert, scroll and read back.

#include <QAbstractTableModel>
#include <QStringList>
#include <array>
#include <vector>

namespace vemla {

inline constexpr int kTableColumns = 7;

class MeasurementModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    using Row = std::array<QString, kTableColumns>;

    explicit MeasurementModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Inserts a row holding `text` in column 0 at `row`, or at the end when `row` lies past it.
    // Returns the index the row actually got.
    int InsertRow(int row, const QString& text);
    bool SetText(int row, int column, const QString& text);
    // A row or column that does not exist reads as an empty text.
    QString Text(int row, int column) const;
    void Clear();
    void SetCaptions(const QStringList& captions);
    int RowCount() const { return static_cast<int>(m_rows.size()); }

private:
    std::vector<Row> m_rows;
    QStringList m_captions;
};

} // namespace vemla
