// cell_marks: what the running search knows of each cell of the grid:
// whether the cell's node is opened or closed (two bits a cell, which mostly
// stay in the cache even on large maps) and which record of the search
// stands for it (an index of 4 bytes a cell, read only for a marked cell).
// The marks are kept in words of 32 cells, and each word carries the number
// of the search that last wrote it: a word written by an earlier search (on
// this map or on one of another size) reads as all clear, and is cleared
// when the running search first writes to it. So starting a search never
// visits the cells, and nothing is cleared when it ends.
//
// Contract
//   Ownership:    part of a thread's search_workspace.
//   Invariants:   a cell marked in the running search has a record in it,
//                 named by its index entry. The storage covers at least the
//                 cells of the grid given to begin_search(); it grows only
//                 when a larger grid comes, and is zeroed only when it grows
//                 or when the 32-bit search number wraps (both counted by
//                 preparations()).
//   Checking:     none in release builds. Cells must lie inside the grid
//                 given to begin_search() (their indices below the covered
//                 cells), record ids be those of the search's records, and a
//                 cell asked for its record id, or closed, have a record;
//                 checked builds assert these (BRONDEL_ASSERT).
//   Threads:      one search at a time.
//
// Usage
//   marks.begin_search(width, height);
//   marks.set(x, y, record_id, true, false);      // opened
//   cell_lookup lookup = marks.look_up(x, y);     // the cell looked up once
//   if (lookup.closed()) ...; else if (lookup.opened()) use(marks.id_of(lookup));
//   else marks.open(lookup, record_id);           // same as set(x, y, record_id, true, false)
//   marks.close(x, y);
#pragma once

#include "voxel/search/assertion.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace OSTREL {
namespace Voxel {

// One cell's marks in the running search, and where the cell lies in the
// storage, so that reading its record or opening it finds the cell without
// working out its place again. Valid in the search that looked it up, until
// the cell's marks next change.
class cell_lookup {
public:
    bool opened() const { return (bits & opened_bit) != 0; }
    bool closed() const { return (bits & closed_bit) != 0; }

    static constexpr unsigned int opened_bit = 1;
    static constexpr unsigned int closed_bit = 2;

private:
    friend class cell_marks;
    cell_lookup(std::size_t cell_place, unsigned int mark_bits) : place(cell_place), bits(mark_bits) {}

    std::size_t place;
    unsigned int bits;
};

class cell_marks {
public:
    // Starts a new search on a grid of this size. Constant time, unless the
    // storage must grow to cover the grid (then it is zeroed once).
    void begin_search(int grid_width, int grid_height) {
        const std::size_t cells = static_cast<std::size_t>(grid_width) * static_cast<std::size_t>(grid_height);
        if (cells > record_index.size()) {
            const std::size_t words = (cells + cells_per_word - 1) / cells_per_word;
            std::vector<std::uint64_t> larger_marks(words);
            std::vector<std::uint32_t> larger_stamps(words);  // 0: written by no search
            std::vector<int> larger_index(cells);
            mark_words.swap(larger_marks);
            stamps.swap(larger_stamps);
            record_index.swap(larger_index);
            ++preparation_count;
        }
        width = grid_width;
        if (++search == 0) {
            std::fill(stamps.begin(), stamps.end(), 0);
            ++preparation_count;
            search = 1;
        }
    }

    cell_lookup look_up(int x, int y) const {
        const std::size_t i = index(x, y);
        const std::size_t w = i / cells_per_word;
        const std::uint64_t word = stamps[w] == search ? mark_words[w] : 0;
        return cell_lookup(i, static_cast<unsigned int>(word >> shift(i)) & 3u);
    }
    // The id of the record of a cell marked in the running search.
    int id_of(const cell_lookup& marked) const {
        BRONDEL_ASSERT(marked.opened() || marked.closed());
        return record_index[marked.place];
    }

    // The cell's node has the record `record_id`; adds the marks given.
    void set(int x, int y, int record_id, bool opened, bool closed) {
        BRONDEL_ASSERT(record_id >= 0);
        const std::size_t i = index(x, y);
        const unsigned int bits = (opened ? cell_lookup::opened_bit : 0u) | (closed ? cell_lookup::closed_bit : 0u);
        fresh_word(i / cells_per_word) |= std::uint64_t{bits} << shift(i);
        record_index[i] = record_id;
    }
    // The untouched cell looked up as `untouched` has the record `record_id`
    // and is opened.
    void open(const cell_lookup& untouched, int record_id) {
        BRONDEL_ASSERT(record_id >= 0 && !untouched.opened() && !untouched.closed());
        const std::size_t i = untouched.place;
        fresh_word(i / cells_per_word) |= std::uint64_t{cell_lookup::opened_bit} << shift(i);
        record_index[i] = record_id;
    }
    // The cell must have a record in this search, so its word was written by
    // this search already: no stamp to test.
    void close(int x, int y) {
        const std::size_t i = index(x, y);
        BRONDEL_ASSERT(stamps[i / cells_per_word] == search);
        mark_words[i / cells_per_word] |= std::uint64_t{cell_lookup::closed_bit} << shift(i);
    }

    // How often the storage was sized or zeroed: the only work a search
    // start does that grows with the grid.
    std::size_t preparations() const { return preparation_count; }
    std::size_t bytes() const {
        return mark_words.capacity() * sizeof(std::uint64_t) + stamps.capacity() * sizeof(std::uint32_t) +
               record_index.capacity() * sizeof(int);
    }
    std::size_t covered_cells() const { return record_index.size(); }
    // What the storage takes for a grid of `cells` cells.
    static std::size_t bytes_for_cells(std::size_t cells) {
        const std::size_t words = (cells + cells_per_word - 1) / cells_per_word;
        return words * (sizeof(std::uint64_t) + sizeof(std::uint32_t)) + cells * sizeof(int);
    }
    // Gives the storage back; the next search sizes it again.
    void release() {
        std::vector<std::uint64_t>().swap(mark_words);
        std::vector<std::uint32_t>().swap(stamps);
        std::vector<int>().swap(record_index);
    }

private:
    static constexpr std::size_t cells_per_word = 32;

    std::size_t index(int x, int y) const {
        const std::size_t i =
            static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
        BRONDEL_ASSERT(x >= 0 && x < width && y >= 0 && i < record_index.size());
        return i;
    }
    static unsigned int shift(std::size_t i) { return 2 * static_cast<unsigned int>(i % cells_per_word); }
    // The mark word, cleared first if an earlier search wrote it.
    std::uint64_t& fresh_word(std::size_t w) {
        if (stamps[w] != search) {
            stamps[w] = search;
            mark_words[w] = 0;
        }
        return mark_words[w];
    }

    std::vector<std::uint64_t> mark_words;  // two bits a cell, 32 cells a word
    std::vector<std::uint32_t> stamps;      // the search that wrote each mark word
    std::vector<int> record_index;          // cell -> the id of its record, when marked
    int width = 0;
    std::uint32_t search = 0;  // number of the running search
    std::size_t preparation_count = 0;
};

}  // namespace Voxel
}  // namespace OSTREL
