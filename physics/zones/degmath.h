#pragma once
// Degree-based trigonometry and float helpers shared by the physics library.
// Every angle the library stores or reports is in degrees.

#include <cmath>

namespace kel::tangle {

constexpr double kDegToRad = 3.14159265358979323846 / 180.0;

inline double DegSin(double degrees) { return std::sin(degrees * kDegToRad); }
inline double DegCos(double degrees) { return std::cos(degrees * kDegToRad); }
// Angle of (x, y) in degrees, -180 ... 180; 0 along +x, 90 along +y.
inline double DegAtan2(double y, double x) { return std::atan2(y, x) / kDegToRad; }

// Clamp to 0 ... 1; not-a-number becomes 0 so it can never reach a position.
inline float Clamp01(float f) { return !(f > 0.0f) ? 0.0f : (f > 1.0f ? 1.0f : f); }

// Float to int truncating towards zero; values an int cannot hold saturate and
// not-a-number gives 0 (a plain cast would be undefined behaviour).
inline int TruncToInt(float f) {
    if (!(f == f)) return 0;
    if (f >= 2147483647.0f) return 2147483647;
    if (f <= -2147483648.0f) return -2147483647 - 1;
    return static_cast<int>(f);
}

} // namespace kel::tangle
