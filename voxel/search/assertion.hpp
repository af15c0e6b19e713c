// BRONDEL_ASSERT: the contracts that headers leave to the caller ("Checking:
// none"), checked where checking is switched on: debug builds (NDEBUG not
// defined) and the sanitizer and fuzz builds (BRONDEL_CHECKED, set by the
// top CMakeLists.txt). A broken contract prints the condition and its place
// and aborts, which fails the test or fuzz run that broke it.
//
// Contract
//   Cost:         none in release builds, where the condition is not evaluated
//                 (it is still compiled, so it cannot rot); in checked builds
//                 the condition's own cost, on every call.
//   Conditions:   free of side effects: a release build skips them.
//
// Usage
//   BRONDEL_ASSERT(dx >= -1 && dx <= 1);
#pragma once

#if defined(BRONDEL_CHECKED) || !defined(NDEBUG)

#include <cstdio>
#include <cstdlib>

#define BRONDEL_ASSERT(condition) \
    ((condition) ? static_cast<void>(0) : ::OSTREL::Voxel::assertion_failed(#condition, __FILE__, __LINE__))

namespace OSTREL {
namespace Voxel {

[[noreturn]] inline void assertion_failed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: broken contract: %s\n", file, line, condition);
    std::abort();
}

}  // namespace Voxel
}  // namespace OSTREL

#else

#define BRONDEL_ASSERT(condition) static_cast<void>(sizeof(condition))

#endif
