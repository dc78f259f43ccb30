// The report list's header: titles with an image (the sort arrows) beside them, and the
// divider events that the list's column rules need: a drag beginning (which the list may
// refuse), a drag going on, a divider double-click, and a context menu request.
#pragma once

#include <QHeaderView>
#include <QIcon>

#include <functional>
#include <vector>

class CReportHeader : public QHeaderView
{
    Q_OBJECT

public:
    explicit CReportHeader(QWidget* parent = nullptr);

    // Returns true to refuse the drag of that column's divider.
    std::function<bool(int column)> m_fnBeginTrack;
    std::function<void(int column)> m_fnTrack;
    std::function<void(int column)> m_fnDividerDblClick;
    std::function<void(const QPoint& globalPos, bool fromKeyboard)> m_fnContextMenu;

    void SetImages(std::vector<QIcon> images);
    bool HasImages() const { return !m_aImages.empty(); }

    // The column whose divider lies under x (viewport coordinates), as a press there would
    // drag it; -1 when none.
    int DividerAt(int x) const;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    std::vector<QIcon> m_aImages;
    int m_nTracking = -1; // column whose divider is being dragged
};
