# Helpers shared by every folder: warnings, sanitizers and test registration.

function(tavimer_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Werror)
endfunction()

if(TAVIMER_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# tavimer_library(NAME SOURCES ... [PUBLIC_LIBS ...])
function(tavimer_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC_LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS})
  tavimer_warnings(${name})
endfunction()

# tavimer_test(NAME LABELS label... SOURCES ... LIBS ... [GUI])
# Every test carries the label of its folder; GUI tests also carry "gui" and run offscreen.
function(tavimer_test name)
  cmake_parse_arguments(ARG "GUI" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE
    TAVIMER_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    TAVIMER_BINARY_DIR="${PROJECT_BINARY_DIR}"
    TAVIMER_FIXTURES_DIR="${TAVIMER_FIXTURES_DIR}")
  tavimer_warnings(${name})
  set(labels ${ARG_LABELS})
  set(env "")
  if(ARG_GUI)
    list(APPEND labels gui)
    set(env "QT_QPA_PLATFORM=offscreen")
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${labels}" ENVIRONMENT "${env}" TIMEOUT ${ARG_TIMEOUT})
endfunction()
