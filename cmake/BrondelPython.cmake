# Chooses the CPython interpreter the module is built for, unless the caller
# named one with -DPYTHON_EXECUTABLE=... . In order: the BRONDEL_PYTHON
# environment variable, pyenv's newest 3.8 release, python3.8 on PATH.
# The module targets CPython 3.8, so a newer python3 is never picked silently.
if(NOT PYTHON_EXECUTABLE)
  if(DEFINED ENV{BRONDEL_PYTHON})
    set(_brondel_python "$ENV{BRONDEL_PYTHON}")
  else()
    set(_pyenv_root "$ENV{PYENV_ROOT}")
    if(NOT _pyenv_root)
      set(_pyenv_root "$ENV{HOME}/.pyenv")
    endif()
    file(GLOB _pyenv_pythons "${_pyenv_root}/versions/3.8*/bin/python3.8")
    if(_pyenv_pythons)
      list(SORT _pyenv_pythons COMPARE NATURAL ORDER DESCENDING)
      list(GET _pyenv_pythons 0 _brondel_python)
    else()
      find_program(_brondel_python NAMES python3.8)
    endif()
  endif()
  if(NOT _brondel_python)
    message(FATAL_ERROR "No CPython 3.8 found: set BRONDEL_PYTHON or pass -DPYTHON_EXECUTABLE=/path/to/python3.8")
  endif()
  set(PYTHON_EXECUTABLE "${_brondel_python}" CACHE FILEPATH "Interpreter the module is built for")
endif()
# GoogleTest's own CMake file looks for a Python too; point it at the same one
# so that nothing caches another interpreter.
set(Python_EXECUTABLE "${PYTHON_EXECUTABLE}" CACHE FILEPATH "" FORCE)
message(STATUS "brondel: building for ${PYTHON_EXECUTABLE}")
