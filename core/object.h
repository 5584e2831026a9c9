#pragma once
// Reference-counted objects: the root class of the system and its owning handle.

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>

namespace core {

/// Root of every class. Objects live on the heap and die when the last Ref
/// lets go of them. The count is not atomic: objects belong to the main thread.
/// Every object that was ever referenced is in its class's live count (see
/// core/live_count.h) until it is destroyed.
class Object {
  public:
    Object() = default;
    /// A copy is a new object: it starts with no references and is counted
    /// on its own.
    Object(const Object&) {}
    /// Assigning leaves the reference count alone.
    Object& operator=(const Object&) { return *this; }
    virtual ~Object() {
        if (liveSlot_) LeaveLiveCount(liveSlot_);
    }

    /// Ordering used by list look-ups and sorting: address order by default.
    virtual int Compare(const Object* other) const;
    /// A text for messages and debugging: the object's address by default.
    virtual std::string ToString() const;

    /// Adds a reference. The first is where a heap object starts its life as
    /// a value: it joins its class's live count there, once the class is known.
    void Retain() const noexcept {
        if (refs_++ == 0) JoinLiveCount();
    }
    /// Adds n references to an object that already has one.
    void RetainMore(std::int32_t n) const noexcept { refs_ += n; }
    /// Drops a reference; the last one deletes the object.
    void Release() const noexcept {
        if (--refs_ == 0) delete this;
    }
    /// Drops n references at once; the last one deletes the object.
    void ReleaseMore(std::int32_t n) const noexcept {
        if ((refs_ -= n) == 0) delete this;
    }
    /// The number of references.
    std::int32_t RefCount() const noexcept { return refs_; }

  private:
    void JoinLiveCount() const noexcept;
    static void LeaveLiveCount(std::uint32_t slot) noexcept;

    mutable std::int32_t refs_ = 0;
    // The class's entry in the live counts; 0 while not counted. It fills the
    // padding beside the count, so counting makes no object bigger.
    mutable std::uint32_t liveSlot_ = 0;
};

static_assert(sizeof(void*) != 8 || sizeof(Object) == 16,
              "an object is its vtable pointer and 8 bytes");

/// Owning handle; null means "none".
template <class T> class Ref {
  public:
    Ref() noexcept = default;
    /// None.
    Ref(std::nullptr_t) noexcept {}
    /// Holds p (which may be null).
    Ref(T* p) noexcept : p_(p) {
        if (p_) p_->Retain();
    }
    /// Another reference to the same object.
    Ref(const Ref& o) noexcept : Ref(o.p_) {}
    /// Takes the other's reference; the other becomes none.
    Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    /// A reference from a Ref of a derived class.
    Ref(const Ref<U>& o) noexcept : Ref(o.Get()) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    /// Takes the reference of a Ref of a derived class.
    Ref(Ref<U>&& o) noexcept : p_(o.Detach()) {}
    ~Ref() {
        if (p_) p_->Release();
    }

    /// Now refers to the other's object.
    Ref& operator=(const Ref& o) noexcept {
        Reset(o.p_);
        return *this;
    }
    /// Takes the other's reference; the other becomes none.
    Ref& operator=(Ref&& o) noexcept {
        if (this != &o) {
            T* old = std::exchange(p_, std::exchange(o.p_, nullptr));
            if (old) old->Release();
        }
        return *this;
    }
    /// Now refers to p.
    Ref& operator=(T* p) noexcept {
        Reset(p);
        return *this;
    }
    /// Now refers to none.
    Ref& operator=(std::nullptr_t) noexcept {
        Reset(nullptr);
        return *this;
    }

    /// Retains before releasing, so assigning an object to the Ref that holds
    /// its last reference is safe.
    void Reset(T* p = nullptr) noexcept {
        if (p) p->Retain();
        T* old = std::exchange(p_, p);
        if (old) old->Release();
    }
    /// Holds p, whose reference the caller has already counted.
    static Ref Adopt(T* p) noexcept {
        Ref r;
        r.p_ = p;
        return r;
    }
    /// Gives up ownership without releasing.
    T* Detach() noexcept { return std::exchange(p_, nullptr); }

    /// The object, or null.
    T* Get() const noexcept { return p_; }
    /// Member access; the Ref must not be none.
    T* operator->() const noexcept { return p_; }
    /// The object; the Ref must not be none.
    T& operator*() const noexcept { return *p_; }
    /// The object, or null, as a plain pointer.
    operator T*() const noexcept { return p_; }
    /// Whether the Ref holds an object.
    explicit operator bool() const noexcept { return p_ != nullptr; }

  private:
    T* p_ = nullptr;
};

template <class T, class... Args> Ref<T> Make(Args&&... args) {
    return Ref<T>(new T(std::forward<Args>(args)...));
}

/// Conversion used by every list walk: the value as T, or null when it is none
/// or of another class. A class that declares `static bool IsKind(const Object*)`
/// is tested with that (a compare) instead of dynamic_cast.
template <class T> T* As(Object* o) noexcept {
    if constexpr (requires(const Object* p) { T::IsKind(p); }) {
        return (o && T::IsKind(o)) ? static_cast<T*>(o) : nullptr;
    } else {
        return dynamic_cast<T*>(o);
    }
}

/// A string as an object, so that it can be a list value; compares by text.
class TString final : public Object {
  public:
    /// An object holding this text.
    explicit TString(std::string text) : text(std::move(text)) {}
    int Compare(const Object* other) const override;
    /// The text.
    std::string ToString() const override { return text; }
    /// The text, fixed at construction.
    const std::string text;
};

inline Ref<TString> MakeString(std::string text) { return Make<TString>(std::move(text)); }

} // namespace core
