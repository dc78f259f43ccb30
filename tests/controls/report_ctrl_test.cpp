#include "controls/report_ctrl.h"

#include "controls/report_images.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace
{

using platform::CMessageReceiver;
using platform::LRESULT;
using platform::WindowMsg;

// What the file list keeps per row, as far as these tests need it.
struct Entry
{
    double sizeMB = 0;
    unsigned sampleRate = 0;
    bool invalid = false;
};

const char* const kTitles[] = {"Name",          "Path",     "Type",      "Size(MB)",
                               "Last Modified", "Duration", "Frequency", "Channel"};
const int kWidths[] = {150, 150, 65, 85, 120, 88, 96, 88};

// A shown control with the file list's eight columns, a receiver that records the
// notifications, and the owner's hooks for the value columns and invalid rows.
class ReportCtrlTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ctrl = std::make_unique<CReportCtrl>();
        ctrl->resize(900, 400);
        for (int c = 0; c < 8; ++c)
            ctrl->AddColumn(c, QString::fromUtf8(kTitles[c]), c < 2 ? FormatLeft : FormatRight,
                            kWidths[c]);
        ctrl->SetReportExStyle(ReportExDoubleBuffer | ReportExInfoTip | ReportExHeaderDragDrop);
        ctrl->SetValueColumn(3, [](const void* p)
                             { return p ? static_cast<const Entry*>(p)->sizeMB : std::nan(""); });
        ctrl->SetValueColumn(
            6, [](const void* p)
            { return p ? static_cast<double>(static_cast<const Entry*>(p)->sampleRate) : 0.0; });
        ctrl->SetInvalidRowHook([](const void* p)
                                { return p && static_cast<const Entry*>(p)->invalid; });
        ctrl->m_aSortInfo = {{0, 1}};
        receiver.SetHandler(WM_REPORT_SORTED,
                            [this](WindowMsg& msg) -> LRESULT
                            {
                                sorted.emplace_back(static_cast<int>(msg.wParam),
                                                    static_cast<int>(msg.lParam));
                                return 0;
                            });
        receiver.SetHandler(WM_REPORT_EDITED,
                            [this](WindowMsg& msg) -> LRESULT
                            {
                                const auto* cell = reinterpret_cast<const EditedCell*>(msg.wParam);
                                EXPECT_EQ(reinterpret_cast<CReportCtrl*>(msg.lParam), ctrl.get());
                                // The cell already shows the new text while the owner handles the
                                // message.
                                edited.push_back(
                                    {cell->nRow, cell->nColumn,
                                     ctrl->GetCellText(cell->nRow, cell->nColumn).toStdString(),
                                     ctrl->m_strEditOriginal.toStdString()});
                                return 0;
                            });
        ctrl->m_pNotifyWnd = &receiver;
        tester = std::make_unique<QAbstractItemModelTester>(
            ctrl->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        ctrl->show();
        ctrl->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(ctrl.get()));
    }

    void TearDown() override
    {
        tester.reset();
        ctrl.reset();
    }

    // Appends rows with the given names (column 0) and paths (column 1).
    void AddRows(const std::vector<std::pair<std::string, std::string>>& rows)
    {
        for (const auto& [name, path] : rows)
        {
            const int r = ctrl->InsertRow(ctrl->GetRowCount(), QString::fromStdString(name));
            ctrl->SetCellText(r, 1, QString::fromStdString(path));
        }
    }

    std::vector<std::string> Column(int c) const
    {
        std::vector<std::string> texts;
        for (int r = 0; r < ctrl->GetRowCount(); ++r)
            texts.push_back(ctrl->GetCellText(r, c).toStdString());
        return texts;
    }

    std::vector<std::string> SelectedNames() const
    {
        std::vector<std::string> names;
        for (int r = ctrl->FindRow(StateSelected, -1); r >= 0; r = ctrl->FindRow(StateSelected, r))
            names.push_back(ctrl->GetCellText(r, 0).toStdString());
        return names;
    }

    QHeaderView* Header() const { return ctrl->header(); }

    void ClickHeader(int column)
    {
        const int x = Header()->sectionViewportPosition(column) + Header()->sectionSize(column) / 2;
        QTest::mouseClick(Header()->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
    }

    QPoint CellCenter(int row, int column) const
    {
        return ctrl->visualRect(ctrl->model()->index(row, column)).center();
    }

    void ClickCell(int row, int column, Qt::KeyboardModifiers mods = {})
    {
        QTest::mouseClick(ctrl->viewport(), Qt::LeftButton, mods, CellCenter(row, column));
    }

    struct Edit
    {
        int row, column;
        std::string text, original;
    };

    std::unique_ptr<CReportCtrl> ctrl;
    std::unique_ptr<QAbstractItemModelTester> tester;
    CMessageReceiver receiver;
    std::vector<std::pair<int, int>> sorted;
    std::vector<Edit> edited;
};

// ---------------------------------------------------------------------------------------------
// Sorting

