// The measurement table driven with real mouse and key events: the selected-cell states,
// two-click editing, and the pixels of the marker box. Scrolling, selecting and editing at a full
// upload's 65,536 rows is bench/app's BM_ScrollSelectEditAt65536Rows, so nothing here repeats it.
#include "EditList.h"
#include "CellDelegate.h"
#include "CellEdit.h"
#include "WidgetProbe.h"

#include <QLineEdit>
#include <gtest/gtest.h>

namespace vemla {
namespace {

class EditListTest : public ::testing::Test {
public: // the steps are named in the transition table
    void SetUp() override {
        window.resize(900, 400);
        table->setGeometry(0, 0, 800, 300);
        other->setGeometry(0, 320, 100, 24);
        table->RebuildColumns(CEditList::ColumnCaptions(Language::English));
        for (int r = 0; r < 5; ++r) {
            table->InsertItem(r, QString::number(r + 1));
            table->SetItemText(r, 1, "1310");
            table->SetItemText(r, 2, "-10.00dBm");
        }
        ASSERT_TRUE(test::ShowActive(window));
        QCursor::setPos(table->mapToGlobal(table->rect().center())); // a click moves no pointer
    }
    QRect Cell(int row, int column) const {
        return table->visualRect(table->Model().index(row, column));
    }
    void Click(int row, int column) {
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, Cell(row, column).center());
    }
    void ClickBelowRows() { QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, {20, 280}); }
    void Edit(int row, int column) { // two clicks on the cell
        Click(row, column);
        Click(row, column);
    }
    void Type(const QString& text, Qt::Key end) {
        QTest::keyClicks(table->Editor(), text);
        QTest::keyClick(table->Editor(), end);
    }
    // The steps of the transitions below.
    void ClickA() { Click(1, 3); }
    void ClickB() { Click(4, 0); }
    void Enter() { Type("x", Qt::Key_Return); }
    void Escape() { Type("x", Qt::Key_Escape); }
    void PointerOut() { QCursor::setPos(other->mapToGlobal(other->rect().center())); }
    void FocusOther() { other->setFocus(); }
    QImage Picture() const { return table->viewport()->grab().toImage(); }
    QColor Colour(QPalette::ColorRole role) const {
        return table->CellPalette().color(QPalette::Active, role);
    }
    // Columns of the cell's middle rows (and `beyond` px past it) showing the highlight colour:
    // {first offset from the cell's left, span}. Three rows, so the dotted frame has a gap.
    std::pair<int, int> HighlightSpan(int row, int column, int beyond = 0) const {
        const QRect cell = Cell(row, column);
        const QRect middle(cell.left(), cell.center().y() - 1, cell.width() + beyond, 3);
        const QRect lit = test::Coloured(Picture(), middle, Colour(QPalette::Highlight));
        return lit.isEmpty() ? std::pair{-1, 0} : std::pair{lit.left() - cell.left(), lit.width()};
    }
    bool FrameAtLeftOfBox(int row, int column) const { // anything but the base colour, 4 px in
        const QRect cell = Cell(row, column), line(cell.left() + 4, cell.top(), 1, cell.height());
        int base = 0;
        test::Coloured(Picture(), line, Colour(QPalette::Base), &base);
        return base < cell.height();
    }
    QStringList Texts() const { // every cell, row by row
        QStringList texts;
        for (int i = 0; i < table->GetItemCount() * kTableColumns; ++i)
            texts << table->GetItemText(i / kTableColumns, i % kTableColumns);
        return texts;
    }

    QWidget window;
    CEditList* table = new CEditList(&window);
    QLineEdit* other = new QLineEdit(&window);
};

// Each step is a real event; the state after the last step is what the table must be in.
using State = std::tuple<int, int, bool, bool, bool>; // row, column, cell selected, active, editing
struct Transition {
    const char* name;
    std::vector<void (EditListTest::*)()> steps;
    State state;
};

class TransitionTest : public EditListTest, public ::testing::WithParamInterface<Transition> {};

