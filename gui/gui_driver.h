#pragma once
// The GUI back end and the gadget creators.

#include <string>

#include "core/object.h"
#include "gui/gadget.h"

namespace gui {

/// The GUI back end: makes the native gadgets. The headless and the FLTK back ends derive from it.
class TPaneGUIDriver : public core::Object {
  public:
    /// Creates a gadget of class `gadgetClass` at (x, y) in `group`'s client
    /// area. A window's group is the desktop (the default) or another window;
    /// other gadgets need a window. Returns null for a class the back end does
    /// not offer or a group that does not fit.
    core::Ref<TGadget> CreateGadget(int gadgetClass, const std::string& text, int x, int y, int w,
                                    int h, TGadget* group, int style);
    /// The screen, parent of the top-level windows.
    TGadget* Desktop();

  protected:
    /// A new, unattached gadget object of the back end's class for `gadgetClass`,
    /// or null when the back end does not offer it.
    virtual core::Ref<TGadget> NewGadget(int gadgetClass) = 0;
    /// Screen size for the desktop gadget.
    virtual int DesktopWidth() = 0;
    /// Screen height for the desktop gadget.
    virtual int DesktopHeight() = 0;

  private:
    core::Ref<TGadget> desktop_;
};

/// The installed GUI driver (see UseHeadlessDriver).
TPaneGUIDriver* GuiDriver();
TGadget* Desktop();

/// Style 512 centres the window on its group, or on the desktop without one;
/// w and h are the outer size.
core::Ref<TGadget> CreateWindow(const std::string& title, int x, int y, int w, int h,
                                TGadget* group, int style);
core::Ref<TGadget> CreateButton(const std::string& text, int x, int y, int w, int h, TGadget* group,
                                int style = 0);
core::Ref<TGadget> CreateLabel(const std::string& text, int x, int y, int w, int h, TGadget* group,
                               int style = 0);
/// A canvas always reports mouse events; CanvasGraphics() gives its graphics.
core::Ref<TGadget> CreateCanvas(int x, int y, int w, int h, TGadget* group, int style = 0);

} // namespace gui
