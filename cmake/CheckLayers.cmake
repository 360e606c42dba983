# Fails when a source includes a header of a layer above its own. Run from the test tree:
#   cmake -DDIR=<folder> ["-DLAYERS=<layer>;<layer>;..." [-DPREFIX=<include prefix>]] -P CheckLayers.cmake
# Without LAYERS, DIR is the engine (jet/) and the layers are its folders.
# The layers are folders below DIR, bottom up; a source belongs to the layer of its first
# folder below DIR (so a per-OS folder such as host/posix/ is part of host) and may include
# its own layer and those below it only. An include is "PREFIX<layer>/...": with a PREFIX
# (the engine's "jet/"), every source below DIR must lie in a layer and every include with
# that prefix must name one; without one, only the layer folders are looked at and includes
# of other folders (tests/, gtest/) are not layers.
if(NOT DEFINED LAYERS)
  # The engine's layers, bottom up.
  set(LAYERS base io format read write edit check compact repair)
  set(PREFIX "jet/")
endif()
set(failures "")
if(PREFIX)
  file(GLOB_RECURSE sources RELATIVE "${DIR}" "${DIR}/*.h" "${DIR}/*.cpp" "${DIR}/*.c")
else()
  set(sources "")
  foreach(layer ${LAYERS})
    file(GLOB_RECURSE found RELATIVE "${DIR}" "${DIR}/${layer}/*.h" "${DIR}/${layer}/*.cpp" "${DIR}/${layer}/*.c")
    list(APPEND sources ${found})
  endforeach()
endif()
foreach(f ${sources})
  string(REGEX MATCH "^[a-z]+" folder "${f}")
  list(FIND LAYERS "${folder}" level)
  if(level EQUAL -1 OR NOT f MATCHES "/")
    string(APPEND failures "\n  ${f}: not in a layer folder")
    continue()
  endif()
  file(STRINGS "${DIR}/${f}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"${PREFIX}[a-z]+/")
  foreach(line ${includes})
    string(REGEX MATCH "\"${PREFIX}([a-z]+)/" match "${line}")
    list(FIND LAYERS "${CMAKE_MATCH_1}" used)
    if((used EQUAL -1 AND PREFIX) OR used GREATER level)
      string(APPEND failures "\n  ${f}: ${line}")
    endif()
  endforeach()
endforeach()
if(failures)
  message(FATAL_ERROR "includes that run up the layers (${LAYERS}):${failures}")
endif()
list(LENGTH sources count)
message(STATUS "every include of the ${count} sources under ${DIR} points down its layers")
