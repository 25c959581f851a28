// The naming keys of a step and the kernel tags they stand for (naming.cpp
// says how keys are made). A step of a large body holds a key for each of
// its faces and edges, so the table keeps the keys' characters one after
// another in one string and finds them through an open-addressed index,
// instead of a node and a string of its own per key.
#ifndef HOST_KERNEL_NAME_TABLE_H
#define HOST_KERNEL_NAME_TABLE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace host::kernel::detail {

class NameTable {
public:
    // The tag of a key, or null.
    const int* find(std::string_view key) const;
    // Adds the key with the tag unless it is there: answers where its tag
    // is kept (valid until the next change of the table) and whether the
    // key is new.
    std::pair<int*, bool> emplace(std::string_view key, int tag);
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    void clear();
    // Gives back the room kept for later keys (a step's table is complete
    // once the step has run).
    void shrink();
    // The keys and their tags in the order of the keys (bytewise), as the
    // part file writes them.
    std::vector<std::pair<std::string_view, int>> sorted() const;
    // Those whose keys start with `prefix`, in the same order.
    std::vector<std::pair<std::string_view, int>> sorted(std::string_view prefix) const;

private:
    struct Entry {
        std::uint32_t offset;
        std::uint32_t length;
        int tag;
    };
    std::string_view key_of(const Entry& e) const { return std::string_view(chars_).substr(e.offset, e.length); }
    // The slot of the key, or of the empty slot where it would go.
    std::size_t slot_of(std::string_view key) const;
    void rehash(std::size_t slots);

    std::string chars_;
    std::vector<Entry> entries_;
    std::vector<std::uint32_t> slots_;  // entry index + 1; 0 for an empty slot
};

}  // namespace host::kernel::detail

#endif
