// Steps shared by the boolean, suppression and parent-curve functions.
// Internal to the library.
#ifndef KX_MODL_KX_MODL_OPERATION_H
#define KX_MODL_KX_MODL_OPERATION_H

#include <utility>
#include <vector>

#include "kx_modl.h"
#include "libkxapi/core/frame.h"

#include "host/apps/modeling/boolean/booleans.h"

namespace kx::modl {

// The frame of these functions: no initialisation check, and a caught host
// error is acknowledged, as they may run inside other operations.
inline constexpr Opts kEditFrame{.check_init = false, .acknowledge = every_code};

// A host node list of feature records (head null: empty), deleted on every
// way out; host calls add to it through &head.
struct NodeList {
    CM_node_t* head = nullptr;
    NodeList() = default;
    explicit NodeList(CM_node_t* list) : head(list) {}
    NodeList(const NodeList&) = delete;
    NodeList& operator=(const NodeList&) = delete;
    NodeList(NodeList&& other) noexcept : head(std::exchange(other.head, nullptr)) {}
    ~NodeList() {
        if (head) kx::release([this] { CM_delete_node_list(&head); });
    }
};

// The node list of a tag list's features, in list order.
NodeList node_list(const tag_list* features);
// The records of a node list, in order.
std::vector<tag> tags_of_nodes(const CM_node_t* nodes);

// The model update (KX_MODL_update) without a guard of its own.
int update();

// KX_MODL_operations without a guard of its own.
int boolean_operation(tag target, tag tool, int code);

}  // namespace kx::modl

#endif
