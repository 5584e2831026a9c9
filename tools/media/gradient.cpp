#include "tools/media/gradient.h"

#include <cmath>

#include "core/error.h"

namespace media {

Ramp::Ramp(std::initializer_list<ColorStop> stops) : stops_(stops) {
    if (stops_.empty()) throw core::RuntimeError("Colour ramp needs a stop");
    for (std::size_t i = 1; i < stops_.size(); ++i)
        if (stops_[i].at < stops_[i - 1].at)
            throw core::RuntimeError("Colour ramp stops must not decrease");
}

Color Ramp::At(float t) const {
    if (t <= stops_.front().at) return stops_.front().color;
    for (std::size_t i = 1; i < stops_.size(); ++i) {
        if (t <= stops_[i].at) {
            const ColorStop& a = stops_[i - 1];
            const ColorStop& b = stops_[i];
            const float span = b.at - a.at;
            return span > 0 ? Mix(a.color, b.color, (t - a.at) / span) : b.color;
        }
    }
    return stops_.back().color;
}

Color LinearGradient::operator()(float x, float y) const {
    const float dx = x1 - x0, dy = y1 - y0;
    const float len2 = dx * dx + dy * dy;
    return ramp.At(len2 > 0 ? ((x - x0) * dx + (y - y0) * dy) / len2 : 0);
}

Color RadialGradient::operator()(float x, float y) const {
    return ramp.At(std::hypot((x - cx) / rx, (y - cy) / ry));
}

} // namespace media
