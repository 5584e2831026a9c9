#pragma once
// TZone: static scenery that masses collide with. A polygon or polyline in
// its own coordinates, placed by an offset, scaled per axis and rotated about
// its origin; its style says how it is solid. A quadtree of the shape rejects
// far masses before the exact edge search.

#include <string>
#include <typeinfo>
#include <vector>

#include "core/object.h"
#include "graphics/image.h"
#include "physics/quadtree.h"
#include "physics/zonebase.h"

namespace kel::tangle {

class TMass;

class TZone final : public TZoneBase {
  public:
    static constexpr int LINE = 0; ///< open polyline
    static constexpr int LOOP = 1; ///< closed outline
    static constexpr int FILL = 2; ///< solid polygon
    static constexpr int HOLE = 3; ///< polygon cut out of an infinite solid

    /// Decides what a contact does; (nx, ny) is the way the mass must move.
    /// Its result is ignored.
    using ResponseFunc = int (*)(TZone* zone, TMass* mass, float nx, float ny, float depth);

    std::string name;
    std::vector<float> origArea; ///< untransformed x, y pairs
    std::vector<float> area;     ///< scaled and rotated, never offset
    int style = LINE;
    float friction = 0;
    float offsetX = 0, offsetY = 0;
    float angle = 0; ///< degrees
    float scaleX = 1, scaleY = 1;
    float red = 1, green = 1, blue = 1;
    float alpha = 1;
    int blend = 1; ///< BLEND_MASK
    /// colGroup and link come from TZoneBase.
    ResponseFunc ColResponse = &ColDefault;
    bool MovesOnlyItsMass() const override { return !ColResponse || ColResponse == &ColDefault; }
    core::Ref<TQuadTree> quadTree; ///< shared by copies, replaced on rebuild
    int qtLevel = 0;
    core::Ref<draw2d::TImage> image;
    float imgScaleX = 1, imgScaleY = 1;

    TZone() = default;
    TZone(const TZone&) = delete;
    TZone& operator=(const TZone&) = delete;

    static bool IsKind(const core::Object* o) { return typeid(*o) == typeid(TZone); }

    /// Null for fewer than two vertices or an odd number of floats. The zone
    /// takes the array over and enters the world's zone list (when there is
    /// a world; without one it stays out of it, as after Free).
    static core::Ref<TZone> Create(std::vector<float> area, int style, float friction, int colGroup,
                                   int qtLevel);
    /// Null for a missing, foreign or damaged file; nothing half-read enters
    /// the world.
    static core::Ref<TZone> Load(const std::string& url);
    /// Returns 0. Writes through a temporary file, so a failed save leaves
    /// what was there before.
    virtual int Save(const std::string& url, int backup, int embedImage);
    /// Shares the tree and the image; enters the world with its own link.
    virtual core::Ref<TZone> Copy() const;

    virtual int SetName(const std::string& text);
    virtual std::string GetName() const { return name; }
    virtual int SetFriction(float f);
    virtual float GetFriction() const { return friction; }
    /// Rebuilds the tree, whose coverage depends on the style.
    virtual int SetStyle(int s);
    virtual int GetStyle() const { return style; }
    virtual int Position(float x, float y);
    virtual int Move(float dx, float dy);
    virtual float GetPositionX() const { return offsetX; }
    virtual float GetPositionY() const { return offsetY; }
    virtual float GetX() const { return offsetX; }
    virtual float GetY() const { return offsetY; }
    virtual int Rotate(float degrees);
    virtual int Turn(float degrees);
    virtual float GetRotation() const { return angle; }
    virtual int SetScale(float sx, float sy);
    virtual int GetScale(float& sx, float& sy) const;
    /// Channels 0 ... 255 (clamped), stored as 0 ... 1.
    virtual int SetColor(int r, int g, int b);
    virtual int GetColor(int& r, int& g, int& b) const;
    virtual int SetAlpha(float a);
    virtual float GetAlpha() const { return alpha; }
    virtual int SetBlend(int b);
    virtual int GetBlend() const { return blend; }

    /// Vertex operations work on untransformed coordinates, rebuild the tree,
    /// and never leave fewer than two vertices; a bad index does nothing.
    virtual int VertCount() const { return static_cast<int>((origArea.size() + 1) / 2); }
    virtual int VertAddLast(float x, float y);
    virtual int VertAddFirst(float x, float y);
    virtual int VertInsert(int index, float x, float y);
    virtual int VertRemoveLast();
    virtual int VertRemoveFirst();
    virtual int VertRemove(int index);
    virtual int VertPosition(int index, float x, float y);
    virtual int VertGetPosition(int index, float& x, float& y) const;
    /// 0 for an index outside the zone.
    virtual float VertGetX(int index) const;
    virtual float VertGetY(int index) const;

    virtual int CalcQuadTree(int level);
    virtual int GetQTLevel() const { return qtLevel; }
    virtual std::vector<float> GetArea() const { return area; }
    /// -1 takes a fresh automatic group.
    virtual int SetColGroup(int group);
    virtual int GetColGroup() const { return colGroup; }
    /// Leaves the world; a second Free does nothing.
    virtual int Free();
    virtual int ImageSet(draw2d::TImage* img);
    virtual draw2d::TImage* ImageGet() const { return image.Get(); }
    virtual int ImageSetScale(float sx, float sy);
    virtual int ImageGetScale(float& sx, float& sy) const;
    /// Through the world view; the drawing state is restored afterwards.
    virtual int Draw();
    virtual int DrawQuadTree(int fill);
    /// Null restores ColDefault.
    virtual int OverrideCollision(ResponseFunc fn);
    /// area from origArea, scale and angle.
    virtual int UpdateArea();
    /// Finds the contact of the mass's circle with the zone, calls the
    /// response and emits the event. Returns 0.
    int Collide(TMass* mass) override;

    /// Pushes the mass out along the normal and applies surface friction.
    static int ColDefault(TZone* zone, TMass* mass, float nx, float ny, float depth);

  private:
    /// The transformed position of an untransformed vertex.
    void Transform(float x, float y, float& tx, float& ty) const;
    void InsertVertex(int index, float x, float y);
    void RemoveVertex(int index);
    void EnterWorld();
    /// The root box of the zone's tree: the bounding box of area grown by one
    /// unit on every side. False without vertices.
    bool RootBox(float& x, float& y, float& w, float& h) const;
    /// What Save writes when the style covers nothing and there is no tree.
    core::Ref<TQuadTree> TreeToSave() const;
};

} // namespace kel::tangle
