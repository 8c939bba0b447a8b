# Run by ctest (layers.<library>): compiles one-line probes in the include context of a
# core library. A header of each folder it may use must compile; a header of any other
# folder of src/, and Qt, must fail as not found.
#   cmake -DCXX=<compiler> -DLIBRARY=<folder> -DCONTEXT=<file setting INCLUDE_DIRS,
#         ALLOWED, FORBIDDEN> -DSOURCE_DIR=<checkout> -DWORK_DIR=<scratch> -P check_layer.cmake
include(${CONTEXT})
file(MAKE_DIRECTORY ${WORK_DIR})
set(flags -std=c++20 -fsyntax-only)
foreach(dir IN LISTS INCLUDE_DIRS)
  list(APPEND flags -I${dir})
endforeach()

# Compiles a probe including `include` (spelled with its quotes or brackets); sets
# `rc` and `out` in the caller.
function(probe name include)
  set(file ${WORK_DIR}/${LIBRARY}_includes_${name}.cpp)
  file(WRITE ${file} "#include ${include}\n")
  execute_process(COMMAND ${CXX} ${flags} ${file}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  set(rc ${result} PARENT_SCOPE)
  set(out "${output}" PARENT_SCOPE)
endfunction()

function(some_header folder var)
  file(GLOB headers RELATIVE ${SOURCE_DIR}/src ${SOURCE_DIR}/src/${folder}/*.h)
  list(SORT headers)
  list(GET headers 0 first)
  set(${var} ${first} PARENT_SCOPE)
endfunction()

set(failed FALSE)
foreach(folder IN LISTS ALLOWED)
  some_header(${folder} header)
  probe(${folder} "\"${header}\"")
  if(rc EQUAL 0)
    message(STATUS "${LIBRARY} may include \"${header}\": compiles")
  else()
    message(SEND_ERROR "${LIBRARY} may include \"${header}\" but it does not compile:\n${out}")
    set(failed TRUE)
  endif()
endforeach()

set(probes "")
foreach(folder IN LISTS FORBIDDEN)
  some_header(${folder} header)
  list(APPEND probes "${folder}|\"${header}\"|${header}")
endforeach()
list(APPEND probes "Qt|<QString>|QString")
foreach(entry IN LISTS probes)
  string(REPLACE "|" ";" entry "${entry}")
  list(GET entry 0 name)
  list(GET entry 1 include)
  list(GET entry 2 header)
  probe(${name} "${include}")
  string(REGEX MATCH "[^\n]*${header}[^\n]*(No such file|not found)[^\n]*" error "${out}")
  if(NOT rc EQUAL 0 AND error)
    message(STATUS "${LIBRARY} must not include ${include}: ${error}")
  else()
    message(SEND_ERROR "${LIBRARY} must not include ${include}, yet it is found:\n${out}")
    set(failed TRUE)
  endif()
endforeach()

if(failed)
  message(FATAL_ERROR "the include rules of ${LIBRARY} do not hold")
endif()