TEST_F(ReportCtrlTest, HeaderClicksSortByTheKeyListWithTiesInThePrimaryDirection)
{
    AddRows({{"d", "y"}, {"b", "x"}, {"c", "y"}, {"a", "x"}});
    ClickHeader(1);
    EXPECT_EQ(ctrl->m_aSortInfo, (std::vector<ColumnSortInfo>{{1, 1}, {0, 1}}));
    EXPECT_EQ(Column(0), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(Column(1), (std::vector<std::string>{"x", "x", "y", "y"}));

    ClickHeader(1);
    EXPECT_EQ(ctrl->m_aSortInfo, (std::vector<ColumnSortInfo>{{1, 0}, {0, 1}}));
    // Ties on the path fall back to the name, descending as well.
    EXPECT_EQ(Column(0), (std::vector<std::string>{"d", "c", "b", "a"}));

    ClickHeader(0);
    EXPECT_EQ(ctrl->m_aSortInfo, (std::vector<ColumnSortInfo>{{0, 1}, {1, 0}}));
    EXPECT_EQ(Column(0), (std::vector<std::string>{"a", "b", "c", "d"}));

    // Posted, so they arrive once the loop runs: column and direction of each sort.
    EXPECT_TRUE(sorted.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(sorted, (std::vector<std::pair<int, int>>{{1, 1}, {1, 0}, {0, 1}}));
    EXPECT_FALSE(g_bListBusy);
}

TEST_F(ReportCtrlTest, ValueColumnsCompareByTheOwnersNumbersOthersByBytes)
{
    Entry big{10.5, 44100}, small{9.75, 8000};
    AddRows({{"apple", "p"}, {"Banana", "p"}});
    ctrl->SetRowUserData(0, &big);
    ctrl->SetRowUserData(1, &small);
    ctrl->SetCellNumber(0, 3, big.sizeMB, 2);
    ctrl->SetCellNumber(1, 3, small.sizeMB, 2);
    ctrl->SetCellText(0, 6, QStringLiteral("44100"));
    ctrl->SetCellText(1, 6, QStringLiteral("8000"));
    ctrl->SetCellText(0, 5, QStringLiteral("10.50"));
    ctrl->SetCellText(1, 5, QStringLiteral("9.75"));

    ctrl->m_aSortInfo = {{3, 1}};
    ctrl->SortRows(0, 1, true);
    EXPECT_EQ(Column(3), (std::vector<std::string>{"9.75", "10.50"}));
    EXPECT_EQ(ctrl->GetRowUserData(0), &small); // the user data moved with its row

    ctrl->m_aSortInfo = {{6, 0}};
    ctrl->SortRows(0, 1, true);
    EXPECT_EQ(Column(6), (std::vector<std::string>{"44100", "8000"}));

    // Column 5 has no hook: by text, so "10.50" comes first.
    ctrl->m_aSortInfo = {{5, 1}};
    ctrl->SortRows(0, 1, true);
    EXPECT_EQ(Column(5), (std::vector<std::string>{"10.50", "9.75"}));

    ctrl->m_aSortInfo = {{0, 1}};
    ctrl->SortRows(0, 1, true);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"Banana", "apple"}));
    EXPECT_EQ(ctrl->CompareRows(0, 1, 0, 0), -1);
    EXPECT_EQ(ctrl->CompareRows(0, 7, 0, 0), 0); // out of range: no order
}

TEST_F(ReportCtrlTest, SelectionFocusAndImagesTravelWithSortedRows)
{
    AddRows({{"e", ""}, {"c", ""}, {"a", ""}, {"d", ""}, {"b", ""}});
    ctrl->SetSmallImageList(MakeSortArrowImages());
    ctrl->SetCellImage(1, 0, 2);                           // "c"
    ctrl->ApplyRowStates(0, StateSelected);                // "e"
    ctrl->ApplyRowStates(2, StateSelected | StateFocused); // "a"
    ctrl->ApplyRowStates(3, StateCheckOn);                 // "d"
    ctrl->SortRows(0, 4, false);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"a", "e"}));
    EXPECT_EQ(ctrl->FindRow(StateFocused, -1), 0);
    EXPECT_EQ(ctrl->GetCellImage(2, 0), 2);
    EXPECT_EQ(ctrl->QueryRowStates(3), StateUnselected | StateCheckOn | StateUnfocused);

    // A range sort leaves the rows outside it alone; one row or a bad range is refused.
    EXPECT_TRUE(ctrl->SortRowRange(1, 3, 0, false));
    EXPECT_EQ(Column(0), (std::vector<std::string>{"a", "d", "c", "b", "e"}));
    EXPECT_FALSE(ctrl->SortRowRange(2, 2, 0, true));
    EXPECT_FALSE(ctrl->SortRowRange(3, 1, 0, true));
    EXPECT_FALSE(ctrl->SortRowRange(0, 5, 0, true));
    EXPECT_EQ(Column(0), (std::vector<std::string>{"a", "d", "c", "b", "e"}));
}

TEST_F(ReportCtrlTest, ClickOnAnEmptyOrOneRowListChangesKeysAndStillNotifies)
{
    ClickHeader(2);
    EXPECT_EQ(ctrl->m_aSortInfo, (std::vector<ColumnSortInfo>{{2, 1}, {0, 1}}));
    AddRows({{"only", ""}});
    ClickHeader(2);
    EXPECT_EQ(ctrl->m_aSortInfo, (std::vector<ColumnSortInfo>{{2, 0}, {0, 1}}));
    QCoreApplication::processEvents();
    EXPECT_EQ(sorted, (std::vector<std::pair<int, int>>{{2, 1}, {2, 0}}));
    // The shading ran: the single row is even, column 2 tinted.
    EXPECT_EQ(ctrl->GetCellBackColor(0, 2), ReportRgb(241, 242, 247));
    EXPECT_EQ(ctrl->GetCellBackColor(0, 0), ReportRgb(255, 255, 255));

    // No keys: nothing sorted, nothing posted, the shading still runs.
    ctrl->m_aSortInfo.clear();
    ctrl->SortRows(0, 0, true);
    QCoreApplication::processEvents();
    EXPECT_EQ(sorted.size(), 2u);
    EXPECT_EQ(ctrl->GetCellBackColor(0, 2), ReportRgb(255, 255, 255));

    // A header that cannot be clicked sorts nothing.
    ctrl->m_aSortInfo = {{0, 1}};
    EXPECT_TRUE(ctrl->EnableHeaderClicks(false));
    ClickHeader(1);
    EXPECT_EQ(ctrl->m_aSortInfo, (std::vector<ColumnSortInfo>{{0, 1}}));
}

