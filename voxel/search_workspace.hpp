// search_workspace: scratch storage of the search that is not part of any
// pathfinder (whose data members are a fixed binary interface). One per
// thread, kept for the life of the thread so that its storage is reused from
// search to search.
//
// Contract
//   Dependencies: the C++17 standard library.
//   Contents:     only scratch: the keys of the open list with its possible
//                 ascents and the records of the touched nodes (all rebuilt
//                 from the pathfinder's lists by every search) and the marks
//                 of the nodes (cleared by every search on its way out). No
//                 map cell is kept.
//   Ownership:    owned by the thread; pathfinders borrow it for one call.
//   Threads:      for_this_thread() hands each thread its own workspace, so
//                 pathfinders on different threads never share one. A thread
//                 runs one search at a time.
//
// Usage
//   search_workspace& workspace = search_workspace::for_this_thread();
//   workspace.records.prepare(width, height);
#pragma once

#include "voxel/bubble_open_list.hpp"
#include "voxel/node_marks.hpp"
#include "voxel/node_records.hpp"

#include <cstddef>
#include <vector>

namespace OSTREL {
namespace Voxel {

struct search_workspace {
    std::vector<open_key> open_keys;         // f and record of each open list entry, in list order
    std::vector<std::size_t> maybe_ascents;  // where the open list's keys may be out of order
    node_records records;                    // search fields of the touched nodes
    node_marks marks;                        // opened and closed, two bits a cell

    // Storage held, in bytes.
    std::size_t bytes() const {
        return open_keys.capacity() * sizeof(open_key) + maybe_ascents.capacity() * sizeof(std::size_t) +
               records.bytes() + marks.bytes();
    }

    static search_workspace& for_this_thread();
};

}  // namespace Voxel
}  // namespace OSTREL
