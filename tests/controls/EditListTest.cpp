// The measurement table driven with real mouse and key events: the selected-cell states,
// two-click editing, and the pixels of the marker box. Scrolling, selecting and editing at a full
// upload's 65,536 rows is bench/app's BM_ScrollSelectEditAt65536Rows, so nothing here repeats it.
#include "EditList.h"
#include "CellDelegate.h"
#include "CellEdit.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace vemla {
namespace {

class ProbedList : public CEditList {
public:
    using CEditList::CEditList;
    bool pointerInside = true;

protected:
    bool IsPointerInside() const override { return pointerInside; }
};

class EditListTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(900, 400);
        table = new ProbedList(&window);
        table->setGeometry(0, 0, 800, 300);
        other = new QLineEdit(&window);
        other->setGeometry(0, 320, 100, 24);
        table->RebuildColumns(CEditList::ColumnCaptions(Language::English));
        for (int r = 0; r < 5; ++r) {
            table->InsertItem(r, QString::number(r + 1));
            table->SetItemText(r, 1, "1310");
            table->SetItemText(r, 2, "-10.00dBm");
        }
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    QRect Cell(int row, int column) const {
        return table->visualRect(table->Model().index(row, column));
    }
    void Click(int row, int column) {
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, Cell(row, column).center());
    }
    void ClickBelowRows() { QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, {20, 280}); }
    void Type(const QString& text, Qt::Key end) {
        QTest::keyClicks(table->Editor(), text);
        QTest::keyClick(table->Editor(), end);
    }
    QImage Picture() const { return table->viewport()->grab().toImage(); }
    QRgb Colour(QPalette::ColorRole role) const {
        return table->CellPalette().color(QPalette::Active, role).rgb();
    }
    // Columns of the cell's middle rows (and `beyond` px past it) showing the highlight colour:
    // {first offset from the cell's left, span}. Three rows, so the dotted frame has a gap.
    std::pair<int, int> HighlightSpan(int row, int column, int beyond = 0) const {
        const QImage img = Picture();
        const QRect cell = Cell(row, column);
        int first = -1, last = -1;
        for (int x = cell.left(); x <= cell.right() + beyond; ++x)
            for (int y = cell.center().y() - 1; y <= cell.center().y() + 1; ++y)
                if (img.pixel(x, y) == Colour(QPalette::Highlight)) {
                    first = first < 0 ? x : first;
                    last = x;
                }
        return first < 0 ? std::pair{-1, 0} : std::pair{first - cell.left(), last - first + 1};
    }
    bool FrameAtLeftOfBox(int row, int column) const {
        const QImage img = Picture();
        const QRect cell = Cell(row, column);
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            if (img.pixel(cell.left() + 4, y) != Colour(QPalette::Base))
                return true;
        return false;
    }

    QWidget window;
    ProbedList* table = nullptr;
    QLineEdit* other = nullptr;
};

TEST_F(EditListTest, FirstClickSelectsCellAndRowButOnlyTheBoxIsHighlighted) {
    Click(2, 1);
    EXPECT_EQ(table->GetFirstSelectedRow(), 2) << "the row selection DELETE SELECT reads";
    const QRect box = CCellDelegate::MarkerBox(Cell(2, 1), table->fontMetrics(), "1310");
    const QImage img = Picture();
    int highlighted = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) == Colour(QPalette::Highlight)) {
                ++highlighted;
                ASSERT_TRUE(box.contains(x, y)) << "row highlight at " << x << "," << y;
            }
    EXPECT_GT(highlighted, box.width() * box.height() / 2);
}

// Each step is a real event; the state after the last step is what the table must be in.
enum class Step { ClickA, ClickB, ClickEmpty, Enter, Escape, PointerOut, FocusOther };
struct Transition {
    const char* name;
    std::vector<Step> steps;
    int row, column;
    bool cellSelected, active, editing;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const Transition& t, std::ostream* os) {
    *os << t.name;
}

class TransitionTest : public EditListTest, public ::testing::WithParamInterface<Transition> {};

