// node_marks: whether the node of each cell is opened or closed in the running
// search, two bits a cell. The search asks these instead of the nodes: the
// node grid of a large map (32 bytes a cell) is seldom in the cache, these
// bits (a quarter byte a cell) mostly are.
//
// Contract
//   Dependencies: the C++17 standard library.
//   Invariants:   between searches every bit is clear: a search clears the
//                 marks of the nodes it touched (they are all on its two
//                 lists) however it ends. prepare() only sizes the bits.
//   Checking:     none; cells are inside the grid given to prepare().
//   Threads:      part of a thread's search_workspace; one search at a time.
//
// Usage
//   marks.prepare(width, height);
//   marks.open(x, y);
//   if (marks.closed(x, y)) ...
//   marks.clear(x, y);   // when the search ends
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace OSTREL {
namespace Voxel {

class node_marks {
public:
    void prepare(int grid_width, int grid_height) {
        const std::size_t cells = static_cast<std::size_t>(grid_width) * static_cast<std::size_t>(grid_height);
        const std::size_t words = (cells + cells_per_word - 1) / cells_per_word;
        if (grid_width != width || words != bits.size()) {
            bits.assign(words, 0);
            width = grid_width;
        }
    }

    bool opened(int x, int y) const { return (word(x, y) >> shift(x, y)) & opened_bit; }
    bool closed(int x, int y) const { return (word(x, y) >> shift(x, y)) & closed_bit; }
    void open(int x, int y) { word(x, y) |= std::uint64_t{opened_bit} << shift(x, y); }
    void close(int x, int y) { word(x, y) |= std::uint64_t{closed_bit} << shift(x, y); }
    void clear(int x, int y) { word(x, y) &= ~(std::uint64_t{opened_bit | closed_bit} << shift(x, y)); }

    std::size_t bytes() const { return bits.capacity() * sizeof(std::uint64_t); }

private:
    static constexpr std::size_t cells_per_word = 32;
    static constexpr unsigned int opened_bit = 1;
    static constexpr unsigned int closed_bit = 2;

    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
    }
    unsigned int shift(int x, int y) const { return 2 * static_cast<unsigned int>(index(x, y) % cells_per_word); }
    std::uint64_t& word(int x, int y) { return bits[index(x, y) / cells_per_word]; }
    const std::uint64_t& word(int x, int y) const { return bits[index(x, y) / cells_per_word]; }

    std::vector<std::uint64_t> bits;
    int width = 0;
};

}  // namespace Voxel
}  // namespace OSTREL
