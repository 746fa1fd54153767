#pragma once
// A push button that paints its own face: raised edge, an icon 3 px from the left edge and the
// caption centred in the rest. Pressed, it shows a shadow frame and moves icon and caption by
// the pressed offset; focused or default, a black outer frame and a dotted focus rectangle.

#include <QColor>
#include <QIcon>
#include <QPushButton>

namespace vemla {

class CIconButton : public QPushButton {
    Q_OBJECT
public:
    CIconButton(const QString& caption, QWidget* parent);

    // Icons from the resources ":/icons/icon<id>.svg". restIconId: 0 none, -2 a grey copy of the
    // main icon, -3 a darker copy, other ids that icon. 0 on success, 1 when an icon is missing
    // (both slots are then empty).
    int SetButtonIcons(int mainIconId, int restIconId);
    int SetFlatLook(bool flat, bool repaint);
    // 0: pressed moves by (1, 1); 1: by (0, 2). Anything else: 6, nothing changes.
    int SetPressLook(int style, bool repaint);

    bool IsFlat() const { return m_flat; }
    bool HasIcon() const { return !m_mainIcon.isNull(); }
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

    QPoint m_pressedOffset{1, 1};
    bool m_flat = true; // the program turns it off for every button
    // Face and caption colours, taken from the palette when it is set, not at each paint.
    QColor m_face, m_text;
    QIcon m_mainIcon;
    QIcon m_restIcon;
};

} // namespace vemla
