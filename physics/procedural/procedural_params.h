#pragma once
// Preprocessor helpers that turn a list of parameter types into a parameter
// list with generated names (t1 a1, t2 a2, ...) and into the matching
// forwarding arguments, so a table line needs to give the types only.

#include <utility>

#define TANGLE_CAT(a, b) TANGLE_CAT_(a, b)
#define TANGLE_CAT_(a, b) a##b

// Number of arguments, 0 ... 7.
#define TANGLE_COUNT(...) TANGLE_COUNT_(__VA_ARGS__ __VA_OPT__(, ) 7, 6, 5, 4, 3, 2, 1, 0)
#define TANGLE_COUNT_(a, b, c, d, e, f, g, n, ...) n

// "float, int" -> "float a1, int a2"
#define TANGLE_PARAMS(...) TANGLE_CAT(TANGLE_PARAMS_, TANGLE_COUNT(__VA_ARGS__))(__VA_ARGS__)
#define TANGLE_PARAMS_0()
#define TANGLE_PARAMS_1(t1) t1 a1
#define TANGLE_PARAMS_2(t1, t2) t1 a1, t2 a2
#define TANGLE_PARAMS_3(t1, t2, t3) t1 a1, t2 a2, t3 a3
#define TANGLE_PARAMS_4(t1, t2, t3, t4) t1 a1, t2 a2, t3 a3, t4 a4
#define TANGLE_PARAMS_5(t1, t2, t3, t4, t5) t1 a1, t2 a2, t3 a3, t4 a4, t5 a5
#define TANGLE_PARAMS_6(t1, t2, t3, t4, t5, t6) t1 a1, t2 a2, t3 a3, t4 a4, t5 a5, t6 a6
#define TANGLE_PARAMS_7(t1, t2, t3, t4, t5, t6, t7) t1 a1, t2 a2, t3 a3, t4 a4, t5 a5, t6 a6, t7 a7

// "float, int" -> the parameters a1, a2 passed on as declared: references
// stay references, values taken by value are moved on rather than copied.
#define TANGLE_ARGS(...) TANGLE_CAT(TANGLE_ARGS_, TANGLE_COUNT(__VA_ARGS__))(__VA_ARGS__)
#define TANGLE_FWD(t, a) std::forward<t>(a)
#define TANGLE_ARGS_0()
#define TANGLE_ARGS_1(t1) TANGLE_FWD(t1, a1)
#define TANGLE_ARGS_2(t1, t2) TANGLE_ARGS_1(t1), TANGLE_FWD(t2, a2)
#define TANGLE_ARGS_3(t1, t2, t3) TANGLE_ARGS_2(t1, t2), TANGLE_FWD(t3, a3)
#define TANGLE_ARGS_4(t1, t2, t3, t4) TANGLE_ARGS_3(t1, t2, t3), TANGLE_FWD(t4, a4)
#define TANGLE_ARGS_5(t1, t2, t3, t4, t5) TANGLE_ARGS_4(t1, t2, t3, t4), TANGLE_FWD(t5, a5)
#define TANGLE_ARGS_6(t1, t2, t3, t4, t5, t6) TANGLE_ARGS_5(t1, t2, t3, t4, t5), TANGLE_FWD(t6, a6)
#define TANGLE_ARGS_7(t1, t2, t3, t4, t5, t6, t7)                                                  \
    TANGLE_ARGS_6(t1, t2, t3, t4, t5, t6), TANGLE_FWD(t7, a7)
