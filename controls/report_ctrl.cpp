#include "controls/report_ctrl.h"

#include "controls/report_header.h"
#include "platform/tick.h"

#include <QApplication>
#include <QItemSelection>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionViewItem>
#include <QThread>
#include <QToolTip>

#include <algorithm>
#include <climits>

int ApplyWindowTheme(QWidget* /*pWindow*/, const char* /*pszClassList*/,
                     const char* /*pszSubAppName*/, const char* /*pszSubIdList*/)
{
    return ThemeUnavailable;
}

namespace
{

int EditAlignOf(int format)
{
    switch (format)
    {
    case FormatCenter:
        return 1;
    case FormatRight:
        return 2;
    default:
        return 0;
    }
}

Qt::Alignment EditAlignment(int align)
{
    switch (align)
    {
    case 1:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case 2:
        return Qt::AlignRight | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Construction

CReportCtrl::CReportCtrl(QWidget* parent) : QTreeView(parent), m_fnTicks(&platform::GetTickCount32)
{
    m_pHeader = new CReportHeader(this);
    setHeader(m_pHeader);
    m_pModel = new CReportModel(this);
    setModel(m_pModel);

    // A flat list in report view: no tree decoration, whole rows selected, native keys.
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setTextElideMode(Qt::ElideRight);
    setIconSize(QSize(16, 16));
    setSortingEnabled(false);
    setDragEnabled(false);
    m_pHeader->setSectionsClickable(true);
    m_pHeader->setSectionsMovable(false);

    m_pHeader->m_fnBeginTrack = [this](int c) { return OnHeaderBeginTrack(c); };
    m_pHeader->m_fnTrack = [this](int c) { OnHeaderTrack(c); };
    m_pHeader->m_fnDividerDblClick = [this](int c) { OnHeaderDividerDblClick(c); };
    m_pHeader->m_fnContextMenu = [this](const QPoint& pos, bool keyboard)
    { OnContextMenu(pos, keyboard); };
    connect(m_pHeader, &QHeaderView::sectionClicked, this, &CReportCtrl::OnColumnClick);
    connect(m_pHeader, &QHeaderView::sectionMoved, this,
            [this](int logical, int from, int to)
            {
                if (!m_bReordering)
                    OnHeaderEndDrag(logical, from, to);
            });

    // Scrolling by the user (bars and wheel) drops an open edit.
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this](int) { FinishCellEdit(false); });
    connect(horizontalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this](int)
            {
                FinishCellEdit(false);
                RepaintForHints(true);
            });

    // The selection runs are cached between changes: FindRow in a loop stays linear.
    const auto invalidate = [this]() { m_bRunsValid = false; };
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, invalidate);
    connect(m_pModel, &QAbstractItemModel::rowsInserted, this, invalidate);
    connect(m_pModel, &QAbstractItemModel::rowsRemoved, this, invalidate);
    connect(m_pModel, &QAbstractItemModel::layoutChanged, this, invalidate);
    connect(m_pModel, &QAbstractItemModel::modelReset, this, invalidate);
}

CReportCtrl::~CReportCtrl() = default;

void CReportCtrl::DeferPaint()
{
    if (m_pPaintTimer == nullptr)
    {
        m_pPaintTimer = new QTimer(this);
        m_pPaintTimer->setSingleShot(true);
        connect(m_pPaintTimer, &QTimer::timeout, this,
                [this]()
                {
                    if (!m_bRedrawOff)
                        ResumeRedraw();
                });
    }
    if (m_pPaintTimer->isActive())
        return;
    m_pModel->SetDeferAppends(true);
    viewport()->setUpdatesEnabled(false);
    m_pPaintTimer->start(PaintDeferMs);
}

void CReportCtrl::ResumeRedraw()
{
    m_pModel->SetDeferAppends(false);
    viewport()->setUpdatesEnabled(true); // repaints as well
}

void CReportCtrl::SetRedraw(bool bRedraw)
{
    m_bRedrawOff = !bRedraw;
    if (!bRedraw)
    {
        m_pModel->SetDeferAppends(true);
        viewport()->setUpdatesEnabled(false);
    }
    else if (m_pPaintTimer == nullptr || !m_pPaintTimer->isActive())
    {
        ResumeRedraw();
    }
}

bool CReportCtrl::IsUiThread() const
{
    return QThread::currentThread() == thread();
}

bool CReportCtrl::CreateReport(QWidget* pParent, int nId, const QRect* pRect, uint32_t dwStyle)
{
    m_dwStyle = AdjustReportStyle(dwStyle);
    m_nCtrlId = nId;
    setParent(pParent);
    if (pRect != nullptr)
        setGeometry(*pRect);
    else if (pParent != nullptr)
        setGeometry(pParent->rect());
    setHeaderHidden((m_dwStyle & ReportStyleNoColumnHeader) != 0);
    m_pHeader->setSectionsClickable((m_dwStyle & ReportStyleNoSortHeader) == 0);
    setSelectionMode((m_dwStyle & ReportStyleSingleSel) != 0
                         ? QAbstractItemView::SingleSelection
                         : QAbstractItemView::ExtendedSelection);
    if ((m_dwStyle & WindowStyleVisible) != 0)
        show();
    return true;
}

uint32_t CReportCtrl::SetReportExStyle(uint32_t dwExStyle)
{
    const uint32_t previous = m_dwExStyle;
    m_dwExStyle = dwExStyle | ReportExAlways;
    m_pHeader->setSectionsMovable((m_dwExStyle & ReportExHeaderDragDrop) != 0);
    m_pModel->SetSubItemImages((m_dwExStyle & ReportExSubItemImages) != 0);
    viewport()->update();
    return previous;
}

// ---------------------------------------------------------------------------------------------
// Rows and cells

int CReportCtrl::InsertRow(unsigned nMask, int nRow, const QString& strText, unsigned nState,
                           unsigned nStateMask, int nImage, void* pUserData)
{
    if (!IsUiThread())
        return CallSent(
            [&]()
            { return InsertRow(nMask, nRow, strText, nState, nStateMask, nImage, pUserData); });
    FinishCellEdit(true);
    if (nRow < 0)
        return -1;
    std::string text = (nMask & RowMaskText) != 0 ? strText.toStdString() : std::string();
    const int32_t image = (nMask & RowMaskImage) != 0 ? nImage : -1;
    void* user = (nMask & RowMaskParam) != 0 ? pUserData : nullptr;
    const int row = m_pModel->InsertRow(nRow, std::move(text), image, user);
    if ((nMask & RowMaskState) != 0)
    {
        const unsigned state = nState & nStateMask;
        unsigned flags = 0;
        if ((state & ItemSelected) != 0)
            flags |= StateSelected;
        if ((state & ItemFocused) != 0)
            flags |= StateFocused;
        if (flags != 0)
            ApplyRowStatesNow(row, flags);
    }
    return row;
}

