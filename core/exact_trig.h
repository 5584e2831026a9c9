#pragma once
// Sine and cosine that give the same bits on every build.
//
// The C libraries round the last bit of std::sin and std::cos differently
// (glibc on the desktop, musl in the WebAssembly build), so a value placed
// with them can differ between two builds that must agree bit for bit: the
// rings the physics builders place, anything a networked game computes on
// both ends. These are written in plain double arithmetic (no fused
// multiply-add, no library call), which IEEE 754 rounds the same everywhere.
// They carry about 106 bits and round once at the end, so they give the
// correctly rounded double as the desktop library does; a test holds them
// to it on every angle the builders use.

namespace core {

/// The sine of `radians`, the same on every build: the correctly rounded
/// double for |radians| up to about 1e5 (beyond, the argument reduction
/// loses bits, the same way on every build). NaN for a NaN or an infinity.
double ExactSin(double radians);
/// The cosine of `radians`, as ExactSin.
double ExactCos(double radians);

} // namespace core
