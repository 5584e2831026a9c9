#pragma once
// How many objects of each class are alive: a watch for growth (a reference
// cycle, a list that keeps filling) that LeakSanitizer cannot see, because
// the memory stays reachable until exit.
//
// An object is counted from its first reference to its destruction, under
// its most derived class as it is when first referenced. Counting costs one
// relaxed atomic add on each side of an object's life and no memory in the
// object; objects that are never referenced (on the stack, members) are not
// counted. Up to MAX_COUNTED_CLASSES classes are counted, further classes not.

#include <cstdint>
#include <map>
#include <string>
#include <typeinfo>

namespace core {

/// How many classes are counted; objects of further classes are not.
inline constexpr int MAX_COUNTED_CLASSES = 1023;

/// Objects alive now of exactly this class (not of classes derived from it).
std::int64_t LiveObjectCount(const std::type_info& type);
/// Objects alive now of exactly class T.
template <class T> std::int64_t LiveObjectCount() { return LiveObjectCount(typeid(T)); }

/// Every class that has had a counted object, by readable class name, with
/// how many of its objects are alive now.
std::map<std::string, std::int64_t> LiveObjectCounts();

} // namespace core