int CReportCtrl::InsertRow(int nRow, const QString& strText, void* pUserData)
{
    return InsertRow(RowMaskText | RowMaskParam, nRow, strText, 0, 0, -1, pUserData);
}

void CReportCtrl::RemoveRow(int nRow, bool bSelectNext)
{
    if (!IsUiThread())
        return CallSent([&]() { RemoveRow(nRow, bSelectNext); });
    if (!m_pModel->IsRow(nRow))
        return;
    FinishCellEdit(nRow != m_nEditRow);
    if (bSelectNext && m_pModel->IsRow(nRow + 1))
        ApplyRowStatesNow(nRow + 1, StateSelected);
    m_pModel->RemoveRowAt(nRow);
}

int CReportCtrl::RemoveRows(unsigned nFilter)
{
    if (!IsUiThread())
        return CallSent([&]() { return RemoveRows(nFilter); });
    FinishCellEdit(false);
    const bool updates = updatesEnabled();
    setUpdatesEnabled(false);
    int removed = 0;
    if ((nFilter & StateAll) != 0)
    {
        removed = m_pModel->RowCount();
        m_pModel->RemoveAllRows();
    }
    else if (nFilter != 0)
    {
        const int current = CurrentRow();
        std::vector<int> rows;
        for (int r = 0; r < m_pModel->RowCount(); ++r)
        {
            if (RowMatchesFilter(StatesOf(r, current), nFilter))
                rows.push_back(r);
        }
        m_pModel->RemoveRowList(rows);
        removed = static_cast<int>(rows.size());
    }
    setUpdatesEnabled(updates);
    return removed;
}

bool CReportCtrl::SetCellText(int nRow, int nColumn, const QString& strText)
{
    if (!IsUiThread())
        return CallSent([&]() { return SetCellText(nRow, nColumn, strText); });
    if (!m_pModel->IsRow(nRow) || !m_pModel->IsColumn(nColumn))
        return false;
    FinishCellEdit(true);
    // The edit's owner may have removed rows or columns.
    if (!m_pModel->IsRow(nRow) || !m_pModel->IsColumn(nColumn))
        return false;
    m_pModel->SetText(nRow, nColumn, strText.toStdString());
    return true;
}

QString CReportCtrl::GetCellText(int nRow, int nColumn) const
{
    if (!IsUiThread())
        return CallSent([&]() { return GetCellText(nRow, nColumn); });
    return QString::fromStdString(m_pModel->Text(nRow, nColumn));
}

bool CReportCtrl::SetCellNumber(int nRow, int nColumn, double dValue, int32_t nPrecision)
{
    return SetCellText(nRow, nColumn, QString::fromStdString(FormatCellNumber(dValue, nPrecision)));
}

bool CReportCtrl::SetCellImage(int nRow, int nColumn, int nImage)
{
    if (!IsUiThread())
        return CallSent([&]() { return SetCellImage(nRow, nColumn, nImage); });
    if (!m_pModel->IsRow(nRow) || !m_pModel->IsColumn(nColumn))
        return false;
    m_pModel->SetImage(nRow, nColumn, nImage);
    return true;
}

int CReportCtrl::GetCellImage(int nRow, int nColumn) const
{
    if (!IsUiThread())
        return CallSent([&]() { return GetCellImage(nRow, nColumn); });
    return m_pModel->Image(nRow, nColumn);
}

void* CReportCtrl::GetRowUserData(int nRow) const
{
    if (!IsUiThread())
        return CallSent([&]() { return GetRowUserData(nRow); });
    return m_pModel->IsRow(nRow) ? m_pModel->RowAt(nRow).data.pUserData : nullptr;
}

void CReportCtrl::SetRowUserData(int nRow, void* pUserData)
{
    if (!IsUiThread())
        return CallSent([&]() { SetRowUserData(nRow, pUserData); });
    if (m_pModel->IsRow(nRow))
        m_pModel->RowAt(nRow).data.pUserData = pUserData;
}

void CReportCtrl::SetColors(bool bText, int nRow, int nColumn, ReportColor color, bool bRedraw)
{
    const int rows = m_pModel->RowCount();
    const int columns = m_pModel->ColumnCount();
    if (rows == 0 || columns == 0)
        return;
    const bool oneRow = m_pModel->IsRow(nRow);
    const bool oneColumn = m_pModel->IsColumn(nColumn);
    const int firstRow = oneRow ? nRow : 0;
    const int lastRow = oneRow ? nRow : rows - 1;
    const int firstColumn = oneColumn ? nColumn : 0;
    const int lastColumn = oneColumn ? nColumn : columns - 1;
    if (bText)
        m_pModel->SetTextColors(firstRow, lastRow, firstColumn, lastColumn, color);
    else
        m_pModel->SetBackColors(firstRow, lastRow, firstColumn, lastColumn, color);
    if (bRedraw)
        viewport()->repaint();
}

void CReportCtrl::SetCellTextColor(int nRow, int nColumn, ReportColor color, bool bRedraw)
{
    if (!IsUiThread())
        return CallSent([&]() { SetCellTextColor(nRow, nColumn, color, bRedraw); });
    SetColors(true, nRow, nColumn, color, bRedraw);
}

void CReportCtrl::SetCellBackColor(int nRow, int nColumn, ReportColor color, bool bRedraw)
{
    if (!IsUiThread())
        return CallSent([&]() { SetCellBackColor(nRow, nColumn, color, bRedraw); });
    SetColors(false, nRow, nColumn, color, bRedraw);
}

ReportColor CReportCtrl::GetCellTextColor(int nRow, int nColumn) const
{
    if (!m_pModel->IsRow(nRow) || !m_pModel->IsColumn(nColumn))
        return ReportDefaultColor;
    return m_pModel->RowAt(nRow).data.aTextColors[static_cast<std::size_t>(nColumn)];
}

ReportColor CReportCtrl::GetCellBackColor(int nRow, int nColumn) const
{
    if (!m_pModel->IsRow(nRow) || !m_pModel->IsColumn(nColumn))
        return ReportDefaultColor;
    return m_pModel->RowAt(nRow).data.aBkColors[static_cast<std::size_t>(nColumn)];
}

int CReportCtrl::GetRowCount() const
{
    return m_pModel->RowCount();
}

