#include "controls/size_grip_ext.h"

#include <QEvent>
#include <QPolygon>
#include <QRegion>
#include <QStyle>

namespace controls
{

CSizeGripExt::CSizeGripExt(QWidget* parent) : QSizeGrip(parent)
{
    // Keyboard navigation passes over the grip.
    setFocusPolicy(Qt::NoFocus);
    ReadMetrics();
    setGeometry(0, 0, m_nGripWidth, m_nGripHeight);
    hide();
}

CSizeGripExt::~CSizeGripExt() = default;

bool CSizeGripExt::Create(bool visible, bool triangular, bool transparent)
{
    SetTriangular(triangular);
    SetTransparent(transparent);
    m_bVisible = visible;
    Reposition();
    return true;
}

void CSizeGripExt::Reposition()
{
    const QWidget* parent = parentWidget();
    if (!parent)
        return;
    const int x = isRightToLeft() ? 0 : parent->width() - width();
    move(x, parent->height() - height());
    // Beneath its siblings, so that a control reaching into the corner draws over it.
    lower();
    setVisible(m_bVisible);
}

void CSizeGripExt::SetTriangular(bool on)
{
    m_bTriangular = on;
    ApplyMask();
}

void CSizeGripExt::SetTransparent(bool on)
{
    m_bTransparent = on;
    // Qt paints a widget's marks over whatever its parent drew, so transparency is only the
    // absence of our own background fill.
    setAutoFillBackground(!on);
}

int CSizeGripExt::HitTest() const
{
    return isRightToLeft() ? HitBottomLeft : HitBottomRight;
}

void CSizeGripExt::ReadMetrics()
{
    // The thickness of a scroll bar, across and along.
    m_nGripWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    m_nGripHeight = m_nGripWidth;
}

void CSizeGripExt::ApplyMask()
{
    if (!m_bTriangular)
    {
        clearMask();
        return;
    }
    const int w = width();
    const int h = height();
    QPolygon triangle;
    if (isRightToLeft())
        triangle << QPoint(0, 0) << QPoint(0, h) << QPoint(w, h);
    else
        triangle << QPoint(0, h) << QPoint(w, h) << QPoint(w, 0);
    setMask(QRegion(triangle, Qt::WindingFill));
}

void CSizeGripExt::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::StyleChange)
    {
        const int oldWidth = m_nGripWidth;
        const int oldHeight = m_nGripHeight;
        ReadMetrics();
        // The grip keeps the corner it sits in; only its other edges move.
        QRect r = geometry();
        if (!isRightToLeft())
            r.setLeft(r.left() + oldWidth - m_nGripWidth);
        r.setTop(r.top() + oldHeight - m_nGripHeight);
        r.setSize(QSize(m_nGripWidth, m_nGripHeight));
        setGeometry(r);
        ApplyMask();
        update();
    }
    else if (event->type() == QEvent::LayoutDirectionChange)
    {
        ApplyMask();
    }
    QSizeGrip::changeEvent(event);
}

void CSizeGripExt::resizeEvent(QResizeEvent* event)
{
    ApplyMask();
    QSizeGrip::resizeEvent(event);
}

} // namespace controls
