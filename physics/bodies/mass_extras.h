#pragma once
// What a mass knows without carrying it: its program's user data and the
// body whose table holds it. A mass is two cache lines, every byte of them
// read by the step, so these live beside it, in tables that only the calls
// asking for them touch; masses that never had either cost nothing here.

#include "physics/user_data.h"

namespace kel::tangle {
class TAdvBody;
class TMass;
} // namespace kel::tangle

namespace kel::tangle::detail {

TUserData UserDataOf(const TMass* m);
void SetUserDataOf(const TMass* m, const TUserData& data);
// The body whose mass table holds m in slot m->index, or null.
TAdvBody* BodyOf(const TMass* m);
// A mass that goes, and a body that comes and goes.
void ForgetMass(const TMass* m) noexcept;
void NoteBody(const TAdvBody* b);
void ForgetBody(const TAdvBody* b) noexcept;

} // namespace kel::tangle::detail
