# The CPython 3.8 C interface for the Windows x64 cross build.
#
# No Windows build of CPython 3.8 (headers, python38.lib or an interpreter)
# can be installed on the Debian build machine, so this file makes the part of
# it that compiling and linking an extension module needs, at configure time,
# into <build>/windows-python/:
#   include/           CPython 3.8's own headers, copied from the host's 3.8,
#                      with cmake/windows-python/pyconfig.h in place of the
#                      Linux pyconfig.h (Python.h includes its sibling
#                      pyconfig.h, so it must be replaced in a copied tree);
#   python38.def       the C-API of python38.dll: every Py*/_Py* symbol that
#                      the host's libpython3.8 exports (functions plain, data
#                      marked DATA);
#   libpython38.a      the import library made from it with dlltool;
#   python38-stub.def  the same names, all aliases of one function or one
#                      byte, for a stand-in python38.dll that lets the tests
#                      load the module under wine (it cannot run it);
#   pybind11-include/  a folder holding only a link to pybind11's headers, so
#                      that the host's /usr/include never enters the build.
# It then hands these to pybind11 in place of an interpreter it would query,
# and names the module brondel.cp38-win_amd64.pyd.
#
# Input: PYTHON_EXECUTABLE, the host's CPython 3.8 (cmake/BrondelPython.cmake).
# Only the cross build includes this file; a native Windows build uses a real
# Python 3.8 installation.

set(BRONDEL_WINDOWS_PYTHON_DIR "${CMAKE_BINARY_DIR}/windows-python")

# Writes only when the text changed, so that reconfiguring with the same
# export list relinks nothing.
function(brondel_write_if_changed file text)
  set(old "")
  if(EXISTS "${file}")
    file(READ "${file}" old)
  endif()
  if(NOT old STREQUAL text)
    file(WRITE "${file}" "${text}")
  endif()
endfunction()

execute_process(
  COMMAND "${PYTHON_EXECUTABLE}" -c
    "import sysconfig as s; print(s.get_config_var('VERSION')); print(s.get_config_var('INCLUDEPY')); print(s.get_config_var('LIBDIR') + '/' + s.get_config_var('INSTSONAME'))"
  OUTPUT_VARIABLE _host_python_facts
  OUTPUT_STRIP_TRAILING_WHITESPACE
  RESULT_VARIABLE _host_python_result)
if(NOT _host_python_result EQUAL 0)
  message(FATAL_ERROR "cannot query ${PYTHON_EXECUTABLE}")
endif()
string(REPLACE "\n" ";" _host_python_facts "${_host_python_facts}")
list(GET _host_python_facts 0 _host_python_version)
list(GET _host_python_facts 1 _host_python_include)
list(GET _host_python_facts 2 _host_python_library)
if(NOT _host_python_version STREQUAL "3.8")
  message(FATAL_ERROR "the Windows module is built against CPython 3.8's headers, but ${PYTHON_EXECUTABLE} is ${_host_python_version}")
endif()
if(NOT EXISTS "${_host_python_library}")
  message(FATAL_ERROR "${_host_python_library} not found: the host's CPython 3.8 must be built as a shared library")
endif()

# Headers.
file(COPY "${_host_python_include}/" DESTINATION "${BRONDEL_WINDOWS_PYTHON_DIR}/include"
  PATTERN pyconfig.h EXCLUDE)
configure_file("${CMAKE_CURRENT_LIST_DIR}/windows-python/pyconfig.h"
  "${BRONDEL_WINDOWS_PYTHON_DIR}/include/pyconfig.h" COPYONLY)

# The export list of python38.dll, from the symbols of the host's libpython.
find_program(BRONDEL_HOST_NM NAMES nm REQUIRED)
execute_process(
  COMMAND "${BRONDEL_HOST_NM}" -D --defined-only --format=posix "${_host_python_library}"
  OUTPUT_VARIABLE _symbols
  RESULT_VARIABLE _nm_result)
if(NOT _nm_result EQUAL 0)
  message(FATAL_ERROR "nm failed on ${_host_python_library}")
endif()
string(REPLACE "\n" ";" _symbols "${_symbols}")
set(_import_def "LIBRARY python38.dll\nEXPORTS\n")
set(_stub_def "LIBRARY python38.dll\nEXPORTS\n")
foreach(_line IN LISTS _symbols)
  # posix format: name, type letter, value, size
  if(NOT _line MATCHES "^(_?Py[A-Za-z0-9_]*) ([A-Za-z]) ")
    continue()
  endif()
  set(_name "${CMAKE_MATCH_1}")
  if(CMAKE_MATCH_2 MATCHES "^[TtWi]$")
    string(APPEND _import_def "${_name}\n")
    string(APPEND _stub_def "${_name}=brondel_stub_function\n")
  else()
    string(APPEND _import_def "${_name} DATA\n")
    string(APPEND _stub_def "${_name}=brondel_stub_data DATA\n")
  endif()
endforeach()
brondel_write_if_changed("${BRONDEL_WINDOWS_PYTHON_DIR}/python38.def" "${_import_def}")
brondel_write_if_changed("${BRONDEL_WINDOWS_PYTHON_DIR}/python38-stub.def" "${_stub_def}")
set(BRONDEL_WINDOWS_PYTHON_STUB_DEF "${BRONDEL_WINDOWS_PYTHON_DIR}/python38-stub.def")

# The import library.
if(NOT CMAKE_DLLTOOL)
  find_program(CMAKE_DLLTOOL NAMES x86_64-w64-mingw32-dlltool dlltool REQUIRED)
endif()
set(_import_library "${BRONDEL_WINDOWS_PYTHON_DIR}/libpython38.a")
if("${BRONDEL_WINDOWS_PYTHON_DIR}/python38.def" IS_NEWER_THAN "${_import_library}")
  execute_process(
    COMMAND "${CMAKE_DLLTOOL}" -d python38.def -D python38.dll -l libpython38.a
    WORKING_DIRECTORY "${BRONDEL_WINDOWS_PYTHON_DIR}"
    RESULT_VARIABLE _dlltool_result)
  if(NOT _dlltool_result EQUAL 0)
    message(FATAL_ERROR "dlltool failed to make ${_import_library}")
  endif()
endif()

# What pybind11's Python search would have found; with these set it asks no
# interpreter.
set(PYTHONLIBS_FOUND TRUE)
set(PYTHON_INCLUDE_DIRS "${BRONDEL_WINDOWS_PYTHON_DIR}/include")
set(PYTHON_LIBRARIES "${_import_library}")
set(PYTHON_MODULE_PREFIX "")
set(PYTHON_MODULE_EXTENSION ".cp38-win_amd64.pyd")
set(PYTHON_VERSION_MAJOR 3)
set(PYTHON_VERSION_MINOR 8)
set(PYBIND11_PYTHON_VERSION 3.8)
set(PYTHON_IS_DEBUG FALSE)
find_package(pybind11 ${BRONDEL_PYBIND11_VERSIONS} CONFIG REQUIRED)

file(MAKE_DIRECTORY "${BRONDEL_WINDOWS_PYTHON_DIR}/pybind11-include")
file(CREATE_LINK "${pybind11_INCLUDE_DIR}/pybind11"
  "${BRONDEL_WINDOWS_PYTHON_DIR}/pybind11-include/pybind11" SYMBOLIC)
set_property(TARGET pybind11::pybind11_headers PROPERTY INTERFACE_INCLUDE_DIRECTORIES
  "${BRONDEL_WINDOWS_PYTHON_DIR}/pybind11-include")