TEST_F(ReportCtrlTest, ShadingTintsTheSortColumnAndMarksInvalidRowsPink)
{
    Entry e0{1, 0, false}, e1{2, 0, false}, e2{3, 0, true};
    AddRows({{"a", ""}, {"b", ""}, {"c", ""}});
    ctrl->SetRowUserData(0, &e0);
    ctrl->SetRowUserData(1, &e1);
    ctrl->SetRowUserData(2, &e2);
    ctrl->SetCellTextColor(2, 2, ReportRgb(255, 0, 0));
    ctrl->m_aSortInfo = {{3, 1}};
    ctrl->SortRows(0, 2, true);
    EXPECT_EQ(ctrl->GetCellBackColor(0, 3), ReportRgb(241, 242, 247));
    EXPECT_EQ(ctrl->GetCellBackColor(1, 3), ReportRgb(227, 230, 242));
    EXPECT_EQ(ctrl->GetCellBackColor(1, 0), ReportRgb(244, 245, 252));
    for (int c = 0; c < 8; ++c)
        EXPECT_EQ(ctrl->GetCellBackColor(2, c), ReportRgb(255, 225, 241)) << c;
    // Text colours are the owner's: shading leaves them.
    EXPECT_EQ(ctrl->GetCellTextColor(2, 2), ReportRgb(255, 0, 0));
    EXPECT_EQ(ctrl->GetCellTextColor(2, 1), ReportDefaultColor);

    // The colours reach the view through the model's roles.
    const QModelIndex cell = ctrl->model()->index(1, 3);
    EXPECT_EQ(cell.data(Qt::BackgroundRole).value<QColor>(), QColor(227, 230, 242));
    EXPECT_EQ(ctrl->model()->index(2, 2).data(Qt::ForegroundRole).value<QColor>(),
              QColor(255, 0, 0));
    EXPECT_FALSE(ctrl->model()->index(2, 1).data(Qt::ForegroundRole).isValid());

    ctrl->ApplyRowShading(false);
    EXPECT_EQ(ctrl->GetCellBackColor(0, 3), ReportRgb(255, 255, 255));
}

// ---------------------------------------------------------------------------------------------
// Cells and row states

TEST_F(ReportCtrlTest, ColourSettersWidenTheirScopeForOutOfRangeIndexes)
{
    AddRows({{"a", ""}, {"b", ""}, {"c", ""}});
    const ReportColor red = ReportRgb(200, 0, 0);
    const auto count = [&]()
    {
        int n = 0;
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 8; ++c)
                n += ctrl->GetCellTextColor(r, c) == red ? 1 : 0;
        return n;
    };
    struct Case
    {
        int row, column, cells;
    } cases[] = {{1, 2, 1}, {1, 99, 8}, {-1, 2, 3}, {7, -5, 24}};
    for (const Case& c : cases)
    {
        ctrl->SetCellTextColor(-1, -1, ReportDefaultColor);
        ctrl->SetCellTextColor(c.row, c.column, red, true);
        EXPECT_EQ(count(), c.cells) << c.row << "," << c.column;
    }
}

TEST_F(ReportCtrlTest, CellsOutOfRangeAreRefused)
{
    AddRows({{"a", ""}});
    EXPECT_FALSE(ctrl->SetCellText(1, 0, QStringLiteral("x")));
    EXPECT_FALSE(ctrl->SetCellText(0, 8, QStringLiteral("x")));
    EXPECT_FALSE(ctrl->SetCellNumber(-1, 0, 1.0, 2));
    EXPECT_FALSE(ctrl->SetCellImage(0, -1, 0));
    EXPECT_EQ(ctrl->GetRowUserData(3), nullptr);
    EXPECT_EQ(ctrl->QueryRowStates(3), 0u);
    EXPECT_FALSE(ctrl->ApplyRowStates(3, StateSelected));
    EXPECT_FALSE(ctrl->ApplyRowStates(0, 0));
    EXPECT_EQ(ctrl->InsertRow(-1, QStringLiteral("x")), -1);
    EXPECT_EQ(ctrl->AddColumn(-1, QStringLiteral("x"), FormatLeft, 10), -1);
    EXPECT_TRUE(ctrl->SetCellNumber(0, 3, 2.0, -1));
    EXPECT_EQ(ctrl->GetCellText(0, 3), QStringLiteral("2"));
    EXPECT_TRUE(ctrl->SetCellNumber(0, 3, 3.14159, 2));
    EXPECT_EQ(ctrl->GetCellText(0, 3), QStringLiteral("3.14"));
    // A row index past the end appends.
    EXPECT_EQ(ctrl->InsertRow(50, QStringLiteral("z")), 1);
}

