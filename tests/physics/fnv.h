#pragma once
// FNV-1a over raw bytes: a hash of a run's exact bits, so that two runs that
// must agree bit for bit compare as one number.

#include <cstddef>
#include <cstdint>

struct Fnv {
    std::uint64_t h = 1469598103934665603ull;
    void Add(const void* data, std::size_t n) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (std::size_t k = 0; k < n; ++k) {
            h ^= p[k];
            h *= 1099511628211ull;
        }
    }
    void Add(float f) { Add(&f, sizeof f); }
    void Add(int v) { Add(&v, sizeof v); }
};
