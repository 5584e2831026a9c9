// libFuzzer target: recordings are files that players share, so their
// reader meets anything. A recording that reads is written out line by line
// and must read back to the same events.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "game/recording.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    game::Recording recording;
    try {
        recording = game::ParseRecording(in, "fuzz.qrec");
    } catch (const game::RecordingError& e) {
        if (std::string(e.what()).empty()) std::abort();
        return 0;
    }
    std::string text = std::string(game::RECORDING_MAGIC) + " " +
                       std::to_string(game::RECORDING_VERSION) + "\nseed " +
                       std::to_string(recording.seed) + "\n";
    for (const game::RecordedEvent& e : recording.events) text += game::FormatEventLine(e) + "\n";
    if (recording.endTick) text += std::to_string(*recording.endTick) + " end\n";
    std::istringstream again(text);
    const game::Recording back = game::ParseRecording(again, "again.qrec");
    if (back.seed != recording.seed || back.events.size() != recording.events.size() ||
        back.endTick != recording.endTick)
        std::abort();
    for (std::size_t k = 0; k < back.events.size(); ++k)
        if (game::FormatEventLine(back.events[k]) != game::FormatEventLine(recording.events[k]))
            std::abort();
    return 0;
}
