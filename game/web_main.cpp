// The game in a web browser: the same start-up and tick as the desktop
// program, on the browser back ends, with media/ packed into the page at
// /media. The browser calls the frame function on every animation frame; a
// tick (step and draw) runs for each timer tick due, and the page reports
// what a tick costs on its console every kReportTicks ticks. A few functions
// let the page (and its test) read the game's state.
//
// Online through a relay, from the page's address:
//   quorvel.html?relay=ws://127.0.0.1:7470&host=ROOM   (ROOM may be empty)
//   quorvel.html?relay=ws://127.0.0.1:7470&join=ROOM
// with &bot=URL to play one player's clicks from the recording at URL, and
// &delay=TICKS for the input delay. quorvel.html?replay=URL replays the
// recording at URL at start-up, as fast as it can, noting the world's hash
// after every tick (so that the two builds can be compared tick by tick).
#include <emscripten/emscripten.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>
#include <sstream>
#include <cstdio>
#include <exception>
#include <numeric>
#include <string>

#include "game/bot_script.h"
#include "game/failure.h"
#include "game/frame.h"
#include "game/globals.h"
#include "game/online_session.h"
#include "game/ooze.h"
#include "game/replay.h"
#include "graphics/draw2d_webgl.h"
#include "gui/gui.h"
#include "gui/web.h"
#include "net/web_socket_transport.h"

// A parameter of the page's address, or "" (and *given 0) when it has none.
EM_JS(char*, qv_query_param, (const char* name, int* given), {
    const value = new URLSearchParams(window.location.search).get(UTF8ToString(name));
    HEAP32[given >> 2] = value === null ? 0 : 1;
    const text = value === null ? "" : value;
    const size = lengthBytesUTF8(text) + 1;
    const copy = _malloc(size);
    stringToUTF8(text, copy, size);
    return copy;
});

// The text at a URL of the page's own site, read at once; "" when it cannot.
EM_JS(char*, qv_fetch_text, (const char* url), {
    let text = "";
    try {
        const request = new XMLHttpRequest();
        request.open("GET", UTF8ToString(url), false);
        request.send(null);
        if (request.status === 200) text = request.responseText;
    } catch (e) {}
    const size = lengthBytesUTF8(text) + 1;
    const copy = _malloc(size);
    stringToUTF8(text, copy, size);
    return copy;
});

namespace {

constexpr int kReportTicks = 600; // ten seconds of play

// What the ticks cost, as the page measures them: every kReportTicks ticks
// the median, the mean and the longest of those ticks go to the console.
struct TickTimes {
    int ticks = 0;
    std::array<double, kReportTicks> ms{};
    double lastMedian = 0;
    draw2d::WebGLDrawCounts drawn; // at the last report

    void Add(double tickMs) {
        ms[std::size_t(ticks % kReportTicks)] = tickMs;
        if (++ticks % kReportTicks) return;
        const double mean = std::accumulate(ms.begin(), ms.end(), 0.0) / kReportTicks;
        const double longest = *std::max_element(ms.begin(), ms.end());
        std::nth_element(ms.begin(), ms.begin() + kReportTicks / 2, ms.end());
        lastMedian = ms[kReportTicks / 2];
        const draw2d::WebGLDrawCounts now = draw2d::WebGLCounts();
        std::printf("quorvel: tick (step and draw) %.3f ms median, %.3f ms mean, %.3f ms longest "
                    "over ticks %d-%d; %.0f WebGL draws and %.0f vertices a tick\n",
                    lastMedian, mean, longest, ticks - kReportTicks + 1, ticks,
                    double(now.batches - drawn.batches) / kReportTicks,
                    double(now.vertices - drawn.vertices) / kReportTicks);
        drawn = now;
        std::fflush(stdout);
    }
} tickTimes;

std::unique_ptr<game::OnlineSession> online;
// The state the online game ended in, kept as it was: the game goes on offline.
std::string onlineOutcome;

void Frame() {
    try {
        while (const int id = gui::PollEvent()) {
            if (id != gui::TimerTick) continue;
            const double start = emscripten_get_now();
            game::TimerTick();
            tickTimes.Add(emscripten_get_now() - start);
            if (online && online->GetPhase() == game::OnlineSession::Phase::Over && onlineOutcome.empty())
                onlineOutcome = game::FormatOutcome(game::CurrentOutcome(online->Ticks()));
        }
    } catch (const std::exception& e) {
        // Told on the page as the desktop tells it in a dialog (no WebGL, for one).
        gui::web::StopFrames();
        game::StopPlay();
        gui::Notify(std::string("Quorvel stopped during play: ") + e.what(), 1);
    }
}


std::optional<std::string> QueryParam(const char* name) {
    int given = 0;
    char* value = qv_query_param(name, &given);
    std::string text = value;
    std::free(value);
    if (!given) return std::nullopt;
    return text;
}

// The recording at a URL of the page's site; RecordingError when it is bad.
game::Recording FetchRecording(const std::string& url) {
    char* text = qv_fetch_text(url.c_str());
    std::istringstream in(text);
    std::free(text);
    return game::ParseRecording(in, url);
}

std::unique_ptr<game::Replayer> replayer;
std::string replayHashes; // "TICK HASH" lines of the start-up replay

// A replay at start-up when the page's address asks for one.
void StartReplay() {
    const std::optional<std::string> url = QueryParam("replay");
    if (!url) return;
    replayer = std::make_unique<game::Replayer>(FetchRecording(*url));
    game::session = replayer.get();
    const game::GameOutcome end = game::ReplayToEnd(*replayer, [](long long tick, std::uint64_t hash) {
        replayHashes += game::FormatTickHash(tick, hash);
    });
    replayHashes += game::FormatOutcome(end);
}

// Online play when the page's address asks for it.
void StartOnline() {
    const std::optional<std::string> relay = QueryParam("relay");
    const std::optional<std::string> host = QueryParam("host"), join = QueryParam("join");
    if (!relay || (!host && !join)) return;
    game::OnlineOptions options;
    options.viaRelay = true;
    options.seat = host ? net::Seat::PlayerOne : net::Seat::PlayerTwo;
    options.room = host ? *host : *join;
    if (const auto delay = QueryParam("delay")) {
        const int ticks = std::atoi(delay->c_str());
        if (ticks >= 1 && ticks <= 30) options.lockstep.inputDelay = ticks;
    }
    if (const auto bot = QueryParam("bot")) {
        const game::Recording recording = FetchRecording(*bot);
        options.script = game::OwnInputs(recording, options.seat);
        options.lastTick = recording.LastTick();
    }
    online = std::make_unique<game::OnlineSession>(net::ConnectWebSocket(*relay), std::move(options));
    game::ShowOnline(online.get());
}

void StartUp() {
    game::StartUp();
    StartReplay();
    StartOnline();
}

void RunInBrowser() { gui::web::StartFrames(Frame); }

bool BlobExists(int i) { return game::ooze && game::ooze->ab && game::ooze->ab->MassExists(i); }

} // namespace

