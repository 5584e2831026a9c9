#include "core/object.h"

#include <cstdio>
#include <functional>

namespace core {

int Object::Compare(const Object* other) const {
    // Address order; std::less gives a total order even across allocations.
    if (this == other) return 0;
    return std::less<const Object*>()(this, other) ? -1 : 1;
}

std::string Object::ToString() const {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%p", static_cast<const void*>(this));
    return buf;
}

int TString::Compare(const Object* other) const {
    if (auto s = dynamic_cast<const TString*>(other)) {
        int c = text.compare(s->text);
        return (c > 0) - (c < 0);
    }
    return Object::Compare(other);
}

} // namespace core
