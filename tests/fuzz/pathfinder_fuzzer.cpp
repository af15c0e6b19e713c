// libFuzzer target for the pathfinder and the corner finder.
//
// The input bytes become one or two maps of up to 64 x 64 cells and a series
// of calls: searches, line-of-sight tests, cell writes, re-binding to another
// map or flag, replacing a map, and corner searches on found or made-up paths.
// Coordinates include 0, the cells just outside the grid and huge values.
// Every search and line-of-sight answer is checked against the reference
// search (tests/reference) bound to the same map, and against what must
// always hold; corner searches against computations written here. A broken
// invariant aborts with a message, which libFuzzer records as a crash.
//
// Input layout (missing bytes read as 0):
//   map:  width % 65, height % 65, mode; odd mode: 4 seed bytes and a density
//         byte fill it at random; even mode: one bit per cell, row by row.
//   then up to 64 operations, each an opcode byte followed by its operands.
#include "tests/reference/reference_pathfinder.hpp"
#include "tests/support/search_outcome.hpp"
#include "voxel/corner_finding_algorithm_wrapper.hpp"
#include "voxel/jps_pathfinder.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

using brondel_reference::reference_pathfinder;
using brondel_test::float_bits;
using brondel_test::node_grid_is_clean;
using brondel_test::outcome_of;
using OSTREL::Voxel::jps_pathfinder;
using OSTREL::Voxel::path_2d;
using OSTREL::Voxel::projection_map;

namespace {

using cell = std::pair<int, int>;
using coordinate = std::array<unsigned int, 3>;

constexpr int max_extent = 64;
constexpr int max_operations = 64;

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

class byte_reader {
public:
    byte_reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return position_ >= size_; }

    std::uint8_t byte() { return empty() ? 0 : data_[position_++]; }

    std::uint32_t word() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            value = (value << 8) | byte();
        }
        return value;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

// ---- Reading the map ---------------------------------------------------

int width_of(const projection_map& map) {
    return static_cast<int>(map.resolution[0]);
}
int height_of(const projection_map& map) {
    return static_cast<int>(map.resolution[1]);
}

bool inside(const projection_map& map, int x, int y) {
    return x >= 0 && y >= 0 && x < width_of(map) && y < height_of(map);
}

bool free_cell(const projection_map& map, int x, int y) {
    return inside(map, x, y) && map.rows[y][x] == 0;
}

std::unique_ptr<projection_map> decode_map(byte_reader& in) {
    const int width = in.byte() % (max_extent + 1);
    const int height = in.byte() % (max_extent + 1);
    auto map = std::make_unique<projection_map>(width, height);
    const std::uint8_t mode = in.byte();
    if (mode % 2 == 1) {
        std::uint32_t state = in.word() | 1;
        const std::uint8_t density = in.byte();
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                state ^= state << 13;
                state ^= state >> 17;
                state ^= state << 5;
                map->set(x, y, (state & 0xFF) < density ? 1 : 0);
            }
        }
    } else {
        std::uint8_t bits = 0;
        for (int i = 0; i < width * height; ++i) {
            if (i % 8 == 0) {
                bits = in.byte();
            }
            map->set(i % width, i / width, static_cast<char>((bits >> (i % 8)) & 1));
        }
    }
    return map;
}

// One component of a three-component coordinate: mostly 0 to extent + 1
// (0 and extent + 1 lie outside the grid), sometimes a value at the edge of
// the unsigned and signed 32-bit ranges.
unsigned int decode_component(byte_reader& in, int extent) {
    static const unsigned int special[] = {0u,          0x7FFFFFFFu, 0x80000000u, 0x80000001u,
                                           0xFFFFFFFFu, 0xFFFFFFFEu, 32768u,      65536u};
    const std::uint8_t b = in.byte();
    if (b >= 0xF0) {
        return special[b % (sizeof special / sizeof special[0])];
    }
    return b % static_cast<unsigned int>(extent + 2);
}

coordinate decode_coordinate(byte_reader& in, const jps_pathfinder& finder) {
    const unsigned int x = decode_component(in, finder.width);
    const unsigned int y = decode_component(in, finder.height);
    return {x, y, in.byte() * 0x01010101u};
}

cell zero_based(const coordinate& c) {
    return {static_cast<int>(c[0] - 1u), static_cast<int>(c[1] - 1u)};
}

// ---- Reference computations of the corner finder --------------------------

