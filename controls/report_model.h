// The table model behind CReportCtrl: every row's cell texts (UTF-8, compared byte-wise when
// sorting), cell images, check bit and RowData, and the columns' titles, formats and header
// images. Colours reach the view through the foreground and background roles.
#pragma once

#include "controls/report_rules.h"

#include <QAbstractTableModel>
#include <QIcon>

#include <algorithm>
#include <string>
#include <vector>

// What the control keeps for the owner with each row.
struct RowData
{
    void* pUserData = nullptr;            // the owner's; never freed by the control
    std::vector<ReportColor> aTextColors; // one per column; ReportDefaultColor = system's
    std::vector<ReportColor> aBkColors;   // one per column; ReportDefaultColor = system's
};

// Column text alignment, as the header and the cells show it.
enum ReportFormat : int
{
    FormatLeft = 0,
    FormatRight = 1,
    FormatCenter = 2,
};

class CReportModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // Header roles read by CReportHeader: the image index (-1 none) and whether it stands
    // left of the title.
    static constexpr int HeaderImageRole = Qt::UserRole + 1;
    static constexpr int HeaderImageOnLeftRole = Qt::UserRole + 2;

    struct Row
    {
        std::vector<std::string> aTexts; // one per column
        std::vector<int32_t> aImages;    // one per column, -1 none
        RowData data;
        bool bChecked = false;
    };

    struct Column
    {
        QString strTitle;
        int nFormat = FormatLeft;
        int nImage = -1; // in the header image list; -1 none
        bool bImageOnLeft = false;
    };

    explicit CReportModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Every row, including appended rows not yet announced to views.
    int RowCount() const { return static_cast<int>(m_aRows.size()); }
    int ColumnCount() const { return static_cast<int>(m_aColumns.size()); }
    bool IsRow(int row) const { return row >= 0 && row < RowCount(); }
    bool IsColumn(int column) const { return column >= 0 && column < ColumnCount(); }

    // Inserts a row with empty cells and default colours; row is clamped to the end.
    int InsertRow(int row, std::string text, int32_t image, void* pUserData);

    // While appends are deferred, rows appended at the end are kept but not yet announced to
    // views (rowCount() leaves them out), so a list filled row by row is laid out and painted
    // once per batch, not once per row. Flush announces them; every structural change and
    // anything that needs their model indexes flushes first.
    void SetDeferAppends(bool defer);
    bool IsDeferringAppends() const { return m_bDeferAppends; }
    void Flush();
    void RemoveRowAt(int row);
    // Removes the given rows (ascending indexes), contiguous runs at a time.
    void RemoveRowList(const std::vector<int>& rows);
    void RemoveAllRows();

    // Inserts a column at index (clamped to the end), giving every row an empty cell and
    // default colours there; returns the new index.
    int InsertColumn(int column, Column info);
    void RemoveColumn(int column);

    const std::string& Text(int row, int column) const;
    void SetText(int row, int column, std::string text);
    int32_t Image(int row, int column) const;
    void SetImage(int row, int column, int32_t image);
    Row& RowAt(int row) { return m_aRows[static_cast<std::size_t>(row)]; }
    const Row& RowAt(int row) const { return m_aRows[static_cast<std::size_t>(row)]; }

    // Colours of a block of cells, one repaint notice for the block.
    void SetTextColors(int firstRow, int lastRow, int firstColumn, int lastColumn,
                       ReportColor color);
    void SetBackColors(int firstRow, int lastRow, int firstColumn, int lastColumn,
                       ReportColor color);
    // Notice that colours of all cells changed (after a shading pass wrote them directly).
    void ColorsChanged();

    Column& ColumnAt(int column) { return m_aColumns[static_cast<std::size_t>(column)]; }
    const Column& ColumnAt(int column) const
    {
        return m_aColumns[static_cast<std::size_t>(column)];
    }
    void HeaderChanged(int column);

    // Rows first..first + n - 1 take the contents of the old rows order[0..n-1]; persistent
    // indexes (selection and focus) follow their rows.
    void PermuteRows(int first, const std::vector<int>& order);

    void SetSmallImages(std::vector<QIcon> images);
    const std::vector<QIcon>& SmallImages() const { return m_aSmallImages; }
    void SetSubItemImages(bool on);

private:
    std::vector<Row> m_aRows;
    std::vector<Column> m_aColumns;
    std::vector<QIcon> m_aSmallImages;
    bool m_bSubItemImages = true;
    bool m_bDeferAppends = false;
    int m_nAnnounced = 0; // rows views know of: the first m_nAnnounced of m_aRows
    int LastAnnounced(int lastRow) const { return std::min(lastRow, m_nAnnounced - 1); }
};
