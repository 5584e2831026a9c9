// Gadgets of the browser back end: each is one HTML element with the id
// "qv-<number>", placed absolutely in its window's block at the gadget's
// rectangle. A window is a block of its client size in the page's
// "quorvel-screen" element (or the body), and its title is the page's.
#include "gui/detail/web_gadget.h"

#include <emscripten/emscripten.h>

#include <unordered_map>

namespace gui::web {
namespace {

int lastElement = 0;

std::unordered_map<int, TWebGadget*>& Elements() {
    static std::unordered_map<int, TWebGadget*> elements;
    return elements;
}

// Element kinds, as the page's script names them.
const char* TagOf(int gadgetClass) {
    switch (gadgetClass) {
    case GADGET_WINDOW:
        return "window";
    case GADGET_BUTTON:
        return "button";
    case GADGET_CANVAS:
        return "canvas";
    default:
        return "label";
    }
}

int AlignOf(const TGadget& gadget) {
    if (gadget.Class() != GADGET_LABEL) return 0;
    if (gadget.style & LABEL_CENTER) return 2;
    return gadget.style & LABEL_RIGHT ? 1 : 0;
}

} // namespace
} // namespace gui::web

// The page side. A button's press calls back into qv_button_pressed.
// clang-format off
EM_JS(void, qv_element_create,
      (const char* kind, int id, int parent, int x, int y, int w, int h, int align), {
    const type = UTF8ToString(kind);
    let el;
    if (type == "window") {
        el = document.createElement("div");
        el.className = "qv-window";
        el.style.position = "relative";
        const screen = document.getElementById("quorvel-screen") || document.body;
        screen.appendChild(el);
    } else {
        el = document.createElement(type == "label" ? "div" : type);
        el.className = "qv-" + type;
        el.style.position = "absolute";
        if (type == "label") el.style.textAlign = ["left", "right", "center"][align];
        if (type == "button") el.onclick = () => Module["_qv_button_pressed"](id);
        if (type == "canvas") el.oncontextmenu = (e) => e.preventDefault();
        const owner = document.getElementById("qv-" + parent);
        if (owner) owner.appendChild(el);
    }
    el.id = "qv-" + id;
    if (type != "window") {
        el.style.left = x + "px";
        el.style.top = y + "px";
    }
    el.style.width = w + "px";
    el.style.height = h + "px";
    if (type == "canvas") {
        el.width = Math.max(w, 1);
        el.height = Math.max(h, 1);
    }
});

EM_JS(void, qv_element_shape, (int id, int x, int y, int w, int h), {
    const el = document.getElementById("qv-" + id);
    if (!el) return;
    if (el.className != "qv-window") {
        el.style.left = x + "px";
        el.style.top = y + "px";
    }
    el.style.width = w + "px";
    el.style.height = h + "px";
    if (el.tagName == "CANVAS" && (el.width != Math.max(w, 1) || el.height != Math.max(h, 1))) {
        el.width = Math.max(w, 1);
        el.height = Math.max(h, 1);
    }
});

EM_JS(void, qv_element_text, (int id, const char* text, int isWindow), {
    const value = UTF8ToString(text);
    if (isWindow) {
        document.title = value;
        return;
    }
    const el = document.getElementById("qv-" + id);
    if (el && el.tagName != "CANVAS") el.textContent = value;
});

EM_JS(void, qv_element_color, (int id, int r, int g, int b), {
    const el = document.getElementById("qv-" + id);
    if (el) el.style.color = "rgb(" + r + "," + g + "," + b + ")";
});

EM_JS(void, qv_element_show, (int id, int shown), {
    const el = document.getElementById("qv-" + id);
    if (el) el.style.visibility = shown ? "" : "hidden";
});

EM_JS(void, qv_element_remove, (int id), {
    const el = document.getElementById("qv-" + id);
    if (el) el.remove();
});

EM_JS(void, qv_canvas_cursor, (int visible), {
    for (const el of document.querySelectorAll("canvas.qv-canvas"))
        el.style.cursor = visible ? "" : "none";
});
// clang-format on

extern "C" EMSCRIPTEN_KEEPALIVE void qv_button_pressed(int element) {
    if (gui::web::TWebGadget* gadget = gui::web::TWebGadget::Find(element)) gadget->ReportAction();
}

namespace gui::web {

namespace {
bool cursorVisible = true;
} // namespace

TWebGadget::TWebGadget(int gadgetClass) : TGadget(gadgetClass), element(++lastElement) {
    Elements()[element] = this;
}

TWebGadget::~TWebGadget() {
    NativeDestroy();
    Elements().erase(element);
}

TWebGadget* TWebGadget::Find(int element) {
    const auto found = Elements().find(element);
    return found == Elements().end() ? nullptr : found->second;
}

void TWebGadget::NativeCreate() {
    const auto* owner = dynamic_cast<const TWebGadget*>(parent);
    qv_element_create(TagOf(Class()), element, owner ? owner->element : 0, xpos, ypos, width,
                      height, AlignOf(*this));
    created_ = true;
    NativeText();
    NativeTextColor();
    NativeShow();
}

void TWebGadget::NativeShape() {
    if (created_) qv_element_shape(element, xpos, ypos, width, height);
}

void TWebGadget::NativeText() {
    if (created_) qv_element_text(element, name.c_str(), IsWindow() ? 1 : 0);
}

void TWebGadget::NativeTextColor() {
    if (created_ && !IsWindow()) qv_element_color(element, textRed, textGreen, textBlue);
}

void TWebGadget::NativeShow() {
    if (created_) qv_element_show(element, visible);
}

void TWebGadget::NativeDestroy() {
    for (TGadget* kid : kids->Each<TGadget>()) kid->NativeDestroy();
    if (!created_) return;
    created_ = false;
    qv_element_remove(element);
}

core::Ref<TGadget> NewGadget(int gadgetClass) {
    switch (gadgetClass) {
    case GADGET_WINDOW:
    case GADGET_BUTTON:
    case GADGET_LABEL:
        return core::Make<TWebGadget>(gadgetClass);
    case GADGET_CANVAS:
        return NewCanvas();
    default:
        return nullptr;
    }
}

void ApplyCanvasCursor(bool visible) {
    cursorVisible = visible;
    qv_canvas_cursor(visible ? 1 : 0);
}

bool CanvasCursorVisible() { return cursorVisible; }

} // namespace gui::web
