#include "voxel/search/snapshot_planes.hpp"

#include "voxel/jps_pathfinder.hpp"
#include "voxel/memory_probe.hpp"
#include "voxel/search/assertion.hpp"
#include "voxel/search/byte_scan.hpp"

#include <algorithm>
#include <cstring>
#include <utility>
#include <valarray>

namespace OSTREL {
namespace Voxel {

namespace {

using word = std::uint64_t;
constexpr word all_ones = ~word{0};

std::size_t words_for(std::size_t bits) {
    return (bits + 63) / 64;
}

// `lines` lines of `words` words of bits, line after line.
class bit_matrix {
public:
    bit_matrix(std::size_t line_count, std::size_t word_count, word fill)
        : lines(line_count), words(word_count), bits(line_count * word_count, fill) {}

    word* line(std::size_t i) { return bits.data() + i * words; }
    const word* line(std::size_t i) const { return bits.data() + i * words; }

    std::size_t lines;
    std::size_t words;

private:
    std::vector<word> bits;
};

// The bits of a line moved by one place: bit i of the result is bit i + 1 of
// the line (from_next) or bit i - 1 (from_previous); 0 past the line's ends.
word from_next(const word* line, std::size_t w, std::size_t words) {
    return line[w] >> 1 | (w + 1 < words ? line[w + 1] << 63 : 0);
}
word from_previous(const word* line, std::size_t w) {
    return line[w] << 1 | (w > 0 ? line[w - 1] >> 63 : 0);
}
// Bit i of the result is bit i + offset (offset +1 or -1).
word taken(const word* line, std::size_t w, std::size_t words, int offset) {
    return offset > 0 ? from_next(line, w, words) : from_previous(line, w);
}

// Transposes a 64 x 64 block in place: bit c of word r becomes bit r of word
// c. Swaps the off-diagonal halves, then quarters within them, and so on.
void transpose_block(word (&block)[64]) {
    static constexpr word masks[6] = {0x00000000FFFFFFFFu, 0x0000FFFF0000FFFFu, 0x00FF00FF00FF00FFu,
                                      0x0F0F0F0F0F0F0F0Fu, 0x3333333333333333u, 0x5555555555555555u};
    int level = 0;
    for (int j = 32; j != 0; j >>= 1, ++level) {
        for (int k = 0; k < 64; k = ((k | j) + 1) & ~j) {
            const word t = ((block[k] >> j) ^ block[k + j]) & masks[level];
            block[k] ^= t << j;
            block[k + j] ^= t;
        }
    }
}

// Line c of the result holds bit c of every line of `in` (whose line count is
// a multiple of 64): bit r of line c is bit c of line r.
bit_matrix transposed(const bit_matrix& in) {
    bit_matrix out(in.words * 64, in.lines / 64, 0);
    word block[64];
    for (std::size_t first = 0; first < in.lines; first += 64) {
        for (std::size_t w = 0; w < in.words; ++w) {
            for (int k = 0; k < 64; ++k) block[k] = in.line(first + k)[w];
            transpose_block(block);
            for (int k = 0; k < 64; ++k) out.line(w * 64 + k)[first / 64] = block[k];
        }
    }
    return out;
}

// The stops of straight runs along the lines of `blocked` (rows, or columns
// of the transposed copy), towards higher bits (`forward`) or lower ones: a
// blocked cell, or a cell beside which, on a neighbouring line, a blocked
// cell is followed by a free one in the run's direction (jump_rules.hpp,
// has_forced_neighbour). The first and last of the `count` lines are the
// border: all stops.
void straight_stops(const bit_matrix& blocked, std::size_t count, bool forward, word* out, std::size_t out_words) {
    const std::size_t words = blocked.words;
    const int offset = forward ? 1 : -1;
    for (std::size_t l = 0; l < count; ++l) {
        word* stops = out + l * out_words;
        if (l == 0 || l + 1 == count) {
            std::fill(stops, stops + words, all_ones);
            continue;
        }
        const word* before = blocked.line(l - 1);
        const word* here = blocked.line(l);
        const word* after = blocked.line(l + 1);
        for (std::size_t w = 0; w < words; ++w) {
            const word forced =
                (before[w] & ~taken(before, w, words, offset)) | (after[w] & ~taken(after, w, words, offset));
            stops[w] = here[w] | forced;
        }
    }
}

// For every bit of a word: the bit of `values` at the first stop at it or
// after it (towards higher bits), or `after` when no stop follows in the word.
word first_stop_values_upwards(word stops, word values, bool after) {
    word found = values;
    word open = ~stops;  // no stop from here to the end of the window
    for (int s = 1; s < 64; s <<= 1) {
        found |= open & (found >> s);
        open &= (open >> s) | (all_ones << (64 - s));
    }
    return found | (after ? open : 0);
}

word first_stop_values_downwards(word stops, word values, bool before) {
    word found = values;
    word open = ~stops;
    for (int s = 1; s < 64; s <<= 1) {
        found |= open & (found << s);
        open &= (open << s) | (all_ones >> (64 - s));
    }
    return found | (before ? open : 0);
}

// Whether a straight run entering each cell stops at a jump point (a stop
// that is not blocked), along the lines of `stops` (line_words apart) in the
// direction given, for the first `count` lines.
bit_matrix jump_point_ends(const word* stops, std::size_t line_words, const bit_matrix& blocked, std::size_t count,
                           bool forward) {
    bit_matrix ends(blocked.lines, blocked.words, 0);
    const std::size_t words = blocked.words;
    for (std::size_t l = 0; l < count; ++l) {
        const word* line_stops = stops + l * line_words;
        const word* line_blocked = blocked.line(l);
        word* line_ends = ends.line(l);
        bool carry = false;
        for (std::size_t i = 0; i < words; ++i) {
            const std::size_t w = forward ? words - 1 - i : i;
            const word values = line_stops[w] & ~line_blocked[w];
            line_ends[w] = forward ? first_stop_values_upwards(line_stops[w], values, carry)
                                   : first_stop_values_downwards(line_stops[w], values, carry);
            carry = forward ? (line_ends[w] & 1u) != 0 : (line_ends[w] >> 63) != 0;
        }
    }
    return ends;
}

// The stops of diagonal runs in (dx, dy), row by row: a blocked cell, a
// forced neighbour (jump_rules.hpp, has_forced_neighbour_diagonally), or a
// straight probe that stops at a jump point: the row's from the next cell in
// dx (`row_ends`), the column's from the next cell in dy (`column_ends`,
// rows). The border rows are all stops.
bit_matrix diagonal_stops(const bit_matrix& blocked, std::size_t count, const bit_matrix& row_ends,
                          const bit_matrix& column_ends, int dx, int dy) {
    const std::size_t words = blocked.words;
    bit_matrix stops(blocked.lines, words, 0);
    std::vector<word> turned(words);  // blocked here, free on the next row in dy
    std::vector<word> free_behind(words);
    for (std::size_t l = 0; l < count; ++l) {
        word* line = stops.line(l);
        if (l == 0 || l + 1 == count) {
            std::fill(line, line + words, all_ones);
            continue;
        }
        const word* here = blocked.line(l);
        const word* ahead = blocked.line(dy > 0 ? l + 1 : l - 1);
        const word* behind = blocked.line(dy > 0 ? l - 1 : l + 1);
        for (std::size_t w = 0; w < words; ++w) {
            turned[w] = ~ahead[w] & here[w];
            free_behind[w] = ~behind[w];
        }
        const word* probes_row = row_ends.line(l);
        const word* probes_column = column_ends.line(dy > 0 ? l + 1 : l - 1);
        for (std::size_t w = 0; w < words; ++w) {
            const word forced =
                taken(turned.data(), w, words, -dx) | (taken(free_behind.data(), w, words, dx) & behind[w]);
            const word probes = taken(probes_row, w, words, dx) | probes_column[w];
            line[w] = here[w] | forced | probes;
        }
    }
    return stops;
}

// The set bits of a matrix of diagonal stops in rows, each moved to the line
// of its diagonal, for a grid of width x height cells.
void scatter_to_diagonals(const bit_matrix& rows, int width, int height, bool south_east, word* lines,
                          std::size_t line_words) {
    for (int py = 0; py < height + 2; ++py) {
        const word* row = rows.line(static_cast<std::size_t>(py));
        for (std::size_t w = 0; w < rows.words; ++w) {
            for (word bits = row[w]; bits != 0; bits &= bits - 1) {
                const int px = static_cast<int>(w * 64) + byte_scan::lowest_set_bit(bits);
                if (px >= width + 2) break;
                const int line = snapshot_planes::diagonal_line(south_east, px, py, height);
                const int i = snapshot_planes::diagonal_position(south_east, line, py, width, height);
                const std::size_t at = static_cast<std::size_t>(line) * line_words + static_cast<std::size_t>(i / 64);
                lines[at] |= word{1} << (i % 64);
            }
        }
    }
}

void copy_lines(const bit_matrix& from, std::size_t count, word* to, std::size_t to_words) {
    for (std::size_t l = 0; l < count; ++l) std::memcpy(to + l * to_words, from.line(l), to_words * sizeof(word));
}

}  // namespace

void snapshot_planes::build(const projection_map& map) {
    BRONDEL_ASSERT(map.resolution[0] <= jps_pathfinder::max_extent && map.resolution[1] <= jps_pathfinder::max_extent);
    const int width = static_cast<int>(map.resolution[0]);
    const int height = static_cast<int>(map.resolution[1]);
    const std::size_t padded_width = static_cast<std::size_t>(width) + 2;
    const std::size_t padded_height = static_cast<std::size_t>(height) + 2;
    const std::size_t row_line = words_for(padded_width);
    const std::size_t column_line = words_for(padded_height);
    const std::size_t diagonals = padded_width + padded_height - 1;
    const std::size_t row_plane = padded_height * row_line;
    const std::size_t column_plane = padded_width * column_line;
    const std::size_t diagonal_line = words_for(std::min(padded_width, padded_height));
    const std::size_t diagonal_plane = diagonals * diagonal_line;
    const std::size_t kept = 3 * row_plane + 2 * column_plane + 4 * diagonal_plane;
    // While building: the blocked rows and their transposed copy, four
    // planes of where straight runs end at jump points (two of them
    // transposed back), one diagonal plane in rows.
    const std::size_t row_matrix = column_line * 64 * row_line;
    const std::size_t column_matrix = row_line * 64 * column_line;
    const std::size_t building = 6 * row_matrix + 3 * column_matrix;
    require_memory(bytes_for(kept + building, sizeof(word)));

    std::vector<word> planes(kept);
    std::size_t starts[8];
    starts[east] = row_plane;
    starts[west] = 2 * row_plane;
    starts[south] = 3 * row_plane;
    starts[north] = starts[south] + column_plane;
    starts[south_east] = starts[north] + column_plane;
    starts[north_west] = starts[south_east] + diagonal_plane;
    starts[north_east] = starts[north_west] + diagonal_plane;
    starts[south_west] = starts[north_east] + diagonal_plane;

    // The blocked cells in padded rows; the border, the bits past the padded
    // width and the rows past the padded height (filling the last block of
    // 64 rows for the transposition) are blocked.
    bit_matrix blocked(column_line * 64, row_line, all_ones);
    for (int y = 0; y < height; ++y) {
        word* line = blocked.line(static_cast<std::size_t>(y) + 1);
        const std::valarray<char>& cells = map.rows[y];  // none in a map 0 cells wide
        for (int x = 0; x < width; ++x) {
            const std::size_t px = static_cast<std::size_t>(x) + 1;
            if (cells[static_cast<std::size_t>(x)] == 0) line[px / 64] &= ~(word{1} << (px % 64));
        }
    }
    copy_lines(blocked, padded_height, planes.data(), row_line);
    word* const base = planes.data();
    straight_stops(blocked, padded_height, true, base + starts[east], row_line);
    straight_stops(blocked, padded_height, false, base + starts[west], row_line);
    const bit_matrix blocked_columns = transposed(blocked);
    straight_stops(blocked_columns, padded_width, true, base + starts[south], column_line);
    straight_stops(blocked_columns, padded_width, false, base + starts[north], column_line);

    const bit_matrix east_ends = jump_point_ends(base + starts[east], row_line, blocked, padded_height, true);
    const bit_matrix west_ends = jump_point_ends(base + starts[west], row_line, blocked, padded_height, false);
    const bit_matrix south_ends =
        transposed(jump_point_ends(base + starts[south], column_line, blocked_columns, padded_width, true));
    const bit_matrix north_ends =
        transposed(jump_point_ends(base + starts[north], column_line, blocked_columns, padded_width, false));

    struct diagonal {
        run_direction direction;
        int dx;
        int dy;
    };
    for (const diagonal d : {diagonal{south_east, 1, 1}, diagonal{north_west, -1, -1}, diagonal{north_east, 1, -1},
                             diagonal{south_west, -1, 1}}) {
        const bit_matrix in_rows = diagonal_stops(blocked, padded_height, d.dx > 0 ? east_ends : west_ends,
                                                  d.dy > 0 ? south_ends : north_ends, d.dx, d.dy);
        scatter_to_diagonals(in_rows, width, height, d.dx == d.dy, base + starts[d.direction], diagonal_line);
    }

    words.swap(planes);
    std::copy(std::begin(starts), std::end(starts), plane_start);
    columns = width;
    rows = height;
    words_a_row = row_line;
    words_a_column = column_line;
    words_a_diagonal = diagonal_line;
}

void snapshot_planes::release() {
    std::vector<word>().swap(words);
    columns = 0;
    rows = 0;
}

}  // namespace Voxel
}  // namespace OSTREL
