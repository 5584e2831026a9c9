#include "game/session.h"

#include "game/field.h"
#include "game/frame.h"
#include "game/globals.h"
#include "game/ooze.h"

namespace game {

Session* session = nullptr;

void ApplyPlayEvent(const PlayEvent& event) {
    switch (event.kind) {
    case PlayEvent::Click:
        ooze->Del(event.x, event.y);
        break;
    case PlayEvent::NewGame:
        NewGame();
        break;
    case PlayEvent::Paint:
        DrawScreen();
        break;
    }
}

} // namespace game
