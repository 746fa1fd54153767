#include "FillSeriesDlg.h"

#include "MessageBox.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QLocale>
#include <optional>

namespace vemla {
namespace {

std::optional<int64_t> ParseWhole(const QString& text, int64_t low, int64_t high) {
    bool ok = false;
    const qlonglong value = QLocale::c().toLongLong(text.trimmed(), &ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

} // namespace

QString SeriesLabel(const QString& prefix, int64_t start, int64_t step, int width, int i) {
    const int64_t n = start + step * i;
    const QString digits = QString::number(n < 0 ? -n : n).rightJustified(width, QLatin1Char('0'));
    return prefix + (n < 0 ? QStringLiteral("-") : QString()) + digits;
}

FillSeriesDlg::FillSeriesDlg(IMessageBox& boxes, const SeriesPattern& initial, Language language,
                             QWidget* parent)
    : QDialog(parent), m_boxes(boxes), m_language(language), m_pattern(initial),
      m_prefix(new QLineEdit(initial.prefix, this)),
      m_start(new QLineEdit(QString::number(initial.start), this)),
      m_step(new QLineEdit(QString::number(initial.step), this)),
      m_width(new QLineEdit(QString::number(initial.width), this)) {
    setWindowTitle(Pick(text::kFillTitle, language));
    m_prefix->setMaxLength(kMaxPrefix);
    auto* form = new QFormLayout(this);
    form->addRow(Pick(text::kFillPrefix, language), m_prefix);
    form->addRow(Pick(text::kFillStart, language), m_start);
    form->addRow(Pick(text::kFillStep, language), m_step);
    form->addRow(Pick(text::kFillWidth, language), m_width);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &FillSeriesDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &FillSeriesDlg::reject);
}

void FillSeriesDlg::accept() {
    struct Whole {
        QLineEdit* edit;
        const BilingualText* name;
        int64_t low, high;
    };
    const std::array<Whole, 3> fields{{{m_start, &text::kFillStart, -kMaxStart, kMaxStart},
                                       {m_step, &text::kFillStep, -kMaxStep, kMaxStep},
                                       {m_width, &text::kFillWidth, 0, kMaxWidth}}};
    std::array<int64_t, 3> values{};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const auto v = ParseWhole(fields[i].edit->text(), fields[i].low, fields[i].high);
        if (!v) {
            m_boxes.Show(this, kAppBoxCaption,
                         Pick(text::kLimitsBadNumber, m_language)
                             .arg(Pick(*fields[i].name, m_language), QString::number(fields[i].low),
                                  QString::number(fields[i].high)),
                         BoxButtons::Ok, BoxIcon::Warning);
            fields[i].edit->setFocus();
            return;
        }
        values[i] = *v;
    }
    m_pattern = {m_prefix->text().left(kMaxPrefix), values[0], values[1], int(values[2])};
    QDialog::accept();
}

} // namespace vemla
