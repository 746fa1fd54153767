// The icon button's face, rendered offscreen and read pixel by pixel: the edge colours, the
// black frame of a focused or default button, where icon and caption sit at rest and pressed,
// the embossed caption of a disabled button; and its clicks.
#include "IconButton.h"
#include "WidgetProbe.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace vemla {
namespace {

using test::Coloured;
using test::Where;

const QColor kFace(192, 192, 192), kText(0, 0, 0), kLight(255, 255, 255), kMidlight(224, 224, 224),
    kDark(128, 128, 128), kShadow(64, 64, 64);
constexpr int kW = 160, kH = 48;
const QRect kIcon(3, (kH - 32) / 2, 32, 32); // at rest: 3 px in, centred vertically
const QRect kCaption(36, 2, kW - 38, kH - 4);
const QRect kInside(2, 2, kW - 4, kH - 4);
const QRect kFocusDots(4, 5, 1, kH - 10); // 3 px inside the rectangle the frame shrinks

using Pixel = std::tuple<int, int, QColor>; // x, y, colour

class IconButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(300, 200);
        button->setGeometry(10, 10, kW, kH);
        button->setAutoDefault(false);
        QPalette pal; // set after the button was made: the face must follow it
        const std::pair<QPalette::ColorRole, QColor> roles[] = {
            {QPalette::Button, kFace}, {QPalette::ButtonText, kText},
            {QPalette::Light, kLight}, {QPalette::Midlight, kMidlight},
            {QPalette::Dark, kDark},   {QPalette::Shadow, kShadow}};
        for (const auto& [role, colour] : roles)
            pal.setColor(role, colour);
        button->setPalette(pal);
        // Exact colours: no anti-aliased edges around the glyphs.
        QFont font = button->font();
        font.setStyleStrategy(QFont::NoAntialias);
        button->setFont(font);
        ASSERT_TRUE(button->SetButtonIcon(135));
        other->setGeometry(10, 100, 80, 30);
        ASSERT_TRUE(test::ShowActive(window));
        other->setFocus();
    }
    QImage Face() const { return button->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    // Where icon and caption drew: anything but the face colour.
    static QRect Drawn(const QImage& img, QRect within) {
        return Where(img, within, [](QRgb c) { return QColor(c) != kFace; });
    }
    static void ExpectPixels(const QImage& img, std::initializer_list<Pixel> pixels) {
        for (const auto& [x, y, colour] : pixels)
            EXPECT_EQ(QColor(img.pixel(x, y)), colour) << x << "," << y;
    }

    QWidget window;
    CIconButton* button = new CIconButton(QStringLiteral("UPLOAD DATA"), &window);
    QPushButton* other = new QPushButton(QStringLiteral("other"), &window);
};

TEST_F(IconButtonTest, RestShowsTheRaisedEdgeOnEverySideAndNoFrame) {
    const QImage img = Face();
    // Outer and inner edge left, top, right, bottom; the two shadowed corners; the face.
    ExpectPixels(img, {{0, 20, kLight}, {20, 0, kLight}, {1, 20, kMidlight}, {20, 1, kMidlight}});
    ExpectPixels(img, {{kW - 1, 20, kShadow}, {20, kH - 1, kShadow}, {kW - 2, 20, kDark}});
    ExpectPixels(img, {{20, kH - 2, kDark}, {kW - 1, 0, kShadow}, {0, kH - 1, kShadow}});
    ExpectPixels(img, {{kW - 4, 3, kFace}});
    const QImage pic = QIcon(":/icons/icon135.svg").pixmap(32).toImage();
    const QRect picture = Where(pic, pic.rect(), [](QRgb c) { return qAlpha(c) > 0; });
    EXPECT_EQ(Drawn(img, QRect(2, 2, 36, kH - 4)).topLeft(), picture.topLeft() + kIcon.topLeft());
    const QRect caption = Drawn(img, kCaption);
    ASSERT_FALSE(caption.isEmpty());
    EXPECT_NEAR(caption.center().x(), (35 + kW) / 2, 2) << "caption centred right of the icon";
    EXPECT_NEAR(caption.center().y(), kH / 2, 2);
}

TEST_F(IconButtonTest, FocusedAndDefaultButtonsHaveABlackFrameAndTheFocusHasDots) {
    button->setFocus();
    QImage img = Face();
    // The black frame, the raised edge one pixel in, and the face outside the dots.
    ExpectPixels(img, {{0, 20, kText}, {kW - 1, 20, kText}, {20, kH - 1, kText}});
    ExpectPixels(img, {{1, 20, kLight}, {kW - 2, 20, kShadow}, {3, 20, kFace}});
    int dots = 0;
    Coloured(img, kFocusDots, kText, &dots);
    EXPECT_NEAR(dots, (kH - 10) / 2, 1) << "every other pixel";

    other->setFocus();
    button->setDefault(true);
    img = Face();
    ExpectPixels(img, {{0, 20, kText}}); // default: the frame without focus
    EXPECT_TRUE(Coloured(img, kFocusDots, kText).isEmpty()) << "but no focus dots";
}

TEST_F(IconButtonTest, PressedShowsTheShadowFrameAndMovesIconAndCaptionRightAndDown) {
    const QImage rest = Face();
    button->setDown(true);
    const QImage pressed = Face();
    ExpectPixels(pressed, {{0, 20, kDark}, {kW - 1, 20, kDark}, {1, 20, kFace}});
    const QRect inside(2, 2, kW - 5, kH - 5);
    EXPECT_TRUE(pressed.copy(inside.translated(1, 1)) == rest.copy(inside));

    button->setFocus();
    // Focused and pressed: the black frame with the shadow frame inside it.
    ExpectPixels(Face(), {{0, 20, kText}, {1, 20, kDark}});
}

TEST_F(IconButtonTest, DisabledEmbossesTheCaptionAndGreysTheIconWithTheEdgeUnchanged) {
    const QImage enabled = Face();
    button->setEnabled(false);
    const QImage img = Face();
    ExpectPixels(img, {{0, 20, kLight}, {kW - 1, 20, kShadow}});
    EXPECT_TRUE(Coloured(img, kCaption, kText).isEmpty());
    EXPECT_NE(img.copy(kIcon), enabled.copy(kIcon)) << "the icon drawn with the disabled effect";
    // The embossed highlight sits to the lower right of the dark text (both drawn: an empty
    // rectangle's corner is (-1, -1), far from the caption).
    EXPECT_EQ(Coloured(img, kCaption, kLight).bottomRight() -
                  Coloured(img, kCaption, kDark).bottomRight(),
              QPoint(1, 1));
}

TEST_F(IconButtonTest, WithoutCaptionTheIconIsCentredAndAMissingIconDrawsNothing) {
    button->setText(QString());
    const QRect icon = Drawn(Face(), kInside);
    ASSERT_FALSE(icon.isEmpty());
    EXPECT_NEAR(icon.center().x(), kW / 2, 2);
    EXPECT_NEAR(icon.center().y(), kH / 2, 2);
    for (int id : {999, 137}) { // a missing icon, then one found
        EXPECT_EQ(button->SetButtonIcon(id), id == 137);
        EXPECT_EQ(Drawn(Face(), kInside).isEmpty(), id == 999) << id;
    }
}

TEST_F(IconButtonTest, DoubleClickCountsAsTwoClicksAndTakesTheFocus) {
    QSignalSpy clicks(button, &QAbstractButton::clicked);
    // The sequence a double click makes: press, release, double click, release.
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseDClick(button, Qt::LeftButton);
    QTest::mouseRelease(button, Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_TRUE(button->hasFocus());
}

} // namespace
} // namespace vemla
