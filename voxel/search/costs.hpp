// costs: the search's costs in tenths of a cell, as ints: the straight-line
// cost of a jump, and any sum (g + h, a manhattan distance) saturated to an
// int. Inline, so that the search adds them up without a call; the exported
// jps_pathfinder::euclidean and ::manhattan are built on them.
//
// Contract
//   Range:        computed wide and saturated: a cost that does not fit an int
//                 is INT_MAX (INT_MIN for a negative sum). Costs on grids up
//                 to jps_pathfinder::max_extent always fit; goals far off the
//                 grid, which callers of the exported members may name, do not.
//   Threads:      pure functions.
#pragma once

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

namespace OSTREL {
namespace Voxel {

inline int saturated_cost(std::int64_t tenths) {
    return tenths > INT_MAX ? INT_MAX : tenths < INT_MIN ? INT_MIN : static_cast<int>(tenths);
}

// Straight-line cost, computed in single precision and truncated once. The
// sum of squares is taken in 64 bits (INT_MIN counting as -INT_MAX, so that it
// fits); below 2^31, where every displacement of a grid up to max_extent lies,
// it converts to the same float as an int sum would.
inline int euclidean_cost(int dx, int dy) {
    const auto square = [](int d) {
        const std::int64_t wide = std::max(d, -INT_MAX);
        return wide * wide;
    };
    const float tenths = std::sqrt(static_cast<float>(square(dx) + square(dy))) * 10.0f;
    return tenths < 2147483648.0f ? static_cast<int>(tenths) : INT_MAX;
}

}  // namespace Voxel
}  // namespace OSTREL
