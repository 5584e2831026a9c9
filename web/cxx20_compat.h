#pragma once
// The web build's compiler (Emscripten 3.1.6, clang 14 with its libc++) knows
// C++20 but its library lacks std::bit_cast, the range algorithms this code
// uses, and from_chars / to_chars of floats. They are supplied here, only when missing, and only for the web
// build (forced in by cmake/QuorvelWeb.cmake); the desktop build never sees
// this file.
#ifdef __cplusplus
#include <version>

#if !defined(__cpp_lib_bit_cast)
#include <type_traits>
namespace std {
template <class To, class From>
    requires(sizeof(To) == sizeof(From) && is_trivially_copyable_v<To> &&
             is_trivially_copyable_v<From>)
constexpr To bit_cast(const From& from) noexcept {
    return __builtin_bit_cast(To, from);
}
} // namespace std
#endif

#if !defined(__cpp_lib_ranges)
#include <algorithm>
#include <iterator>
namespace std::ranges {
struct any_of_fn {
    template <class Range, class Predicate>
    constexpr bool operator()(Range&& range, Predicate predicate) const {
        return std::any_of(std::begin(range), std::end(range), predicate);
    }
};
inline constexpr any_of_fn any_of{};
} // namespace std::ranges
#endif
#if !defined(__cpp_lib_to_chars)
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>
namespace std {
// The shortest text that reads back as the same float, as to_chars gives.
inline to_chars_result to_chars(char* first, char* last, float value) {
    char text[32];
    int length = 0;
    for (int digits = 1; digits <= 9; ++digits) {
        length = snprintf(text, sizeof text, "%.*g", digits, double(value));
        if (strtof(text, nullptr) == value || value != value) break;
    }
    if (length < 0 || length > last - first) return {last, errc::value_too_large};
    memcpy(first, text, size_t(length));
    return {first + length, errc()};
}
// Decimal text as from_chars reads it: no leading space or '+', no hex.
inline from_chars_result from_chars(const char* first, const char* last, float& value) {
    const string text(first, last);
    const char* at = text.c_str();
    if (text.empty() || *at == ' ' || *at == '\t' || *at == '+' ||
        text.find_first_of("xX") != string::npos)
        return {first, errc::invalid_argument};
    char* end = nullptr;
    errno = 0;
    const float parsed = strtof(at, &end);
    if (end == at) return {first, errc::invalid_argument};
    if (errno == ERANGE) return {first + (end - at), errc::result_out_of_range};
    value = parsed;
    return {first + (end - at), errc()};
}
} // namespace std
#endif
#endif
