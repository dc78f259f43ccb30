#include "controls/report_header.h"

#include "controls/report_model.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionHeader>

CReportHeader::CReportHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent)
{
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setHighlightSections(false);
    setStretchLastSection(false);
    setMinimumSectionSize(0);
    setTextElideMode(Qt::ElideRight);
}

void CReportHeader::SetImages(std::vector<QIcon> images)
{
    m_aImages = std::move(images);
    viewport()->update();
}

int CReportHeader::DividerAt(int x) const
{
    // The same pick as QHeaderView's own: near a section's left edge the divider belongs to
    // the section before it, near its right edge to the section itself.
    int visual = visualIndexAt(x);
    if (visual < 0)
    {
        // Right of the last section: its right divider is still in reach.
        const int last = count() - 1;
        if (last < 0)
            return -1;
        const int logical = logicalIndex(last);
        const int edge = sectionViewportPosition(logical) + sectionSize(logical);
        const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
        return x >= edge && x < edge + grip ? logical : -1;
    }
    const int logical = logicalIndex(visual);
    const int pos = sectionViewportPosition(logical);
    const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
    if (x < pos + grip)
        return visual > 0 ? logicalIndex(visual - 1) : -1;
    if (x > pos + sectionSize(logical) - grip)
        return logical;
    return -1;
}

void CReportHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    if (!rect.isValid())
        return;
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    initStyleOptionForIndex(&opt, logicalIndex);
    opt.rect = rect;
    const QString title = opt.text;
    const Qt::Alignment align = opt.textAlignment;
    opt.text.clear();
    opt.icon = QIcon();
    opt.sortIndicator = QStyleOptionHeader::None;
    painter->save();
    style()->drawControl(QStyle::CE_Header, &opt, painter, this);

    // Title and image as one block, placed by the column's alignment: the image stands right
    // of the title unless asked to stand left of it.
    // Native headers keep a few pixels between a title and the dividers.
    const int margin = std::max(6, style()->pixelMetric(QStyle::PM_HeaderMargin, &opt, this));
    const QRect area = rect.adjusted(margin, 0, -margin, 0);
    const QVariant imageData =
        model() ? model()->headerData(logicalIndex, Qt::Horizontal, CReportModel::HeaderImageRole)
                : QVariant();
    const int image = imageData.isValid() ? imageData.toInt() : -1;
    const bool imageOnLeft = model() && model()
                                            ->headerData(logicalIndex, Qt::Horizontal,
                                                         CReportModel::HeaderImageOnLeftRole)
                                            .toBool();
    const bool hasImage = image >= 0 && image < static_cast<int>(m_aImages.size());
    const int imageSize = 16;
    const int gap = hasImage && !title.isEmpty() ? 4 : 0;
    const int imageRoom = hasImage ? imageSize + gap : 0;

    const QFontMetrics fm = painter->fontMetrics();
    const QString text =
        fm.elidedText(title, Qt::ElideRight, std::max(0, area.width() - imageRoom));
    const int textWidth = fm.horizontalAdvance(text);
    const int block = textWidth + imageRoom;
    int left = area.left();
    if (align & Qt::AlignRight)
        left = area.right() + 1 - block;
    else if (align & Qt::AlignHCenter)
        left = area.left() + (area.width() - block) / 2;
    left = std::max(left, area.left());

    int textLeft = left;
    int imageLeft = left + textWidth + gap;
    if (imageOnLeft)
    {
        imageLeft = left;
        textLeft = left + imageRoom;
    }
    painter->setClipRect(area);
    painter->setPen(opt.palette.color(QPalette::ButtonText));
    painter->drawText(QRect(textLeft, area.top(), textWidth, area.height()),
                      Qt::AlignLeft | Qt::AlignVCenter, text);
    if (hasImage)
    {
        const QRect imageRect(imageLeft, rect.top() + (rect.height() - imageSize) / 2, imageSize,
                              imageSize);
        m_aImages[static_cast<std::size_t>(image)].paint(painter, imageRect);
    }
    painter->restore();
}

void CReportHeader::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
    {
        const int divider = DividerAt(e->position().toPoint().x());
        if (divider >= 0)
        {
            if (m_fnBeginTrack && m_fnBeginTrack(divider))
            {
                e->accept();
                return;
            }
            m_nTracking = divider;
        }
    }
    QHeaderView::mousePressEvent(e);
}

void CReportHeader::mouseMoveEvent(QMouseEvent* e)
{
    QHeaderView::mouseMoveEvent(e);
    if (m_nTracking >= 0 && (e->buttons() & Qt::LeftButton) && m_fnTrack)
        m_fnTrack(m_nTracking);
}

void CReportHeader::mouseReleaseEvent(QMouseEvent* e)
{
    m_nTracking = -1;
    QHeaderView::mouseReleaseEvent(e);
}

void CReportHeader::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
    {
        const int divider = DividerAt(e->position().toPoint().x());
        if (divider >= 0)
        {
            // Handled here, so the view's own resize-to-contents does not run as well.
            if (m_fnDividerDblClick)
                m_fnDividerDblClick(divider);
            e->accept();
            return;
        }
    }
    QHeaderView::mouseDoubleClickEvent(e);
}

void CReportHeader::contextMenuEvent(QContextMenuEvent* e)
{
    if (m_fnContextMenu)
        m_fnContextMenu(e->globalPos(), e->reason() == QContextMenuEvent::Keyboard);
    e->accept();
}
