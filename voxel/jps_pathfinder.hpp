// jps_pathfinder: bounded jump point search on a projection_map, with path
// straightening and a line-of-sight test (Python: pathfinder).
//
// Contract
//   Ownership:    owns `path`, the node grid and the three lists; `map` is
//                 NOT owned: the caller keeps the map given to init() alive,
//                 and unchanged in size, while the pathfinder searches on it.
//                 Cells changed between searches are seen by the next one.
//   Layout:       the data members below, in this order, and the virtual slots
//                 of i_pathfinder are the exported binary interface. Add no
//                 data members; state a faster search needs lives elsewhere.
//   Invariants:   `nodes` holds `height` rows of `width` nodes; node (x, y) is
//                 nodes[y][x] and knows its own x and y. Between searches
//                 every node is clean (see jps_node). During a search every
//                 node that is not clean is on open_list or closed_list, so
//                 cleanUpNodes() resets every touched node. findPath's own
//                 search writes only the found goal's parent chain into the
//                 nodes, and cleanUpChain() resets exactly that. The lists
//                 keep the last search's nodes until the next search, or until
//                 an init() that rebuilds the grid empties them with it.
//   Checking:     find_path and test_direct_view accept any coordinates:
//                 cells outside the grid are never read. init() rejects maps
//                 wider or higher than max_extent with std::length_error
//                 (their costs would overflow) and then changes nothing.
//                 getNodeAt() is unchecked: 0 <= x < width, 0 <= y < height is
//                 the caller's duty (asserted in the module's checked builds).
//   Failure:      running out of memory throws std::bad_alloc; the node grid
//                 is left clean, so later searches stay correct. find_path
//                 then leaves `path` and `path_length` as they were (findPath
//                 leaves its output empty). init() asks for a new grid's memory
//                 as a whole before building it (memory_probe); when it fails,
//                 the map, grid and lists stay as they were.
//   Memory:       the node grid takes 32 bytes a cell. It is freed when the
//                 pathfinder dies or init() replaces it; when it took 8 MiB or
//                 more, glibc's heap is then trimmed, so that its memory, and
//                 the search memory freed with it (search_workspace), goes
//                 back to the system rather than staying with the process.
//   Threads:      one caller at a time; a search writes the nodes, the lists
//                 and the result. The map must not change during a call.
//
// Name map (the names are fixed by the exported interface)
//   jps_pathfinder.cpp             the object and its interface (Python's)
//     find_path, test_direct_view  a search, a line of sight: one-based cells,
//                                  status codes (i_pathfinder)
//     init, get_path, get_path_length   bind a map; read the last result
//     cleanUpNodes, cleanUpChain   clean the nodes a search touched
//     isWalkable                   a cell inside the grid and free
//   jps_pathfinder_search.cpp      the search (its steps: voxel/search/)
//     findPath                     the search with its path and clean-up
//     searchGoal                   the search alone: the goal node or null
//     getNodeAt, euclidean, manhattan   a node; costs in tenths of a cell
//     identifySuccessors, findNeighbors, jump   the search step by step, for
//                                  native callers only (the module calls none)
//   jps_pathfinder_backtrace.cpp   backtrace, straighten: the goal's path
//   jps_pathfinder_line.cpp        interpolate_line: the digital straight line
// find_path(first, second) takes cells as {x + 1, y + 1, z} (z ignored, a 0
// wraps to a cell outside the grid) and searches with findPath from the
// SECOND cell to the first, so that the path, listed from the search's goal
// back, runs from first to second; it keeps the result in `path` and
// `path_length` and returns 0 or 2. findPath(sx, sy, gx, gy, out, length)
// takes zero-based cells, searches from (sx, sy) to (gx, gy), writes the
// cells from (gx, gy) back to (sx, sy) into `out` and returns true or false.
//
// Usage
//   projection_map map(6, 3);
//   jps_pathfinder finder;
//   finder.init(map, true);                      // true: every cell, straightened
//   int status = finder.find_path({6, 2, 0}, {1, 2, 0});   // 0: found, 2: none
//   finder.get_path();                           // cells from first to second
//   finder.get_path_length();                    // in cells, single precision
#pragma once

#include "voxel/export.hpp"
#include "voxel/i_pathfinder.hpp"
#include "voxel/jps_node.hpp"
#include "voxel/path_2d.hpp"
#include "voxel/projection_map.hpp"

#include <array>
#include <cstdint>
#include <utility>
#include <valarray>
#include <vector>