TEST_F(ReportCtrlTest, FindCountAndRemoveByFilter)
{
    AddRows({{"r0", ""}, {"r1", ""}, {"r2", ""}, {"r3", ""}, {"r4", ""}, {"r5", ""}});
    ctrl->ApplyRowStates(2, StateSelected);
    ctrl->ApplyRowStates(5, StateSelected);
    EXPECT_EQ(ctrl->FindRow(StateSelected, -1), 2);
    EXPECT_EQ(ctrl->FindRow(StateSelected, 2), 5);
    EXPECT_EQ(ctrl->FindRow(StateSelected, 5), -1);
    EXPECT_EQ(ctrl->FindRow(StateAll, -7), 0);
    EXPECT_EQ(ctrl->FindRow(0, -1), -1);
    EXPECT_EQ(ctrl->CountRows(StateAll), 6);
    EXPECT_EQ(ctrl->CountRows(StateSelected), 2);
    EXPECT_EQ(ctrl->CountRows(StateUnselected | StateCheckOff), 4);
    EXPECT_EQ(ctrl->CountRows(0), 0);

    ctrl->ApplyRowStates(5, StateUnselected);
    for (int r : {1, 2, 4})
        ctrl->ApplyRowStates(r, StateSelected);
    EXPECT_EQ(ctrl->RemoveRows(StateSelected), 3);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"r0", "r3", "r5"}));
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{}));
    EXPECT_EQ(ctrl->RemoveRows(0), 0);

    // Select all, then remove one row and select the next.
    EXPECT_EQ(ctrl->ApplyStatesToRows(StateAll, StateSelected), 3);
    EXPECT_EQ(ctrl->CountRows(StateSelected), 3);
    EXPECT_EQ(ctrl->ApplyStatesToRows(StateAll, 0), 0);
    EXPECT_EQ(ctrl->ApplyStatesToRows(StateSelected, StateUnselected | StateFocused), 3);
    EXPECT_EQ(ctrl->CountRows(StateSelected), 0);
    EXPECT_EQ(ctrl->FindRow(StateFocused, -1), 2); // the last row it applied to
    ctrl->RemoveRow(0, true);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"r3", "r5"}));
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"r3"}));

    EXPECT_EQ(ctrl->RemoveRows(StateAll), 2);
    EXPECT_EQ(ctrl->GetRowCount(), 0);
}

TEST_F(ReportCtrlTest, InsertRowTakesMaskedArgumentsAndNewColumnsGetDefaultColours)
{
    int owner = 0;
    const int r = ctrl->InsertRow(RowMaskText | RowMaskParam | RowMaskState | RowMaskImage, 0,
                                  QStringLiteral("x.wav"), ItemSelected | ItemFocused, ItemSelected,
                                  4, &owner);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(ctrl->GetRowUserData(0), &owner);
    EXPECT_EQ(ctrl->GetCellImage(0, 0), 4);
    EXPECT_EQ(ctrl->QueryRowStates(0), StateSelected | StateCheckOff | StateUnfocused);
    // Without the parameter bit the row carries no user data.
    ctrl->InsertRow(RowMaskText, 1, QStringLiteral("y"), 0, 0, 0, &owner);
    EXPECT_EQ(ctrl->GetRowUserData(1), nullptr);

    ctrl->SetCellBackColor(-1, -1, ReportRgb(1, 2, 3));
    EXPECT_EQ(ctrl->AddColumn(2, QStringLiteral("New"), FormatCenter, 40), 2);
    EXPECT_EQ(ctrl->GetColumnCount(), 9);
    EXPECT_EQ(ctrl->GetCellBackColor(0, 2), ReportDefaultColor);
    EXPECT_EQ(ctrl->GetCellBackColor(0, 3), ReportRgb(1, 2, 3));
    EXPECT_EQ(ctrl->GetCellText(0, 2), QString());
    EXPECT_TRUE(ctrl->IsColumnShown(2));
    EXPECT_EQ(ctrl->GetColumnState(2)->nSavedWidth, 40);
    EXPECT_TRUE(ctrl->DeleteColumn(2));
    EXPECT_EQ(ctrl->GetColumnCount(), 8);
    EXPECT_EQ(ctrl->GetColumnTitle(2), QStringLiteral("Type"));
    EXPECT_FALSE(ctrl->DeleteColumn(8));
}

TEST_F(ReportCtrlTest, KeysMoveAndExtendTheSelectionButSpaceDoesNothing)
{
    AddRows({{"a", ""}, {"b", ""}, {"c", ""}, {"d", ""}});
    ClickCell(0, 1);
    QTest::keyClick(ctrl.get(), Qt::Key_Down);
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"b"}));
    QTest::keyClick(ctrl.get(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(ctrl->FindRow(StateFocused, -1), 2);
    // Ctrl moves the focus mark alone; space would then select it in Qt's own lists.
    QTest::keyClick(ctrl.get(), Qt::Key_Down, Qt::ControlModifier);
    QTest::keyClick(ctrl.get(), Qt::Key_Space);
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"b", "c"}));
    QTest::keyClick(ctrl.get(), Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(ctrl->FindRow(StateFocused, -1), 3);
    QTest::keyClick(ctrl.get(), Qt::Key_Home);
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"a"}));
}

TEST_F(ReportCtrlTest, RowsAppendedWithRedrawOffReachTheViewInOneBatch)
{
    int inserted = 0;
    QObject::connect(ctrl->model(), &QAbstractItemModel::rowsInserted, ctrl.get(),
                     [&] { ++inserted; });
    ctrl->SetRedraw(false);
    AddRows({{"a", ""}, {"b", ""}, {"c", ""}});
    EXPECT_EQ(ctrl->CountRows(StateAll), 3);
    EXPECT_EQ(ctrl->GetCellText(2, 0), QStringLiteral("c"));
    EXPECT_EQ(ctrl->model()->rowCount(), 0);
    // Anything that needs the rows in the view brings them in first.
    EXPECT_TRUE(ctrl->ApplyRowStates(1, StateSelected));
    EXPECT_EQ(ctrl->model()->rowCount(), 3);
    AddRows({{"d", ""}});
    ctrl->SetRedraw(true);
    EXPECT_EQ(ctrl->model()->rowCount(), 4);
    EXPECT_EQ(inserted, 2);
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"b"}));
    // With redrawing on, each row is announced as it comes.
    AddRows({{"e", ""}});
    EXPECT_EQ(ctrl->model()->rowCount(), 5);
}

// ---------------------------------------------------------------------------------------------
// Columns

