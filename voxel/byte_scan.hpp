// byte_scan: eight map cells at a time. A row of cells is read as 64-bit words
// (memcpy, so any alignment is fine) and every byte becomes one flag bit, the
// top bit of that byte, set when the cell is non-zero (occupied). The first or
// last flagged byte of a word is then found with a count of trailing or leading
// zeros.
//
// Contract
//   Dependencies: the C++17 standard library; the compiler's bit-scan
//                 builtins where known (GCC, Clang, MinGW, MSVC on x64), a
//                 plain loop everywhere else. Both paths give the same answers
//                 (tests/native/test_byte_scan.cpp checks the loop against the
//                 builtins).
//   Byte order:   byte i of a loaded word is the cell at offset i, which holds
//                 on little-endian machines: x86-64 and ARM64, the targets of
//                 this code.
//   Checking:     none; the caller guarantees that the eight bytes exist, and
//                 that a word passed to the byte finders is not zero.
//   Threads:      pure functions.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(_MSC_VER) && !defined(__clang__) && defined(_M_X64)
#include <intrin.h>
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

// Four cells, in the low four bytes of a word.
inline std::uint64_t load_four(const char* cells) {
    std::uint32_t word;
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

inline int lowest_flagged_byte_portable(std::uint64_t flags) {
    int offset = 0;
    while ((flags & 0xFFu) == 0) {
        flags >>= 8;
        ++offset;
    }
    return offset;
}

inline int highest_flagged_byte_portable(std::uint64_t flags) {
    int offset = 7;
    while ((flags >> 56) == 0) {
        flags <<= 8;
        --offset;
    }
    return offset;
}

inline int lowest_flagged_byte(std::uint64_t flags) {
#if defined(__GNUC__) || defined(__clang__)
    return __builtin_ctzll(flags) / 8;
#elif defined(_MSC_VER) && defined(_M_X64)
    unsigned long index;  // the type _BitScanForward64 writes
    _BitScanForward64(&index, flags);
    return static_cast<int>(index) / 8;
#else
    return lowest_flagged_byte_portable(flags);
#endif
}

inline int highest_flagged_byte(std::uint64_t flags) {
#if defined(__GNUC__) || defined(__clang__)
    return (63 - __builtin_clzll(flags)) / 8;
#elif defined(_MSC_VER) && defined(_M_X64)
    unsigned long index;  // the type _BitScanReverse64 writes
    _BitScanReverse64(&index, flags);
    return static_cast<int>(index) / 8;
#else
    return highest_flagged_byte_portable(flags);
#endif
}

}  // namespace byte_scan
}  // namespace Voxel
}  // namespace OSTREL
