#pragma once
// The template every sample scene follows: set up, step, draw, and an
// optional mouse. A scene builds its own world in SetUp and owns what it
// made; the testbed keeps one scene at a time and makes a fresh one to
// restart, so no scene needs to undo anything.

#include <functional>
#include <string>
#include <vector>

namespace samples {

// A press, move or release of the left button on the canvas, in world units
// (already through the view transform).
struct MouseAction {
    enum Kind { Press, Move, Release };
    Kind kind = Press;
    float x = 0, y = 0;
};

// A button a scene adds to the testbed's row while it is shown.
struct SceneOption {
    std::string label;
    std::function<void()> toggle;
    // For a button that switches something on and off: whether it is on now.
    // The button then reads "label: on" or "label: off". Empty for a plain
    // action, whose button reads the label alone.
    std::function<bool()> isOn;
};

// What an option's button reads now.
std::string OptionText(const SceneOption& option);

class Scene {
  public:
    virtual ~Scene() = default;

    // Creates the world and everything in it. Runs once, on a fresh scene.
    virtual void SetUp() = 0;
    // Advances the scene by one step; most scenes only step the world.
    virtual void Step();
    // Draws the scene through the world view, which the testbed has placed
    // (PlaceView) and cleared to the background.
    virtual void Draw() const;
    // Places the view on a canvas of w x h pixels: by default the whole
    // world, centred, with a few pixels to spare round its bounds.
    virtual void PlaceView(float width, float height);
    // The scene's own use of the mouse; false leaves it to the testbed,
    // which drags the nearest mass.
    virtual bool Mouse(const MouseAction& action) {
        (void)action;
        return false;
    }
    // What the scene promises after running on its own for a while (the
    // bridge holds, the cloth tears ...): empty when it holds, else why not.
    virtual std::string Check() const { return {}; }
    // Extra buttons while the scene is shown.
    virtual std::vector<SceneOption> Options() { return {}; }
};

} // namespace samples
