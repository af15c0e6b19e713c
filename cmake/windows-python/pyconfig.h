/* pyconfig.h for building extension modules for CPython 3.8 on Windows x64
 * with MinGW-w64 (GCC), used only by the cross build.
 *
 * It replaces the Linux pyconfig.h in a copy of CPython 3.8's headers (see
 * cmake/BrondelWindowsPython.cmake). It describes the interpreter as built
 * for Windows x64: a shared python38.dll whose API is imported with
 * __declspec(dllimport), LLP64 type sizes (long is 4 bytes, pointers and
 * Py_ssize_t 8), UTF-16 wchar_t and Windows threads. Only what the public
 * headers consult is defined; nothing here is used to build the interpreter.
 */
#ifndef Py_CONFIG_H
#define Py_CONFIG_H

#if !defined(_WIN64) || !defined(__MINGW64__)
#error "this pyconfig.h describes CPython 3.8 for Windows x64, built with MinGW-w64"
#endif

/* Platform. */
#define MS_WIN32
#define MS_WIN64
#define MS_WINDOWS
#define NT_THREADS
#define WITH_THREAD
#define PLATFORM "win32"
#define COMPILER "[GCC " __VERSION__ " 64 bit (AMD64)]"

/* The interpreter is a DLL; extension modules import its API and export only
 * their PyInit_ function. */
#define Py_ENABLE_SHARED 1
#define HAVE_DECLSPEC_DLL

/* Type sizes of Windows x64 (LLP64). */
#define SIZEOF_SHORT 2
#define SIZEOF_INT 4
#define SIZEOF_LONG 4
#define ALIGNOF_LONG 4
#define SIZEOF_LONG_LONG 8
#define SIZEOF_DOUBLE 8
#define SIZEOF_FLOAT 4
#define SIZEOF_VOID_P 8
#define SIZEOF_SIZE_T 8
#define ALIGNOF_SIZE_T 8
#define SIZEOF_TIME_T 8
#define SIZEOF_OFF_T 4
#define SIZEOF_FPOS_T 8
#define SIZEOF_HKEY 8
#define SIZEOF_PID_T SIZEOF_INT
#define SIZEOF_WCHAR_T 2
#define SIZEOF__BOOL 1
#define HAVE_LONG_LONG 1
#define PY_LONG_LONG long long
#define HAVE_SSIZE_T 1 /* MinGW-w64 declares ssize_t as a 64-bit integer */
#define HAVE_UINTPTR_T 1
#define HAVE_INTPTR_T 1
#define PY_FORMAT_SIZE_T "I64"

/* Integers are stored in 30-bit digits, as in the official Windows builds. */
#define PYLONG_BITS_IN_DIGIT 30

/* Floating point: IEEE 754 doubles in little-endian order, SSE2 arithmetic. */
#define DOUBLE_IS_LITTLE_ENDIAN_IEEE754 1
#define HAVE_COPYSIGN 1
#define HAVE_ROUND 1
#define HAVE_HYPOT 1

/* Headers and allocator of the official Windows builds. */
#define HAVE_WCHAR_H 1
#define HAVE_USABLE_WCHAR_T 1
#define HAVE_STDDEF_H 1
#define HAVE_ERRNO_H 1
#define HAVE_SYS_STAT_H 1
#define HAVE_SIGNAL_H 1
#define WITH_PYMALLOC 1
#define WITH_DOC_STRINGS 1

#endif /* !Py_CONFIG_H */
