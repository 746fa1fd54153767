#pragma once
// How much an operator may type into a header field or a table cell.

#include <QValidator>

class QLineEdit;

namespace vemla {

// 1,000 characters: far more than a company, an operator, a label or a note needs, far below a
// spreadsheet cell's 32,767 (report/DocumentWriter.h). Every writer and the JSON reader take
// texts up to a cell's capacity, so a longer text that arrives from an archived or JSON upload
// is kept whole; only typing past this bound is refused.
inline constexpr int kMaxTypedCharacters = 1000;

// Refuses a keystroke or a paste that would make the text longer than kMaxTypedCharacters.
// Unlike QLineEdit::setMaxLength it never cuts a text the program sets.
class TextBound : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

// Gives `edit` the bound.
void BoundTyping(QLineEdit* edit);

} // namespace vemla