TEST_P(TransitionTest, EndsInTheRightState) {
    for (Step s : GetParam().steps) {
        switch (s) {
        case Step::ClickA:
            Click(1, 3);
            break;
        case Step::ClickB:
            Click(4, 0);
            break;
        case Step::ClickEmpty:
            ClickBelowRows();
            break;
        case Step::Enter:
            Type("x", Qt::Key_Return);
            break;
        case Step::Escape:
            Type("x", Qt::Key_Escape);
            break;
        case Step::PointerOut:
            table->pointerInside = false;
            break;
        case Step::FocusOther:
            other->setFocus();
            break;
        }
    }
    const Transition& t = GetParam();
    EXPECT_EQ(table->SelectedRow(), t.row);
    EXPECT_EQ(table->SelectedColumn(), t.column);
    EXPECT_EQ(table->IsCellSelected(), t.cellSelected);
    EXPECT_EQ(table->IsActive(), t.active);
    EXPECT_EQ(table->IsEditing(), t.editing);
    EXPECT_EQ(table->Editor()->isVisible(), t.editing);
}

using S = Step;
// One transition a line: name, steps, then row, column, cell selected, active, editing.
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    States, TransitionTest,
    ::testing::Values(
        Transition{"IdleClickCellSelects", {S::ClickA}, 1, 3, true, true, false},
        Transition{"IdleClickEmptyStaysIdle", {S::ClickEmpty}, -1, -1, false, true, false},
        Transition{"SelectedClickOtherMoves", {S::ClickA, S::ClickB}, 4, 0, true, true, false},
        Transition{"SelectedClickSameEdits", {S::ClickA, S::ClickA}, 1, 3, true, true, true},
        Transition{"SelectedClickEmptyMarks", {S::ClickA, S::ClickEmpty}, 1, 3, false, true, false},
        Transition{"MarkedClickSameSelectsNoEdit", {S::ClickA, S::ClickEmpty, S::ClickA}, 1, 3, true, true, false},
        Transition{"EnterInsideKeepsCell", {S::ClickB, S::ClickB, S::Enter}, 4, 0, true, true, false},
        Transition{"EscapeInsideKeepsCell", {S::ClickB, S::ClickB, S::Escape}, 4, 0, true, true, false},
        Transition{"EnterOutsideGoesIdle", {S::ClickB, S::ClickB, S::PointerOut, S::Enter}, -1, -1, false, false, false},
        Transition{"FocusLossOutsideGoesIdle", {S::ClickA, S::PointerOut, S::FocusOther}, -1, -1, false, false, false},
        Transition{"FocusLossInsideKeepsCell", {S::ClickA, S::FocusOther}, 1, 3, true, true, false},
        Transition{"EditorFocusLossInsideKeepsCell", {S::ClickA, S::ClickA, S::FocusOther}, 1, 3, true, true, false},
        Transition{"MarkedFocusLossOutsideGoesIdle", {S::ClickA, S::ClickEmpty, S::PointerOut, S::FocusOther}, -1, -1, false, false, false}),
    // clang-format on
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditListTest, SecondClickEditsThatCellEnterStoresOnlyItAndEscapeKeepsTheOldText) {
    Click(3, 2);
    Click(3, 2);
    ASSERT_TRUE(table->IsEditing());
    EXPECT_EQ(table->Editor()->geometry(), Cell(3, 2).adjusted(4, 0, 0, 0)) << "not column 0";
    EXPECT_EQ(table->Editor()->text(), "-10.00dBm");
    table->Editor()->selectAll();
    Type(" -9,5 dBm typed ", Qt::Key_Return);
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < kTableColumns; ++c) {
            const QString before = c == 0   ? QString::number(r + 1)
                                   : c == 1 ? "1310"
                                   : c == 2 ? "-10.00dBm"
                                            : "";
            EXPECT_EQ(table->GetItemText(r, c), r == 3 && c == 2 ? " -9,5 dBm typed " : before);
        }
    Click(1, 0);
    Click(1, 0);
    ASSERT_TRUE(table->IsEditing()) << "column 0 too";
    Type("xyz", Qt::Key_Escape);
    EXPECT_EQ(table->GetItemText(1, 0), "2");
}

