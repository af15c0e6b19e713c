// path_2d: the cells of a grid path, in path order.
//
// Contract
//   Ownership:    a plain value type; copies are independent.
//   Layout:       `coords` holds x0, y0, x1, y1, ...: cell i is
//                 (coords[2i], coords[2i+1]), column first, zero-based.
//                 The pathfinder writes `coords` directly.
//   Checking:     length() and the text form count whole cells only; a
//                 trailing odd value is ignored. cell() is range-checked and
//                 throws std::out_of_range past the end.
//   Threads:      no internal state beyond `coords`.
//
// Usage
//   OSTREL::Voxel::path_2d path;
//   path.coords = {1, 2, 3, 4};
//   path.to_string();   // "(1, 2) > (3, 4)"
#pragma once

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace OSTREL {
namespace Voxel {

struct path_2d {
    std::vector<int> coords;

    std::size_t length() const { return coords.size() / 2; }

    std::pair<int, int> cell(std::uint32_t i) const {
        const std::size_t index = 2 * static_cast<std::size_t>(i);
        return {coords.at(index), coords.at(index + 1)};
    }

    // "(x0, y0) > (x1, y1) > ...", nothing after the last cell.
    std::string to_string() const {
        std::ostringstream text;
        const char* separator = "";
        for (std::uint32_t i = 0; i < length(); ++i) {
            const auto xy = cell(i);
            text << separator << '(' << xy.first << ", " << xy.second << ')';
            separator = " > ";
        }
        return text.str();
    }
};

}  // namespace Voxel
}  // namespace OSTREL
