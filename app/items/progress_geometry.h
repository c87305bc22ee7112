// Where the item's progress bar fills, as plain arithmetic: the percentage
// bar, and the two blocks of the indeterminate (marquee) mode that sweep
// from left to right every 2.2 seconds.
#pragma once

#include <cstdint>

// The cubic Bezier timing curve with control points (0.4, 0) and (0.6, 1).
double ease(double x);

struct FillSpan {
    int from;  // left edge, inclusive
    int to;    // right edge, exclusive; empty when to <= from
};

// The filled part of a bar from left to right at percent (0..100).
FillSpan progress_fill(int left, int right, unsigned percent);
// The lead block (40 % wide) and the trail block (15 % wide) of the marquee,
// elapsedMs after it started; each clipped to the bar.
void marquee_fills(int left, int right, uint64_t elapsedMs, FillSpan& lead, FillSpan& trail);
