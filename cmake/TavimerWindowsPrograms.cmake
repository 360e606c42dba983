# Windows programs that tests run under Wine, cross-compiled with mingw-w64 as part of the
# build, through the compiler launcher (ccache) when one is set. Without mingw-w64 they are
# not built, and the tests that run them skip, or fail under CI (CI=true).

find_program(TAVIMER_MINGW_CC NAMES x86_64-w64-mingw32-gcc-posix x86_64-w64-mingw32-gcc)
find_program(TAVIMER_MINGW_CXX NAMES x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-g++)
if(NOT TAVIMER_MINGW_CC OR NOT TAVIMER_MINGW_CXX)
  message(STATUS "mingw-w64 not found: the Windows programs the Wine tests run are not built")
endif()

# tavimer_windows_program(NAME [OUTPUT_NAME name] SOURCES ... [OTHER_SOURCES ...] [INCLUDES ...]
#                         [LIBS ...])
# Builds NAME.exe (or OUTPUT_NAME.exe), statically linked, in the current binary folder's
# windows/ (apart from a Linux program of that name, which CMake would take it for), with a
# target NAME in ALL, and sets NAME_PATH in the caller's scope to the program's path (set also
# when it cannot be built). Each program built is listed in the global property
# TAVIMER_WINDOWS_PROGRAMS as OUTPUT_NAME=PATH, where the packaging finds the ones it ships.
# SOURCES are ours (.c or .cpp) and build with warnings as errors; OTHER_SOURCES (GoogleTest)
# build without warnings. INCLUDES are include folders besides the project's root, for every
# source; LIBS are Windows libraries (advapi32, ...). Each object is rebuilt when its source
# or a header it includes changes.
function(tavimer_windows_program name)
  cmake_parse_arguments(ARG "" "OUTPUT_NAME" "SOURCES;OTHER_SOURCES;INCLUDES;LIBS" ${ARGN})
  if(NOT ARG_OUTPUT_NAME)
    set(ARG_OUTPUT_NAME ${name})
  endif()
  set(exe "${CMAKE_CURRENT_BINARY_DIR}/windows/${ARG_OUTPUT_NAME}.exe")
  set(${name}_PATH "${exe}" PARENT_SCOPE)
  if(NOT TAVIMER_MINGW_CC OR NOT TAVIMER_MINGW_CXX)
    return()
  endif()
  set(includes "-I${PROJECT_SOURCE_DIR}")
  foreach(dir IN LISTS ARG_INCLUDES)
    list(APPEND includes "-I${dir}")
  endforeach()
  set(objects "")
  set(linker "${TAVIMER_MINGW_CC}")
  foreach(kind IN ITEMS SOURCES OTHER_SOURCES)
    foreach(source IN LISTS ARG_${kind})
      cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}")
      cmake_path(IS_PREFIX PROJECT_SOURCE_DIR "${source}" NORMALIZE inside)
      if(inside)
        cmake_path(RELATIVE_PATH source BASE_DIRECTORY "${PROJECT_SOURCE_DIR}" OUTPUT_VARIABLE unit)
      else()
        cmake_path(GET source FILENAME unit)
      endif()
      string(REPLACE "/" "_" unit "${unit}")
      set(object "${CMAKE_CURRENT_BINARY_DIR}/windows/${name}.dir/${unit}.o")
      if(source MATCHES "\\.c$")
        set(compile "${TAVIMER_MINGW_CC}" -O1)
        set(warnings -Wall -Wextra -Werror)
      else()
        set(compile "${TAVIMER_MINGW_CXX}" -std=c++20 -O1)
        set(warnings -Wall -Wextra -Wpedantic -Wshadow -Werror)
        set(linker "${TAVIMER_MINGW_CXX}")
      endif()
      if(kind STREQUAL "OTHER_SOURCES")
        set(warnings "")
      endif()
      add_custom_command(OUTPUT "${object}"
        COMMAND ${CMAKE_CXX_COMPILER_LAUNCHER} ${compile} ${warnings} ${includes} -MD -MF "${object}.d"
          -c "${source}" -o "${object}"
        DEPENDS "${source}"
        DEPFILE "${object}.d"
        COMMENT "Building ${unit} for Windows (mingw-w64)"
        VERBATIM)
      list(APPEND objects "${object}")
    endforeach()
  endforeach()
  list(TRANSFORM ARG_LIBS PREPEND "-l" OUTPUT_VARIABLE libs)
  add_custom_command(OUTPUT "${exe}"
    COMMAND "${linker}" -static -o "${exe}" ${objects} ${libs}
    DEPENDS ${objects}
    COMMENT "Linking ${ARG_OUTPUT_NAME}.exe for Windows (mingw-w64)"
    VERBATIM)
  add_custom_target(${name} ALL DEPENDS "${exe}")
  set_property(GLOBAL APPEND PROPERTY TAVIMER_WINDOWS_PROGRAMS "${ARG_OUTPUT_NAME}=${exe}")
endfunction()
