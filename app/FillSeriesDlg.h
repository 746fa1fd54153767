#pragma once
// Fibre labels in sequence ("F-001", "F-002", ...) for the NOTE cells of the selected rows.

#include "Texts.h"

#include <QDialog>
#include <QString>
#include <cstdint>

class QLineEdit;

namespace vemla {

class IMessageBox;

// The i-th label (i from 0): prefix, then start + i × step, zero-padded to `width` digits; a
// negative number keeps its sign ahead of the padding ("-07").
QString SeriesLabel(const QString& prefix, int64_t start, int64_t step, int width, int i);

struct SeriesPattern {
    QString prefix = QStringLiteral("F-");
    int64_t start = 1;
    int64_t step = 1;
    int width = 3;
};

class FillSeriesDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxPrefix = 64;
    static constexpr int64_t kMaxStart = 999'999'999;
    static constexpr int64_t kMaxStep = 1'000'000;
    static constexpr int kMaxWidth = 12;

    FillSeriesDlg(IMessageBox& boxes, const SeriesPattern& initial, Language language,
                  QWidget* parent = nullptr);
    // What OK accepted.
    const SeriesPattern& Pattern() const { return m_pattern; }

public slots:
    void accept() override;

private:
    IMessageBox& m_boxes;
    Language m_language;
    SeriesPattern m_pattern;
    QLineEdit* m_prefix;
    QLineEdit* m_start;
    QLineEdit* m_step;
    QLineEdit* m_width;
};

} // namespace vemla
