#pragma once
// Internal: the browser back end's gadgets, each mirrored onto one HTML
// element of the page, found by its number.

#include "gui/gadget.h"

namespace gui::web {

// A gadget mirrored onto one HTML element (a block for a window, a button, a
// label's text, a canvas).
class TWebGadget : public TGadget {
  public:
    explicit TWebGadget(int gadgetClass);
    ~TWebGadget() override;

    // The element's number: its id in the page is "qv-<number>".
    const int element;

    void NativeCreate() override;
    void NativeShape() override;
    void NativeText() override;
    void NativeTextColor() override;
    void NativeShow() override;
    void NativeDestroy() override;
    bool TakesFocus() const override {
        return Class() == GADGET_BUTTON || Class() == GADGET_CANVAS;
    }

    // The gadget whose element has this number, or null.
    static TWebGadget* Find(int element);

  protected:
    bool created_ = false;
};

core::Ref<TGadget> NewGadget(int gadgetClass);
core::Ref<TGadget> NewCanvas();

// The mouse pointer over every canvas.
void ApplyCanvasCursor(bool visible);
bool CanvasCursorVisible();

} // namespace gui::web
