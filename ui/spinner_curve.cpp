#include "ui/spinner_curve.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr double MAX_RADIUS = 9.0;

// The stages of one dot's cycle, as fractions of the period.
constexpr double GROW_END = 0.2777778;
constexpr double FILL_END = 0.44444445;
constexpr double HOLD_END = 0.6111111;
constexpr double SHRINK_END = 0.7777778;
constexpr double DOT_LAG = 0.16666667;  // each dot runs a sixth of a period behind the one before

}  // namespace

SpinnerDot spinner_dot(double phase, int index) {
    double shifted = phase - index * DOT_LAG;
    double q = shifted - std::floor(shifted);
    if (q < GROW_END) {
        double t = 1.0 - q / GROW_END;
        double c = 1.0 - t * t * t;  // ease-out: a fast start that settles at full size
        double hole = MAX_RADIUS * c - 2.0;
        return {MAX_RADIUS * c, hole > 0.0 ? hole : 0.0};
    }
    if (q < FILL_END) {
        return {MAX_RADIUS, 7.0 * (0.5 + 0.5 * std::cos(PI * (q - GROW_END) / 0.16666666))};
    }
    if (q < HOLD_END) {
        return {MAX_RADIUS, 0.0};
    }
    if (q < SHRINK_END) {
        double t = (q - HOLD_END) / 0.16666669;
        return {MAX_RADIUS * (1.0 - t * t * t), 0.0};
    }
    return {0.0, 0.0};
}

double spinner_phase(uint64_t elapsedMs) {
    return static_cast<double>(elapsedMs % SPINNER_PERIOD_MS) / SPINNER_PERIOD_MS;
}

SpinnerGeometry spinner_geometry(int width, int height) {
    double scale = std::min(static_cast<double>(width) / SPINNER_CANVAS_WIDTH,
                            static_cast<double>(height) / SPINNER_CANVAS_HEIGHT);
    return {scale, (width - SPINNER_CANVAS_WIDTH * scale) / 2.0, (height - SPINNER_CANVAS_HEIGHT * scale) / 2.0};
}

double spinner_dot_x(const SpinnerGeometry& geometry, int index) {
    return (25.0 * index + 16.5) * geometry.scale + geometry.offsetX;
}

double spinner_dot_y(const SpinnerGeometry& geometry) {
    return 17.0 * geometry.scale + geometry.offsetY;
}
