#!/bin/sh
# Lists the writable data of the physics library (static storage, whether at
# namespace scope, a static member or a function's static) and fails on any
# not named below. A step and a query read only their world and the step's
# context; what is left at static storage is named here, each with why it
# is not a world's state.
#   usage: tools/check_globals.sh [path/to/libquorvel_tangle.a]
set -eu
lib=${1:-build/physics/libquorvel_tangle.a}
[ -f "$lib" ] || { echo "check_globals: no library at $lib" >&2; exit 1; }

allowed() {
  cat <<'LIST'
kel::tangle::currentWorld
kel::tangle::massList
kel::tangle::constraintList
kel::tangle::zoneList
kel::tangle::nextColGroup
kel::tangle::TColEvent::colMode
kel::tangle::TColEvent::colCurrent
kel::tangle::TColEvent::colHookId
kel::tangle::detail::CurrentQueue()::worldless
kel::tangle::(anonymous namespace)::HitBuffer::pool_
kel::tangle::(anonymous namespace)::HitBuffer::depth_
kel::tangle::(anonymous namespace)::freeEvents
kel::tangle::(anonymous namespace)::EventChunks()::chunks
core::BlockPool<128ul, 64ul>::TheState()::state
core::BlockPool<176ul, 8ul>::TheState()::state
kel::tangle::detail::(anonymous namespace)::Extras()::extras
kel::tangle::TPhysics::ContactBegins()::none
kel::tangle::TPhysics::ContactEnds()::none
kel::tangle::TWorldView::Current()::identity
kel::tangle::detail::TStepLists::none_
std::__detail::__to_chars_10_impl<unsigned int>(char*, unsigned int, unsigned int)::__digits
LIST
}
# The current-world pointers of the static interface and the current
# world's queue mode, group counter and last polled event are each thread's
# own (thread_local); worldless is the queue of a thread without a world.
# HitBuffer holds a thread's scratch arrays for ray walks, empty between
# queries. freeEvents, EventChunks and the BlockPools are memory for objects
# (locked or per thread), not state; Extras holds the program's data and
# bodies of masses, beside them (locked), which no step reads. colHookId is set once at load. The
# rest are empty constants answered where there is nothing.

found=$(nm -C --defined-only "$lib" 2>/dev/null | grep -E ' [BbDdVu] ' |
  grep -v -e 'guard variable' -e 'typeinfo' -e 'vtable' -e 'DW.ref' -e '__tls_guard' |
  cut -d' ' -f3- | sort -u)
extra=$(printf '%s\n' "$found" | grep -vxF "$(allowed)" || true)
if [ -n "$extra" ]; then
  echo "check_globals: writable data at static storage in $lib:" >&2
  printf '  %s\n' "$extra" >&2
  exit 1
fi
echo "check_globals: $(printf '%s\n' "$found" | wc -l) symbols, all named"
