// consistency_report: the answers of the native core to a fixed, seeded set of
// maps and queries, written in a stable text form. The Linux and the Windows
// build must write the same bytes; scripts/windows.sh compares the two files.
//
//   consistency_report OUTPUT_FILE
//
// Inputs come from a small generator of our own rather than from <random>'s
// distributions, whose results differ between standard libraries, so that
// every build on every platform sees the same maps. The file is opened in
// binary mode: no platform rewrites its line ends.
#include "tests/support/search_outcome.hpp"
#include "voxel/corner_finding_algorithm_wrapper.hpp"
#include "voxel/jps_pathfinder.hpp"
#include "voxel/path_2d.hpp"
#include "voxel/projection_map.hpp"

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iomanip>
#include <ostream>
#include <sstream>
#include <string>

namespace {

using OSTREL::Voxel::jps_pathfinder;
using OSTREL::Voxel::path_2d;
using OSTREL::Voxel::projection_map;

// xorshift32: fully specified by its three shifts, the same on every platform.
class seeded_random {
public:
    explicit seeded_random(std::uint32_t seed) : state_(seed == 0 ? 1u : seed) {}

    std::uint32_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }

    // A number in [0, bound); bound > 0.
    std::uint32_t below(std::uint32_t bound) { return next() % bound; }

private:
    std::uint32_t state_;
};

struct map_recipe {
    std::uint32_t width;
    std::uint32_t height;
    std::uint32_t blocked_percent;  // share of cells set to a non-zero byte
    std::uint32_t walls;            // straight walls drawn over the noise
    std::uint32_t seed;
};

// Narrow, square and oblong maps, from empty to crowded, small enough that
// the report runs in well under a second under wine.
const map_recipe recipes[] = {
    {1, 1, 0, 0, 1},       {1, 9, 20, 0, 2},     {9, 1, 20, 0, 3},       {2, 7, 25, 0, 4},   {3, 3, 30, 0, 5},
    {8, 8, 0, 0, 6},       {16, 12, 20, 2, 7},   {32, 32, 30, 0, 8},     {40, 25, 10, 6, 9}, {64, 48, 15, 8, 10},
    {100, 100, 35, 0, 11}, {128, 96, 5, 20, 12}, {200, 150, 10, 12, 13},
};

constexpr int queries_per_map = 40;

projection_map make_map(const map_recipe& recipe, seeded_random& random) {
    projection_map map(recipe.width, recipe.height);
    for (std::uint32_t y = 0; y < recipe.height; ++y) {
        for (std::uint32_t x = 0; x < recipe.width; ++x) {
            if (random.below(100) < recipe.blocked_percent) {
                // Any non-zero byte is occupied, negative ones included.
                map.set(x, y, static_cast<char>(1 + random.below(255)));
            }
        }
    }
    for (std::uint32_t wall = 0; wall < recipe.walls; ++wall) {
        const bool horizontal = random.below(2) == 0;
        std::uint32_t x = random.below(recipe.width);
        std::uint32_t y = random.below(recipe.height);
        const std::uint32_t length = 2 + random.below(recipe.width / 2 + 2);
        for (std::uint32_t step = 0; step < length && x < recipe.width && y < recipe.height; ++step) {
            map.set(x, y, 1);
            (horizontal ? x : y) += 1;
        }
    }
    return map;
}

// Two cells as the pathfinder takes them: one-based, the third component
// unused. One coordinate in eight is drawn from 0 to width + 1 (or height + 1),
// where 0 and the largest value lie outside the grid.
struct query {
    std::array<unsigned int, 3> first;
    std::array<unsigned int, 3> second;
};

query make_query(const map_recipe& recipe, seeded_random& random) {
    auto coordinate = [&](std::uint32_t extent) {
        return random.below(8) == 0 ? random.below(extent + 2) : 1 + random.below(extent);
    };
    auto cell = [&]() {
        const unsigned int x = coordinate(recipe.width);
        const unsigned int y = coordinate(recipe.height);
        return std::array<unsigned int, 3>{x, y, random.below(3)};
    };
    const auto first = cell();
    return {first, cell()};
}

// A float as its IEEE 754 bit pattern, so that equal text means equal bits.
std::string bits(float value) {
    std::ostringstream text;
    text << "0x" << std::hex << std::setw(8) << std::setfill('0') << brondel_test::float_bits(value);
    return text.str();
}

std::ostream& operator<<(std::ostream& out, const std::array<unsigned int, 3>& cell) {
    return out << '[' << cell[0] << ", " << cell[1] << ", " << cell[2] << ']';
}

std::ostream& operator<<(std::ostream& out, const std::array<unsigned int, 2>& cell) {
    return out << '[' << cell[0] << ", " << cell[1] << ']';
}

// Every service whose answers are compared, set up once per map: each one
// appears in the constructor, in describe_map and in answer.
class services {
public:
    explicit services(const projection_map& map) : map_(map), corners_(map) {}

    void describe_map(std::ostream& out) const {
        out << "map\n" << map_.to_string() << "corner map\n" << corners_.corner_map.to_string();
    }

    // Both kinds of path (jump points, and every cell after straightening),
    // each with its length and its corner, then the line of sight.
    void answer(std::ostream& out, const query& q) {
        out << "query " << q.first << ' ' << q.second << '\n';
        for (const bool interpolate : {false, true}) {
            finder_.init(map_, interpolate);
            const int status = finder_.find_path(q.first, q.second);
            out << (interpolate ? "  cells" : "  jump points") << ": status " << status;
            if (status == 0) {
                const path_2d& path = finder_.get_path();
                corners_.find_corner(0, path);
                out << ", length " << bits(finder_.get_path_length()) << ", corner " << corners_.corner << "\n    "
                    << path.to_string();
            }
            out << '\n';
        }
        out << "  direct view: " << finder_.test_direct_view(q.first, q.second) << '\n';
    }

private:
    const projection_map& map_;
    corner_finding_algorithm_wrapper corners_;
    jps_pathfinder finder_;
};

void write_report(std::ostream& out) {
    for (const map_recipe& recipe : recipes) {
        seeded_random random(recipe.seed);
        const projection_map map = make_map(recipe, random);
        out << "== " << recipe.width << " x " << recipe.height << ", seed " << recipe.seed << '\n';
        services answers(map);
        answers.describe_map(out);
        for (int i = 0; i < queries_per_map; ++i) {
            answers.answer(out, make_query(recipe, random));
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: consistency_report OUTPUT_FILE\n");
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary);
    write_report(out);
    out.close();
    if (!out) {
        std::fprintf(stderr, "consistency_report: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
