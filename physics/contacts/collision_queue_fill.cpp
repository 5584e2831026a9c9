// Filling the pair table from a pass of the strip schedule on several
// threads, with the result that recording its turns in list order gives.
//
// Recorded in list order, a turn's contact with a mass whose turn comes later
// makes an entry, and so does one with a mass whose turn came first, unless
// that mass met this one in its own turn: the contact then merges into the
// entry made there. A contact with another object (a zone, the bounds) makes
// an entry unless the same turn met that object before, and merges into
// that one. So how many entries a turn makes is known from the logs alone
// (CountTurns), and where they go from the counts of the turns before it
// (PlaceTurns). Each turn then makes its own entries in place (FillTurns);
// an entry of two masses takes the later turn's contact at once, which is
// what recording that turn would have merged into it.
//
// The later turn of a pair that met both ways finds the earlier turn's
// contact while counting, and marks both in the words beside them in the
// logs: its own as merged, the earlier one with where its own lies, for the
// earlier turn to merge when it fills. Each word has one writer.
//
// An entry holds a reference to each of its masses. Many threads making
// entries of one mass cannot all add to its count, so they count per turn
// how many entries name its mass (atomically, in a table small enough to
// stay in cache), and RetainTurns adds those to the masses, each mass by
// the one task of its range. Other objects are shared by many turns: their
// entries are made, and referenced, on the calling thread (EndFill).

#include "physics/colevent.h"
#include "physics/contacts/collision_queue.h"
#include "physics/step/intrinsics.h"
#include "physics/threads/strip_log.h"

