#include "controls/report_model.h"

#include <QColor>

#include <algorithm>

namespace
{

QColor ToQColor(ReportColor c)
{
    return QColor(static_cast<int>(ReportRed(c)), static_cast<int>(ReportGreen(c)),
                  static_cast<int>(ReportBlue(c)));
}

Qt::Alignment FormatAlignment(int format)
{
    switch (format)
    {
    case FormatRight:
        return Qt::AlignRight | Qt::AlignVCenter;
    case FormatCenter:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

const std::string g_strEmpty;

} // namespace

CReportModel::CReportModel(QObject* parent) : QAbstractTableModel(parent) {}

int CReportModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_nAnnounced;
}

int CReportModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount();
}

QVariant CReportModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_nAnnounced || !IsColumn(index.column()))
        return {};
    const Row& row = RowAt(index.row());
    const auto c = static_cast<std::size_t>(index.column());
    switch (role)
    {
    case Qt::DisplayRole:
        return QString::fromStdString(row.aTexts[c]);
    case Qt::DecorationRole:
    {
        const int32_t image = row.aImages[c];
        if (image < 0 || image >= static_cast<int32_t>(m_aSmallImages.size()))
            return {};
        if (c != 0 && !m_bSubItemImages)
            return {};
        return m_aSmallImages[static_cast<std::size_t>(image)];
    }
    case Qt::ForegroundRole:
        if (row.data.aTextColors[c] == ReportDefaultColor)
            return {};
        return ToQColor(row.data.aTextColors[c]);
    case Qt::BackgroundRole:
        if (row.data.aBkColors[c] == ReportDefaultColor)
            return {};
        return ToQColor(row.data.aBkColors[c]);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(FormatAlignment(ColumnAt(index.column()).nFormat));
    default:
        return {};
    }
}

QVariant CReportModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || !IsColumn(section))
        return {};
    const Column& column = ColumnAt(section);
    switch (role)
    {
    case Qt::DisplayRole:
        return column.strTitle;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(FormatAlignment(column.nFormat));
    case HeaderImageRole:
        return column.nImage;
    case HeaderImageOnLeftRole:
        return column.bImageOnLeft;
    default:
        return {};
    }
}

Qt::ItemFlags CReportModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

int CReportModel::InsertRow(int row, std::string text, int32_t image, void* pUserData)
{
    row = std::clamp(row, 0, RowCount());
    Row r;
    const auto columns = static_cast<std::size_t>(std::max(ColumnCount(), 1));
    r.aTexts.resize(columns);
    r.aImages.assign(columns, -1);
    r.aTexts[0] = std::move(text);
    r.aImages[0] = image;
    r.data.pUserData = pUserData;
    r.data.aTextColors.assign(static_cast<std::size_t>(ColumnCount()), ReportDefaultColor);
    r.data.aBkColors.assign(static_cast<std::size_t>(ColumnCount()), ReportDefaultColor);
    if (m_bDeferAppends && row == RowCount())
    {
        m_aRows.push_back(std::move(r));
        return row;
    }
    Flush();
    beginInsertRows({}, row, row);
    m_aRows.insert(m_aRows.begin() + row, std::move(r));
    ++m_nAnnounced;
    endInsertRows();
    return row;
}

void CReportModel::SetDeferAppends(bool defer)
{
    m_bDeferAppends = defer;
    if (!defer)
        Flush();
}

void CReportModel::Flush()
{
    if (m_nAnnounced == RowCount())
        return;
    beginInsertRows({}, m_nAnnounced, RowCount() - 1);
    m_nAnnounced = RowCount();
    endInsertRows();
}

void CReportModel::RemoveRowAt(int row)
{
    Flush();
    beginRemoveRows({}, row, row);
    m_aRows.erase(m_aRows.begin() + row);
    --m_nAnnounced;
    endRemoveRows();
}

void CReportModel::RemoveRowList(const std::vector<int>& rows)
{
    Flush();
    // From the bottom up, so the indexes still to remove stay valid.
    std::size_t end = rows.size();
    while (end > 0)
    {
        std::size_t begin = end - 1;
        while (begin > 0 && rows[begin - 1] + 1 == rows[begin])
            --begin;
        const int first = rows[begin];
        const int last = rows[end - 1];
        beginRemoveRows({}, first, last);
        m_aRows.erase(m_aRows.begin() + first, m_aRows.begin() + last + 1);
        m_nAnnounced -= last - first + 1;
        endRemoveRows();
        end = begin;
    }
}

void CReportModel::RemoveAllRows()
{
    beginResetModel();
    m_aRows.clear();
    m_aRows.shrink_to_fit();
    m_nAnnounced = 0;
    endResetModel();
}

int CReportModel::InsertColumn(int column, Column info)
{
    Flush();
    column = std::clamp(column, 0, ColumnCount());
    const auto at = static_cast<std::ptrdiff_t>(column);
    beginInsertColumns({}, column, column);
    const bool first = m_aColumns.empty();
    m_aColumns.insert(m_aColumns.begin() + at, std::move(info));
    for (Row& row : m_aRows)
    {
        // Rows inserted before any column already hold the one cell for column 0.
        if (!first)
        {
            row.aTexts.insert(row.aTexts.begin() + at, std::string());
            row.aImages.insert(row.aImages.begin() + at, -1);
        }
        row.data.aTextColors.insert(row.data.aTextColors.begin() + at, ReportDefaultColor);
        row.data.aBkColors.insert(row.data.aBkColors.begin() + at, ReportDefaultColor);
    }
    endInsertColumns();
    return column;
}

