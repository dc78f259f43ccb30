// CReportCtrl: the report-view list of the main window. Over a plain list it keeps a RowData
// per row (owner data and per-cell colours), sorts by header clicks over up to six keys,
// shades rows, queries and changes row states by flag sets, hides and shows columns, edits
// cells in place and paints hints into an empty list. It knows nothing of audio: columns that
// compare by value and rows shaded as invalid come from hooks the owner supplies.
//
// Threads: the row and cell operations marked "any thread" may be called from a worker; they
// run on the control's thread while the caller waits, as sent window messages do, so that
// thread must keep serving events meanwhile (see platform::WaitServingMessages). Everything
// else belongs to the control's thread.
#pragma once

#include "controls/report_model.h"
#include "controls/report_rules.h"
#include "platform/window_message.h"

#include <QPointer>
#include <QTimer>
#include <QTreeView>

#include <functional>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

class CReportHeader;
class QLineEdit;
class QMenu;

// Row insertion mask bits (which InsertRow arguments count) and item states.
inline constexpr unsigned RowMaskText = 0x1;
inline constexpr unsigned RowMaskImage = 0x2;
inline constexpr unsigned RowMaskParam = 0x4;
inline constexpr unsigned RowMaskState = 0x8;
inline constexpr unsigned ItemFocused = 0x1;
inline constexpr unsigned ItemSelected = 0x2;

// Special widths for SetColumnWidth: size to content, or to content and title.
inline constexpr int ColumnAutoSize = -1;
inline constexpr int ColumnAutoSizeUseHeader = -2;

// The theme call's answer when there is no theme library to ask, as on this platform.
inline constexpr int ThemeUnavailable = 1;

// Gives a window a theme of the system's theme library. Qt draws with its own style, so
// there is none: the call changes nothing and reports ThemeUnavailable.
int ApplyWindowTheme(QWidget* pWindow, const char* pszClassList, const char* pszSubAppName,
                     const char* pszSubIdList);

class CReportCtrl : public QTreeView
{
    Q_OBJECT

public:
    explicit CReportCtrl(QWidget* parent = nullptr);
    ~CReportCtrl() override;

    // --- Rows, cells, sorting and shading ---

    // Makes the control a child of pParent covering pRect (the parent's client area when
    // null), with the style adjusted as AdjustReportStyle says.
    virtual bool CreateReport(QWidget* pParent, int nId, const QRect* pRect, uint32_t dwStyle);
    uint32_t GetReportStyle() const { return m_dwStyle; }
    int GetCtrlId() const { return m_nCtrlId; }
    // Sets the extended styles to those given plus ReportExAlways; returns the previous.
    uint32_t SetReportExStyle(uint32_t dwExStyle);
    uint32_t GetReportExStyle() const { return m_dwExStyle; }
    // Redrawing off: nothing is painted and appended rows reach the view in one batch when
    // redrawing is switched on again (the owner does so around a load).
    void SetRedraw(bool bRedraw);

    // Any thread. Returns the new row's index, or -1 for a negative row.
    int InsertRow(unsigned nMask, int nRow, const QString& strText, unsigned nState,
                  unsigned nStateMask, int nImage, void* pUserData);
    int InsertRow(int nRow, const QString& strText, void* pUserData = nullptr);
    // Any thread.
    void RemoveRow(int nRow, bool bSelectNext);
    int RemoveRows(unsigned nFilter);
    bool SetCellText(int nRow, int nColumn, const QString& strText);
    QString GetCellText(int nRow, int nColumn) const;
    bool SetCellNumber(int nRow, int nColumn, double dValue, int32_t nPrecision);
    bool SetCellImage(int nRow, int nColumn, int nImage);
    int GetCellImage(int nRow, int nColumn) const;
    void* GetRowUserData(int nRow) const;
    void SetRowUserData(int nRow, void* pUserData);
    // A colour of ReportDefaultColor (-1) restores the system's colour. Out-of-range rows or
    // columns widen the change to every row or column.
    void SetCellTextColor(int nRow, int nColumn, ReportColor color, bool bRedraw = false);
    void SetCellBackColor(int nRow, int nColumn, ReportColor color, bool bRedraw = false);
    ReportColor GetCellTextColor(int nRow, int nColumn) const;
    ReportColor GetCellBackColor(int nRow, int nColumn) const;
    unsigned QueryRowStates(int nRow) const;
    bool ApplyRowStates(int nRow, unsigned nFlags);
    int ApplyStatesToRows(unsigned nFilter, unsigned nFlags);
    int CountRows(unsigned nFilter) const;
    int FindRow(unsigned nFilter, int nAfter) const;
    int GetRowCount() const;

