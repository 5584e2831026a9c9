#pragma once
// The few compiler intrinsics the hot paths use, each with a portable
// fallback, so that the rest of the library is plain C++: on GCC and Clang
// they are the builtins; elsewhere a prefetch does nothing, a bit count
// loops, a value is not hidden from the optimiser and a shared count is added
// to through std::atomic_ref (which not every standard library has yet).

#include <bit>
#include <cstdint>
#if !defined(__GNUC__) && !defined(__clang__)
#include <atomic>
#endif

#if defined(__GNUC__) || defined(__clang__)
// Inlined wherever it is called, whatever the optimiser's own cost model says.
#define QUORVEL_ALWAYS_INLINE [[gnu::always_inline]] inline
#elif defined(_MSC_VER)
#define QUORVEL_ALWAYS_INLINE __forceinline
#else
#define QUORVEL_ALWAYS_INLINE inline
#endif

namespace kel::tangle::detail {

// Asks for the cache line at p to be fetched for reading (or, with
// `forWrite`, for writing); a hint only, which never faults.
template <bool forWrite = false> inline void Prefetch(const void* p) {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(p, forWrite ? 1 : 0);
#else
    (void)p;
#endif
}

// The index of the lowest set bit; x must not be 0.
inline unsigned LowestBit(std::uint32_t x) {
#if defined(__GNUC__) || defined(__clang__)
    return static_cast<unsigned>(__builtin_ctz(x));
#else
    return static_cast<unsigned>(std::countr_zero(x));
#endif
}
inline unsigned LowestBit(std::uint64_t x) {
#if defined(__GNUC__) || defined(__clang__)
    return static_cast<unsigned>(__builtin_ctzll(x));
#else
    return static_cast<unsigned>(std::countr_zero(x));
#endif
}

// Makes v opaque to the optimiser, which then can neither fold it nor turn
// code that depends on it back into a jump.
inline void HideFromOptimiser(std::uint32_t& v) {
#if defined(__GNUC__) || defined(__clang__)
    asm("" : "+r"(v));
#else
    (void)v;
#endif
}

// Adds n to a count that other threads add to at the same time (and that
// nothing else reads or writes meanwhile).
inline void AddShared(std::uint32_t& count, std::uint32_t n) {
#if defined(__GNUC__) || defined(__clang__)
    __atomic_fetch_add(&count, n, __ATOMIC_RELAXED);
#else
    std::atomic_ref<std::uint32_t>(count).fetch_add(n, std::memory_order_relaxed);
#endif
}

} // namespace kel::tangle::detail