// ---------------------------------------------------------------------------------------------
// Row states

const std::vector<std::pair<int, int>>& CReportCtrl::SelectedRuns() const
{
    if (!m_bRunsValid)
    {
        m_aSelectedRuns.clear();
        for (const QItemSelectionRange& range : selectionModel()->selection())
            m_aSelectedRuns.emplace_back(range.top(), range.bottom());
        std::sort(m_aSelectedRuns.begin(), m_aSelectedRuns.end());
        // Merge overlapping and touching runs.
        std::size_t out = 0;
        for (std::size_t i = 0; i < m_aSelectedRuns.size(); ++i)
        {
            if (out > 0 && m_aSelectedRuns[i].first <= m_aSelectedRuns[out - 1].second + 1)
                m_aSelectedRuns[out - 1].second =
                    std::max(m_aSelectedRuns[out - 1].second, m_aSelectedRuns[i].second);
            else
                m_aSelectedRuns[out++] = m_aSelectedRuns[i];
        }
        m_aSelectedRuns.resize(out);
        m_bRunsValid = true;
    }
    return m_aSelectedRuns;
}

bool CReportCtrl::IsRowSelected(int nRow) const
{
    const auto& runs = SelectedRuns();
    const auto it = std::upper_bound(runs.begin(), runs.end(), std::make_pair(nRow, INT_MAX));
    return it != runs.begin() && std::prev(it)->second >= nRow;
}

int CReportCtrl::CurrentRow() const
{
    const QModelIndex current = selectionModel()->currentIndex();
    return current.isValid() ? current.row() : -1;
}

unsigned CReportCtrl::StatesOf(int nRow, int nCurrent) const
{
    unsigned states = IsRowSelected(nRow) ? StateSelected : StateUnselected;
    states |= m_pModel->RowAt(nRow).bChecked ? StateCheckOn : StateCheckOff;
    states |= nRow == nCurrent ? StateFocused : StateUnfocused;
    return states;
}

unsigned CReportCtrl::QueryRowStates(int nRow) const
{
    if (!IsUiThread())
        return CallSent([&]() { return QueryRowStates(nRow); });
    if (!m_pModel->IsRow(nRow))
        return 0;
    return StatesOf(nRow, CurrentRow());
}

