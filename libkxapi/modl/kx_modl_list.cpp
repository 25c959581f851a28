// Tag lists, loop lists and string lists.
//
// None of these functions needs an open session or arms an error frame:
// they only touch memory. Nodes come from the host's persistent allocator
// (an allocation failure is raised by the host to the caller's own frame);
// the boundary guard keeps such a raise from crossing the C boundary.
#include "kx_modl.h"

#include <utility>

#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_list.h"
#include "libkxapi/core/kx_util.h"
#include "host/base/services/memory.h"

namespace {

constexpr int kNoList = KX_MODL_ERR_NO_LIST;
constexpr int kNegativeIndex = KX_MODL_ERR_NEGATIVE_INDEX;
constexpr int kPastEnd = KX_MODL_ERR_PAST_END;
constexpr int kEmptyList = KX_MODL_ERR_EMPTY_LIST;
constexpr int kNotInList = KX_MODL_ERR_NOT_IN_LIST;

}  // namespace

// ---- Tag lists ---------------------------------------------------------

KXAPI int KX_MODL_create_list(tag_list** list) {
    return kx::guarded([&] {
        if (!list) return kNoList;  // nowhere to put the list
        *list = kx::create_list();
        return 0;
    });
}

KXAPI int KX_MODL_put_list_item(tag_list* list, tag object) {
    return kx::guarded([&] { return kx::put_list_item(list, object); });
}

KXAPI int KX_MODL_ask_list_count(tag_list* list, int* count) {
    const int n = kx::ask_list_count(list);
    if (count) *count = n;
    return 0;
}

KXAPI int KX_MODL_ask_list_item(tag_list* list, int index, tag* object) {
    return kx::ask_list_item(list, index, object);
}

KXAPI int KX_MODL_delete_list_item(tag_list** list, tag object) {
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

KXAPI int KX_MODL_delete_list(tag_list** list) {
    return kx::guarded([&] {
        kx::delete_list(list);
        return 0;
    });
}

// ---- Loop lists --------------------------------------------------------

KXAPI int KX_MODL_ask_loop_list_count(loop_list* loops, int* count) {
    if (count) *count = 0;
    if (!loops) return kNoList;
    int n = 0;
    for (const loop_list* node = loops; node; node = node->next) ++n;
    if (count) *count = n;
    return 0;
}

KXAPI int KX_MODL_ask_loop_list_item(loop_list* loops, int index, int* type, tag_list** edge_list) {
    if (!loops) return kNoList;
    if (index < 0) return kNegativeIndex;
    const loop_list* node = kx::nth_node(loops, index);
    if (!node) return kPastEnd;
    if (type) *type = node->type;
    if (edge_list) *edge_list = node->edge_list;
    return 0;
}

KXAPI int KX_MODL_delete_loop_list(loop_list** loops) {
    return kx::guarded([&] {
        if (!loops || !*loops) return 0;
        for (loop_list* node = *loops; node; node = node->next) kx::delete_list(&node->edge_list);
        SM_free(*loops);  // one block for all nodes
        *loops = nullptr;
        return 0;
    });
}

// ---- String lists ------------------------------------------------------

KXAPI void KX_MODL_create_string_list(int n_strings, int n_objects, string_list* strings) {
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

KXAPI void KX_MODL_init_string_list(string_list* strings) {
    if (!strings) return;
    *strings = string_list{0, nullptr, nullptr, nullptr};
}

KXAPI void KX_MODL_free_string_list(string_list* strings) {
    kx::guarded([&] {
        if (!strings) return 0;
        strings->count = 0;
        kx::free_and_clear(strings->per_string);
        kx::free_and_clear(strings->dir);
        kx::free_and_clear(strings->objects);
        return 0;
    });
}
