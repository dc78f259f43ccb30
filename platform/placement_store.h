// Saves and restores one top-level window's placement in the profile section "Position",
// together with the section's unnamed show-state kind that all windows share.
#pragma once

#include "platform/placement_store_rules.h"

#include <QString>

class QWidget;

namespace platform
{

// The profile section of every placement.
inline constexpr char16_t PlacementSection[] = u"Position";

// One per window that remembers its placement.
struct PlacementStore
{
    std::int32_t kind = 0;     // show-state kind, read at the first restore
    WindowPlacement current;   // the placement last saved, read or applied
    WindowPlacement fallback;  // the window's own placement at the first restore, centred
    std::int32_t firstUse = 1; // the first restore has not happened yet
};

// The placement of a top-level window: its normal geometry in screen coordinates (the client
// area, as Qt's geometry gives it), its show command and the restore-to-maximised flag. False
// for a missing or non-top-level window.
bool ReadWindowPlacement(const QWidget* window, WindowPlacement& placement);

// Applies a placement: the normal geometry, moved back onto the primary screen when it lies
// wholly off every screen, then the window state of the show command. A hidden window keeps
// the state for when it is shown. False for a missing or non-top-level window.
bool ApplyWindowPlacement(QWidget* window, const WindowPlacement& placement);

// Reads the window's placement into store.current and writes it under `entry`, then writes
// store.kind as the section's unnamed value. False when any step fails.
bool SavePlacement(PlacementStore& store, const QWidget* window, const QString& entry);

// At the first call, takes the window's own placement centred on the primary screen as the
// fallback and reads the show-state kind. Then applies the placement stored under `entry`
// with its show command adjusted by the kind. False when nothing usable is stored (absent,
// shorter than a record, or an empty rectangle): store.current is then the fallback and the
// window is left alone.
bool RestorePlacement(PlacementStore& store, QWidget* window, const QString& entry);

// Applies store.fallback to the window.
bool ApplyFallbackPlacement(PlacementStore& store, QWidget* window);

} // namespace platform
