#include "game/recorder.h"

#include "game/random.h"

namespace game {

Recorder::Recorder(const std::string& path) : writer_(path, RandomSeed()) {}

bool Recorder::Accept(const PlayEvent& event) {
    writer_.Write({ticks_, event});
    return true;
}

void Recorder::Close() { writer_.End(ticks_); }

} // namespace game
