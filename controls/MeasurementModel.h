#pragma once
// The measurement table's view of a record list: the session's records, whose seven texts the
// table shows and the operator corrects. Plain storage, no per-cell objects, so 65,536 uploaded
// readings stay cheap to insert, scroll and read back.

#include "Certification.h"
#include "RecordList.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QStringList>
#include <memory>
#include <optional>

namespace vemla {

class MeasurementModel final : public QAbstractTableModel, private IRecordListener {
    Q_OBJECT
public:
    // records: the list shown, which must outlive the model; null for a list of its own.
    explicit MeasurementModel(RecordList* records = nullptr, QObject* parent = nullptr);
    ~MeasurementModel() override;

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
    int RowCount() const { return m_records->Count(); }

    // Certification on: LOSS and RESULT follow NOTE, judged from each record's values when a
    // cell is drawn, never stored, so the records keep their seven texts. Off (none, or not
    // enabled): the seven columns alone. `now` decides which references are stale.
    static constexpr int kLossColumn = kTableColumns;
    static constexpr int kResultColumn = kTableColumns + 1;
    void SetCertification(const std::optional<CertificationSettings>& settings, Language language,
                          const QDateTime& now);
    bool Judging() const { return m_certification.has_value(); }

private:
    void RowAboutToBeInserted(int row) override;
    void RowInserted() override;
    void AboutToClear() override;
    void Cleared() override;
    void TextChanged(int row, int column) override;

    std::unique_ptr<RecordList> m_own;
    RecordList* m_records;
    QStringList m_captions;
    std::optional<CertificationSettings> m_certification; // only when enabled
    Language m_language = Language::English;
    QDateTime m_now;
};

} // namespace vemla
