#pragma once
// TRig: an image pinned to a mass and turned by a constraint (or by a fixed
// angle alone), drawn with its own scale, tint, alpha and blend mode.

#include <string>

#include "core/object.h"
#include "graphics/image.h"
#include "physics/constraint.h"
#include "physics/mass.h"

namespace kel::tangle {

class TRig : public core::Object {
  public:
    std::string name;
    core::Ref<draw2d::TImage> image;
    core::Ref<TMass> mass;
    core::Ref<TConstraint> con; ///< none: the image keeps the fixed angle
    float angle = 0;            ///< degrees, added to the constraint's direction
    float scaleX = 1, scaleY = 1;
    float red = 1, green = 1, blue = 1; ///< 0 ... 1
    float alpha = 1;                    ///< 0 ... 1
    int blend = 1;

    static core::Ref<TRig> Create(draw2d::TImage* image, TMass* mass, TConstraint* con,
                                  float angle);

    int SetName(const std::string& text);
    std::string GetName() const { return name; }
    int SetImage(draw2d::TImage* newImage);
    draw2d::TImage* GetImage() const { return image; }
    int SetMass(TMass* newMass);
    TMass* GetMass() const { return mass; }
    int SetConstraint(TConstraint* newCon);
    TConstraint* GetConstraint() const { return con; }
    int SetAngle(float degrees);
    float GetAngle() const { return angle; }
    int SetScale(float sx, float sy);
    int GetScale(float& sx, float& sy) const;
    /// 0 ... 255 each, clamped.
    int SetColor(int r, int g, int b);
    int GetColor(int& r, int& g, int& b) const;
    int SetAlpha(float a);
    float GetAlpha() const { return alpha; }
    int SetBlend(int mode);
    int GetBlend() const { return blend; }
    /// Frame 0 of the image at the mass, turned with the constraint, tinting
    /// the caller's colour and alpha; the surface is left as it was. A rig
    /// without image or mass draws nothing.
    int Draw() const;
};

} // namespace kel::tangle