bool CReportCtrl::ApplyRowStatesNow(int nRow, unsigned nFlags)
{
    m_pModel->Flush();
    const QModelIndex cell = m_pModel->index(nRow, 0);
    if ((nFlags & StateSelected) != 0)
        selectionModel()->select(cell, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if ((nFlags & StateUnselected) != 0)
        selectionModel()->select(cell, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    if ((nFlags & StateCheckOn) != 0)
        m_pModel->RowAt(nRow).bChecked = true;
    if ((nFlags & StateCheckOff) != 0)
        m_pModel->RowAt(nRow).bChecked = false;
    if ((nFlags & StateFocused) != 0)
        selectionModel()->setCurrentIndex(cell, QItemSelectionModel::NoUpdate);
    if ((nFlags & StateUnfocused) != 0 && CurrentRow() == nRow)
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    return true;
}

bool CReportCtrl::ApplyRowStates(int nRow, unsigned nFlags)
{
    if (!IsUiThread())
        return CallSent([&]() { return ApplyRowStates(nRow, nFlags); });
    if (nFlags == 0 || !m_pModel->IsRow(nRow))
        return false;
    return ApplyRowStatesNow(nRow, nFlags);
}

int CReportCtrl::ApplyStatesToRows(unsigned nFilter, unsigned nFlags)
{
    if (!IsUiThread())
        return CallSent([&]() { return ApplyStatesToRows(nFilter, nFlags); });
    if (nFilter == 0 || nFlags == 0)
        return 0;
    m_pModel->Flush();
    // The selection changes as one block of runs: one signal instead of one per row, which
    // matters for "select all" over a long list.
    int current = CurrentRow();
    QItemSelection runs;
    int applied = 0;
    int runStart = -1;
    const int rows = m_pModel->RowCount();
    const unsigned selectFlags = nFlags & (StateSelected | StateUnselected);
    const auto closeRun = [&](int end)
    {
        if (runStart >= 0)
            runs.select(m_pModel->index(runStart, 0), m_pModel->index(end, 0));
        runStart = -1;
    };
    for (int r = 0; r < rows; ++r)
    {
        if (!RowMatchesFilter(StatesOf(r, current), nFilter))
        {
            closeRun(r - 1);
            continue;
        }
        ++applied;
        if (selectFlags != 0 && runStart < 0)
            runStart = r;
        CReportModel::Row& row = m_pModel->RowAt(r);
        if ((nFlags & StateCheckOn) != 0)
            row.bChecked = true;
        if ((nFlags & StateCheckOff) != 0)
            row.bChecked = false;
        if ((nFlags & StateFocused) != 0)
            current = r;
        if ((nFlags & StateUnfocused) != 0 && current == r)
            current = -1;
    }
    closeRun(rows - 1);
    const auto rowsFlag = QItemSelectionModel::Rows;
    if ((selectFlags & StateSelected) != 0)
        selectionModel()->select(runs, QItemSelectionModel::Select | rowsFlag);
    if ((selectFlags & StateUnselected) != 0)
        selectionModel()->select(runs, QItemSelectionModel::Deselect | rowsFlag);
    if ((nFlags & (StateFocused | StateUnfocused)) != 0 && current != CurrentRow())
        selectionModel()->setCurrentIndex(current >= 0 ? m_pModel->index(current, 0)
                                                       : QModelIndex(),
                                          QItemSelectionModel::NoUpdate);
    return applied;
}

int CReportCtrl::CountRows(unsigned nFilter) const
{
    if (!IsUiThread())
        return CallSent([&]() { return CountRows(nFilter); });
    if (nFilter == StateAll)
        return m_pModel->RowCount();
    const int current = CurrentRow();
    int count = 0;
    for (int r = 0; r < m_pModel->RowCount(); ++r)
    {
        if (RowMatchesFilter(StatesOf(r, current), nFilter))
            ++count;
    }
    return count;
}

int CReportCtrl::FindRow(unsigned nFilter, int nAfter) const
{
    if (!IsUiThread())
        return CallSent([&]() { return FindRow(nFilter, nAfter); });
    const int current = CurrentRow();
    for (int r = std::max(nAfter, -1) + 1; r < m_pModel->RowCount(); ++r)
    {
        if (RowMatchesFilter(StatesOf(r, current), nFilter))
            return r;
    }
    return -1;
}

// ---------------------------------------------------------------------------------------------
// Columns

int CReportCtrl::AddColumn(int nColumn, const QString& strTitle, int nFormat, int nWidth,
                           int /*nSubItem*/)
{
    FinishCellEdit(true);
    if (nColumn < 0)
        return -1;
    CReportModel::Column info;
    info.strTitle = strTitle;
    info.nFormat = nFormat;
    return OnInsertColumn(nColumn, info, nWidth, true);
}

int CReportCtrl::OnInsertColumn(int nColumn, const CReportModel::Column& info, int nWidth,
                                bool bHasWidth)
{
    const int at = m_pModel->InsertColumn(nColumn, info);
    const int width = std::max(nWidth, 0);
    if (bHasWidth)
        m_pHeader->resizeSection(at, width);
    m_pHeader->setSectionResizeMode(at, QHeaderView::Interactive);
    if (m_aColumnStates.size() < static_cast<std::size_t>(m_pModel->ColumnCount()))
    {
        m_aColumnStates.insert(m_aColumnStates.begin() + at,
                               ColumnState{1, bHasWidth ? width : 0, -1});
    }
    if (static_cast<std::size_t>(at) <= m_aValueHooks.size())
        m_aValueHooks.insert(m_aValueHooks.begin() + at, ValueHook());
    return at;
}

bool CReportCtrl::DeleteColumn(int nColumn)
{
    FinishCellEdit(true);
    if (!m_pModel->IsColumn(nColumn))
        return false;
    return OnDeleteColumn(nColumn);
}

bool CReportCtrl::OnDeleteColumn(int nColumn)
{
    m_pModel->RemoveColumn(nColumn);
    if (static_cast<std::size_t>(nColumn) < m_aColumnStates.size())
        m_aColumnStates.erase(m_aColumnStates.begin() + nColumn);
    if (static_cast<std::size_t>(nColumn) < m_aValueHooks.size())
        m_aValueHooks.erase(m_aValueHooks.begin() + nColumn);
    return true;
}

int CReportCtrl::GetColumnCount() const
{
    return m_pModel->ColumnCount();
}

QString CReportCtrl::GetColumnTitle(int nColumn) const
{
    return m_pModel->IsColumn(nColumn) ? m_pModel->ColumnAt(nColumn).strTitle : QString();
}

bool CReportCtrl::IsHiddenColumn(int nColumn) const
{
    return nColumn >= 0 && static_cast<std::size_t>(nColumn) < m_aColumnStates.size() &&
           m_aColumnStates[static_cast<std::size_t>(nColumn)].bVisible == 0;
}

std::vector<int> CReportCtrl::GetColumnOrder() const
{
    std::vector<int> order;
    for (int p = 0; p < m_pHeader->count(); ++p)
        order.push_back(m_pHeader->logicalIndex(p));
    return order;
}

bool CReportCtrl::SetColumnOrder(const std::vector<int>& order)
{
    if (static_cast<int>(order.size()) != m_pHeader->count())
        return false;
    std::vector<int> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < static_cast<int>(sorted.size()); ++i)
    {
        if (sorted[static_cast<std::size_t>(i)] != i)
            return false;
    }
    ApplyColumnOrder(order);
    return true;
}

void CReportCtrl::ApplyColumnOrder(const std::vector<int>& order)
{
    m_bReordering = true;
    for (int p = 0; p < static_cast<int>(order.size()); ++p)
    {
        const int from = m_pHeader->visualIndex(order[static_cast<std::size_t>(p)]);
        if (from != p)
            m_pHeader->moveSection(from, p);
    }
    m_bReordering = false;
}

bool CReportCtrl::ShowColumn(int nColumn, bool bShow)
{
    if (!m_pModel->IsColumn(nColumn) || static_cast<std::size_t>(nColumn) >= m_aColumnStates.size())
        return false;
    ColumnState& state = m_aColumnStates[static_cast<std::size_t>(nColumn)];
    // Hiding a hidden column again would save its width of 0 and lose the real one.
    if ((state.bVisible != 0) == bShow)
        return true;

    const bool updates = updatesEnabled();
    setUpdatesEnabled(false);
    std::vector<int> order = GetColumnOrder();
    if (bShow)
    {
        ShowColumnInOrder(order, nColumn, state.nRestorePos,
                          [this](int c) { return IsHiddenColumn(c); });
    }
    else
    {
        state.nRestorePos = m_pModel->ColumnCount();
        HideColumnInOrder(order, nColumn);
    }
    ApplyColumnOrder(order);
    if (bShow)
    {
        state.bVisible = 1;
        SetColumnWidth(nColumn, state.nSavedWidth & 0xFFFF);
        m_pHeader->setSectionResizeMode(nColumn, QHeaderView::Interactive);
    }
    else
    {
        state.nSavedWidth = GetColumnWidth(nColumn);
        SetColumnWidth(nColumn, 0);
        state.bVisible = 0;
        // Qt's own guard against dragging the divider, besides OnHeaderBeginTrack.
        m_pHeader->setSectionResizeMode(nColumn, QHeaderView::Fixed);
    }
    setUpdatesEnabled(updates);
    viewport()->update();
    return true;
}

bool CReportCtrl::IsColumnShown(int nColumn) const
{
    if (!m_pModel->IsColumn(nColumn) || static_cast<std::size_t>(nColumn) >= m_aColumnStates.size())
        return false;
    return m_aColumnStates[static_cast<std::size_t>(nColumn)].bVisible != 0;
}

std::optional<ColumnState> CReportCtrl::GetColumnState(int nColumn) const
{
    if (!m_pModel->IsColumn(nColumn) || static_cast<std::size_t>(nColumn) >= m_aColumnStates.size())
        return std::nullopt;
    return m_aColumnStates[static_cast<std::size_t>(nColumn)];
}

bool CReportCtrl::SetColumnWidth(int nColumn, int nWidth)
{
    if (!m_pModel->IsColumn(nColumn))
        return false;
    return OnSetColumnWidth(nColumn, nWidth);
}

bool CReportCtrl::OnSetColumnWidth(int nColumn, int nWidth)
{
    if (IsHiddenColumn(nColumn))
        return false;
    if (nWidth == ColumnAutoSize || nWidth == ColumnAutoSizeUseHeader)
        nWidth = ContentWidth(nColumn, nWidth == ColumnAutoSizeUseHeader);
    if (nWidth < 0)
        return false;
    m_pHeader->resizeSection(nColumn, nWidth);
    return true;
}

int CReportCtrl::GetColumnWidth(int nColumn) const
{
    return m_pModel->IsColumn(nColumn) ? m_pHeader->sectionSize(nColumn) : 0;
}

int CReportCtrl::ContentWidth(int nColumn, bool bUseHeader) const
{
    m_pModel->Flush();
    // Measure every row's text cheaply, then let the delegate size the widest ones (with and
    // without an image), so the result matches what painting needs.
    const QFontMetrics fm(font());
    int widestPlain = -1, widestPlainWidth = -1;
    int widestImage = -1, widestImageWidth = -1;
    const auto& images = m_pModel->SmallImages();
    for (int r = 0; r < m_pModel->RowCount(); ++r)
    {
        const int w = fm.horizontalAdvance(QString::fromStdString(m_pModel->Text(r, nColumn)));
        const int32_t image = m_pModel->Image(r, nColumn);
        const bool hasImage = image >= 0 && image < static_cast<int32_t>(images.size());
        int& best = hasImage ? widestImageWidth : widestPlainWidth;
        if (w > best)
        {
            best = w;
            (hasImage ? widestImage : widestPlain) = r;
        }
    }
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    int width = 0;
    for (const int r : {widestPlain, widestImage})
    {
        if (r >= 0)
            width = std::max(width,
                             itemDelegate()->sizeHint(option, m_pModel->index(r, nColumn)).width());
    }
    if (m_pModel->RowCount() == 0)
    {
        // An empty column still keeps room for its margins.
        width = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
    }
    if (bUseHeader)
    {
        const QFontMetrics hfm(m_pHeader->font());
        const CReportModel::Column& column = m_pModel->ColumnAt(nColumn);
        const int margin =
            std::max(6, style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, m_pHeader));
        int title = hfm.horizontalAdvance(column.strTitle) + 2 * margin + 2;
        if (column.nImage >= 0)
            title += 16 + 4;
        width = std::max(width, title);
    }
    return width;
}

