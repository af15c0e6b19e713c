// BRONDEL_EXPORT marks the native types whose out-of-line members the Linux
// module exports with default visibility, so that native code can link against
// them. Everything else, the binding library included, stays hidden. The
// Windows module exports only its entry point, so the mark is empty there.
#pragma once

#if defined(_WIN32) || defined(__CYGWIN__)
#define BRONDEL_EXPORT
#else
#define BRONDEL_EXPORT __attribute__((visibility("default")))
#endif
