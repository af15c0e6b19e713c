// The row and column skips of the map view's straight runs (run_east_by and
// run_west_by read a row eight or sixteen cells at a time up to the goal or
// the row's end, the last cells as one word ending there, skip_rows eight
// rows at a time, then four),
// held against a plain cell-by-cell walk: from every start cell, in both
// directions, with one cause to stop (a blocked cell, a forced neighbour
// beside, the goal) at every offset, near the row ends and the grid's
// borders, on grids wide or high enough for several words. The diagonal run
// (made without bounds tests away from the sides, checked beside them) is
// held against a plain diagonal walk with its two probes the same way.
#include "tests/support/map_picture.hpp"
#include "voxel/search/map_view.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>

using OSTREL::Voxel::diagonal_probes;
using OSTREL::Voxel::map_view;
using OSTREL::Voxel::projection_map;

namespace {

constexpr int no_goal = -5;

bool free_at(const projection_map& map, int x, int y) {
    return x >= 0 && y >= 0 && x < static_cast<int>(map.resolution[0]) && y < static_cast<int>(map.resolution[1]) &&
           map.rows[y][x] == 0;
}

// One cell at a time: blocked ends the run, then the goal or a forced
// neighbour (a blocked cell beside whose next cell in the run's direction is
// free) stops it.
bool walk(const projection_map& map, int& x, int& y, int dx, int dy, int gx, int gy) {
    for (;; x += dx, y += dy) {
        if (!free_at(map, x, y)) return false;
        if (x == gx && y == gy) return true;
        const int sx = dy != 0;  // the two cells beside lie across the run
        const int sy = dx != 0;
        for (const int side : {1, -1}) {
            if (free_at(map, x + side * sx + dx, y + side * sy + dy) && !free_at(map, x + side * sx, y + side * sy)) {
                return true;
            }
        }
    }
}

// Every start along row (column) `line`, both directions, against the walk;
// the goal elsewhere, and on the line at every cell when `every_goal` is set
// (at three cells otherwise). An empty string when all agree, else the first
// disagreement.
std::string compareRuns(const projection_map& map, bool along_row, int line, bool every_goal) {
    const map_view view(&map, static_cast<int>(map.resolution[0]), static_cast<int>(map.resolution[1]));
    const int length = static_cast<int>(along_row ? map.resolution[0] : map.resolution[1]);
    for (int goal = -1; goal < length; goal += every_goal ? 1 : length / 3 + 1) {
        for (int start = 0; start < length; ++start) {
            for (const int step : {1, -1}) {
                int x = along_row ? start : line;
                int y = along_row ? line : start;
                const int gx = goal < 0 ? no_goal : along_row ? goal : line;
                const int gy = goal < 0 ? no_goal : along_row ? line : goal;
                int walked_x = x;
                int walked_y = y;
                const bool expected = walk(map, walked_x, walked_y, along_row ? step : 0, along_row ? 0 : step, gx, gy);
                const bool found =
                    along_row ? view.run_horizontal(x, y, step, gx, gy) : view.run_vertical(x, y, step, gx, gy);
                if (found != expected || (found && (x != walked_x || y != walked_y))) {
                    std::string text = std::string(along_row ? "row " : "column ") + std::to_string(line) + ", start " +
                                       std::to_string(start) + ", step " + std::to_string(step) + ", goal " +
                                       std::to_string(goal) + ": run " + (found ? "stops" : "ends") + " at (" +
                                       std::to_string(x) + ", " + std::to_string(y) + "), walk " +
                                       (expected ? "stops" : "ends") + " at (" + std::to_string(walked_x) + ", " +
                                       std::to_string(walked_y) + ")\n";
                    for (const std::string& row : brondel_test::picture_of(map)) text += row + '\n';
                    return text;
                }
            }
        }
    }
    return {};
}

// A diagonal walk: blocked ends it, then the goal or a forced neighbour (the
// cell behind along the row blocked and the one past it along the column
// free, or the same with row and column exchanged) stops it, then the row
// probe, then the column probe (each a straight walk from its first cell,
// not made when that cell is blocked) stop it where it stands when they find
// a jump point, which `probes` records as the run does.
bool walkDiagonal(const projection_map& map, int& x, int& y, int dx, int dy, int gx, int gy, diagonal_probes& probes) {
    using answer = diagonal_probes::answer;
    for (;; x += dx, y += dy) {
        if (!free_at(map, x, y)) return false;
        if (x == gx && y == gy) return true;
        if ((free_at(map, x - dx, y + dy) && !free_at(map, x - dx, y)) ||
            (free_at(map, x + dx, y - dy) && !free_at(map, x, y - dy))) {
            return true;
        }
        int row_x = x + dx;
        int row_y = y;
        if (free_at(map, row_x, row_y) && walk(map, row_x, row_y, dx, 0, gx, gy)) {
            probes = {static_cast<signed char>(dx), static_cast<signed char>(dy), answer::jump_point, answer::unknown,
                      row_x};
            return true;
        }
        int column_x = x;
        int column_y = y + dy;
        if (free_at(map, column_x, column_y) && walk(map, column_x, column_y, 0, dy, gx, gy)) {
            probes = {static_cast<signed char>(dx), static_cast<signed char>(dy), answer::no_jump_point,
                      answer::jump_point, column_y};
            return true;
        }
    }
}

std::string describe(const diagonal_probes& probes) {
    return "probes (" + std::to_string(probes.dx) + ", " + std::to_string(probes.dy) + ", " +
           std::to_string(static_cast<int>(probes.horizontal)) + ", " +
           std::to_string(static_cast<int>(probes.vertical)) + ", " + std::to_string(probes.jump) + ")";
}

// Diagonal runs from every cell in all four directions against the walk:
// the stop, the answer and what the probes found (left alone by a run that
// stops for any other reason). The goal at every cell (on the run, on either
// probe, elsewhere) when `every_goal` is set, else none and every fifth cell.
std::string compareDiagonalRuns(const projection_map& map, bool every_goal) {
    const int width = static_cast<int>(map.resolution[0]);
    const int height = static_cast<int>(map.resolution[1]);
    const map_view view(&map, width, height);
    const diagonal_probes untouched{9, 9, diagonal_probes::answer::unknown, diagonal_probes::answer::unknown, -7};
    for (int goal = -1; goal < width * height; goal += every_goal || goal < 0 ? 1 : 5) {
        const int gx = goal < 0 ? no_goal : goal % width;
        const int gy = goal < 0 ? no_goal : goal / width;
        for (int start = 0; start < width * height; ++start) {
            for (const int dx : {1, -1}) {
                for (const int dy : {1, -1}) {
                    int x = start % width;
                    int y = start / width;
                    int walked_x = x;
                    int walked_y = y;
                    diagonal_probes probes = untouched;
                    diagonal_probes walked_probes = untouched;
                    const bool expected = walkDiagonal(map, walked_x, walked_y, dx, dy, gx, gy, walked_probes);
                    const bool found = view.run_diagonal(x, y, dx, dy, gx, gy, probes);
                    if (found == expected && (!found || (x == walked_x && y == walked_y)) &&
                        describe(probes) == describe(walked_probes)) {
                        continue;
                    }
                    std::string text = "start (" + std::to_string(start % width) + ", " +
                                       std::to_string(start / width) + "), step (" + std::to_string(dx) + ", " +
                                       std::to_string(dy) + "), goal (" + std::to_string(gx) + ", " +
                                       std::to_string(gy) + "): run " + (found ? "stops" : "ends") + " at (" +
                                       std::to_string(x) + ", " + std::to_string(y) + ") " + describe(probes) +
                                       ", walk " + (expected ? "stops" : "ends") + " at (" + std::to_string(walked_x) +
                                       ", " + std::to_string(walked_y) + ") " + describe(walked_probes) + "\n";
                    for (const std::string& row : brondel_test::picture_of(map)) text += row + '\n';
                    return text;
                }
            }
        }
    }
    return {};
}

// The maps of one family: all free (checked with the goal at every cell),
// then one blocked cell, then two side by side, at every cell of the grid in
// turn, then seeded random fillings.
template <typename Check>
void everyPattern(std::uint32_t width, std::uint32_t height, Check check) {
    projection_map map(width, height);
    // The first failure ends the family.
    const auto passes = [&](bool every_goal) {
        check(map, every_goal);
        return !::testing::Test::HasFatalFailure();
    };
    if (!passes(true)) return;
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            map.set(x, y, 1);
            if (!passes(false)) return;
            for (const bool across : {false, true}) {
                const std::uint32_t next_x = x + !across;
                const std::uint32_t next_y = y + across;
                if (next_x >= width || next_y >= height) continue;
                map.set(next_x, next_y, 1);
                if (!passes(false)) return;
                map.set(next_x, next_y, 0);
            }
            map.set(x, y, 0);
        }
    }
    std::mt19937 random(width * 131 + height);
    for (int round = 0; round < 6; ++round) {
        for (std::uint32_t y = 0; y < height; ++y) {
            for (std::uint32_t x = 0; x < width; ++x)
                map.set(x, y, random() % 9 < static_cast<unsigned>(round) ? 1 : 0);
        }
        if (!passes(false)) return;
    }
}

}  // namespace

