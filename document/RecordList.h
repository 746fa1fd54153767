#pragma once
// The session's records: what the meter sent (decoded values and the raw frame) and the seven
// texts as shown, which the operator may correct. The table's model reads and edits these; it
// is not their store.

#include "ReplyDecoder.h"

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

namespace vemla {

inline constexpr int kTableColumns = 7;
inline constexpr std::size_t kRecordFrameBytes = 22;

struct MeterRecord {
    RecordValues values;
    std::array<uint8_t, kRecordFrameBytes> raw{}; // as received; bytes past a short frame are 0
    std::array<QString, kTableColumns> texts;
};

// Told of every change before and after it happens, as a Qt item model must be.
class IRecordListener {
public:
    virtual ~IRecordListener() = default;
    virtual void RowAboutToBeInserted(int row) = 0;
    virtual void RowInserted() = 0;
    virtual void AboutToClear() = 0;
    virtual void Cleared() = 0;
    virtual void TextChanged(int row, int column) = 0;
};

class RecordList {
public:
    // Inserts at `row`, or at the end when `row` lies past it; returns the row it got.
    int Insert(int row, MeterRecord record);
    bool SetText(int row, int column, const QString& text);
    // A row or column that does not exist reads as an empty text.
    QString Text(int row, int column) const;
    const MeterRecord& At(int row) const { return m_rows[static_cast<std::size_t>(row)]; }
    int Count() const { return static_cast<int>(m_rows.size()); }
    void Clear();

    // One listener (the table's model); null for none.
    void SetListener(IRecordListener* listener) { m_listener = listener; }
    // A second one (the archive), told after the table so the table never waits for it.
    void SetObserver(IRecordListener* observer) { m_observer = observer; }

private:
    std::vector<MeterRecord> m_rows;
    IRecordListener* m_listener = nullptr;
    IRecordListener* m_observer = nullptr;
};

} // namespace vemla
