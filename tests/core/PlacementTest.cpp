// The placement arithmetic and the layout rules, with screen-sized cases.
#include <gtest/gtest.h>

#include "LayoutRules.h"
#include "Placement.h"
#include "resource.h"

namespace {
const PixelBox kScreen{0, 0, 1280, 800};
const PixelBox kTaskbarBottom{0, 0, 1280, 760};
const PixelBox kTaskbarLeft{60, 0, 1280, 800};
const PixelBox kTaskbarTop{0, 40, 1280, 800};
}  // namespace

TEST(Placement, InitialPositionIsTheWorkAreasCorner)
{
    const PixelBox window{0, 0, 400, 150};
    EXPECT_EQ(InitialPosition(window, kTaskbarBottom), (PixelPosition{880, 610}));
    // Taskbar at the left or top: still the corner, measured from the right
    // and bottom edges.
    EXPECT_EQ(InitialPosition(window, kTaskbarLeft), (PixelPosition{880, 650}));
    EXPECT_EQ(InitialPosition(window, kTaskbarTop), (PixelPosition{880, 650}));
    // A primary monitor that does not start at the origin.
    EXPECT_EQ(InitialPosition(window, {1920, 0, 3200, 760}), (PixelPosition{2800, 610}));
}

// Monitors as the system reports them: a secondary monitor left of the
// primary has negative coordinates. A window belongs to the monitor it
// overlaps most; off every monitor, the primary's work area holds it.
TEST(Placement, MonitorOfAWindow)
{
    const MonitorArea primary{{0, 0, 1280, 800}, {0, 0, 1280, 760}, true};
    const MonitorArea right{{1280, 0, 3200, 1080}, {1280, 0, 3200, 1040}, false};
    const MonitorArea left{{-1920, 0, 0, 1080}, {-1920, 0, 0, 1080}, false};
    const std::vector<MonitorArea> monitors{left, primary, right};
    const MonitorArea screen{{0, 0, 1, 1}, {0, 0, 1, 1}, true};
    const struct {
        const char* why;
        PixelBox window;
        PixelBox work;
    } cases[] = {
        {"on the primary", {880, 610, 1280, 760}, primary.work},
        {"dragged wholly onto the right one", {2000, 100, 2400, 250}, right.work},
        {"across the edge, more on the right one", {1180, 100, 1580, 250}, right.work},
        {"across the edge, more on the primary", {1000, 100, 1400, 250}, primary.work},
        {"on the one left of the primary", {-500, 900, -100, 1050}, left.work},
        {"its monitor went away: off every monitor", {4000, 100, 4400, 250}, primary.work},
    };
    for (const auto& c : cases) EXPECT_EQ(WorkAreaFor(c.window, monitors, screen), c.work) << c.why;
    EXPECT_FALSE(MonitorOf({4000, 100, 4400, 250}, monitors));

    // No monitor marked primary: the first; none at all: the screen.
    EXPECT_EQ(PrimaryMonitor({right, left}, screen).work, right.work);
    EXPECT_EQ(PrimaryMonitor({}, screen).work, screen.work);
}

TEST(Placement, ClampLayoutRect)
{
    const struct {
        const char* why;
        PixelBox in, work, out;
    } cases[] = {
        {"inside stays", {100, 100, 500, 250}, kScreen, {100, 100, 500, 250}},
        {"past the right edge", {1000, 100, 1400, 250}, kScreen, {880, 100, 1280, 250}},
        {"on the left edge counts as outside", {60, 10, 460, 160}, kTaskbarLeft, {60, 10, 460, 160}},
        {"above the top", {10, 0, 410, 150}, kTaskbarTop, {10, 40, 410, 190}},
        {"past the bottom", {10, 700, 410, 850}, kTaskbarBottom, {10, 610, 410, 760}},
        {"wider than the work area ends on its right", {-50, 10, 1350, 160}, kScreen, {-120, 10, 1280, 160}},
    };
    for (const auto& c : cases) EXPECT_EQ(ClampLayoutRect(c.in, c.work), c.out) << c.why;
}

