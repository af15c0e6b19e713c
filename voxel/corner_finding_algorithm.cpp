#include "voxel/corner_finding_algorithm.hpp"

namespace OSTREL {
namespace Voxel {

namespace {

bool occupied(const projection_map& map, unsigned int x, unsigned int y) {
    return map.rows[y][x] != 0;
}

// Whether an edge neighbour of (x, y) inside the map is occupied: right,
// left, the row above, the row below, in that order. A cell outside the map
// touches nothing, so no neighbour test can leave the grid.
bool touches_obstacle(const projection_map& map, unsigned int x, unsigned int y) {
    if (!map.contains(x, y)) {
        return false;
    }
    const unsigned int width = map.resolution[0];
    const unsigned int height = map.resolution[1];
    return (x + 1 < width && occupied(map, x + 1, y)) || (x > 0 && occupied(map, x - 1, y)) ||
           (y + 1 < height && occupied(map, x, y + 1)) || (y > 0 && occupied(map, x, y - 1));
}

}  // namespace

int CornerFindingAlgorithm(std::size_t count, const int* points, const projection_map& map, unsigned int* out_corner) {
    out_corner[0] = 0;
    out_corner[1] = 0;
    // Whole cells only: a trailing odd int is never read.
    const std::size_t cells = count / 2;
    for (std::size_t cell = 0; cell < cells; ++cell) {
        // Negative coordinates wrap to values beyond any map, hence outside.
        const auto x = static_cast<unsigned int>(points[2 * cell]);
        const auto y = static_cast<unsigned int>(points[2 * cell + 1]);
        const bool last = cell + 1 == cells;
        // The start is the path's own origin: touching there does not count.
        if (last || (cell > 0 && touches_obstacle(map, x, y))) {
            out_corner[0] = x;
            out_corner[1] = y;
            break;
        }
    }
    return 0;
}

}  // namespace Voxel
}  // namespace OSTREL
