// The console button's drawing arithmetic: arrow, focus dots, frame colour and
// caption position.
#include "ButtonDrawing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <ostream>
#include <string>

// Readable failure messages.
static void PrintTo(const PixelPoint& p, std::ostream* os)
{
    *os << "(" << p.x << "," << p.y << ")";
}

namespace {

std::string Describe(const PixelRect& r)
{
    return "rect (" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

}  // namespace

TEST(ButtonDrawing, ArrowPoints)
{
    struct Case {
        const char* why;
        PixelRect item;
        ArrowShape arrow;
        bool pressed;
        ArrowTriangle expected;
    };
    const Case cases[] = {
        {"the console's arrow on a 63x33 control", {0, 0, 63, 33}, {5, 10, 6}, false, {{{52, 11}, {57, 16}, {52, 21}}}},
        {"pressed moves it one pixel right and down", {0, 0, 63, 33}, {5, 10, 6}, true, {{{53, 12}, {58, 17}, {53, 22}}}},
        {"even height", {0, 0, 64, 34}, {5, 10, 6}, false, {{{53, 12}, {58, 17}, {53, 22}}}},
        {"a zero margin puts the tip on the right edge", {0, 0, 40, 20}, {4, 8, 0}, false, {{{36, 6}, {40, 10}, {36, 14}}}},
        // (5 - 10) / 2 is -2 when truncated toward zero, -3 when floored.
        {"arrow taller than the control", {0, 0, 30, 5}, {5, 10, 6}, false, {{{19, -2}, {24, 2}, {19, 7}}}},
    };
    for (const Case& c : cases) {
        const std::optional<ArrowTriangle> points = ArrowPoints(c.item, c.arrow, c.pressed);
        ASSERT_TRUE(points.has_value()) << c.why;
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ((*points)[i].x, c.expected[i].x) << c.why << ", point " << i + 1;
            EXPECT_EQ((*points)[i].y, c.expected[i].y) << c.why << ", point " << i + 1;
        }
    }
}

TEST(ButtonDrawing, NoArrowForANegativeMargin)
{
    for (bool pressed : {false, true}) {
        EXPECT_FALSE(ArrowPoints({0, 0, 63, 33}, {5, 10, -1}, pressed).has_value()) << "pressed " << pressed;
        EXPECT_FALSE(ArrowPoints({0, 0, 63, 33}, {}, pressed).has_value()) << "default shape, pressed " << pressed;
    }
}

namespace {

struct DotRun {
    PixelPoint first;
    PixelPoint last;
    std::size_t count = 0;
};

// Splits the dots back into the four runs (top, right, left, bottom) by the
// line each lies on, checking that every run is a straight line of dots two
// pixels apart.
std::vector<DotRun> SplitRuns(const std::vector<PixelPoint>& dots, const PixelRect& r)
{
    const auto onTop = [&](const PixelPoint& d) { return d.y == r.top + 4; };
    const auto onRight = [&](const PixelPoint& d) { return d.x == r.right - 5; };
    const auto onLeft = [&](const PixelPoint& d) { return d.x == r.left + 4; };
    const auto onBottom = [&](const PixelPoint& d) { return d.y == r.bottom - 5; };
    std::size_t i = 0;
    const auto take = [&](auto onLine) {
        DotRun run;
        for (; i < dots.size() && onLine(dots[i]); ++i) {
            if (run.count > 0) {
                EXPECT_EQ(std::abs(dots[i].x - run.last.x) + std::abs(dots[i].y - run.last.y), 2)
                    << Describe(r) << ": gap before dot " << i;
            } else {
                run.first = dots[i];
            }
            run.last = dots[i];
            ++run.count;
        }
        return run;
    };
    // Braced lists evaluate left to right: the runs are taken in order.
    const std::vector<DotRun> runs{take(onTop), take(onRight), take(onLeft), take(onBottom)};
    EXPECT_EQ(i, dots.size()) << Describe(r) << ": dots off the four lines";
    return runs;
}

int Distance(PixelPoint a, PixelPoint b)
{
    return std::abs(a.x - b.x) + std::abs(a.y - b.y);
}

}  // namespace

