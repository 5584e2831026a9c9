#include "core/name.h"

#include <mutex>
#include <ostream>
#include <unordered_map>

namespace core {

namespace {

// Each text with the count of names that hold it. Never destroyed: names
// may outlive every other static object. A text leaves when its last name
// lets go of it, so renaming objects again and again piles nothing up.
std::unordered_map<std::string, std::atomic<std::uint32_t>>& Texts() {
    static auto* texts = new std::unordered_map<std::string, std::atomic<std::uint32_t>>;
    return *texts;
}

std::mutex& TextsLock() {
    static auto* lock = new std::mutex;
    return *lock;
}

} // namespace

TName::Shared* TName::Share(const std::string& text) {
    if (text.empty()) return nullptr;
    const std::lock_guard<std::mutex> hold(TextsLock());
    Shared& entry = *Texts().try_emplace(text, 0).first;
    entry.second.fetch_add(1, std::memory_order_relaxed);
    return &entry;
}

void TName::ReleaseLast(Shared* shared) noexcept {
    const std::lock_guard<std::mutex> hold(TextsLock());
    if (shared->second.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    // By position: the key is the entry's own.
    auto& texts = Texts();
    texts.erase(texts.find(shared->first));
}

const std::string& TName::Empty() {
    static const std::string* empty = new std::string;
    return *empty;
}

std::size_t TName::SharedTexts() {
    const std::lock_guard<std::mutex> hold(TextsLock());
    return Texts().size();
}

std::ostream& operator<<(std::ostream& out, const TName& name) { return out << name.str(); }

} // namespace core
