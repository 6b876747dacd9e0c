# GoogleTest for the Windows test programs (tests/windows, tests/e2e).
#
# Cross-compiling on Debian, GoogleTest is built from the sources of the
# googletest package, with the program's own compiler and no network.  On
# Windows, point KELVANE_GTEST_SOURCE at a GoogleTest source tree, or leave it
# empty to use an installed package (find_package).
include_guard(GLOBAL)

set(KELVANE_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest source tree for the Windows tests")

if(KELVANE_GTEST_SOURCE AND EXISTS "${KELVANE_GTEST_SOURCE}/CMakeLists.txt")
  # The program links the C runtime the same way; MSVC would otherwise mix
  # the static and the DLL runtime.
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  # GoogleTest's own sources are built without the program's code page and
  # warning options.
  get_directory_property(kelvane_saved_options COMPILE_OPTIONS)
  set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
  add_subdirectory("${KELVANE_GTEST_SOURCE}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
  set_directory_properties(PROPERTIES COMPILE_OPTIONS "${kelvane_saved_options}")
else()
  find_package(GTest REQUIRED)
endif()
