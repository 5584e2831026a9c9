#pragma once
// Soft-body scenes that the tests check and the benchmarks print: a wheel
// of jelly dropped flat on a floor, a hanging chain, a pressure blob under a
// weight. Each builds its own world and leaves it current.

namespace soft_scenes {

// A centre mass and a ring of 16 (spokes at stiffness 0.5, rim at 0.9,
// friction as given, 8 passes, grid 32), dropped flat from 400 units above
// a floor zone in a world 800 wide.
struct WheelDrop {
    bool clockwise = false; // the order the ring is built in
    float friction = 0.5f;  // of the masses
    int stacking = 0;
    bool mirrored = false; // the world mirrored left to right
    int steps = 600;
    float massRadius = 4;
    float floorFriction = 0.5f;
    // The ring's places from the cosine and sine of a float angle, as many
    // programs compute them: mirror images only to rounding.
    bool floatTrig = false;
    // The ring turned half a segment, so that it lands on the edge between
    // two masses instead of balancing on the one at the bottom.
    bool onEdge = false;
};

struct WheelResult {
    float touchX = 0; // the centre's x when the ring first touched the floor
    float endX = 0;   // the centre's x after the steps
    float turned = 0; // degrees the ring turned about its centroid, + counter-clockwise on screen
    float endY = 0;   // the centre's y after the steps
};

constexpr float kWheelWorldWidth = 800;

WheelResult DropWheel(const WheelDrop& drop);

// The k-th of a fixed set of wheel drops that vary what a program varies
// without meaning to: float or double trigonometry for the ring, the
// masses' radius (3 ... 6), the friction of the masses and of the floor (0,
// 0.5, 1) and the order the ring is built in; the stacking mode as given.
WheelDrop VariedWheel(int k, int stacking, bool onEdge = false);

// A chain of `links` compliant links between two frozen ends 400 apart,
// 1.1 times as long as the gap, settled for 3000 steps; the sag of its
// middle, world units. `stacking` 1 runs each step as 4 substeps.
float HangingChainSag(int passes, int stacking, float compliance, int links = 10);

// A ring of 24 masses with a pressure constraint and compliant rim links,
// dropped on the floor; then a heavy block is laid on it and taken away.
struct BlobResult {
    float settled = 0;   // area over rest area once settled on the floor
    float squeezed = 0;  // the same under the block
    float recovered = 0; // the same after the block is gone
};

BlobResult SqueezeBlob(int passes, int stacking);

} // namespace soft_scenes
