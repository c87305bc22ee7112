#include "ui/spinner_curve.h"

#include <gtest/gtest.h>

namespace {

TEST(SpinnerDot, FollowsTheCycleOfGrowingRingFillingHoldingAndShrinking) {
    struct Case {
        double phase;
        int index;
        double radius;
        double hole;
    };
    const Case kCases[] = {
        {0.0, 0, 0.0, 0.0},            // just born: too small to draw
        {0.02, 0, 1.8073, 0.0},        // a small dot, no hole yet
        {0.1388889, 0, 7.875, 5.875},  // halfway through growing: a ring two units wide
        {0.2777778, 0, 9.0, 7.0},      // full size, the ring starts to fill in
        {0.3611111, 0, 9.0, 3.5},
        {0.45, 0, 9.0, 0.0},           // a full dot
        {0.6944444, 0, 7.875, 0.0},    // halfway through shrinking
        {0.8, 0, 0.0, 0.0},            // resting until the next period
        {0.9999, 0, 0.0, 0.0},
        {0.5, 0, 9.0, 0.0},
        {0.5, 1, 9.0, 5.25},           // each dot a sixth of a period behind the one before
        {0.5, 2, 8.424, 6.424},
        {0.6666667, 1, 9.0, 0.0},
        {0.1, 2, 1.6826, 0.0},         // behind the period start: wraps to the previous cycle
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << "phase " << c.phase << " dot " << c.index);
        SpinnerDot dot = spinner_dot(c.phase, c.index);
        EXPECT_NEAR(dot.radius, c.radius, 1e-3);
        EXPECT_NEAR(dot.hole, c.hole, 1e-3);
    }
}

TEST(SpinnerDot, PhaseRepeatsEveryPeriod) {
    struct Case {
        uint64_t elapsedMs;
        double phase;
    };
    const Case kCases[] = {{0, 0.0}, {360, 0.25}, {720, 0.5}, {1440, 0.0}, {1440ull * 1000000 + 1080, 0.75}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.elapsedMs);
        EXPECT_DOUBLE_EQ(spinner_phase(c.elapsedMs), c.phase);
    }
}

TEST(SpinnerGeometry, ScalesTheCanvasToFitAndCentresIt) {
    struct Case {
        int width, height;
        double scale;
        double x0, x1, x2, y;
    };
    const Case kCases[] = {
        {84, 34, 1.0, 16.5, 41.5, 66.5, 17.0},   // the design size
        {168, 68, 2.0, 33.0, 83.0, 133.0, 34.0},  // everything doubles
        {200, 34, 1.0, 74.5, 99.5, 124.5, 17.0},  // wider: centred across
        {84, 100, 1.0, 16.5, 41.5, 66.5, 50.0},   // taller: centred down
        {42, 34, 0.5, 8.25, 20.75, 33.25, 17.0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        SpinnerGeometry g = spinner_geometry(c.width, c.height);
        EXPECT_DOUBLE_EQ(g.scale, c.scale);
        EXPECT_DOUBLE_EQ(spinner_dot_x(g, 0), c.x0);
        EXPECT_DOUBLE_EQ(spinner_dot_x(g, 1), c.x1);
        EXPECT_DOUBLE_EQ(spinner_dot_x(g, 2), c.x2);
        EXPECT_DOUBLE_EQ(spinner_dot_y(g), c.y);
    }
}

}  // namespace
