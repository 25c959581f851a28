// The library's own tag lists and loop lists (kx_list.h): nodes come from
// the host's persistent allocator; an allocation failure is raised by the
// host to the caller's own frame.
#include "libkxapi/core/kx_list.h"

#include <unordered_set>
#include <utility>

#include "libkxapi/core/kx_util.h"
#include "host/base/services/memory.h"

namespace {

constexpr int kNoList = KX_MODL_ERR_NO_LIST;
constexpr int kNegativeIndex = KX_MODL_ERR_NEGATIVE_INDEX;
constexpr int kPastEnd = KX_MODL_ERR_PAST_END;

tag_list* new_node(tag item) {
    auto* node = static_cast<tag_list*>(SM_alloc_persistent(sizeof(tag_list)));
    node->item = item;
    node->next = nullptr;
    return node;
}

}  // namespace

namespace kx {

tag_list* create_list() { return new_node(NULL_TAG); }

int put_list_item(tag_list* list, tag object) {
    if (!list) return kNoList;
    tag_list* node = list;
    for (; node->next; node = node->next)
        if (node->item == object) return 0;
    if (node->item == NULL_TAG) node->item = object;
    else if (node->item != object) node->next = new_node(object);
    return 0;
}

int ask_list_count(const tag_list* list) {
    int n = 0;
    if (list && list->item != NULL_TAG)
        for (const tag_list* node = list; node; node = node->next) ++n;
    return n;
}

int ask_list_item(const tag_list* list, int index, tag* object) {
    if (object) *object = NULL_TAG;
    if (!list) return kNoList;
    if (index < 0) return kNegativeIndex;
    const tag_list* node = nth_node(list, index);
    if (!node) return kPastEnd;
    if (object) *object = node->item;
    return 0;
}

void delete_list(tag_list** list) {
    if (!list || !*list) return;
    // Freed from the tail, each node cut off its predecessor once it is
    // gone: until the head goes, the caller's pointer holds a list of live
    // nodes. A free that fails leaves the list of the nodes before it and
    // the one it failed on (the host kept that block); the caller's pointer
    // lets go of the list only when every node is given back.
    std::vector<tag_list*> nodes;
    for (tag_list* node = *list; node; node = node->next) nodes.push_back(node);
    for (std::size_t i = nodes.size(); i-- > 0;) {
        SM_free(nodes[i]);
        if (i > 0) nodes[i - 1]->next = nullptr;
    }
    *list = nullptr;
}

TagListHolder::~TagListHolder() { release_list(&list); }

void release_list(tag_list** list, bool after_error) noexcept {
    if (!list) return;
    tag_list* node = std::exchange(*list, nullptr);
    while (node) {
        tag_list* next = node->next;
        release([node] { SM_free(node); }, after_error);
        node = next;
    }
}


// Appends at the tail with a set of the tags held: linear in the number of
// tags (appending one at a time walks the list each time).
tag_list* make_tag_list(std::span<const tag> tags) {
    tag_list* list = create_list();
    try {
        std::unordered_set<tag> held;
        held.reserve(tags.size());
        tag_list* tail = list;
        for (tag t : tags) {
            if (!held.insert(t).second) continue;
            if (tail == list && list->item == NULL_TAG) list->item = t;
            else tail = tail->next = new_node(t);
        }
    } catch (...) {
        release_list(&list, true);  // a failed build hands back nothing
        throw;
    }
    return list;
}

std::vector<tag> tags_of(const tag_list* list) {
    std::vector<tag> out;
    if (!list || list->item == NULL_TAG) return out;
    for (; list; list = list->next) out.push_back(list->item);
    return out;
}

loop_list* make_loop_list(std::span<const loop_spec> loops) {
    if (loops.empty()) return nullptr;
    // All nodes of one result lie in one block whose start is the first node.
    auto* block = static_cast<loop_list*>(SM_alloc_persistent(sizeof(loop_list) * loops.size()));
    for (std::size_t i = 0; i < loops.size(); ++i) {
        block[i].type = loops[i].type;
        block[i].edge_list = nullptr;
        block[i].next = i + 1 < loops.size() ? &block[i + 1] : nullptr;
    }
    try {
        for (std::size_t i = 0; i < loops.size(); ++i) block[i].edge_list = make_tag_list(loops[i].edges);
    } catch (...) {
        for (std::size_t i = 0; i < loops.size(); ++i) release_list(&block[i].edge_list, true);
        release([&] { SM_free(block); }, true);
        throw;
    }
    return block;
}

}  // namespace kx
