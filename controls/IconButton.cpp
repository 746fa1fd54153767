#include "IconButton.h"

#include <QEvent>
#include <QFile>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace vemla {
namespace {

QIcon ResourceIcon(int id) {
    const QString path = QStringLiteral(":/icons/icon%1.svg").arg(id);
    return QFile::exists(path) ? QIcon(path) : QIcon();
}

void HLine(QPainter& p, int x1, int x2, int y, const QColor& c) {
    if (x2 >= x1)
        p.fillRect(x1, y, x2 - x1 + 1, 1, c);
}
void VLine(QPainter& p, int x, int y1, int y2, const QColor& c) {
    if (y2 >= y1)
        p.fillRect(x, y1, 1, y2 - y1 + 1, c);
}

// One-pixel edge: `topLeft` on the top and left lines, `bottomRight` on the others.
void Edge(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
    HLine(p, r.left(), r.right() - 1, r.top(), topLeft);
    VLine(p, r.left(), r.top(), r.bottom() - 1, topLeft);
    HLine(p, r.left(), r.right(), r.bottom(), bottomRight);
    VLine(p, r.right(), r.top(), r.bottom(), bottomRight);
}

// Every other pixel of the outline, as the platform's focus rectangle is dotted.
void DottedFrame(QPainter& p, const QRect& r, const QColor& c) {
    for (int x = r.left(); x <= r.right(); ++x) {
        if ((x + r.top()) % 2 == 0)
            p.fillRect(x, r.top(), 1, 1, c);
        if ((x + r.bottom()) % 2 == 0)
            p.fillRect(x, r.bottom(), 1, 1, c);
    }
    for (int y = r.top() + 1; y < r.bottom(); ++y) {
        if ((r.left() + y) % 2 == 0)
            p.fillRect(r.left(), y, 1, 1, c);
        if ((r.right() + y) % 2 == 0)
            p.fillRect(r.right(), y, 1, 1, c);
    }
}

} // namespace

CIconButton::CIconButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
    ResetColours();
    // Connected before any handler of the window, so the focus moves first.
    connect(this, &QAbstractButton::clicked, this, &CIconButton::OnClicked);
}

bool CIconButton::SetButtonIcon(int iconId) {
    m_icon = ResourceIcon(iconId);
    update();
    return !m_icon.isNull();
}

void CIconButton::ResetColours() {
    m_face = palette().color(QPalette::Button);
    m_text = palette().color(QPalette::ButtonText);
}

void CIconButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange)
        ResetColours(); // the system colours changed
    QPushButton::changeEvent(event);
}

void CIconButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // A double click counts as a second click.
    mousePressEvent(event);
}

void CIconButton::OnClicked() {
    setFocus(Qt::MouseFocusReason);
}

void CIconButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QRect r = rect();
    PaintBackground(p, r);
    PaintBorder(p, r);
    QRect caption = rect();
    if (!m_icon.isNull())
        PaintIcon(p, caption);
    if (!text().isEmpty())
        PaintCaption(p, caption);
    if (hasFocus())
        DottedFrame(p, r.adjusted(3, 3, -3, -3), palette().color(QPalette::ButtonText));
}

void CIconButton::PaintBackground(QPainter& p, QRect& r) {
    if (hasFocus() || isDefault()) {
        Edge(p, r, Qt::black, Qt::black);
        r.adjust(1, 1, -1, -1);
    }
    p.fillRect(r, m_face);
}

void CIconButton::PaintBorder(QPainter& p, const QRect& r) {
    const QPalette& pal = palette();
    // Button shadow is Dark, 3D dark shadow Shadow, button highlight Light, 3D light Midlight.
    if (isDown()) {
        Edge(p, r, pal.color(QPalette::Dark), pal.color(QPalette::Dark));
        return;
    }
    Edge(p, r, pal.color(QPalette::Light), pal.color(QPalette::Shadow));
    Edge(p, r.adjusted(1, 1, -1, -1), pal.color(QPalette::Midlight), pal.color(QPalette::Dark));
}

void CIconButton::PaintIcon(QPainter& p, QRect& caption) {
    const QRect full = rect();
    QPoint at;
    at.setY(full.top() + (full.height() - kIconSize) / 2);
    if (text().isEmpty()) {
        at.setX(full.left() + (full.width() - kIconSize) / 2);
    } else {
        at.setX(full.left() + kMargin);
        caption = CaptionRect();
    }
    if (isDown())
        at += kPressedOffset;
    const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
    p.drawPixmap(at, m_icon.pixmap(QSize(kIconSize, kIconSize), mode));
}

QRect CIconButton::CaptionRect() const {
    QRect caption = rect();
    if (!m_icon.isNull() && !text().isEmpty()) {
        caption.setLeft(caption.left() + kMargin + kIconSize);
        caption.setRight(caption.right() - kMargin);
    }
    return caption;
}

void CIconButton::PaintCaption(QPainter& p, QRect caption) {
    if (isDown())
        caption.translate(kPressedOffset);
    constexpr int kFlags = Qt::AlignCenter | Qt::TextWordWrap;
    const QRect measured = p.fontMetrics().boundingRect(caption, kFlags, text());
    // Centre the measured block, half the difference on each axis, rounded toward zero.
    const QRect block(caption.left() + (caption.width() - measured.width()) / 2,
                      caption.top() + (caption.height() - measured.height()) / 2, measured.width(),
                      measured.height());
    if (!isEnabled()) {
        p.setPen(palette().color(QPalette::Light));
        p.drawText(block.translated(1, 1), kFlags, text());
        p.setPen(palette().color(QPalette::Dark));
        p.drawText(block, kFlags, text());
        return;
    }
    p.setPen(m_text);
    p.drawText(block, kFlags, text());
}

} // namespace vemla
