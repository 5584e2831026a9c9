# Seeds: tests/fuzz/corpus/fuzz_net_message/, streams of every kind of
# message as games and the relay send them, made by hand byte for byte
# (the first byte of each picks how the stream is cut).
quorvel_fuzz(fuzz_net_message SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_net_message.cpp LIBS quorvel_game)
