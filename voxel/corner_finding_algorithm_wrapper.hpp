// corner_finding_algorithm_wrapper: a corner map, reduced once from an
// occupancy map, and the corner of the last path searched on it.
//
// Contract
//   Ownership:    owns `corner_map` by value, a deep copy of the map given to
//                 the constructor; shares nothing with that map afterwards.
//   Corner map:   the source map with the inner cells of straight runs cleared:
//                 an interior occupied cell whose two horizontal neighbours, or
//                 whose two vertical neighbours, are occupied in the source map
//                 becomes 0. Run ends, corners and isolated cells stay; the
//                 first and last rows and columns stay; a map under 3 cells in
//                 either direction is copied unchanged.
//   Invariants:   `corner` holds the result of the latest find_corner, or
//                 (0, 0) before the first. The wrapper never changes
//                 `corner_map` after construction; callers may (the Python
//                 face lets them), and later searches see their writes.
//   Checking:     as CornerFindingAlgorithm: path cells outside the corner map
//                 touch nothing, an odd trailing int is ignored.
//   Threads:      find_corner writes `corner`: one caller at a time.
//   Native use:   header-only: native callers build it from the installed
//                 headers; it calls the exported CornerFindingAlgorithm.
//
// Usage
//   corner_finding_algorithm_wrapper finder(map);
//   finder.find_corner(0, path);      // the first argument is not used
//   finder.corner;                    // {x, y}
#pragma once

#include "voxel/corner_finding_algorithm.hpp"
#include "voxel/path_2d.hpp"
#include "voxel/projection_map.hpp"

#include <array>
#include <cstddef>
#include <cstdint>

class corner_finding_algorithm_wrapper {
public:
    std::array<unsigned int, 2> corner;        // {x, y} of the last corner found
    OSTREL::Voxel::projection_map corner_map;  // run ends and corners only

    explicit corner_finding_algorithm_wrapper(const OSTREL::Voxel::projection_map& source)
        : corner{0, 0}, corner_map(corner_map_of(source)) {}

    // Finds the corner of `path` on the corner map and stores it in `corner`.
    // Always returns 0. The first argument is accepted and not used.
    int find_corner(std::size_t /*unused*/, const OSTREL::Voxel::path_2d& path) {
        return OSTREL::Voxel::CornerFindingAlgorithm(path.coords.size(), path.coords.data(), corner_map, corner.data());
    }

private:
    // An occupied interior cell flanked on both sides along its row or along
    // its column (the right neighbour before the left, the row above before
    // the one below). Nonzero is occupied.
    static bool inside_straight_run(const OSTREL::Voxel::projection_map& map, std::uint32_t x, std::uint32_t y) {
        const auto& row = map.rows[y];
        return row[x] != 0 &&
               ((row[x + 1] != 0 && row[x - 1] != 0) || (map.rows[y + 1][x] != 0 && map.rows[y - 1][x] != 0));
    }

    // Copies `source` and clears, in the copy, every occupied interior cell
    // that lies inside a straight run of `source`. Every test reads the
    // source, so a cell already cleared still counts as occupied for its
    // neighbours and the order of the visit does not matter; rows are visited
    // in the outer loop because that walks memory in order.
    static OSTREL::Voxel::projection_map corner_map_of(const OSTREL::Voxel::projection_map& source) {
        OSTREL::Voxel::projection_map corners = source;
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
};
