#include "TextBound.h"

#include <QLineEdit>

namespace vemla {

QValidator::State TextBound::validate(QString& input, int&) const {
    return input.size() > kMaxTypedCharacters ? Invalid : Acceptable;
}

void BoundTyping(QLineEdit* edit) {
    edit->setValidator(new TextBound(edit));
}

} // namespace vemla
