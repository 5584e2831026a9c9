#include "physics/rig.h"

#include <algorithm>

#include "physics/zones/degmath.h"
#include "physics/step/finite.h"
#include "physics/drawing/view_state.h"
#include "physics/world.h"

namespace kel::tangle {

namespace {

float ColorFactor(int value) { return static_cast<float>(std::clamp(value, 0, 255)) / 255.0f; }

// Factor back to 0 ... 255, truncated; every value 0 ... 255 set through
// ColorFactor reads back unchanged.
int ColorValue(float factor) { return TruncToInt(factor * 255.0f); }

} // namespace

core::Ref<TRig> TRig::Create(draw2d::TImage* image, TMass* mass, TConstraint* con, float angle) {
    if (!detail::AllFinite(angle)) return nullptr;
    core::Ref<TRig> rig = core::Make<TRig>();
    rig->name = "Rig";
    rig->image = image;
    rig->mass = mass;
    rig->con = con;
    rig->angle = angle;
    return rig;
}

int TRig::SetName(const std::string& text) {
    name = text;
    return 0;
}

int TRig::SetImage(draw2d::TImage* newImage) {
    image = newImage;
    return 0;
}

int TRig::SetMass(TMass* newMass) {
    mass = newMass;
    return 0;
}

int TRig::SetConstraint(TConstraint* newCon) {
    con = newCon;
    return 0;
}

int TRig::SetAngle(float degrees) {
    if (!detail::AllFinite(degrees)) return -1;
    angle = degrees;
    return 0;
}

int TRig::SetScale(float sx, float sy) {
    if (!detail::AllFinite(sx, sy)) return -1;
    scaleX = sx;
    scaleY = sy;
    return 0;
}

int TRig::GetScale(float& sx, float& sy) const {
    sx = scaleX;
    sy = scaleY;
    return 0;
}

int TRig::SetColor(int r, int g, int b) {
    red = ColorFactor(r);
    green = ColorFactor(g);
    blue = ColorFactor(b);
    return 0;
}

int TRig::GetColor(int& r, int& g, int& b) const {
    r = ColorValue(red);
    g = ColorValue(green);
    b = ColorValue(blue);
    return 0;
}

int TRig::SetAlpha(float a) {
    if (!detail::AllFinite(a)) return -1;
    alpha = Clamp01(a);
    return 0;
}

int TRig::SetBlend(int mode) {
    blend = mode;
    return 0;
}

int TRig::Draw() const {
    if (!image || !mass || !draw2d::GetGraphics()) return 0;
    using namespace surface_state;
    // Put back in the order blend, colour, alpha, scale, rotation.
    Saved<Rotation> rotation;
    Saved<Scale> scale;
    Saved<Alpha> alphaWas;
    Saved<Color> color;
    Saved<Blend> blendWas;
    draw2d::SetBlend(blend);
    draw2d::SetRotation(con ? con->GetAngle() + angle : angle);
    draw2d::SetColor(TruncToInt(static_cast<float>(color->red) * red),
                     TruncToInt(static_cast<float>(color->green) * green),
                     TruncToInt(static_cast<float>(color->blue) * blue));
    draw2d::SetAlpha(alphaWas->value * alpha);
    draw2d::SetScale(scaleX, scaleY);
    TPhysics::DrawImage(image, mass->posX, mass->posY, 0);
    return 0;
}

} // namespace kel::tangle
