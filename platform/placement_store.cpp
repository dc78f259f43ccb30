#include "platform/placement_store.h"

#include "platform/profile.h"
#include "platform/qt_rect.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <vector>

namespace platform
{
namespace
{

PlacementRect PrimaryScreenRect()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return FromQRect(screen->geometry());
    return {};
}

QString Section()
{
    return QString::fromUtf16(PlacementSection);
}

constexpr Qt::WindowStates ShowStates =
    Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;

// The window state that a show command stands for. Commands that would hide the window or that
// the record never holds come back as normal: a stored value must not make a window vanish.
Qt::WindowStates StatesForShowCommand(std::int32_t showCmd, std::int32_t flags)
{
    switch (showCmd)
    {
    case ShowMaximized:
        return Qt::WindowMaximized;
    case ShowMinimized:
    case 6:  // minimise
    case 7:  // minimised without activation
    case 11: // forced minimise
        return (flags & PlacementRestoreToMaximized) ? Qt::WindowMinimized | Qt::WindowMaximized
                                                     : Qt::WindowMinimized;
    default:
        return Qt::WindowNoState;
    }
}

} // namespace

bool ReadWindowPlacement(const QWidget* window, WindowPlacement& placement)
{
    if (!window || !window->isWindow())
        return false;
    const Qt::WindowStates state = window->windowState();
    WindowPlacement p;
    p.length = static_cast<std::int32_t>(PlacementRecordSize);
    if (state & Qt::WindowMinimized)
    {
        p.showCmd = ShowMinimized;
        if (state & (Qt::WindowMaximized | Qt::WindowFullScreen))
            p.flags = PlacementRestoreToMaximized;
    }
    else
    {
        p.showCmd = (state & ShowStates) ? ShowMaximized : ShowNormal;
    }
    // Neither position is tracked here; -1 is the record's "not set".
    p.ptMinPosition = {-1, -1};
    p.ptMaxPosition = {-1, -1};
    QRect normal = window->geometry();
    if (state & ShowStates)
    {
        const QRect remembered = window->normalGeometry();
        if (remembered.isValid())
            normal = remembered;
    }
    p.rcNormalPosition = FromQRect(normal);
    placement = p;
    return true;
}

bool ApplyWindowPlacement(QWidget* window, const WindowPlacement& placement)
{
    if (!window || !window->isWindow())
        return false;
    std::vector<PlacementRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.push_back(FromQRect(screen->geometry()));
    PlacementRect normal = placement.rcNormalPosition;
    if (!screens.empty())
        normal = KeepOnScreen(normal, screens, PrimaryScreenRect());

    // The normal geometry is set while the window is in the normal state, so that Qt records it
    // as the geometry to return to from the state applied after it.
    const Qt::WindowStates others = window->windowState() & ~ShowStates;
    window->setWindowState(others);
    window->setGeometry(ToQRect(normal));
    window->setWindowState(others | StatesForShowCommand(placement.showCmd, placement.flags));
    return true;
}

bool SavePlacement(PlacementStore& store, const QWidget* window, const QString& entry)
{
    if (!ReadWindowPlacement(window, store.current))
        return false;
    const auto bytes = EncodePlacement(store.current);
    if (!WriteProfileBinary(Section(), entry,
                            QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                       static_cast<qsizetype>(bytes.size()))))
        return false;
    return WriteProfileInt(Section(), QString(), store.kind);
}

bool RestorePlacement(PlacementStore& store, QWidget* window, const QString& entry)
{
    if (store.firstUse)
    {
        store.firstUse = 0;
        if (!ReadWindowPlacement(window, store.fallback))
            return false;
        store.fallback.rcNormalPosition =
            CentreOnScreen(store.fallback.rcNormalPosition, PrimaryScreenRect());
        store.kind = GetProfileInt(Section(), QString(), 0);
    }

    QByteArray stored;
    std::optional<WindowPlacement> placement;
    if (GetProfileBinary(Section(), entry, stored))
        placement = DecodePlacement(std::span(reinterpret_cast<const std::uint8_t*>(stored.data()),
                                              static_cast<std::size_t>(stored.size())));
    if (!placement)
    {
        store.current = store.fallback;
        return false;
    }
    store.current = *placement;
    store.current.showCmd = ShowCommandForKind(store.kind, placement->showCmd, placement->flags);
    return ApplyWindowPlacement(window, store.current);
}

bool ApplyFallbackPlacement(PlacementStore& store, QWidget* window)
{
    store.current = store.fallback;
    return ApplyWindowPlacement(window, store.current);
}

} // namespace platform
