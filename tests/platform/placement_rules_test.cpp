#include "platform/placement_store_rules.h"

#include <gtest/gtest.h>

#include <vector>

using namespace platform;

namespace
{

WindowPlacement Sample()
{
    WindowPlacement p;
    p.length = 44;
    p.flags = PlacementRestoreToMaximized;
    p.showCmd = ShowMinimized;
    p.ptMinPosition = {-1, -1};
    p.ptMaxPosition = {-32000, 258};
    p.rcNormalPosition = {-8, 100, 1288, 0x12345};
    return p;
}

TEST(PlacementRecord, ElevenLittleEndianFieldsInOrder)
{
    const auto bytes = EncodePlacement(Sample());
    const std::vector<std::uint8_t> expected = {
        44,   0,    0,    0,    // length
        2,    0,    0,    0,    // flags
        2,    0,    0,    0,    // show command
        0xFF, 0xFF, 0xFF, 0xFF, // minimised x
        0xFF, 0xFF, 0xFF, 0xFF, // minimised y
        0x00, 0x83, 0xFF, 0xFF, // maximised x: -32000
        0x02, 0x01, 0x00, 0x00, // maximised y: 258
        0xF8, 0xFF, 0xFF, 0xFF, // left: -8
        100,  0,    0,    0,    // top
        0x08, 0x05, 0x00, 0x00, // right: 1288
        0x45, 0x23, 0x01, 0x00, // bottom
    };
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), expected);
    EXPECT_EQ(DecodePlacement(bytes), Sample());
}

TEST(PlacementRecord, ShortOrEmptyRectanglesCountAsAbsentLongerValuesUseTheirStart)
{
    const auto bytes = EncodePlacement(Sample());
    EXPECT_EQ(DecodePlacement(std::span(bytes).first(43)), std::nullopt);
    EXPECT_EQ(DecodePlacement({}), std::nullopt);

    std::vector<std::uint8_t> longer(bytes.begin(), bytes.end());
    longer.insert(longer.end(), {1, 2, 3, 4, 5});
    EXPECT_EQ(DecodePlacement(longer), Sample());

    struct Case
    {
        PlacementRect rect;
        bool usable;
    };
    const Case cases[] = {
        {{0, 0, 1, 1}, true},
        {{10, 10, 10, 20}, false},                     // no width
        {{10, 20, 30, 20}, false},                     // no height
        {{30, 10, 10, 20}, false},                     // inverted
        {{-2147483647 - 1, 0, 2147483647, 10}, false}, // wider than any window
        {{0, 0, 0xFFFFFF, 0xFFFFFF}, true},
    };
    for (const Case& c : cases)
    {
        WindowPlacement p = Sample();
        p.rcNormalPosition = c.rect;
        EXPECT_EQ(DecodePlacement(EncodePlacement(p)).has_value(), c.usable)
            << c.rect.left << "," << c.rect.top << "," << c.rect.right << "," << c.rect.bottom;
    }
}

TEST(PlacementKinds, ShowCommandApplied)
{
    struct Case
    {
        std::int32_t kind;
        std::int32_t stored;
        std::int32_t flags;
        std::int32_t expected;
    };
    const Case cases[] = {
        {1, ShowMinimized, 0, ShowMinimized},
        {1, ShowMaximized, 0, ShowMaximized},
        {2, ShowMaximized, 0, ShowNormal},
        {2, ShowMinimized, 2, ShowNormal},
        {3, ShowNormal, 0, ShowMaximized},
        {4, ShowNormal, 0, ShowMinimized},
        {0, ShowNormal, 0, ShowNormal},
        {0, ShowMaximized, 0, ShowMaximized},
        {0, ShowMinimized, 0, ShowNormal},
        {0, ShowMinimized, PlacementRestoreToMaximized, ShowMaximized},
        {7, ShowMinimized, PlacementRestoreToMaximized, ShowMaximized},
        {-1, ShowMinimized, 0, ShowNormal},
        // A set minimised position is no reason to stay minimised.
        {0, ShowMinimized, PlacementSetMinPosition, ShowNormal},
        {0, ShowMinimized, PlacementSetMinPosition | PlacementRestoreToMaximized, ShowMaximized},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShowCommandForKind(c.kind, c.stored, c.flags), c.expected)
            << "kind " << c.kind << " stored " << c.stored << " flags " << c.flags;
}

TEST(PlacementGeometry, CentringTruncatesEachEdgeTowardZero)
{
    const PlacementRect screen{0, 0, 1600, 1000};
    EXPECT_EQ(CentreOnScreen({5, 7, 806, 608}, screen), (PlacementRect{399, 199, 1200, 800}));
    // Larger than the screen: negative edges divide toward zero too.
    EXPECT_EQ(CentreOnScreen({0, 0, 1701, 1003}, screen), (PlacementRect{-50, -1, 1650, 1001}));
    // A primary screen that does not start at the origin.
    EXPECT_EQ(CentreOnScreen({0, 0, 200, 100}, {1920, -200, 3520, 800}),
              (PlacementRect{2620, 250, 2820, 350}));
}

TEST(PlacementGeometry, WindowsWhollyOffEveryScreenComeBackToThePrimary)
{
    const std::vector<PlacementRect> screens = {{0, 0, 1600, 1000}, {1600, 0, 3520, 1080}};
    const PlacementRect primary = screens[0];
    struct Case
    {
        PlacementRect rect;
        PlacementRect expected;
    };
    const Case cases[] = {
        {{100, 100, 500, 400}, {100, 100, 500, 400}},       // on the primary
        {{3000, 900, 3400, 1300}, {3000, 900, 3400, 1300}}, // partly on the second
        {{-399, -299, 1, 1}, {-399, -299, 1, 1}},           // one pixel left on screen
        {{-400, -300, 0, 0}, {600, 350, 1000, 650}},        // touching is not on it
        {{3520, 0, 3920, 300}, {600, 350, 1000, 650}},      // right of everything
        {{1700, 1080, 2100, 1200}, {600, 440, 1000, 560}},  // below the second screen
        {{5000, 5000, 5400, 5300}, {600, 350, 1000, 650}},  // a monitor that has gone away
    };
    for (const Case& c : cases)
        EXPECT_EQ(KeepOnScreen(c.rect, screens, primary), c.expected)
            << c.rect.left << "," << c.rect.top;
    EXPECT_FALSE(IsOnAnyScreen({0, 0, 10, 10}, {}));
}

} // namespace
