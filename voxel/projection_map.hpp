// projection_map: the two-dimensional occupancy grid every algorithm works on.
//
// Contract
//   Ownership:    a plain value type; copying copies every row (deep copy),
//                 moving takes the rows over and leaves the source without rows.
//                 A failed copy assignment leaves the target as it was.
//   Invariants:   `rows` holds resolution[1] rows of resolution[0] cells each;
//                 nothing resizes a map after construction. Cell (x, y) is
//                 rows[y][x]: column x, row y, both counted from 0.
//   Cell values:  one signed byte; 0 is free, any other value is occupied.
//   Checking:     get() and set() do not check their indexes; x < width and
//                 y < height is the caller's duty. checked_get() and
//                 checked_set() throw std::out_of_range instead, for callers
//                 (such as the Python bindings) that cannot guarantee it.
//   Memory:       a map larger than the memory the system will grant throws
//                 std::bad_alloc from the constructor, or from a copy, before
//                 any row exists (memory_probe, counting each row's heap block
//                 as the allocator does). The text is counted first
//                 (text_size) and written into storage of exactly that size,
//                 asked for in one piece: to_string() throws std::bad_alloc
//                 before writing anything, never returns part of the text, and
//                 needs no more than the text itself.
//   Text:         cells print as signed decimals (-128 to 127) whether or not
//                 the compiler's plain char is signed.
//   Threads:      no internal state beyond the cells; concurrent reads are safe,
//                 a write must not overlap any other access.
//
// Usage
//   OSTREL::Voxel::projection_map map(4, 3);   // 4 columns, 3 rows, all free
//   map.set(2, 1, 1);                           // occupy column 2, row 1
//   std::string text = map.to_string();         // highest row first
#pragma once

#include "voxel/memory_probe.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <new>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <valarray>

namespace OSTREL {
namespace Voxel {

struct projection_map {
    std::array<std::uint32_t, 2> resolution;  // {width (columns), height (rows)}
    std::valarray<std::valarray<char>> rows;  // rows[y][x]

    projection_map(std::uint32_t width, std::uint32_t height)
        : resolution{width, height}, rows(rows_within_memory(width, height)) {
        // Each row is allocated on its own: a map without rows allocates no
        // cells, however wide it claims to be.
        for (auto& row : rows) {
            row.resize(width, 0);
        }
    }

    // Built as a new map of the same size, which asks for the whole map
    // first, and then filled row by row. (Copying the rows' container
    // directly would leak the rows already copied when one fails.)
    projection_map(const projection_map& other) : projection_map(other.resolution[0], other.resolution[1]) {
        rows = other.rows;
    }
    projection_map(projection_map&&) = default;

    projection_map& operator=(const projection_map& other) {
        projection_map copy(other);
        return *this = std::move(copy);
    }
    projection_map& operator=(projection_map&&) = default;

    char& get(std::size_t x, std::size_t y) { return rows[y][x]; }

    void set(std::size_t x, std::size_t y, char value) { rows[y][x] = value; }

    bool contains(std::size_t x, std::size_t y) const { return x < resolution[0] && y < resolution[1]; }

    char& checked_get(std::size_t x, std::size_t y) {
        require_inside(x, y);
        return get(x, y);
    }

    void checked_set(std::size_t x, std::size_t y, char value) {
        require_inside(x, y);
        set(x, y, value);
    }

    // One line per row, the highest row first; cells as signed decimals
    // separated by single spaces; every line ends with a newline.
    std::string to_string() const {
        std::string text(text_size(), '\0');
        write_text(&text[0]);
        return text;
    }

    // The number of characters of the text: per cell its digits and sign,
    // then a space or the row's newline; a row without cells is its newline.
    std::size_t text_size() const {
        std::size_t size = 0;
        for (const auto& row : rows) {
            size += row.size() == 0 ? 1 : 2 * row.size() + characters_past_one_digit(row);
        }
        return size;
    }

    // Writes the text, exactly text_size() characters, from `out` on.
    void write_text(char* out) const {
        for (std::uint32_t y = resolution[1]; y-- > 0;) {
            const auto& row = rows[y];
            for (const char cell : row) {
                out = write_decimal(out, static_cast<signed char>(cell));
                *out++ = ' ';
            }
            if (row.size() != 0) {
                --out;  // the last cell's space becomes the newline
            }
            *out++ = '\n';
        }
    }

private:
    // Rows are allocated one at a time, and a system that grants memory lazily
    // lets each of them succeed: a map far larger than the machine would be
    // filled row by row until the process is killed. Asking for the whole map
    // first turns such a request into std::bad_alloc before any row exists.
    static std::size_t rows_within_memory(std::uint32_t width, std::uint32_t height) {
        require_memory(grid_bytes(height, width));
        return height;
    }

    // How many characters the cells of a row print beyond one each (a sign,
    // a second and a third digit), counted on the byte as unsigned: -128 to
    // -1 are 128 to 255. Summed in bytes 64 cells at a time (at most 192),
    // which the compiler turns into vector adds: a gigabyte takes 0.1 s.
    static std::size_t characters_past_one_digit(const std::valarray<char>& row) {
        const auto past_one = [](char cell) {
            const auto u = static_cast<unsigned char>(cell);
            return static_cast<unsigned char>((static_cast<unsigned char>(u - 10) <= 236) +  // 10..127, -128..-10
                                              (static_cast<unsigned char>(u - 100) <= 56) +  // 100..127, -128..-100
                                              (u >= 128));                                   // negative
        };
        const char* cells = &row[0];
        const std::size_t count = row.size();
        std::size_t total = 0;
        std::size_t x = 0;
        for (; x + 64 <= count; x += 64) {
            unsigned char block = 0;
            for (int k = 0; k < 64; ++k) block = static_cast<unsigned char>(block + past_one(cells[x + k]));
            total += block;
        }
        for (; x < count; ++x) total += past_one(cells[x]);
        return total;
    }

    static char* write_decimal(char* out, int value) {
        if (value < 0) {
            *out++ = '-';
            value = -value;
        }
        if (value >= 100) *out++ = static_cast<char>('0' + value / 100);
        if (value >= 10) *out++ = static_cast<char>('0' + value / 10 % 10);
        *out++ = static_cast<char>('0' + value % 10);
        return out;
    }

    void require_inside(std::size_t x, std::size_t y) const {
        if (!contains(x, y)) {
            std::ostringstream message;
            message << "cell (" << x << ", " << y << ") is outside the map of " << resolution[0] << " x "
                    << resolution[1] << " cells";
            throw std::out_of_range(message.str());
        }
    }
};

}  // namespace Voxel
}  // namespace OSTREL
