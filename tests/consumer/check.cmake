# Builds one small project against the installed package, as another project
# would, and runs its program.
#   BUILD_DIR    the build tree of this project, installed into WORK_DIR/prefix
#   PROJECT_DIR  the consumer project; PROGRAM its executable
#   WORK_DIR     scratch folder, emptied first; passed to the program
#   NO_DISPLAY   ON: the program runs with DISPLAY unset
#   FORBIDDEN    libraries (name stems, e.g. libX11) the program must not need
#   COMPONENTS   the libraries the build installs (core, draw2d, tangle, ...)
#   LIBDIR       the install's library folder, relative to the prefix
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(rc)
    message(FATAL_ERROR "${what} failed (${rc}):\n${out}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

run("installing" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix)
# The install clashes with no other package in a shared prefix: headers only
# under include/quorvel/, archives only as <libdir>/libquorvel_<component>.a,
# one for each library of the build, and the package's files only in
# <libdir>/cmake/Quorvel/, one export file for each library.
file(GLOB_RECURSE installed RELATIVE ${WORK_DIR}/prefix ${WORK_DIR}/prefix/*)
set(archives)
set(exports)
foreach(file IN LISTS installed)
  if(file MATCHES "^${LIBDIR}/libquorvel_([a-z0-9_]+)\\.a$")
    list(APPEND archives ${CMAKE_MATCH_1})
  elseif(file MATCHES "^${LIBDIR}/cmake/Quorvel/Quorvel_([a-z0-9_]+)Targets\\.cmake$")
    list(APPEND exports ${CMAKE_MATCH_1})
  elseif(NOT file MATCHES "^include/quorvel/[a-z0-9_/]+\\.h$"
         AND NOT file MATCHES "^${LIBDIR}/cmake/Quorvel/Quorvel[A-Za-z0-9_-]*\\.cmake$")
    message(FATAL_ERROR "installed outside the package's own places and names: ${file}")
  endif()
endforeach()
set(components ${COMPONENTS})
list(SORT components)
foreach(kind archives exports)
  list(SORT ${kind})
  if(NOT "${${kind}}" STREQUAL "${components}")
    message(FATAL_ERROR "installed ${kind} for \"${${kind}}\", expected one for each of \"${components}\"")
  endif()
endforeach()
# The installed headers are the interface alone: none of them is, or needs,
# an internal one (one in a folder of its library's folder).
file(GLOB_RECURSE installed_headers RELATIVE ${WORK_DIR}/prefix/include/quorvel
  ${WORK_DIR}/prefix/include/quorvel/*.h)
foreach(header IN LISTS installed_headers)
  file(READ ${WORK_DIR}/prefix/include/quorvel/${header} text)
  if(header MATCHES "^[a-z0-9_]+/[a-z0-9_]+/" OR
     text MATCHES "#include \"[a-z0-9_]+/[a-z0-9_]+/")
    message(FATAL_ERROR "internal header installed or included by an installed one: ${header}")
  endif()
endforeach()

run("configuring ${PROGRAM}" ${CMAKE_COMMAND} -S ${PROJECT_DIR} -B ${WORK_DIR}/build
  -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix)
run("building ${PROGRAM}" ${CMAKE_COMMAND} --build ${WORK_DIR}/build --target ${PROGRAM})

set(exe ${WORK_DIR}/build/${PROGRAM})
if(FORBIDDEN)
  run("reading the dynamic section of ${PROGRAM}" readelf -d ${exe})
  foreach(lib IN LISTS FORBIDDEN)
    if(last_output MATCHES "NEEDED[^\n]*\\[${lib}[.-]")
      message(FATAL_ERROR "${PROGRAM} needs ${lib}:\n${last_output}")
    endif()
  endforeach()
endif()

if(NO_DISPLAY)
  run("running ${PROGRAM} without a display" ${CMAKE_COMMAND} -E env --unset=DISPLAY ${exe} ${WORK_DIR})
else()
  run("running ${PROGRAM}" ${exe} ${WORK_DIR})
endif()
message(STATUS "${last_output}")
