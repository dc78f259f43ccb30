#include "controls/report_images.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace
{

// A small filled chevron-like triangle, drawn at every size so it stays crisp on scaled
// screens.
QIcon MakeArrow(bool up)
{
    QIcon icon;
    for (const int size : {16, 32})
    {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        {
            QPainter p(&pixmap);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(96, 104, 120));
            const double s = size / 16.0;
            QPainterPath path;
            if (up)
            {
                path.moveTo(4 * s, 10 * s);
                path.lineTo(12 * s, 10 * s);
                path.lineTo(8 * s, 5.5 * s);
            }
            else
            {
                path.moveTo(4 * s, 6 * s);
                path.lineTo(12 * s, 6 * s);
                path.lineTo(8 * s, 10.5 * s);
            }
            path.closeSubpath();
            p.drawPath(path);
        }
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon MakeEmpty()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    return QIcon(pixmap);
}

} // namespace

std::vector<QIcon> MakeSortArrowImages()
{
    return {MakeEmpty(), MakeArrow(true), MakeArrow(false)};
}
