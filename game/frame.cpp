#include "game/frame.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "game/field.h"
#include "game/globals.h"
#include "game/media.h"
#include "game/online_session.h"
#include "game/ooze.h"
#include "game/opponent.h"
#include "game/random.h"
#include "game/session.h"

namespace game {

using kel::tangle::TPhysics;

void (*exitProgram)(int code) = std::exit;
core::Ref<gui::TGadget> butComputer;
core::Ref<gui::TGadget> lblOnline, butLeave, butOnline;
OnlineSession* onlineSession = nullptr;
void (*startOnline)(const std::string& answer) = nullptr;
Opponent opponent(Play);

namespace {

constexpr int IMAGE_FLAGS = 6; // filtered | mipmapped
constexpr int PLAYER_ONE_RED[3] = {255, 0, 0};
constexpr int PLAYER_TWO_BLUE[3] = {0, 0, 255};

std::string ComputerLabel() { return computerPlays ? "Computer: on" : "Computer: off"; }

void ToggleComputer() { SetComputer(!computerPlays); }

void BuildWindow() {
    window = gui::CreateWindow("Quorvel", 0, 0, 400, 600, nullptr, 515);
    canvas =
        gui::CreateCanvas(0, 40, window->ClientWidth(), window->ClientHeight() - 40, window, 0);
    canvas->SetLayout(1, 1, 1, 1);
    butNewGame = gui::CreateButton("New Game", static_cast<int>(window->ClientWidth() * 0.5 - 40),
                                   0, 80, 20, window, 8);
    butNewGame->SetLayout(0, 0, 1, 0);
    lblPlayerOne = gui::CreateLabel("Player One: 0", 5, 4, 100, 16, window, 0);
    lblPlayerOne->SetLayout(1, 0, 1, 0);
    lblPlayerTwo =
        gui::CreateLabel("0 :Player Two", window->ClientWidth() - 105, 4, 100, 16, window, 8);
    lblPlayerTwo->SetLayout(0, 1, 1, 0);
    lblRemove[0] = gui::CreateLabel("Remove a gooey blob", 5, 24, 150, 16, window, 0);
    lblRemove[0]->SetLayout(1, 0, 1, 0);
    lblRemove[1] = gui::CreateLabel("Remove a gooey blob", window->ClientWidth() - 155, 24, 150, 16,
                                    window, 8);
    lblRemove[1]->SetLayout(0, 1, 1, 0);
    lblRemove[1]->SetShow(0);
    // Below New Game, between the two turn labels.
    butComputer = gui::CreateButton(ComputerLabel(), static_cast<int>(window->ClientWidth() * 0.5 - 45),
                                    21, 90, 18, window, 8);
    butComputer->SetLayout(0, 0, 1, 0);
    // Online play's state, in the Computer toggle's place while online, and
    // Leave beside New Game; both hidden until then.
    lblOnline = gui::CreateLabel("", static_cast<int>(window->ClientWidth() * 0.5 - 75), 23, 150,
                                 16, window, gui::LABEL_CENTER);
    lblOnline->SetLayout(0, 0, 1, 0);
    lblOnline->SetShow(0);
    butLeave = gui::CreateButton("Leave", static_cast<int>(window->ClientWidth() * 0.5 + 42), 0,
                                 52, 20, window, 8);
    butLeave->SetLayout(0, 0, 1, 0);
    butLeave->SetShow(0);
    // In Leave's place while offline; shown once the program can go online.
    butOnline = gui::CreateButton("Online", static_cast<int>(window->ClientWidth() * 0.5 + 42), 0,
                                  52, 20, window, 8);
    butOnline->SetLayout(0, 0, 1, 0);
    butOnline->SetShow(0);
}

// The Online button: host (an empty answer) or join (a room or an address).
void AskOnline() {
    const std::optional<std::string> answer =
        gui::Request("Play online. Leave this empty to host a game, or type the room code (or the "
                     "host's address) to join one:");
    if (answer && startOnline) startOnline(*answer);
}

void ColourLabels() {
    for (gui::TGadget* g : {lblPlayerOne.Get(), lblRemove[0].Get()})
        g->SetTextColor(PLAYER_ONE_RED[0], PLAYER_ONE_RED[1], PLAYER_ONE_RED[2]);
    for (gui::TGadget* g : {lblPlayerTwo.Get(), lblRemove[1].Get()})
        g->SetTextColor(PLAYER_TWO_BLUE[0], PLAYER_TWO_BLUE[1], PLAYER_TWO_BLUE[2]);
}

void LoadPictures() {
    imgFire = LoadGameAnimImage("media/fire.png", 50, 100, 0, 10, IMAGE_FLAGS);
    draw2d::SetImageHandle(imgFire, 25, 99);
    imgButUp = LoadGameImage("media/butUp.png", IMAGE_FLAGS);
    imgButDown = LoadGameImage("media/butDown.png", IMAGE_FLAGS);
    imgLogo = LoadGameImage("media/tanglelogo.png", IMAGE_FLAGS);
    imgTitle = LoadGameImage("media/title.png", IMAGE_FLAGS);
    draw2d::MidHandleImage(imgTitle);
}

// Every data file must be there and readable before anything is shown.
void CheckMediaFiles() {
    for (const char* path : MEDIA_FILES) {
        std::ifstream file(path, std::ios::binary);
        if (core::PathKind(path) != 1 || !file || file.peek() == EOF) throw MediaError(path);
    }
}

} // namespace

void StartUp() {
    CheckMediaFiles();
    gui::StartEvents();
    BuildWindow();
    timer = gui::CreateTimer(60);
    ColourLabels();
    gui::AddHook(gui::emitEventHook, GameEventHook, nullptr, 0);
    AddFieldHooks();
    window->Activate(gui::ACTIVATE_FOCUS);
    TPhysics::Create(static_cast<float>(worldWidth), static_cast<float>(worldHeight), 0.15f, 0, 1);
    TPhysics::SetGridSize(16);
    TPhysics::UseShiftedGrid(1);
    BuildRocksAndFloor();
    ooze = TOoze::Create();
    ooze->ab->DeActivate();
    MakeBarrelList();
    viewY = static_cast<float>(worldHeight);
    LoadPictures();
    score = {0, 0};
    // The barrel is first loaded by New Game; a missing or damaged file must
    // stop the program now, not in the middle of a game.
    LoadGameBody("media/barrel.tnb", 0);
}

void SetComputer(bool on) {
    computerPlays = on;
    if (butComputer) butComputer->SetText(ComputerLabel());
    opponent.Reset();
}

void OfferOnline(void (*start)(const std::string& answer)) {
    startOnline = start;
    butOnline->SetShow(start != nullptr);
}

void ShowOnline(OnlineSession* online) {
    onlineSession = online;
    session = online;
    butComputer->SetShow(0);
    butOnline->SetShow(0);
    lblOnline->SetShow(1);
    butLeave->SetShow(1);
    lblOnline->SetText(online->Status());
    online->onStatus = [](const std::string& status) {
        lblOnline->SetText(status);
        // Also on the terminal: a room's code is told from there too.
        std::fprintf(stderr, "Quorvel online: %s\n", status.c_str());
        std::fflush(stderr);
        if (onlineSession->GetPhase() != OnlineSession::Phase::Over) return;
        butLeave->SetShow(0);
        butOnline->SetShow(startOnline != nullptr);
        // A desync or a faulty peer is told at once; a player who left is
        // told by the strip.
        if (onlineSession->Desynced() || status.find("dropped") != std::string::npos)
            gui::Notify(onlineSession->Problem(), 1);
    };
}

void StopPlay() {
    if (timer) timer->Stop();
    gui::RemoveHook(gui::emitEventHook, GameEventHook, nullptr);
}

void Tick() {
    if (session && session->HoldTick()) return;
    if (session) session->BeforeTick();
    TPhysics::Update();
    ScoreBarrels();
    opponent.Tick();
    DrawScreen();
    if (session) session->AfterTick();
}

void TimerTick() {
    if (session && session->HoldTick()) return;
    if (opponent.AnswerLate()) {
        DrawScreen();
        return;
    }
    Tick();
}

void MainLoop() {
    for (;;) {
        if (gui::WaitEvent() == gui::TimerTick) TimerTick();
    }
}

void Play(const PlayEvent& event) {
    if (!session || session->Accept(event)) ApplyPlayEvent(event);
}

core::Ref<core::Object> GameEventHook(int, core::Object* data, core::Object*) {
    auto* event = core::As<gui::TEvent>(data);
    if (!event) return data;
    switch (event->id) {
    case gui::WindowSize:
        canvas->Activate(gui::ACTIVATE_REDRAW);
        break;
    case gui::WindowClose:
        if (session) session->Close();
        // A move in flight stops before the program ends.
        opponent.Stop();
        exitProgram(0);
        break;
    case gui::MouseDown: {
        if (computerPlays && turn == 1) break; // the computer's turn
        const float x = static_cast<float>(event->x), y = static_cast<float>(event->y);
        Play({PlayEvent::Click, TPhysics::SimX(x, y), TPhysics::SimY(x, y)});
        break;
    }
    case gui::MouseMove:
        mouseX = static_cast<float>(event->x);
        mouseY = static_cast<float>(event->y);
        break;
    case gui::GadgetPaint:
        Play({PlayEvent::Paint});
        break;
    case gui::GadgetAction:
        if (event->source.Get() == butNewGame.Get()) Play({PlayEvent::NewGame});
        if (event->source.Get() == butComputer.Get()) ToggleComputer();
        if (event->source.Get() == butLeave.Get() && onlineSession) onlineSession->Leave();
        if (event->source.Get() == butOnline.Get()) AskOnline();
        break;
    default:
        break;
    }
    return data;
}

namespace {

// Scrolls while the mouse rests on an arrow; -1 up, +1 down, 0 none.
int ScrollDirection(float w, float h) {
    if (!(mouseX > w * 0.5f - 16 && mouseX < w * 0.5f + 16)) return 0;
    if (mouseY < 32) {
        viewY -= 10;
        return -1;
    }
    if (mouseY > h - 32) {
        viewY += 10;
        return 1;
    }
    return 0;
}

// Keeps the view inside the world's height.
void ClampView(float h) {
    const float top = TPhysics::SimY(0, 0);
    if (top < 0) viewY -= top;
    TPhysics::SetDrawCoords(worldWidth / 2.0f, viewY);
    const float bottom = TPhysics::SimY(0, h);
    if (bottom > worldHeight) viewY += worldHeight - bottom;
    TPhysics::SetDrawCoords(worldWidth / 2.0f, viewY);
}

void DrawFlames() {
    if (fireCount > 2) {
        fireCount = 0;
        fireSeed = RandomSeed();
    } else {
        fireCount += 1;
        SeedRandom(fireSeed);
    }
    draw2d::SetBlend(draw2d::BLEND_ADD);
    draw2d::SetScale(3, 3);
    for (int x = 0; x <= worldWidth; x += 25)
        TPhysics::DrawImage(imgFire, static_cast<float>(x), 2000, RandomInt(0, 9));
    draw2d::SetScale(1, 1);
    draw2d::SetBlend(draw2d::BLEND_ALPHA);
}

} // namespace

void DrawScreen() { DrawScreenOn(canvas->CanvasGraphics()); }

void DrawScreenOn(draw2d::TGraphics* graphics) {
    draw2d::SetGraphics(graphics);
    const float w = static_cast<float>(draw2d::GraphicsWidth());
    const float h = static_cast<float>(draw2d::GraphicsHeight());
    draw2d::SetViewport(0, 0, static_cast<int>(w), static_cast<int>(h));
    const int direction = ScrollDirection(w, h);
    TPhysics::SetDrawZoom(w / worldWidth);
    ClampView(h);

    draw2d::SetBlend(draw2d::BLEND_ALPHA);
    draw2d::SetClsColor(127, 127, 255);
    draw2d::Cls();
    DrawField();
    ooze->Draw();
    DrawFlames();

    if (direction > -1) draw2d::SetAlpha(0.75f);
    draw2d::DrawImage(imgButUp, w * 0.5f - 16, 0, 0);
    draw2d::SetAlpha(direction >= 1 ? 1.0f : 0.75f);
    draw2d::DrawImage(imgButDown, w * 0.5f - 16, h - 32, 0);

    draw2d::SetAlpha(1.0f);
    draw2d::SetScale(0.5f, 0.5f);
    TPhysics::DrawImage(imgLogo, worldWidth - 90, worldHeight - 70, 0);
    draw2d::SetScale(2, 2);
    if (oozeHasGoo == 0) TPhysics::DrawImage(imgTitle, worldWidth * 0.5f, viewY, 0);
    draw2d::SetScale(1, 1);
    draw2d::Flip(-1);
}

} // namespace game
