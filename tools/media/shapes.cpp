#include "tools/media/shapes.h"

#include "core/error.h"

namespace media {

float Ellipse::Distance(float x, float y) const {
    const float px = x - cx, py = y - cy;
    const float k0 = std::hypot(px / rx, py / ry);
    const float k1 = std::hypot(px / (rx * rx), py / (ry * ry));
    if (k1 < 1e-9f) return -std::min(rx, ry);
    return k0 * (k0 - 1) / k1;
}

float Capsule::Distance(float x, float y) const {
    const float pax = x - ax, pay = y - ay, bax = bx - ax, bay = by - ay;
    const float len2 = bax * bax + bay * bay;
    const float h = len2 > 0 ? std::clamp((pax * bax + pay * bay) / len2, 0.0f, 1.0f) : 0.0f;
    return std::hypot(pax - bax * h, pay - bay * h) - (r0 + (r1 - r0) * h);
}

Box Capsule::Bounds() const {
    const float r = std::max(r0, r1);
    return {std::min(ax, bx) - r, std::min(ay, by) - r, std::max(ax, bx) + r, std::max(ay, by) + r};
}

float RoundRect::Distance(float px, float py) const {
    const float hw = w * 0.5f, hh = h * 0.5f;
    const float r = std::min({radius, hw, hh});
    const float qx = std::fabs(px - (x + hw)) - (hw - r);
    const float qy = std::fabs(py - (y + hh)) - (hh - r);
    const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - r;
}

Polygon::Polygon(std::vector<float> xy) : xy_(std::move(xy)) {
    if (xy_.size() < 6 || xy_.size() % 2) throw core::RuntimeError("Polygon needs three vertices");
    bounds_ = {xy_[0], xy_[1], xy_[0], xy_[1]};
    for (std::size_t i = 2; i < xy_.size(); i += 2)
        bounds_ = bounds_.Join({xy_[i], xy_[i + 1], xy_[i], xy_[i + 1]});
}

float Polygon::Distance(float x, float y) const {
    const std::size_t n = xy_.size() / 2;
    float best = 1e30f;
    bool inside = false;
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        const float ax = xy_[2 * j], ay = xy_[2 * j + 1];
        const float bx = xy_[2 * i], by = xy_[2 * i + 1];
        const float ex = bx - ax, ey = by - ay, wx = x - ax, wy = y - ay;
        const float len2 = ex * ex + ey * ey;
        const float h = len2 > 0 ? std::clamp((wx * ex + wy * ey) / len2, 0.0f, 1.0f) : 0.0f;
        const float dx = wx - ex * h, dy = wy - ey * h;
        best = std::min(best, dx * dx + dy * dy);
        // Even-odd crossing of a ray towards +x.
        if ((ay > y) != (by > y) && x < ax + (y - ay) * ex / ey) inside = !inside;
    }
    const float d = std::sqrt(best);
    return inside ? -d : d;
}

void Strokes::Add(const Capsule& c) {
    bounds_ = parts_.empty() ? c.Bounds() : bounds_.Join(c.Bounds());
    parts_.push_back(c);
}

void Strokes::AddPolyline(const std::vector<float>& xy, float radius) {
    if (xy.size() == 2) Add({xy[0], xy[1], xy[0], xy[1], radius, radius});
    for (std::size_t i = 2; i + 1 < xy.size(); i += 2)
        Add({xy[i - 2], xy[i - 1], xy[i], xy[i + 1], radius, radius});
}

float Strokes::Distance(float x, float y) const {
    float best = 1e30f;
    for (const Capsule& c : parts_) best = std::min(best, c.Distance(x, y));
    return best;
}

} // namespace media
