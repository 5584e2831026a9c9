#pragma once
// Names that many objects share: each text is kept once, and a name is one
// pointer to it. A world's masses are mostly called the same ("Mass"); as a
// std::string each would carry 32 bytes of its own, a sixth of a mass, which
// every pass of a large world's step would read past.

#include <atomic>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <utility>

namespace core {

/// A text kept once for every name that holds it. Reads like a const
/// std::string; assigning a name takes a reference to the shared text.
/// Names may be made, copied and dropped on several threads at once (two
/// worlds built on two threads share "Mass"): a text's count is atomic and
/// the table is locked while a text enters or leaves it.
class TName {
  public:
    /// An empty name (""), holding no text.
    TName() = default;
    /// The name `text`, sharing it with every other name of that text.
    TName(const std::string& text) : text_(Share(text)) {} // NOLINT: a name is its text
    /// The name `text` ("" for null), shared as above.
    TName(const char* text) : text_(text ? Share(text) : nullptr) {} // NOLINT
    /// Another name of the same text.
    TName(const TName& other) : text_(other.text_) { Retain(); }
    /// Takes over the text of `other`, which is left empty.
    TName(TName&& other) noexcept : text_(other.text_) { other.text_ = nullptr; }
    /// Lets go of its text and shares that of `other`.
    TName& operator=(const TName& other) {
        TName copy(other);
        Swap(copy);
        return *this;
    }
    /// Trades texts with `other`, which lets go of this one's old text.
    TName& operator=(TName&& other) noexcept {
        Swap(other);
        return *this;
    }
    /// Lets go of its text, which leaves with its last name.
    ~TName() { Release(); }

    /// The text ("" for a name never given one).
    const std::string& str() const { return text_ ? text_->first : Empty(); }
    /// The text, wherever a string is wanted.
    operator const std::string&() const { return str(); } // NOLINT: reads as the text
    /// The text as a C string.
    const char* c_str() const { return str().c_str(); }
    /// Whether the name is "".
    bool empty() const { return str().empty(); }
    /// The text's length in bytes.
    std::size_t size() const { return str().size(); }

    /// Names of one text share it: comparing them compares one pointer.
    friend bool operator==(const TName& a, const TName& b) { return a.text_ == b.text_; }
    /// Whether two names hold different texts.
    friend bool operator!=(const TName& a, const TName& b) { return a.text_ != b.text_; }
    /// Whether the name's text is `b`.
    friend bool operator==(const TName& a, const std::string& b) { return a.str() == b; }
    /// Whether the name's text is not `b`.
    friend bool operator!=(const TName& a, const std::string& b) { return a.str() != b; }
    /// Whether `a` is the name's text.
    friend bool operator==(const std::string& a, const TName& b) { return a == b.str(); }
    /// Whether `a` is not the name's text.
    friend bool operator!=(const std::string& a, const TName& b) { return a != b.str(); }
    /// Whether the name's text is the C string `b`.
    friend bool operator==(const TName& a, const char* b) { return a.str() == b; }
    /// Whether the name's text is not the C string `b`.
    friend bool operator!=(const TName& a, const char* b) { return a.str() != b; }

    /// How many different texts are held by names now (for tests).
    static std::size_t SharedTexts();

  private:
    // A text and how many names hold it: an entry of the table of texts,
    // which never moves while it is in the table.
    using Shared = std::pair<const std::string, std::atomic<std::uint32_t>>;
    // The entry of `text`, one more reference counted; null for "".
    static Shared* Share(const std::string& text);
    // Lets go of what may be the text's last reference, under the table's
    // lock, so that no other thread can find the entry between the count
    // reaching 0 and the entry leaving.
    static void ReleaseLast(Shared* shared) noexcept;
    static const std::string& Empty();
    // A copy holds the text already held by `other`: the count is at least
    // 1 and cannot reach 0 meanwhile.
    void Retain() {
        if (text_) text_->second.fetch_add(1, std::memory_order_relaxed);
    }
    void Release() noexcept {
        if (!text_) return;
        std::uint32_t n = text_->second.load(std::memory_order_relaxed);
        while (n > 1)
            if (text_->second.compare_exchange_weak(n, n - 1, std::memory_order_acq_rel)) {
                text_ = nullptr;
                return;
            }
        ReleaseLast(text_);
        text_ = nullptr;
    }
    void Swap(TName& other) noexcept {
        Shared* t = text_;
        text_ = other.text_;
        other.text_ = t;
    }

    Shared* text_ = nullptr;
};

/// Writes the name's text.
std::ostream& operator<<(std::ostream& out, const TName& name);

} // namespace core