    // Returns the new column's index, or -1.
    int AddColumn(int nColumn, const QString& strTitle, int nFormat, int nWidth, int nSubItem = -1);
    bool DeleteColumn(int nColumn);
    int GetColumnCount() const;
    QString GetColumnTitle(int nColumn) const;

    // Any thread. Sorts rows nFirst..nLast by the key list, posts WM_REPORT_SORTED and shades.
    void SortRows(int nFirst, int nLast, bool bTint);
    bool SortRowRange(int nFirst, int nLast, int nColumn, bool bAscending);
    int CompareRows(int nRow1, int nRow2, int nColumn, int nKey) const;
    void ApplyRowShading(bool bTint);

    void SetColumnImage(int nColumn, int nImage, bool bImageOnLeft);
    int GetColumnImage(int nColumn) const;
    bool EnableHeaderClicks(bool bEnable);
    void ApplyExplorerLook();

    // The small image list (cell images) and the header's (sort arrows, see
    // MakeSortArrowImages). SetColumnImage gives the header the small list when it has none.
    void SetSmallImageList(std::vector<QIcon> images);
    void SetHeaderImageList(std::vector<QIcon> images);

    // Owner hooks. A value column compares by the number the hook reads from a row's user
    // data (which may be null) instead of by text; NaN compares equal to everything.
    using ValueHook = std::function<double(const void* pUserData)>;
    void SetValueColumn(int nColumn, ValueHook hook);
    // Rows whose user data the hook calls invalid are shaded pink.
    using InvalidRowHook = std::function<bool(const void* pUserData)>;
    void SetInvalidRowHook(InvalidRowHook hook);

    // --- Columns ---

    bool ShowColumn(int nColumn, bool bShow);
    bool IsColumnShown(int nColumn) const;
    std::optional<ColumnState> GetColumnState(int nColumn) const;
    bool FitColumn(int nColumn, bool bUseHeader);
    bool ScrollColumnIntoView(int nColumn, bool bPartlyEnough);
    // Refused (false, width unchanged) for a hidden column; takes ColumnAutoSize and
    // ColumnAutoSizeUseHeader.
    bool SetColumnWidth(int nColumn, int nWidth);
    int GetColumnWidth(int nColumn) const;
    // Column indexes by display position.
    std::vector<int> GetColumnOrder() const;
    bool SetColumnOrder(const std::vector<int>& order);
    // Fills a menu with the header menu's items (one per column, toggling it).
    void BuildHeaderMenu(QMenu& menu);

    // --- In-place editing ---

    void EnableCellEditing(bool bEnable);
    bool AddEditableColumn(int nColumn);
    bool IsEditableColumn(int nColumn) const;
    bool BeginCellEdit(int nRow, int nColumn);
    bool FinishCellEdit(bool bCommit);
    bool IsCellEditing() const;
    int GetEditRow() const { return m_nEditRow; }
    int GetEditColumn() const { return m_nEditColumn; }
    QLineEdit* GetCellEdit() const { return m_pCellEdit; }

    // --- Hints ---

    void ShowEmptyHints(bool bShow);
    // The hint a paint would show now, or -1 when none would be painted.
    int CurrentHintIndex() const;
    // The millisecond tick source that picks the hint (the system's by default).
    void SetTickSource(std::function<uint32_t()> ticks);

