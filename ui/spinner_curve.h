// The loading spinner's motion without any window: three dots that grow as
// rings, fill in, hold, then shrink, one after the other. Sizes are in units
// of the 84 x 34 design canvas; the control scales them to its own size.
#pragma once

#include <cstdint>

constexpr int SPINNER_CANVAS_WIDTH = 84;
constexpr int SPINNER_CANVAS_HEIGHT = 34;
constexpr int SPINNER_PERIOD_MS = 1440;
constexpr int SPINNER_DOT_COUNT = 3;

// A radius below 0.05 means the dot is not drawn; a hole above 0.4 makes it a ring.
struct SpinnerDot {
    double radius;
    double hole;
};

// phase: 0 <= phase < 1 through one period; index: 0, 1 or 2, left to right.
SpinnerDot spinner_dot(double phase, int index);
double spinner_phase(uint64_t elapsedMs);

// Where the canvas lies in a control of this size: scaled to fit, centred.
struct SpinnerGeometry {
    double scale;
    double offsetX;
    double offsetY;
};
SpinnerGeometry spinner_geometry(int width, int height);
double spinner_dot_x(const SpinnerGeometry& geometry, int index);
double spinner_dot_y(const SpinnerGeometry& geometry);
