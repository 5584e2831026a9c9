#pragma once
// Drives the test's X server like a user would: finds windows by title,
// moves and clicks the pointer through XTest, resizes and asks to close.

#include <string>

#include <X11/Xlib.h>

namespace testx {

class XInput {
  public:
    // Connects to the named display, or to $DISPLAY when none is named.
    explicit XInput(const char* displayName = nullptr);
    ~XInput();
    XInput(const XInput&) = delete;
    XInput& operator=(const XInput&) = delete;

    bool Connected() const { return display_ != nullptr; }
    Display* display() const { return display_; }
    // A viewable top-level window with this title, or 0.
    Window FindViewable(const std::string& title);
    // Screen position of a window's client-area origin.
    void ClientOrigin(Window window, int& x, int& y);
    void MoveTo(int x, int y);
    void Press(unsigned button);
    void Release(unsigned button);
    // Presses and releases the key of an X keysym.
    void Tap(unsigned long keysym);
    // Gives a window the keyboard focus, as activating it would.
    void Focus(Window window);
    // What a window manager does when the user drags the frame.
    void Resize(Window window, int width, int height);
    // What the close box does: WM_DELETE_WINDOW.
    void RequestClose(Window window);
    bool Viewable(Window window);
    // Width of the widest child window (an OpenGL canvas is one), 0 if none.
    int WidestChildWidth(Window window);

  private:
    Display* display_;
};

} // namespace testx
