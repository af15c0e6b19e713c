// search_workspace: scratch storage of the search that is not part of any
// pathfinder (whose data members are a fixed binary interface). One per
// thread, reused from search to search, and given back as soon as no living
// pathfinder needs it.
//
// Contract
//   Contents:     only scratch: the keys of the open list with its possible
//                 ascents and the records of the touched nodes (all rebuilt
//                 from the pathfinder's lists by every search), and one
//                 stamped word a cell (cell_marks, never cleared between
//                 searches). No map cell is kept.
//   Memory rule:  the per-cell words cover the largest grid this thread has
//                 searched, and never more than the largest grid of a living
//                 pathfinder: every pathfinder reports its size when init()
//                 changes it and when it dies (pathfinder_resized), on
//                 whichever thread, and then every workspace that is larger
//                 than the largest living pathfinder's grid gives all its
//                 storage back (at once when idle, else when its search ends).
//                 Pathfinders of different sizes taking turns therefore cost
//                 no per-cell work after the first search of the largest.
//   Ownership:    owned by the thread; a search borrows it through a `loan`.
//   Threads:      for_this_thread() hands each thread its own workspace, so
//                 searches on different threads never share one. The sizes
//                 of living pathfinders are kept process-wide, under a lock.
//
// Usage
//   search_workspace& workspace = search_workspace::for_this_thread();
//   search_workspace::loan borrowed(workspace);   // for one search
//   workspace.marks.begin_search(width, height);
//   search_workspace::pathfinder_resized(old_cells, new_cells);   // init, death
#pragma once

#include "voxel/search/bubble_open_list.hpp"
#include "voxel/search/cell_marks.hpp"
#include "voxel/search/node_records.hpp"

#include <atomic>
#include <cstddef>
#include <vector>

namespace OSTREL {
namespace Voxel {

class search_workspace {
public:
    std::vector<open_key> open_keys;          // f and record of each open list entry, in list order
    std::vector<drifting_key> drifting_keys;  // the open list entries that drift back
    node_records records;                     // search fields of the touched nodes
    cell_marks marks;                         // opened, closed and record of each cell

    search_workspace();
    ~search_workspace();
    search_workspace(const search_workspace&) = delete;
    search_workspace& operator=(const search_workspace&) = delete;

    // Marks the workspace as in use for one search, so that no other thread
    // gives its storage back meanwhile.
    class loan {
    public:
        explicit loan(search_workspace& borrowed);
        ~loan();
        loan(const loan&) = delete;
        loan& operator=(const loan&) = delete;

    private:
        search_workspace& workspace;
    };

    // Storage held, in bytes. Only for the owning thread, between searches.
    std::size_t bytes();

    static search_workspace& for_this_thread();

    // A pathfinder's grid changed from old_cells to new_cells cells (0: no
    // grid, as before its first init() and after its death).
    static void pathfinder_resized(std::size_t old_cells, std::size_t new_cells);
    // The number of cells of the largest grid of a living pathfinder.
    static std::size_t largest_living_grid();

private:
    enum state : int { idle, searching, trimming };

    void give_back_if_unneeded();
    void trim_when_possible();

    std::atomic<int> use{idle};
    std::atomic<bool> trim_wanted{false};
};

}  // namespace Voxel
}  // namespace OSTREL
