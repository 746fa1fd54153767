#pragma once
// Shared by the widget tests that read their faces back pixel by pixel.

#include <QApplication>
#include <QImage>
#include <QTest>

#include <functional>

namespace vemla::test {

// Focus, and the frames drawn for it, need the window shown and active.
inline bool ShowActive(QWidget& window) {
    window.show();
    QApplication::setActiveWindow(&window);
    return QTest::qWaitForWindowActive(&window);
}

// The bounding box of the pixels inside `within` that match; `count` gets how many matched.
inline QRect Where(const QImage& img, QRect within, const std::function<bool(QRgb)>& match,
                   int* count = nullptr) {
    QRect box;
    int n = 0;
    within &= img.rect();
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x)
            if (match(img.pixel(x, y)) && ++n)
                box |= QRect(x, y, 1, 1);
    if (count)
        *count = n;
    return box;
}

inline QRect Coloured(const QImage& img, QRect within, const QColor& colour, int* count = nullptr) {
    return Where(
        img, within, [&](QRgb c) { return QColor(c) == colour; }, count);
}

} // namespace vemla::test
