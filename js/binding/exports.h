#pragma once
// TG_EXPORT keeps a function of the C interface in the WebAssembly module
// (and visible in the native build, whose scene program calls it).
#ifdef __EMSCRIPTEN__
#include <emscripten/emscripten.h>
#define TG_EXPORT EMSCRIPTEN_KEEPALIVE
#else
#define TG_EXPORT
#endif