// The page's view of the game (used by its test).
extern "C" {

/// Ticks run so far.
EMSCRIPTEN_KEEPALIVE int quorvel_ticks() { return tickTimes.ticks; }
/// Median milliseconds of a tick over the last report's ticks (0 before the first).
EMSCRIPTEN_KEEPALIVE double quorvel_tick_ms() { return tickTimes.lastMedian; }
/// Blobs of the ooze in play.
EMSCRIPTEN_KEEPALIVE int quorvel_blob_count() {
    if (!game::ooze || !game::ooze->ab) return 0;
    int count = 0;
    for (int i = 0; i <= game::ooze->ab->MassMaxIndex(); ++i) count += BlobExists(i) ? 1 : 0;
    return count;
}
/// The blob nearest the canvas's centre on the screen, or -1 when none is.
EMSCRIPTEN_KEEPALIVE int quorvel_central_blob() {
    if (!game::ooze || !game::ooze->ab || !game::canvas) return -1;
    const float cx = game::canvas->width * 0.5f, cy = game::canvas->height * 0.5f;
    int best = -1;
    float bestD = 0;
    for (int i = 0; i <= game::ooze->ab->MassMaxIndex(); ++i) {
        if (!BlobExists(i)) continue;
        const float x = game::ooze->ab->MassGetX(i), y = game::ooze->ab->MassGetY(i);
        const float dx = kel::tangle::TPhysics::ScreenX(x, y) - cx;
        const float dy = kel::tangle::TPhysics::ScreenY(x, y) - cy;
        if (best < 0 || dx * dx + dy * dy < bestD) best = i, bestD = dx * dx + dy * dy;
    }
    return best;
}
/// Blob i's centre in canvas pixels.
EMSCRIPTEN_KEEPALIVE float quorvel_blob_screen_x(int i) {
    if (!BlobExists(i)) return NAN;
    const auto& ab = game::ooze->ab;
    return kel::tangle::TPhysics::ScreenX(ab->MassGetX(i), ab->MassGetY(i));
}
EMSCRIPTEN_KEEPALIVE float quorvel_blob_screen_y(int i) {
    if (!BlobExists(i)) return NAN;
    const auto& ab = game::ooze->ab;
    return kel::tangle::TPhysics::ScreenY(ab->MassGetX(i), ab->MassGetY(i));
}
/// Player p's score (0 Player One, 1 Player Two).
EMSCRIPTEN_KEEPALIVE int quorvel_score(int player) { return game::score[player & 1]; }
/// Whose turn it is (0 Player One, 1 Player Two).
EMSCRIPTEN_KEEPALIVE int quorvel_turn() { return game::turn; }
/// The world y the view is centred on (scrolling moves it).
EMSCRIPTEN_KEEPALIVE float quorvel_view_y() { return game::viewY; }
/// The start-up replay's "TICK HASH" lines and its outcome, as the desktop's
/// `--replay FILE --headless --hashes` prints them; "" without one.
EMSCRIPTEN_KEEPALIVE const char* quorvel_replay_hashes() { return replayHashes.c_str(); }
/// Online: 0 connecting, 1 waiting, 2 greeting, 3 playing, 4 over; -1 offline.
EMSCRIPTEN_KEEPALIVE int quorvel_online_phase() {
    return online ? static_cast<int>(online->GetPhase()) : -1;
}
/// Online: the strip's text, and why the online game ended.
EMSCRIPTEN_KEEPALIVE const char* quorvel_online_status() {
    static std::string text;
    text = online ? online->Status() + "\n" + online->Problem() : "";
    return text.c_str();
}
/// Online: the state the online game ended in as a headless game prints it
/// (scores, turn, online ticks, world hash); "" until it has ended.
EMSCRIPTEN_KEEPALIVE const char* quorvel_online_outcome() { return onlineOutcome.c_str(); }

} // extern "C"

int main() {
    gui::UseWebDriver();
    // The packed media/ is at /media: the program's folder is the root.
    return game::RunProgram(StartUp, RunInBrowser);
}
