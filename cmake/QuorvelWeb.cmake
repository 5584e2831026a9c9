# The web build, configured by `emcmake cmake` (tools/web.sh does it): core,
# draw2d with the WebGL back end, kel.tangle, the GUI with the browser back
# end, the game and the samples, each program a page with its files packed
# beside it. No OpenGL, X11, FLTK, libpng or threads: none exists there.

# Exceptions are part of the libraries' contract (runtime errors are C++
# exceptions), so they are caught for real, with WebAssembly's own handling.
add_compile_options(-fwasm-exceptions)
add_link_options(-fwasm-exceptions)
# What Emscripten's C++ library still lacks of C++20, for the web build only.
add_compile_options(-include ${PROJECT_SOURCE_DIR}/web/cxx20_compat.h)

# Debian's libstb-dev: the PNG reader and writer of the web build.
find_path(STB_IMAGE_DIR stb_image.h PATHS /usr/include/stb NO_CMAKE_FIND_ROOT_PATH REQUIRED)

# quorvel_web_page(<target> SHELL <html> FILES <dir>@<mount> ...): links a
# program into <target>.html (+ .js, .wasm, .data) with its files packed.
function(quorvel_web_page target)
  cmake_parse_arguments(W "" "SHELL" "FILES" ${ARGN})
  set_target_properties(${target} PROPERTIES SUFFIX ".html")
  set(files)
  foreach(entry ${W_FILES})
    list(APPEND files "SHELL:--preload-file ${entry}")
  endforeach()
  target_link_options(${target} PRIVATE ${files}
    --shell-file ${W_SHELL}
    -sALLOW_MEMORY_GROWTH=1 -sMIN_WEBGL_VERSION=1 -sMAX_WEBGL_VERSION=1
    -sEXPORTED_RUNTIME_METHODS=ccall,cwrap -sENVIRONMENT=web
    # Debian's emscripten 3.1.6 fails calling htmlmin; the page is small anyway.
    -sMINIFY_HTML=0)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${W_SHELL})
endfunction()

add_subdirectory(core)
add_subdirectory(graphics)
add_subdirectory(physics)
add_subdirectory(gui)
add_subdirectory(game)
add_subdirectory(samples)
add_subdirectory(bench/web)
