// A native caller of brondel's exported API, with a C interface for ctypes:
// it builds its own map, runs a search with jps_pathfinder and a corner
// search with CornerFindingAlgorithm, both of them code of the module.
#include <voxel/corner_finding_algorithm.hpp>
#include <voxel/jps_pathfinder.hpp>

#include <algorithm>
#include <array>
#include <cstddef>

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
__attribute__((visibility("default"))) int consumer_find_path(
    int width, int height, const char* cells, int interpolate,
    const unsigned int* first, const unsigned int* second,
    int* path, int capacity, int* count, float* length) {
    const OSTREL::Voxel::projection_map map = map_of(width, height, cells);
    OSTREL::Voxel::jps_pathfinder finder;
    finder.init(map, interpolate != 0);
    const int status = finder.find_path({first[0], first[1], first[2]},
                                        {second[0], second[1], second[2]});
    const std::vector<int>& coords = finder.get_path().coords;
    *count = static_cast<int>(coords.size());
    std::copy_n(coords.begin(), std::min<std::size_t>(coords.size(), capacity), path);
    *length = finder.get_path_length();
    return status;
}

// CornerFindingAlgorithm on a map given as bytes (a cornerfinder's corner
// map) and a path of `count` coordinates; the corner goes to corner[0..1].
__attribute__((visibility("default"))) int consumer_find_corner(
    int width, int height, const char* cells, const int* path, int count,
    unsigned int* corner) {
    const OSTREL::Voxel::projection_map map = map_of(width, height, cells);
    return OSTREL::Voxel::CornerFindingAlgorithm(count, path, map, corner);
}

}  // extern "C"
