# Seeds: tests/fuzz/corpus/fuzz_recording_parse/, recordings as the game
# writes them (clicks, New Games, repaints, an end line or none).
quorvel_fuzz(fuzz_recording_parse SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_recording_parse.cpp LIBS quorvel_game)
