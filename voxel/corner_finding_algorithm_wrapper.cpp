#include "voxel/corner_finding_algorithm_wrapper.hpp"

#include <cstdint>

using OSTREL::Voxel::path_2d;
using OSTREL::Voxel::projection_map;

namespace {

// An occupied interior cell flanked on both sides along its row or along its
// column (the right neighbour before the left, the row above before the one
// below). Nonzero is occupied.
bool inside_straight_run(const projection_map& map, std::uint32_t x, std::uint32_t y) {
    const auto& row = map.rows[y];
    return row[x] != 0
        && ((row[x + 1] != 0 && row[x - 1] != 0)
            || (map.rows[y + 1][x] != 0 && map.rows[y - 1][x] != 0));
}

// Copies `source` and clears, in the copy, every occupied interior cell that
// lies inside a straight run of `source`. Every test reads the source, so a
// cell already cleared still counts as occupied for its neighbours and the
// order of the visit does not matter; rows are visited in the outer loop
// because that walks memory in order.
projection_map corner_map_of(const projection_map& source) {
    projection_map corners = source;
    const std::uint32_t width = source.resolution[0];
    const std::uint32_t height = source.resolution[1];
    for (std::uint32_t y = 1; y + 1 < height; ++y) {
        for (std::uint32_t x = 1; x + 1 < width; ++x) {
            if (inside_straight_run(source, x, y)) {
                corners.set(x, y, 0);
            }
        }
    }
    return corners;
}

}  // namespace

corner_finding_algorithm_wrapper::corner_finding_algorithm_wrapper(const projection_map& source)
    : corner{0, 0}, corner_map(corner_map_of(source)) {}

int corner_finding_algorithm_wrapper::find_corner(std::size_t /*unused*/, const path_2d& path) {
    return OSTREL::Voxel::CornerFindingAlgorithm(path.coords.size(), path.coords.data(),
                                                 corner_map, corner.data());
}
