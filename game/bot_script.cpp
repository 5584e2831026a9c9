#include "game/bot_script.h"

#include "game/field.h"
#include "game/globals.h"
#include "game/ooze.h"
#include "game/random.h"

namespace game {

using kel::tangle::TPhysics;

std::vector<RecordedEvent> OwnInputs(const Recording& recording, net::Seat seat) {
    std::vector<RecordedEvent> own;
    const int mine = static_cast<int>(seat);
    Session* const saved = session;
    session = nullptr;
    SeedRandom(recording.seed);
    turn = 0;
    long long ticks = 0;
    for (const RecordedEvent& e : recording.events) {
        // A tick's work on the game's state, without its frame (which in a
        // browser would queue hundreds of frames for the GPU at once): the
        // step, the scoring and the clearing away of stranded blobs.
        for (; ticks < e.tick; ++ticks) {
            TPhysics::Update();
            ScoreBarrels();
            ooze->ClearStranded();
        }
        if (e.event.kind == PlayEvent::Paint) continue;
        const bool ownInput = e.event.kind == PlayEvent::NewGame ? mine == 0 : turn == mine;
        if (ownInput) own.push_back(e);
        ApplyPlayEvent(e.event);
    }
    session = saved;
    return own;
}

} // namespace game