TEST_F(ReportCtrlTest, HidingAndShowingKeepsTheDisplayOrderRules)
{
    EXPECT_TRUE(ctrl->ShowColumn(4, false));
    EXPECT_EQ(ctrl->GetColumnOrder(), (std::vector<int>{4, 0, 1, 2, 3, 5, 6, 7}));
    EXPECT_EQ(ctrl->GetColumnWidth(4), 0);
    EXPECT_EQ(*ctrl->GetColumnState(4), (ColumnState{0, 120, 8}));
    EXPECT_TRUE(ctrl->ShowColumn(6, false));
    EXPECT_EQ(ctrl->GetColumnOrder(), (std::vector<int>{6, 4, 0, 1, 2, 3, 5, 7}));
    EXPECT_TRUE(ctrl->ShowColumn(4, true));
    EXPECT_EQ(ctrl->GetColumnOrder(), (std::vector<int>{6, 0, 1, 2, 3, 5, 7, 4}));
    EXPECT_EQ(ctrl->GetColumnWidth(4), 120);
    EXPECT_TRUE(ctrl->IsColumnShown(4));
    EXPECT_FALSE(ctrl->IsColumnShown(6));

    // Hiding twice keeps the width it had when first hidden.
    EXPECT_TRUE(ctrl->ShowColumn(6, false));
    EXPECT_TRUE(ctrl->ShowColumn(6, true));
    EXPECT_EQ(ctrl->GetColumnWidth(6), 96);

    EXPECT_FALSE(ctrl->ShowColumn(8, false));
    EXPECT_FALSE(ctrl->IsColumnShown(-1));
    EXPECT_FALSE(ctrl->GetColumnState(8).has_value());
}

