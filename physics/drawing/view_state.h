#pragma once
// Parts of the drawing surface's state saved on construction and put back on
// destruction, so a drawing function leaves the surface as it found it even
// when the drawing below it throws. Restoring happens in the reverse order of
// declaration.

#include "graphics/graphics.h"

namespace kel::tangle::surface_state {

struct Rotation {
    float degrees;
    static Rotation Read() { return {draw2d::GetRotation()}; }
    void Write() const { draw2d::SetRotation(degrees); }
};

struct Scale {
    float x, y;
    static Scale Read() {
        Scale s;
        draw2d::GetScale(s.x, s.y);
        return s;
    }
    void Write() const { draw2d::SetScale(x, y); }
};

struct Origin {
    float x, y;
    static Origin Read() {
        Origin o;
        draw2d::GetOrigin(o.x, o.y);
        return o;
    }
    void Write() const { draw2d::SetOrigin(x, y); }
};

struct Color {
    int red, green, blue;
    static Color Read() {
        Color c;
        draw2d::GetColor(c.red, c.green, c.blue);
        return c;
    }
    void Write() const { draw2d::SetColor(red, green, blue); }
};

struct Alpha {
    float value;
    static Alpha Read() { return {draw2d::GetAlpha()}; }
    void Write() const { draw2d::SetAlpha(value); }
};

struct Blend {
    int mode;
    static Blend Read() { return {draw2d::GetBlend()}; }
    void Write() const { draw2d::SetBlend(mode); }
};

template <class State> class Saved {
  public:
    Saved() : state_(State::Read()) {}
    ~Saved() { state_.Write(); }
    Saved(const Saved&) = delete;
    Saved& operator=(const Saved&) = delete;
    const State& operator*() const { return state_; }
    const State* operator->() const { return &state_; }

  private:
    State state_;
};

} // namespace kel::tangle::surface_state
