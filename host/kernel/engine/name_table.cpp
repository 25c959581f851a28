// The naming keys of a step (name_table.h).
#include "host/kernel/engine/name_table.h"

#include <algorithm>
#include <functional>

namespace host::kernel::detail {

std::size_t NameTable::slot_of(std::string_view key) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = std::hash<std::string_view>{}(key) & mask;; i = (i + 1) & mask) {
        const std::uint32_t s = slots_[i];
        if (s == 0 || key_of(entries_[s - 1]) == key) return i;
    }
}

void NameTable::rehash(std::size_t slots) {
    slots_.assign(slots, 0);
    const std::size_t mask = slots - 1;
    for (std::size_t e = 0; e < entries_.size(); ++e) {
        std::size_t i = std::hash<std::string_view>{}(key_of(entries_[e])) & mask;
        while (slots_[i] != 0) i = (i + 1) & mask;
        slots_[i] = static_cast<std::uint32_t>(e + 1);
    }
}

const int* NameTable::find(std::string_view key) const {
    if (slots_.empty()) return nullptr;
    const std::uint32_t s = slots_[slot_of(key)];
    return s == 0 ? nullptr : &entries_[s - 1].tag;
}

std::pair<int*, bool> NameTable::emplace(std::string_view key, int tag) {
    // At most half of the slots are taken, so that a search meets an empty
    // one soon.
    if (2 * (entries_.size() + 1) > slots_.size()) rehash(std::max<std::size_t>(16, 2 * slots_.size()));
    const std::size_t i = slot_of(key);
    if (slots_[i] != 0) return {&entries_[slots_[i] - 1].tag, false};
    entries_.push_back({static_cast<std::uint32_t>(chars_.size()), static_cast<std::uint32_t>(key.size()), tag});
    chars_.append(key);
    slots_[i] = static_cast<std::uint32_t>(entries_.size());
    return {&entries_.back().tag, true};
}

void NameTable::clear() {
    chars_.clear();
    entries_.clear();
    slots_.clear();
}

void NameTable::shrink() {
    chars_.shrink_to_fit();
    entries_.shrink_to_fit();
    if (entries_.empty()) {
        slots_.clear();
        slots_.shrink_to_fit();
        return;
    }
    std::size_t slots = 16;
    while (2 * entries_.size() > slots) slots *= 2;
    if (slots < slots_.size()) rehash(slots);
    slots_.shrink_to_fit();
}

std::vector<std::pair<std::string_view, int>> NameTable::sorted() const { return sorted({}); }

std::vector<std::pair<std::string_view, int>> NameTable::sorted(std::string_view prefix) const {
    std::vector<std::pair<std::string_view, int>> out;
    if (prefix.empty()) out.reserve(entries_.size());
    for (const Entry& e : entries_)
        if (key_of(e).starts_with(prefix)) out.emplace_back(key_of(e), e.tag);
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return out;
}

}  // namespace host::kernel::detail