bool CReportCtrl::FitColumn(int nColumn, bool bUseHeader)
{
    const int mode = bUseHeader ? ColumnAutoSizeUseHeader : ColumnAutoSize;
    if (nColumn == -1)
    {
        for (int c = 0; c < m_pModel->ColumnCount(); ++c)
            SetColumnWidth(c, mode);
        return true;
    }
    return SetColumnWidth(nColumn, mode);
}

bool CReportCtrl::ScrollColumnIntoView(int nColumn, bool bPartlyEnough)
{
    if (!m_pModel->IsColumn(nColumn))
        return false;
    const int left = m_pHeader->sectionPosition(nColumn);
    const int right = left + m_pHeader->sectionSize(nColumn);
    const int scroll = horizontalScrollBar()->value();
    const int delta = ColumnScrollDelta(left, right, scroll, 0, viewport()->width(), bPartlyEnough);
    if (delta != 0)
        horizontalScrollBar()->setValue(scroll + delta);
    return true;
}

void CReportCtrl::BuildHeaderMenu(QMenu& menu)
{
    for (int c = 0; c < m_pModel->ColumnCount(); ++c)
    {
        if (c == 3)
            menu.addSeparator();
        QAction* action = menu.addAction(m_pModel->ColumnAt(c).strTitle);
        action->setData(c);
        action->setCheckable(true);
        action->setChecked(IsColumnShown(c));
        // Name and path identify a file: they stay.
        action->setEnabled(c >= 2);
        connect(action, &QAction::triggered, this, [this, c]() { OnCommand(c); });
    }
}

void CReportCtrl::OnContextMenu(const QPoint& globalPos, bool bFromKeyboard)
{
    if (bFromKeyboard || isHeaderHidden())
        return;
    // Right clicks on rows belong to the owner (RowRightClicked).
    if (!m_pHeader->rect().contains(m_pHeader->mapFromGlobal(globalPos)))
        return;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    BuildHeaderMenu(*menu);
    menu->popup(globalPos);
}

void CReportCtrl::OnCommand(int nId)
{
    if (!m_pModel->IsColumn(nId))
        return;
    ShowColumn(nId, !IsColumnShown(nId));
}

void CReportCtrl::contextMenuEvent(QContextMenuEvent* e)
{
    OnContextMenu(e->globalPos(), e->reason() == QContextMenuEvent::Keyboard);
    e->accept();
}

bool CReportCtrl::OnHeaderBeginTrack(int nColumn)
{
    FinishCellEdit(false);
    RepaintForHints(true);
    return IsHiddenColumn(nColumn);
}

void CReportCtrl::OnHeaderTrack(int /*nColumn*/)
{
    RepaintForHints(true);
}

void CReportCtrl::OnHeaderEndDrag(int /*nColumn*/, int nOldPos, int nNewPos)
{
    FinishCellEdit(false);
    RepaintForHints(true);
    // Qt has already moved the column: judge the drop against the order before it.
    std::vector<int> before = GetColumnOrder();
    const int moved = before[static_cast<std::size_t>(nNewPos)];
    before.erase(before.begin() + nNewPos);
    before.insert(before.begin() + nOldPos, moved);
    const int target =
        ClampDropPosition(before, nNewPos, [this](int c) { return IsHiddenColumn(c); });
    if (target != nNewPos)
    {
        m_bReordering = true;
        m_pHeader->moveSection(nNewPos, target);
        m_bReordering = false;
    }
}

void CReportCtrl::OnHeaderDividerDblClick(int nColumn)
{
    FitColumn(nColumn, false);
}

void CReportCtrl::SetColumnImage(int nColumn, int nImage, bool bImageOnLeft)
{
    if (!m_bHeaderImagesSet)
    {
        m_pHeader->SetImages(m_pModel->SmallImages());
        m_bHeaderImagesSet = true;
    }
    if (!m_pModel->IsColumn(nColumn))
        return;
    CReportModel::Column& column = m_pModel->ColumnAt(nColumn);
    column.nImage = nImage;
    column.bImageOnLeft = bImageOnLeft;
    m_pModel->HeaderChanged(nColumn);
}

int CReportCtrl::GetColumnImage(int nColumn) const
{
    return m_pModel->IsColumn(nColumn) ? m_pModel->ColumnAt(nColumn).nImage : -1;
}

bool CReportCtrl::EnableHeaderClicks(bool bEnable)
{
    if ((m_dwStyle & ReportStyleNoColumnHeader) != 0)
        return false;
    m_pHeader->setSectionsClickable(bEnable);
    m_pHeader->viewport()->repaint();
    return true;
}

void CReportCtrl::ApplyExplorerLook()
{
    ApplyWindowTheme(this, "ListView", "Explorer", nullptr);
}