namespace OSTREL {
namespace Voxel {

class BRONDEL_EXPORT jps_pathfinder : public i_pathfinder {
public:
    using cell = std::pair<int, int>;  // (column, row), zero-based

    // A search gives up after taking this many nodes off the open list.
    static constexpr int max_expansions = 5000;
    // Larger grids would overflow the 32-bit cost arithmetic.
    static constexpr std::uint32_t max_extent = 32767;

    path_2d path;                                  // the last path found
    float path_length = 0.0f;                      // its length in cells
    int width = 0;                                 // grid columns
    int height = 0;                                // grid rows
    const projection_map* map = nullptr;           // bound map, not owned
    bool interpolate = false;                      // straighten and fill paths
    std::valarray<std::valarray<jps_node>> nodes;  // nodes[y][x]
    std::vector<jps_node*> open_list;              // next to expand at the back
    std::vector<jps_node*> closed_list;            // expanded, in order
    std::vector<cell> neighbors;                   // scratch of findNeighbors

    jps_pathfinder();
    ~jps_pathfinder() override;

    // Moved, never copied: the lists point into the pathfinder's own node
    // grid, and every grid's size is registered once with the search
    // workspaces, which give memory back when it dies. A move hands over the
    // grid (its nodes stay where they are), the lists, the bound map and that
    // registration; the source is left a new pathfinder, bound to no map.
    // Move assignment exchanges the two pathfinders.
    jps_pathfinder(const jps_pathfinder&) = delete;
    jps_pathfinder& operator=(const jps_pathfinder&) = delete;
    jps_pathfinder(jps_pathfinder&& other) noexcept : jps_pathfinder() { exchange(other); }
    jps_pathfinder& operator=(jps_pathfinder&& other) noexcept {
        exchange(other);
        return *this;
    }

    // The interface (i_pathfinder), in slot order.
    int find_path(const std::array<unsigned int, 3>& first, const std::array<unsigned int, 3>& second) override;
    int test_direct_view(const std::array<unsigned int, 3>& first, const std::array<unsigned int, 3>& second) override;
    int init(const projection_map& map, bool interpolate) override;
    const path_2d& get_path() const override;
    const float& get_path_length() const override;

    // Node grid and costs (tenths of a cell). A cost that does not fit an int
    // (from displacements beyond max_extent, which the search never makes)
    // is INT_MAX, or INT_MIN for a negative manhattan sum.
    jps_node* getNodeAt(int x, int y);
    static int euclidean(int dx, int dy);
    static int manhattan(int dx, int dy);
    void cleanUpNodes();
    void cleanUpChain(jps_node* goal);
    bool isWalkable(int x, int y) const;

    // The search, from (sx, sy) to (gx, gy), in zero-based cells. searchGoal
    // returns the goal node, or null; the search keeps its state beside the
    // nodes and writes into them only the goal's parent chain (the lists still
    // hold every node it touched). Cells, goals included, may be any ints;
    // nodes handed in must be nodes of this grid.
    bool findPath(int sx, int sy, int gx, int gy, std::vector<int>& out, float& out_length);
    jps_node* searchGoal(int sx, int sy, int gx, int gy);
    void identifySuccessors(jps_node* node, int gx, int gy);
    void findNeighbors(jps_node* node);
    // Runs from (x, y) away from its parent (px, py), one cell at a time in
    // the parent's direction (a parent further away counts as the adjacent
    // cell that way), to the goal or a jump point (true, the cell is left in
    // x, y) or a cell that is blocked or off the grid (false). A parent equal
    // to the cell gives no direction: false at once, x and y unchanged.
    bool jump(int& x, int& y, int px, int py, int gx, int gy) const;

    // Path reconstruction from the goal node found by the search.
    void backtrace(jps_node* goal, std::vector<int>& out, float& out_length) const;
    std::vector<cell> straighten(const std::vector<cell>& jump_points) const;

    // The digital straight line between two cells; empty unless every cell
    // of it lies in the grid and is free.
    void interpolate_line(int x0, int y0, int x1, int y1, std::vector<cell>& cells) const;

private:
    void exchange(jps_pathfinder& other) noexcept {
        path.coords.swap(other.path.coords);
        std::swap(path_length, other.path_length);
        std::swap(width, other.width);
        std::swap(height, other.height);
        std::swap(map, other.map);
        std::swap(interpolate, other.interpolate);
        nodes.swap(other.nodes);
        open_list.swap(other.open_list);
        closed_list.swap(other.closed_list);
        neighbors.swap(other.neighbors);
    }
};

}  // namespace Voxel
}  // namespace OSTREL
