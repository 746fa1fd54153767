#include "DialogTemplate.h"

#include "ComboBox.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QWidget>

namespace vemla {

QFont DialogFont(int points) {
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("AR PL UMing CN"),
                      QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("Droid Sans Fallback")});
    font.setPointSize(points > 0 ? points : 9);
    return font;
}

DialogUnits::DialogUnits(const QFont& font) {
    // Average width of the 52 Latin letters, rounded, as the window system measures a dialog font.
    const QFontMetrics fm(font);
    const int letters = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseX = std::max(1, (letters / 26 + 1) / 2);
    m_baseY = std::max(1, fm.height());
}

QRect ControlRect(const ControlEntry& control, const DialogUnits& units, int comboHeight) {
    QRect r = units.Rect(control.x, control.y, control.w, control.h);
    if (control.kind == ControlKind::DropDownCombo)
        r.setHeight(comboHeight);
    return r;
}

namespace {

QWidget* MakeControl(QWidget* dialog, const ControlEntry& control) {
    const QString caption = QString::fromUtf8(control.caption);
    switch (control.kind) {
    case ControlKind::DefaultButton:
    case ControlKind::PushButton: {
        auto* b = new QPushButton(caption, dialog);
        b->setAutoDefault(false);
        b->setDefault(control.kind == ControlKind::DefaultButton);
        return b;
    }
    case ControlKind::GroupBox:
        return new QGroupBox(caption, dialog);
    case ControlKind::Label: {
        auto* l = new QLabel(caption, dialog);
        Qt::Alignment a = (control.style & kStyleRight) ? Qt::AlignRight : Qt::AlignLeft;
        a |= (control.style & kStyleVCenter) ? Qt::AlignVCenter : Qt::AlignTop;
        l->setAlignment(a);
        return l;
    }
    case ControlKind::Edit:
        return new QLineEdit(dialog);
    case ControlKind::DropDownCombo: {
        auto* c = new ComboBox(dialog);
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
        return c;
    }
    case ControlKind::ListView:
        return new QListView(dialog);
    case ControlKind::Icon: {
        auto* l = new QLabel(dialog);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return l;
    }
    }
    return nullptr;
}

} // namespace

BuiltDialog BuildDialog(QWidget* dialog, const DialogLayout& layout, const DialogUnits& units,
                        const ControlFactory& factory) {
    BuiltDialog built;
    dialog->setFont(DialogFont(layout.fontPoints));
    std::vector<QWidget*> groups;
    int comboHeight = 0;
    for (const ControlEntry& c : layout.controls) {
        QWidget* w = factory ? factory(c, dialog) : nullptr;
        if (!w)
            w = MakeControl(dialog, c);
        if (c.kind == ControlKind::DropDownCombo && comboHeight == 0)
            comboHeight = w->sizeHint().height();
        w->setGeometry(ControlRect(c, units, comboHeight));
        w->setVisible(c.visible);
        if (c.id == kNoId) {
            built.statics.push_back(w);
        } else {
            w->setObjectName(QString::number(c.id));
            built.byId[c.id] = w;
        }
        if (c.kind == ControlKind::GroupBox)
            groups.push_back(w);
    }
    // Group boxes only frame their neighbours; keep them behind so they never cover a control.
    for (QWidget* g : groups)
        g->lower();
    dialog->setFixedSize(units.X(layout.width), units.Y(layout.height));
    dialog->setWindowTitle(QString::fromUtf8(layout.title));
    return built;
}

} // namespace vemla
