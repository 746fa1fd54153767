#pragma once
// A push button that paints its own face: raised edge, an icon 3 px from the left edge and the
// caption centred in the rest. Pressed, it shows a shadow frame and moves icon and caption one
// pixel right and down; focused or default, a black outer frame and a dotted focus rectangle.

#include <QColor>
#include <QIcon>
#include <QPushButton>

namespace vemla {

class CIconButton : public QPushButton {
    Q_OBJECT
public:
    CIconButton(const QString& caption, QWidget* parent);

    // The icon from the resources ":/icons/icon<id>.svg"; false, and no icon, when it is missing.
    bool SetButtonIcon(int iconId);

    bool HasIcon() const { return !m_icon.isNull(); }
    // Where the caption is centred: right of the icon, a margin short of the right edge.
    QRect CaptionRect() const;

    static constexpr int kMargin = 3;
    static constexpr int kIconSize = 32;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

    // The drawing steps, in order; `r` is the face rectangle, shrunk by the outer frame.
    virtual void PaintBackground(QPainter& p, QRect& r);
    virtual void PaintBorder(QPainter& p, const QRect& r);
    virtual void PaintIcon(QPainter& p, QRect& caption);
    virtual void PaintCaption(QPainter& p, QRect caption);

private:
    void OnClicked();
    void ResetColours();

    static constexpr QPoint kPressedOffset{1, 1};
    // Face and caption colours, taken from the palette when it is set, not at each paint.
    QColor m_face, m_text;
    QIcon m_icon;
};

} // namespace vemla
