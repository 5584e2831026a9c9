// media_mockup <out.png>: draws a mock scene of the game with its pictures
// through the real OpenGL back end (offscreen; needs an X display), at the
// game's scales, to judge how the pictures work together. Three views side
// by side: the top of the world, the middle under the title, the bottom.

#include <cmath>
#include <iostream>
#include <numbers>

#include "game/barrel_places.h"
#include "graphics/draw2d_gl.h"
#include "tools/media/pictures.h"

using namespace draw2d;

namespace {

constexpr int kViewW = 400, kViewH = 560;
constexpr float kZoom = kViewW / 1000.0f;

struct Scene {
    core::Ref<TImage> fire, up, down, logo, title, blob, goo, del, rock, barrel;
    std::vector<float> blobs; // x, y pairs
    std::vector<int> links;   // index pairs into blobs
};

core::Ref<TImage> Picture(core::Ref<TPixmap> pixmap) { return LoadImage(pixmap, 6); }

// Screen position of a world point for a view centred on (500, viewY).
float ScreenX(float wx) { return (wx - 500) * kZoom + kViewW * 0.5f; }
float ScreenY(float wy, float viewY) { return (wy - viewY) * kZoom + kViewH * 0.5f; }

void WorldImage(TImage* image, float wx, float wy, float viewY, float scale, int frame = 0,
                float scaleY = -1) {
    SetScale(scale * kZoom, (scaleY < 0 ? scale : scaleY) * kZoom);
    DrawImage(image, ScreenX(wx), ScreenY(wy, viewY), frame);
}

Scene MakeScene() {
    Scene s;
    s.fire = LoadAnimImage(media::PaintFire(), 50, 100, 0, 10, 6);
    SetImageHandle(s.fire, 25, 99);
    s.up = Picture(media::PaintArrow(media::ArrowDirection::Up));
    s.down = Picture(media::PaintArrow(media::ArrowDirection::Down));
    s.logo = Picture(media::PaintLogo());
    s.title = Picture(media::PaintTitle());
    MidHandleImage(s.title);
    s.blob = Picture(media::PaintBlob());
    MidHandleImage(s.blob);
    s.goo = Picture(media::PaintGoo());
    SetImageHandle(s.goo, 0, 16);
    s.del = Picture(media::PaintDel());
    MidHandleImage(s.del);
    // A lumpy rock about 300 x 260 units around its position.
    std::vector<float> poly;
    for (int i = 0; i < 18; ++i) {
        const float a = i * 2 * std::numbers::pi_v<float> / 18;
        const float r = 1 + 0.08f * std::sin(i * 2.3f) + 0.05f * std::cos(i * 5.1f);
        poly.push_back(150 + 140 * r * std::cos(a));
        poly.push_back(130 + 118 * r * std::sin(a));
    }
    s.rock = Picture(media::PaintRock(poly, 300, 260, 7));
    MidHandleImage(s.rock);
    s.barrel = Picture(media::PaintBarrel(44, 56));
    MidHandleImage(s.barrel);
    // A sagging lattice of blobs between the rocks.
    const int cols = 20, rows = 26;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            const float sag = 30 * std::sin(std::numbers::pi_v<float> * c / (cols - 1));
            s.blobs.push_back(120 + c * 40 + (r % 2) * 10);
            s.blobs.push_back(70 + r * 58 + sag);
        }
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            const int i = r * cols + c;
            if (c + 1 < cols) s.links.insert(s.links.end(), {i, i + 1});
            if (r + 1 < rows) s.links.insert(s.links.end(), {i, i + cols});
        }
    return s;
}

void DrawView(const Scene& s, float viewY, bool title, int frameSeed) {
    SetViewport(0, 0, kViewW, kViewH);
    SetBlend(BLEND_ALPHA);
    SetClsColor(127, 127, 255);
    Cls();
    SetAlpha(1);
    SetColor(255, 255, 255);
    for (float x : {0.0f, 1000.0f})
        for (float y : {500.0f, 1500.0f}) WorldImage(s.rock, x, y, viewY, 1);
    if (!title)
        for (const auto& b : game::BARREL_PLACES) WorldImage(s.barrel, b.x, b.y, viewY, 1);
    if (!title) {
        for (std::size_t k = 0; k < s.links.size(); k += 2) {
            const float ax = s.blobs[2 * s.links[k]], ay = s.blobs[2 * s.links[k] + 1];
            const float bx = s.blobs[2 * s.links[k + 1]], by = s.blobs[2 * s.links[k + 1] + 1];
            SetRotation(std::atan2(by - ay, bx - ax) * 180 / std::numbers::pi_v<float>);
            WorldImage(s.goo, ax, ay, viewY, std::hypot(bx - ax, by - ay) / 100, 0, 1);
        }
        SetRotation(0);
        for (std::size_t i = 0; i < s.blobs.size(); i += 2)
            WorldImage(s.blob, s.blobs[i], s.blobs[i + 1], viewY, 1);
        WorldImage(s.del, s.blobs[2 * 65], s.blobs[2 * 65 + 1], viewY, 1);
    }
    SetBlend(BLEND_ADD);
    for (int i = 0; i <= 40; ++i)
        WorldImage(s.fire, i * 25.0f, 2000, viewY, 3, (i * 7 + frameSeed) % 10);
    SetScale(1, 1);
    SetBlend(BLEND_ALPHA);
    SetAlpha(0.75f);
    DrawImage(s.up, kViewW * 0.5f - 16, 0);
    DrawImage(s.down, kViewW * 0.5f - 16, kViewH - 32);
    SetAlpha(1);
    WorldImage(s.logo, 910, 1930, viewY, 0.5f);
    if (title) WorldImage(s.title, 500, viewY, viewY, 2);
    SetScale(1, 1);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: media_mockup out.png\n";
        return 2;
    }
    core::Ref<TSurface> surface = CreateOffscreenSurface(kViewW * 3, kViewH);
    if (!surface) {
        std::cerr << "media_mockup: no OpenGL display\n";
        return 1;
    }
    core::Ref<TGraphics> graphics = AttachGraphics(surface);
    SetGraphics(graphics);
    const Scene scene = MakeScene();
    core::Ref<TPixmap> out = CreatePixmap(kViewW * 3, kViewH, PIXEL_RGBA);
    const float views[] = {kViewH * 0.5f / kZoom, 1000, 2000 - kViewH * 0.5f / kZoom};
    for (int i = 0; i < 3; ++i) {
        DrawView(scene, views[i], i == 1, i);
        out->Paste(GrabPixmap(0, 0, kViewW, kViewH), kViewW * i, 0);
    }
    SetGraphics(nullptr);
    return SavePixmapPNG(out, argv[1], 6) ? 0 : 1;
}
