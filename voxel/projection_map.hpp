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
//                 any row exists (memory_probe). to_string() asks at once for
//                 the least its text needs, and throws std::bad_alloc when the
//                 text cannot be built whole: it never returns part of it.
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
    projection_map(const projection_map& other)
        : projection_map(other.resolution[0], other.resolution[1]) {
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

    bool contains(std::size_t x, std::size_t y) const {
        return x < resolution[0] && y < resolution[1];
    }

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
        // Two characters a cell at the least (its digit, then a space or the
        // newline), held twice at the end: in the stream and in its copy.
        require_memory(bytes_for(bytes_for(resolution[0], resolution[1]), 4));
        std::ostringstream text;
        for (std::uint32_t y = resolution[1]; y-- > 0;) {
            const char* separator = "";
            for (std::uint32_t x = 0; x < resolution[0]; ++x) {
                text << separator << static_cast<int>(rows[y][x]);
                separator = " ";
            }
            text << '\n';
            // A stream that cannot grow stops writing and only sets its state.
            if (!text) {
                throw std::bad_alloc();
            }
        }
        return text.str();
    }

private:
    // Rows are allocated one at a time, and a system that grants memory lazily
    // lets each of them succeed: a map far larger than the machine would be
    // filled row by row until the process is killed. Asking for the whole map
    // first turns such a request into std::bad_alloc before any row exists.
    static std::size_t rows_within_memory(std::uint32_t width, std::uint32_t height) {
        const std::size_t per_row = sizeof(std::valarray<char>) + std::size_t{width};
        require_memory(bytes_for(height, per_row));
        return height;
    }

    void require_inside(std::size_t x, std::size_t y) const {
        if (!contains(x, y)) {
            std::ostringstream message;
            message << "cell (" << x << ", " << y << ") is outside the map of "
                    << resolution[0] << " x " << resolution[1] << " cells";
            throw std::out_of_range(message.str());
        }
    }
};

}  // namespace Voxel
}  // namespace OSTREL
