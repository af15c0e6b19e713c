// jps_node: one cell of the pathfinder's node grid, as the search sees it.
//
// Contract
//   Ownership:    nodes live in jps_pathfinder::nodes; `parent` points at
//                 another node of the same grid and owns nothing.
//   Layout:       a plain struct whose fields, in this order, are part of the
//                 exported binary interface of jps_pathfinder: add none.
//   Invariants:   `x` and `y` always name the node's own cell. Outside a
//                 search the node is clean: g, h, f are 0, opened and closed
//                 are false, parent is null.
//   Threads:      none; owned by one pathfinder, used by one search at a time.
//
// Usage
//   jps_node* node = pathfinder.getNodeAt(3, 1);   // node->x == 3, node->y == 1
#pragma once

namespace OSTREL {
namespace Voxel {

struct jps_node {
    int x = 0;                   // column of the node's cell
    int y = 0;                   // row of the node's cell
    int g = 0;                   // best known cost from the start, tenths of a cell
    int h = 0;                   // estimate to the goal, tenths; 0 = not computed yet
    int f = 0;                   // g + h, the key of the open list
    bool opened = false;         // put on the open list in this search
    bool closed = false;         // expanded in this search
    jps_node* parent = nullptr;  // jump point the node was last improved from
};

}  // namespace Voxel
}  // namespace OSTREL
