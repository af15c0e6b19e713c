// i_pathfinder: the interface of a pathfinder on a two-dimensional
// occupancy grid (Python: pathfinder_ifc).
//
// Contract
//   Layout:       no data; the virtual operations are declared in the order of
//                 their slots, which is part of the exported binary interface:
//                 destructor, find_path, test_direct_view, init, get_path,
//                 get_path_length. Do not reorder or insert.
//   Coordinates:  find_path and test_direct_view take three-component,
//                 one-based cells: column = c[0] - 1, row = c[1] - 1; c[2] is
//                 ignored. Paths come back as zero-based (column, row) cells.
//   Results:      find_path: 0 found, 2 no path. test_direct_view: 0 the
//                 cells see each other, 3 they do not. init returns 0.
//   Threads:      one caller at a time per object.
//
// Usage
//   i_pathfinder& finder = ...;
//   finder.init(map, true);
//   if (finder.find_path({1, 1, 0}, {5, 3, 0}) == 0) use(finder.get_path());
#pragma once

#include "voxel/path_2d.hpp"
#include "voxel/projection_map.hpp"

#include <array>

namespace OSTREL {
namespace Voxel {

class i_pathfinder {
public:
    // Status codes of find_path and test_direct_view.
    static constexpr int success = 0;  // path found / cells see each other
    static constexpr int no_path = 2;
    static constexpr int no_direct_view = 3;

    virtual ~i_pathfinder() = default;
    virtual int find_path(const std::array<unsigned int, 3>& first, const std::array<unsigned int, 3>& second) = 0;
    virtual int test_direct_view(const std::array<unsigned int, 3>& first,
                                 const std::array<unsigned int, 3>& second) = 0;
    virtual int init(const projection_map& map, bool interpolate) = 0;
    virtual const path_2d& get_path() const = 0;
    virtual const float& get_path_length() const = 0;
};

}  // namespace Voxel
}  // namespace OSTREL
