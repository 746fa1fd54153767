// The PIN type dialog: its sorted list with no selection, captions, the last pick counting, and
// OK waiting for a first pick.
#include "PinTypeDlg.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace vemla {
namespace {

QPushButton* Ok(const CPinTypeDlg& d) {
    return qobject_cast<QPushButton*>(d.Control(idp::kOk));
}

TEST(PinTypeDlg, ListIsSortedAWithCAndNothingSelected) {
    for (int32_t stored : {0, 1}) {
        CPinTypeDlg dlg(Language::Chinese, stored, false);
        QComboBox* list = dlg.TypeList();
        ASSERT_EQ(list->count(), 2);
        EXPECT_EQ(list->itemText(0), "A");
        EXPECT_EQ(list->itemText(1), "C");
        EXPECT_EQ(list->currentIndex(), -1) << stored;
        EXPECT_TRUE(list->currentText().isEmpty());
        EXPECT_EQ(dlg.PinType(), stored);
        EXPECT_FALSE(dlg.Control(idp::kCancel)->isVisibleTo(&dlg));
    }
}

TEST(PinTypeDlg, CaptionsByLanguage) {
    struct Case {
        Language language;
        const char* label;
        const char* ok;
    };
    for (const Case& c :
         {Case{Language::English, "PIN Type", "OK"}, Case{Language::Chinese, "PIN类型", "确定"}}) {
        CPinTypeDlg dlg(c.language, 0, false);
        EXPECT_EQ(qobject_cast<QLabel*>(dlg.Control(idp::kLabel))->text(),
                  QString::fromUtf8(c.label));
        EXPECT_EQ(Ok(dlg)->text(), QString::fromUtf8(c.ok));
        EXPECT_TRUE(dlg.windowTitle().isEmpty());
    }
}

TEST(PinTypeDlg, EnterCannotConfirmBeforeAPick) {
    CPinTypeDlg dlg(Language::English, 0, true);
    int result = -1;
    QTimer::singleShot(0, &dlg, [&] {
        QTest::keyClick(&dlg, Qt::Key_Return);
        // Still open: nothing to confirm yet. Pick with the keyboard, then Enter confirms.
        EXPECT_TRUE(dlg.isVisible());
        dlg.TypeList()->setFocus();
        QTest::keyClick(dlg.TypeList(), Qt::Key_Down);
        QTest::keyClick(&dlg, Qt::Key_Return);
        QTimer::singleShot(200, &dlg, [&] { dlg.reject(); }); // only if Enter did nothing
    });
    result = dlg.exec();
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(dlg.PinType(), 0) << "Down from no selection picks the first entry, A";
}

TEST(PinTypeDlg, EscapeCancels) {
    CPinTypeDlg dlg(Language::English, 1, false);
    QTimer::singleShot(0, &dlg, [&] {
        dlg.TypeList()->setCurrentIndex(0);
        QTest::keyClick(&dlg, Qt::Key_Escape);
    });
    EXPECT_EQ(dlg.exec(), QDialog::Rejected);
}

} // namespace
} // namespace vemla
