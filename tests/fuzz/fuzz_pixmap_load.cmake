# Seeds: tests/fuzz/corpus/fuzz_pixmap_load/, written by tools/png_seeds
# (make_png_seeds). Memory limits: fuzz_pixmap_load.options.
quorvel_fuzz(fuzz_pixmap_load
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_pixmap_load.cpp
  LIBS quorvel_draw2d)