TEST_F(ReportCtrlTest, HiddenColumnsRefuseWidthsAndFittingSkipsThem)
{
    AddRows({{"a rather long file name for fitting.wav", "/music"}});
    ctrl->ShowColumn(5, false);
    EXPECT_FALSE(ctrl->SetColumnWidth(5, 200));
    EXPECT_EQ(ctrl->GetColumnWidth(5), 0);
    EXPECT_TRUE(ctrl->SetColumnWidth(2, 33));
    EXPECT_EQ(ctrl->GetColumnWidth(2), 33);

    ctrl->setFocus();
    QTest::keyClick(ctrl.get(), Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_EQ(ctrl->GetColumnWidth(5), 0);
    const int nameWidth = ctrl->GetColumnWidth(0);
    EXPECT_GT(nameWidth,
              QFontMetrics(ctrl->font())
                  .horizontalAdvance(QStringLiteral("a rather long file name for fitting.wav")));
    EXPECT_NE(nameWidth, 150);
    // Fitting with the title keeps room for it even over short content.
    EXPECT_TRUE(ctrl->FitColumn(4, true));
    EXPECT_GE(
        ctrl->GetColumnWidth(4),
        QFontMetrics(ctrl->header()->font()).horizontalAdvance(QStringLiteral("Last Modified")));
    EXPECT_FALSE(ctrl->FitColumn(9, false));
}

TEST_F(ReportCtrlTest, DividerDragsOfHiddenColumnsAreRefusedAndDropsLandAfterThem)
{
    ctrl->ShowColumn(4, false);
    ctrl->ShowColumn(6, false);
    const int nameWidth = ctrl->GetColumnWidth(0);
    // At the left edge the divider belongs to a hidden column: pressing there drags nothing.
    QWidget* header = Header()->viewport();
    QTest::mousePress(header, Qt::LeftButton, {}, QPoint(1, 5));
    QTest::mouseMove(header, QPoint(60, 5));
    QTest::mouseRelease(header, Qt::LeftButton, {}, QPoint(60, 5));
    EXPECT_EQ(ctrl->GetColumnWidth(4), 0);
    EXPECT_EQ(ctrl->GetColumnWidth(6), 0);
    EXPECT_EQ(ctrl->GetColumnWidth(0), nameWidth);

    // A shown column's divider still drags.
    const int edge = Header()->sectionViewportPosition(0) + nameWidth - 1;
    QTest::mousePress(header, Qt::LeftButton, {}, QPoint(edge, 5));
    QTest::mouseMove(header, QPoint(edge + 40, 5));
    QTest::mouseRelease(header, Qt::LeftButton, {}, QPoint(edge + 40, 5));
    EXPECT_EQ(ctrl->GetColumnWidth(0), nameWidth + 40);

    // The user drops column 7 at display position 0: it lands right of the hidden two.
    Header()->moveSection(Header()->visualIndex(7), 0);
    EXPECT_EQ(ctrl->GetColumnOrder(), (std::vector<int>{6, 4, 7, 0, 1, 2, 3, 5}));

    // A divider double-click fits the column to its content.
    AddRows({{"x", ""}});
    const int typeEdge = Header()->sectionViewportPosition(2) + ctrl->GetColumnWidth(2) - 1;
    QTest::mouseDClick(header, Qt::LeftButton, {}, QPoint(typeEdge, 5));
    EXPECT_LT(ctrl->GetColumnWidth(2), 65);
}

TEST_F(ReportCtrlTest, HeaderMenuListsTheColumnsAndTogglesThem)
{
    QMenu menu;
    ctrl->ShowColumn(4, false);
    ctrl->BuildHeaderMenu(menu);
    std::vector<std::string> items;
    for (QAction* a : menu.actions())
        items.push_back(a->isSeparator() ? "-" : a->text().toStdString());
    EXPECT_EQ(items,
              (std::vector<std::string>{"Name", "Path", "Type", "-", "Size(MB)", "Last Modified",
                                        "Duration", "Frequency", "Channel"}));
    const QList<QAction*> actions = menu.actions();
    EXPECT_FALSE(actions[0]->isEnabled());
    EXPECT_FALSE(actions[1]->isEnabled());
    EXPECT_TRUE(actions[2]->isEnabled());
    EXPECT_TRUE(actions[2]->isChecked());
    EXPECT_FALSE(actions[5]->isChecked()); // "Last Modified" is hidden

    // A right click on the header opens the menu; unticking "Duration" hides it.
    const QPoint inHeader = Header()->viewport()->mapToGlobal(QPoint(20, 5));
    QContextMenuEvent onHeader(QContextMenuEvent::Mouse, QPoint(20, 5), inHeader);
    QApplication::sendEvent(Header()->viewport(), &onHeader);
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(popup, nullptr);
    QAction* duration = nullptr;
    for (QAction* a : popup->actions())
        if (a->text() == QStringLiteral("Duration"))
            duration = a;
    ASSERT_NE(duration, nullptr);
    duration->trigger();
    popup->close();
    EXPECT_FALSE(ctrl->IsColumnShown(5));
    EXPECT_EQ(ctrl->GetColumnOrder().front(), 5);

    // Neither a right click on the rows nor a keyboard request opens it.
    AddRows({{"a", ""}});
    const QPoint onRow = CellCenter(0, 0);
    QContextMenuEvent rowClick(QContextMenuEvent::Mouse, onRow,
                               ctrl->viewport()->mapToGlobal(onRow));
    QApplication::sendEvent(ctrl->viewport(), &rowClick);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    QContextMenuEvent keyboard(QContextMenuEvent::Keyboard, QPoint(20, 5), inHeader);
    QApplication::sendEvent(Header()->viewport(), &keyboard);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST(ReportCtrlCreate, CreateReportTakesTheParentsAreaAndItsStyle)
{
    QWidget parent;
    parent.resize(500, 300);
    CReportCtrl list;
    ASSERT_TRUE(list.CreateReport(&parent, 1003, nullptr,
                                  ReportStyleSmallIcon | ReportStyleNoColumnHeader |
                                      ReportStyleSingleSel | WindowStyleVisible));
    EXPECT_EQ(list.parentWidget(), &parent);
    EXPECT_EQ(list.geometry(), QRect(0, 0, 500, 300));
    EXPECT_EQ(list.GetCtrlId(), 1003);
    EXPECT_EQ(list.GetReportStyle() & ReportStyleSmallIcon, 0u);
    EXPECT_TRUE(list.isHeaderHidden());
    EXPECT_EQ(list.selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_FALSE(list.EnableHeaderClicks(true)); // no header to click
    EXPECT_EQ(list.SetReportExStyle(ReportExGridLines), ReportExAlways);
    EXPECT_EQ(list.GetReportExStyle(), ReportExGridLines | ReportExAlways);
    list.setParent(nullptr); // the list is not the parent's to delete here

    const QRect rect(10, 20, 200, 100);
    CReportCtrl framed;
    ASSERT_TRUE(framed.CreateReport(&parent, 1004, &rect, 0));
    EXPECT_EQ(framed.geometry(), rect);
    EXPECT_FALSE(framed.isHeaderHidden());
    EXPECT_TRUE(framed.EnableHeaderClicks(true));
    framed.setParent(nullptr);
}

TEST_F(ReportCtrlTest, TheSortArrowStandsRightOfTheTitle)
{
    ctrl->SetHeaderImageList(MakeSortArrowImages());
    AddRows({{"b", ""}, {"a", ""}});
    // The owner's answer to WM_REPORT_SORTED: the arrow on the sorted column.
    receiver.SetHandler(WM_REPORT_SORTED,
                        [this](WindowMsg& msg) -> LRESULT
                        {
                            for (int c = 0; c < 8; ++c)
                                ctrl->SetColumnImage(
                                    c, c == static_cast<int>(msg.wParam) ? (msg.lParam ? 1 : 2) : 0,
                                    false);
                            return 0;
                        });
    ClickHeader(3);
    QCoreApplication::processEvents();
    EXPECT_EQ(ctrl->GetColumnImage(3), 1);
    EXPECT_EQ(ctrl->GetColumnImage(0), 0);
    EXPECT_EQ(ctrl->GetColumnImage(8), -1);

    const QImage header = Header()->grab().toImage();
    const auto arrowColumns = [&](int column)
    {
        std::vector<int> xs;
        const int left = Header()->sectionViewportPosition(column);
        for (int x = left; x < left + Header()->sectionSize(column); ++x)
            for (int y = 0; y < header.height(); ++y)
                if (header.pixelColor(x, y) == QColor(96, 104, 120))
                {
                    xs.push_back(x - left);
                    break;
                }
        return xs;
    };
    const std::vector<int> arrow = arrowColumns(3);
    ASSERT_FALSE(arrow.empty());
    // Right-aligned column: the title first, then the arrow at the right end.
    EXPECT_GT(arrow.front(), Header()->sectionSize(3) / 2);
    EXPECT_TRUE(arrowColumns(0).empty()) << "the empty image draws nothing";
}

// ---------------------------------------------------------------------------------------------
// In-place editing

TEST_F(ReportCtrlTest, SecondClickEditsTheNameWithTheStemSelectedAndEnterCommits)
{
    AddRows({{"first.take.wav", "/a"}, {"second.wav", "/b"}});
    ctrl->EnableCellEditing(true);
    ctrl->AddEditableColumn(0);

    ClickCell(0, 0);
    EXPECT_FALSE(ctrl->IsCellEditing()) << "the first click only selects";
    ClickCell(0, 1);
    EXPECT_FALSE(ctrl->IsCellEditing()) << "the path column is not editable";
    ClickCell(0, 0);
    ASSERT_TRUE(ctrl->IsCellEditing());
    QLineEdit* edit = ctrl->GetCellEdit();
    EXPECT_TRUE(edit->isVisible());
    EXPECT_EQ(edit->selectedText(), QStringLiteral("first.take"));
    EXPECT_EQ(ctrl->m_strEditOriginal, QStringLiteral("first.take.wav"));

    QTest::keyClicks(edit, QStringLiteral("renamed"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_FALSE(ctrl->IsCellEditing());
    EXPECT_FALSE(edit->isVisible());
    EXPECT_EQ(ctrl->GetCellText(0, 0), QStringLiteral("renamed.wav"));
    ASSERT_EQ(edited.size(), 1u);
    EXPECT_EQ(edited[0].row, 0);
    EXPECT_EQ(edited[0].column, 0);
    EXPECT_EQ(edited[0].text, "renamed.wav");
    EXPECT_EQ(edited[0].original, "first.take.wav");
}

TEST_F(ReportCtrlTest, EscapeAndUnchangedCommitsSendNothing)
{
    AddRows({{"noext", ""}});
    ctrl->EnableCellEditing(true);
    ctrl->AddEditableColumn(0);
    ASSERT_TRUE(ctrl->BeginCellEdit(0, 0));
    QLineEdit* edit = ctrl->GetCellEdit();
    EXPECT_EQ(edit->selectedText(), QStringLiteral("noext"));
    QTest::keyClicks(edit, QStringLiteral("other"));
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(ctrl->GetCellText(0, 0), QStringLiteral("noext"));

    ASSERT_TRUE(ctrl->BeginCellEdit(0, 0));
    EXPECT_FALSE(ctrl->FinishCellEdit(true));
    EXPECT_FALSE(ctrl->FinishCellEdit(true)); // nothing open any more
    EXPECT_TRUE(edited.empty());

    EXPECT_FALSE(ctrl->BeginCellEdit(1, 0));
    EXPECT_FALSE(ctrl->BeginCellEdit(0, 8));
    EXPECT_FALSE(ctrl->AddEditableColumn(0)); // already listed
    EXPECT_FALSE(ctrl->AddEditableColumn(8));
}

TEST_F(ReportCtrlTest, EditKeysWrapRowsAndTabStaysInTheOnlyEditableColumn)
{
    AddRows({{"a", ""}, {"b", ""}, {"c", ""}});
    ctrl->EnableCellEditing(true);
    ctrl->AddEditableColumn(0);
    ASSERT_TRUE(ctrl->BeginCellEdit(0, 0));
    QTest::keyClick(ctrl->GetCellEdit(), Qt::Key_Up);
    EXPECT_EQ(ctrl->GetEditRow(), 2);
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"c"}));
    QTest::keyClick(ctrl->GetCellEdit(), Qt::Key_Down);
    EXPECT_EQ(ctrl->GetEditRow(), 0);
    QTest::keyClick(ctrl->GetCellEdit(), Qt::Key_Tab);
    EXPECT_EQ(ctrl->GetEditRow(), 0);
    EXPECT_EQ(ctrl->GetEditColumn(), 0);
    // Moving on commits the text typed so far.
    QTest::keyClicks(ctrl->GetCellEdit(), QStringLiteral("z"));
    QTest::keyClick(ctrl->GetCellEdit(), Qt::Key_Down);
    EXPECT_EQ(ctrl->GetCellText(0, 0), QStringLiteral("z"));
    EXPECT_EQ(ctrl->GetEditRow(), 1);
    ASSERT_EQ(edited.size(), 1u);

    ctrl->AddEditableColumn(2);
    QTest::keyClick(ctrl->GetCellEdit(), Qt::Key_Tab);
    EXPECT_EQ(ctrl->GetEditColumn(), 2);
    QTest::keyClick(ctrl->GetCellEdit(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(ctrl->GetEditColumn(), 0);
}

TEST_F(ReportCtrlTest, EditClosesOnScrollAndClicksButNotOnFocusLoss)
{
    std::vector<std::pair<std::string, std::string>> rows;
    for (int i = 0; i < 60; ++i)
        rows.push_back({"row" + std::to_string(i), ""});
    AddRows(rows);
    ctrl->EnableCellEditing(true);
    ctrl->AddEditableColumn(0);

    // Focus moving away leaves the edit open.
    QLineEdit other;
    other.show();
    ASSERT_TRUE(ctrl->BeginCellEdit(1, 0));
    other.setFocus();
    EXPECT_TRUE(ctrl->IsCellEditing());

    // The mouse wheel discards.
    QTest::keyClicks(ctrl->GetCellEdit(), QStringLiteral("lost"));
    QWheelEvent wheel(QPointF(50, 50), ctrl->viewport()->mapToGlobal(QPointF(50, 50)), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(ctrl->viewport(), &wheel);
    EXPECT_FALSE(ctrl->IsCellEditing());
    EXPECT_EQ(ctrl->GetCellText(1, 0), QStringLiteral("row1"));

    // So does the scroll bar.
    ctrl->verticalScrollBar()->setValue(0);
    ASSERT_TRUE(ctrl->BeginCellEdit(1, 0));
    ctrl->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_FALSE(ctrl->IsCellEditing());

    // A click elsewhere commits, and does not open a new edit at once.
    ctrl->verticalScrollBar()->setValue(0);
    ASSERT_TRUE(ctrl->BeginCellEdit(1, 0));
    ctrl->GetCellEdit()->setText(QStringLiteral("kept"));
    ClickCell(3, 0);
    EXPECT_EQ(ctrl->GetCellText(1, 0), QStringLiteral("kept"));
    EXPECT_FALSE(ctrl->IsCellEditing());
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"row3"}));

    // Removing the edited row discards its edit; cell editing off commits.
    ASSERT_TRUE(ctrl->BeginCellEdit(2, 0));
    ctrl->GetCellEdit()->setText(QStringLiteral("gone"));
    ctrl->RemoveRow(2, false);
    EXPECT_FALSE(ctrl->IsCellEditing());
    EXPECT_EQ(ctrl->GetCellText(2, 0), QStringLiteral("row3"));
    ASSERT_TRUE(ctrl->BeginCellEdit(2, 0));
    ctrl->GetCellEdit()->setText(QStringLiteral("done"));
    ctrl->EnableCellEditing(false);
    EXPECT_EQ(ctrl->GetCellText(2, 0), QStringLiteral("done"));
    EXPECT_EQ(edited.size(), 2u);
}

TEST_F(ReportCtrlTest, EditingOffOrAClickOnAnUnfocusedRowOpensNoEdit)
{
    AddRows({{"a", ""}, {"b", ""}});
    ctrl->AddEditableColumn(0);
    ClickCell(0, 0);
    ClickCell(0, 0);
    EXPECT_FALSE(ctrl->IsCellEditing()) << "cell editing is off";
    ctrl->EnableCellEditing(true);
    // Selected but not focused: the click only moves the focus.
    ctrl->ApplyRowStates(1, StateSelected);
    ctrl->ApplyRowStates(0, StateUnfocused);
    ClickCell(1, 0);
    EXPECT_FALSE(ctrl->IsCellEditing());
    ClickCell(1, 0);
    EXPECT_TRUE(ctrl->IsCellEditing());
}

// ---------------------------------------------------------------------------------------------
// Hints

int CountHintPixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == QColor(106, 106, 255))
                ++n;
    return n;
}

