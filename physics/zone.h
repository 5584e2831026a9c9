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
namespace detail {
struct TStepContext;
struct TZoneAccess;
} // namespace detail

/// Static scenery that masses collide with (see the file's notes). A zone enters the world when
/// created or loaded and stays until Free. Setters that change the shape (scale, rotation,
/// vertices, style) rebuild its quadtree. Setters that take numbers return -1 and change nothing
/// when one is not finite (NaN or an infinity).
class TZone final : public TZoneBase {
  public:
    static constexpr int LINE = 0; ///< open polyline
    static constexpr int LOOP = 1; ///< closed outline
    static constexpr int FILL = 2; ///< solid polygon
    static constexpr int HOLE = 3; ///< polygon cut out of an infinite solid

    /// Decides what a contact does; (nx, ny) is the way the mass must move.
    /// Its result is ignored.
    using ResponseFunc = int (*)(TZone* zone, TMass* mass, float nx, float ny, float depth);

    /// The name.
    std::string name;
    std::vector<float> origArea; ///< untransformed x, y pairs
    std::vector<float> area;     ///< scaled and rotated, never offset
    /// LINE, LOOP, FILL or HOLE.
    int style = LINE;
    /// Surface friction, joined with the mass's own at a contact.
    float friction = 0;
    ///@{
    /// Position of the zone's origin in the world.
    float offsetX = 0, offsetY = 0;
    ///@}
    float angle = 0; ///< degrees
    ///@{
    /// Scale along each axis.
    float scaleX = 1, scaleY = 1;
    ///@}
    ///@{
    /// Tint, 0 ... 1 each.
    float red = 1, green = 1, blue = 1;
    ///@}
    /// Alpha, 0 ... 1.
    float alpha = 1;
    int blend = 1; ///< BLEND_MASK
    // colGroup and link come from TZoneBase.

    /// What a contact does; ColDefault unless OverrideCollision replaced it.
    ResponseFunc ColResponse = &ColDefault;
    bool MovesOnlyItsMass() const override { return !ColResponse || ColResponse == &ColDefault; }
    core::Ref<TQuadTree> quadTree; ///< shared by copies, replaced on rebuild
    /// Depth the quadtree is built to.
    int qtLevel = 0;
    /// A picture drawn with the zone, or none.
    core::Ref<draw2d::TImage> image;
    ///@{
    /// Scale of the picture.
    float imgScaleX = 1, imgScaleY = 1;
    ///@}

    TZone() = default;
    TZone(const TZone&) = delete;
    TZone& operator=(const TZone&) = delete;

    /// Exact class test for list walks.
    static bool IsKind(const core::Object* o) { return typeid(*o) == typeid(TZone); }

    /// Null for fewer than two vertices, an odd number of floats, or a number
    /// (a coordinate, the friction) that is not finite. The zone
    /// takes the array over and enters the world's zone list (when there is
    /// a world; without one it stays out of it, as after Free).
    static core::Ref<TZone> Create(std::vector<float> area, int style, float friction, int colGroup,
                                   int qtLevel);
    /// Null for a missing, foreign or damaged file; nothing half-read enters
    /// the world.
    static core::Ref<TZone> Load(const std::string& url);
    /// 0 when written; -1 when not. Writes through a temporary file, so a
    /// failed save leaves what was there before.
    virtual int Save(const std::string& url, int backup, int embedImage);
    /// Shares the tree and the image; enters the world with its own link.
    virtual core::Ref<TZone> Copy() const;

    /// Sets the name. Returns 0.
    virtual int SetName(const std::string& text);
    /// The name.
    virtual std::string GetName() const { return name; }
    /// Sets the friction, clamped to 0 ... 1. Returns 0; -1 (nothing changed) for a value that is
    /// not finite.
    virtual int SetFriction(float f);
    /// The friction.
    virtual float GetFriction() const { return friction; }
    /// Rebuilds the tree, whose coverage depends on the style.
    virtual int SetStyle(int s);
    /// The style.
    virtual int GetStyle() const { return style; }
    /// Puts the zone's origin at (x, y). Returns 0; -1 (nothing changed) for a value that is not
    /// finite.
    virtual int Position(float x, float y);
    /// Moves the zone's origin by (dx, dy). Returns 0; -1 (nothing changed) for a value that is not
    /// finite.
    virtual int Move(float dx, float dy);
    /// X of the origin.
    virtual float GetPositionX() const { return offsetX; }
    /// Y of the origin.
    virtual float GetPositionY() const { return offsetY; }
    /// X of the origin.
    virtual float GetX() const { return offsetX; }
    /// Y of the origin.
    virtual float GetY() const { return offsetY; }
    /// Turns the zone to `degrees` about its origin. Returns 0; -1 (nothing changed) for a value
    /// that is not finite.
    virtual int Rotate(float degrees);
    /// Turns the zone by `degrees` more. Returns 0; -1 (nothing changed) for a value that is not
    /// finite.
    virtual int Turn(float degrees);
    /// The rotation, degrees.
    virtual float GetRotation() const { return angle; }
    /// Sets the scale along each axis. Returns 0; -1 (nothing changed) for a value that is not
    /// finite.
    virtual int SetScale(float sx, float sy);
    /// Writes the scale. Returns 0.
    virtual int GetScale(float& sx, float& sy) const;
    /// Channels 0 ... 255 (clamped), stored as 0 ... 1.
    virtual int SetColor(int r, int g, int b);
    /// Writes the tint, 0 ... 255 each. Returns 0.
    virtual int GetColor(int& r, int& g, int& b) const;
    /// Sets the alpha, 0 ... 1. Returns 0; -1 (nothing changed) for a value that is not finite.
    virtual int SetAlpha(float a);
    /// The alpha.
    virtual float GetAlpha() const { return alpha; }
    /// Sets the blend mode (BLEND_ constants). Returns 0.
    virtual int SetBlend(int b);
    /// The blend mode.
    virtual int GetBlend() const { return blend; }

