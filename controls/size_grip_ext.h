// The size grip in the bottom-right corner of a resizable dialog's client area: as large as a
// scroll bar is thick, cut to its lower-right triangle, hidden while the dialog is maximised,
// and dragging it sizes the dialog. In a right-to-left dialog it sits in the bottom-left corner.
#pragma once

#include <QSizeGrip>

namespace controls
{

// Hit-test answers of the grip, numbered like the platform's.
enum GripHitTest : int
{
    HitBottomLeft = 16,
    HitBottomRight = 17,
};

class CSizeGripExt : public QSizeGrip
{
    Q_OBJECT

public:
    // A hidden grip at the parent's client origin, sized from the style's scroll-bar metric.
    explicit CSizeGripExt(QWidget* parent);
    ~CSizeGripExt() override;

    // Sets the flags and the wished visibility, then places the grip in its corner.
    bool Create(bool visible, bool triangular, bool transparent);

    // Moves the grip into the parent's corner, beneath its siblings, shown or hidden as wished.
    void Reposition();

    void SetVisible(bool visible) { m_bVisible = visible; }
    bool WishedVisible() const { return m_bVisible; }

    // On: only the lower-right half (lower-left when right-to-left) takes part; off: the square.
    void SetTriangular(bool on);
    bool IsTriangular() const { return m_bTriangular; }

    // On: the parent's background shows around the grip's marks; off: the grip fills its square.
    void SetTransparent(bool on);
    bool IsTransparent() const { return m_bTransparent; }

    int GripWidth() const { return m_nGripWidth; }
    int GripHeight() const { return m_nGripHeight; }

    // The corner the grip sizes: bottom-left in a right-to-left layout.
    int HitTest() const;

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ReadMetrics();
    void ApplyMask();

    bool m_bVisible = false;
    bool m_bTriangular = false;
    bool m_bTransparent = false;
    int m_nGripWidth = 0;
    int m_nGripHeight = 0;
};

} // namespace controls
