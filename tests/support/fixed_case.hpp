// fixed_case: one search written down with its answer: a small map drawn as a
// picture, the two cells as find_path takes them, the interpolate mode, and
// what the search answers (status, closed list, path, length bits) and what
// test_direct_view answers for the same cells. The worked examples are a
// table of these, replayed against both searches by every build; a mismatch
// found by the exhaustive test is printed as one, ready to be added there.
//
// Contract
//   Coordinates:  one-based, as find_path takes them; 0 or one past the
//                 width or height lie outside the grid.
//   Threads:      plain values and pure functions.
//
// Usage
//   const fixed_case example{"straight row", {"...."}, {1, 1}, {3, 1}, false,
//                            {0, {{2, 0}, {0, 0}}, {0, 0, 2, 0}, 0x40000000u}, 0};
#pragma once

#include "tests/support/map_picture.hpp"
#include "tests/support/search_outcome.hpp"

#include <array>
#include <sstream>
#include <string>

namespace brondel_test {

struct fixed_case {
    std::string name;
    picture map;
    std::array<unsigned int, 2> first;
    std::array<unsigned int, 2> second;
    bool interpolate;
    search_outcome expected;
    int view;  // test_direct_view(first, second): 0 or 3
};

inline std::array<unsigned int, 3> coordinate_of(const std::array<unsigned int, 2>& c) {
    return {c[0], c[1], 0};
}

// The case as C++ source, one entry of a table of fixed_case.
inline std::string fixed_case_source(const fixed_case& c) {
    std::ostringstream text;
    text << "{\"" << c.name << "\",\n " << picture_source(c.map) << ",\n {" << c.first[0] << ", " << c.first[1]
         << "}, {" << c.second[0] << ", " << c.second[1] << "}, " << (c.interpolate ? "true" : "false") << ",\n {"
         << c.expected.status << ", " << cells_text(c.expected.expanded) << ",\n  {";
    for (std::size_t i = 0; i < c.expected.path.size(); ++i) text << (i ? ", " : "") << c.expected.path[i];
    text << "}, " << hex_bits(c.expected.length_bits) << "u},\n " << c.view << "},";
    return text.str();
}

}  // namespace brondel_test
