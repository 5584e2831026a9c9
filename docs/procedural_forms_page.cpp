// Writes the reference page of the procedural forms (Markdown, for the API
// reference) from the table that declares them, so the page lists exactly
// the functions the library has.
#include <cstdio>
#include <string>

#include "physics/procedural_forms.h"

namespace {

// "float, float" from the stringized parameter list; "" when empty.
std::string Params(const char* types) { return types; }

void Row(const char* result, const char* word, const char* op, const char* cls,
         const std::string& params, bool method, bool zero) {
    std::string args = method ? std::string(cls) + "*" : "";
    if (!params.empty()) args += (args.empty() ? "" : ", ") + params;
    std::printf("| `%s %s%s(%s)` | `%s::%s` | %s |\n", zero ? "int" : result, word, op,
                args.c_str(), cls, op, zero ? "0" : "its result");
}

} // namespace

// Two steps, so that the class macro is expanded before it is stringized.
#define STR(x) #x
#define EXPANDED_STR(x) STR(x)
#define CLASS_NAME(Word) EXPANDED_STR(TANGLE_CLASS(Word))
#define PAGE_NEW(Word)                                                                             \
    std::printf("| `core::Ref<%s> %sCreate()` | a new, empty %s | the object |\n",                 \
                CLASS_NAME(Word), #Word, CLASS_NAME(Word));
#define PAGE_FN(R, Word, Op, ...)                                                                  \
    Row(#R, #Word, #Op, CLASS_NAME(Word), Params(#__VA_ARGS__), false, false);
#define PAGE_FN0(Word, Op, ...)                                                                    \
    Row("int", #Word, #Op, CLASS_NAME(Word), Params(#__VA_ARGS__), false, true);
#define PAGE_M(R, Word, Op, ...)                                                                   \
    Row(#R, #Word, #Op, CLASS_NAME(Word), Params(#__VA_ARGS__), true, false);
#define PAGE_M0(Word, Op, ...)                                                                     \
    Row("int", #Word, #Op, CLASS_NAME(Word), Params(#__VA_ARGS__), true, true);

int main() {
    std::puts("# Procedural forms {#procedural_forms}\n");
    std::puts("Every operation of the library also exists as a plain function in namespace");
    std::puts("`kel::tangle`, declared by `physics/procedural.h`. A form is named class word");
    std::puts("plus operation (`World` for TPhysics, `Mass`, `Con`, `Body`, `AdvBody`, `Rig`,");
    std::puts("`Zone`, `ColEvent`) and forwards to exactly one operation, adding nothing: the");
    std::puts("operation's own page tells what it does. A method's form takes the object");
    std::puts("first. Forms whose result is 0 call the operation and return 0 whatever it");
    std::puts("returned.\n");
    std::puts("| Form | Forwards to | Returns |");
    std::puts("|---|---|---|");
    TANGLE_PROCEDURAL_FORMS(PAGE_NEW, PAGE_FN, PAGE_FN0, PAGE_M, PAGE_M0)
    return 0;
}
