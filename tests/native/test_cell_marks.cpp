// The stamped marks of cell_marks, through a cell looked up once: what
// id_of reads and open writes must be what set gives, in the running search
// and after earlier searches left their words behind.
#include "voxel/search/cell_marks.hpp"

#include <gtest/gtest.h>

using OSTREL::Voxel::cell_lookup;
using OSTREL::Voxel::cell_marks;

namespace {

constexpr int width = 37;  // not a multiple of a word's 32 marks
constexpr int height = 5;

}  // namespace

TEST(CellMarks, OpeningALookedUpCellMarksItAndNamesItsRecord) {
    cell_marks marks;
    marks.begin_search(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const cell_lookup untouched = marks.look_up(x, y);
            ASSERT_FALSE(untouched.opened());
            ASSERT_FALSE(untouched.closed());
            marks.open(untouched, y * width + x + 100);
        }
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const cell_lookup opened = marks.look_up(x, y);
            EXPECT_TRUE(opened.opened());
            EXPECT_FALSE(opened.closed());
            EXPECT_EQ(marks.id_of(opened), y * width + x + 100);
        }
    }
}

TEST(CellMarks, OpeningOneCellLeavesItsWordsOtherCellsAlone) {
    cell_marks marks;
    marks.begin_search(width, height);
    marks.set(3, 1, 7, true, false);
    marks.set(4, 1, 8, true, false);
    marks.close(4, 1);
    marks.open(marks.look_up(5, 1), 9);
    EXPECT_TRUE(marks.look_up(3, 1).opened());
    EXPECT_FALSE(marks.look_up(3, 1).closed());
    EXPECT_TRUE(marks.look_up(4, 1).closed());
    EXPECT_TRUE(marks.look_up(5, 1).opened());
    EXPECT_FALSE(marks.look_up(5, 1).closed());
    EXPECT_FALSE(marks.look_up(6, 1).opened());
    EXPECT_EQ(marks.id_of(marks.look_up(3, 1)), 7);
    EXPECT_EQ(marks.id_of(marks.look_up(4, 1)), 8);
    EXPECT_EQ(marks.id_of(marks.look_up(5, 1)), 9);
}

// A word an earlier search wrote reads as clear, and opening one of its marks
// clears the rest of it: none of the earlier marks come back.
TEST(CellMarks, OpeningACellInAnEarlierSearchsWordClearsTheWordFirst) {
    cell_marks marks;
    marks.begin_search(width, height);
    for (int x = 0; x < width; ++x) {
        marks.set(x, 2, x, true, false);
        marks.close(x, 2);
    }
    marks.begin_search(width, height);
    const cell_lookup untouched = marks.look_up(10, 2);
    EXPECT_FALSE(untouched.opened());
    EXPECT_FALSE(untouched.closed());
    marks.open(untouched, 42);
    marks.close(10, 2);
    for (int x = 0; x < width; ++x) {
        const cell_lookup lookup = marks.look_up(x, 2);
        EXPECT_EQ(lookup.opened(), x == 10) << x;
        EXPECT_EQ(lookup.closed(), x == 10) << x;
    }
    EXPECT_EQ(marks.id_of(marks.look_up(10, 2)), 42);
}
