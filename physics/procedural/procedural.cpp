// Definitions of the procedural forms, expanded from the table. Each checks
// at compile time that the table's parameter types (and result, where the
// form returns it) are exactly the operation's, so a form never converts.

#include "physics/procedural.h"

#include <type_traits>

#include "physics/procedural/procedural_params.h"

namespace kel::tangle {

// Whether Cls::Op has an overload that is a class function, or a method (const
// or not), of exactly this type. The generic lambda turns a mismatch into
// false instead of a hard error.
#define TANGLE_IS_CLASS_FUNCTION(Cls, Op, R, ...)                                                  \
    ([]<class C>(C*) {                                                                             \
        return requires { static_cast<R (*)(__VA_ARGS__)>(&C::Op); };                              \
    }(static_cast<Cls*>(nullptr)))
#define TANGLE_IS_METHOD(Cls, Op, R, ...)                                                          \
    ([]<class C>(C*) {                                                                             \
        return requires { static_cast<R (C::*)(__VA_ARGS__)>(&C::Op); }                            \
        || requires { static_cast<R (C::*)(__VA_ARGS__) const>(&C::Op); };                         \
    }(static_cast<Cls*>(nullptr)))

// How a form hands back what the operation gave.
#define TANGLE_RETURN_RESULT(R, Result, name, call)                                                \
    static_assert(std::is_same_v<R, Result>,                                                       \
                  name ": the table's result type is not the operation's");                        \
    return call;
#define TANGLE_RETURN_ZERO(R, Result, name, call)                                                  \
    call;                                                                                          \
    return 0;

#define TANGLE_DEFINE_FUNCTION_FORM(R, Word, Op, Returns, ...)                                     \
    R Word##Op(TANGLE_PARAMS(__VA_ARGS__)) {                                                       \
        using Result = decltype(TANGLE_CLASS(Word)::Op(TANGLE_ARGS(__VA_ARGS__)));                 \
        static_assert(                                                                             \
            TANGLE_IS_CLASS_FUNCTION(TANGLE_CLASS(Word), Op, Result __VA_OPT__(, ) __VA_ARGS__),   \
            #Word #Op ": no class function with the table's parameter types");                     \
        Returns(R, Result, #Word #Op, TANGLE_CLASS(Word)::Op(TANGLE_ARGS(__VA_ARGS__)))            \
    }
#define TANGLE_DEFINE_METHOD_FORM(R, Word, Op, Returns, ...)                                       \
    R Word##Op(TANGLE_CLASS(Word) * self __VA_OPT__(, ) TANGLE_PARAMS(__VA_ARGS__)) {              \
        using Result = decltype(self->Op(TANGLE_ARGS(__VA_ARGS__)));                               \
        static_assert(TANGLE_IS_METHOD(TANGLE_CLASS(Word), Op, Result __VA_OPT__(, ) __VA_ARGS__), \
                      #Word #Op ": no method with the table's parameter types");                   \
        Returns(R, Result, #Word #Op, self->Op(TANGLE_ARGS(__VA_ARGS__)))                          \
    }

#define TANGLE_DEFINE_NEW(Word)                                                                    \
    core::Ref<TANGLE_CLASS(Word)> Word##Create() { return core::Make<TANGLE_CLASS(Word)>(); }
#define TANGLE_DEFINE_FN(R, Word, Op, ...)                                                         \
    TANGLE_DEFINE_FUNCTION_FORM(R, Word, Op, TANGLE_RETURN_RESULT __VA_OPT__(, ) __VA_ARGS__)
#define TANGLE_DEFINE_FN0(Word, Op, ...)                                                           \
    TANGLE_DEFINE_FUNCTION_FORM(int, Word, Op, TANGLE_RETURN_ZERO __VA_OPT__(, ) __VA_ARGS__)
#define TANGLE_DEFINE_M(R, Word, Op, ...)                                                          \
    TANGLE_DEFINE_METHOD_FORM(R, Word, Op, TANGLE_RETURN_RESULT __VA_OPT__(, ) __VA_ARGS__)
#define TANGLE_DEFINE_M0(Word, Op, ...)                                                            \
    TANGLE_DEFINE_METHOD_FORM(int, Word, Op, TANGLE_RETURN_ZERO __VA_OPT__(, ) __VA_ARGS__)

TANGLE_PROCEDURAL_FORMS(TANGLE_DEFINE_NEW, TANGLE_DEFINE_FN, TANGLE_DEFINE_FN0, TANGLE_DEFINE_M,
                        TANGLE_DEFINE_M0)

} // namespace kel::tangle
