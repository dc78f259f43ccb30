#include "platform/placement_store.h"

#include "platform/profile.h"
#include "tests/support/temp_dir.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

using namespace platform;

namespace
{

QString Q(const char* text)
{
    return QString::fromUtf8(text);
}

const QString g_entry = Q("{104A7F6F-FFA3-4293-B808-9578D46FEC55}");

PlacementRect Rect(const QRect& r)
{
    return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
}

class PlacementStoreTest : public testing::Test
{
protected:
    void SetUp() override
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(m_dir.Path()));
        m_primary = QGuiApplication::primaryScreen()->geometry();
    }

    static void Store(const QString& entry, const WindowPlacement& p, int bytes = 44)
    {
        const auto record = EncodePlacement(p);
        ASSERT_TRUE(WriteProfileBinary(
            Q("Position"), entry, QByteArray(reinterpret_cast<const char*>(record.data()), bytes)));
    }

    static QByteArray Stored(const QString& entry)
    {
        QByteArray bytes;
        GetProfileBinary(Q("Position"), entry, bytes);
        return bytes;
    }

    static WindowPlacement Placement(std::int32_t showCmd, std::int32_t flags, PlacementRect rect)
    {
        WindowPlacement p;
        p.length = 44;
        p.showCmd = showCmd;
        p.flags = flags;
        p.ptMinPosition = {-1, -1};
        p.ptMaxPosition = {-1, -1};
        p.rcNormalPosition = rect;
        return p;
    }

    testing_support::TempDir m_dir;
    QRect m_primary;
};

TEST_F(PlacementStoreTest, SaveWritesTheWindowsRecordAndTheKind)
{
    QWidget window;
    window.setGeometry(100, 120, 300, 200);
    PlacementStore store;
    store.kind = 4;
    ASSERT_TRUE(SavePlacement(store, &window, g_entry));

    const WindowPlacement expected = Placement(ShowNormal, 0, {100, 120, 400, 320});
    EXPECT_EQ(store.current, expected);
    const auto record = EncodePlacement(expected);
    EXPECT_EQ(Stored(g_entry), QByteArray(reinterpret_cast<const char*>(record.data()), 44));
    EXPECT_EQ(GetProfileInt(Q("Position"), QString(), 0), 4);
}

TEST_F(PlacementStoreTest, ReadingKnowsTheShowStateAndTheNormalGeometry)
{
    struct Case
    {
        Qt::WindowStates state;
        std::int32_t showCmd;
        std::int32_t flags;
    };
    const Case cases[] = {
        {Qt::WindowNoState, ShowNormal, 0},
        {Qt::WindowMaximized, ShowMaximized, 0},
        {Qt::WindowFullScreen, ShowMaximized, 0},
        {Qt::WindowMinimized, ShowMinimized, 0},
        {Qt::WindowMinimized | Qt::WindowMaximized, ShowMinimized, PlacementRestoreToMaximized},
    };
    for (const Case& c : cases)
    {
        QWidget window;
        window.setGeometry(30, 40, 250, 150);
        window.setWindowState(c.state);
        WindowPlacement p;
        ASSERT_TRUE(ReadWindowPlacement(&window, p));
        EXPECT_EQ(p, Placement(c.showCmd, c.flags, {30, 40, 280, 190})) << int(c.state);
    }
    QWidget parent;
    QWidget child(&parent);
    WindowPlacement p;
    EXPECT_FALSE(ReadWindowPlacement(&child, p));
    EXPECT_FALSE(ReadWindowPlacement(nullptr, p));
    EXPECT_FALSE(ApplyWindowPlacement(&child, p));
    PlacementStore store;
    EXPECT_FALSE(SavePlacement(store, &child, g_entry));
    EXPECT_TRUE(Stored(g_entry).isEmpty());
}

TEST_F(PlacementStoreTest, NothingStoredLeavesTheWindowAndKeepsTheCentredFallback)
{
    ASSERT_TRUE(WriteProfileInt(Q("Position"), QString(), 3));
    QWidget window;
    window.setGeometry(10, 20, 301, 201);
    PlacementStore store;
    EXPECT_FALSE(RestorePlacement(store, &window, g_entry));

    EXPECT_EQ(window.geometry(), QRect(10, 20, 301, 201));
    EXPECT_EQ(store.firstUse, 0);
    EXPECT_EQ(store.kind, 3);
    const int W = m_primary.width();
    const int H = m_primary.height();
    const PlacementRect centred{m_primary.x() + (W - 301) / 2, m_primary.y() + (H - 201) / 2,
                                m_primary.x() + (301 + W) / 2, m_primary.y() + (201 + H) / 2};
    EXPECT_EQ(store.fallback, Placement(ShowNormal, 0, centred));
    EXPECT_EQ(store.current, store.fallback);

    ASSERT_TRUE(ApplyFallbackPlacement(store, &window));
    EXPECT_EQ(Rect(window.geometry()), centred);
}

