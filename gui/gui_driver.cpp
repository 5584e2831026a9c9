#include "gui/gui_driver.h"

#include "gui/detail/layout.h"

namespace gui {

TGadget* TPaneGUIDriver::Desktop() {
    if (!desktop_) {
        desktop_ = core::Make<TGadget>(GADGET_DESKTOP);
        desktop_->width = DesktopWidth();
        desktop_->height = DesktopHeight();
    }
    return desktop_;
}

core::Ref<TGadget> TPaneGUIDriver::CreateGadget(int gadgetClass, const std::string& text, int x,
                                                int y, int w, int h, TGadget* group, int style) {
    if (gadgetClass == GADGET_WINDOW && !group) group = Desktop();
    if (!group || group->Freed() || gadgetClass == GADGET_DESKTOP) return nullptr;
    // Windows open on the desktop or beside a window; the rest live in a window.
    if (gadgetClass == GADGET_WINDOW ? group->Class() > GADGET_WINDOW : !group->IsWindow())
        return nullptr;
    core::Ref<TGadget> gadget = NewGadget(gadgetClass);
    if (!gadget) return nullptr;
    gadget->name = text;
    gadget->style = style;
    gadget->StoreRect(x, y, w, h);
    if (gadgetClass == GADGET_CANVAS) gadget->sensitivity = 3;
    gadget->visible = gadgetClass == GADGET_WINDOW && (style & WINDOW_HIDDEN) ? 0 : 1;
    gadget->parent = group;
    gadget->link_ = group->kids->AddLast(gadget);
    gadget->NativeCreate();
    return gadget;
}

TGadget* Desktop() { return GuiDriver()->Desktop(); }

core::Ref<TGadget> CreateWindow(const std::string& title, int x, int y, int w, int h,
                                TGadget* group, int style) {
    if (style & WINDOW_CENTER) {
        const TGadget* area = group ? group : Desktop();
        const Point at = CentredPosition(area->xpos, area->ypos, area->width, area->height, w, h);
        x = at.x;
        y = at.y;
    }
    return GuiDriver()->CreateGadget(GADGET_WINDOW, title, x, y, w, h, group, style);
}

core::Ref<TGadget> CreateButton(const std::string& text, int x, int y, int w, int h, TGadget* group,
                                int style) {
    return GuiDriver()->CreateGadget(GADGET_BUTTON, text, x, y, w, h, group, style);
}

core::Ref<TGadget> CreateLabel(const std::string& text, int x, int y, int w, int h, TGadget* group,
                               int style) {
    return GuiDriver()->CreateGadget(GADGET_LABEL, text, x, y, w, h, group, style);
}

core::Ref<TGadget> CreateCanvas(int x, int y, int w, int h, TGadget* group, int style) {
    return GuiDriver()->CreateGadget(GADGET_CANVAS, "", x, y, w, h, group, style);
}

} // namespace gui
