# What `cmake --install` puts under the prefix, for Python and for native code:
#   <python dir>/brondel...so         the module (BRONDEL_INSTALL_PYTHONDIR,
#                                     by default the interpreter's
#                                     site-packages below the prefix)
#   <python dir>/brondel-stubs/       its type stub, as a stub-only package
#   <python dir>/brondel_bulk...so    the bulk module, and its stub package
#   <python dir>/brondel_bulk-stubs/  beside it
#   include/voxel/*.hpp               the headers at the top of voxel/: the
#                                     types the module exports for native
#                                     callers
#   lib/cmake/brondel/                the CMake package: find_package(brondel)
#                                     gives the target brondel::native
# A native library links brondel::native: it compiles against the headers and
# links against the module itself, whose exported symbols (bindings/
# exports.map) are the native API. Loaded beside the imported module, it
# shares that module's code. Only the Linux module exports that API.

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

execute_process(
  COMMAND "${PYTHON_EXECUTABLE}" -c
    "import sysconfig; print(sysconfig.get_path('platlib', vars={'base': '', 'platbase': ''}).strip('/'))"
  OUTPUT_VARIABLE _brondel_site_packages OUTPUT_STRIP_TRAILING_WHITESPACE)
set(BRONDEL_INSTALL_PYTHONDIR "${_brondel_site_packages}" CACHE STRING
  "Where the module goes, relative to the install prefix")

install(TARGETS brondel brondel_bulk LIBRARY DESTINATION "${BRONDEL_INSTALL_PYTHONDIR}")
foreach(_brondel_module IN ITEMS brondel brondel_bulk)
  install(FILES "${PROJECT_SOURCE_DIR}/bindings/${_brondel_module}.pyi"
    DESTINATION "${BRONDEL_INSTALL_PYTHONDIR}/${_brondel_module}-stubs" RENAME __init__.pyi)
endforeach()

# The headers at the top of voxel/: the exported types and every header they
# include. The search's internals (voxel/search/) stay behind.
file(GLOB _brondel_public_headers CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/voxel/*.hpp")
install(FILES ${_brondel_public_headers} DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}/voxel")

get_target_property(_brondel_prefix brondel PREFIX)
get_target_property(_brondel_suffix brondel SUFFIX)
set(BRONDEL_MODULE_FILE "${BRONDEL_INSTALL_PYTHONDIR}/${_brondel_prefix}brondel${_brondel_suffix}")
set(BRONDEL_INCLUDE_DIR "${CMAKE_INSTALL_INCLUDEDIR}")
set(_brondel_package_dir "${CMAKE_INSTALL_LIBDIR}/cmake/brondel")
configure_package_config_file("${CMAKE_CURRENT_LIST_DIR}/brondelConfig.cmake.in"
  "${CMAKE_BINARY_DIR}/package/brondelConfig.cmake"
  INSTALL_DESTINATION "${_brondel_package_dir}"
  PATH_VARS BRONDEL_MODULE_FILE BRONDEL_INCLUDE_DIR)
# Binary interface: a new minor version may change it.
write_basic_package_version_file("${CMAKE_BINARY_DIR}/package/brondelConfigVersion.cmake"
  COMPATIBILITY SameMinorVersion)
install(FILES
  "${CMAKE_BINARY_DIR}/package/brondelConfig.cmake"
  "${CMAKE_BINARY_DIR}/package/brondelConfigVersion.cmake"
  DESTINATION "${_brondel_package_dir}")
