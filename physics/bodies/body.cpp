#include "physics/body.h"

#include "physics/constraint.h"

namespace kel::tangle {

TBody::~TBody() { TBody::Clear(); }

int TBody::SetName(const std::string& text) {
    name = text;
    return 0;
}

core::Ref<core::TList> TBody::GetConstraints() const { return conList->Copy(); }

int TBody::Clear() {
    for (TConstraint* c : conList->Each<TConstraint>()) c->SubRef();
    conList->Clear();
    return 0;
}

} // namespace kel::tangle
