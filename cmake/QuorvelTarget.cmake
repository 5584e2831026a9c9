# quorvel_library(<target> EXPORT_NAME <name> SOURCES ... HEADERS ... DEPS ...)
# One static library per subsystem, installed with its headers under the
# include root and exported as Quorvel::<name>.
function(quorvel_library target)
  cmake_parse_arguments(Q "" "EXPORT_NAME" "SOURCES;HEADERS;DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(${target} STATIC ${Q_SOURCES})
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  target_link_libraries(${target} PUBLIC ${Q_DEPS} PRIVATE ${Q_PRIVATE_DEPS})
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${Q_EXPORT_NAME})
  add_library(Quorvel::${Q_EXPORT_NAME} ALIAS ${target})
  file(RELATIVE_PATH dir ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  install(TARGETS ${target} EXPORT QuorvelTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(FILES ${Q_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${dir})
endfunction()
