# The warning flags of every library, program, test and benchmark, defined
# once. QUORVEL_WERROR turns them into errors.
add_library(quorvel_warnings INTERFACE)
target_compile_options(quorvel_warnings INTERFACE -Wall -Wextra
  $<$<BOOL:${QUORVEL_WERROR}>:-Werror>)

# quorvel_library(<target> EXPORT_NAME <name> SOURCES ... HEADERS ... DEPS ... PRIVATE_DEPS ...)
# One static library, exported as Quorvel::<name> in an export set of its own
# (so that the package loads only the components asked for). HEADERS are its
# interface, installed under include/quorvel/<folder>/; headers not listed
# (detail/) stay private. The archive is libquorvel_<name>.a whatever the
# target is called, and the headers sit in a folder of our own, so that an
# install into a shared prefix clashes with no other package's core/ or
# libtangle.a.
function(quorvel_library target)
  cmake_parse_arguments(Q "" "EXPORT_NAME" "SOURCES;HEADERS;DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(${target} STATIC ${Q_SOURCES})
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
    $<INSTALL_INTERFACE:${QUORVEL_INCLUDE_DIR}>)
  target_link_libraries(${target} PUBLIC ${Q_DEPS}
    PRIVATE ${Q_PRIVATE_DEPS} $<BUILD_INTERFACE:quorvel_warnings>)
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${Q_EXPORT_NAME}
    OUTPUT_NAME quorvel_${Q_EXPORT_NAME})
  add_library(Quorvel::${Q_EXPORT_NAME} ALIAS ${target})
  install(TARGETS ${target} EXPORT Quorvel_${Q_EXPORT_NAME} ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(EXPORT Quorvel_${Q_EXPORT_NAME} NAMESPACE Quorvel::
    FILE Quorvel_${Q_EXPORT_NAME}Targets.cmake DESTINATION ${QUORVEL_CMAKE_DIR})
  file(RELATIVE_PATH dir ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  install(FILES ${Q_HEADERS} DESTINATION ${QUORVEL_INCLUDE_DIR}/${dir})
  # The API reference (docs/) covers exactly the installed headers.
  list(TRANSFORM Q_HEADERS PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
  set_property(GLOBAL APPEND PROPERTY QUORVEL_PUBLIC_HEADERS ${Q_HEADERS})
  set_property(GLOBAL APPEND PROPERTY QUORVEL_COMPONENTS ${Q_EXPORT_NAME})
endfunction()

# quorvel_program(<target> SOURCES ... LIBS ...): an executable of the tree
# (tools, samples); tests and benchmarks have helpers of their own.
function(quorvel_program target)
  cmake_parse_arguments(P "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${target} ${P_SOURCES})
  target_link_libraries(${target} PRIVATE ${P_LIBS} quorvel_warnings)
endfunction()
