# Helpers shared by every folder: warnings, sanitizers and test registration.

function(tavimer_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Werror
    # g++ 12 reports false "may be used uninitialized" inside std::variant when optimising,
    # and at -O3 false overlapping-copy and over-read warnings inside std::string and
    # std::vector; the last two stay visible but do not fail a Release build.
    $<$<CXX_COMPILER_ID:GNU>:-Wno-maybe-uninitialized>
    $<$<CXX_COMPILER_ID:GNU>:-Wno-error=restrict>
    $<$<CXX_COMPILER_ID:GNU>:-Wno-error=stringop-overread>)
endfunction()

if(TAVIMER_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# tavimer_test_paths(TARGET): where the test program finds the sources, the build and the
# fixtures (TAVIMER_SOURCE_DIR, TAVIMER_BINARY_DIR, TAVIMER_FIXTURES_DIR), as the program
# sees them: in the Windows build through the drive TAVIMER_HOST_DRIVE that Wine maps this
# machine's root to.
function(tavimer_test_paths target)
  target_compile_definitions(${target} PRIVATE
    TAVIMER_SOURCE_DIR="${TAVIMER_HOST_DRIVE}${PROJECT_SOURCE_DIR}"
    TAVIMER_BINARY_DIR="${TAVIMER_HOST_DRIVE}${PROJECT_BINARY_DIR}"
    TAVIMER_FIXTURES_DIR="${TAVIMER_HOST_DRIVE}${TAVIMER_FIXTURES_DIR}")
endfunction()

# tavimer_library(NAME SOURCES ... [PUBLIC_LIBS ...])
function(tavimer_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC_LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS})
  tavimer_warnings(${name})
endfunction()

# tavimer_test(NAME LABELS label... SOURCES ... [POSIX_SOURCES ...] [WINDOWS_SOURCES ...] LIBS ...
#              [GUI] [WHOLE] [WINDOWS] [LABEL_TESTS label regex ...])
# Every test carries the label of its folder; GUI tests also carry "gui" and run offscreen.
# WHOLE runs the binary as one ctest test, so that its tests share one costly set-up (a Wine
# prefix), with a main that makes ctest report it skipped when any of its tests skipped and
# none failed; otherwise each test of the binary is a ctest test of its own.
# LABEL_TESTS gives a label to the tests whose names match a regular expression only (pairs
# of label and expression), for labels such as "slow" and "oracle" that hold for some of
# an executable's tests and not for the others.
# WINDOWS builds the program for Windows too (cmake/TavimerWindowsBuild.cmake), where it runs
# under Wine, whole, as the ctest test NAME_windows with the labels windows and wine besides
# its own; the Windows build makes only such programs. POSIX_SOURCES are compiled for POSIX
# systems only, WINDOWS_SOURCES for Windows only.
function(tavimer_test name)
  cmake_parse_arguments(ARG "GUI;WHOLE;WINDOWS" "TIMEOUT"
    "SOURCES;POSIX_SOURCES;WINDOWS_SOURCES;LIBS;LABELS;LABEL_TESTS" ${ARGN})
  if(WIN32 AND NOT ARG_WINDOWS)
    return()
  endif()
  if(WIN32)
    list(APPEND ARG_SOURCES ${ARG_WINDOWS_SOURCES})
  else()
    list(APPEND ARG_SOURCES ${ARG_POSIX_SOURCES})
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  tavimer_test_paths(${name})
  tavimer_warnings(${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  if(WIN32)
    return()  # registered by the build for Linux, which runs it under Wine
  endif()
  if(ARG_WINDOWS AND TAVIMER_WINDOWS_TESTS)
    file(RELATIVE_PATH folder "${PROJECT_BINARY_DIR}" "${CMAKE_CURRENT_BINARY_DIR}")
    add_test(NAME ${name}_windows
      COMMAND sh ${TAVIMER_WINE_RUN} ${TAVIMER_WINE_PREFIX} "${TAVIMER_WINDOWS_BINARY_DIR}/${folder}/${name}.exe")
    set_tests_properties(${name}_windows PROPERTIES LABELS "${ARG_LABELS};windows;wine;slow" TIMEOUT ${ARG_TIMEOUT}
      SKIP_RETURN_CODE 77)
  endif()
  set(labels ${ARG_LABELS})
  set(env "")
  if(ARG_GUI)
    list(APPEND labels gui)
    set(env "QT_QPA_PLATFORM=offscreen")
  endif()
  if(ARG_WHOLE)
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/WholeBinaryMain.cpp)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS "${labels}" TIMEOUT ${ARG_TIMEOUT} SKIP_RETURN_CODE 77)
    if(env)
      set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}")
    endif()
    return()
  endif()
  gtest_discover_tests(${name}
    TEST_LIST ${name}_TESTS
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  # gtest_discover_tests splits a list-valued property ("texts;gui") into separate arguments,
  # so labels and environment are set by a script that ctest reads after the discovered tests.
  set(props "${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake")
  set(assign "LABELS [==[${labels}]==]")
  if(env)
    string(APPEND assign " ENVIRONMENT [==[${env}]==]")
  endif()
  set(script "if(${name}_TESTS)\n  set_tests_properties(\${${name}_TESTS} PROPERTIES ${assign})\n")
  list(LENGTH ARG_LABEL_TESTS count)
  if(count GREATER 0)
    string(APPEND script "  foreach(test IN LISTS ${name}_TESTS)\n    set(labels [==[${labels}]==])\n")
    math(EXPR last "${count} - 1")
    foreach(at RANGE 0 ${last} 2)
      math(EXPR next "${at} + 1")
      list(GET ARG_LABEL_TESTS ${at} label)
      list(GET ARG_LABEL_TESTS ${next} pattern)
      string(APPEND script "    if(test MATCHES [==[${pattern}]==])\n      list(APPEND labels ${label})\n    endif()\n")
    endforeach()
    string(APPEND script "    set_tests_properties(\"\${test}\" PROPERTIES LABELS \"\${labels}\")\n  endforeach()\n")
  endif()
  string(APPEND script "endif()\n")
  file(WRITE "${props}" "${script}")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${props}")
endfunction()
