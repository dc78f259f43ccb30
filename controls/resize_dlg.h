// The base of the program's resizable windows: a dialog built from a template whose registered
// controls follow its size by their layout rules (controls/resize_rules.h), with a size grip in
// the corner and its placement saved under PlacementEntry when it is destroyed.
#pragma once

#include "controls/resize_rules.h"
#include "platform/placement_store.h"

#include <QDialog>
#include <QString>

namespace platform
{
struct DialogTemplate;
}

namespace controls
{

class CSizeGripExt;

class CResizeDlg : public QDialog
{
    Q_OBJECT

public:
    CResizeDlg(const platform::DialogTemplate& tmpl, QWidget* parent);
    ~CResizeDlg() override;

    // Registers or re-registers a control (see MakeResizeItem). Returns false, registering
    // nothing, when the dialog has no control with that id. ResizeClipOnErase is recorded but
    // needs no work here: Qt composes the dialog in a backing store, so no background erase
    // ever paints over a control on screen.
    bool AddResizeItem(int controlId, int leftRule, int rightRule, int topRule, int bottomRule,
                       int options = 0, double xRatio = -1, double xShare = -1, double yRatio = -1,
                       double yShare = -1);

    // Hides the grip until the next size change.
    void HideSizeGrip();

    // The profile entry (section "Position") the placement is saved under on destroy; empty:
    // not saved.
    const QString& PlacementEntry() const { return m_strPlacementEntry; }
    void SetPlacementEntry(const QString& entry) { m_strPlacementEntry = entry; }
    platform::PlacementStore& GetPlacementStore() { return m_placement; }

    int MinTrackWidth() const { return m_nMinTrackWidth; }
    int MinTrackHeight() const { return m_nMinTrackHeight; }
    void SetMinTrackSize(int width, int height);
    bool ResizableX() const { return m_bResizableX; }
    bool ResizableY() const { return m_bResizableY; }
    void SetResizable(bool x, bool y);

    // The edge of the last sizing report; Qt tells no edge, so it stays 0 unless OnSizing runs.
    int SizingEdge() const { return m_layout.SizingEdge(); }
    const std::vector<ResizeItem>& ResizeItems() const { return m_layout.Items(); }
    const LayoutRect& LastClientRect() const { return m_layout.LastClientRect(); }
    const LayoutRect& InitialClientRect() const { return m_layout.InitialClientRect(); }
    CSizeGripExt* SizeGrip() const { return m_pSizeGrip; }

    // A sizing report from a platform that tells which edge the user drags.
    void OnSizing(int edge) { m_layout.OnSizing(edge); }
    // A size change of `kind` (SizeKind) to the current client size.
    void OnSize(int kind);

    // Runs the destroy handling once: saves the placement under PlacementEntry and tells the
    // user "Fail to Save!" when that fails. The destructor runs it when nobody did; a derived
    // dialog with destroy handling of its own calls it from its destructor.
    void DestroyWindow();

    void setVisible(bool visible) override;

protected:
    // Runs once, just before the dialog is first shown: takes the client area as the initial
    // one and creates the grip. A derived dialog calls it first, then registers its controls.
    virtual bool OnInitDialog();
    // The destroy handling; an override calls the base first.
    virtual void OnDestroy();

    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    LayoutRect ClientRectOnScreen() const;
    int CurrentSizeKind() const;
    void ApplyTrackLimits();

    platform::PlacementStore m_placement;
    QString m_strPlacementEntry;
    CResizeLayout m_layout;
    int m_nMinTrackWidth = 0;
    int m_nMinTrackHeight = 0;
    bool m_bResizableX = true;
    bool m_bResizableY = true;
    CSizeGripExt* m_pSizeGrip = nullptr;
    bool m_bInitialised = false;
    bool m_bDestroyed = false;
};

} // namespace controls
