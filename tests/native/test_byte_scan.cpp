// The eight-cells-at-a-time helpers: the occupied flags, and the portable
// byte finders against the compiler's bit scans on many words.
#include "voxel/byte_scan.hpp"

#include <gtest/gtest.h>

#include <random>

namespace byte_scan = OSTREL::Voxel::byte_scan;

TEST(ByteScan, FlagsEveryNonZeroByte) {
    const char cells[8] = {0, 1, 0, -1, 127, -128, 0, 64};
    EXPECT_EQ(byte_scan::occupied(byte_scan::load(cells)), 0x8000808080008000ull);
    const char free_cells[8] = {};
    EXPECT_EQ(byte_scan::occupied(byte_scan::load(free_cells)), 0u);
    // Four cells: only bytes 0 to 3 are read and flagged.
    EXPECT_EQ(byte_scan::occupied(byte_scan::load_four(cells + 2)), 0x80808000ull);
}

TEST(ByteScan, PortableFindersAgreeWithTheBuiltins) {
    std::mt19937 random(5);
    for (int i = 0; i < 20000; ++i) {
        std::uint64_t flags = 0;
        while (flags == 0) {
            for (int b = 0; b < 8; ++b) {
                if (random() % 5 == 0) flags |= byte_scan::flag_at(b);
            }
        }
        ASSERT_EQ(byte_scan::lowest_flagged_byte(flags), byte_scan::lowest_flagged_byte_portable(flags));
        ASSERT_EQ(byte_scan::highest_flagged_byte(flags), byte_scan::highest_flagged_byte_portable(flags));
    }
    EXPECT_EQ(byte_scan::lowest_flagged_byte_portable(byte_scan::flag_at(7)), 7);
    EXPECT_EQ(byte_scan::highest_flagged_byte_portable(byte_scan::flag_at(0)), 0);
}
