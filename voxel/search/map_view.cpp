#include "voxel/search/map_view.hpp"

#include "voxel/search/byte_scan.hpp"
#include "voxel/search/jump_rules.hpp"

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace OSTREL {
namespace Voxel {

namespace {

// Keeps a function out of line: a rarely taken path that calls out of a hot
// function, so that the hot path saves no registers for it, or the copies of
// a run that one entry point chooses between, so that it saves none for them.
#if defined(_MSC_VER)
#define BRONDEL_OUT_OF_LINE __declspec(noinline)
#else
#define BRONDEL_OUT_OF_LINE __attribute__((noinline))
#endif

// Stands for "no goal on this row (column)": every cell a run visits has
// coordinates of -1 or more.
constexpr int no_goal = -2;

// The two widths a row is read at: a 64-bit word of byte flags (eight cells)
// and, with SSE2, a mask of one bit a cell (sixteen). `occupied_at` flags the
// occupied cells, `free_at` the free ones, and `blocked` turns free flags into
// occupied ones for a mask it is ANDed with (its bits beyond the word's cells
// may be set). `from` keeps the cells from an offset on, `up_to` those up to
// one; `next_east` (`next_west`) moves each cell's free flag onto the cell west
// (east) of it, so that a cell sees whether its eastern (western) neighbour is
// free, and counts the cell past the word's end as not free (blocked): used
// only where the word ends at the row's end.
struct eight_cells {
    using mask = std::uint64_t;
    static constexpr int count = 8;
    static mask occupied_at(const char* cells) { return byte_scan::occupied(byte_scan::load(cells)); }
    static mask free_at(const char* cells) { return occupied_at(cells) ^ byte_scan::top_bits; }
    static mask blocked(mask free) { return ~free; }
    static mask flag(int offset) { return byte_scan::flag_at(offset); }
    static mask from(int offset) { return ~mask{0} << (8 * offset); }
    static mask up_to(int offset) { return ~mask{0} >> (8 * (count - 1 - offset)); }
    static mask next_east(mask free) { return free >> 8; }
    static mask next_west(mask free) { return free << 8; }
    static int first(mask stops) { return byte_scan::lowest_flagged_byte(stops); }
    static int last(mask stops) { return byte_scan::highest_flagged_byte(stops); }
};

struct sixteen_cells {
    using mask = unsigned int;
    static constexpr int count = 16;
    static constexpr mask all = 0xFFFFu;
    static mask free_at(const char* cells) { return byte_scan::occupied_sixteen(cells) ^ all; }
    static mask occupied_at(const char* cells) { return byte_scan::occupied_sixteen(cells); }
    static mask blocked(mask free) { return ~free; }
    static mask flag(int offset) { return 1u << offset; }
    static mask from(int offset) { return ~mask{0} << offset; }
    static mask up_to(int offset) { return all >> (count - 1 - offset); }
    static mask next_east(mask free) { return free >> 1; }
    static mask next_west(mask free) { return free << 1 & all; }
    static int first(mask stops) { return byte_scan::lowest_set_bit(stops); }
    static int last(mask stops) { return byte_scan::highest_set_bit(stops); }
};

// The width the rows of wide grids are read at.
using row_cells = std::conditional_t<byte_scan::sixteen_at_once, sixteen_cells, eight_cells>;

// The rows a horizontal run reads: its own, and the rows above and below.
// A missing row (off the grid) is all blocked, which forces nothing; the run's
// own row stands in for it, which adds no stop either: a cell of the run's
// row that it would mark as forcing is itself blocked, so stops the run
// there anyway, and as blocked.
struct run_rows {
    const char* here;
    const char* above;
    const char* below;
};

// The rows of a run along row y of the grid.
run_rows rows_around(const std::valarray<char>* rows, int height, int y) {
    const char* here = &rows[y][0];
    return {here, y > 0 ? &rows[y - 1][0] : here, y + 1 < height ? &rows[y + 1][0] : here};
}

// The cells of one word whose forced-neighbour rule holds (jump_rules, for
// a whole word at once): a blocked cell above or below whose neighbour in the
// run's direction is free. `next` gives a row's free flags of those neighbours
// from the word's own address and free flags.
template <typename Cells, typename Next>
typename Cells::mask forced_cells(const run_rows& rows, int first, Next next) {
    const typename Cells::mask above = Cells::free_at(rows.above + first);
    const typename Cells::mask below = Cells::free_at(rows.below + first);
    return (Cells::blocked(above) & next(rows.above + first, above)) |
           (Cells::blocked(below) & next(rows.below + first, below));
}

// Ends a run at offset `at` of a word from `first` whose occupied flags are
// `here`: its cell is blocked (no jump point) or not (a jump point, found
// there as the goal or forced).
template <typename Cells>
bool stop_in_word(int& x, int first, int at, typename Cells::mask here) {
    x = first + at;
    return (here & Cells::flag(at)) == 0;
}

// A run along a row of at least Cells::count cells, from x (inside the grid)
// eastwards to its end cell: the goal when it lies ahead in this row, else the
// row's last cell (one end to watch for, not two). Whole words from x on while
// the cell after the word lies at or before the end, then one word that ends
// at the end cell (or begins at the row's first cell, when the end lies in the
// row's first word) with the cells before x left out. A word's first cell that
// is blocked, the goal or forced stops the run, as stepping cell by cell
// would: all three stop the run at the cell they are found in, and blocked
// comes first there. In the last word each cell's next cell is read from the
// word itself, the word's last cell counting its next as blocked: that is the
// cell past the row's end (off the grid, so blocked, forcing nothing), or the
// end cell is the goal, which stops the run whatever its neighbours, and
// cells past it in the word never stop it first. x is kept in a local, as the
// reads of the cells (chars) might otherwise alias it.
template <typename Cells>
bool run_east_by(const run_rows& rows, int& x_at, int width, int goal_x) {
    using mask = typename Cells::mask;
    int x = x_at;
    const bool goal_ahead = static_cast<unsigned int>(goal_x) - static_cast<unsigned int>(x) <
                            static_cast<unsigned int>(width) - static_cast<unsigned int>(x);
    const int end = goal_ahead ? goal_x : width - 1;
    const auto next_read = [](const char* cells, mask) { return Cells::free_at(cells + 1); };
    const int last_whole = end - Cells::count;  // the last x whose word and next cell lie before the end
    for (; x <= last_whole; x += Cells::count) {
        const mask here = Cells::occupied_at(rows.here + x);
        const mask stops = here | forced_cells<Cells>(rows, x, next_read);
        if (stops != 0) {
            return stop_in_word<Cells>(x_at, x, Cells::first(stops), here);
        }
    }
    const auto next_shifted = [](const char*, mask free) { return Cells::next_east(free); };
    const int first = end >= Cells::count - 1 ? end - (Cells::count - 1) : 0;
    const mask here = Cells::occupied_at(rows.here + first);
    mask stops = (here | forced_cells<Cells>(rows, first, next_shifted)) & Cells::from(x - first);
    if (goal_ahead) stops |= Cells::flag(end - first);
    if (stops == 0) {
        x_at = width;
        return false;
    }
    return stop_in_word<Cells>(x_at, first, Cells::first(stops), here);
}

// The mirror image of run_east_by: the end cell is the goal when it lies
// behind x in this row, else the row's first cell; each word read ends at x,
// the cell that must be free for a forced neighbour lies to the west, and the
// last word begins at the end cell (or ends at the row's last cell, when the
// end lies in the row's last word).
template <typename Cells>
bool run_west_by(const run_rows& rows, int& x_at, int width, int goal_x) {
    using mask = typename Cells::mask;
    int x = x_at;
    const bool goal_ahead = static_cast<unsigned int>(goal_x) <= static_cast<unsigned int>(x);
    const int end = goal_ahead ? goal_x : 0;
    const auto next_read = [](const char* cells, mask) { return Cells::free_at(cells - 1); };
    const int last_whole = end + Cells::count;
    for (; x >= last_whole; x -= Cells::count) {
        const int first = x - (Cells::count - 1);
        const mask here = Cells::occupied_at(rows.here + first);
        const mask stops = here | forced_cells<Cells>(rows, first, next_read);
        if (stops != 0) {
            return stop_in_word<Cells>(x_at, first, Cells::last(stops), here);
        }
    }
    const auto next_shifted = [](const char*, mask free) { return Cells::next_west(free); };
    const int first = end <= width - Cells::count ? end : width - Cells::count;
    const mask here = Cells::occupied_at(rows.here + first);
    mask stops = (here | forced_cells<Cells>(rows, first, next_shifted)) & Cells::up_to(x - first);
    if (goal_ahead) stops |= Cells::flag(end - first);
    if (stops == 0) {
        x_at = -1;
        return false;
    }
    return stop_in_word<Cells>(x_at, first, Cells::last(stops), here);
}

// A run along row y (inside the grid, at least Cells::count cells wide) from
// x in the direction Step, its set-up included: one function per direction.
// goal_x is the goal's column when the goal lies in this row, else
// no_goal (which no run reaches).
template <typename Cells, int Step>
bool run_row(const std::valarray<char>* rows, int height, int width, int& x, int y, int goal_x) {
    const run_rows around = rows_around(rows, height, y);
    return Step > 0 ? run_east_by<Cells>(around, x, width, goal_x) : run_west_by<Cells>(around, x, width, goal_x);
}

// The four cells around a vertical run in column x, (x - 1) to (x + 2), in
// the rows a skip reads: `row` points at one row's storage, and Step (+1 or
// -1, the run's direction) is known to the compiler, so each row costs one
// read of its storage's address at a fixed offset and one of its cells.
template <int Step>
struct column_cells {
    static constexpr int step = Step;
    const std::valarray<char>* row;
    std::ptrdiff_t first_x;

    const char* at(int rows_on) const { return &row[rows_on * Step][0] + first_x; }
    // The free cells of the four rows from `rows_on` on: four bits a row
    // (x - 1 in the lowest), the nearest row lowest.
    unsigned int four_rows(int rows_on) const {
        return byte_scan::free_four_rows(at(rows_on), at(rows_on + 1), at(rows_on + 2), at(rows_on + 3));
    }
};

// The rows a skip group tests at once, eight or four. `ahead` reads the
// group's rows after its first and the row after the group (one read of four
// rows or two) as one mask of free cells, the nearest row lowest.
struct eight_rows {
    using mask = std::uint64_t;
    static constexpr int count = 8;
    static constexpr mask centres = 0x22222222u;  // bit 1 of each row's four
    static constexpr mask sides = 0x55555555u;    // bits 0 and 2 of each row's four
    template <typename Cells>
    static mask ahead(const Cells& cells) {
        return cells.four_rows(1) | mask{cells.four_rows(5)} << 16;
    }
};

struct four_rows {
    using mask = unsigned int;
    static constexpr int count = 4;
    static constexpr mask centres = 0x2222u;
    static constexpr mask sides = 0x5555u;
    template <typename Cells>
    static mask ahead(const Cells& cells) {
        return cells.four_rows(1);
    }
};

// The rows of a group that stop the run, from the free cells of the group's
// rows and of the row after it: a row stops the run when its own cell (bit 1)
// is blocked, or a cell beside it (bits 0 and 2) is blocked while the next
// row's is free.
template <typename Rows>
typename Rows::mask stopping_rows(typename Rows::mask free) {
    return ~free & (Rows::centres | (free >> 4 & Rows::sides));
}

// Moves `cells` on to the first row of `stops` (not zero) and says why it
// stops the run: blocked comes first, as in jump.
template <typename Cells, typename Mask>
map_view::stop stop_at_row(Cells& cells, Mask stops) {
    const int row = byte_scan::lowest_set_bit(stops) / 4;
    cells.row += row * Cells::step;
    return (stops >> (4 * row) & 2u) != 0 ? map_view::stop::blocked : map_view::stop::jump_point;
}

// From the row `cells` points at, skips groups of Rows::count rows while none
// of them can stop the run and the end row lies beyond them (more than
// `rows_left` rows on). Each group reads the group's rows after the first and
// the row after the group into one mask, beside the first row's four bits
// (`here`). On a stop the answer says why and `cells` points at that row;
// go_on when the skips end short of it, at the row `cells` points at.
template <typename Rows, typename Cells>
map_view::stop skip_rows_by(Cells& cells, int& rows_left, unsigned int& here) {
    using mask = typename Rows::mask;
    for (; rows_left >= Rows::count; rows_left -= Rows::count) {
        const mask ahead = Rows::ahead(cells);
        const mask stops = stopping_rows<Rows>(here | ahead << 4);  // the group's rows and the one after
        if (stops != 0) {
            return stop_at_row(cells, stops);
        }
        cells.row += Rows::count * Cells::step;
        here = static_cast<unsigned int>(ahead >> (4 * (Rows::count - 1)));
    }
    return map_view::stop::go_on;
}

// The last rows of a vertical run, from the row `cells` points at (whose
// four bits are `here`) to the end row, fewer than four rows on
// (`rows_left`), decided from one read of four rows: the rows up to the end
// row, which is read again in place of the rows past it (those may lie off
// the grid). The copies add no stop before the end row: they come after it
// (so a blocked end row stops the run there first), and a row followed by
// itself forces nothing. The end row, reached with nothing before it
// stopping the run, is left for the caller (go_on).
template <typename Cells>
map_view::stop last_rows(Cells& cells, int rows_left, unsigned int here) {
    const auto upto = [rows_left](int rows_on) { return rows_on < rows_left ? rows_on : rows_left; };
    const unsigned int ahead =
        byte_scan::free_four_rows(cells.at(upto(1)), cells.at(upto(2)), cells.at(upto(3)), cells.at(rows_left));
    const unsigned int stops = stopping_rows<four_rows>(here | ahead << 4);
    if (stops == 0) {
        cells.row += rows_left * Cells::step;
        return map_view::stop::go_on;
    }
    return stop_at_row(cells, stops);
}

// A vertical run in column x (away from the grid's sides) from row y (inside
// the grid) in the direction Step, read at fixed offsets from one pointer
// into the map's rows. Unless something stops it before, it ends at the goal
// if the goal lies ahead in this column, else at the grid's last row in that
// direction, `last_y` (whose next cell is off the grid, so nothing there is
// forced): one end row to watch for, not two. Groups of eight rows, then one
// of four, are skipped while none of their rows can stop the run, and the
// rows left (fewer than four) are decided at once; the first row that stops
// the run is left in y.
template <int Step>
bool run_column(const std::valarray<char>* rows, int x, int& y, int last_y, int gx, int gy) {
    // Only a goal between here and the last row ends the column: one off the
    // grid is never reached (the run ends at the grid's side, as a walk
    // does), and its row is never subtracted, so no value of it overflows.
    const bool goal_ahead = x == gx && (Step > 0 ? y <= gy && gy <= last_y : last_y <= gy && gy <= y);
    int rows_left = ((goal_ahead ? gy : last_y) - y) * Step;
    column_cells<Step> cells{rows + y, x - 1};
    unsigned int here = byte_scan::free_four(cells.at(0));
    map_view::stop result = skip_rows_by<eight_rows>(cells, rows_left, here);
    if (result == map_view::stop::go_on) {
        result = skip_rows_by<four_rows>(cells, rows_left, here);
    }
    if (result == map_view::stop::go_on) {
        result = last_rows(cells, rows_left, here);
    }
    y = static_cast<int>(cells.row - rows);
    return result == map_view::stop::go_on ? goal_ahead : result == map_view::stop::jump_point;
}

// The grid as seen from a cell at least one cell away from every side: the
// cells around it are inside, so they are read without bounds tests.
class inner_cells {
public:
    explicit inner_cells(const map_view& outer) : view(outer) {}
    bool walkable(int x, int y) const { return view.walkable_inside(x, y); }

private:
    const map_view& view;
};

// What the probes of a diagonal step in (dx, dy) found when the row probe
// (the first) found a jump point in column `jump`, or the column probe (run
// only when the row probe found none) one in row `jump`.
diagonal_probes found_by_row_probe(int dx, int dy, int jump) {
    return {static_cast<signed char>(dx), static_cast<signed char>(dy), diagonal_probes::answer::jump_point,
            diagonal_probes::answer::unknown, jump};
}

diagonal_probes found_by_column_probe(int dx, int dy, int jump) {
    return {static_cast<signed char>(dx), static_cast<signed char>(dy), diagonal_probes::answer::no_jump_point,
            diagonal_probes::answer::jump_point, jump};
}

}  // namespace

map_view::map_view(const projection_map* map, int grid_width, int grid_height)
    : rows(grid_height > 0 ? &map->rows[0] : nullptr), width(grid_width), height(grid_height) {}

// The one test every run makes of the cell it has just entered, in jump's
// order: blocked, then the goal, then a forced neighbour (jump_rules), for
// the runs that go cell by cell: columns beside the grid's sides, rows
// narrower than eight cells, diagonal steps near the sides.
map_view::stop map_view::stop_at(int x, int y, int dx, int dy, bool is_goal) const {
    BRONDEL_ASSERT(is_direction(dx, dy) && (dx != 0 || dy != 0));
    if (!walkable(x, y)) {
        return stop::blocked;
    }
    if (is_goal || has_forced_neighbour(*this, x, y, dx, dy)) {
        return stop::jump_point;
    }
    return stop::go_on;
}

bool map_view::run_horizontal(int& x, int y, int dx, int gx, int gy) const {
    BRONDEL_ASSERT(dx == 1 || dx == -1);
    if (!inside(x, y)) {
        return false;
    }
    const int goal_x = y == gy ? gx : no_goal;
    if (width < row_cells::count) {
        return run_narrow_row(x, y, dx, goal_x);
    }
    return dx > 0 ? run_row<row_cells, 1>(rows, height, width, x, y, goal_x)
                  : run_row<row_cells, -1>(rows, height, width, x, y, goal_x);
}

// Rows too narrow for the words of run_horizontal: eight cells at a time
// where they are wide enough, else cell by cell. Rare, so kept out of line.
BRONDEL_OUT_OF_LINE bool map_view::run_narrow_row(int& x, int y, int dx, int goal_x) const {
    if (width >= eight_cells::count) {
        return dx > 0 ? run_row<eight_cells, 1>(rows, height, width, x, y, goal_x)
                      : run_row<eight_cells, -1>(rows, height, width, x, y, goal_x);
    }
    for (;; x += dx) {
        const stop result = stop_at(x, y, dx, 0, x == goal_x);
        if (result != stop::go_on) {
            return result == stop::jump_point;
        }
    }
}

// Away from the grid's side columns each row of the run is one read of four
// cells, (x - 1) to (x + 2), whose free flags (byte_scan) give the cell
// of the run (bit 1) and the cells beside it (bits 0 and 2), several rows at
// a time (run_column). The tests keep jump's order: blocked, then the goal,
// then a forced neighbour (a blocked cell beside whose next cell in the run's
// direction is free).
bool map_view::run_vertical(int x, int& y, int dy, int gx, int gy) const {
    BRONDEL_ASSERT(dy == 1 || dy == -1);
    if (x < 1 || x + 2 >= width) {
        return run_vertical_at_edge(x, y, dy, x == gx ? gy : no_goal);
    }
    if (static_cast<unsigned int>(y) >= static_cast<unsigned int>(height)) {
        return false;
    }
    return dy > 0 ? run_column<1>(rows, x, y, height - 1, gx, gy) : run_column<-1>(rows, x, y, 0, gx, gy);
}

BRONDEL_OUT_OF_LINE bool map_view::run_vertical_at_edge(int x, int& y, int dy, int goal_y) const {
    for (;;) {
        const stop result = stop_at(x, y, 0, dy, y == goal_y);
        if (result != stop::go_on) {
            return result == stop::jump_point;
        }
        y += dy;
    }
}

// A diagonal run in one direction, compiled once for each, so that the step
// offsets are constants. A step whose cell lies at least one cell away from
// the grid's sides (and two from its east side, so that the column probe's
// four cells are inside) is made without bounds tests: stop_at's tests in
// its order, then each probe's first cell and the probe, the column probe
// straight into the column run for its direction. Any other step is made,
// checked, out of line (diagonal_step_at_edge). The jump point of a probe is
// (x, y).
template <int DX, int DY>
BRONDEL_OUT_OF_LINE bool map_view::run_diagonal_toward(int& x, int& y, int gx, int gy, diagonal_probes& probes) const {
    const inner_cells inner(*this);
    // (x, y) is an inner cell when 1 <= x <= width - 3 and 1 <= y <= height - 2:
    // x - 1 and y - 1, read as unsigned, lie below these counts.
    const unsigned int inner_columns = width > 3 ? static_cast<unsigned int>(width - 3) : 0u;
    const unsigned int inner_rows = height > 2 ? static_cast<unsigned int>(height - 2) : 0u;
    for (;;) {
        while (static_cast<unsigned int>(x - 1) < inner_columns && static_cast<unsigned int>(y - 1) < inner_rows) {
            BRONDEL_ASSERT(x >= 1 && x <= width - 3 && y >= 1 && y <= height - 2);
            if (!inner.walkable(x, y)) {
                return false;
            }
            if ((x == gx && y == gy) || has_forced_neighbour_diagonally(inner, x, y, DX, DY)) {
                return true;
            }
            int probe_x = x + DX;
            if (inner.walkable(probe_x, y) && run_horizontal(probe_x, y, DX, gx, gy)) {
                probes = found_by_row_probe(DX, DY, probe_x);
                return true;
            }
            int probe_y = y + DY;
            if (inner.walkable(x, probe_y) && run_column<DY>(rows, x, probe_y, DY > 0 ? height - 1 : 0, gx, gy)) {
                probes = found_by_column_probe(DX, DY, probe_y);
                return true;
            }
            x += DX;
            y += DY;
        }
        const stop result = diagonal_step_at_edge(x, y, DX, DY, gx, gy, probes);
        if (result != stop::go_on) {
            return result == stop::jump_point;
        }
        x += DX;
        y += DY;
    }
}

bool map_view::run_diagonal(int& x, int& y, int dx, int dy, int gx, int gy, diagonal_probes& probes) const {
    BRONDEL_ASSERT((dx == 1 || dx == -1) && (dy == 1 || dy == -1));
    if (dx > 0) {
        return dy > 0 ? run_diagonal_toward<1, 1>(x, y, gx, gy, probes)
                      : run_diagonal_toward<1, -1>(x, y, gx, gy, probes);
    }
    return dy > 0 ? run_diagonal_toward<-1, 1>(x, y, gx, gy, probes)
                  : run_diagonal_toward<-1, -1>(x, y, gx, gy, probes);
}

// One diagonal step beside the grid's sides (or off them), every read
// checked: stop_at's tests, then the two probes, each of which ends at once
// when its first cell is blocked. What the probes found at a stop is handed
// back in `probes`.
BRONDEL_OUT_OF_LINE map_view::stop map_view::diagonal_step_at_edge(int x, int y, int dx, int dy, int gx, int gy,
                                                                   diagonal_probes& probes) const {
    const stop result = stop_at(x, y, dx, dy, x == gx && y == gy);
    if (result != stop::go_on) {
        return result;
    }
    int probe_x = x + dx;
    if (walkable(probe_x, y) && run_horizontal(probe_x, y, dx, gx, gy)) {
        probes = found_by_row_probe(dx, dy, probe_x);
        return stop::jump_point;
    }
    int probe_y = y + dy;
    if (walkable(x, probe_y) && run_vertical(x, probe_y, dy, gx, gy)) {
        probes = found_by_column_probe(dx, dy, probe_y);
        return stop::jump_point;
    }
    return stop::go_on;
}

}  // namespace Voxel
}  // namespace OSTREL
