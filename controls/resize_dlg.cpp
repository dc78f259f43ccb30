#include "controls/resize_dlg.h"

#include "controls/size_grip_ext.h"
#include "platform/dialog_template.h"
#include "platform/message_box.h"
#include "platform/qt_rect.h"

#include <QEvent>
#include <QResizeEvent>

#include <algorithm>

namespace controls
{
namespace
{

using platform::FromQRect;
using platform::ToQRect;

// A control's rectangle in the dialog's client coordinates, wherever it sits in the tree.
QRect RectInDialog(const QWidget& dialog, const QWidget& control)
{
    const QWidget* parent = control.parentWidget();
    if (parent == &dialog || !parent)
        return control.geometry();
    return QRect(parent->mapTo(&dialog, control.pos()), control.size());
}

// The dialog's controls, found by id, as the layout sees them.
class DialogControls : public IControlGeometry
{
public:
    explicit DialogControls(const QWidget& dialog) : m_dialog(dialog) {}

    std::optional<LayoutRect> ActualRect(int controlId) const override
    {
        const QWidget* control = platform::GetDlgItem(m_dialog, controlId);
        if (!control)
            return std::nullopt;
        return FromQRect(RectInDialog(m_dialog, *control));
    }

private:
    const QWidget& m_dialog;
};

} // namespace

CResizeDlg::CResizeDlg(const platform::DialogTemplate& tmpl, QWidget* parent) : QDialog(parent)
{
    platform::BuildDialog(*this, tmpl);
}

CResizeDlg::~CResizeDlg()
{
    if (!m_bDestroyed)
    {
        m_bDestroyed = true;
        CResizeDlg::OnDestroy();
    }
}

bool CResizeDlg::AddResizeItem(int controlId, int leftRule, int rightRule, int topRule,
                               int bottomRule, int options, double xRatio, double xShare,
                               double yRatio, double yShare)
{
    const QWidget* control = platform::GetDlgItem(*this, controlId);
    if (!control)
        return false;
    m_layout.AddItem(MakeResizeItem(controlId, leftRule, rightRule, topRule, bottomRule, options,
                                    xRatio, xShare, yRatio, yShare,
                                    FromQRect(RectInDialog(*this, *control)), width(), height()));
    return true;
}

void CResizeDlg::HideSizeGrip()
{
    if (!m_pSizeGrip)
        return;
    m_pSizeGrip->SetVisible(false);
    m_pSizeGrip->Reposition();
}

void CResizeDlg::SetMinTrackSize(int width, int height)
{
    m_nMinTrackWidth = width;
    m_nMinTrackHeight = height;
    ApplyTrackLimits();
}

void CResizeDlg::SetResizable(bool x, bool y)
{
    m_bResizableX = x;
    m_bResizableY = y;
    ApplyTrackLimits();
}

void CResizeDlg::ApplyTrackLimits()
{
    setMinimumSize(std::max(0, m_nMinTrackWidth), std::max(0, m_nMinTrackHeight));
    // A fixed axis stays at the minimum tracking size; without one it stays at the size it has,
    // rather than collapsing to nothing.
    const auto fixedAt = [](int minimum, int current) { return minimum > 0 ? minimum : current; };
    setMaximumSize(m_bResizableX ? QWIDGETSIZE_MAX : fixedAt(m_nMinTrackWidth, width()),
                   m_bResizableY ? QWIDGETSIZE_MAX : fixedAt(m_nMinTrackHeight, height()));
}

void CResizeDlg::setVisible(bool visible)
{
    if (visible && !m_bInitialised)
    {
        m_bInitialised = true;
        OnInitDialog();
    }
    QDialog::setVisible(visible);
}

bool CResizeDlg::OnInitDialog()
{
    const LayoutRect client = ClientRectOnScreen();
    m_layout.Init(client);
    if (!m_pSizeGrip)
        m_pSizeGrip = new CSizeGripExt(this);
    m_pSizeGrip->Create(true, true, false);
    return true;
}

void CResizeDlg::DestroyWindow()
{
    if (m_bDestroyed)
        return;
    m_bDestroyed = true;
    OnDestroy();
}

void CResizeDlg::OnDestroy()
{
    // A dialog that was never initialised has no placement of its own: saving it would
    // overwrite the one the user left.
    if (!m_bInitialised || m_strPlacementEntry.isEmpty())
        return;
    if (!platform::SavePlacement(m_placement, this, m_strPlacementEntry))
        platform::ShowMessageBox("Fail to Save!", platform::MbOk | platform::MbIconWarning);
}

LayoutRect CResizeDlg::ClientRectOnScreen() const
{
    const QPoint origin = mapToGlobal(QPoint(0, 0));
    return {origin.x(), origin.y(), origin.x() + width(), origin.y() + height()};
}

int CResizeDlg::CurrentSizeKind() const
{
    const Qt::WindowStates state = windowState();
    if (state & Qt::WindowMinimized)
        return SizeMinimized;
    if (state & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return SizeMaximized;
    return SizeRestored;
}

void CResizeDlg::OnSize(int kind)
{
    std::vector<ResizeMove> moves;
    if (!m_layout.OnSize(kind, ClientRectOnScreen(), DialogControls(*this), moves))
        return;

    if (!moves.empty())
    {
        // All moves of one size change land together: no control shows a halfway layout.
        const bool updates = updatesEnabled();
        setUpdatesEnabled(false);
        for (const ResizeMove& move : moves)
        {
            QWidget* control = platform::GetDlgItem(*this, move.ControlId);
            if (!control)
                continue;
            if (move.RepaintOnMove)
                control->update();
            QRect target = ToQRect(move.To);
            if (QWidget* parent = control->parentWidget(); parent && parent != this)
                target.moveTopLeft(parent->mapFrom(this, target.topLeft()));
            control->setGeometry(target);
            if (move.RepaintOnMove)
                update(ToQRect(move.From));
        }
        setUpdatesEnabled(updates);
    }

    if (m_pSizeGrip)
    {
        m_pSizeGrip->SetVisible(!(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)));
        m_pSizeGrip->Reposition();
    }
}

void CResizeDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    OnSize(CurrentSizeKind());
}

void CResizeDlg::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    // Minimising and restoring may leave the size as it was; the grip still has to follow.
    if (event->type() == QEvent::WindowStateChange)
        OnSize(CurrentSizeKind());
}

} // namespace controls