// Rows one to 40 cells wide: no whole word, one, two and more of eight and
// of sixteen, each end of the row at every alignment; the run along the top
// row, the middle and the bottom one, where the run's own row stands in for
// the missing one.
TEST(RunSkips, RowSkipsStopWhereTheWalkStops) {
    for (std::uint32_t width = 1; width <= 40; ++width) {
        everyPattern(width, 3, [](const projection_map& map, bool every_goal) {
            for (int row = 0; row < 3; ++row) {
                const std::string failure = compareRuns(map, true, row, every_goal);
                ASSERT_TRUE(failure.empty()) << failure;
            }
        });
    }
    // A single row has neither neighbour row.
    everyPattern(37, 1, [](const projection_map& map, bool every_goal) {
        const std::string failure = compareRuns(map, true, 0, every_goal);
        ASSERT_TRUE(failure.empty()) << failure;
    });
}

// Columns one to 40 rows high in grids five wide: column 0 and the last two
// are walked cell by cell, columns 1 and 2 skip eight rows at a time, then
// four, then decide the last (up to three) rows from one read in which the
// end row stands in for the rows past it (up to four groups of eight, a group
// of four and every count of rows left, from every start row).
TEST(RunSkips, ColumnSkipsStopWhereTheWalkStops) {
    for (std::uint32_t height = 1; height <= 40; ++height) {
        everyPattern(5, height, [](const projection_map& map, bool every_goal) {
            for (int column = 0; column < 5; ++column) {
                const std::string failure = compareRuns(map, false, column, every_goal);
                ASSERT_TRUE(failure.empty()) << failure;
            }
        });
    }
}

