// The icon button's face, rendered offscreen and read pixel by pixel: the edge colours, the
// black frame of a focused or default button, where icon and caption sit at rest and pressed,
// the embossed caption of a disabled button; and its clicks.
#include "IconButton.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

namespace vemla {
namespace {

const QColor kFace(192, 192, 192);
const QColor kText(0, 0, 0);
const QColor kLight(255, 255, 255);
const QColor kMidlight(224, 224, 224);
const QColor kDark(128, 128, 128);
const QColor kShadow(64, 64, 64);

QPalette TestPalette() {
    QPalette pal;
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::Button, kFace);
        pal.setColor(group, QPalette::ButtonText, kText);
        pal.setColor(group, QPalette::Light, kLight);
        pal.setColor(group, QPalette::Midlight, kMidlight);
        pal.setColor(group, QPalette::Dark, kDark);
        pal.setColor(group, QPalette::Shadow, kShadow);
    }
    return pal;
}

class IconButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(300, 200);
        button = new CIconButton(QStringLiteral("UPLOAD DATA"), &window);
        button->setGeometry(10, 10, kW, kH);
        button->setAutoDefault(false);
        button->setPalette(TestPalette());
        // Exact colours: no anti-aliased edges around the glyphs.
        QFont font = button->font();
        font.setStyleStrategy(QFont::NoAntialias);
        button->setFont(font);
        ASSERT_EQ(button->SetButtonIcons(135, 0), 0);
        button->SetFlatLook(false, true);
        other = new QPushButton(QStringLiteral("other"), &window);
        other->setGeometry(10, 100, 80, 30);
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        other->setFocus();
    }
    QImage Face() const { return button->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    static QColor At(const QImage& img, int x, int y) { return QColor(img.pixel(x, y)); }
    // The bounding box of the pixels inside `within` that match.
    static QRect Where(const QImage& img, QRect within, const std::function<bool(QRgb)>& match) {
        QRect box;
        for (int y = within.top(); y <= within.bottom(); ++y)
            for (int x = within.left(); x <= within.right(); ++x)
                if (match(img.pixel(x, y)))
                    box |= QRect(x, y, 1, 1);
        return box;
    }
    // Where icon and caption drew: anything but the face colour.
    static QRect Drawn(const QImage& img, QRect within) {
        return Where(img, within, [](QRgb c) { return QColor(c) != kFace; });
    }
    static QRect Coloured(const QImage& img, QRect within, const QColor& colour) {
        return Where(img, within, [&](QRgb c) { return QColor(c) == colour; });
    }

    static constexpr int kW = 160;
    static constexpr int kH = 48;
    QWidget window;
    CIconButton* button = nullptr;
    QPushButton* other = nullptr;
};

TEST_F(IconButtonTest, RestShowsTheRaisedEdgeOnEverySideAndNoFrame) {
    const QImage img = Face();
    struct Pixel {
        int x, y;
        QColor colour;
        const char* what;
    };
    const Pixel pixels[] = {
        {0, 20, kLight, "outer left"},
        {20, 0, kLight, "outer top"},
        {1, 20, kMidlight, "inner left"},
        {20, 1, kMidlight, "inner top"},
        {kW - 1, 20, kShadow, "outer right"},
        {20, kH - 1, kShadow, "outer bottom"},
        {kW - 2, 20, kDark, "inner right"},
        {20, kH - 2, kDark, "inner bottom"},
        {kW - 1, 0, kShadow, "top right corner"},
        {0, kH - 1, kShadow, "bottom left corner"},
        {kW - 4, 3, kFace, "face: the palette set after the button was made"},
    };
    for (const Pixel& p : pixels)
        EXPECT_EQ(At(img, p.x, p.y), p.colour) << p.what;
    // The icon starts 3 px from the left edge and is centred vertically; the caption follows it.
    const QRect icon = Drawn(img, QRect(2, 2, 36, kH - 4));
    const QImage pic = QIcon(":/icons/icon135.svg").pixmap(32).toImage();
    const QRect picture = Where(pic, pic.rect(), [](QRgb c) { return qAlpha(c) > 0; });
    EXPECT_EQ(icon.topLeft(), picture.topLeft() + QPoint(3, (kH - 32) / 2));
    const QRect caption = Drawn(img, QRect(36, 2, kW - 38, kH - 4));
    ASSERT_FALSE(caption.isEmpty());
    EXPECT_NEAR(caption.center().x(), (35 + kW) / 2, 2) << "caption centred right of the icon";
    EXPECT_NEAR(caption.center().y(), kH / 2, 2);
}

TEST_F(IconButtonTest, FocusedAndDefaultButtonsHaveABlackFrameAndTheFocusHasDots) {
    button->setFocus();
    QImage img = Face();
    EXPECT_EQ(At(img, 0, 20), kText);
    EXPECT_EQ(At(img, kW - 1, 20), kText);
    EXPECT_EQ(At(img, 20, kH - 1), kText);
    EXPECT_EQ(At(img, 1, 20), kLight) << "the raised edge moves one pixel in";
    EXPECT_EQ(At(img, kW - 2, 20), kShadow);
    // Focus rectangle 3 px inside the shrunk rectangle: dotted along x = 4.
    int dots = 0;
    for (int y = 5; y < kH - 5; ++y)
        dots += At(img, 4, y) == kText;
    EXPECT_NEAR(dots, (kH - 10) / 2, 1) << "every other pixel";
    EXPECT_EQ(At(img, 3, 20), kFace);

    other->setFocus();
    button->setDefault(true);
    img = Face();
    EXPECT_EQ(At(img, 0, 20), kText) << "default: the frame without focus";
    EXPECT_TRUE(Coloured(img, QRect(4, 5, 1, kH - 10), kText).isEmpty()) << "but no focus dots";
}

