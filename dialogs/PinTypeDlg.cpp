#include "PinTypeDlg.h"

#include "TextFit.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace vemla {

CPinTypeDlg::CPinTypeDlg(Language language, int32_t pinType, bool choiceRequired, QWidget* parent)
    : QDialog(parent), m_pinType(pinType) {
    const DialogLayout& layout = PinTypeDialogTemplate();
    m_built = BuildDialog(this, layout, DialogUnits(DialogFont(layout.fontPoints)));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    auto* ok = qobject_cast<QPushButton*>(Control(idp::kOk));
    connect(ok, &QPushButton::clicked, this, &CPinTypeDlg::accept);
    connect(qobject_cast<QPushButton*>(Control(idp::kCancel)), &QPushButton::clicked, this,
            &CPinTypeDlg::reject);
    OnInitDialog(language);
    ok->setEnabled(!choiceRequired);
    QComboBox* list = TypeList();
    connect(list, &QComboBox::currentIndexChanged, this, [this, ok](int index) {
        if (index < 0)
            return;
        OnPinTypeChange(index);
        ok->setEnabled(true);
    });
}

QComboBox* CPinTypeDlg::TypeList() const {
    return qobject_cast<QComboBox*>(Control(idp::kTypeList));
}

void CPinTypeDlg::OnInitDialog(Language language) {
    QComboBox* list = TypeList();
    list->addItems({QStringLiteral("A"), QStringLiteral("C")});
    list->model()->sort(0); // the list keeps its entries sorted
    // Nothing is selected on opening, whatever the current type.
    list->setCurrentIndex(-1);
    list->setEditText(QString());
    Control(idp::kLabel)->setProperty("text", Pick(text::kPinTypeLabel, language));
    list->setAccessibleName(Pick(text::kPinTypeLabel, language)); // its label, for screen readers
    Control(idp::kOk)->setProperty("text", Pick(text::kOk, language));
    FitCaptions(m_built);
}

void CPinTypeDlg::OnPinTypeChange(int index) {
    m_pinType = TypeList()->itemText(index) == QLatin1String("A") ? 0 : 1;
}

} // namespace vemla