void CReportCtrl::SetSmallImageList(std::vector<QIcon> images)
{
    m_pModel->SetSmallImages(std::move(images));
}

void CReportCtrl::SetHeaderImageList(std::vector<QIcon> images)
{
    m_pHeader->SetImages(std::move(images));
    m_bHeaderImagesSet = true;
}

void CReportCtrl::SetValueColumn(int nColumn, ValueHook hook)
{
    if (nColumn < 0)
        return;
    if (static_cast<std::size_t>(nColumn) >= m_aValueHooks.size())
        m_aValueHooks.resize(static_cast<std::size_t>(nColumn) + 1);
    m_aValueHooks[static_cast<std::size_t>(nColumn)] = std::move(hook);
}

void CReportCtrl::SetInvalidRowHook(InvalidRowHook hook)
{
    m_fnInvalidRow = std::move(hook);
}

// ---------------------------------------------------------------------------------------------
// Sorting and shading

void CReportCtrl::OnColumnClick(int nColumn)
{
    UpdateSortKeysOnClick(m_aSortInfo, nColumn);
    FinishCellEdit(true);
    if (nColumn < m_pModel->ColumnCount() && !isHeaderHidden() && m_pHeader->sectionsClickable())
        SortRows(0, m_pModel->RowCount() - 1, true);
}

void CReportCtrl::SortRows(int nFirst, int nLast, bool bTint)
{
    if (!IsUiThread())
        return CallSent([&]() { SortRows(nFirst, nLast, bTint); });
    g_bListBusy = true;
    FinishCellEdit(true);
    setUpdatesEnabled(false);
    if (!m_aSortInfo.empty())
    {
        const ColumnSortInfo primary = m_aSortInfo.front();
        SortRowRange(nFirst, nLast, primary.nColumn, primary.bAscending != 0);
        if (m_pNotifyWnd)
            m_pNotifyWnd->PostMessage(WM_REPORT_SORTED,
                                      static_cast<platform::WPARAM>(primary.nColumn),
                                      primary.bAscending != 0 ? 1 : 0);
    }
    ApplyRowShading(bTint);
    g_bListBusy = false;
}

int CReportCtrl::CompareCells(int nRow1, int nRow2, int32_t nColumn) const
{
    if (nColumn >= 0 && static_cast<std::size_t>(nColumn) < m_aValueHooks.size())
    {
        const ValueHook& hook = m_aValueHooks[static_cast<std::size_t>(nColumn)];
        if (hook)
            return CompareValues(hook(m_pModel->RowAt(nRow1).data.pUserData),
                                 hook(m_pModel->RowAt(nRow2).data.pUserData));
    }
    return CompareTextBytes(m_pModel->Text(nRow1, nColumn), m_pModel->Text(nRow2, nColumn));
}

int CReportCtrl::CompareRows(int nRow1, int nRow2, int nColumn, int nKey) const
{
    if (!m_pModel->IsRow(nRow1) || !m_pModel->IsRow(nRow2))
        return 0;
    return CompareRowsByKeys(nRow1, nRow2, nColumn, static_cast<std::size_t>(std::max(nKey, 0)),
                             m_aSortInfo,
                             [this](int r1, int r2, int32_t c) { return CompareCells(r1, r2, c); });
}

bool CReportCtrl::SortRowRange(int nFirst, int nLast, int nColumn, bool bAscending)
{
    if (!(0 <= nFirst && nFirst < nLast && nLast < m_pModel->RowCount()))
        return false;
    FinishCellEdit(true);
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(nLast - nFirst + 1));
    for (int r = nFirst; r <= nLast; ++r)
        rows.push_back(r);
    const std::function<int(int, int, int32_t)> compareCells = [this](int r1, int r2, int32_t c)
    { return CompareCells(r1, r2, c); };
    QuickSortRows(rows, bAscending,
                  [&](int r1, int r2)
                  { return CompareRowsByKeys(r1, r2, nColumn, 0, m_aSortInfo, compareCells); });
    m_pModel->PermuteRows(nFirst, rows);
    return true;
}

bool CReportCtrl::IsInvalidRow(int nRow) const
{
    return m_fnInvalidRow && m_fnInvalidRow(m_pModel->RowAt(nRow).data.pUserData);
}

void CReportCtrl::ApplyRowShading(bool bTint)
{
    setUpdatesEnabled(false);
    const int sortColumn = m_aSortInfo.empty() ? -1 : m_aSortInfo.front().nColumn;
    const int columns = m_pModel->ColumnCount();
    for (int r = 0; r < m_pModel->RowCount(); ++r)
    {
        const bool invalid = IsInvalidRow(r);
        auto& colors = m_pModel->RowAt(r).data.aBkColors;
        for (int c = 0; c < columns; ++c)
            colors[static_cast<std::size_t>(c)] = ShadingColor(r, c, sortColumn, bTint, invalid);
    }
    m_pModel->ColorsChanged();
    setUpdatesEnabled(true);
    viewport()->repaint();
}

// ---------------------------------------------------------------------------------------------
// In-place editing

void CReportCtrl::EnableCellEditing(bool bEnable)
{
    if (!bEnable)
        FinishCellEdit(true);
    m_bEditEnabled = bEnable;
}

bool CReportCtrl::AddEditableColumn(int nColumn)
{
    if (!m_pModel->IsColumn(nColumn) || IsEditableColumn(nColumn))
        return false;
    m_aEditableColumns.push_back(static_cast<uint32_t>(nColumn));
    return true;
}

bool CReportCtrl::IsEditableColumn(int nColumn) const
{
    return nColumn >= 0 && std::find(m_aEditableColumns.begin(), m_aEditableColumns.end(),
                                     static_cast<uint32_t>(nColumn)) != m_aEditableColumns.end();
}

bool CReportCtrl::IsCellEditing() const
{
    return m_pModel->IsRow(m_nEditRow) && m_pModel->IsColumn(m_nEditColumn);
}

QRect CReportCtrl::CellEditRect(int nRow, int nColumn) const
{
    m_pModel->Flush();
    const QModelIndex cell = m_pModel->index(nRow, nColumn);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(cell);
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = m_pModel->data(cell, Qt::DisplayRole).toString();
    const QVariant icon = m_pModel->data(cell, Qt::DecorationRole);
    if (icon.isValid())
    {
        option.features |= QStyleOptionViewItem::HasDecoration;
        option.icon = icon.value<QIcon>();
        option.decorationSize = iconSize();
    }
    // The label: the text's own area, past any image, to the cell's right edge.
    const QRect text = style()->subElementRect(QStyle::SE_ItemViewItemText, &option, this);
    QRect rect = option.rect;
    rect.setLeft(std::max(rect.left(), text.left() - 2));
    const int height =
        std::max(rect.height(), m_pCellEdit ? m_pCellEdit->sizeHint().height() : rect.height());
    rect.setTop(rect.top() + (rect.height() - height) / 2);
    rect.setHeight(height);
    return rect;
}