TEST_F(PlacementStoreTest, ShortValueCountsAsAbsent)
{
    Store(g_entry, Placement(ShowNormal, 0, {1, 2, 300, 400}), 43);
    QWidget window;
    window.setGeometry(10, 20, 200, 100);
    PlacementStore store;
    EXPECT_FALSE(RestorePlacement(store, &window, g_entry));
    EXPECT_EQ(window.geometry(), QRect(10, 20, 200, 100));
    EXPECT_EQ(store.current, store.fallback);
}

TEST_F(PlacementStoreTest, KindDecidesTheShowStateOfAStoredPlacement)
{
    struct Case
    {
        int kind;
        std::int32_t showCmd;
        std::int32_t flags;
        Qt::WindowStates state;
    };
    const Case cases[] = {
        {0, ShowNormal, 0, Qt::WindowNoState},
        {0, ShowMaximized, 0, Qt::WindowMaximized},
        {0, ShowMinimized, 0, Qt::WindowNoState},
        {0, ShowMinimized, PlacementRestoreToMaximized, Qt::WindowMaximized},
        {1, ShowMinimized, PlacementRestoreToMaximized, Qt::WindowMinimized | Qt::WindowMaximized},
        {2, ShowMaximized, 0, Qt::WindowNoState},
        {3, ShowNormal, 0, Qt::WindowMaximized},
        {4, ShowNormal, 0, Qt::WindowMinimized},
        {0, ShowHide, 0, Qt::WindowNoState}, // a stored value never hides a window
    };
    const PlacementRect rect{50, 60, 450, 360};
    for (const Case& c : cases)
    {
        ASSERT_TRUE(WriteProfileInt(Q("Position"), QString(), c.kind));
        Store(g_entry, Placement(c.showCmd, c.flags, rect));
        QWidget window;
        window.setGeometry(0, 0, 100, 100);
        PlacementStore store;
        ASSERT_TRUE(RestorePlacement(store, &window, g_entry));
        EXPECT_EQ(window.windowState(), c.state) << "kind " << c.kind << " cmd " << c.showCmd;
        EXPECT_EQ(store.current.showCmd, ShowCommandForKind(c.kind, c.showCmd, c.flags));
        WindowPlacement now;
        ASSERT_TRUE(ReadWindowPlacement(&window, now));
        EXPECT_EQ(now.rcNormalPosition, rect) << "kind " << c.kind << " cmd " << c.showCmd;
    }
}

TEST_F(PlacementStoreTest, TheKindIsReadOnceAndWrittenBackUnchanged)
{
    ASSERT_TRUE(WriteProfileInt(Q("Position"), QString(), 2));
    Store(g_entry, Placement(ShowMaximized, 0, {50, 60, 450, 360}));
    QWidget window;
    PlacementStore store;
    ASSERT_TRUE(RestorePlacement(store, &window, g_entry));
    EXPECT_EQ(window.windowState(), Qt::WindowNoState);

    ASSERT_TRUE(WriteProfileInt(Q("Position"), QString(), 3)); // changed behind our back
    ASSERT_TRUE(RestorePlacement(store, &window, g_entry));
    EXPECT_EQ(window.windowState(), Qt::WindowNoState);
    ASSERT_TRUE(SavePlacement(store, &window, g_entry));
    EXPECT_EQ(GetProfileInt(Q("Position"), QString(), 0), 2);
}

TEST_F(PlacementStoreTest, PlacementOffEveryScreenComesBackOnThePrimary)
{
    Store(g_entry, Placement(ShowNormal, 0, {5000, 5000, 5400, 5300}));
    QWidget window;
    PlacementStore store;
    ASSERT_TRUE(RestorePlacement(store, &window, g_entry));
    const QRect expected(m_primary.x() + (m_primary.width() - 400) / 2,
                         m_primary.y() + (m_primary.height() - 300) / 2, 400, 300);
    EXPECT_EQ(window.geometry(), expected);
    // What is stored stays as it was until the next save.
    EXPECT_EQ(store.current.rcNormalPosition, (PlacementRect{5000, 5000, 5400, 5300}));
}

TEST_F(PlacementStoreTest, MaximisedWindowComesBackMaximisedAndRestoresToItsNormalPlace)
{
    {
        QWidget window;
        window.setGeometry(70, 80, 320, 240);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.showMaximized();
        ASSERT_TRUE(QTest::qWaitFor([&] { return window.isMaximized(); }, 5000));
        PlacementStore store;
        ASSERT_TRUE(SavePlacement(store, &window, g_entry));
        EXPECT_EQ(store.current.showCmd, ShowMaximized);
    }
    QWidget window;
    window.setGeometry(0, 0, 100, 100);
    PlacementStore store;
    ASSERT_TRUE(RestorePlacement(store, &window, g_entry));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(window.isMaximized());
    window.showNormal();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isMaximized(); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.geometry() == QRect(70, 80, 320, 240); }, 5000))
        << window.geometry().x() << "," << window.geometry().y() << " " << window.geometry().width()
        << "x" << window.geometry().height();
}

} // namespace
