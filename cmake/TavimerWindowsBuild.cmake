# The engine, jettool, the program tavimer-maint (with the terminal front end and the window
# front end program/CMakeLists.txt picks for Windows, no Qt) and the engine's tests as
# Windows programs: a second build of these
# CMake lists in windows-build/ of the build folder, cross-compiled with mingw-w64
# (cmake/MingwToolchain.cmake, at -O1, as a unity build, through the same compiler
# launcher), made by the normal build. The test programs that tavimer_test marks WINDOWS run
# under Wine as the ctest tests NAME_windows (labels windows and wine), in one Wine prefix of
# the build folder that the first of them makes (tests/support/wine_run.sh). Without mingw-w64 or GoogleTest's sources
# nothing is built and those tests skip, or fail under CI (CI=true).

# Sanitizers and fuzzing instrument the engine for this system only: no Windows build there.
set(windows_default ON)
if(TAVIMER_SANITIZE OR TAVIMER_FUZZ)
  set(windows_default OFF)
endif()
option(TAVIMER_WINDOWS_BUILD "Build the engine, jettool, tavimer-maint and the engine's tests for Windows too and test them under Wine"
  ${windows_default})

set(TAVIMER_WINDOWS_BINARY_DIR "${PROJECT_BINARY_DIR}/windows-build")
set(TAVIMER_WINE_PREFIX "${PROJECT_BINARY_DIR}/wine-prefix")
set(TAVIMER_WINE_RUN "${PROJECT_SOURCE_DIR}/tests/support/wine_run.sh")
set(TAVIMER_WINDOWS_TESTS OFF)

find_path(TAVIMER_GTEST_SOURCE_DIR googletest/src/gtest-all.cc PATHS /usr/src/googletest NO_DEFAULT_PATH)
find_path(TAVIMER_CLI11_INCLUDE_DIR CLI/CLI.hpp)
if(NOT TAVIMER_WINDOWS_BUILD)
  return()
endif()
set(TAVIMER_WINDOWS_TESTS ON)
if(NOT TAVIMER_MINGW_CXX OR NOT TAVIMER_GTEST_SOURCE_DIR OR NOT TAVIMER_CLI11_INCLUDE_DIR)
  message(STATUS "mingw-w64, GoogleTest's sources or CLI11 missing: no Windows build of the engine")
  return()
endif()

# CLI11 is header-only, but its folder holds this system's C headers too: the Windows build
# sees CLI/ alone, through a folder of its own.
set(cli11 "${PROJECT_BINARY_DIR}/windows-include")
file(MAKE_DIRECTORY "${cli11}")
file(CREATE_LINK "${TAVIMER_CLI11_INCLUDE_DIR}/CLI" "${cli11}/CLI" SYMBOLIC)

# The build inside runs as many jobs as there are cores; the build outside counts it as one.
cmake_host_system_information(RESULT cores QUERY NUMBER_OF_LOGICAL_CORES)
include(ExternalProject)
ExternalProject_Add(windows_build
  SOURCE_DIR "${PROJECT_SOURCE_DIR}"
  BINARY_DIR "${TAVIMER_WINDOWS_BINARY_DIR}"
  CMAKE_GENERATOR Ninja
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/MingwToolchain.cmake
    -DCMAKE_BUILD_TYPE=Release
    "-DCMAKE_C_FLAGS_RELEASE=-O1 -DNDEBUG"
    "-DCMAKE_CXX_FLAGS_RELEASE=-O1 -DNDEBUG"
    -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}
    -DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}
    # Many sources compiled as one: a third of the time on a cold cache.
    -DCMAKE_UNITY_BUILD=ON
    -DTAVIMER_GUI=OFF
    -DTAVIMER_ENGINE_ONLY=OFF
    -DTAVIMER_ORACLE_TESTS=OFF
    -DTAVIMER_FIXTURES_DIR=${TAVIMER_FIXTURES_DIR}
    -DTAVIMER_GTEST_SOURCE_DIR=${TAVIMER_GTEST_SOURCE_DIR}
    -DTAVIMER_CLI11_INCLUDE_DIR=${cli11}
    # The test programs see this machine's files through Wine's drive Z:.
    -DTAVIMER_HOST_DRIVE=Z:
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> -j ${cores}
  BUILD_ALWAYS TRUE
  INSTALL_COMMAND ""
  USES_TERMINAL_CONFIGURE TRUE
  USES_TERMINAL_BUILD TRUE)

# The zip for Windows users ships both (packaging/CMakeLists.txt).
set_property(GLOBAL APPEND PROPERTY TAVIMER_WINDOWS_PROGRAMS
  "tavimer-maint=${TAVIMER_WINDOWS_BINARY_DIR}/tavimer-maint.exe"
  "jettool=${TAVIMER_WINDOWS_BINARY_DIR}/tools/jettool.exe")
