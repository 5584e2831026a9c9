#pragma once
// Whether numbers handed to the library are finite. Every setter and creator
// refuses a NaN or an infinity (a setter returns -1, a creator none) and
// changes nothing: such a value would otherwise reach the step unannounced
// and end as a mass pinned to a wall.

#include <cmath>
#include <type_traits>
#include <vector>

namespace kel::tangle::detail {

/// True when every value is finite (no NaN, no infinity).
template <class... F>
    requires(std::is_floating_point_v<F> && ...)
bool AllFinite(F... values) {
    return (std::isfinite(values) && ...);
}

/// True when every value of the array is finite.
inline bool AllFinite(const std::vector<float>& values) {
    for (float v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

} // namespace kel::tangle::detail
