#pragma once
// The frame of the game: start-up, the event hook, the tick and the screen.

#include <string>

#include "core/object.h"
#include "game/opponent.h"
#include "game/session.h"
#include "gui/gui.h"

namespace draw2d {
class TGraphics;
}

namespace game {

// Builds the window, gadgets, timer, hooks, world, field, ooze and pictures,
// in that order. Throws MediaError when a data file cannot be loaded.
void StartUp();
// Runs for ever: one world step, scoring and a redraw per timer tick.
[[noreturn]] void MainLoop();
// Stops the timer and takes the game off the GUI's events, so that nothing
// of the game runs while a failure is being reported.
void StopPlay();
// One timer tick's work; the session in force (game/session.h) sees it begin
// and end.
void Tick();
// What the window does on a timer tick: Tick, or only a frame while the
// computer's answer is late (Opponent::AnswerLate): the game waits for the
// answer, the window goes on drawing.
void TimerTick();
void DrawScreen();
// The frame of DrawScreen on other graphics (benchmarks, screenshots).
void DrawScreenOn(draw2d::TGraphics* graphics);

// Sees every emitted GUI event before it is queued; returns it unchanged.
// Clicks, New Game and repaints pass the session in force, if any.
core::Ref<core::Object> GameEventHook(int id, core::Object* data, core::Object* context);

/// An input of the player (or of the computer), through the session in force
/// when there is one, so that a recording writes it down.
void Play(const PlayEvent& event);

/// The "Computer: off/on" toggle of the top strip: whether Player Two is the
/// computer (game/opponent.h).
extern core::Ref<gui::TGadget> butComputer;
class OnlineSession;
/// Online play's status in the strip, its Leave button and the Online button
/// that starts it.
extern core::Ref<gui::TGadget> lblOnline, butLeave, butOnline;
/// Shows the Online button; `start` gets what the player answered (empty to
/// host, a room code or an address to join) and sets the game online.
void OfferOnline(void (*start)(const std::string& answer));
/// Puts `online` in force as the session and shows its state in the strip
/// (the Computer toggle gives way while online). The caller keeps it.
void ShowOnline(OnlineSession* online);

/// Turns the computer on or off as Player Two, as the toggle does.
void SetComputer(bool on);
/// The computer that plays Player Two while the toggle is on; the tick runs it.
extern Opponent opponent;

// What closing the window does (ends the process with code 0); tests replace it.
extern void (*exitProgram)(int code);

} // namespace game