void CReportCtrl::PlaceCellEdit()
{
    if (m_pCellEdit != nullptr && IsCellEditing())
        m_pCellEdit->setGeometry(CellEditRect(m_nEditRow, m_nEditColumn));
}

bool CReportCtrl::BeginCellEdit(int nRow, int nColumn)
{
    if (!m_pModel->IsRow(nRow) || !m_pModel->IsColumn(nColumn))
        return false;
    if (IsCellEditing() && nRow == m_nEditRow && nColumn == m_nEditColumn)
        return true;
    FinishCellEdit(true);
    if (!m_pModel->IsRow(nRow) || !m_pModel->IsColumn(nColumn))
        return false;
    m_nEditRow = nRow;
    m_nEditColumn = nColumn;
    m_pModel->Flush();

    selectionModel()->setCurrentIndex(
        m_pModel->index(nRow, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);

    const int align = isHeaderHidden() ? 0 : EditAlignOf(m_pModel->ColumnAt(nColumn).nFormat);
    if (m_pCellEdit == nullptr)
    {
        m_pCellEdit = new QLineEdit(viewport());
        m_pCellEdit->setObjectName(QStringLiteral("reportCellEdit"));
        m_pCellEdit->setFrame(true);
        m_pCellEdit->installEventFilter(this);
        m_pCellEdit->hide();
        m_nEditAlign = -1;
    }
    if (align != m_nEditAlign)
    {
        m_nEditAlign = align;
        m_pCellEdit->setAlignment(EditAlignment(align));
    }
    m_pCellEdit->setFont(font());
    PlaceCellEdit();

    const QString text = GetCellText(nRow, nColumn);
    m_pCellEdit->setText(text);
    m_pCellEdit->show();
    const std::u16string_view view(reinterpret_cast<const char16_t*>(text.utf16()),
                                   static_cast<std::size_t>(text.size()));
    m_pCellEdit->setSelection(0, static_cast<int>(EditSelectionLength(view)));
    m_pCellEdit->setFocus(Qt::OtherFocusReason);
    PlaceCellEdit();
    if (nColumn == 0)
        m_strEditOriginal = GetCellText(nRow, 0);
    return true;
}

bool CReportCtrl::FinishCellEdit(bool bCommit)
{
    if (!IsCellEditing())
    {
        // The cell may have gone with its row; the box must not linger over another one.
        if (m_pCellEdit != nullptr && m_pCellEdit->isVisible())
            m_pCellEdit->hide();
        m_nEditRow = m_nEditColumn = -1;
        return false;
    }
    const QString text = m_pCellEdit->text();
    bool changed = false;
    if (bCommit && text != GetCellText(m_nEditRow, m_nEditColumn))
    {
        m_pModel->SetText(m_nEditRow, m_nEditColumn, text.toStdString());
        changed = true;
        if (m_pNotifyWnd)
        {
            EditedCell cell{m_nEditRow, m_nEditColumn};
            m_pNotifyWnd->SendMessage(WM_REPORT_EDITED, reinterpret_cast<platform::WPARAM>(&cell),
                                      reinterpret_cast<platform::LPARAM>(this));
        }
    }
    const bool hadFocus = m_pCellEdit->hasFocus();
    m_pCellEdit->hide();
    m_nEditRow = m_nEditColumn = -1;
    if (hadFocus)
        setFocus(Qt::OtherFocusReason);
    return changed;
}

void CReportCtrl::EnsureRowVisible(int nRow)
{
    m_pModel->Flush();
    const QRect rect = visualRect(m_pModel->index(nRow, 0));
    QScrollBar* bar = verticalScrollBar();
    if (rect.top() < 0)
        bar->setValue(bar->value() + rect.top());
    else if (rect.bottom() >= viewport()->height())
        bar->setValue(bar->value() + rect.bottom() + 1 - viewport()->height());
}

bool CReportCtrl::HandleEditKey(QKeyEvent* e)
{
    EditKey key;
    bool shift = (e->modifiers() & Qt::ShiftModifier) != 0;
    switch (e->key())
    {
    case Qt::Key_Tab:
        key = EditKey::Tab;
        break;
    case Qt::Key_Backtab:
        key = EditKey::Tab;
        shift = true;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        key = EditKey::Enter;
        break;
    case Qt::Key_Escape:
        key = EditKey::Escape;
        break;
    case Qt::Key_Up:
        key = EditKey::Up;
        break;
    case Qt::Key_Down:
        key = EditKey::Down;
        break;
    default:
        return false;
    }
    const EditKeyAction action = EditKeyRule(key, shift, m_nEditRow, m_nEditColumn,
                                             m_pModel->RowCount(), m_aEditableColumns);
    switch (action.kind)
    {
    case EditKeyAction::Commit:
        FinishCellEdit(true);
        break;
    case EditKeyAction::Discard:
        FinishCellEdit(false);
        break;
    case EditKeyAction::MoveToCell:
        FinishCellEdit(true);
        if (key == EditKey::Tab)
            ScrollColumnIntoView(action.column, false);
        else if (m_pModel->IsRow(action.row))
            EnsureRowVisible(action.row);
        BeginCellEdit(action.row, action.column);
        break;
    }
    return true;
}

bool CReportCtrl::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == m_pCellEdit && IsCellEditing())
    {
        if (e->type() == QEvent::ShortcutOverride)
        {
            // The edit keys are ours even where the window has shortcuts for them.
            const auto* key = static_cast<QKeyEvent*>(e);
            switch (key->key())
            {
            case Qt::Key_Tab:
            case Qt::Key_Backtab:
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Escape:
            case Qt::Key_Up:
            case Qt::Key_Down:
                e->accept();
                return true;
            default:
                break;
            }
        }
        if (e->type() == QEvent::KeyPress && HandleEditKey(static_cast<QKeyEvent*>(e)))
            return true;
    }
    return QTreeView::eventFilter(watched, e);
}