    // Receives WM_REPORT_SORTED (posted) and WM_REPORT_EDITED (sent).
    QPointer<platform::CMessageReceiver> m_pNotifyWnd;
    // The sort keys, primary first. Fill and read on the control's thread, or while no sort
    // can run.
    std::vector<ColumnSortInfo> m_aSortInfo;
    // Column 0's text of the row when the current edit began.
    QString m_strEditOriginal;

signals:
    // A right click or a left double-click on the list; row -1 when no row was hit.
    void RowRightClicked(int nRow, const QPoint& globalPos);
    void RowDoubleClicked(int nRow);

protected:
    virtual void OnKeyDown(QKeyEvent* e);
    virtual bool OnDeleteColumn(int nColumn);
    virtual int OnInsertColumn(int nColumn, const CReportModel::Column& info, int nWidth,
                               bool bHasWidth);
    virtual bool OnSetColumnWidth(int nColumn, int nWidth);
    // True refuses the divider drag.
    virtual bool OnHeaderBeginTrack(int nColumn);
    virtual void OnHeaderEndDrag(int nColumn, int nOldPos, int nNewPos);
    virtual void OnHeaderTrack(int nColumn);
    virtual void OnHeaderDividerDblClick(int nColumn);
    virtual void OnContextMenu(const QPoint& globalPos, bool bFromKeyboard);
    // A header menu command: the column to show or hide.
    virtual void OnCommand(int nId);

    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    bool viewportEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;

private:
    // Runs a call from another thread on the control's thread while the caller waits. Paints
    // are held back meanwhile and given at most every PaintDeferMs, so a worker that fills
    // the list call by call does not pay for a repaint after each call.
    template <class F> std::invoke_result_t<F> CallSent(F&& fn) const
    {
        auto* self = const_cast<CReportCtrl*>(this);
        return platform::CallOnThreadOf(self,
                                        [self, &fn]()
                                        {
                                            self->DeferPaint();
                                            return fn();
                                        });
    }
    void DeferPaint();
    void ResumeRedraw();
    static constexpr int PaintDeferMs = 100;

    void OnColumnClick(int nColumn);
    void ClickToEdit(QMouseEvent* e, bool bDouble);
    bool IsHiddenColumn(int nColumn) const;
    void ApplyColumnOrder(const std::vector<int>& order);
    int ContentWidth(int nColumn, bool bUseHeader) const;
    QRect CellEditRect(int nRow, int nColumn) const;
    void PlaceCellEdit();
    void EnsureRowVisible(int nRow);
    bool HandleEditKey(QKeyEvent* e);
    void RepaintForHints(bool bErase);
    bool IsUiThread() const;
    const std::vector<std::pair<int, int>>& SelectedRuns() const;
    bool IsRowSelected(int nRow) const;
    int CurrentRow() const;
    unsigned StatesOf(int nRow, int nCurrent) const;
    static QFont HintFont();
    bool ApplyRowStatesNow(int nRow, unsigned nFlags);
    void SetColors(bool bText, int nRow, int nColumn, ReportColor color, bool bRedraw);
    bool IsInvalidRow(int nRow) const;
    int CompareCells(int nRow1, int nRow2, int32_t nColumn) const;

    CReportModel* m_pModel = nullptr;
    CReportHeader* m_pHeader = nullptr;
    uint32_t m_dwStyle = 0;
    uint32_t m_dwExStyle = ReportExAlways;
    std::vector<ValueHook> m_aValueHooks; // by column; empty = by text
    InvalidRowHook m_fnInvalidRow;
    std::vector<QIcon> m_aHeaderImages;
    bool m_bHeaderImagesSet = false;
    std::function<uint32_t()> m_fnTicks;

    bool m_bShowHints = false;
    std::vector<ColumnState> m_aColumnStates;
    std::vector<uint32_t> m_aEditableColumns;
    QLineEdit* m_pCellEdit = nullptr; // child of the viewport; created at the first edit
    bool m_bEditEnabled = false;
    int m_nEditRow = -1;
    int m_nEditColumn = -1;
    int m_nEditAlign = 0;       // 0 left, 1 centre, 2 right
    bool m_bReordering = false; // our own section moves, not the user's drags
    bool m_bInClick = false;    // a double-click that Qt turns into a press
    int m_nCtrlId = 0;
    mutable std::vector<std::pair<int, int>> m_aSelectedRuns; // merged [first, last] rows
    mutable bool m_bRunsValid = false;
    QTimer* m_pPaintTimer = nullptr; // ends a paint deferral
    bool m_bRedrawOff = false;       // SetRedraw(false)
};