// The four runs for odd and even sizes, with the corner rule: a run skips its
// first pixel when the run before it ended on the shared corner.
TEST(ButtonDrawing, FocusDotRuns)
{
    struct Case {
        const char* why;
        PixelRect rect;
        PixelPoint runEnds[4][2];  // first and last dot: top, right, left, bottom
    };
    const Case cases[] = {
        {"63x33: no run ends on a corner", {0, 0, 63, 33},
         {{{5, 4}, {57, 4}}, {{58, 5}, {58, 27}}, {{4, 5}, {4, 27}}, {{5, 28}, {57, 28}}}},
        {"64x34: both corners skip", {0, 0, 64, 34},
         {{{5, 4}, {59, 4}}, {{59, 6}, {59, 28}}, {{4, 5}, {4, 29}}, {{6, 29}, {58, 29}}}},
        {"64x33: only the top-right corner skips", {0, 0, 64, 33},
         {{{5, 4}, {59, 4}}, {{59, 6}, {59, 28}}, {{4, 5}, {4, 27}}, {{5, 28}, {59, 28}}}},
        {"63x34: only the bottom-left corner skips", {0, 0, 63, 34},
         {{{5, 4}, {57, 4}}, {{58, 5}, {58, 29}}, {{4, 5}, {4, 29}}, {{6, 29}, {58, 29}}}},
        {"the themed path's rectangle, grown past the origin", {-1, -1, 64, 34},
         {{{4, 3}, {58, 3}}, {{59, 4}, {59, 28}}, {{3, 4}, {3, 28}}, {{4, 29}, {58, 29}}}},
    };
    for (const Case& c : cases) {
        const std::vector<DotRun> runs = SplitRuns(FocusDotPoints(c.rect), c.rect);
        const char* const names[] = {"top", "right", "left", "bottom"};
        for (int i = 0; i < 4; ++i) {
            ASSERT_GT(runs[i].count, 0u) << c.why << ", " << names[i] << " run";
            EXPECT_EQ(runs[i].first, c.runEnds[i][0]) << c.why << ", " << names[i] << " run first dot";
            EXPECT_EQ(runs[i].last, c.runEnds[i][1]) << c.why << ", " << names[i] << " run last dot";
        }
    }
}

// At the top-right and bottom-left corners the dots keep alternating: the next
// run's first dot is never beside the previous run's last one, nor on it.
TEST(ButtonDrawing, FocusDotsAlternateAtTheCorners)
{
    for (int width = 12; width <= 30; ++width) {
        for (int height = 12; height <= 30; ++height) {
            for (const PixelRect& r : {PixelRect{0, 0, width, height}, PixelRect{-1, -1, width + 1, height + 1}}) {
                const std::vector<DotRun> runs = SplitRuns(FocusDotPoints(r), r);
                EXPECT_EQ(Distance(runs[0].last, runs[1].first), 2) << Describe(r) << ", top-right corner";
                EXPECT_EQ(Distance(runs[2].last, runs[3].first), 2) << Describe(r) << ", bottom-left corner";
            }
        }
    }
}

TEST(ButtonDrawing, FocusDotsOfTinyRectangles)
{
    // Too small for the runs to meet: only the pieces that fit, and no endless loop.
    EXPECT_TRUE(FocusDotPoints({0, 0, 9, 9}).empty());
    EXPECT_TRUE(FocusDotPoints({0, 0, 0, 0}).empty());
    EXPECT_TRUE(FocusDotPoints({10, 10, 0, 0}).empty());
    EXPECT_EQ(FocusDotPoints({0, 0, 10, 10}), (std::vector<PixelPoint>{{5, 4}, {4, 5}}));
}

TEST(ButtonDrawing, DarkFrameColourWrapsEachChannel)
{
    struct Case {
        RgbColour shadow;
        RgbColour dark;
    };
    const Case cases[] = {
        {{0, 0, 0}, {196, 196, 196}},
        {{128, 128, 128}, {68, 68, 68}},
        {{60, 59, 255}, {0, 255, 195}},
    };
    for (const Case& c : cases) {
        const RgbColour dark = DarkFrameColour(c.shadow);
        EXPECT_EQ(dark, c.dark) << "shadow " << int(c.shadow.red) << "," << int(c.shadow.green) << ","
                                << int(c.shadow.blue) << " gave " << int(dark.red) << "," << int(dark.green) << ","
                                << int(dark.blue);
    }
}

TEST(ButtonDrawing, CaptionOrigin)
{
    struct Case {
        const char* why;
        PixelRect item;
        int cx, cy;
        bool pressed;
        PixelPoint expected;
    };
    const Case cases[] = {
        {"odd extent on an odd control", {0, 0, 63, 33}, 21, 13, false, {21, 10}},
        {"pressed", {0, 0, 63, 33}, 21, 13, true, {22, 11}},
        {"wider than the control", {0, 0, 63, 33}, 81, 40, false, {-9, -4}},
        // (-5 + 0) / 2 is -2 truncated toward zero, -3 floored.
        {"rectangle left of the origin", {-5, -3, 0, 0}, 0, 0, false, {-2, -1}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CaptionOrigin(c.item, c.cx, c.cy, c.pressed), c.expected) << c.why;
    }
}
