# The release: `cmake --build --preset windows --target package` (or `--preset msvc`) makes
# MorvTime-<version>-win64.zip with one folder holding the program, its read-me (which the
# read-me command opens from the current directory, so it sits next to the program), the
# README and the licence.
install(TARGETS morvtime RUNTIME DESTINATION .)
install(FILES
  ${PROJECT_SOURCE_DIR}/resources/Morvyomi.txt
  ${PROJECT_SOURCE_DIR}/README.md
  ${PROJECT_SOURCE_DIR}/LICENSE
  DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME MorvTime)
set(CPACK_PACKAGE_VENDOR "${MORV_PUBLISHER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME MorvTime-${PROJECT_VERSION}-win64)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
include(CPack)