// The goal in every row together with one blocked cell anywhere: each row of
// a group of eight (and of four, and the last rows) holds, in turn, the goal
// with the stop before it, behind it or beside it, and the group that
// reaches the last row (or the goal) short of eight rows is not read past it.
TEST(RunSkips, ColumnSkipsFindTheGoalInEveryRowOfAGroup) {
    for (const std::uint32_t height : {1u, 2u, 3u, 4u, 5u, 12u, 13u, 14u, 15u, 19u, 26u}) {
        projection_map map(5, height);
        for (std::uint32_t cell = 0; cell <= 5 * height; ++cell) {
            const bool blocks = cell < 5 * height;
            if (blocks) map.set(cell % 5, cell / 5, 1);
            for (const int column : {1, 2}) {
                const std::string failure = compareRuns(map, false, column, true);
                ASSERT_TRUE(failure.empty()) << failure;
            }
            if (blocks) map.set(cell % 5, cell / 5, 0);
        }
    }
}

// A row's first and last words overlap the words before them and are read
// from the row's ends, with the cells before the run's start left out and
// the cell past the row's end counted as blocked (forcing nothing); a goal
// ahead in the row ends the run's words there, the last one ending at the
// goal (or beginning at the row's first cell). One cause to stop (the run's
// cell blocked, or the cell above or below it) at every cell, in rows 1 to 40
// wide, with the goal at every cell, from every start, both ways, along each
// of the three rows (the first and last rows of the grid among them).
TEST(RunSkips, RowEndsStopAtEveryCellOfTheirEndWords) {
    for (std::uint32_t width = 1; width <= 40; ++width) {
        projection_map map(width, 3);
        for (std::uint32_t x = 0; x < width; ++x) {
            for (std::uint32_t y = 0; y < 3; ++y) {
                map.set(x, y, 1);
                for (int row = 0; row < 3; ++row) {
                    const std::string failure = compareRuns(map, true, row, true);
                    ASSERT_TRUE(failure.empty()) << failure;
                }
                map.set(x, y, 0);
            }
        }
    }
}

// Diagonal runs on grids of one to six cells a side, with the goal at every
// cell of every map (so on the run and on each probe, near and away from the
// sides, where the steps are made with and without bounds tests), and on
// grids wide enough for the row probes' words, from every cell in all four
// directions.
TEST(RunSkips, DiagonalRunsStopWhereTheWalkStops) {
    for (std::uint32_t height = 1; height <= 6; ++height) {
        for (std::uint32_t width = 1; width <= 6; ++width) {
            everyPattern(width, height, [](const projection_map& map, bool) {
                const std::string failure = compareDiagonalRuns(map, true);
                ASSERT_TRUE(failure.empty()) << failure;
            });
        }
    }
    for (const std::uint32_t width : {9u, 17u, 20u}) {
        for (const std::uint32_t height : {3u, 4u}) {
            everyPattern(width, height, [](const projection_map& map, bool every_goal) {
                const std::string failure = compareDiagonalRuns(map, every_goal);
                ASSERT_TRUE(failure.empty()) << failure;
            });
        }
    }
}
