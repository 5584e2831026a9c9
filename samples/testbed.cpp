#include "samples/testbed.h"

#include <chrono>
#include <cstdio>
#include <string>

#include "graphics/draw2d.h"
#include "physics/tangle.h"
#include "samples/palette.h"
#include "samples/scene_table.h"

namespace samples {

using kel::tangle::TPhysics;

namespace {

constexpr int kWindowWidth = 820, kWindowHeight = 680;
constexpr int kRowHeight = 24, kGap = 4;
constexpr int kButtonWidth = 76;
constexpr int kOptionWidth = 150; // room for "Shape matching: off"
constexpr int kLabelWidth = 130;
constexpr int kCanvasTop = 2 * kRowHeight + 2 * kGap;
// How near the pointer a mass must be to be taken, in screen pixels.
constexpr float kReachPixels = 24;
constexpr int kLeftButton = 1;

constexpr const char* kButtonText[Testbed::kButtonCount] = {"< Previous", "Next >", "Pause",
                                                            "One step", "Restart"};

// Which gadget of a list an event came from, or -1.
int IndexOf(const std::vector<core::Ref<gui::TGadget>>& gadgets, const core::Object* source) {
    for (std::size_t k = 0; k < gadgets.size(); ++k)
        if (gadgets[k].Get() == source) return static_cast<int>(k);
    return -1;
}

std::string Text(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

Testbed::Testbed(int first) {
    gui::StartEvents();
    BuildWindow();
    relay_->testbed = this;
    gui::AddHook(gui::emitEventHook, &Testbed::OnEvent, relay_, 0);
    Show(first);
}

Testbed::~Testbed() {
    relay_->testbed = nullptr;
    gui::RemoveHook(gui::emitEventHook, &Testbed::OnEvent, relay_);
    scene_.reset();
    if (window_) window_->Free();
}

void Testbed::BuildWindow() {
    window_ = gui::CreateWindow("kel.tangle samples", 0, 0, kWindowWidth, kWindowHeight, nullptr,
                                gui::WINDOW_TITLEBAR | gui::WINDOW_RESIZABLE | gui::WINDOW_CENTER);
    for (int k = 0; k < kButtonCount; ++k) {
        buttons_.push_back(gui::CreateButton(kButtonText[k], kGap + k * (kButtonWidth + kGap), kGap,
                                             kButtonWidth, kRowHeight - kGap, window_));
        buttons_.back()->SetLayout(gui::EDGE_ALIGNED, gui::EDGE_CENTERED, gui::EDGE_ALIGNED,
                                   gui::EDGE_CENTERED);
    }
    for (int k = 0; k < kLabelCount; ++k) {
        labels_.push_back(gui::CreateLabel("", kGap + k * kLabelWidth, kRowHeight + kGap,
                                           kLabelWidth, kRowHeight - kGap, window_));
        labels_.back()->SetLayout(gui::EDGE_ALIGNED, gui::EDGE_CENTERED, gui::EDGE_ALIGNED,
                                  gui::EDGE_CENTERED);
    }
    canvas_ = gui::CreateCanvas(0, kCanvasTop, window_->ClientWidth(),
                                window_->ClientHeight() - kCanvasTop, window_);
    canvas_->SetLayout(gui::EDGE_ALIGNED, gui::EDGE_ALIGNED, gui::EDGE_ALIGNED, gui::EDGE_ALIGNED);
}

void Testbed::BuildOptionButtons() {
    for (auto& button : optionButtons_) button->Free();
    optionButtons_.clear();
    const int left = kGap + kButtonCount * (kButtonWidth + kGap);
    for (std::size_t k = 0; k < options_.size(); ++k) {
        optionButtons_.push_back(gui::CreateButton(
            OptionText(options_[k]), left + static_cast<int>(k) * (kOptionWidth + kGap), kGap,
            kOptionWidth, kRowHeight - kGap, window_));
    }
}

void Testbed::Show(int index) {
    const int count = static_cast<int>(Scenes().size());
    index_ = ((index % count) + count) % count;
    drag_.Release();
    // The old scene goes before the new one makes its world.
    scene_.reset();
    scene_ = Scenes()[static_cast<std::size_t>(index_)].make();
    scene_->SetUp();
    options_ = scene_->Options();
    BuildOptionButtons();
    steps_ = 0;
    figures_ = Measure();
    labels_[kTitle]->SetText(Scenes()[static_cast<std::size_t>(index_)].title);
    UpdateLabels();
}

void Testbed::Next() { Show(index_ + 1); }
void Testbed::Previous() { Show(index_ - 1); }
void Testbed::Restart() { Show(index_); }

void Testbed::TogglePause() {
    paused_ = !paused_;
    buttons_[kPause]->SetText(paused_ ? "Run" : "Pause");
}

void Testbed::StepOnce() {
    if (!paused_) TogglePause();
    StepScene();
    UpdateLabels();
    Draw();
}

void Testbed::StepScene() {
    drag_.Apply();
    const auto start = std::chrono::steady_clock::now();
    scene_->Step();
    const std::chrono::duration<float, std::milli> took = std::chrono::steady_clock::now() - start;
    ++steps_;
    figures_ = Measure();
    figures_.stepMs = took.count();
}

void Testbed::Tick() {
    if (!paused_) StepScene();
    UpdateLabels();
    Draw();
}

void Testbed::UpdateLabels() {
    labels_[kStepTime]->SetText(Text("step %.2f ms", figures_.stepMs));
    labels_[kMasses]->SetText(Text("masses %.0f", figures_.masses));
    labels_[kConstraints]->SetText(Text("constraints %.0f", figures_.constraints));
    labels_[kEvents]->SetText(Text("events %.0f", figures_.events));
    labels_[kAwake]->SetText(Text("awake %.0f", figures_.awake));
}

void Testbed::Draw() {
    draw2d::TGraphics* graphics = canvas_->CanvasGraphics();
    draw2d::TSurface* surface = canvas_->CanvasSurface();
    // A window not yet on the screen has nothing to draw on.
    if (!graphics || !surface || !surface->MakeCurrent()) return;
    draw2d::SetGraphics(graphics);
    if (auto* recorder = dynamic_cast<draw2d::TRecordingDriver*>(draw2d::GetGraphicsDriver()))
        recorder->Clear(); // keep only this frame's record
    const int w = draw2d::GraphicsWidth(), h = draw2d::GraphicsHeight();
    draw2d::SetViewport(0, 0, w, h);
    draw2d::SetClsColor(palette::kBackground.r, palette::kBackground.g, palette::kBackground.b);
    draw2d::Cls();
    draw2d::SetBlend(draw2d::BLEND_ALPHA);
    draw2d::SetAlpha(1);
    scene_->PlaceView(static_cast<float>(w), static_cast<float>(h));
    scene_->Draw();
    if (kel::tangle::TMass* held = drag_.Held()) {
        SetColour(palette::kHeld);
        held->Draw();
    }
    draw2d::Flip(0);
}

core::Ref<core::Object> Testbed::OnEvent(int, core::Object* data, core::Object* context) {
    Testbed* testbed = static_cast<EventRelay*>(context)->testbed;
    if (auto* event = core::As<gui::TEvent>(data); event && testbed) {
        core::Ref<core::Object> keep(data); // a button may replace the scene under us
        testbed->Handle(*event);
    }
    return data;
}

void Testbed::Handle(const gui::TEvent& event) {
    const core::Object* source = event.source.Get();
    switch (event.id) {
    case gui::GadgetAction:
        switch (IndexOf(buttons_, source)) {
        case kPrevious:
            Previous();
            return;
        case kNext:
            Next();
            return;
        case kPause:
            TogglePause();
            return;
        case kStepOnce:
            StepOnce();
            return;
        case kRestart:
            Restart();
            return;
        default:
            break;
        }
        if (const int option = IndexOf(optionButtons_, source); option >= 0) {
            const SceneOption& pressed = options_[static_cast<std::size_t>(option)];
            pressed.toggle();
            optionButtons_[static_cast<std::size_t>(option)]->SetText(OptionText(pressed));
        }
        return;
    case gui::MouseDown:
    case gui::MouseMove:
    case gui::MouseUp:
        if (source == canvas_.Get()) HandleMouse(event);
        return;
    case gui::GadgetPaint:
        if (source == canvas_.Get()) Draw();
        return;
    case gui::WindowClose:
        closeRequested_ = true;
        return;
    default:
        return;
    }
}

void Testbed::HandleMouse(const gui::TEvent& event) {
    const float sx = static_cast<float>(event.x), sy = static_cast<float>(event.y);
    MouseAction action;
    action.x = TPhysics::SimX(sx, sy);
    action.y = TPhysics::SimY(sx, sy);
    if (event.id == gui::MouseDown) {
        if (event.data != kLeftButton) return;
        action.kind = MouseAction::Press;
    } else if (event.id == gui::MouseUp) {
        if (event.data != kLeftButton) return;
        action.kind = MouseAction::Release;
    } else {
        action.kind = MouseAction::Move;
    }
    if (scene_->Mouse(action)) return;
    const float zoom = kel::tangle::TWorldView::Current().drawScale;
    switch (action.kind) {
    case MouseAction::Press:
        drag_.Grab(action.x, action.y, zoom > 0 ? kReachPixels / zoom : 0);
        break;
    case MouseAction::Move:
        drag_.MoveTo(action.x, action.y);
        break;
    case MouseAction::Release:
        drag_.Release();
        break;
    }
}

} // namespace samples
