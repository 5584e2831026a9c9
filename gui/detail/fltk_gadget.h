#pragma once
// Internal: the FLTK back end's gadget base and what its files share.

#include "gui/gadget.h"

class Fl_Widget;
class Fl_Window;

namespace gui::fltk {

// A gadget mirrored onto one FLTK widget.
class TFltkGadget : public TGadget {
  public:
    using TGadget::TGadget;
    ~TFltkGadget() override;

    Fl_Widget* widget = nullptr;

    void NativeShape() override;
    void NativeText() override;
    void NativeTextColor() override;
    void NativeShow() override;
    void NativeFocus() override;
    void NativeRedraw() override;
    void NativeDestroy() override;

  protected:
    // The FLTK window that holds this gadget's widget (its parent's).
    Fl_Window* ParentWindow() const;
    // Puts a freshly made widget into the parent window with the gadget's state.
    void Adopt(Fl_Widget* made);
    // Called just before the widget is destroyed: drop back-pointers.
    virtual void Unbind() {}
};

core::Ref<TGadget> NewWindow();
core::Ref<TGadget> NewButton();
core::Ref<TGadget> NewLabel();
core::Ref<TGadget> NewCanvas();

// FLTK's modifier state as MODIFIER_* bits; stored as the current modifiers.
void TrackModifiers();

// Deleting widgets: deferred while FLTK dispatches (a handler may be on the
// stack), at once otherwise and while the program's statics go down.
void DeleteWidget(Fl_Widget* widget);
void SetDispatching(bool dispatching);
void SetTearingDown();

// Mouse pointer over every canvas.
void ApplyCanvasCursor(bool visible);
bool CanvasCursorVisible();

} // namespace gui::fltk