TEST_F(IconButtonTest, PressedShowsTheShadowFrameAndMovesIconAndCaptionByThePressLook) {
    EXPECT_EQ(button->SetPressLook(2, true), 6) << "an unknown look changes nothing";
    const QImage rest = Face();
    button->setDown(true);
    const QImage pressed = Face();
    EXPECT_EQ(At(pressed, 0, 20), kDark);
    EXPECT_EQ(At(pressed, kW - 1, 20), kDark);
    EXPECT_EQ(At(pressed, 1, 20), kFace) << "no raised edge while pressed";
    for (int y = 2; y < kH - 3; ++y)
        for (int x = 2; x < kW - 3; ++x)
            ASSERT_EQ(At(pressed, x + 1, y + 1), At(rest, x, y)) << x << "," << y;
    ASSERT_EQ(button->SetPressLook(1, true), 0);
    const QImage low = Face();
    for (int y = 2; y < kH - 4; ++y)
        for (int x = 2; x < kW - 2; ++x)
            ASSERT_EQ(At(low, x, y + 2), At(rest, x, y)) << "press look 1: " << x << "," << y;

    button->setFocus();
    const QImage both = Face();
    EXPECT_EQ(At(both, 0, 20), kText) << "focused and pressed: black frame";
    EXPECT_EQ(At(both, 1, 20), kDark) << "with the shadow frame inside it";
}

TEST_F(IconButtonTest, DisabledEmbossesTheCaptionAndGreysTheIconWithTheEdgeUnchanged) {
    const QImage enabled = Face();
    button->setEnabled(false);
    const QImage img = Face();
    EXPECT_EQ(At(img, 0, 20), kLight);
    EXPECT_EQ(At(img, kW - 1, 20), kShadow);
    const QRect caption(36, 2, kW - 38, kH - 4);
    EXPECT_TRUE(Coloured(img, caption, kText).isEmpty());
    const QRect icon(3, (kH - 32) / 2, 32, 32);
    EXPECT_NE(img.copy(icon), enabled.copy(icon)) << "the icon drawn with the disabled effect";
    // The embossed highlight sits to the lower right of the dark text (both drawn: an empty
    // rectangle's corner is (-1, -1), far from the caption).
    const QRect dark = Coloured(img, caption, kDark);
    const QRect light = Coloured(img, caption, kLight);
    EXPECT_EQ(light.bottomRight() - dark.bottomRight(), QPoint(1, 1));
}

TEST_F(IconButtonTest, WithoutCaptionTheIconIsCentredAndAMissingIconDrawsNothing) {
    button->setText(QString());
    const QRect icon = Drawn(Face(), QRect(2, 2, kW - 4, kH - 4));
    ASSERT_FALSE(icon.isEmpty());
    EXPECT_NEAR(icon.center().x(), kW / 2, 2);
    EXPECT_NEAR(icon.center().y(), kH / 2, 2);
    EXPECT_EQ(button->SetButtonIcons(999, 0), 1);
    EXPECT_FALSE(button->HasIcon());
    EXPECT_TRUE(Drawn(Face(), QRect(2, 2, kW - 4, kH - 4)).isEmpty());
    EXPECT_EQ(button->SetButtonIcons(136, 999), 1) << "a missing rest icon fails too";
    EXPECT_FALSE(button->HasIcon());
    EXPECT_EQ(button->SetButtonIcons(137, -3), 0);
    EXPECT_TRUE(button->HasIcon());
}

TEST_F(IconButtonTest, GreyRestIconShowsUntilPressed) {
    ASSERT_EQ(button->SetButtonIcons(143, -2), 0);
    const QRect icon(3, (kH - 32) / 2, 32, 32);
    const auto tinted = [](QRgb c) { return qRed(c) != qGreen(c) || qGreen(c) != qBlue(c); };
    EXPECT_TRUE(Where(Face(), icon, tinted).isEmpty()) << "at rest: the grey copy";
    button->setDown(true);
    EXPECT_FALSE(Where(Face(), icon.translated(1, 1), tinted).isEmpty())
        << "pressed: the main icon";
}

TEST_F(IconButtonTest, DoubleClickCountsAsTwoClicksAndTakesTheFocus) {
    QSignalSpy clicks(button, &QAbstractButton::clicked);
    // The sequence a double click makes: press, release, double click, release.
    const QPointF at(kW / 2.0, kH / 2.0);
    const auto send = [&](QEvent::Type type, Qt::MouseButtons held) {
        QMouseEvent e(type, at, button->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(button, &e);
    };
    send(QEvent::MouseButtonPress, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, Qt::NoButton);
    send(QEvent::MouseButtonDblClick, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, Qt::NoButton);
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_TRUE(button->hasFocus());
}

} // namespace
} // namespace vemla
