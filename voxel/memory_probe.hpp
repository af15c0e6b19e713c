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
//   Checking:     byte counts that do not fit std::size_t throw std::bad_alloc.
//   Limits:       a probe that succeeds promises nothing; memory can still run
//                 out while the structure is built, and std::bad_alloc then
//                 comes from there.
//   Threads:      no state; safe from any thread.
//
// Usage
//   require_memory(bytes_for(rows, bytes_per_row));   // or std::bad_alloc
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

namespace OSTREL {
namespace Voxel {

// count * size, or std::bad_alloc when the product does not fit std::size_t.
inline std::size_t bytes_for(std::size_t count, std::size_t size) {
    if (size != 0 && count > SIZE_MAX / size) {
        throw std::bad_alloc();
    }
    return count * size;
}

// Throws std::bad_alloc unless the system grants `bytes` in one block now.
inline void require_memory(std::size_t bytes) {
    // Stored through a volatile pointer so that the request is really made.
    void* volatile block = ::operator new(bytes);
    ::operator delete(block);
}

}  // namespace Voxel
}  // namespace OSTREL
