// snapshot_search: a pathfinder's find_path answered from a map_snapshot of
// its map instead of the live map: the same status, closed list, open list
// left behind, path and length (path_search.hpp), with the runs read from
// the snapshot's run lengths (snapshot_view).
//
// Contract
//   Ownership:    borrows both for the call.
//   Checking:     the pathfinder must be bound to a map whose cells are those
//                 the snapshot was built from (its size is asserted in
//                 checked builds); backtrace's straightening still reads that
//                 map.
//   Failure:      as find_path: std::bad_alloc leaves a clean node grid and
//                 the last path and length.
//   Threads:      one call at a time per pathfinder; the snapshot may be read
//                 by any number of threads at once.
//
// Usage
//   snapshot.build(map);
//   finder.init(map, true);
//   int status = find_path_on(finder, snapshot, {6, 2, 0}, {1, 2, 0});   // as finder.find_path
#pragma once

#include "voxel/jps_pathfinder.hpp"
#include "voxel/search/map_snapshot.hpp"

#include <array>

namespace OSTREL {
namespace Voxel {

int find_path_on(jps_pathfinder& finder, const map_snapshot& snapshot, const std::array<unsigned int, 3>& first,
                 const std::array<unsigned int, 3>& second);

}  // namespace Voxel
}  // namespace OSTREL