TEST_F(EditListTest, FocusLeavingTheEditorStoresTheNote) {
    Click(0, 6);
    Click(0, 6);
    QTest::keyClicks(table->Editor(), "patch cord 3");
    table->pointerInside = false;
    other->setFocus();
    EXPECT_FALSE(table->IsEditing());
    EXPECT_EQ(table->GetItemText(0, 6), "patch cord 3");
}

TEST_F(EditListTest, ClickBelowRowsLeavesOnlyTheFocusFrameAndReselectsWithoutEditing) {
    Click(2, 1);
    ClickBelowRows();
    EXPECT_EQ(HighlightSpan(2, 1).second, 0);
    EXPECT_TRUE(FrameAtLeftOfBox(2, 1));
    EXPECT_FALSE(FrameAtLeftOfBox(3, 1));
    Click(2, 1);
    EXPECT_GT(HighlightSpan(2, 1).second, 0);
}

TEST_F(EditListTest, MarkerBoxIs47PxForAnEmptyCellAndCutAtTheCellEdge) {
    Click(4, 6);
    EXPECT_EQ(HighlightSpan(4, 6), std::pair(4, 47));
    Click(4, 2);
    EXPECT_EQ(HighlightSpan(4, 2),
              std::pair(4, table->fontMetrics().horizontalAdvance("-10.00dBm") + 6));
    table->setColumnWidth(2, 40);
    EXPECT_EQ(HighlightSpan(4, 2, 20), std::pair(4, Cell(4, 2).width() - 4));
}

TEST_F(EditListTest, LongTextEndsInAnEllipsis) {
    const QString wide(200, QLatin1Char('W'));
    const QString shown = CCellDelegate::ShownText(Cell(0, 1), table->fontMetrics(), wide);
    EXPECT_TRUE(shown.endsWith(QChar(0x2026)));
    EXPECT_LE(table->fontMetrics().horizontalAdvance(shown), Cell(0, 1).width() - 6);
    EXPECT_EQ(CCellDelegate::ShownText(Cell(0, 1), table->fontMetrics(), "1310"), "1310");
}

TEST_F(EditListTest, CaptionSwitchKeepsRowsAndSelectionAndResetsWidths) {
    Click(2, 6);
    table->setColumnWidth(6, 300);
    table->RebuildColumns(CEditList::ColumnCaptions(Language::Chinese));
    EXPECT_EQ(table->GetFirstSelectedRow(), 2);
    EXPECT_EQ(table->GetItemText(2, 2), "-10.00dBm");
    const std::array<int, 7> widths{60, 80, 100, 100, 100, 150, 150};
    for (int c = 0; c < 7; ++c)
        EXPECT_EQ(table->columnWidth(c), widths[size_t(c)]) << c;
    EXPECT_EQ(table->Model().headerData(4, Qt::Horizontal, Qt::DisplayRole).toString(), "参考值");
    // Emptied and rebuilt again: the selected cell's indexes outlive the rows.
    table->DeleteAllItems();
    table->RebuildColumns(CEditList::ColumnCaptions(Language::English));
    EXPECT_EQ(table->SelectedRow(), 2);
    EXPECT_EQ(table->SelectedColumn(), 6);
    EXPECT_TRUE(table->IsCellSelected());
    EXPECT_EQ(table->GetItemCount(), 0);
    Picture(); // an empty table under a selection left over paints nothing
}

TEST_F(EditListTest, RowsResetOrShiftedUnderTheEditorDropTheEdit) {
    Click(3, 6);
    Click(3, 6);
    QTest::keyClicks(table->Editor(), "typed");
    table->InsertItem(99, "6"); // appended after: the edit goes on
    EXPECT_TRUE(table->IsEditing());
    table->InsertItem(0, "0"); // the edited record moves down
    EXPECT_FALSE(table->IsEditing());
    EXPECT_FALSE(table->Editor()->isVisible());
    EXPECT_EQ(table->GetItemText(3, 6), "");
    EXPECT_EQ(table->GetItemText(4, 6), "");
}

} // namespace
} // namespace vemla