namespace kel::tangle::detail {

namespace {

using Item = TStripLog::Item;

// The contacts of one turn, in its strip's log.
struct TTurnItems {
    const Item* begin;
    const Item* end;
    TStripLog* log;
};

TTurnItems ItemsOf(TStripLog* logs, const TTurnSpan* spans, std::uint32_t turn) {
    const TTurnSpan& span = spans[turn];
    TStripLog& log = logs[span.strip];
    return {log.Items() + span.begin, log.Items() + span.end, &log};
}

bool IsMass(const Item& item) { return !(item.other & TCollisionQueue::kOtherObject); }

// The contact of the turn with the mass of turn `with`, if any: a walk meets
// a mass at most once.
const Item* MeetingWith(const TTurnItems& items, std::uint32_t with) {
    for (const Item* p = items.begin; p != items.end; ++p)
        if (p->other == with) return p;
    return nullptr;
}

// The first contact of the turn with the object that the contact at p (with
// another object) met.
const Item* FirstWithObject(const TTurnItems& items, const Item* p) {
    const core::Object* object = items.log->General(*p).other;
    for (const Item* q = items.begin; q != p; ++q)
        if (!IsMass(*q) && items.log->General(*q).other == object) return q;
    return p;
}

// The word beside a contact of a turn with an earlier one: the pair met both
// ways, and this contact merged into the earlier turn's entry.
constexpr std::uint32_t kMerged = 1;

} // namespace

bool TCollisionQueue::BeginFill(const std::vector<TMass*>& order, int mode, TStripLog* logs,
                          const TTurnSpan* spans) {
    RecordBatch();
    if (!entries_.empty() || batching_) return false;
    order_ = &order;
    batchMode_ = mode;
    fillLogs_ = logs;
    fillSpans_ = spans;
    entryStart_.resize(order.size() + 1);
    BeginNaming(order);
    return true;
}

void TCollisionQueue::CountTurns(std::uint32_t from, std::uint32_t to) {
    for (std::uint32_t turn = from; turn < to; ++turn) {
        const TTurnItems items = ItemsOf(fillLogs_, fillSpans_, turn);
        std::uint32_t made = 0;
        for (const Item* p = items.begin; p != items.end; ++p) {
            if (!IsMass(*p)) {
                made += FirstWithObject(items, p) == p;
                continue;
            }
            const std::uint32_t other = p->other;
            if (other > turn) {
                ++made;
                continue;
            }
            const TTurnItems earlier = ItemsOf(fillLogs_, fillSpans_, other);
            if (const Item* back = MeetingWith(earlier, turn)) {
                items.log->Link(p) = kMerged;
                earlier.log->Link(back) = 1 + static_cast<std::uint32_t>(p - items.log->Items());
            } else {
                // Met one way only: the entry is this turn's, and names the other mass too.
                ++made;
                AddShared(named_[other], 1);
            }
        }
        entryStart_[turn] = made;
    }
}

void TCollisionQueue::PlaceTurns() {
    const std::size_t turns = order_->size();
    std::uint32_t at = 0;
    for (std::size_t t = 0; t < turns; ++t) {
        const std::uint32_t made = entryStart_[t];
        entryStart_[t] = at;
        at += made;
    }
    entryStart_[turns] = at;
    entries_.GrowUnmade(at);
}

void TCollisionQueue::FillTurns(std::uint32_t from, std::uint32_t to,
                          std::vector<TOtherContact>& others) {
    const std::vector<TMass*>& masses = *order_;
    for (std::uint32_t turn = from; turn < to; ++turn) {
        const TTurnItems items = ItemsOf(fillLogs_, fillSpans_, turn);
        TMass* const mass = masses[turn];
        std::uint32_t entry = entryStart_[turn], named = 0;
        // Where an earlier contact of this turn with the same object made
        // its entry: the entries of the contacts before it, counted again.
        const auto entryOf = [&](const Item* first) {
            std::uint32_t e = entryStart_[turn];
            for (const Item* q = items.begin; q != first; ++q) {
                if (IsMass(*q) ? q->other > turn || items.log->Link(q) != kMerged
                               : FirstWithObject(items, q) == q)
                    ++e;
            }
            return e;
        };
        for (const Item* p = items.begin; p != items.end; ++p) {
            if (!IsMass(*p)) {
                const Item* first = FirstWithObject(items, p);
                const bool fresh = first == p;
                others.push_back({fresh ? entry : entryOf(first), fresh, &items.log->General(*p)});
                entry += fresh;
                continue;
            }
            // Every contact with a mass names this turn's in one entry.
            ++named;
            const std::uint32_t other = p->other, link = items.log->Link(p);
            if (other < turn && link == kMerged) continue;
            const TContact c{TColEvent::MASS_MASS, mass, masses[other], p->x, p->y, p->force};
            Entry& made = entries_.MakeAt(entry++, PairOf(c.mass, c.other), c, Entry::Counted{});
            if (other < turn) continue; // met one way only, counted for the other already
            if (link != 0) {
                const Item& back = ItemsOf(fillLogs_, fillSpans_, other).log->Items()[link - 1];
                made.Merge(back.x, back.y, back.force, batchMode_);
            } else {
                AddShared(named_[other], 1);
            }
        }
        AddShared(named_[turn], named);
    }
}

void TCollisionQueue::BeginNaming(const std::vector<TMass*>& order) {
    named_.assign(order.size(), 0);
    namedMasses_.assign(order.begin(), order.end());
}

void TCollisionQueue::RetainTurns(std::uint32_t from, std::uint32_t to) {
    const std::vector<TMass*>& masses = *order_;
    for (std::uint32_t turn = from; turn < to; ++turn)
        if (named_[turn] != 0) masses[turn]->RetainMore(static_cast<std::int32_t>(named_[turn]));
}

void TCollisionQueue::EndFill(const std::vector<TOtherContact>* others, std::size_t lists) {
    for (std::size_t l = 0; l < lists; ++l) {
        for (const TOtherContact& o : others[l]) {
            const TContact& c = *o.contact;
            if (o.fresh)
                UncountOwner(entries_.MakeAt(o.entry, PairOf(c.mass, c.other), nullptr, c));
            else
                entries_[o.entry].Merge(c.x, c.y, c.force, batchMode_);
        }
    }
    fillLogs_ = nullptr;
    fillSpans_ = nullptr;
}

} // namespace kel::tangle::detail
