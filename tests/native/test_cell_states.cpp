// The stamped marks of cell_states, through a cell looked up once: what
// record_of reads and open writes must be what set and record_at give, in the
// running search and after earlier searches left their words behind.
#include "voxel/cell_states.hpp"

#include <gtest/gtest.h>

using OSTREL::Voxel::cell_state;
using OSTREL::Voxel::cell_states;

namespace {

constexpr int width = 37;  // not a multiple of a word's 32 cells
constexpr int height = 5;

}  // namespace

TEST(CellStates, OpeningALookedUpCellMarksItAndNamesItsRecord) {
    cell_states cells;
    cells.begin_search(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const cell_state untouched = cells.at(x, y);
            ASSERT_FALSE(untouched.opened());
            ASSERT_FALSE(untouched.closed());
            cells.open(untouched, y * width + x + 100);
        }
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const cell_state opened = cells.at(x, y);
            EXPECT_TRUE(opened.opened());
            EXPECT_FALSE(opened.closed());
            EXPECT_EQ(cells.record_of(opened), y * width + x + 100);
            EXPECT_EQ(cells.record_at(x, y), y * width + x + 100);
        }
    }
}

TEST(CellStates, OpeningOneCellLeavesItsWordsOtherCellsAlone) {
    cell_states cells;
    cells.begin_search(width, height);
    cells.set(3, 1, 7, true, false);
    cells.set(4, 1, 8, true, false);
    cells.close(4, 1);
    cells.open(cells.at(5, 1), 9);
    EXPECT_TRUE(cells.at(3, 1).opened());
    EXPECT_FALSE(cells.at(3, 1).closed());
    EXPECT_TRUE(cells.at(4, 1).closed());
    EXPECT_TRUE(cells.at(5, 1).opened());
    EXPECT_FALSE(cells.at(5, 1).closed());
    EXPECT_FALSE(cells.at(6, 1).opened());
    EXPECT_EQ(cells.record_of(cells.at(3, 1)), 7);
    EXPECT_EQ(cells.record_of(cells.at(4, 1)), 8);
    EXPECT_EQ(cells.record_of(cells.at(5, 1)), 9);
}

// A word an earlier search wrote reads as clear, and opening one of its cells
// clears the rest of it: none of the earlier marks come back.
TEST(CellStates, OpeningACellInAnEarlierSearchsWordClearsTheWordFirst) {
    cell_states cells;
    cells.begin_search(width, height);
    for (int x = 0; x < width; ++x) {
        cells.set(x, 2, x, true, false);
        cells.close(x, 2);
    }
    cells.begin_search(width, height);
    const cell_state untouched = cells.at(10, 2);
    EXPECT_FALSE(untouched.opened());
    EXPECT_FALSE(untouched.closed());
    cells.open(untouched, 42);
    cells.close(10, 2);
    for (int x = 0; x < width; ++x) {
        const cell_state state = cells.at(x, 2);
        EXPECT_EQ(state.opened(), x == 10) << x;
        EXPECT_EQ(state.closed(), x == 10) << x;
    }
    EXPECT_EQ(cells.record_of(cells.at(10, 2)), 42);
}