    /// Vertex operations work on untransformed coordinates, rebuild the tree,
    /// and never leave fewer than two vertices; a bad index does nothing.
    virtual int VertCount() const { return static_cast<int>((origArea.size() + 1) / 2); }
    /// Adds a vertex at the end. Returns 0; -1 (nothing changed) for a value that is not finite.
    virtual int VertAddLast(float x, float y);
    /// Adds a vertex at the start. Returns 0; -1 (nothing changed) for a value that is not finite.
    virtual int VertAddFirst(float x, float y);
    /// Inserts a vertex before vertex `index`. Returns 0; -1 (nothing changed) for a value that is
    /// not finite.
    virtual int VertInsert(int index, float x, float y);
    /// Removes the last vertex. Returns 0.
    virtual int VertRemoveLast();
    /// Removes the first vertex. Returns 0.
    virtual int VertRemoveFirst();
    /// Removes vertex `index`. Returns 0.
    virtual int VertRemove(int index);
    /// Moves vertex `index` to (x, y). Returns 0; -1 (nothing changed) for a value that is not
    /// finite.
    virtual int VertPosition(int index, float x, float y);
    /// Writes vertex `index`. Returns 0.
    virtual int VertGetPosition(int index, float& x, float& y) const;
    /// 0 for an index outside the zone.
    virtual float VertGetX(int index) const;
    /// Y of vertex `index`.
    virtual float VertGetY(int index) const;

    /// Rebuilds the quadtree `level` levels deep (at most TQuadTree::MAX_LEVEL). Returns 0.
    virtual int CalcQuadTree(int level);
    /// The quadtree depth.
    virtual int GetQTLevel() const { return qtLevel; }
    /// The vertices scaled and rotated (not offset), x, y pairs.
    virtual std::vector<float> GetArea() const { return area; }
    /// -1 takes a fresh automatic group.
    virtual int SetColGroup(int group);
    /// The collision group.
    virtual int GetColGroup() const { return colGroup; }
    /// Leaves the world; a second Free does nothing.
    virtual int Free();
    /// Sets the picture (none: no picture). Returns 0.
    virtual int ImageSet(draw2d::TImage* img);
    /// The picture, or null.
    virtual draw2d::TImage* ImageGet() const { return image.Get(); }
    /// Sets the picture's scale. Returns 0; -1 (nothing changed) for a value that is not finite.
    virtual int ImageSetScale(float sx, float sy);
    /// Writes the picture's scale. Returns 0.
    virtual int ImageGetScale(float& sx, float& sy) const;
    /// Through the world view; the drawing state is restored afterwards.
    virtual int Draw();
    /// Draws the quadtree's covered leaves through the world view: filled boxes (fill 1), or
    /// outlines with a cross (fill 0). Returns 0.
    virtual int DrawQuadTree(int fill);
    /// Null restores ColDefault.
    virtual int OverrideCollision(ResponseFunc fn);
    /// area from origArea, scale and angle.
    virtual int UpdateArea();
    /// Finds the contact of the mass's circle with the zone, calls the
    /// response and emits the event. Returns 0.
    int Collide(TMass* mass) override;
    /// Where the swept disc first touches the zone's matter (its edges, or for
    /// FILL and HOLE the solid they bound), unless it starts inside it.
    TSweepFound FirstTouch(const TSweptDisc& path, TTouch& touch) const override;
    /// The contact at `touch` of a mass swept along `path` to its end: the
    /// response gets the depth that takes the mass back to touching along
    /// the normal, so the default one stops it there and lets it slide.
    int CollideSwept(TMass* mass, const TSweptDisc& path, const TTouch& touch) override;

    /// Pushes the mass out along the normal and applies surface friction.
    static int ColDefault(TZone* zone, TMass* mass, float nx, float ny, float depth);

  private:
    friend struct detail::TZoneAccess;
    // Collide and CollideSwept for a step, whose context says where the
    // contact is reported (a task's log, or the stepping world's queue).
    int CollideIn(const detail::TStepContext& step, TMass* mass);
    int CollideSweptIn(const detail::TStepContext& step, TMass* mass, const TSweptDisc& path,
                       const TTouch& touch);
    /// Calls the response and emits the event of a contact at (x, y).
    void Respond(const detail::TStepContext& step, TMass* mass, float nx, float ny, float depth,
                 float x, float y);
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

inline bool TZoneBase::IsKind(const core::Object* o) {
    return typeid(*o) == typeid(TZone) || dynamic_cast<const TZoneBase*>(o) != nullptr;
}

} // namespace kel::tangle