TEST_F(ReportCtrlTest, HintsRotateWithTheTickCountAndOnlyOnAnEmptyList)
{
    uint32_t ticks = 5999;
    ctrl->SetTickSource([&] { return ticks; });
    EXPECT_EQ(ctrl->CurrentHintIndex(), -1) << "hints are off until switched on";
    ctrl->ShowEmptyHints(true);
    EXPECT_EQ(ctrl->CurrentHintIndex(), 0);
    EXPECT_GT(CountHintPixels(ctrl->grab().toImage()), 20);
    ticks = 6000;
    EXPECT_EQ(ctrl->CurrentHintIndex(), 1);
    ticks = 24000;
    EXPECT_EQ(ctrl->CurrentHintIndex(), 0);

    AddRows({{"a", ""}});
    EXPECT_EQ(ctrl->CurrentHintIndex(), -1);
    EXPECT_EQ(CountHintPixels(ctrl->grab().toImage()), 0);
    ctrl->RemoveRows(StateAll);
    ctrl->ShowEmptyHints(false);
    EXPECT_EQ(CountHintPixels(ctrl->grab().toImage()), 0);
}

// ---------------------------------------------------------------------------------------------
// Worker threads

TEST_F(ReportCtrlTest, WorkerThreadCallsRunOnTheUiThreadWhileTheWorkerWaits)
{
    QThread* const uiThread = QThread::currentThread();
    std::atomic<int> offThreadChanges{0};
    QObject::connect(ctrl->model(), &QAbstractItemModel::dataChanged, ctrl.get(),
                     [&]
                     {
                         if (QThread::currentThread() != uiThread)
                             ++offThreadChanges;
                     });
    QObject::connect(ctrl->model(), &QAbstractItemModel::rowsInserted, ctrl.get(),
                     [&]
                     {
                         if (QThread::currentThread() != uiThread)
                             ++offThreadChanges;
                     });
    std::vector<Entry> entries(40);
    std::atomic<bool> done{false};
    int counted = -1;
    bool dataBack = true;
    std::thread loader(
        [&]
        {
            for (int i = 0; i < 40; ++i)
            {
                const int r =
                    ctrl->InsertRow(ctrl->CountRows(StateAll),
                                    QStringLiteral("file%1").arg(39 - i, 2, 10, QChar(u'0')));
                entries[static_cast<std::size_t>(i)].sizeMB = i;
                entries[static_cast<std::size_t>(i)].invalid = i % 10 == 0;
                ctrl->SetRowUserData(r, &entries[static_cast<std::size_t>(i)]);
                ctrl->SetCellNumber(r, 3, i, 2);
                ctrl->SetCellText(r, 1, QStringLiteral("/music"));
                ctrl->SetCellImage(r, 0, 1);
                if (i % 10 == 0)
                    ctrl->SetCellTextColor(r, 2, ReportRgb(255, 0, 0));
                dataBack =
                    dataBack && ctrl->GetRowUserData(r) == &entries[static_cast<std::size_t>(i)];
            }
            counted = ctrl->CountRows(StateAll);
            ctrl->SortRows(0, counted - 1, true);
            done = true;
        });
    const bool finished = platform::WaitServingMessages([&] { return done.load(); }, 30000);
    loader.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(offThreadChanges.load(), 0);
    EXPECT_TRUE(dataBack);
    EXPECT_EQ(counted, 40);
    EXPECT_EQ(ctrl->GetCellText(0, 0), QStringLiteral("file00"));
    EXPECT_EQ(ctrl->GetCellText(0, 3), QStringLiteral("39.00"));
    EXPECT_EQ(ctrl->GetCellTextColor(0, 2), ReportDefaultColor);
    EXPECT_EQ(ctrl->GetCellTextColor(9, 2), ReportRgb(255, 0, 0)); // entry 30
    EXPECT_EQ(ctrl->GetCellBackColor(9, 0), ReportRgb(255, 225, 241));
    EXPECT_EQ(ctrl->GetCellBackColor(1, 0), ReportRgb(227, 230, 242)); // the sort column
    EXPECT_EQ(ctrl->GetCellBackColor(1, 1), ReportRgb(244, 245, 252));
    QCoreApplication::processEvents();
    EXPECT_EQ(sorted, (std::vector<std::pair<int, int>>{{0, 1}}));
}

} // namespace

int main(int argc, char** argv)
{
    // Discovery runs the binary outside ctest's environment too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
