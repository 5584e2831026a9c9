#include "game/bot_script.h"

#include "game/frame.h"
#include "game/globals.h"
#include "game/random.h"
#include "graphics/recording_driver.h"

namespace game {

std::vector<RecordedEvent> OwnInputs(const Recording& recording, net::Seat seat) {
    std::vector<RecordedEvent> own;
    const int mine = static_cast<int>(seat);
    Session* const saved = session;
    session = nullptr;
    SeedRandom(recording.seed);
    turn = 0;
    auto* drawn = dynamic_cast<draw2d::TRecordingDriver*>(draw2d::GetGraphicsDriver());
    long long ticks = 0;
    for (const RecordedEvent& e : recording.events) {
        for (; ticks < e.tick; ++ticks) {
            if (drawn) drawn->Clear();
            Tick();
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
