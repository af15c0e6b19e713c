// search_workspace: scratch storage of the search that is not part of any
// pathfinder (whose data members are a fixed binary interface). One per
// thread, kept for the life of the thread so that its storage is reused from
// search to search.
//
// Contract
//   Dependencies: the C++17 standard library.
//   Contents:     only scratch: the keys of the open list (rebuilt from the
//                 open list by every search) and the marks of the nodes
//                 (cleared by every search on its way out). No map cell is
//                 kept.
//   Ownership:    owned by the thread; pathfinders borrow it for one call.
//   Threads:      for_this_thread() hands each thread its own workspace, so
//                 pathfinders on different threads never share one. A thread
//                 runs one search at a time.
//
// Usage
//   std::vector<int>& keys = search_workspace::for_this_thread().open_keys;
#pragma once

#include "voxel/node_marks.hpp"

#include <cstddef>
#include <vector>

namespace OSTREL {
namespace Voxel {

struct search_workspace {
    std::vector<int> open_keys;  // f of each open list entry, in list order
    node_marks marks;            // opened and closed, two bits a cell

    // Storage held, in bytes.
    std::size_t bytes() const { return open_keys.capacity() * sizeof(int) + marks.bytes(); }

    static search_workspace& for_this_thread();
};

}  // namespace Voxel
}  // namespace OSTREL
