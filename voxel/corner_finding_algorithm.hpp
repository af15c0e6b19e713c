// CornerFindingAlgorithm: the corner of a grid path, the first cell after the
// start that borders an occupied cell of a map.
//
// Contract
//   Ownership:    borrows everything; keeps nothing after the call.
//   Input:        `points` holds `count` ints, two per cell: x0, y0, x1, y1,
//                 ... (column first, zero-based). A trailing odd int is
//                 ignored. `out_corner` points to two writable unsigned ints.
//                 `map` must hold resolution[1] rows of resolution[0] cells.
//   Checking:     a path cell outside the map (either coordinate negative or
//                 beyond the map) touches nothing and causes no read of the
//                 map; it can still be chosen as the path's last cell.
//                 Nothing is read past points[count - 1].
//   Result:       always 0. out_corner receives (x, y) of the first cell after
//                 the start with an occupied edge neighbour inside the map;
//                 failing that, of the last cell; (0, 0) for an empty path.
//                 The start counts only when it is also the last cell.
//   Threads:      reads `map`, writes only `out_corner`; reentrant.
//   Export:       the Linux module exports this function for native callers.
//
// Usage
//   unsigned int corner[2];
//   OSTREL::Voxel::CornerFindingAlgorithm(path.coords.size(), path.coords.data(),
//                                         map, corner);
#pragma once

#include "voxel/export.hpp"
#include "voxel/projection_map.hpp"

#include <cstddef>

namespace OSTREL {
namespace Voxel {

BRONDEL_EXPORT int CornerFindingAlgorithm(std::size_t count, const int* points, const projection_map& map,
                                          unsigned int* out_corner);

}  // namespace Voxel
}  // namespace OSTREL
