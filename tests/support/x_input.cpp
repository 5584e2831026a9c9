#include "tests/support/x_input.h"

#include <chrono>
#include <thread>

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace testx {

XInput::XInput(const char* displayName) : display_(nullptr) {
    // A server busy with a burst of new clients answers "try again".
    for (int attempt = 0; !display_ && attempt < 40; ++attempt) {
        if ((display_ = XOpenDisplay(displayName))) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
}

XInput::~XInput() {
    if (display_) XCloseDisplay(display_);
}

Window XInput::FindViewable(const std::string& title) {
    Window root = DefaultRootWindow(display_), parent = 0, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (!XQueryTree(display_, root, &root, &parent, &children, &count)) return 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        char* name = nullptr;
        if (XFetchName(display_, children[i], &name) && name) {
            if (title == name && Viewable(children[i])) found = children[i];
            XFree(name);
        }
    }
    if (children) XFree(children);
    return found;
}

bool XInput::Viewable(Window window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display_, window, &attributes) &&
           attributes.map_state == IsViewable;
}

int XInput::WidestChildWidth(Window window) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    int widest = 0;
    if (!XQueryTree(display_, window, &root, &parent, &children, &count)) return 0;
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display_, children[i], &attributes) && attributes.width > widest)
            widest = attributes.width;
    }
    if (children) XFree(children);
    return widest;
}

void XInput::ClientOrigin(Window window, int& x, int& y) {
    Window child = 0;
    XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y, &child);
}

void XInput::MoveTo(int x, int y) {
    XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
    XSync(display_, False);
}

void XInput::Press(unsigned button) {
    XTestFakeButtonEvent(display_, button, True, CurrentTime);
    XSync(display_, False);
}

void XInput::Release(unsigned button) {
    XTestFakeButtonEvent(display_, button, False, CurrentTime);
    XSync(display_, False);
}

void XInput::Tap(unsigned long keysym) {
    const KeyCode code = XKeysymToKeycode(display_, keysym);
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    XSync(display_, False);
}

void XInput::Focus(Window window) {
    XSetInputFocus(display_, window, RevertToPointerRoot, CurrentTime);
    XSync(display_, False);
}

void XInput::Resize(Window window, int width, int height) {
    XResizeWindow(display_, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XSync(display_, False);
}

void XInput::RequestClose(Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, window, False, NoEventMask, &event);
    XSync(display_, False);
}

} // namespace testx
