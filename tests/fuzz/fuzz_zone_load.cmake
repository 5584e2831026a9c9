quorvel_fuzz(fuzz_zone_load SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_zone_load.cpp LIBS tangle)
