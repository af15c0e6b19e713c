#include "voxel/search_workspace.hpp"

namespace OSTREL {
namespace Voxel {

search_workspace& search_workspace::for_this_thread() {
    thread_local search_workspace workspace;
    return workspace;
}

}  // namespace Voxel
}  // namespace OSTREL
