#include "voxel/search/snapshot_search.hpp"

#include "voxel/search/assertion.hpp"
#include "voxel/search/jump_search.hpp"
#include "voxel/search/path_search.hpp"
#include "voxel/search/snapshot_view.hpp"

namespace OSTREL {
namespace Voxel {

int find_path_on(jps_pathfinder& finder, const snapshot_planes& planes, const std::array<unsigned int, 3>& first,
                 const std::array<unsigned int, 3>& second) {
    BRONDEL_ASSERT(planes.width() == finder.width && planes.height() == finder.height);
    const snapshot_view view(planes);
    return find_path_between(finder, first, second, [&finder, &view](int sx, int sy, int gx, int gy) {
        return search_goal_with(finder, view, sx, sy, gx, gy);
    });
}

}  // namespace Voxel
}  // namespace OSTREL
