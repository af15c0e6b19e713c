// The pathfinder object: binding a map, the node grid and the three-component
// entry points. The search, the path reconstruction and the line of sight
// live in jps_pathfinder_{search,backtrace,line}.cpp.
#include "voxel/jps_pathfinder.hpp"

#include "voxel/memory_probe.hpp"
#include "voxel/search/path_search.hpp"
#include "voxel/search/search_workspace.hpp"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <sstream>
#include <stdexcept>
#include <utility>

namespace OSTREL {
namespace Voxel {

namespace {

void require_supported_size(const projection_map& map) {
    if (map.resolution[0] > jps_pathfinder::max_extent || map.resolution[1] > jps_pathfinder::max_extent) {
        std::ostringstream message;
        message << "a map of " << map.resolution[0] << " x " << map.resolution[1]
                << " cells is too large for the pathfinder (at most " << jps_pathfinder::max_extent
                << " cells in each direction)";
        throw std::length_error(message.str());
    }
}

// What the heap takes for a node grid (memory_probe).
std::size_t node_grid_bytes(int width, int height) {
    return grid_bytes(static_cast<std::size_t>(height), static_cast<std::size_t>(width) * sizeof(jps_node));
}

// A grid of height rows of width clean nodes, each knowing its own cell. The
// whole grid is asked for first: built row by row, a grid larger than memory
// would fill the machine before the last row failed.
std::valarray<std::valarray<jps_node>> build_node_grid(int width, int height) {
    require_memory(node_grid_bytes(width, height));
    std::valarray<std::valarray<jps_node>> grid(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        grid[y].resize(static_cast<std::size_t>(width));
        for (int x = 0; x < width; ++x) {
            grid[y][x].x = x;
            grid[y][x].y = y;
        }
    }
    return grid;
}

std::size_t cell_count(int width, int height) {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

// Freed blocks below glibc's mmap threshold (a node grid's rows, up to
// 4096 cells wide; every block once a large probe or vector has raised the
// threshold) stay in the heap, counted in the process's resident memory,
// until something trims it. After a large grid is freed the heap is trimmed,
// so that its memory goes back to the system. Elsewhere the allocator decides.
void give_freed_grid_back(std::size_t grid_bytes_freed) {
#if defined(__GLIBC__)
    constexpr std::size_t worth_trimming = std::size_t{8} << 20;
    if (grid_bytes_freed >= worth_trimming) {
        malloc_trim(0);
    }
#else
    (void)grid_bytes_freed;
#endif
}

void make_clean(jps_node& node) {
    node.g = 0;
    node.h = 0;
    node.f = 0;
    node.opened = false;
    node.closed = false;
    node.parent = nullptr;
}

}  // namespace

jps_pathfinder::jps_pathfinder() = default;

// Search workspaces may give back what only this grid needed; the grid is
// freed first, so that the heap can be trimmed once for both.
jps_pathfinder::~jps_pathfinder() {
    std::valarray<std::valarray<jps_node>>().swap(nodes);
    search_workspace::pathfinder_resized(cell_count(width, height), 0);
    give_freed_grid_back(node_grid_bytes(width, height));
}

int jps_pathfinder::find_path(const std::array<unsigned int, 3>& first, const std::array<unsigned int, 3>& second) {
    return find_path_between(*this, first, second,
                             [this](int sx, int sy, int gx, int gy) { return searchGoal(sx, sy, gx, gy); });
}

int jps_pathfinder::test_direct_view(const std::array<unsigned int, 3>& first,
                                     const std::array<unsigned int, 3>& second) {
    const cell from = to_cell(first);
    const cell to = to_cell(second);
    std::vector<cell> line;
    interpolate_line(from.first, from.second, to.first, to.second, line);
    return line.empty() ? no_direct_view : success;
}

int jps_pathfinder::init(const projection_map& new_map, bool new_interpolate) {
    require_supported_size(new_map);
    const int new_width = static_cast<int>(new_map.resolution[0]);
    const int new_height = static_cast<int>(new_map.resolution[1]);
    // Between searches every node is clean, so a grid of the right size is
    // reused as it is, lists included. A new grid is built aside first: if
    // memory runs out, the pathfinder keeps its old map, grid and lists. The
    // lists of the last search point into the old grid and go with it.
    if (new_width != width || new_height != height) {
        auto new_nodes = build_node_grid(new_width, new_height);
        search_workspace::pathfinder_resized(cell_count(width, height), cell_count(new_width, new_height));
        open_list.clear();
        closed_list.clear();
        nodes = std::move(new_nodes);
        give_freed_grid_back(node_grid_bytes(width, height));
        width = new_width;
        height = new_height;
    }
    map = &new_map;
    interpolate = new_interpolate;
    return 0;
}

const path_2d& jps_pathfinder::get_path() const {
    return path;
}

const float& jps_pathfinder::get_path_length() const {
    return path_length;
}

// Only nodes on the two lists were touched by the last search.
void jps_pathfinder::cleanUpNodes() {
    for (jps_node* node : open_list) {
        make_clean(*node);
    }
    for (jps_node* node : closed_list) {
        make_clean(*node);
    }
}

// The goal and its parent chain, up to the start.
void jps_pathfinder::cleanUpChain(jps_node* goal) {
    for (jps_node* node = goal; node != nullptr;) {
        jps_node* parent = node->parent;
        make_clean(*node);
        node = parent;
    }
}

bool jps_pathfinder::isWalkable(int x, int y) const {
    return x >= 0 && x < width && y >= 0 && y < height && map->rows[y][x] == 0;
}

}  // namespace Voxel
}  // namespace OSTREL
