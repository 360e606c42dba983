# Fails when a source under DIR includes a Qt header: the engine must stay plain C++.
file(GLOB_RECURSE sources "${DIR}/*.h" "${DIR}/*.cpp" "${DIR}/*.hpp" "${DIR}/*.cc")
foreach(f ${sources})
  file(STRINGS "${f}" hits REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]+|Qt[A-Za-z]*/)")
  if(hits)
    message(FATAL_ERROR "Qt header included in ${f}: ${hits}")
  endif()
endforeach()
message(STATUS "no Qt header under ${DIR}")
