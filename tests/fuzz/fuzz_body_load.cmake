quorvel_fuzz(fuzz_body_load
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_body_load.cpp
  LIBS tangle)
