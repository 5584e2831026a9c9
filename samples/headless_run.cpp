#include "samples/headless_run.h"

#include <ostream>
#include <string>

#include "samples/scene_table.h"
#include "samples/testbed.h"

namespace samples {

int RunHeadless(int index, int steps, std::ostream& out, std::ostream& err) {
    const char* name = Scenes()[static_cast<std::size_t>(index)].name;
    core::Ref<Testbed> testbed = core::Make<Testbed>(index);
    for (int step = 1; step <= steps; ++step) {
        testbed->Tick();
        if (const std::string fault = CheckWorld(); !fault.empty()) {
            err << name << ": after step " << step << ": " << fault << "\n";
            return 1;
        }
    }
    if (const std::string fault = testbed->CurrentScene().Check(); !fault.empty()) {
        err << name << ": after " << steps << " steps: " << fault << "\n";
        return 1;
    }
    out << name << ": steps=" << steps << " " << FormatFigures(testbed->LastFigures()) << "\n";
    return 0;
}

} // namespace samples
