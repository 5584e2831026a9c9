#include "gui/detail/fltk_gadget.h"

#include <algorithm>

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Window.H>

#include "gui/event.h"
#include "gui/system_driver.h"

namespace gui::fltk {
namespace {

bool dispatching = false;
bool tearingDown = false;

constexpr int TEXT_SIZE = 12;

// The top-level window: reports moves, sizes, activation and the close box,
// and lays out its kids itself (FLTK's own resizing is switched off).
class FlWindow final : public Fl_Double_Window {
  public:
    FlWindow(TGadget* gadget, int x, int y, int w, int h)
        : Fl_Double_Window(x, y, w, h), gadget_(gadget) {
        end();
        resizable(nullptr);
        callback(OnClose, this);
    }
    void Unbind() { gadget_ = nullptr; }
    bool focusing = false; // set while the program moves the focus itself

    int handle(int event) override {
        TrackModifiers();
        if (event == FL_FOCUS && gadget_ && !focusing) gadget_->ReportActivate();
        return Fl_Double_Window::handle(event);
    }
    void resize(int x, int y, int w, int h) override {
        Fl_Double_Window::resize(x, y, w, h);
        if (gadget_) gadget_->ReportWindowShape(x, y, w, h);
    }

  private:
    // The close box asks; the application decides. Escape is no close request.
    static void OnClose(Fl_Widget*, void* self) {
        auto* window = static_cast<FlWindow*>(self);
        if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
        if (window->gadget_) window->gadget_->ReportClose();
    }
    TGadget* gadget_;
};

class TFltkWindow final : public TFltkGadget {
  public:
    TFltkWindow() : TFltkGadget(GADGET_WINDOW) {}
    ~TFltkWindow() override { NativeDestroy(); }

    void SetShape(int x, int y, int w, int h) override {
        if (!window_) {
            TGadget::SetShape(x, y, w, h);
            return;
        }
        ApplySizeRange(std::max(w, 0), std::max(h, 0));
        window_->resize(x, y, std::max(w, 0), std::max(h, 0)); // reports back
    }
    void NativeCreate() override {
        window_ = new FlWindow(this, xpos, ypos, width, height);
        widget = window_;
        window_->copy_label(name.c_str());
        if (!(style & WINDOW_TITLEBAR)) window_->border(0);
        ApplySizeRange(width, height);
        if (visible) window_->show();
    }
    void NativeFocus() override {
        if (!window_ || !window_->shown()) return;
        window_->focusing = true;
        window_->take_focus();
        window_->focusing = false;
    }
    void NativeShow() override {
        if (!window_) return;
        if (visible)
            window_->show();
        else
            window_->hide();
    }
    void NativeWindowState(int command) override {
        if (!window_ || !window_->shown()) return;
        if (command == ACTIVATE_MINIMIZE) window_->iconize();
        if (command == ACTIVATE_RESTORE) window_->show();
        if (command == ACTIVATE_MAXIMIZE && (style & WINDOW_RESIZABLE)) {
            int x, y, w, h;
            Fl::screen_work_area(x, y, w, h, window_->x(), window_->y());
            SetShape(x, y, w, h);
        }
    }

  protected:
    void Unbind() override {
        if (window_) window_->Unbind();
        window_ = nullptr;
    }

  private:
    // A fixed window gets no resize handles.
    void ApplySizeRange(int w, int h) {
        if (style & WINDOW_RESIZABLE)
            window_->size_range(1, 1);
        else
            window_->size_range(w, h, w, h);
    }
    FlWindow* window_ = nullptr;
};

class TFltkButton final : public TFltkGadget {
  public:
    TFltkButton() : TFltkGadget(GADGET_BUTTON) {}
    ~TFltkButton() override { NativeDestroy(); }
    bool TakesFocus() const override { return true; }
    void NativeCreate() override {
        auto* button = new Fl_Button(xpos, ypos, width, height);
        button->labelsize(TEXT_SIZE);
        button->callback(OnPress, this);
        Adopt(button);
    }

  protected:
    void Unbind() override {
        if (widget) widget->callback(static_cast<Fl_Callback*>(nullptr), nullptr);
    }