TEST_P(TransitionTest, EndsInTheRightState) {
    for (auto step : GetParam().steps)
        (this->*step)();
    EXPECT_EQ(State(table->SelectedRow(), table->SelectedColumn(), table->IsCellSelected(),
                    table->IsActive(), table->IsEditing()),
              GetParam().state);
    EXPECT_EQ(table->Editor()->isVisible(), table->IsEditing());
}

using S = EditListTest;
// One transition a line: name, steps, then row, column, cell selected, active, editing.
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    States, TransitionTest,
    ::testing::Values(
        Transition{"IdleClickCellSelects", {&S::ClickA}, {1, 3, true, true, false}},
        Transition{"IdleClickEmptyStaysIdle", {&S::ClickBelowRows}, {-1, -1, false, true, false}},
        Transition{"SelectedClickOtherMoves", {&S::ClickA, &S::ClickB}, {4, 0, true, true, false}},
        Transition{"SelectedClickSameEdits", {&S::ClickA, &S::ClickA}, {1, 3, true, true, true}},
        Transition{"SelectedClickEmptyMarks", {&S::ClickA, &S::ClickBelowRows}, {1, 3, false, true, false}},
        Transition{"MarkedClickSameSelectsNoEdit", {&S::ClickA, &S::ClickBelowRows, &S::ClickA}, {1, 3, true, true, false}},
        Transition{"EnterInsideKeepsCell", {&S::ClickB, &S::ClickB, &S::Enter}, {4, 0, true, true, false}},
        Transition{"EscapeInsideKeepsCell", {&S::ClickB, &S::ClickB, &S::Escape}, {4, 0, true, true, false}},
        Transition{"EnterOutsideGoesIdle", {&S::ClickB, &S::ClickB, &S::PointerOut, &S::Enter}, {-1, -1, false, false, false}},
        Transition{"FocusLossOutsideGoesIdle", {&S::ClickA, &S::PointerOut, &S::FocusOther}, {-1, -1, false, false, false}},
        Transition{"FocusLossInsideKeepsCell", {&S::ClickA, &S::FocusOther}, {1, 3, true, true, false}},
        Transition{"EditorFocusLossInsideKeepsCell", {&S::ClickA, &S::ClickA, &S::FocusOther}, {1, 3, true, true, false}},
        Transition{"MarkedFocusLossOutsideGoesIdle", {&S::ClickA, &S::ClickBelowRows, &S::PointerOut, &S::FocusOther}, {-1, -1, false, false, false}}),
    // clang-format on
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditListTest, SecondClickEditsThatCellEnterOrFocusLossStoresOnlyItEscapeDoesNot) {
    QStringList texts = Texts();
    Edit(3, 2);
    ASSERT_TRUE(table->IsEditing());
    EXPECT_EQ(table->Editor()->geometry(), Cell(3, 2).adjusted(4, 0, 0, 0)) << "not column 0";
    EXPECT_EQ(table->Editor()->text(), "-10.00dBm");
    table->Editor()->selectAll();
    Type(" -9,5 dBm typed ", Qt::Key_Return);
    texts[3 * kTableColumns + 2] = " -9,5 dBm typed ";
    EXPECT_EQ(Texts(), texts) << "that cell only, as typed";
    Edit(1, 0);
    ASSERT_TRUE(table->IsEditing()) << "column 0 too";
    Type("xyz", Qt::Key_Escape);
    EXPECT_EQ(table->GetItemText(1, 0), "2");
    Edit(0, 6);
    QTest::keyClicks(table->Editor(), "patch cord 3");
    PointerOut();
    FocusOther();
    EXPECT_EQ(table->GetItemText(0, 6), "patch cord 3") << "focus leaving the editor stores";
}

// Typing stops at 1,000 characters; a longer text set by the program (an archived upload's) is
// edited whole, never cut.
TEST_F(EditListTest, TypingStopsAtTheBoundAndALongerStoredTextIsKept) {
    const std::tuple<QString, QString, qsizetype> cases[] = {
        // stored, typed, length kept
        {"", QString(1005, QChar('x')), 1000},
        {QString(998, QChar('n')), "abc", 1000},
        {QString(1500, QChar('n')), "", 1500},
    };
    for (const auto& [stored, typed, length] : cases) {
        table->SetItemText(0, 6, stored);
        Edit(0, 6);
        ASSERT_TRUE(table->IsEditing());
        QTest::keyClick(table->Editor(), Qt::Key_End);
        Type(typed, Qt::Key_Return);
        EXPECT_EQ(table->GetItemText(0, 6).size(), length);
        EXPECT_TRUE(table->GetItemText(0, 6).startsWith(stored));
        ClickBelowRows();
    }
}

