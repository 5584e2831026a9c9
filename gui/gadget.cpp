#include "gui/gadget.h"

#include <algorithm>
#include <climits>

#include "graphics/pointer.h"
#include "gui/event.h"
#include "gui/detail/layout.h"
#include "gui/system_driver.h"

namespace gui {
namespace {

TGadget* focused = nullptr;
TGadget* mouseGadget = nullptr;

int ButtonBit(int button) {
    switch (button) {
    case 1:
        return 1;
    case 2:
        return 2;
    case 3:
        return 4;
    default:
        return 0;
    }
}

// The button a move reports: right before middle before left.
int MoveButton(int held) {
    if (held & 2) return 2;
    if (held & 4) return 4;
    return held & 1;
}

} // namespace

TGadget* FocusedGadget() { return focused; }
int LastMouseX() { return draw2d::PointerX(); }
int LastMouseY() { return draw2d::PointerY(); }
TGadget* LastMouseGadget() { return mouseGadget; }

TGadget::TGadget(int gadgetClass)
    : kids(core::CreateList()), gadgetClass_(gadgetClass), lastMoveX_(INT_MIN),
      lastMoveY_(INT_MIN) {}

TGadget::~TGadget() {
    if (focused == this) focused = nullptr;
    if (mouseGadget == this) mouseGadget = nullptr;
    // Kids held elsewhere outlive their parent: they must not point at it.
    for (TGadget* kid : kids->Each<TGadget>()) {
        kid->parent = nullptr;
        kid->link_ = nullptr;
    }
}

void TGadget::StoreRect(int x, int y, int w, int h) {
    xpos = x;
    ypos = y;
    width = std::max(w, 0);
    height = std::max(h, 0);
}

void TGadget::SetShape(int x, int y, int w, int h) {
    if (IsWindow()) {
        ReportWindowShape(x, y, w, h);
        return;
    }
    const bool resized = std::max(w, 0) != width || std::max(h, 0) != height;
    StoreRect(x, y, w, h);
    NativeShape();
    if (resized) LayoutKids();
}

void TGadget::SetLayout(int left, int right, int top, int bottom) {
    lockl = left;
    lockr = right;
    lockt = top;
    lockb = bottom;
    lockx = xpos;
    locky = ypos;
    lockw = width;
    lockh = height;
    lockcw = parent ? std::max(parent->ClientWidth(), 1) : 1;
    lockch = parent ? std::max(parent->ClientHeight(), 1) : 1;
    layoutSet = true;
}

void TGadget::LayoutKids() {
    const int w = ClientWidth(), h = ClientHeight();
    for (TGadget* kid : kids->Each<TGadget>())
        if (kid->layoutSet && !kid->IsWindow()) kid->DoLayout(w, h);
}

void TGadget::DoLayout(int w, int h) {
    const Span sx = LayoutAxis(lockl, lockr, lockx, lockw, lockcw, w);
    const Span sy = LayoutAxis(lockt, lockb, locky, lockh, lockch, h);
    SetShape(sx.start, sy.start, sx.end - sx.start, sy.end - sy.start);
}

void TGadget::TakeFocus() {
    focused = this;
    NativeFocus();
}

void TGadget::Activate(int command) {
    if (freed_) return;
    switch (command) {
    case ACTIVATE_FOCUS:
        if (IsWindow()) {
            for (TGadget* kid : kids->Each<TGadget>()) {
                if (kid->TakesFocus() && kid->visible) {
                    kid->TakeFocus();
                    return;
                }
            }
        }
        TakeFocus();
        break;
    case ACTIVATE_REDRAW: {
        core::Ref<TGadget> keep(this); // a paint hook may free gadgets
        NativeRedraw();
        if (gadgetClass_ == GADGET_CANVAS && VisibleInTree()) ReportPaint();
        for (TGadget* kid : kids->Each<TGadget>()) kid->Activate(ACTIVATE_REDRAW);
        break;
    }
    case ACTIVATE_MINIMIZE:
    case ACTIVATE_MAXIMIZE:
    case ACTIVATE_RESTORE:
        if (IsWindow()) NativeWindowState(command);
        break;
    default:
        break;
    }
}

void TGadget::SetText(const std::string& text) {
    name = text;
    NativeText();
}

void TGadget::SetTextColor(int r, int g, int b) {
    textRed = std::clamp(r, 0, 255);
    textGreen = std::clamp(g, 0, 255);
    textBlue = std::clamp(b, 0, 255);
    NativeTextColor();
}

void TGadget::SetShow(int flag) {
    visible = flag ? 1 : 0;
    NativeShow();
}

bool TGadget::VisibleInTree() const {
    for (const TGadget* g = this; g; g = g->parent)
        if (!g->visible || g->freed_) return false;
    return true;
}

void TGadget::Free() {
    if (freed_) return;
    core::Ref<TGadget> keep(this);
    for (TGadget* kid : kids->Each<TGadget>()) kid->Free();
    NativeDestroy();
    freed_ = true;
    visible = 0;
    if (focused == this) focused = nullptr;
    if (mouseGadget == this) mouseGadget = nullptr;
    if (link_) {
        core::TLink* link = link_;
        link_ = nullptr;
        parent = nullptr;
        link->Remove();
    }
}

void TGadget::ReportMouseDown(int button, int x, int y) {
    if (!(sensitivity & SENSITIZE_MOUSE) || freed_) return;
    core::Ref<TGadget> keep(this);
    buttonsHeld_ |= ButtonBit(button);
    mouseX = x;
    mouseY = y;
    draw2d::SetPointerPosition(x, y);
    mouseGadget = this;
    if (button == 1 && gadgetClass_ == GADGET_CANVAS) TakeFocus();
    EmitEvent(MouseDown, this, button, CurrentModifiers(), x, y);
}

void TGadget::ReportMouseUp(int button, int x, int y) {
    if (!(sensitivity & SENSITIZE_MOUSE) || freed_) return;
    core::Ref<TGadget> keep(this);
    buttonsHeld_ &= ~ButtonBit(button);
    mouseX = x;
    mouseY = y;
    draw2d::SetPointerPosition(x, y);
    mouseGadget = this;
    EmitEvent(MouseUp, this, button, CurrentModifiers(), x, y);
}

void TGadget::ReportMouseMove(int x, int y) {
    if (!(sensitivity & SENSITIZE_MOUSE) || freed_) return;
    if (x == lastMoveX_ && y == lastMoveY_) return;
    core::Ref<TGadget> keep(this);
    lastMoveX_ = x;
    lastMoveY_ = y;
    mouseX = x;
    mouseY = y;
    draw2d::SetPointerPosition(x, y);
    mouseGadget = this;
    EmitEvent(MouseMove, this, MoveButton(buttonsHeld_), CurrentModifiers(), x, y);
}

void TGadget::ReportMouseWheel(int notches, int x, int y) {
    if (!(sensitivity & SENSITIZE_MOUSE) || freed_) return;
    core::Ref<TGadget> keep(this);
    mouseX = x;
    mouseY = y;
    draw2d::SetPointerPosition(x, y);
    mouseGadget = this;
    EmitEvent(MouseWheel, this, notches, CurrentModifiers(), x, y);
}

void TGadget::ReportAction() {
    if (freed_) return;
    core::Ref<TGadget> keep(this);
    EmitEvent(GadgetAction, this);
}

void TGadget::ReportPaint() {
    if (freed_) return;
    core::Ref<TGadget> keep(this);
    EmitEvent(GadgetPaint, this);
}

void TGadget::ReportWindowShape(int x, int y, int w, int h) {
    if (freed_) return;
    core::Ref<TGadget> keep(this);
    const bool moved = x != xpos || y != ypos;
    const bool resized = std::max(w, 0) != width || std::max(h, 0) != height;
    StoreRect(x, y, w, h);
    if (resized) LayoutKids();
    if (moved) EmitEvent(WindowMove, this, 0, 0, xpos, ypos);
    if (resized) EmitEvent(WindowSize, this, 0, 0, width, height);
}

void TGadget::ReportClose() {
    if (freed_) return;
    core::Ref<TGadget> keep(this);
    EmitEvent(WindowClose, this);
}

void TGadget::ReportActivate() {
    if (freed_) return;
    core::Ref<TGadget> keep(this);
    EmitEvent(WindowActivate, this);
}

} // namespace gui
