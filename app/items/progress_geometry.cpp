#include "app/items/progress_geometry.h"

#include <cmath>

namespace {

constexpr double CYCLE_MS = 2200.0;
constexpr uint64_t TRAIL_DELAY_MS = 1100;

// The phase within a cycle; a cycle that just ended counts as 1, not 0, so
// a block finishes its sweep instead of jumping back one frame early.
double phase(uint64_t elapsed) {
    double a = std::fmod(static_cast<double>(elapsed) / CYCLE_MS, 1.0);
    return (a == 0.0 && elapsed != 0) ? 1.0 : a;
}

FillSpan span(double fraction, double width, int left, int right, double size) {
    int from = static_cast<int>(std::floor(fraction * size + left + 0.5));
    int to = static_cast<int>(std::floor((fraction + width) * size + left + 0.5));
    if (from < left) {
        from = left;
    }
    if (to > right) {
        to = right;
    }
    return {from, to};
}

}  // namespace

double ease(double x) {
    if (x <= 0.0) {
        return 0.0;
    }
    if (x >= 1.0) {
        return 1.0;
    }
    // Solve X(t) = x for the curve's parameter with Newton steps kept inside
    // a bisection bracket, then read Y(t).
    double t = x;
    double low = 0.0;
    double high = 1.0;
    for (int round = 0; round < 64; ++round) {
        double r = 0.4 * t * t * t - 0.6 * t * t + 1.2 * t - x;
        if (std::fabs(r) < 1e-12) {
            break;
        }
        if (r > 0) {
            high = t;
        } else {
            low = t;
        }
        double slope = 1.2 * t * t - 1.2 * t + 1.2;
        t = std::fabs(slope) > 1e-9 ? t - r / slope : (low + high) / 2;
        if (!(t > low && t < high)) {
            t = (low + high) / 2;
        }
    }
    return (3.0 - 2.0 * t) * t * t;
}

FillSpan progress_fill(int left, int right, unsigned percent) {
    if (percent == 0) {
        return {left, left};
    }
    if (percent > 100) {
        percent = 100;  // the bar never paints past its end
    }
    return {left, left + static_cast<int>(percent) * (right - left) / 100};
}

void marquee_fills(int left, int right, uint64_t elapsedMs, FillSpan& lead, FillSpan& trail) {
    double size = right - left;
    double f = ease(phase(elapsedMs)) * 1.4 - 0.4;
    lead = span(f, 0.4, left, right, size);
    double g = -0.15;
    if (elapsedMs >= TRAIL_DELAY_MS) {
        uint64_t since = elapsedMs - TRAIL_DELAY_MS;
        double b = std::fmod(static_cast<double>(since) / CYCLE_MS, 1.0);
        if (b == 0.0 && elapsedMs > TRAIL_DELAY_MS) {
            b = 1.0;
        }
        g = ease(b) * 1.15 - 0.15;
    }
    trail = span(g, 0.15, left, right, size);
}
