// Cost of building a body: n fresh constraints assigned to it one after
// another, then the body cleared. Linear in n: the time per constraint
// (per_constraint) stays flat as n grows.

#include <benchmark/benchmark.h>

#include <vector>

#include "physics/tangle.h"

namespace {

using namespace kel::tangle;

void BM_AssignToOneBody(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    TPhysics::Create(1000, 2000, 0, 0, 1);
    std::vector<core::Ref<TMass>> masses;
    for (int k = 0; k < 2 * count; ++k)
        masses.push_back(TMass::Create(float(k % 1000), float(k / 1000), 1, 4, 0.5f, -1));
    for (auto _ : state) {
        core::Ref<TBody> body = core::Make<TBody>();
        for (int k = 0; k < count; ++k)
            TConstraint::Create(masses[2 * k], masses[2 * k + 1], 0, 0.5f)->Assign(body);
        benchmark::DoNotOptimize(body.Get());
    } // the body goes, and with it every constraint
    state.counters["per_constraint"] =
        benchmark::Counter(double(state.iterations()) * count,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    masses.clear();
    TPhysics::Free();
}

BENCHMARK(BM_AssignToOneBody)->Unit(benchmark::kMillisecond)->Arg(1000)->Arg(10000)->Arg(50000);

} // namespace
