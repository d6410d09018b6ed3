# The release zip: drowsel.exe, the README and the licence, with a SHA-256
# file beside it. `cpack --config build/windows/CPackConfig.cmake` makes it.
install(TARGETS drowsel RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(drowsel_platform win64)
else()
  set(drowsel_platform win32)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME drowsel)
set(CPACK_PACKAGE_VENDOR "Drowsel developers")
set(CPACK_PACKAGE_FILE_NAME "drowsel-${PROJECT_VERSION}-${drowsel_platform}")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_SOURCE_DIR}/dist)
include(CPack)
