// Line of sight: the digital straight line between two cells (Bresenham's
// all-octant algorithm with a single error term).
#include "voxel/jps_pathfinder.hpp"

#include "voxel/search/map_view.hpp"

#include <algorithm>
#include <cstdlib>

namespace OSTREL {
namespace Voxel {

// Fills `cells` with the line from (x0, y0) to (x1, y1), both included, or
// leaves it empty when a cell of the line is outside the grid or blocked.
// Every cell of a line lies in the rectangle its ends span, so a line with
// both ends in the grid never leaves it; an end outside the grid is refused
// before any arithmetic, which keeps the differences and the error term far
// from overflow (grids are at most max_extent cells wide).
void jps_pathfinder::interpolate_line(int x0, int y0, int x1, int y1, std::vector<cell>& cells) const {
    cells.clear();
    const auto inside = [this](int x, int y) { return x >= 0 && x < width && y >= 0 && y < height; };
    if (!inside(x0, y0) || !inside(x1, y1)) {
        return;
    }
    const int sx = x1 > x0 ? 1 : -1;
    const int sy = y1 > y0 ? 1 : -1;
    const int dx = std::abs(x1 - x0);
    const int dy = std::abs(y1 - y0);
    int err = dx - dy;
    // The line has one cell per step along its longer axis, plus its start.
    cells.reserve(static_cast<std::size_t>(std::max(dx, dy)) + 1);
    const map_view view(map, width, height);  // the walkable test, inlined
    int x = x0;
    int y = y0;
    for (;;) {
        if (!view.walkable_inside(x, y)) {
            cells.clear();
            return;
        }
        cells.emplace_back(x, y);
        if (x == x1 && y == y1) {
            return;
        }
        const int e2 = 2 * err;
        if (e2 > -dy) {
            err -= dy;
            x += sx;
        }
        if (e2 < dx) {
            err += dx;
            y += sy;
        }
    }
}

}  // namespace Voxel
}  // namespace OSTREL
