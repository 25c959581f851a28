// Tag lists, loop lists and string lists.
//
// None of these functions needs an open session or arms an error frame:
// they only touch memory. Nodes come from the host's persistent allocator
// (an allocation failure is raised by the host to the caller's own frame);
// the boundary guard keeps such a raise from crossing the C boundary.
#include "kx_modl.h"

#include <unordered_set>
#include <utility>

#include "libkxapi/core/frame.h"
#include "libkxapi/modl/kx_modl_list.h"
#include "libkxapi/core/kx_util.h"
#include "host/base/services/memory.h"

namespace {

constexpr int kNoList = KX_MODL_ERR_NO_LIST;
constexpr int kNegativeIndex = KX_MODL_ERR_NEGATIVE_INDEX;
constexpr int kPastEnd = KX_MODL_ERR_PAST_END;
constexpr int kEmptyList = KX_MODL_ERR_EMPTY_LIST;
constexpr int kNotInList = KX_MODL_ERR_NOT_IN_LIST;

tag_list* new_node(tag item) {
    auto* node = static_cast<tag_list*>(SM_alloc_persistent(sizeof(tag_list)));
    node->item = item;
    node->next = nullptr;
    return node;
}

// Node number index of a list, or null when the list ends first.
template <class Node>
Node* nth(Node* node, int index) {
    for (; node && index > 0; --index) node = node->next;
    return node;
}

}  // namespace

// ---- The library's own list functions (kx_modl_list.h) ---------------

namespace kx {

namespace modl {

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
    const tag_list* node = nth(list, index);
    if (!node) return kPastEnd;
    if (object) *object = node->item;
    return 0;
}

void delete_list(tag_list** list) {
    if (!list) return;
    // The caller's pointer lets go of the list before any node is freed, so
    // that it never addresses a freed node, also when a free fails.
    tag_list* node = std::exchange(*list, nullptr);
    while (node) {
        tag_list* next = node->next;
        try {
            SM_free(node);
        } catch (...) {
            // The first failure is the error; the rest of the list is still
            // given back.
            for (tag_list* rest = next; rest;) {
                tag_list* after = rest->next;
                kx::release([rest] { SM_free(rest); }, true);
                rest = after;
            }
            throw;
        }
        node = next;
    }
}

}  // namespace modl

// Appends at the tail with a set of the tags held: linear in the number of
// tags (appending one at a time walks the list each time).
tag_list* make_tag_list(std::span<const tag> tags) {
    tag_list* list = modl::create_list();
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
        release([&] { modl::delete_list(&list); }, true);  // a failed build hands back nothing
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
        for (std::size_t i = 0; i < loops.size(); ++i) release([&] { modl::delete_list(&block[i].edge_list); }, true);
        release([&] { SM_free(block); }, true);
        throw;
    }
    return block;
}

}  // namespace kx

// ---- Tag lists ---------------------------------------------------------

extern "C" KXAPI int KX_MODL_create_list(tag_list** list) {
    return kx::guarded([&] {
        if (!list) return kNoList;  // nowhere to put the list
        *list = kx::modl::create_list();
        return 0;
    });
}

extern "C" KXAPI int KX_MODL_put_list_item(tag_list* list, tag object) {
    return kx::guarded([&] { return kx::modl::put_list_item(list, object); });
}

extern "C" KXAPI int KX_MODL_ask_list_count(tag_list* list, int* count) {
    const int n = kx::modl::ask_list_count(list);
    if (count) *count = n;
    return 0;
}

extern "C" KXAPI int KX_MODL_ask_list_item(tag_list* list, int index, tag* object) {
    return kx::modl::ask_list_item(list, index, object);
}

extern "C" KXAPI int KX_MODL_delete_list_item(tag_list** list, tag object) {
    return kx::guarded([&] {
        if (!list || !*list) return kNoList;
        if ((*list)->item == NULL_TAG) return kEmptyList;
        for (tag_list** link = list; *link; link = &(*link)->next) {
            if ((*link)->item != object) continue;
            tag_list* found = *link;
            tag_list* next = found->next;
            // Freed first: a free that fails leaves the list as it was.
            SM_free(found);
            *link = next;  // the head's removal moves the caller's list on
            return 0;
        }
        return kNotInList;
    });
}

extern "C" KXAPI int KX_MODL_delete_list(tag_list** list) {
    return kx::guarded([&] {
        kx::modl::delete_list(list);
        return 0;
    });
}

// ---- Loop lists --------------------------------------------------------

extern "C" KXAPI int KX_MODL_ask_loop_list_count(loop_list* loops, int* count) {
    if (count) *count = 0;
    if (!loops) return kNoList;
    int n = 0;
    for (const loop_list* node = loops; node; node = node->next) ++n;
    if (count) *count = n;
    return 0;
}

extern "C" KXAPI int KX_MODL_ask_loop_list_item(loop_list* loops, int index, int* type, tag_list** edge_list) {
    if (!loops) return kNoList;
    if (index < 0) return kNegativeIndex;
    const loop_list* node = nth(loops, index);
    if (!node) return kPastEnd;
    if (type) *type = node->type;
    if (edge_list) *edge_list = node->edge_list;
    return 0;
}

extern "C" KXAPI int KX_MODL_delete_loop_list(loop_list** loops) {
    return kx::guarded([&] {
        if (!loops || !*loops) return 0;
        for (loop_list* node = *loops; node; node = node->next) kx::modl::delete_list(&node->edge_list);
        SM_free(*loops);  // one block for all nodes
        *loops = nullptr;
        return 0;
    });
}

// ---- String lists ------------------------------------------------------

extern "C" KXAPI void KX_MODL_create_string_list(int n_strings, int n_objects, string_list* strings) {
    kx::guarded([&] {
        if (!strings) return 0;
        auto block = [](std::size_t size, int n) {
            return kx::host_ptr<void>(SM_alloc(size * std::size_t(n > 0 ? n : 0)));
        };
        // All three or none: a failed allocation leaves the record as it was.
        auto per_string = block(sizeof(int), n_strings);
        auto dir = block(sizeof(int), n_strings);
        auto objects = block(sizeof(tag), n_objects);
        strings->count = n_strings;
        strings->per_string = static_cast<int*>(per_string.release());
        strings->dir = static_cast<int*>(dir.release());
        strings->objects = static_cast<tag*>(objects.release());
        return 0;
    });
}

extern "C" KXAPI void KX_MODL_init_string_list(string_list* strings) {
    if (!strings) return;
    *strings = string_list{0, nullptr, nullptr, nullptr};
}

extern "C" KXAPI void KX_MODL_free_string_list(string_list* strings) {
    kx::guarded([&] {
        if (!strings) return 0;
        strings->count = 0;
        kx::free_and_clear(strings->per_string);
        kx::free_and_clear(strings->dir);
        kx::free_and_clear(strings->objects);
        return 0;
    });
}
