// The cost of an object's life: made and dropped, referenced, and linked into
// a list, the paths that the live object counts ride on. Masses, links and
// constraints are made in bulk (thousands per New Game); the world step
// makes none.
#include <benchmark/benchmark.h>

#include <vector>

#include "core/core.h"

namespace {

struct Small : core::Object {
    int value = 0;
};

constexpr int BULK = 4096;

void BM_MakeAndDropInBulk(benchmark::State& state) {
    std::vector<core::Ref<Small>> made;
    made.reserve(BULK);
    for (auto _ : state) {
        for (int i = 0; i < BULK; ++i) made.push_back(core::Make<Small>());
        made.clear();
    }
    state.SetItemsProcessed(state.iterations() * BULK);
}
BENCHMARK(BM_MakeAndDropInBulk);

void BM_CopyAndDropReference(benchmark::State& state) {
    core::Ref<Small> held = core::Make<Small>();
    for (auto _ : state) {
        core::Ref<Small> copy = held;
        benchmark::DoNotOptimize(copy.Get());
    }
}
BENCHMARK(BM_CopyAndDropReference);

void BM_FillAndClearList(benchmark::State& state) {
    core::Ref<core::TList> list = core::CreateList();
    core::Ref<Small> value = core::Make<Small>();
    for (auto _ : state) {
        for (int i = 0; i < BULK; ++i) list->AddLast(value);
        list->Clear();
    }
    state.SetItemsProcessed(state.iterations() * BULK);
}
BENCHMARK(BM_FillAndClearList);

} // namespace
