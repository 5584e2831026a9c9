#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/core.h"

using namespace core;

namespace {

std::vector<std::string> calls;

Ref<Object> Record(int, Object* data, Object* context) {
    calls.push_back(context->ToString());
    return data;
}

Ref<Object> Replace(int, Object*, Object* context) { return context; }
Ref<Object> Drop(int, Object*, Object*) { return nullptr; }

int hookId() {
    static int id = AllocHookId();
    return id;
}

} // namespace

TEST(Hooks, PriorityOrderAndEqualPrioritiesInAddOrder) {
    int id = AllocHookId();
    calls.clear();
    auto a = MakeString("a"), b = MakeString("b"), c = MakeString("c"), q = MakeString("q");
    AddHook(id, Record, q, -10000);
    AddHook(id, Record, a, 0);
    AddHook(id, Record, b, 0);
    AddHook(id, Record, c, 5);
    auto data = MakeString("d");
    EXPECT_EQ(RunHooks(id, data).Get(), data.Get());
    EXPECT_EQ(calls, (std::vector<std::string>{"c", "a", "b", "q"}));

    RemoveHook(id, Record, a);
    RemoveHook(id, Record, MakeString("a")); // not in the chain: nothing happens
    calls.clear();
    RunHooks(id, data);
    EXPECT_EQ(calls, (std::vector<std::string>{"c", "b", "q"}));
}

TEST(Hooks, ReplacingAndDropping) {
    int id = hookId();
    auto data = MakeString("data");
    EXPECT_EQ(RunHooks(id, data).Get(), data.Get()); // empty chain
    auto other = MakeString("other");
    AddHook(id, Replace, other, 10);
    calls.clear();
    AddHook(id, Record, MakeString("sees"), 0);
    // The record hook reports its context; the data it got is checked through the result.
    EXPECT_EQ(RunHooks(id, data).Get(), other.Get());
    AddHook(id, Drop, nullptr, 5);
    EXPECT_EQ(RunHooks(id, data).Get(), nullptr);
    RemoveHook(id, Drop, nullptr);
    RemoveHook(id, Replace, other);
    EXPECT_EQ(RunHooks(id, data).Get(), data.Get());
}

namespace {
Ref<Object> RemoveSelf(int id, Object* data, Object*) {
    RemoveHook(id, RemoveSelf, nullptr);
    return data;
}
} // namespace

TEST(Hooks, HookMayRemoveItselfWhileRunning) {
    int id = AllocHookId();
    calls.clear();
    AddHook(id, RemoveSelf, nullptr, 1);
    AddHook(id, Record, MakeString("after"), 0);
    RunHooks(id, MakeString("x"));
    RunHooks(id, MakeString("x"));
    EXPECT_EQ(calls, (std::vector<std::string>{"after", "after"}));
}

// Runs last in this binary (ids are process-wide): exhausts the ids.
TEST(HooksZZ, The257thIdIsAnError) {
    int last = -1;
    for (;;) {
        try {
            last = AllocHookId();
        } catch (const RuntimeError& e) {
            EXPECT_STREQ(e.what(), "Too many hook ids");
            break;
        }
    }
    EXPECT_EQ(last, 255);
}