void CReportCtrl::ClickToEdit(QMouseEvent* e, bool bDouble)
{
    const QModelIndex hit = indexAt(e->position().toPoint());
    const int row = hit.isValid() ? hit.row() : -1;
    const int column = hit.isValid() ? hit.column() : -1;
    const bool wasEditing = IsCellEditing();
    FinishCellEdit(true);
    const unsigned both = StateSelected | StateFocused;
    const bool selectedAndFocused = m_pModel->IsRow(row) && (QueryRowStates(row) & both) == both;
    m_bInClick = true;
    if (bDouble)
        QTreeView::mouseDoubleClickEvent(e);
    else
        QTreeView::mousePressEvent(e);
    m_bInClick = false;
    if (bDouble)
        emit RowDoubleClicked(row);
    if (m_bEditEnabled && !wasEditing && selectedAndFocused && IsEditableColumn(column))
        BeginCellEdit(row, column);
}

void CReportCtrl::mousePressEvent(QMouseEvent* e)
{
    if (m_bInClick)
    {
        QTreeView::mousePressEvent(e);
        return;
    }
    if (e->button() == Qt::LeftButton)
    {
        ClickToEdit(e, false);
        return;
    }
    if (e->button() == Qt::RightButton || e->button() == Qt::MiddleButton)
        FinishCellEdit(true);
    QTreeView::mousePressEvent(e);
    if (e->button() == Qt::RightButton)
    {
        const QModelIndex hit = indexAt(e->position().toPoint());
        emit RowRightClicked(hit.isValid() ? hit.row() : -1, e->globalPosition().toPoint());
    }
}

void CReportCtrl::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (m_bInClick)
    {
        QTreeView::mouseDoubleClickEvent(e);
        return;
    }
    if (e->button() == Qt::LeftButton)
    {
        ClickToEdit(e, true);
        return;
    }
    if (e->button() == Qt::RightButton || e->button() == Qt::MiddleButton)
        FinishCellEdit(true);
    QTreeView::mouseDoubleClickEvent(e);
}

// ---------------------------------------------------------------------------------------------
// Keys, scrolling, painting

void CReportCtrl::OnKeyDown(QKeyEvent* e)
{
    const auto mods = e->modifiers();
    if (e->key() == Qt::Key_Plus && (mods & Qt::ControlModifier) && (mods & Qt::KeypadModifier))
    {
        FitColumn(-1, false);
        e->accept();
        return;
    }
    if (e->key() == Qt::Key_Space && !IsCellEditing())
    {
        // Space neither selects nor toggles in this list.
        e->accept();
        return;
    }
    QTreeView::keyPressEvent(e);
}

void CReportCtrl::keyPressEvent(QKeyEvent* e)
{
    OnKeyDown(e);
}

void CReportCtrl::wheelEvent(QWheelEvent* e)
{
    FinishCellEdit(false);
    RepaintForHints(true);
    QTreeView::wheelEvent(e);
}

void CReportCtrl::scrollContentsBy(int dx, int dy)
{
    QTreeView::scrollContentsBy(dx, dy);
    // Scrolls that no user started (a row made visible) carry an open edit along.
    PlaceCellEdit();
}

void CReportCtrl::resizeEvent(QResizeEvent* e)
{
    QTreeView::resizeEvent(e);
    PlaceCellEdit();
    if (!g_bVistaOrLater)
        viewport()->update();
}

void CReportCtrl::RepaintForHints(bool /*bErase*/)
{
    if (!g_bVistaOrLater && m_pModel->RowCount() == 0)
        viewport()->update();
}

void CReportCtrl::ShowEmptyHints(bool bShow)
{
    m_bShowHints = bShow;
}

void CReportCtrl::SetTickSource(std::function<uint32_t()> ticks)
{
    m_fnTicks = ticks ? std::move(ticks) : std::function<uint32_t()>(&platform::GetTickCount32);
}

int CReportCtrl::CurrentHintIndex() const
{
    if (!m_bShowHints || m_pModel->RowCount() != 0)
        return -1;
    return static_cast<int>(HintIndex(m_fnTicks()));
}

QFont CReportCtrl::HintFont()
{
    QFont font;
    // The hint's own face where installed, else a close sans-serif face.
    font.setFamilies({QStringLiteral("Trebuchet MS"), QStringLiteral("DejaVu Sans"),
                      QStringLiteral("Sans Serif")});
    font.setPointSizeF(15.6);
    return font;
}

void CReportCtrl::paintEvent(QPaintEvent* e)
{
    QTreeView::paintEvent(e);
    const int hint = CurrentHintIndex();
    if (hint < 0)
        return;
    QPainter painter(viewport());
    const QFont font = HintFont();
    painter.setFont(font);
    const QFontMetrics fm(font);
    QRect area = viewport()->rect();
    area.setTop(HintTextTop(area.top(), area.top() + area.height(), fm.height()));
    const QString text = QString::fromUtf8(HintText(static_cast<unsigned>(hint)));
    const int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
    // Opaque text: the lines' cells are white whatever lies below them.
    painter.fillRect(painter.boundingRect(area, flags, text), Qt::white);
    painter.setPen(QColor(static_cast<int>(ReportRed(HintTextColor)),
                          static_cast<int>(ReportGreen(HintTextColor)),
                          static_cast<int>(ReportBlue(HintTextColor))));
    painter.drawText(area, flags, text);
}

void CReportCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const
{
    QTreeView::drawRow(painter, option, index);
    if ((m_dwExStyle & ReportExGridLines) == 0)
        return;
    painter->save();
    painter->setPen(palette().color(QPalette::Midlight));
    const QRect r = option.rect;
    painter->drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    for (int p = 0; p < m_pHeader->count(); ++p)
    {
        const int logical = m_pHeader->logicalIndex(p);
        const int x =
            m_pHeader->sectionViewportPosition(logical) + m_pHeader->sectionSize(logical) - 1;
        painter->drawLine(x, r.top(), x, r.bottom());
    }
    painter->restore();
}

bool CReportCtrl::viewportEvent(QEvent* e)
{
    if (e->type() == QEvent::ToolTip && (m_dwExStyle & ReportExInfoTip) != 0)
    {
        // Info tips: the whole text of a cell that is cut short.
        const auto* help = static_cast<QHelpEvent*>(e);
        const QModelIndex cell = indexAt(help->pos());
        if (cell.isValid())
        {
            const QString text = m_pModel->data(cell, Qt::DisplayRole).toString();
            const QRect rect = CellEditRect(cell.row(), cell.column());
            if (QFontMetrics(font()).horizontalAdvance(text) > rect.width() - 4)
            {
                QToolTip::showText(help->globalPos(), text, viewport(), visualRect(cell));
                return true;
            }
        }
        QToolTip::hideText();
        e->ignore();
        return true;
    }
    return QTreeView::viewportEvent(e);
}
