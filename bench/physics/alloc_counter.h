#pragma once
// Counts what goes through the global operator new of the benchmark binary.

#include <cstddef>
#include <cstdint>

namespace alloc_counter {

struct Totals {
    std::uint64_t calls;
    std::uint64_t bytes;
};

Totals Now();

} // namespace alloc_counter
