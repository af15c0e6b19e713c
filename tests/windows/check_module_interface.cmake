# Checks the binary interface of a Windows module file:
#  - it exports exactly one symbol, PyInit_ and the module's name (the file
#    name up to its first dot);
#  - it imports from KERNEL32.dll, msvcrt.dll and python38.dll only (the C++
#    runtime is linked in);
#  - every name it imports from python38.dll is declared as public C-API
#    (PyAPI_FUNC or PyAPI_DATA) in CPython 3.8's headers: python38.dll exports
#    exactly those, whereas the import library is made from a wider list;
#  - its pybind11 registry key is MinGW's own, never MSVC's: MSVC-built
#    modules lay out pybind11's C++ types differently, and sharing their
#    registry would crash.
#
#   cmake -DOBJDUMP=<objdump> -DMODULE=<.pyd> -DPYTHON_INCLUDE=<headers> -P check_module_interface.cmake

execute_process(COMMAND "${OBJDUMP}" -p "${MODULE}"
  OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${MODULE} failed")
endif()
set(failures "")

# The block of lines that follows a heading, up to the next empty line.
function(block_after heading out)
  string(FIND "${dump}" "${heading}\n" start)
  if(start EQUAL -1)
    set(${out} "" PARENT_SCOPE)
    return()
  endif()
  string(LENGTH "${heading}\n" length)
  math(EXPR start "${start} + ${length}")
  string(SUBSTRING "${dump}" ${start} -1 rest)
  string(FIND "${rest}" "\n\n" end)
  string(SUBSTRING "${rest}" 0 ${end} block)
  set(${out} "${block}" PARENT_SCOPE)
endfunction()

# Exports: lines "\t[   0] NAME" of the name table.
get_filename_component(module_file_name "${MODULE}" NAME)
string(REGEX REPLACE "\\..*" "" module_name "${module_file_name}")
set(entry "PyInit_${module_name}")
block_after("[Ordinal/Name Pointer] Table" export_block)
string(REGEX REPLACE "\t\\[ *[0-9]+\\] ([^\n]*)" "\\1" exports "${export_block}")
string(REPLACE "\n" ";" exports "${exports}")
if(NOT exports STREQUAL entry)
  list(APPEND failures "exports are [${exports}], expected [${entry}]")
endif()

# Imported DLLs.
string(REGEX MATCHALL "DLL Name: [^\n]+" dlls "${dump}")
list(TRANSFORM dlls REPLACE "^DLL Name: " "")
list(SORT dlls CASE INSENSITIVE)
if(NOT dlls STREQUAL "KERNEL32.dll;msvcrt.dll;python38.dll")
  list(APPEND failures "imported DLLs are [${dlls}], expected [KERNEL32.dll;msvcrt.dll;python38.dll]")
endif()

# Names imported from python38.dll: lines "\tVMA\t HINT  NAME".
block_after("\tDLL Name: python38.dll" python_block)
string(REGEX MATCHALL "[0-9]  [A-Za-z0-9_]+" python_imports "${python_block}")
list(TRANSFORM python_imports REPLACE "^[0-9]  " "")
list(LENGTH python_imports python_import_count)
if(python_import_count EQUAL 0)
  list(APPEND failures "no names imported from python38.dll")
endif()
file(GLOB_RECURSE headers "${PYTHON_INCLUDE}/*.h")
set(declarations "")
foreach(header IN LISTS headers)
  file(STRINGS "${header}" lines REGEX "PyAPI_(FUNC|DATA)")
  list(JOIN lines "\n" lines)
  string(APPEND declarations "${lines}\n")
endforeach()
foreach(name IN LISTS python_imports)
  if(NOT declarations MATCHES "PyAPI_(FUNC|DATA)\\([^\n]*[^A-Za-z0-9_]${name}[^A-Za-z0-9_]")
    list(APPEND failures "${name} is imported from python38.dll but not declared as CPython's public API")
  endif()
endforeach()

# Registry keys are string literals in the file.
file(STRINGS "${MODULE}" keys REGEX "__pybind11_internals_v[0-9]+_")
list(REMOVE_DUPLICATES keys)
if(NOT keys STREQUAL "__pybind11_internals_v4_mingw_libstdcpp_cxxabi1017__")
  list(APPEND failures "registry keys are [${keys}], expected [__pybind11_internals_v4_mingw_libstdcpp_cxxabi1017__]")
endif()

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "${MODULE}:\n  ${text}")
endif()
message(STATUS "${MODULE}: exports ${entry} only; imports ${dlls}; "
  "${python_import_count} names from python38.dll, all public C-API; registry key ${keys}")
