#pragma once
// Pooled storage for small objects that are swept over in order.

#include <algorithm>
#include <cstddef>
#include <mutex>
#include <new>
#include <vector>

namespace core {

#if defined(__SANITIZE_ADDRESS__)
#define CORE_POOLS_USE_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CORE_POOLS_USE_HEAP 1
#endif
#endif

// Blocks of one size and alignment, carved in order from large chunks.
// Objects made together lie together in memory, without heap headers between
// them, so a walk over them in the order they were made streams through
// neighbouring cache lines. Locked: worlds on two threads make and drop
// their objects at once (no step makes or drops any). A freed block goes to the next request, and once
// every block is free the chunks are carved in order again; chunks are kept
// for the life of the program. Sanitizer builds use the plain heap,
// so that a stale object is still caught there.
template <std::size_t Size, std::size_t Align> class BlockPool {
  public:
    static void* Allocate() {
#ifdef CORE_POOLS_USE_HEAP
        return ::operator new (kBlock, std::align_val_t{Align});
#else
        State& s = TheState();
        const std::lock_guard<std::mutex> hold(s.lock);
        ++s.live;
        if (FreeBlock* b = s.free) {
            s.free = b->next;
            return b;
        }
        if (s.fresh == s.freshEnd) {
            if (s.nextChunk == s.chunks.size()) {
                s.chunks.reserve(s.chunks.size() + 1); // so that push_back cannot throw
                s.chunks.push_back(static_cast<char*>(
                    ::operator new (kBlock* kChunkBlocks, std::align_val_t{Align})));
            }
            s.fresh = s.chunks[s.nextChunk++];
            s.freshEnd = s.fresh + kBlock * kChunkBlocks;
        }
        void* b = s.fresh;
        s.fresh += kBlock;
        return b;
#endif
    }

    static void Free(void* block) noexcept {
        if (!block) return;
#ifdef CORE_POOLS_USE_HEAP
        ::operator delete (block, std::align_val_t{Align});
#else
        State& s = TheState();
        const std::lock_guard<std::mutex> hold(s.lock);
        if (--s.live == 0) {
            // Nothing left: the next objects are carved in order again from
            // the first chunk, instead of taking freed blocks in whatever
            // order they came back.
            s.free = nullptr;
            s.nextChunk = 0;
            s.fresh = s.freshEnd = nullptr;
            return;
        }
        auto* b = static_cast<FreeBlock*>(block);
        b->next = s.free;
        s.free = b;
#endif
    }

  private:
    struct FreeBlock {
        FreeBlock* next;
    };
    static constexpr std::size_t kBlock =
        (std::max(Size, sizeof(FreeBlock)) + Align - 1) / Align * Align;
    static constexpr std::size_t kChunkBlocks = std::max<std::size_t>(1, 65536 / kBlock);

    struct State {
        std::mutex lock;
        FreeBlock* free = nullptr;
        std::vector<char*> chunks;
        std::size_t nextChunk = 0; // the chunk to carve from next
        char* fresh = nullptr;     // the unused rest of the chunk being carved
        char* freshEnd = nullptr;
        std::size_t live = 0; // blocks handed out and not yet freed
    };
    // Never destroyed, and the chunks never freed: pooled objects may outlive
    // every other static object.
    static State& TheState() {
        static State* state = new State;
        return *state;
    }
};

template <class T> using PoolFor = BlockPool<sizeof(T), alignof(T)>;

// The bodies of a pooled class's own operator new and delete, which its
// public header only declares. A class derived from T, of another size, uses
// the plain heap.
template <class T> void* PooledNew(std::size_t size) {
    return size == sizeof(T) ? PoolFor<T>::Allocate() : ::operator new(size);
}
template <class T> void PooledDelete(void* p, std::size_t size) noexcept {
    if (size == sizeof(T))
        PoolFor<T>::Free(p);
    else
        ::operator delete(p);
}

// Gives class T (derive from Pooled<T>) storage from its own BlockPool, for
// classes whose pooling may show in their header.
template <class T> class Pooled {
  public:
    static void* operator new(std::size_t size) { return PooledNew<T>(size); }
    static void* operator new(std::size_t size, std::align_val_t align) {
        return size == sizeof(T) ? PoolFor<T>::Allocate() : ::operator new(size, align);
    }
    static void operator delete(void* p, std::size_t size) noexcept { PooledDelete<T>(p, size); }
    static void operator delete(void* p, std::size_t size, std::align_val_t align) noexcept {
        if (size == sizeof(T))
            PoolFor<T>::Free(p);
        else
            ::operator delete(p, align);
    }
};

} // namespace core
