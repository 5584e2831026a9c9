// Frames per second of the OpenGL back end in an offscreen context: 10,000
// textured quads, and 10,000 lines, per frame. Needs an X display with GLX.
#include <benchmark/benchmark.h>

#include "graphics/draw2d_gl.h"

using namespace draw2d;

namespace {

constexpr int kPerFrame = 10000;
constexpr int kSize = 800;

// Sets up an offscreen context, or marks the benchmark as failed.
core::Ref<TGraphics> Context(benchmark::State& state) {
    auto surface = CreateOffscreenSurface(kSize, kSize);
    if (!surface) {
        state.SkipWithError("no offscreen OpenGL context");
        return nullptr;
    }
    auto graphics = AttachGraphics(surface);
    SetGraphics(graphics);
    SetBlend(BLEND_ALPHA);
    return graphics;
}

void TexturedQuads(benchmark::State& state) {
    auto graphics = Context(state);
    if (!graphics) return;
    auto pixmap = CreatePixmap(32, 32, PIXEL_RGBA);
    pixmap->ClearPixels(0x80ffc080);
    auto image = LoadImage(pixmap, IMAGE_FILTERED);
    MidHandleImage(image);
    for (auto _ : state) {
        Cls();
        for (int i = 0; i < kPerFrame; ++i) {
            SetRotation(float(i % 360));
            DrawImage(image, float(i * 7 % kSize), float(i * 13 % kSize));
        }
        Flip(0);
    }
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    SetGraphics(nullptr);
}
BENCHMARK(TexturedQuads)->Unit(benchmark::kMillisecond)->UseRealTime();

void Lines(benchmark::State& state) {
    auto graphics = Context(state);
    if (!graphics) return;
    for (auto _ : state) {
        Cls();
        for (int i = 0; i < kPerFrame; ++i) {
            const float x = float(i * 7 % kSize), y = float(i * 13 % kSize);
            DrawLine(x, y, x + 40, y + 25);
        }
        Flip(0);
    }
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    SetGraphics(nullptr);
}
BENCHMARK(Lines)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
