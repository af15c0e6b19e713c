// A native caller of brondel's exported API, with a C interface for ctypes:
// it builds its own map, runs a search with jps_pathfinder and a corner
// search with corner_finding_algorithm_wrapper (header-only, calling the
// module's CornerFindingAlgorithm), and uses the exported members as the
// headers allow: pathfinders moved around in a vector, jumps and costs at any
// coordinates.
#include <voxel/corner_finding_algorithm_wrapper.hpp>
#include <voxel/jps_pathfinder.hpp>

#include <malloc.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstddef>
#include <type_traits>
#include <vector>

using OSTREL::Voxel::jps_pathfinder;

// Its lists point into its own node grid: a copy would share them.
static_assert(!std::is_copy_constructible<jps_pathfinder>::value && !std::is_copy_assignable<jps_pathfinder>::value,
              "a pathfinder must not be copyable");
static_assert(std::is_nothrow_move_constructible<jps_pathfinder>::value &&
                  std::is_nothrow_move_assignable<jps_pathfinder>::value,
              "a vector of pathfinders grows by moving them");

namespace {

// A map of width x height cells from bytes, row by row (0 is free).
OSTREL::Voxel::projection_map map_of(int width, int height, const char* cells) {
    OSTREL::Voxel::projection_map map(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            map.set(x, y, cells[y * width + x]);
        }
    }
    return map;
}

}  // namespace

extern "C" {

// pathfinder.init(map, interpolate) and find_path(first, second), with the
// cells as Python gives them (one-based, three components). Writes the path's
// coordinates (x0, y0, x1, y1, ...; at most `capacity` ints) to `path`, their
// number to `count` and the path's length to `length`; returns the status.
__attribute__((visibility("default"))) int consumer_find_path(int width, int height, const char* cells, int interpolate,
                                                              const unsigned int* first, const unsigned int* second,
                                                              int* path, int capacity, int* count, float* length) {
    const OSTREL::Voxel::projection_map map = map_of(width, height, cells);
    OSTREL::Voxel::jps_pathfinder finder;
    finder.init(map, interpolate != 0);
    const int status = finder.find_path({first[0], first[1], first[2]}, {second[0], second[1], second[2]});
    const std::vector<int>& coords = finder.get_path().coords;
    *count = static_cast<int>(coords.size());
    std::copy_n(coords.begin(), std::min<std::size_t>(coords.size(), capacity), path);
    *length = finder.get_path_length();
    return status;
}

// cornerfinder(map).find_corner(0, path), with the header-only wrapper
// (which calls the exported CornerFindingAlgorithm), on a map given as bytes
// and a path of `count` coordinates; the corner goes to corner[0..1].
__attribute__((visibility("default"))) int consumer_find_corner(int width, int height, const char* cells,
                                                                const int* path, int count, unsigned int* corner) {
    corner_finding_algorithm_wrapper finder(map_of(width, height, cells));
    OSTREL::Voxel::path_2d path_cells;
    path_cells.coords.assign(path, path + count);
    const int status = finder.find_corner(0, path_cells);
    std::copy(finder.corner.begin(), finder.corner.end(), corner);
    return status;
}

// `count` pathfinders on an open map in a vector that grows (moving them),
// each searched corner to corner; then each cleans up and searches again, and
// the last is moved onto the first. Returns the searches that answered as the
// first; `heap_left` is glibc's heap in use after they died, minus before.
__attribute__((visibility("default"))) int consumer_moved_pathfinders(int size, int count, long long* heap_left) {
    const auto heap_before = static_cast<long long>(mallinfo2().uordblks);
    int same = 0;
    {
        const OSTREL::Voxel::projection_map map(size, size);
        const std::array<unsigned int, 3> first{1, 1, 0}, second{unsigned(size), unsigned(size), 0};
        std::vector<jps_pathfinder> finders(1);
        finders[0].init(map, true);
        finders[0].find_path(first, second);
        const std::vector<int> expected = finders[0].get_path().coords;
        while (static_cast<int>(finders.size()) < count) {
            finders.emplace_back().init(map, true);
            finders.back().find_path(first, second);
        }
        finders.front() = std::move(finders.back());
        for (jps_pathfinder& finder : finders) {
            finder.cleanUpNodes();
            same += finder.find_path(first, second) == 0 && finder.get_path().coords == expected;
        }
    }
    *heap_left = static_cast<long long>(mallinfo2().uordblks) - heap_before;
    return same;
}

// jump() on an open map; the cell it stops at goes to stop[0..1].
__attribute__((visibility("default"))) int consumer_jump(int width, int height, int x, int y, int px, int py, int gx,
                                                         int gy, int* stop) {
    const OSTREL::Voxel::projection_map map(width, height);
    jps_pathfinder finder;
    finder.init(map, false);
    const bool found = finder.jump(x, y, px, py, gx, gy);
    stop[0] = x;
    stop[1] = y;
    return found;
}

__attribute__((visibility("default"))) void consumer_costs(int dx, int dy, int* costs) {
    costs[0] = jps_pathfinder::euclidean(dx, dy);
    costs[1] = jps_pathfinder::manhattan(dx, dy);
}

// identifySuccessors of node (x, y) towards (gx, gy): the nodes it opened,
// and the least f among them in *least_f.
__attribute__((visibility("default"))) int consumer_successors(int width, int height, const char* cells, int x, int y,
                                                               int gx, int gy, int* least_f) {
    const OSTREL::Voxel::projection_map map = map_of(width, height, cells);
    jps_pathfinder finder;
    finder.init(map, false);
    finder.identifySuccessors(finder.getNodeAt(x, y), gx, gy);
    *least_f = INT_MAX;
    for (const OSTREL::Voxel::jps_node* node : finder.open_list) *least_f = std::min(*least_f, node->f);
    return static_cast<int>(finder.open_list.size());
}

}  // extern "C"
