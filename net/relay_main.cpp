// quorvel-relay: pairs two Quorvel players by room code and passes their
// messages on (see net/relay.h). Listens on 127.0.0.1 unless told another
// address; needs no rights beyond its port.
// Before Asio: its awaitable.hpp needs std::exchange under C++20.
#include <utility>

#include <boost/asio.hpp>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "net/relay.h"

namespace {

constexpr const char* kUsage =
    "Usage: quorvel-relay [--listen ADDRESS:PORT] [--max-rooms N] [--max-rate N] [--delay MS]\n"
    "                     [--stats SECONDS]\n"
    "\n"
    "  --listen ADDRESS:PORT  where to listen (default 127.0.0.1:7470); give\n"
    "                         0.0.0.0:7470 to serve other machines\n"
    "  --max-rooms N          rooms open at once (default 1000)\n"
    "  --max-rate N           messages a second one player may send (default 300;\n"
    "                         a game at 60 ticks a second sends some 61)\n"
    "  --delay MS             hold every message MS milliseconds before passing\n"
    "                         it on, to try play over a slow network (default 0)\n"
    "  --stats SECONDS        print rooms, connections and memory that often\n";

bool Number(const std::string& text, long max, long& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= 0 && value <= max;
}

// Resident memory in kilobytes, from /proc.
long ResidentKb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * 4;
}

} // namespace

int main(int argc, char** argv) {
    net::Endpoint listen{"127.0.0.1", net::DEFAULT_RELAY_PORT};
    net::RelayLimits limits;
    long statsSeconds = 0;
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& arg = args[k];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        const bool hasValue = k + 1 < args.size();
        long value = 0;
        if (arg == "--listen" && hasValue && net::ParseEndpoint(args[k + 1], listen, listen)) {
            ++k;
        } else if (arg == "--max-rooms" && hasValue && Number(args[k + 1], 1000000, value) &&
                   value > 0) {
            limits.maxRooms = static_cast<std::size_t>(value);
            limits.maxConnections = 2 * limits.maxRooms + 500;
            ++k;
        } else if (arg == "--max-rate" && hasValue && Number(args[k + 1], 10000000, value) &&
                   value > 0) {
            limits.maxMessagesPerSecond = static_cast<int>(value);
            ++k;
        } else if (arg == "--delay" && hasValue && Number(args[k + 1], 10000, value)) {
            limits.delay = std::chrono::milliseconds(value);
            ++k;
        } else if (arg == "--stats" && hasValue && Number(args[k + 1], 86400, value) && value > 0) {
            statsSeconds = value;
            ++k;
        } else {
            std::fprintf(stderr, "quorvel-relay: cannot use \"%s\"%s\n%s", arg.c_str(),
                         hasValue ? (" " + args[k + 1]).c_str() : "", kUsage);
            return 2;
        }
    }

    boost::asio::io_context io;
    try {
        net::Relay relay(io, listen, limits);
        std::fprintf(stderr, "quorvel-relay: listening on %s\n",
                     net::FormatEndpoint({listen.host, relay.Port()}).c_str());
        std::fflush(stderr);
        boost::asio::signal_set signals(io, SIGINT, SIGTERM);
        signals.async_wait([&](const boost::system::error_code&, int) {
            relay.Stop();
            io.stop();
        });
        boost::asio::steady_timer stats(io);
        std::function<void()> report = [&] {
            stats.expires_after(std::chrono::seconds(statsSeconds));
            stats.async_wait([&](const boost::system::error_code& error) {
                if (error) return;
                const net::RelayStats s = relay.Stats();
                std::fprintf(
                    stderr,
                    "quorvel-relay: %zu rooms, %zu connections, %llu paired, %llu dropped, "
                    "%llu messages, %ld kB resident\n",
                    s.rooms, s.connections, static_cast<unsigned long long>(s.paired),
                    static_cast<unsigned long long>(s.dropped),
                    static_cast<unsigned long long>(s.messages), ResidentKb());
                std::fflush(stderr);
                report();
            });
        };
        if (statsSeconds > 0) report();
        io.run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorvel-relay: %s\n", e.what());
        return 1;
    }
    return 0;
}
