#include "app/items/progress_geometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(Ease, FollowsTheTimingCurve) {
    struct Case {
        double x;
        double y;
    };
    // Reference values of the curve with control points (0.4, 0) and (0.6, 1).
    const Case kCases[] = {{-1, 0}, {0, 0}, {0.5, 0.5}, {1, 1}, {2, 1}, {0.25, 0.1353}, {0.75, 0.8647}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.x);
        EXPECT_NEAR(ease(c.x), c.y, 5e-4);
    }
    for (double x = 0.01; x < 1; x += 0.01) {  // monotone and symmetric
        EXPECT_LT(ease(x - 0.01), ease(x) + 1e-12);
        EXPECT_NEAR(ease(x) + ease(1 - x), 1.0, 1e-9);
    }
}

TEST(ProgressFill, PercentOfTheWidth) {
    struct Case {
        unsigned percent;
        int to;
    };
    const Case kCases[] = {{0, 10}, {1, 11}, {50, 60}, {100, 110}, {250, 110}};  // ffmpeg may pass 100
    for (const Case& c : kCases) {
        FillSpan fill = progress_fill(10, 110, c.percent);
        EXPECT_EQ(fill.from, 10);
        EXPECT_EQ(fill.to, c.to) << c.percent;
    }
}

TEST(MarqueeFills, TwoBlocksSweepEvery2200Milliseconds) {
    FillSpan lead, trail;
    marquee_fills(0, 100, 0, lead, trail);  // both start outside, left of the bar
    EXPECT_LE(lead.to, lead.from);
    EXPECT_LE(trail.to, trail.from);

    marquee_fills(0, 100, 1100, lead, trail);  // half way: the lead block is in the middle
    EXPECT_EQ(lead.from, 30);
    EXPECT_EQ(lead.to, 70);
    EXPECT_LE(trail.to, trail.from);  // the trail block just starts

    marquee_fills(0, 100, 2200, lead, trail);  // the end of the first sweep, not its start
    EXPECT_EQ(lead.from, 100);
    EXPECT_EQ(trail.from, 42);  // -0.15 + 0.5 * 1.15 of the way
    EXPECT_EQ(trail.to, 57);

    marquee_fills(20, 220, 3300, lead, trail);  // the trail block's sweep ends, the lead starts anew
    EXPECT_EQ(trail.from, 220);
    EXPECT_EQ(lead.from, 80);
    EXPECT_EQ(lead.to, 160);
}

}  // namespace