std::vector<cell> cells_of(const path_2d& path) {
    return brondel_test::cells_of(path.coords);
}

projection_map reduce_to_corners(const projection_map& source) {
    projection_map corners = source;
    for (int y = 1; y + 1 < height_of(source); ++y) {
        for (int x = 1; x + 1 < width_of(source); ++x) {
            const auto& rows = source.rows;
            if (rows[y][x] != 0 &&
                ((rows[y][x + 1] != 0 && rows[y][x - 1] != 0) || (rows[y + 1][x] != 0 && rows[y - 1][x] != 0))) {
                corners.set(x, y, 0);
            }
        }
    }
    return corners;
}

// The corner of a path; a cell outside the map touches nothing.
std::array<unsigned int, 2> corner_of(const projection_map& map, const std::vector<cell>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const int x = cells[i].first;
        const int y = cells[i].second;
        const bool touches =
            inside(map, x, y) &&
            ((x + 1 < width_of(map) && map.rows[y][x + 1] != 0) || (x > 0 && map.rows[y][x - 1] != 0) ||
             (y + 1 < height_of(map) && map.rows[y + 1][x] != 0) || (y > 0 && map.rows[y - 1][x] != 0));
        if (i + 1 == cells.size() || (i > 0 && touches)) {
            return {static_cast<unsigned int>(x), static_cast<unsigned int>(y)};
        }
    }
    return {0, 0};
}

// ---- Checks ---------------------------------------------------------------

void check_nodes_clean(const jps_pathfinder& finder) {
    require(node_grid_is_clean(finder), "node grid of the pathfinder's size, every node clean after a search");
}

void check_jump_points(const projection_map& map, const std::vector<cell>& points) {
    for (std::size_t i = 1; i < points.size(); ++i) {
        const int dx = points[i].first - points[i - 1].first;
        const int dy = points[i].second - points[i - 1].second;
        require(dx != 0 || dy != 0, "repeated jump point");
        require(dx == 0 || dy == 0 || std::abs(dx) == std::abs(dy), "jump points not on one row, column or diagonal");
        const int steps = std::max(std::abs(dx), std::abs(dy));
        for (int s = 0; s <= steps; ++s) {
            require(free_cell(map, points[i - 1].first + s * dx / steps, points[i - 1].second + s * dy / steps),
                    "jump crosses an occupied or outside cell");
        }
    }
}

void check_filled_path(const projection_map& map, const std::vector<cell>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) {
        require(free_cell(map, cells[i].first, cells[i].second), "path cell occupied or outside");
        if (i > 0) {
            const int dx = std::abs(cells[i].first - cells[i - 1].first);
            const int dy = std::abs(cells[i].second - cells[i - 1].second);
            require(dx <= 1 && dy <= 1 && dx + dy > 0, "interpolated path not 8-connected");
        }
    }
}

// ---- The session: objects under test and the operations on them ---------

class session {
public:
    explicit session(byte_reader& in) : in_(in) {
        maps_[0] = decode_map(in_);
        maps_[1] = decode_map(in_);
        bind(0, in_.byte() % 2 == 1);
    }

    void run() {
        for (int i = 0; i < max_operations && !in_.empty(); ++i) {
            switch (in_.byte() % 8) {
                case 0:
                case 1: find_path(); break;
                case 2: test_direct_view(); break;
                case 3: set_cell(); break;
                case 4: bind(in_.byte() % 2, in_.byte() % 2 == 1); break;
                case 5: replace_map(); break;
                case 6: corner_of_last_path(); break;
                default: corner_of_made_up_path(); break;
            }
        }
    }

private:
    const projection_map& bound_map() const { return *maps_[bound_]; }

    void bind(int which, bool interpolate) {
        bound_ = which;
        interpolate_ = interpolate;
        require(finder_.init(*maps_[which], interpolate) == 0, "init returns 0");
        reference_.init(*maps_[which], interpolate);
        require(finder_.width == width_of(*maps_[which]) && finder_.height == height_of(*maps_[which]),
                "grid size follows the bound map");
        check_nodes_clean(finder_);
    }

