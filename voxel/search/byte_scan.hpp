// byte_scan: eight map cells at a time. A row of cells is read as 64-bit words
// (memcpy, so any alignment is fine) and every byte becomes one flag bit, the
// top bit of that byte, set when the cell is non-zero (occupied). The first or
// last flagged byte of a word is then found with a count of trailing or leading
// zeros. Where SSE2 is there (every x86-64 compiler), sixteen cells at a time
// as well: one bit a cell, bit i for the cell at offset i, read from one row
// (set when occupied) or as four cells from each of four rows (set when free).
//
// Contract
//   Platforms:    the compiler's bit-scan builtins where known (GCC, Clang,
//                 MinGW, MSVC on x64), a plain loop everywhere else; SSE2
//                 intrinsics on x86-64, a plain loop everywhere else
//                 (sixteen_at_once is false there: rows are read eight cells
//                 at a time, and only the column runs' reads of four rows use
//                 the loops). Both paths give the same answers
//                 (tests/native/test_byte_scan.cpp checks the loops against
//                 the builtins and the intrinsics).
//   Byte order:   byte i of a loaded word is the cell at offset i, which holds
//                 on little-endian machines: x86-64 and ARM64, the targets of
//                 this code.
//   Checking:     none; the caller guarantees that the eight bytes exist, and
//                 that a word passed to the bit and byte finders is not zero
//                 (asserted in checked builds, BRONDEL_ASSERT).
//   Threads:      pure functions.
#pragma once

#include "voxel/search/assertion.hpp"

#include <cstdint>
#include <cstring>

#if defined(_MSC_VER) && !defined(__clang__) && defined(_M_X64)
#include <intrin.h>
#endif
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define BRONDEL_BYTE_SCAN_SSE2 1
#endif

