#include "core/exact_trig.h"

#include <cmath>

namespace core {

namespace {

// A number as the unevaluated sum hi + lo with |lo| <= half an ulp of hi:
// about 106 bits, so that rounding it to a double gives the correctly
// rounded result (what the desktop's library gives) except in cases far
// rarer than any program meets. Error-free sums and products after Knuth
// and Dekker, in plain double operations.
struct Wide {
    double hi = 0, lo = 0;
};

Wide QuickSum(double a, double b) { // |a| >= |b|
    const double s = a + b;
    return {s, b - (s - a)};
}

Wide TwoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

Wide TwoProduct(double a, double b) {
    constexpr double kSplit = 134217729.0; // 2^27 + 1
    const double p = a * b;
    const double ca = kSplit * a, cb = kSplit * b;
    const double ah = ca - (ca - a), al = a - ah;
    const double bh = cb - (cb - b), bl = b - bh;
    return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

Wide Add(Wide a, Wide b) {
    const Wide s = TwoSum(a.hi, b.hi);
    return QuickSum(s.hi, s.lo + a.lo + b.lo);
}

Wide Multiply(Wide a, Wide b) {
    const Wide p = TwoProduct(a.hi, b.hi);
    return QuickSum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

// 1 / k!, k = 0 ... 29, as hi and lo.
constexpr Wide kInverseFactorial[] = {
    {0x1.0000000000000p+0, 0},
    {0x1.0000000000000p+0, 0},
    {0x1.0000000000000p-1, 0},
    {0x1.5555555555555p-3, 0x1.5555555555555p-57},
    {0x1.5555555555555p-5, 0x1.5555555555555p-59},
    {0x1.1111111111111p-7, 0x1.1111111111111p-63},
    {0x1.6c16c16c16c17p-10, -0x1.f49f49f49f49fp-65},
    {0x1.a01a01a01a01ap-13, 0x1.a01a01a01a01ap-73},
    {0x1.a01a01a01a01ap-16, 0x1.a01a01a01a01ap-76},
    {0x1.71de3a556c734p-19, -0x1.c154f8ddc6c00p-73},
    {0x1.27e4fb7789f5cp-22, 0x1.cbbc05b4fa99ap-76},
    {0x1.ae64567f544e4p-26, -0x1.c062e06d1f209p-80},
    {0x1.1eed8eff8d898p-29, -0x1.2aec959e14c06p-83},
    {0x1.6124613a86d09p-33, 0x1.f28e0cc748ebep-87},
    {0x1.93974a8c07c9dp-37, 0x1.05d6f8a2efd1fp-92},
    {0x1.ae7f3e733b81fp-41, 0x1.1d8656b0ee8cbp-97},
    {0x1.ae7f3e733b81fp-45, 0x1.1d8656b0ee8cbp-101},
    {0x1.952c77030ad4ap-49, 0x1.ac981465ddc6cp-103},
    {0x1.6827863b97d97p-53, 0x1.eec01221a8b0bp-107},
    {0x1.2f49b46814157p-57, 0x1.2650f61dbdcb4p-112},
    {0x1.e542ba4020225p-62, 0x1.ea72b4afe3c2fp-120},
    {0x1.71b8ef6dcf572p-66, -0x1.d043ae40c4647p-120},
    {0x1.0ce396db7f853p-70, -0x1.aebcdbd20331cp-124},
    {0x1.761b41316381ap-75, -0x1.3423c7d91404fp-130},
    {0x1.f2cf01972f578p-80, -0x1.9ada5fcc1ab14p-135},
    {0x1.3f3ccdd165fa9p-84, -0x1.58ddadf344487p-139},
    {0x1.88e85fc6a4e5ap-89, -0x1.71c37ebd16540p-143},
    {0x1.d1ab1c2dccea3p-94, 0x1.054d0c78aea14p-149},
    {0x1.0a18a2635085dp-98, 0x1.b9e2e28e1aa54p-153},
    {0x1.259f98b4358adp-103, 0x1.eaf8c39dd9bc5p-157},
};
constexpr int kTerms = 30;

// pi / 2 in three parts, and 2 / pi for the quadrant.
constexpr double kHalfPi1 = 0x1.921fb54442d18p+0;
constexpr double kHalfPi2 = 0x1.1a62633145c07p-54;
constexpr double kHalfPi3 = -0x1.f1976b7ed8fbcp-110;
constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;

// The Taylor series of sin (first = 1) or cos (first = 0) at r, |r| <= pi / 4
// or a little more: sum over k = first, first + 2, ... of (-1)^(k/2) r^k / k!,
// in Horner form on r^2 from the smallest term up. The first term left out
// is below 1e-33 there.
Wide Series(Wide r, int first) {
    const Wide z = Multiply(r, r);
    int k = kTerms - 2 + first;
    if (k >= kTerms) k -= 2;
    Wide sum{};
    for (; k >= first; k -= 2) {
        Wide term = kInverseFactorial[k];
        if ((k / 2) % 2 != 0) term = {-term.hi, -term.lo};
        sum = Add(Multiply(sum, z), term);
    }
    return first == 1 ? Multiply(sum, r) : sum;
}

// sin (wantSin) or cos of x, through r = x - n * pi / 2 and the quadrant n
// mod 4. |n| stays small enough for n * kHalfPi3 to lose nothing that matters
// for |x| up to about 1e5.
double SinOrCos(double x, bool wantSin) {
    if (!std::isfinite(x)) return x - x; // NaN
    const double n = std::nearbyint(x * kTwoOverPi);
    Wide r{x, 0};
    const Wide p1 = TwoProduct(n, kHalfPi1);
    const Wide p2 = TwoProduct(n, kHalfPi2);
    r = Add(r, {-p1.hi, -p1.lo});
    r = Add(r, {-p2.hi, -p2.lo});
    r = Add(r, {-n * kHalfPi3, 0});
    const double m = std::fmod(n, 4.0); // exact
    const int quadrant = (static_cast<int>(m < 0 ? m + 4 : m) + (wantSin ? 0 : 1)) % 4;
    // sin(r + q pi/2): sin, cos, -sin, -cos for q = 0 ... 3.
    const Wide v = Series(r, quadrant % 2 == 0 ? 1 : 0);
    const double result = v.hi + v.lo;
    return quadrant >= 2 ? -result : result;
}

} // namespace

double ExactSin(double radians) { return SinOrCos(radians, true); }

double ExactCos(double radians) { return SinOrCos(radians, false); }

} // namespace core