// A click selects the row too (what DELETE SELECT reads), but only the cell's box is lit; a
// click below the rows leaves only the focus frame (selecting it again without editing is the
// transition table's MarkedClickSameSelectsNoEdit).
TEST_F(EditListTest, MarkerBoxIs47PxForAnEmptyCellFilledAloneCutAtTheCellEdgeThenOnlyAFrame) {
    Click(4, 6);
    EXPECT_EQ(table->GetFirstSelectedRow(), 4);
    EXPECT_EQ(HighlightSpan(4, 6), std::pair(4, 47));
    Click(4, 2);
    EXPECT_EQ(HighlightSpan(4, 2),
              std::pair(4, table->fontMetrics().horizontalAdvance("-10.00dBm") + 6));
    int highlighted = 0;
    const QRect lit = test::Coloured(Picture(), table->viewport()->rect(),
                                     Colour(QPalette::Highlight), &highlighted);
    EXPECT_TRUE(Cell(4, 2).contains(lit)) << "no row highlight outside the cell";
    EXPECT_GT(highlighted, lit.width() * lit.height() / 2) << "a filled box, not a frame";
    table->setColumnWidth(2, 40);
    EXPECT_EQ(HighlightSpan(4, 2, 20), std::pair(4, Cell(4, 2).width() - 4));
    Click(4, 6);
    ClickBelowRows();
    EXPECT_EQ(HighlightSpan(4, 6).second, 0);
    EXPECT_TRUE(FrameAtLeftOfBox(4, 6));
    EXPECT_FALSE(FrameAtLeftOfBox(3, 6));
}

TEST_F(EditListTest, LongTextEndsInAnEllipsis) {
    const QString shown =
        CellDelegate::ShownText(Cell(0, 1), table->fontMetrics(), QString(200, 'W'));
    EXPECT_TRUE(shown.endsWith(QChar(0x2026)));
    EXPECT_LE(table->fontMetrics().horizontalAdvance(shown), Cell(0, 1).width() - 6);
    EXPECT_EQ(CellDelegate::ShownText(Cell(0, 1), table->fontMetrics(), "1310"), "1310");
}

TEST_F(EditListTest, CaptionSwitchKeepsRowsAndSelectionAndResetsWidths) {
    Click(2, 6);
    table->setColumnWidth(6, 300);
    table->RebuildColumns(CEditList::ColumnCaptions(Language::Chinese));
    EXPECT_EQ(table->GetFirstSelectedRow(), 2);
    EXPECT_EQ(table->GetItemText(2, 2), "-10.00dBm");
    QList<int> widths;
    for (int c = 0; c < kTableColumns; ++c)
        widths << table->columnWidth(c);
    EXPECT_EQ(widths, QList<int>({60, 80, 100, 100, 100, 150, 150}));
    // Emptied and rebuilt again: the selected cell's indexes outlive the rows.
    table->DeleteAllItems();
    table->RebuildColumns(CEditList::ColumnCaptions(Language::English));
    EXPECT_EQ(std::tuple(table->SelectedRow(), table->SelectedColumn(), table->IsCellSelected(),
                         table->GetItemCount()),
              std::tuple(2, 6, true, 0));
    Picture(); // an empty table under a selection left over paints nothing
}

TEST_F(EditListTest, RowsResetOrShiftedUnderTheEditorDropTheEdit) {
    Edit(3, 6);
    QTest::keyClicks(table->Editor(), "typed");
    table->InsertItem(99, "6"); // appended after: the edit goes on
    EXPECT_TRUE(table->IsEditing());
    table->InsertItem(0, "0"); // the edited record moves down
    EXPECT_FALSE(table->IsEditing() || table->Editor()->isVisible());
    EXPECT_EQ(table->GetItemText(3, 6) + table->GetItemText(4, 6), "") << "nothing stored";
}

} // namespace
} // namespace vemla
