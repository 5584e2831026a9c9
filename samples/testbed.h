#pragma once
// The testbed: one window with a row of buttons (previous, next, pause, one
// step, restart, and the scene's own), a row of labels with live figures,
// and a canvas that shows the current scene. It runs on whichever GUI back
// end the program chose: FLTK for the window, headless for runs without a
// display (the canvas then draws through the recording back end).

#include <memory>
#include <vector>

#include "core/object.h"
#include "gui/gui.h"
#include "samples/figures.h"
#include "samples/mass_drag.h"
#include "samples/scene.h"

namespace samples {

class Testbed final : public core::Object {
  public:
    // Opens the window on scene `first` (an index into Scenes()) and starts
    // listening to the GUI's events.
    explicit Testbed(int first);
    ~Testbed() override;
    Testbed(const Testbed&) = delete;
    Testbed& operator=(const Testbed&) = delete;

    // One timer tick: a step unless paused, then the labels and a frame.
    void Tick();
    // Draws the current scene on the canvas.
    void Draw();

    // The buttons' actions.
    void Show(int index); // a fresh scene at that index of Scenes()
    void Next();
    void Previous();
    void TogglePause();
    void StepOnce();
    void Restart();

    int SceneIndex() const { return index_; }
    Scene& CurrentScene() { return *scene_; }
    bool Paused() const { return paused_; }
    // Steps taken since the scene was (re)started.
    int Steps() const { return steps_; }
    const Figures& LastFigures() const { return figures_; }
    MassDrag& Drag() { return drag_; }
    // The window was asked to close.
    bool CloseRequested() const { return closeRequested_; }

    gui::TGadget* Window() const { return window_; }
    gui::TGadget* Canvas() const { return canvas_; }
    // The fixed buttons and labels, in the order of their rows.
    enum ButtonId { kPrevious, kNext, kPause, kStepOnce, kRestart, kButtonCount };
    enum LabelId { kTitle, kStepTime, kMasses, kConstraints, kEvents, kAwake, kLabelCount };
    gui::TGadget* Button(ButtonId k) const { return buttons_[k]; }
    gui::TGadget* Label(LabelId k) const { return labels_[k]; }
    // The scene's own buttons, in the order of its Options().
    const std::vector<core::Ref<gui::TGadget>>& OptionButtons() const { return optionButtons_; }

    // Sees every GUI event before it is queued.
    static core::Ref<core::Object> OnEvent(int id, core::Object* data, core::Object* context);

  private:
    // A hook chain keeps its context alive; handed the testbed itself it
    // would keep it for ever. The chain gets this relay instead, which the
    // testbed disconnects when it goes.
    class EventRelay final : public core::Object {
      public:
        Testbed* testbed = nullptr;
    };

    void BuildWindow();
    void BuildOptionButtons();
    void Handle(const gui::TEvent& event);
    void HandleMouse(const gui::TEvent& event);
    void StepScene();
    void UpdateLabels();

    int index_ = 0;
    std::unique_ptr<Scene> scene_;
    std::vector<SceneOption> options_;
    bool paused_ = false;
    int steps_ = 0;
    Figures figures_;
    MassDrag drag_;
    bool closeRequested_ = false;
    core::Ref<EventRelay> relay_ = core::Make<EventRelay>();

    core::Ref<gui::TGadget> window_, canvas_;
    std::vector<core::Ref<gui::TGadget>> buttons_, labels_, optionButtons_;
};

} // namespace samples
