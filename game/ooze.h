#pragma once
// TOoze: the gooey lattice. Its masses are drawn as blobs and its constraints
// as stretched strands; a click removes the blob nearest to it.

#include <vector>

#include "core/object.h"
#include "graphics/draw2d.h"
#include "physics/tangle.h"

namespace game {

class TOoze final : public core::Object {
  public:
    // Loads the blob, goo and marker pictures; `ab` stays none.
    TOoze();
    // A new ooze with its body loaded from media/ooze.tnb, active.
    static core::Ref<TOoze> Create();

    // Removes the blob nearest to world (x, y) if it is within reach, and
    // passes the turn. Returns 0.
    int Del(float x, float y);
    // Draws strands and blobs, marks the blob under the mouse and clears away
    // blobs without strands. Returns 0.
    int Draw();
    // Clears away blobs left without strands as Draw does, without drawing
    // (a game played through for its turns alone).
    void ClearStranded();

    core::Ref<kel::tangle::TAdvBody> ab;
    core::Ref<draw2d::TImage> blob, goo, imgDel;

  private:
    // Index of the mass nearest to (px, py) (lower index on ties) and its
    // squared distance, among those within reach (REACH_SQUARED); -1 and 1e6
    // when none is.
    int Nearest(float px, float py, float& bestD) const;
    // The squared distance from (px, py) to mass i.
    float SquaredDistance(float px, float py, int i) const;
    // Removes mass i, noting the blobs it leaves without strands.
    void RemoveBlob(int i);

    // Blobs left without strands by Del since Draw last cleared them away.
    std::vector<int> stranded_;
};

// A press reaches a blob within this squared distance (10 world units).
inline constexpr float REACH_SQUARED = 100;

} // namespace game
