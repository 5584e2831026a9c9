#pragma once
// A recording drawing surface made current for the length of a physics test.

#include <gtest/gtest.h>

#include "graphics/draw2d.h"

namespace scene {

struct RecordingSurface {
    core::Ref<draw2d::TRecordingDriver> driver = core::Make<draw2d::TRecordingDriver>();
    RecordingSurface(int width, int height) {
        draw2d::SetGraphics(
            draw2d::AttachGraphics(draw2d::CreateRecordingSurface(width, height), driver));
        driver->Clear();
    }
    ~RecordingSurface() { draw2d::SetGraphics(nullptr); }
    const draw2d::TDrawRecord& Last() const { return driver->Records().back(); }
};

// The surface state a world drawing function must leave as it found it.
struct SurfaceState {
    float rotation, scaleX, scaleY, originX, originY, alpha;
    int red, green, blue, blend;
    static SurfaceState Read() {
        SurfaceState s;
        s.rotation = draw2d::GetRotation();
        draw2d::GetScale(s.scaleX, s.scaleY);
        draw2d::GetOrigin(s.originX, s.originY);
        s.alpha = draw2d::GetAlpha();
        draw2d::GetColor(s.red, s.green, s.blue);
        s.blend = draw2d::GetBlend();
        return s;
    }
    bool operator==(const SurfaceState&) const = default;
};

} // namespace scene
