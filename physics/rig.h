#pragma once
// TRig: an image pinned to a mass and turned by a constraint (or by a fixed
// angle alone), drawn with its own scale, tint, alpha and blend mode.

#include <string>

#include "core/object.h"
#include "graphics/image.h"
#include "physics/constraint.h"
#include "physics/mass.h"

namespace kel::tangle {

/// A picture pinned to a mass, turned by a constraint's direction (or by a fixed angle alone),
/// drawn with its own scale, tint, alpha and blend.
class TRig : public core::Object {
  public:
    /// The name.
    std::string name;
    /// The picture; none draws nothing.
    core::Ref<draw2d::TImage> image;
    /// The mass the picture's handle is pinned to; none draws nothing.
    core::Ref<TMass> mass;
    core::Ref<TConstraint> con; ///< none: the image keeps the fixed angle
    float angle = 0;            ///< degrees, added to the constraint's direction
    ///@{
    /// Scale of the picture.
    float scaleX = 1, scaleY = 1;
    ///@}
    ///@{
    /// Tint, 0 ... 1 each.
    float red = 1, green = 1, blue = 1; ///< 0 ... 1
    ///@}
    float alpha = 1;                    ///< 0 ... 1
    /// Blend mode (BLEND_ constants).
    int blend = 1;

    /// A rig drawing `image` at `mass`, turned by `con` (may be none) plus `angle` degrees; white,
    /// opaque, scale 1, blend 1. None for an angle that is not finite.
    static core::Ref<TRig> Create(draw2d::TImage* image, TMass* mass, TConstraint* con,
                                  float angle);

    /// Sets the name. Returns 0.
    int SetName(const std::string& text);
    /// The name.
    std::string GetName() const { return name; }
    /// Sets the picture. Returns 0.
    int SetImage(draw2d::TImage* newImage);
    /// The picture.
    draw2d::TImage* GetImage() const { return image; }
    /// Sets the mass. Returns 0.
    int SetMass(TMass* newMass);
    /// The mass.
    TMass* GetMass() const { return mass; }
    /// Sets the constraint that turns the picture (none: the fixed angle alone). Returns 0.
    int SetConstraint(TConstraint* newCon);
    /// The constraint.
    TConstraint* GetConstraint() const { return con; }
    /// Sets the fixed angle, degrees. Returns 0; -1 (nothing changed) for a value that is not
    /// finite.
    int SetAngle(float degrees);
    /// The fixed angle, degrees.
    float GetAngle() const { return angle; }
    /// Sets the scale. Returns 0; -1 (nothing changed) for a value that is not finite.
    int SetScale(float sx, float sy);
    /// Writes the scale. Returns 0.
    int GetScale(float& sx, float& sy) const;
    /// 0 ... 255 each, clamped.
    int SetColor(int r, int g, int b);
    /// Writes the tint, 0 ... 255 each. Returns 0.
    int GetColor(int& r, int& g, int& b) const;
    /// Sets the alpha, clamped to 0 ... 1. Returns 0; -1 (nothing changed) for a value that is
    /// not finite.
    int SetAlpha(float a);
    /// The alpha.
    float GetAlpha() const { return alpha; }
    /// Sets the blend mode. Returns 0.
    int SetBlend(int mode);
    /// The blend mode.
    int GetBlend() const { return blend; }
    /// Frame 0 of the image at the mass, turned with the constraint, tinting
    /// the caller's colour and alpha; the surface is left as it was. A rig
    /// without image or mass draws nothing.
    int Draw() const;
};

} // namespace kel::tangle
