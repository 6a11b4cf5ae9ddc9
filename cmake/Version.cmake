# The version is set in one place, the project() call of the top-level
# CMakeLists.txt. From it this writes, into the build tree:
#   generated/Version.h         the numbers and the title text, for the code,
#                               both version resources and the catalogue
#   generated/Beamdesk.manifest the application manifest with the same version
# The installer takes PROJECT_VERSION itself (installer/CMakeLists.txt), and
# tools/make-languages.py reads the same project() line.
set(BEAMDESK_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)

# The title shows the major number and the minor one in two digits:
# 1.0.x is "V1.00", 1.2.x "V1.02", 2.10.x "V2.10".
if(PROJECT_VERSION_MINOR LESS 10)
  set(BEAMDESK_TITLE_VERSION "${PROJECT_VERSION_MAJOR}.0${PROJECT_VERSION_MINOR}")
else()
  set(BEAMDESK_TITLE_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
endif()

configure_file(${CMAKE_SOURCE_DIR}/resources/Version.h.in ${BEAMDESK_GENERATED_DIR}/Version.h @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/resources/Beamdesk.manifest.in ${BEAMDESK_GENERATED_DIR}/Beamdesk.manifest @ONLY)
