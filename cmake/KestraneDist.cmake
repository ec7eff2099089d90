# make dist: the release package for Windows users, made in the "release" preset
# (build/release, optimised, stripped, static): build/dist/Kestrane-<version>-win64.zip with
# Kestrane.exe, kestrane-decode.exe and README.txt, and its .sha256 line. <version> is
# project(VERSION), as in the program's version record.
option(KESTRANE_DIST "Define the dist target (the release preset sets it)" OFF)
if(NOT KESTRANE_DIST OR NOT WIN32)
  return()
endif()

set(KESTRANE_DIST_DIR ${CMAKE_SOURCE_DIR}/build/dist CACHE PATH "Where make dist writes the package")
# Read in Notepad: CR LF.
configure_file(${CMAKE_SOURCE_DIR}/docs/README.txt.in ${CMAKE_BINARY_DIR}/dist/README.txt @ONLY
               NEWLINE_STYLE CRLF)
add_custom_target(dist
  COMMAND ${CMAKE_SOURCE_DIR}/tools/package.sh Kestrane-${PROJECT_VERSION} win64
          ${KESTRANE_DIST_DIR} $<TARGET_FILE:Kestrane> $<TARGET_FILE:kestrane-decode>
          ${CMAKE_BINARY_DIR}/dist/README.txt
  VERBATIM)
add_dependencies(dist Kestrane kestrane-decode)
