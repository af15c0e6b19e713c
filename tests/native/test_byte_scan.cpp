// The eight-cells-at-a-time helpers: the occupied flags, and the portable
// byte finders against the compiler's bit scans on many words.
#include "voxel/search/byte_scan.hpp"

#include <gtest/gtest.h>

#include <random>

namespace byte_scan = OSTREL::Voxel::byte_scan;

TEST(ByteScan, FlagsEveryNonZeroByte) {
    const char cells[8] = {0, 1, 0, -1, 127, -128, 0, 64};
    EXPECT_EQ(byte_scan::occupied(byte_scan::load(cells)), 0x8000808080008000ull);
    const char free_cells[8] = {};
    EXPECT_EQ(byte_scan::occupied(byte_scan::load(free_cells)), 0u);
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
        ASSERT_EQ(byte_scan::lowest_flagged_byte(flags), byte_scan::lowest_set_bit_portable(flags) / 8);
        ASSERT_EQ(byte_scan::highest_flagged_byte(flags), byte_scan::highest_set_bit_portable(flags) / 8);
    }
    EXPECT_EQ(byte_scan::lowest_flagged_byte(byte_scan::flag_at(7)), 7);
    EXPECT_EQ(byte_scan::highest_flagged_byte(byte_scan::flag_at(0)), 0);
}

TEST(ByteScan, SixteenCellsAgreeWithTheLoop) {
    std::mt19937 random(9);
    char cells[17];
    for (int i = 0; i < 20000; ++i) {
        for (char& cell : cells) cell = random() % 3 == 0 ? static_cast<char>(random() % 256) : 0;
        // Offset 1 as well: the word is read from any address.
        ASSERT_EQ(byte_scan::occupied_sixteen(cells), byte_scan::occupied_sixteen_portable(cells));
        ASSERT_EQ(byte_scan::occupied_sixteen(cells + 1), byte_scan::occupied_sixteen_portable(cells + 1));
    }
    const char mixed[16] = {0, 1, 0, -1, 127, -128, 0, 64, 0, 0, 0, 0, 0, 0, 0, 5};
    EXPECT_EQ(byte_scan::occupied_sixteen(mixed), 0x80BAu);
    EXPECT_EQ(byte_scan::occupied_sixteen_portable(mixed), 0x80BAu);
}

TEST(ByteScan, FourRowsAgreeWithTheLoop) {
    std::mt19937 random(11);
    char rows[4][5];
    for (int i = 0; i < 20000; ++i) {
        for (auto& row : rows) {
            for (char& cell : row) cell = random() % 3 == 0 ? static_cast<char>(random() % 256) : 0;
        }
        // Offset 1 as well: the cells are read from any address.
        ASSERT_EQ(byte_scan::free_four_rows(rows[0], rows[1], rows[2], rows[3]),
                  byte_scan::free_four_rows_portable(rows[0], rows[1], rows[2], rows[3]));
        ASSERT_EQ(byte_scan::free_four_rows(rows[3] + 1, rows[2] + 1, rows[1] + 1, rows[0] + 1),
                  byte_scan::free_four_rows_portable(rows[3] + 1, rows[2] + 1, rows[1] + 1, rows[0] + 1));
        ASSERT_EQ(byte_scan::free_four(rows[1] + 1), byte_scan::free_four_portable(rows[1] + 1));
    }
    const char first[4] = {1, 0, 0, 0};
    const char second[4] = {0, -1, 0, 0};
    const char third[4] = {0, 0, 0, 0};
    const char fourth[4] = {0, 0, 64, 5};
    EXPECT_EQ(byte_scan::free_four_rows(first, second, third, fourth), 0x3FDEu);
    EXPECT_EQ(byte_scan::free_four_rows_portable(first, second, third, fourth), 0x3FDEu);
    EXPECT_EQ(byte_scan::free_four(fourth), 0x3u);
    EXPECT_EQ(byte_scan::free_four_portable(fourth), 0x3u);
}

TEST(ByteScan, PortableBitFindersAgreeWithTheBuiltins) {
    std::mt19937 random(11);
    for (int i = 0; i < 20000; ++i) {
        std::uint64_t bits = 0;
        while (bits == 0)
            bits = (std::uint64_t{random()} << 32 | random()) & (std::uint64_t{random()} << 32 | random());
        ASSERT_EQ(byte_scan::lowest_set_bit(bits), byte_scan::lowest_set_bit_portable(bits));
        ASSERT_EQ(byte_scan::highest_set_bit(bits), byte_scan::highest_set_bit_portable(bits));
    }
    EXPECT_EQ(byte_scan::highest_set_bit_portable(std::uint64_t{1} << 63), 63);
    EXPECT_EQ(byte_scan::lowest_set_bit_portable(0x8000u), 15);
    EXPECT_EQ(byte_scan::highest_set_bit_portable(1u), 0);
    EXPECT_EQ(byte_scan::highest_set_bit(0x80000000u), 31);
}
