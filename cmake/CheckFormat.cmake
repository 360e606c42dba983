# Fails when clang-format, with the project's .clang-format, would change a C or C++ source
# of the repository. Run from the test tree: cmake -DDIR=<source dir> -DCLANG_FORMAT=<tool>.
execute_process(COMMAND git -C "${DIR}" ls-files -- "*.h" "*.c" "*.cpp"
                OUTPUT_VARIABLE listed RESULT_VARIABLE listed_status OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT listed_status EQUAL 0)
  message(FATAL_ERROR "cannot list the sources of ${DIR}")
endif()
string(REPLACE "\n" ";" sources "${listed}")
set(failures "")
foreach(f ${sources})
  if(NOT EXISTS "${DIR}/${f}")
    continue()  # deleted in the work tree, not yet committed
  endif()
  execute_process(COMMAND "${CLANG_FORMAT}" --dry-run --Werror "${DIR}/${f}"
                  WORKING_DIRECTORY "${DIR}" RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
  if(NOT status EQUAL 0)
    string(APPEND failures "\n  ${f}")
  endif()
endforeach()
if(failures)
  message(FATAL_ERROR "clang-format would change these files (run clang-format -i on them):${failures}")
endif()
list(LENGTH sources count)
message(STATUS "${count} sources are formatted as .clang-format says")