TEST(Placement, ProposedMovesStayInside)
{
    const PixelBox window{500, 300, 900, 450};  // 400 x 150
    const struct {
        const char* why;
        PixelPosition proposed;
        PixelBox work;
        PixelPosition out;
    } cases[] = {
        {"inside", {100, 100}, kScreen, {100, 100}},
        {"left of the work area", {-30, 100}, kTaskbarLeft, {60, 100}},
        {"right edge", {1000, 100}, kScreen, {880, 100}},
        {"above", {100, 10}, kTaskbarTop, {100, 40}},
        {"below the taskbar", {100, 700}, kTaskbarBottom, {100, 610}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FilterProposedPosition(window, c.work, c.proposed, 400, 150, false), c.out) << c.why;

    // Wider than the work area: it may move within its overhang only.
    const PixelBox narrow{0, 0, 300, 800};
    EXPECT_EQ(FilterProposedPosition(window, narrow, {-150, 0}, 400, 150, false), (PixelPosition{-100, 0}));
    EXPECT_EQ(FilterProposedPosition(window, narrow, {50, 0}, 400, 150, false), (PixelPosition{0, 0}));
}

// Windows parks a minimised window at (-32000, -32000): being minimised, or
// moved while minimised, it keeps the proposed position, or a title-bar stub
// would stand in the work area's corner.
TEST(Placement, MinimisedWindowsAreLeftAlone)
{
    const PixelBox stub{-32000, -32000, -31840, -31972};
    const PixelBox normal{880, 610, 1280, 760};
    EXPECT_EQ(FilterProposedPosition(normal, kTaskbarBottom, {-32000, -32000}, 160, 28, true),
              (PixelPosition{-32000, -32000}));
    EXPECT_EQ(FilterProposedPosition(stub, kTaskbarBottom, {-32000, -32000}, 160, 28, true),
              (PixelPosition{-32000, -32000}));
    // Restored, it is filtered again.
    EXPECT_EQ(FilterProposedPosition(stub, kTaskbarBottom, {1000, 700}, 400, 150, false), (PixelPosition{880, 610}));
}

TEST(Placement, KeepInWorkAreaAndWorkAreaChanges)
{
    EXPECT_EQ(KeepInWorkArea({1000, 700, 1400, 850}, kTaskbarBottom), (PixelBox{880, 610, 1280, 760}));
    EXPECT_EQ(KeepInWorkArea({-10, -10, 390, 140}, kTaskbarTop), (PixelBox{0, 40, 400, 190}));

    // Taskbar moved from the top to the bottom: a console dragged to the
    // screen's bottom now sticks out and goes to the new corner; one inside
    // stays.
    const PixelBox atBottom{700, 650, 1100, 800};
    EXPECT_TRUE(SticksOut(atBottom, kTaskbarBottom));
    EXPECT_EQ(CornerPlacement({0, 0, 400, 150}, kTaskbarBottom), (PixelBox{880, 610, 1280, 760}));
    EXPECT_FALSE(SticksOut({700, 500, 1100, 650}, kTaskbarBottom));
}

TEST(LayoutRules, GroupsAndVisibility)
{
    EXPECT_EQ(GroupOfControl(IDC_POWER), 1);
    EXPECT_EQ(GroupOfControl(IDC_QUILLAN), 2);
    EXPECT_EQ(GroupOfControl(IDC_SVIDEO), 3);
    EXPECT_EQ(GroupOfControl(IDC_CC), 4);
    EXPECT_EQ(GroupOfControl(IDC_MODE), 5);
    EXPECT_EQ(GroupOfControl(IDC_VOLUME_LABEL), 0);
    EXPECT_EQ(GroupOfControl(IDC_FRAME), -1);

    AppSettings s{};
    ResetSettings(s);
    EXPECT_TRUE(ShownInLayout(IDC_COMPUTER1, s));
    EXPECT_FALSE(ShownInLayout(IDC_COMPUTER, s));
    EXPECT_FALSE(ShownInLayout(IDC_CC, s));
    s.mode = 7;  // anything but 1 lays out as Simple
    EXPECT_FALSE(ShownInLayout(IDC_COMPUTER1, s));
    EXPECT_TRUE(ShownInLayout(IDC_COMPUTER, s));
    s.showSimpleVolume = 0;
    EXPECT_FALSE(ShownInLayout(IDC_VOLUME_UP, s));
    EXPECT_TRUE(ShownInLayout(IDC_MODE, s));

    EXPECT_EQ(LoneModeButtonOffset(96), 50);
    EXPECT_EQ(LoneModeButtonOffset(120), 58);
}
