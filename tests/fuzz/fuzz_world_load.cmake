# Seeds: tests/fuzz/corpus/fuzz_world_load/, small world files written by the
# library's own SaveWorld (a plain world, zones with a picture and bodies, a
# sleeping pile).
quorvel_fuzz(fuzz_world_load SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_world_load.cpp LIBS tangle)
