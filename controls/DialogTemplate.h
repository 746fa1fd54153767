#pragma once
// Builds a dialog's widgets from its template table and converts dialog units to pixels
// from the dialog font, the way dialog templates are laid out.

#include "DialogTemplates.h"

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <functional>
#include <map>
#include <vector>

class QWidget;

namespace vemla {

// The templates ask for "宋体" (or "System") at 9 or 10 pt; Linux rarely has either, so fall back
// to an installed CJK face at the size asked for.
QFont DialogFont(int points = 9);

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    int X(int dlu) const { return Mul(dlu, m_baseX, 4); }
    int Y(int dlu) const { return Mul(dlu, m_baseY, 8); }
    QRect Rect(int x, int y, int w, int h) const { return {X(x), Y(y), X(w), Y(h)}; }
    int BaseX() const { return m_baseX; }
    int BaseY() const { return m_baseY; }

private:
    // Rounded multiply-divide, as the window system scales templates.
    static int Mul(int v, int num, int den) {
        return (v * num * 2 + (v >= 0 ? den : -den)) / (2 * den);
    }
    int m_baseX;
    int m_baseY;
};

// Widgets created for one template, addressed by control id. Static controls without an id
// are kept in order in `statics`.
struct BuiltDialog {
    std::map<int, QWidget*> byId;
    std::vector<QWidget*> statics;
    QWidget* Control(int id) const {
        auto it = byId.find(id);
        return it == byId.end() ? nullptr : it->second;
    }
};

// Lets a dialog make its own widget class for some controls (the measurement table, the icon
// buttons); returning null makes the template's default widget for the kind.
using ControlFactory = std::function<QWidget*(const ControlEntry& control, QWidget* parent)>;

BuiltDialog BuildDialog(QWidget* dialog, const DialogLayout& layout, const DialogUnits& units,
                        const ControlFactory& factory = {});

// The pixel rectangle a control of the template occupies (drop-down combos keep their edit
// height, since the template height is that of the opened list).
QRect ControlRect(const ControlEntry& control, const DialogUnits& units, int comboHeight);

} // namespace vemla
