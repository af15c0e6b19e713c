// map_picture: small maps as pictures, one string a row, row 0 first, '#' for
// an occupied cell and '.' for a free one; the form in which tests write maps
// and mismatch messages show them, so that a map in a message can be pasted
// into a test.
//
// Contract
//   Checking:     drawn_map takes the first row's length as the width; rows
//                 must all be that long (the caller's duty). Any character
//                 but '#' is free.
//   Threads:      pure functions.
//
// Usage
//   projection_map map = drawn_map({"..#",
//                                   "..."});
//   picture_of(map);   // {"..#", "..."}
#pragma once

#include "voxel/projection_map.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace brondel_test {

using picture = std::vector<std::string>;

inline OSTREL::Voxel::projection_map drawn_map(const picture& rows) {
    const std::uint32_t width = rows.empty() ? 0 : static_cast<std::uint32_t>(rows.front().size());
    OSTREL::Voxel::projection_map map(width, static_cast<std::uint32_t>(rows.size()));
    for (std::size_t y = 0; y < rows.size(); ++y) {
        for (std::size_t x = 0; x < width; ++x) map.set(x, y, rows[y][x] == '#' ? 1 : 0);
    }
    return map;
}

inline picture picture_of(const OSTREL::Voxel::projection_map& map) {
    picture rows(map.resolution[1], std::string(map.resolution[0], '.'));
    for (std::uint32_t y = 0; y < map.resolution[1]; ++y) {
        for (std::uint32_t x = 0; x < map.resolution[0]; ++x) {
            if (map.rows[y][x] != 0) rows[y][x] = '#';
        }
    }
    return rows;
}

// The picture as C++ source: {"..#", "..."}.
inline std::string picture_source(const picture& rows) {
    std::string text = "{";
    for (std::size_t y = 0; y < rows.size(); ++y) text += (y ? ", \"" : "\"") + rows[y] + "\"";
    return text + "}";
}

}  // namespace brondel_test
