// memory_probe: finds out at once whether the system will grant the memory a
// structure needs, before the structure is built piece by piece.
//
// Contract
//   Why:          a structure built in many allocations (a row at a time)
//                 gets each of them granted by a system that hands out memory
//                 lazily, until the machine runs out and the process is
//                 killed; under an address space limit it fails only after
//                 using every byte allowed. Asking once for the whole amount
//                 and giving it back turns such a request into std::bad_alloc
//                 before anything is built.
//   Memory:       the block asked for is never written, so none of its pages
//                 becomes resident: probing costs no memory and no time
//                 proportional to its size.
//   Counting:     a structure is counted as the heap will charge for it, each
//                 block with its header and rounding (glibc's rules, which the
//                 Linux module runs on): a map of one-cell rows costs 48
//                 bytes a row, not 17. Byte counts that do not fit
//                 std::size_t throw std::bad_alloc.
//   Limits:       a probe that succeeds promises nothing; memory can still run
//                 out while the structure is built, and std::bad_alloc then
//                 comes from there.
//   Threads:      no state; safe from any thread.
//
// Usage
//   require_memory(grid_bytes(rows, bytes_per_row));   // or std::bad_alloc
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <valarray>

namespace OSTREL {
namespace Voxel {

// count * size, or std::bad_alloc when the product does not fit std::size_t.
inline std::size_t bytes_for(std::size_t count, std::size_t size) {
    if (size != 0 && count > SIZE_MAX / size) {
        throw std::bad_alloc();
    }
    return count * size;
}

// What the heap takes for one block of `size` bytes: glibc's allocator adds
// an 8-byte header, rounds up to 16 bytes and hands out at least 32 (a 1-byte
// row takes 32). Nothing for 0: an empty valarray allocates no block.
inline std::size_t heap_block_bytes(std::size_t size) {
    constexpr std::size_t header = 8;
    constexpr std::size_t alignment = 16;
    constexpr std::size_t smallest = 32;
    if (size == 0) {
        return 0;
    }
    if (size > SIZE_MAX - header - alignment) {
        throw std::bad_alloc();
    }
    const std::size_t rounded = (size + header + alignment - 1) / alignment * alignment;
    return rounded < smallest ? smallest : rounded;
}

// What a valarray of `rows` valarrays of `row_bytes` bytes each takes from
// the heap: the array of rows, then each row as a block of its own.
inline std::size_t grid_bytes(std::size_t rows, std::size_t row_bytes) {
    const std::size_t row_array = heap_block_bytes(bytes_for(rows, sizeof(std::valarray<char>)));
    const std::size_t cells = bytes_for(rows, heap_block_bytes(row_bytes));
    if (cells > SIZE_MAX - row_array) {
        throw std::bad_alloc();
    }
    return row_array + cells;
}

// Throws std::bad_alloc unless the system grants `bytes` in one block now.
inline void require_memory(std::size_t bytes) {
    // Stored through a volatile pointer so that the request is really made.
    void* volatile block = ::operator new(bytes);
    ::operator delete(block);
}

}  // namespace Voxel
}  // namespace OSTREL
