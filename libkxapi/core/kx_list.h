// Building and reading the interface's lists from C++: the one place where
// the library makes, reads and frees tag lists and loop lists, and holds the
// host's own lists. Internal to the library.
//
//     *list = kx::make_tag_list(tags);              // caller frees with KX_MODL_delete_list (kx::delete_list)
//     for (tag t : kx::tags_of(list)) ...
//     *loops = kx::make_loop_list(specs);           // caller frees with KX_MODL_delete_loop_list
#ifndef KX_CORE_KX_LIST_H
#define KX_CORE_KX_LIST_H

#include <span>
#include <vector>

#include "host/store/entities/host_lists.h"
#include "kx_modl.h"
#include "libkxapi/core/frame.h"

namespace kx {

// A list of the host's modeller (made by KI_crlist into id), given back on
// every way out (by kx::release).
struct HostList {
    int id = 0;
    HostList() = default;
    HostList(const HostList&) = delete;
    HostList& operator=(const HostList&) = delete;
    ~HostList() {
        if (id != 0) kx::release([list = id] { KI_free_list(list); });
    }
};

// A tag list of the library held for the length of a call, given back on
// every way out (kx::release_list) unless it was handed on (list set to
// null).
struct TagListHolder {
    tag_list* list = nullptr;
    TagListHolder() = default;
    explicit TagListHolder(tag_list* l) : list(l) {}
    TagListHolder(const TagListHolder&) = delete;
    TagListHolder& operator=(const TagListHolder&) = delete;
    ~TagListHolder();
};

// The list functions of the interface (KX_MODL_..._list...) without their
// boundary guard: the same answers; host errors go to the caller's frame.
tag_list* create_list();
int put_list_item(tag_list* list, tag object);
int ask_list_count(const tag_list* list);
int ask_list_item(const tag_list* list, int index, tag* object);
void delete_list(tag_list** list);

// Gives a list of the library back in clean-up, never throwing: every node
// goes through kx::release (a free that fails is the pending release
// failure, or noted after an earlier error), the nodes after it are still
// given back, and *list is null afterwards.
void release_list(tag_list** list, bool after_error = false) noexcept;

// A new tag list holding the tags in order, each at most once (an empty
// span gives the empty list: one node holding NULL_TAG).
tag_list* make_tag_list(std::span<const tag> tags);

// The tags of a list in order; none for a null or empty list.
std::vector<tag> tags_of(const tag_list* list);

// One loop of a face: its loop type (1, 2 or 3) and its edges.
struct loop_spec {
    int type;
    std::vector<tag> edges;
};

// A loop list with one node per loop, all nodes in one block whose start is
// the first node, each with its own edge list; null when there are no loops.
loop_list* make_loop_list(std::span<const loop_spec> loops);

// Node number index of a list (tag list or loop list), or null when the
// list ends first.
template <class Node>
Node* nth_node(Node* node, int index) {
    for (; node && index > 0; --index) node = node->next;
    return node;
}

}  // namespace kx

#endif
