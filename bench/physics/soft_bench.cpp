// The soft-body tables, printed: a program rather than timed benchmarks,
// since what it measures is where bodies end up, not how fast.
//   rolling  the wheel of jelly dropped flat on a floor (both build orders,
//            friction 0, 0.5 and 1), in solver modes 0, 1, 2 and 3: where its
//            centre ends up against where it first touched, and how far it
//            turned; each row also in the mirrored world
//   sag      a hanging chain of compliant links: its sag at 1, 4 and 16
//            passes, and at 1 and 4 passes of 4 substeps
//   blob     a pressure blob's area over its rest area: settled on a floor,
//            under a heavy block, and after the block is gone
//   still    the wheel in a fixed set of 60 varied drops (trigonometry in
//            float or double, mass radius, frictions, build order), modes 2
//            and 3, landing on a corner and on an edge: how many stay where
//            they land
// Usage: soft_bench [rolling|still|sag|blob] (all without an argument).

#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>

#include "tests/support/soft_scenes.h"

namespace {

using namespace soft_scenes;

void Rolling() {
    std::printf("rolling: the wheel dropped flat, 600 steps (limits: |moved| < 2, |turned| < 5)\n");
    std::printf("%-5s %-4s %-8s %9s %9s %9s %12s\n", "mode", "ring", "friction", "touched", "moved",
                "turned", "mirror diff");
    for (int mode : {0, 1, 2, 3}) {
        for (bool clockwise : {false, true}) {
            for (float friction : {0.0f, 0.5f, 1.0f}) {
                const WheelResult r = DropWheel({clockwise, friction, mode, false});
                const WheelResult m = DropWheel({clockwise, friction, mode, true});
                const float mirrorDiff = std::fabs((kWheelWorldWidth - m.endX) - r.endX);
                std::printf("%-5d %-4s %-8.1f %9.2f %9.2f %9.1f %12.3f\n", mode,
                            clockwise ? "cw" : "ccw", friction, r.touchX, r.endX - r.touchX,
                            r.turned, mirrorDiff);
            }
        }
    }
}

// The wheel in the fixed set of varied drops, landing on the mass at the
// bottom of its ring (balanced on a corner) or on the edge between two:
// how many stay within 2 units and 5 degrees, and the worst of each.
void Still() {
    std::printf("still: 60 varied wheels, 600 steps (limits: |moved| < 2, |turned| < 5)\n");
    std::printf("%-5s %-7s %8s %10s %11s %s\n", "mode", "lands", "held", "worst move", "worst turn",
                "  (failed drops: mass friction / floor friction)");
    for (bool onEdge : {false, true}) {
        for (int mode : {2, 3}) {
            int held = 0;
            float worstMove = 0, worstTurn = 0;
            std::string failed;
            for (int k = 0; k < 60; ++k) {
                const WheelDrop drop = VariedWheel(k, mode, onEdge);
                const WheelResult r = DropWheel(drop);
                const float moved = std::fabs(r.endX - r.touchX), turned = std::fabs(r.turned);
                if (moved < 2 && turned < 5) {
                    ++held;
                } else {
                    char text[32];
                    std::snprintf(text, sizeof text, " %.1f/%.1f",
                                  static_cast<double>(drop.friction),
                                  static_cast<double>(drop.floorFriction));
                    failed += text;
                }
                worstMove = std::fmax(worstMove, moved);
                worstTurn = std::fmax(worstTurn, turned);
            }
            std::printf("%-5d %-7s %5d/60 %10.2f %11.1f  %s\n", mode, onEdge ? "edge" : "corner",
                        held, worstMove, worstTurn, failed.c_str());
        }
    }
}

void Sag() {
    std::printf("sag: a chain of 10 links 1.1 times its gap, settled 3000 steps\n");
    std::printf("%-10s %8s %8s %8s %10s %10s %8s\n", "compliance", "1 pass", "4", "16", "4 sub x 1",
                "4 sub x 4", "spread");
    // -1: no compliance, the per-pass stiffness of 1 the links are made with.
    for (float compliance : {-1.0f, 0.5f, 1.0f, 2.0f, 5.0f, 10.0f}) {
        const float r[] = {HangingChainSag(1, 0, compliance), HangingChainSag(4, 0, compliance),
                           HangingChainSag(16, 0, compliance), HangingChainSag(1, 1, compliance),
                           HangingChainSag(4, 1, compliance)};
        float lo = r[0], hi = r[0];
        for (float x : r) {
            lo = std::fmin(lo, x);
            hi = std::fmax(hi, x);
        }
        if (compliance < 0)
            std::printf("%-10s", "per pass");
        else
            std::printf("%-10.1f", compliance);
        std::printf(" %8.2f %8.2f %8.2f %10.2f %10.2f %7.1f%%\n", r[0], r[1], r[2], r[3], r[4],
                    100 * (hi / lo - 1));
    }
}

void Blob() {
    std::printf("blob: area over rest area (target: settled and recovered within 5%% of 1)\n");
    std::printf("%-7s %-5s %8s %9s %10s\n", "passes", "mode", "settled", "squeezed", "recovered");
    for (int passes : {1, 4, 8}) {
        for (int mode : {0, 2}) {
            const BlobResult r = SqueezeBlob(passes, mode);
            std::printf("%-7d %-5d %8.3f %9.3f %10.3f\n", passes, mode, r.settled, r.squeezed,
                        r.recovered);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    const char* only = argc > 1 ? argv[1] : nullptr;
    auto wanted = [&](const char* name) { return !only || std::strcmp(only, name) == 0; };
    if (wanted("rolling")) Rolling();
    if (wanted("still")) Still();
    if (wanted("sag")) Sag();
    if (wanted("blob")) Blob();
    return 0;
}