namespace OSTREL {
namespace Voxel {
namespace byte_scan {

constexpr std::uint64_t low_seven_bits = 0x7F7F7F7F7F7F7F7Full;
constexpr std::uint64_t top_bits = 0x8080808080808080ull;

inline std::uint64_t load(const char* cells) {
    std::uint64_t word;
    std::memcpy(&word, cells, sizeof word);
    return word;
}

// The top bit of each byte set when that byte is non-zero, all else clear.
// Adding 0x7F to the low seven bits cannot carry into the next byte.
inline std::uint64_t occupied(std::uint64_t word) {
    return (((word & low_seven_bits) + low_seven_bits) | word) & top_bits;
}

// The flag of the byte at `offset` (0..7).
inline std::uint64_t flag_at(int offset) {
    return std::uint64_t{0x80} << (8 * offset);
}

// The position of the lowest (highest) set bit of a word that is not zero.
// This is the one place that picks the compiler's bit-scan builtin; the
// plain loops stand in where there is none, and the tests compare the two.
inline int lowest_set_bit_portable(std::uint64_t bits) {
    BRONDEL_ASSERT(bits != 0);
    int offset = 0;
    while ((bits & 1u) == 0) {
        bits >>= 1;
        ++offset;
    }
    return offset;
}

inline int highest_set_bit_portable(std::uint64_t bits) {
    BRONDEL_ASSERT(bits != 0);
    int offset = 63;
    while ((bits >> 63) == 0) {
        bits <<= 1;
        --offset;
    }
    return offset;
}

#if defined(__GNUC__) || defined(__clang__)
inline int lowest_set_bit(std::uint64_t bits) {
    BRONDEL_ASSERT(bits != 0);
    return __builtin_ctzll(bits);
}
inline int highest_set_bit(std::uint64_t bits) {
    BRONDEL_ASSERT(bits != 0);
    return 63 - __builtin_clzll(bits);
}
#elif defined(_MSC_VER) && defined(_M_X64)
inline int lowest_set_bit(std::uint64_t bits) {
    BRONDEL_ASSERT(bits != 0);
    unsigned long index;  // the type _BitScanForward64 writes
    _BitScanForward64(&index, bits);
    return static_cast<int>(index);
}
inline int highest_set_bit(std::uint64_t bits) {
    BRONDEL_ASSERT(bits != 0);
    unsigned long index;  // the type _BitScanReverse64 writes
    _BitScanReverse64(&index, bits);
    return static_cast<int>(index);
}
#else
inline int lowest_set_bit(std::uint64_t bits) {
    return lowest_set_bit_portable(bits);
}
inline int highest_set_bit(std::uint64_t bits) {
    return highest_set_bit_portable(bits);
}
#endif

// The offset of the first (last) flagged byte of a word of flags that is
// not zero.
inline int lowest_flagged_byte(std::uint64_t flags) {
    return lowest_set_bit(flags) / 8;
}

inline int highest_flagged_byte(std::uint64_t flags) {
    return highest_set_bit(flags) / 8;
}

// Sixteen cells: bit i set when the cell at offset i is occupied.
inline unsigned int occupied_sixteen_portable(const char* cells) {
    unsigned int mask = 0;
    for (int i = 0; i < 16; ++i) {
        if (cells[i] != 0) mask |= 1u << i;
    }
    return mask;
}

// Four cells: bit j set when the cell at offset j is free. (Free, not
// occupied, as the comparison with zero gives it: the column runs need both
// and get the other with one complement.)
inline unsigned int free_four_portable(const char* cells) {
    unsigned int mask = 0;
    for (int j = 0; j < 4; ++j) {
        if (cells[j] == 0) mask |= 1u << j;
    }
    return mask;
}

// Four cells in each of four rows (the four bytes from each address): bit
// 4 * i + j set when cell j of row i is free.
inline unsigned int free_four_rows_portable(const char* first, const char* second, const char* third,
                                            const char* fourth) {
    return free_four_portable(first) | free_four_portable(second) << 4 | free_four_portable(third) << 8 |
           free_four_portable(fourth) << 12;
}

#if defined(BRONDEL_BYTE_SCAN_SSE2)
constexpr bool sixteen_at_once = true;

inline __m128i load_four_cells(const char* cells) {
    int word;
    std::memcpy(&word, cells, sizeof word);
    return _mm_cvtsi32_si128(word);
}

inline unsigned int free_four(const char* cells) {
    const int free_cells = _mm_movemask_epi8(_mm_cmpeq_epi8(load_four_cells(cells), _mm_setzero_si128()));
    return static_cast<unsigned int>(free_cells) & 0xFu;
}

inline unsigned int free_four_rows(const char* first, const char* second, const char* third, const char* fourth) {
    const __m128i upper = _mm_unpacklo_epi32(load_four_cells(first), load_four_cells(second));
    const __m128i lower = _mm_unpacklo_epi32(load_four_cells(third), load_four_cells(fourth));
    const __m128i cells = _mm_unpacklo_epi64(upper, lower);
    return static_cast<unsigned int>(_mm_movemask_epi8(_mm_cmpeq_epi8(cells, _mm_setzero_si128())));
}

inline unsigned int occupied_sixteen(const char* cells) {
    const __m128i word = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cells));
    const int free_cells = _mm_movemask_epi8(_mm_cmpeq_epi8(word, _mm_setzero_si128()));
    return ~static_cast<unsigned int>(free_cells) & 0xFFFFu;
}
#else
constexpr bool sixteen_at_once = false;

inline unsigned int occupied_sixteen(const char* cells) {
    return occupied_sixteen_portable(cells);
}

inline unsigned int free_four(const char* cells) {
    return free_four_portable(cells);
}

inline unsigned int free_four_rows(const char* first, const char* second, const char* third, const char* fourth) {
    return free_four_rows_portable(first, second, third, fourth);
}
#endif

}  // namespace byte_scan
}  // namespace Voxel
}  // namespace OSTREL

#undef BRONDEL_BYTE_SCAN_SSE2
