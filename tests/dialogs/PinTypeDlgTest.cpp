// The PIN type dialog: its sorted list with no selection, captions, the last pick counting, and
// OK waiting for a first pick. Escape is the window's PIN TYPE case (tests/app).
#include "PinTypeDlg.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace vemla {
namespace {

TEST(PinTypeDlg, ListIsSortedAWithCAndNothingSelectedUnderTheLanguagesCaptions) {
    for (auto [language, stored, label, ok] : {std::tuple{Language::English, 1, "PIN Type", "OK"},
                                               {Language::Chinese, 0, "PIN类型", "确定"}}) {
        CPinTypeDlg dlg(language, stored, false);
        QComboBox* list = dlg.TypeList();
        ASSERT_EQ(list->count(), 2);
        EXPECT_EQ(list->itemText(0) + list->itemText(1), "AC");
        EXPECT_TRUE(list->currentIndex() == -1 && list->currentText().isEmpty()) << stored;
        EXPECT_EQ(dlg.PinType(), stored);
        EXPECT_FALSE(dlg.Control(idp::kCancel)->isVisibleTo(&dlg));
        EXPECT_EQ(qobject_cast<QLabel*>(dlg.Control(idp::kLabel))->text(), label);
        EXPECT_EQ(qobject_cast<QPushButton*>(dlg.Control(idp::kOk))->text(), ok);
        EXPECT_TRUE(dlg.windowTitle().isEmpty());
    }
}

TEST(PinTypeDlg, EnterCannotConfirmBeforeAPick) {
    CPinTypeDlg dlg(Language::English, 0, true);
    QTimer::singleShot(0, &dlg, [&] {
        QTest::keyClick(&dlg, Qt::Key_Return);
        // Still open: nothing to confirm yet. Pick with the keyboard, then Enter confirms.
        EXPECT_TRUE(dlg.isVisible());
        dlg.TypeList()->setFocus();
        QTest::keyClick(dlg.TypeList(), Qt::Key_Down);
        QTest::keyClick(&dlg, Qt::Key_Return);
        QTimer::singleShot(200, &dlg, [&] { dlg.reject(); }); // only if Enter did nothing
    });
    EXPECT_EQ(dlg.exec(), QDialog::Accepted);
    EXPECT_EQ(dlg.PinType(), 0) << "Down from no selection picks the first entry, A";
}

} // namespace
} // namespace vemla
