// snapshot_search: a pathfinder's find_path answered from the snapshot_planes
// of its map instead of the live map: the same status, closed list, open list
// left behind, path and length (path_search.hpp), with the runs read from
// the planes (snapshot_view).
//
// Contract
//   Ownership:    borrows both for the call.
//   Checking:     the pathfinder must be bound to a map whose cells are those
//                 the planes were built from (their size is asserted in
//                 checked builds); backtrace's straightening still reads that
//                 map.
//   Failure:      as find_path: std::bad_alloc leaves a clean node grid and
//                 the last path and length.
//   Threads:      one call at a time per pathfinder; the planes may be read
//                 by any number of threads at once.
//
// Usage
//   planes.build(map);
//   finder.init(map, true);
//   int status = find_path_on(finder, planes, {6, 2, 0}, {1, 2, 0});   // as finder.find_path
#pragma once

#include "voxel/jps_pathfinder.hpp"
#include "voxel/search/snapshot_planes.hpp"

#include <array>

namespace OSTREL {
namespace Voxel {

int find_path_on(jps_pathfinder& finder, const snapshot_planes& planes, const std::array<unsigned int, 3>& first,
                 const std::array<unsigned int, 3>& second);

}  // namespace Voxel
}  // namespace OSTREL
