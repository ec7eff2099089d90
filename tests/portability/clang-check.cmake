# Compiles every C and C++ source of a Windows build tree once more, with clang for the same
# target and -Wall -Wextra -Werror: our evidence that the code is not tied to one compiler. The
# sources come from the tree's compile_commands.json, so a new source is checked the moment a
# CMake target names it.
#
#   cmake -DBUILD_DIR=build/win64 -DSOURCE_DIR=. [-DCLANG=clang++] -P tests/portability/clang-check.cmake
#
# clang uses the mingw-w64 compiler's own libstdc++ and Windows headers (as system includes),
# so both compilers see the same library. Sources outside SOURCE_DIR (GoogleTest) are compiled
# too, but their warnings are not ours to fail on.
cmake_minimum_required(VERSION 3.25)

foreach(var BUILD_DIR SOURCE_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "clang-check: set -D${var}=...")
  endif()
  get_filename_component(${var} "${${var}}" REALPATH)
endforeach()
if(NOT DEFINED CLANG)
  set(CLANG clang++)
endif()

file(READ "${BUILD_DIR}/compile_commands.json" database)
string(JSON count LENGTH "${database}")
if(count EQUAL 0)
  message(FATAL_ERROR "clang-check: ${BUILD_DIR}/compile_commands.json lists no source")
endif()

# The include folders the mingw-w64 compiler searches, less its private ones (intrinsics,
# fixed headers): clang brings its own of those.
function(mingw_include_flags compiler out_flags out_target)
  execute_process(COMMAND "${compiler}" -dumpmachine
    OUTPUT_VARIABLE target OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND "${compiler}" -E -x c++ - -v INPUT_FILE /dev/null
    OUTPUT_QUIET ERROR_VARIABLE verbose COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX MATCH "#include <\\.\\.\\.> search starts here:\n(.*)\nEnd of search list" _ "${verbose}")
  string(REPLACE "\n" ";" dirs "${CMAKE_MATCH_1}")
  set(flags -nostdlibinc)
  foreach(dir IN LISTS dirs)
    string(STRIP "${dir}" dir)
    get_filename_component(dir "${dir}" REALPATH)
    if(NOT dir MATCHES "/lib/gcc/[^/]+/[^/]+/include(-fixed)?$")
      list(APPEND flags -isystem "${dir}")
    endif()
  endforeach()
  set(${out_flags} "${flags}" PARENT_SCOPE)
  set(${out_target} "${target}" PARENT_SCOPE)
endfunction()

set(scratch "${BUILD_DIR}/clang-check")
file(REMOVE_RECURSE "${scratch}")
file(MAKE_DIRECTORY "${scratch}")

set(checked 0)
set(failed "")
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
  string(JSON file GET "${database}" ${i} file)
  string(JSON dir GET "${database}" ${i} directory)
  string(JSON command GET "${database}" ${i} command)
  if(NOT file MATCHES "\\.(c|cc|cpp|cxx)$")
    continue() # resource scripts
  endif()
  separate_arguments(args UNIX_COMMAND "${command}")
  list(POP_FRONT args compiler)
  if(NOT include_flags)
    mingw_include_flags("${compiler}" include_flags target)
  endif()
  # Keep the build's own flags (defines, include folders, language level, warnings); leave
  # out what names this one build's outputs, and debug information, which costs time only.
  set(flags "")
  set(skip_next FALSE)
  foreach(arg IN LISTS args)
    if(skip_next)
      set(skip_next FALSE)
    elseif(arg STREQUAL "-o" OR arg STREQUAL "-MF" OR arg STREQUAL "-MT")
      set(skip_next TRUE)
    elseif(NOT arg STREQUAL "-c" AND NOT arg STREQUAL file AND NOT arg MATCHES "^-g|^-M")
      list(APPEND flags "${arg}")
    endif()
  endforeach()
  set(driver "${CLANG}")
  if(file MATCHES "\\.c$")
    string(REGEX REPLACE "\\+\\+" "" driver "${CLANG}")
  endif()
  set(strict -Wall -Wextra)
  cmake_path(IS_PREFIX SOURCE_DIR "${file}" NORMALIZE ours)
  if(ours)
    list(APPEND strict -Werror)
  endif()
  math(EXPR checked "${checked} + 1")
  execute_process(
    COMMAND "${driver}" "--target=${target}" ${include_flags} ${flags} ${strict}
            -c "${file}" -o "${scratch}/${i}.o"
    WORKING_DIRECTORY "${dir}"
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  cmake_path(RELATIVE_PATH file BASE_DIRECTORY "${SOURCE_DIR}" OUTPUT_VARIABLE shown)
  if(NOT rc EQUAL 0)
    list(APPEND failed "${shown}")
    message("FAIL ${shown}\n${out}")
  elseif(NOT out STREQUAL "")
    message("warn ${shown}\n${out}")
  else()
    message("ok   ${shown}")
  endif()
endforeach()

file(REMOVE_RECURSE "${scratch}")
list(LENGTH failed nfailed)
if(nfailed GREATER 0)
  list(JOIN failed "\n  " failed)
  message(FATAL_ERROR "clang (${target}): ${nfailed} of ${checked} sources fail:\n  ${failed}")
endif()
message("clang (${target}): all ${checked} sources compile with -Wall -Wextra -Werror")
