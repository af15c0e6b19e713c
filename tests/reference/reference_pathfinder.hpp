// reference_pathfinder: the bounded jump point search written out step by step,
// as plainly as it can be said. It is the statement of behaviour that the
// module's pathfinder (voxel/jps_pathfinder) is checked against by the
// differential test and compared with by the benchmark. It is not part of the
// module and never will be: clarity wins over speed everywhere in here.
//
// Contract
//   Ownership:    keeps a non-owning pointer to the map given to init(); the
//                 caller keeps that map alive and of the same size. Cells are
//                 read from the live map on every search.
//   Invariants:   between searches every node of the grid is clean (g, h, f
//                 zero, not opened, not closed, no parent).
//   Checking:     every cell is checked against the grid before it is read;
//                 coordinates from anywhere in the unsigned 32-bit range are
//                 accepted and simply lie outside the grid.
//   Observables:  after find_path(): path() (x, y pairs, first cell first),
//                 path_length(), expanded(): the cells of the nodes taken
//                 off the open list, in the order they were taken, and
//                 still_open(): the cells left on the open list, in its order.
//   Threads:      one search at a time per object.
//
// Usage
//   reference_pathfinder reference;
//   reference.init(map, true);
//   int status = reference.find_path({1, 1, 0}, {5, 3, 0});   // 0 found, 2 not
#pragma once

#include "voxel/projection_map.hpp"

#include <array>
#include <utility>
#include <vector>

namespace brondel_reference {

using cell = std::pair<int, int>;
using coordinate = std::array<unsigned int, 3>;

struct reference_node {
    int x = 0;
    int y = 0;
    int g = 0;
    int h = 0;
    int f = 0;
    bool opened = false;
    bool closed = false;
    reference_node* parent = nullptr;
};

class reference_pathfinder {
public:
    static constexpr int expansion_budget = 5000;

    int init(const OSTREL::Voxel::projection_map& map, bool interpolate);
    // 0 when a path from the first cell to the second was found, else 2.
    int find_path(const coordinate& first, const coordinate& second);
    // 0 when the two cells see each other, else 3.
    int test_direct_view(const coordinate& first, const coordinate& second) const;
    // The cells of the digital line from (x0, y0) to (x1, y1), both included,
    // or nothing when any of them is outside the grid or blocked.
    void interpolate_line(int x0, int y0, int x1, int y1, std::vector<cell>& cells) const;

    const std::vector<int>& path() const { return path_coords; }
    float path_length() const { return length; }
    std::vector<cell> expanded() const;
    // The cells of the nodes left on the open list, in its order.
    std::vector<cell> still_open() const;

    static int euclidean(int dx, int dy);
    static int manhattan(int dx, int dy);

private:
    bool findPath(int sx, int sy, int gx, int gy, std::vector<int>& out, float& out_length);
    void identifySuccessors(reference_node* node, int gx, int gy);
    void findNeighbors(const reference_node* node);
    bool jump(int& x, int& y, int px, int py, int gx, int gy) const;
    void backtrace(const reference_node* goal, std::vector<int>& out, float& out_length) const;
    void straightenAndFill(const std::vector<cell>& jump_points, std::vector<int>& out, float& out_length) const;
    void reorderOpenList();
    void cleanUpNodes();
    bool walkable(int x, int y) const;
    reference_node* getNodeAt(int x, int y) { return &nodes[y][x]; }

    const OSTREL::Voxel::projection_map* map = nullptr;
    bool interpolate = false;
    int width = 0;
    int height = 0;
    std::vector<std::vector<reference_node>> nodes;
    std::vector<reference_node*> open_list;
    std::vector<reference_node*> closed_list;
    std::vector<cell> neighbors;
    std::vector<int> path_coords;
    float length = 0.0f;
};

}  // namespace brondel_reference