void CReportModel::RemoveColumn(int column)
{
    Flush();
    const auto at = static_cast<std::ptrdiff_t>(column);
    beginRemoveColumns({}, column, column);
    m_aColumns.erase(m_aColumns.begin() + at);
    for (Row& row : m_aRows)
    {
        // Column 0's cell stays while it is the last, as a row always has its own text.
        if (row.aTexts.size() > 1)
        {
            row.aTexts.erase(row.aTexts.begin() + at);
            row.aImages.erase(row.aImages.begin() + at);
        }
        row.data.aTextColors.erase(row.data.aTextColors.begin() + at);
        row.data.aBkColors.erase(row.data.aBkColors.begin() + at);
    }
    endRemoveColumns();
}

const std::string& CReportModel::Text(int row, int column) const
{
    if (!IsRow(row) || column < 0)
        return g_strEmpty;
    const Row& r = RowAt(row);
    if (static_cast<std::size_t>(column) >= r.aTexts.size())
        return g_strEmpty;
    return r.aTexts[static_cast<std::size_t>(column)];
}

void CReportModel::SetText(int row, int column, std::string text)
{
    RowAt(row).aTexts[static_cast<std::size_t>(column)] = std::move(text);
    if (row >= m_nAnnounced)
        return;
    const QModelIndex cell = index(row, column);
    emit dataChanged(cell, cell, {Qt::DisplayRole});
}

int32_t CReportModel::Image(int row, int column) const
{
    if (!IsRow(row) || column < 0)
        return -1;
    const Row& r = RowAt(row);
    if (static_cast<std::size_t>(column) >= r.aImages.size())
        return -1;
    return r.aImages[static_cast<std::size_t>(column)];
}

void CReportModel::SetImage(int row, int column, int32_t image)
{
    RowAt(row).aImages[static_cast<std::size_t>(column)] = image;
    if (row >= m_nAnnounced)
        return;
    const QModelIndex cell = index(row, column);
    emit dataChanged(cell, cell, {Qt::DecorationRole});
}

void CReportModel::SetTextColors(int firstRow, int lastRow, int firstColumn, int lastColumn,
                                 ReportColor color)
{
    for (int r = firstRow; r <= lastRow; ++r)
    {
        auto& colors = RowAt(r).data.aTextColors;
        std::fill(colors.begin() + firstColumn, colors.begin() + lastColumn + 1, color);
    }
    if (firstRow <= LastAnnounced(lastRow))
        emit dataChanged(index(firstRow, firstColumn), index(LastAnnounced(lastRow), lastColumn),
                         {Qt::ForegroundRole});
}

void CReportModel::SetBackColors(int firstRow, int lastRow, int firstColumn, int lastColumn,
                                 ReportColor color)
{
    for (int r = firstRow; r <= lastRow; ++r)
    {
        auto& colors = RowAt(r).data.aBkColors;
        std::fill(colors.begin() + firstColumn, colors.begin() + lastColumn + 1, color);
    }
    if (firstRow <= LastAnnounced(lastRow))
        emit dataChanged(index(firstRow, firstColumn), index(LastAnnounced(lastRow), lastColumn),
                         {Qt::BackgroundRole});
}

void CReportModel::ColorsChanged()
{
    if (m_nAnnounced > 0 && ColumnCount() > 0)
        emit dataChanged(index(0, 0), index(m_nAnnounced - 1, ColumnCount() - 1),
                         {Qt::BackgroundRole, Qt::ForegroundRole});
}

void CReportModel::HeaderChanged(int column)
{
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void CReportModel::PermuteRows(int first, const std::vector<int>& order)
{
    Flush();
    const int n = static_cast<int>(order.size());
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);

    std::vector<Row> moved;
    moved.reserve(order.size());
    for (int oldRow : order)
        moved.push_back(std::move(RowAt(oldRow)));
    std::vector<int> newRowOf(order.size());
    for (int k = 0; k < n; ++k)
    {
        RowAt(first + k) = std::move(moved[static_cast<std::size_t>(k)]);
        newRowOf[static_cast<std::size_t>(order[static_cast<std::size_t>(k)] - first)] = first + k;
    }

    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
    {
        const int row = index.row();
        const int to =
            row >= first && row < first + n ? newRowOf[static_cast<std::size_t>(row - first)] : row;
        after.push_back(this->index(to, index.column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CReportModel::SetSmallImages(std::vector<QIcon> images)
{
    m_aSmallImages = std::move(images);
    if (m_nAnnounced > 0 && ColumnCount() > 0)
        emit dataChanged(index(0, 0), index(m_nAnnounced - 1, ColumnCount() - 1),
                         {Qt::DecorationRole});
}

void CReportModel::SetSubItemImages(bool on)
{
    m_bSubItemImages = on;
}
