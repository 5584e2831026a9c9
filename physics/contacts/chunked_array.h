#pragma once
// Arrays that grow by fixed blocks taken from a shared pool.
//
// A doubling vector holds up to twice what it uses, and while it grows the
// old and the new buffer live side by side; its elements move. An array of
// blocks grows by one block at a time and never moves an element, so what it
// holds is what it uses, rounded up to a block. Arrays that share a pool hand
// their blocks to one another: an array read front to back can give back
// each block it has passed (DropBefore) while another fills up, so the two
// together hold little more than the larger of them. Blocks go back to the
// pool, never to the system: once the arrays have been as large as they get,
// filling them again allocates nothing.

#include <algorithm>
#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace kel::tangle::detail {

// Blocks of kBlockBytes, kept on a free list threaded through the free blocks
// themselves.
class TBlockPool {
  public:
    static constexpr std::size_t kBlockBytes = std::size_t{64} * 1024;
    static constexpr std::size_t kBlockAlign = 64; // a cache line

    TBlockPool() = default;
    TBlockPool(const TBlockPool&) = delete;
    TBlockPool& operator=(const TBlockPool&) = delete;
    // Frees the free blocks; the arrays must have given theirs back.
    ~TBlockPool() {
        while (free_) {
            void* next = *static_cast<void**>(free_);
            ::operator delete (free_, std::align_val_t{kBlockAlign});
            free_ = next;
        }
    }

    void* Take() {
        if (!free_) {
            void* block = ::operator new (kBlockBytes, std::align_val_t{kBlockAlign});
            ++blocks_;
            return block;
        }
        void* block = free_;
        free_ = *static_cast<void**>(block);
        return block;
    }
    void Give(void* block) {
        *static_cast<void**>(block) = free_;
        free_ = block;
    }
    // How many blocks were ever allocated (in use or free).
    std::size_t Blocks() const { return blocks_; }

  private:
    void* free_ = nullptr;
    std::size_t blocks_ = 0;
};

// An array of T in blocks of the pool: push at the back, index anywhere.
// Each block holds a power of two of elements, so an index is a shift and a
// mask.
template <class T> class TChunkedArray {
    static constexpr std::size_t ShiftFor(std::size_t bytes) {
        std::size_t shift = 0;
        while ((bytes << (shift + 1)) <= TBlockPool::kBlockBytes) ++shift;
        return shift;
    }
    static_assert(sizeof(T) <= TBlockPool::kBlockBytes);
    static_assert(alignof(T) <= TBlockPool::kBlockAlign);

  public:
    static constexpr std::size_t kShift = ShiftFor(sizeof(T));
    static constexpr std::size_t kPerChunk = std::size_t{1} << kShift;

    explicit TChunkedArray(TBlockPool& pool) : pool_(&pool) {}
    ~TChunkedArray() { clear(); }
    TChunkedArray(const TChunkedArray&) = delete;
    TChunkedArray& operator=(const TChunkedArray&) = delete;

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T& operator[](std::size_t i) { return chunks_[i >> kShift][i & kMask]; }
    const T& operator[](std::size_t i) const { return chunks_[i >> kShift][i & kMask]; }

    template <class... A> T& emplace_back(A&&... args) {
        if (next_ == blockEnd_) {
            // The next block: taken, or the one the size ends in (none when
            // the size is a whole number of blocks).
            if ((size_ >> kShift) == chunks_.size())
                chunks_.push_back(static_cast<T*>(pool_->Take()));
            next_ = chunks_[size_ >> kShift] + (size_ & kMask);
            blockEnd_ = chunks_[size_ >> kShift] + kPerChunk;
        }
        T* at = ::new (static_cast<void*>(next_)) T(std::forward<A>(args)...);
        ++next_;
        ++size_;
        return *at;
    }
    void push_back(const T& value) { emplace_back(value); }
    // Grows by n elements that are not made yet: each must be made once with
    // MakeAt before anything reads, destroys or adds to the array. Elements
    // in different places may be made on different threads.
    void GrowUnmade(std::size_t n) {
        size_ += n;
        while (chunks_.size() << kShift < size_) chunks_.push_back(static_cast<T*>(pool_->Take()));
        next_ = blockEnd_ = nullptr; // found again from the size by the next emplace_back
    }
    template <class... A> T& MakeAt(std::size_t i, A&&... args) {
        return *::new (static_cast<void*>(&(*this)[i])) T(std::forward<A>(args)...);
    }

    // Gives back every block that lies wholly before element `end`: its
    // elements are destroyed and must not be read again. The size stays.
    void DropBefore(std::size_t end) {
        const std::size_t upTo = end >> kShift;
        for (; firstHeld_ < upTo; ++firstHeld_) {
            Destroy(chunks_[firstHeld_], kPerChunk);
            pool_->Give(chunks_[firstHeld_]);
            chunks_[firstHeld_] = nullptr;
        }
    }
    // Destroys the elements in order and gives every block back; calls
    // before(i) just before destroying element i (to fetch what a later
    // element's destruction will touch, say).
    template <class F> void clear(F&& before) {
        for (std::size_t c = firstHeld_; c < chunks_.size(); ++c) {
            const std::size_t first = c << kShift;
            const std::size_t count = std::min(kPerChunk, size_ - std::min(size_, first));
            for (std::size_t k = 0; k < count; ++k) {
                before(first + k);
                if constexpr (!std::is_trivially_destructible_v<T>) chunks_[c][k].~T();
            }
            pool_->Give(chunks_[c]);
        }
        chunks_.clear();
        size_ = 0;
        firstHeld_ = 0;
        next_ = blockEnd_ = nullptr;
    }
    void clear() {
        clear([](std::size_t) {});
    }
    void swap(TChunkedArray& other) noexcept {
        std::swap(pool_, other.pool_);
        chunks_.swap(other.chunks_);
        std::swap(size_, other.size_);
        std::swap(firstHeld_, other.firstHeld_);
        std::swap(next_, other.next_);
        std::swap(blockEnd_, other.blockEnd_);
    }

  private:
    static constexpr std::size_t kMask = kPerChunk - 1;
    static void Destroy(T* chunk, std::size_t count) {
        if constexpr (!std::is_trivially_destructible_v<T>)
            for (std::size_t k = 0; k < count; ++k) chunk[k].~T();
    }

    TBlockPool* pool_;
    std::vector<T*> chunks_; // null before firstHeld_
    std::size_t size_ = 0;
    std::size_t firstHeld_ = 0;
    T* next_ = nullptr; // where the next element goes, up to blockEnd_
    T* blockEnd_ = nullptr;
};

} // namespace kel::tangle::detail
