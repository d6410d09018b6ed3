# GoogleTest for the Windows test programs, built with the same toolchain from
# the sources of Debian's googletest package (the native build uses the
# library that libgtest-dev installs). Its headers come in as system headers,
# so our warnings stay on our own code.
set(DROWSEL_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources")
if(NOT EXISTS ${DROWSEL_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources at ${DROWSEL_GOOGLETEST_SOURCE}: "
                      "scripts/install-deps installs the googletest package")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${DROWSEL_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