  private:
    static void OnPress(Fl_Widget*, void* self) { static_cast<TFltkButton*>(self)->ReportAction(); }
};

class TFltkLabel final : public TFltkGadget {
  public:
    TFltkLabel() : TFltkGadget(GADGET_LABEL) {}
    void NativeCreate() override {
        auto* box = new Fl_Box(xpos, ypos, width, height);
        Fl_Align align = FL_ALIGN_LEFT;
        if (style & LABEL_RIGHT) align = FL_ALIGN_RIGHT;
        if (style & LABEL_CENTER) align = FL_ALIGN_CENTER;
        box->align(align | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
        box->labelsize(TEXT_SIZE);
        switch (style & 7) {
        case 1:
            box->box(FL_BORDER_FRAME);
            break;
        case 2:
            box->box(FL_THIN_DOWN_FRAME);
            break;
        default:
            box->box(FL_NO_BOX);
            break;
        }
        Adopt(box);
    }
};

} // namespace

void TrackModifiers() {
    const int state = Fl::event_state();
    SetCurrentModifiers(
        ((state & FL_SHIFT) ? MODIFIER_SHIFT : 0) | ((state & FL_CTRL) ? MODIFIER_CONTROL : 0) |
        ((state & FL_ALT) ? MODIFIER_ALT : 0) | ((state & FL_META) ? MODIFIER_SYSTEM : 0));
}

void DeleteWidget(Fl_Widget* widget) {
    if (dispatching && !tearingDown)
        Fl::delete_widget(widget);
    else
        delete widget;
}

void SetDispatching(bool value) { dispatching = value; }
void SetTearingDown() { tearingDown = true; }

TFltkGadget::~TFltkGadget() { NativeDestroy(); }

Fl_Window* TFltkGadget::ParentWindow() const {
    auto* owner = dynamic_cast<TFltkGadget*>(parent);
    return owner && owner->widget ? owner->widget->as_window() : nullptr;
}

void TFltkGadget::Adopt(Fl_Widget* made) {
    widget = made;
    widget->copy_label(name.c_str());
    NativeTextColor();
    if (Fl_Window* window = ParentWindow()) {
        window->add(widget);
        // A window made inside an already shown one needs its own show.
        if (widget->as_window() && window->shown()) widget->show();
        widget->redraw();
    }
}

void TFltkGadget::NativeShape() {
    if (!widget) return;
    widget->resize(xpos, ypos, width, height);
    if (Fl_Window* window = ParentWindow()) window->redraw();
}

void TFltkGadget::NativeText() {
    if (!widget) return;
    widget->copy_label(name.c_str());
    widget->redraw_label();
}

void TFltkGadget::NativeTextColor() {
    if (!widget) return;
    widget->labelcolor(fl_rgb_color(static_cast<uchar>(textRed), static_cast<uchar>(textGreen),
                                    static_cast<uchar>(textBlue)));
    widget->redraw_label();
}

void TFltkGadget::NativeShow() {
    if (!widget) return;
    if (visible)
        widget->show();
    else
        widget->hide();
}

void TFltkGadget::NativeFocus() {
    if (widget) widget->take_focus();
}

void TFltkGadget::NativeRedraw() {
    if (widget) widget->redraw();
}

void TFltkGadget::NativeDestroy() {
    // Unbound first: deleting a kid that has the focus hands the focus to
    // this widget, which must not report it for a gadget on its way out (in
    // its destructor, a report would take a reference to a dying object).
    if (widget) Unbind();
    for (TGadget* kid : kids->Each<TGadget>()) kid->NativeDestroy();
    if (!widget) return;
    Fl_Widget* dying = widget;
    widget = nullptr;
    if (dying->parent()) dying->parent()->remove(dying);
    DeleteWidget(dying);
}

core::Ref<TGadget> NewWindow() { return core::Make<TFltkWindow>(); }
core::Ref<TGadget> NewButton() { return core::Make<TFltkButton>(); }
core::Ref<TGadget> NewLabel() { return core::Make<TFltkLabel>(); }

} // namespace gui::fltk