    void find_path() {
        const coordinate first = decode_coordinate(in_, finder_);
        const coordinate second = decode_coordinate(in_, finder_);
        const float length_before = finder_.get_path_length();
        const int status = finder_.find_path(first, second);
        const std::vector<cell> cells = cells_of(finder_.get_path());
        check_nodes_clean(finder_);
        require(status == 0 || status == 2, "find_path status is 0 or 2");
        const int reference_status = reference_.find_path(first, second);
        require(outcome_of(finder_, status) == outcome_of(reference_, reference_status),
                "status, closed list, path and length as the reference search's");

        // A pathfinder that never searched before must answer alike: the
        // long-lived one carries nothing over from earlier calls.
        jps_pathfinder fresh;
        fresh.init(bound_map(), interpolate_);
        require(fresh.find_path(first, second) == status, "a fresh pathfinder answers alike");
        require(fresh.get_path().coords == finder_.get_path().coords, "a fresh pathfinder finds the same path");

        if (status == 2) {
            require(cells.empty(), "failed search leaves an empty path");
            require(float_bits(finder_.get_path_length()) == float_bits(length_before),
                    "failed search keeps the previous length");
            return;
        }
        require(float_bits(fresh.get_path_length()) == float_bits(finder_.get_path_length()),
                "a fresh pathfinder measures the same length");
        const cell from = zero_based(first);
        const cell to = zero_based(second);
        require(free_cell(bound_map(), from.first, from.second) && free_cell(bound_map(), to.first, to.second),
                "a path only between free cells of the grid");
        require(!cells.empty() && cells.front() == from && cells.back() == to,
                "path runs from the first cell to the second");
        require(finder_.get_path().coords.size() % 2 == 0, "path holds whole cells");
        if (interpolate_) {
            check_filled_path(bound_map(), cells);
        } else {
            check_jump_points(bound_map(), cells);
        }
    }

    void test_direct_view() {
        const coordinate first = decode_coordinate(in_, finder_);
        const coordinate second = decode_coordinate(in_, finder_);
        const int status = finder_.test_direct_view(first, second);
        require(status == 0 || status == 3, "test_direct_view status is 0 or 3");
        require(status == reference_.test_direct_view(first, second), "test_direct_view as the reference's");
    }

    void set_cell() {
        projection_map& map = *maps_[in_.byte() % 2];
        const std::uint8_t x = in_.byte();
        const std::uint8_t y = in_.byte();
        const std::uint8_t v = in_.byte();
        const char value = v % 2 == 1 ? static_cast<char>(v) : 0;  // any non-zero byte occupies
        if (width_of(map) > 0 && height_of(map) > 0) {
            map.set(x % width_of(map), y % height_of(map), value);
        }
    }

    // A map is only dropped once nothing refers to it: the pathfinder is
    // moved onto the replacement, as its contract asks of every caller.
    void replace_map() {
        const int which = in_.byte() % 2;
        maps_[which] = decode_map(in_);
        if (which == bound_) {
            bind(which, interpolate_);
        }
    }

    void corner_of_last_path() {
        const projection_map& map = *maps_[in_.byte() % 2];
        corner_finding_algorithm_wrapper finder(map);
        const projection_map expected = reduce_to_corners(map);
        require(finder.corner_map.resolution == map.resolution, "corner map has the map's size");
        for (int y = 0; y < height_of(map); ++y) {
            for (int x = 0; x < width_of(map); ++x) {
                require(finder.corner_map.rows[y][x] == expected.rows[y][x],
                        "corner map keeps run ends and corners only");
            }
        }
        require(finder.corner[0] == 0 && finder.corner[1] == 0, "a new corner finder holds (0, 0)");
        check_corner(finder, finder_.get_path());
    }

    void corner_of_made_up_path() {
        static const int special[] = {-1, -2147483647 - 1, 2147483647, 64, 65, 1000};
        path_2d path;
        const int count = in_.byte() % 9;
        for (int i = 0; i < count; ++i) {
            const std::uint8_t b = in_.byte();
            path.coords.push_back(b >= 0xF0 ? special[b % 6] : b % (max_extent + 2));
        }
        corner_finding_algorithm_wrapper finder(*maps_[in_.byte() % 2]);
        check_corner(finder, path);
    }

    void check_corner(corner_finding_algorithm_wrapper& finder, const path_2d& path) {
        require(finder.find_corner(in_.byte(), path) == 0, "find_corner returns 0");
        require(finder.corner == corner_of(finder.corner_map, cells_of(path)),
                "corner is the first cell after the start touching a corner cell");
    }

    byte_reader& in_;
    std::array<std::unique_ptr<projection_map>, 2> maps_;
    jps_pathfinder finder_;
    reference_pathfinder reference_;
    int bound_ = 0;
    bool interpolate_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    byte_reader in(data, size);
    session(in).run();
    return 0;
}
