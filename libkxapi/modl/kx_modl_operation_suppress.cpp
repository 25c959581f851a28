// Suppression of features, suppressed and nested features, and the
// expression that decides a feature's suppression. Each function runs
// inside its undo mark, rolled back when it fails and deleted on every way
// out.
#include <vector>

#include "kx_codes.h"
#include "kx_modl.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/core/kx_list.h"
#include "libkxapi/modl/kx_modl_operation.h"
#include "libkxapi/modl/kx_modl_query.h"

#include "host/model/expr/expr.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace {

constexpr const char* kModule = "kx_modl_operation";
constexpr const char* kSuppressMark = "JQ Open suppress feature";
constexpr const char* kUnsuppressMark = "JQ Open Unsuppress feature";
constexpr const char* kSuppressListMark = "JQ Open get supressed feature list";
constexpr const char* kNestedMark = "JQ Open ask nested frecs";
constexpr const char* kIsSuppressedMark = "JQ Open is feature suppressed";
constexpr const char* kAskExpMark = "JQ Open has feature supressed expression";
constexpr const char* kSetExpMark = "JQ Open add suppressed expression";
constexpr const char* kUnsetExpMark = "JQ Open remove suppressed expression";

// Codes shared with other families under their names.
constexpr int kCannotSuppress = KX_MODL_ERR_WRONG_KIND;  // 875004

// The value of a suppression expression that keeps its feature active.
constexpr double kActive = 1.0;

namespace km = kx::modl;

// The edit inside the frame and the mark of the function.
template <class Edit>
int edit(const char* mark, Edit&& work) {
    return kx::frame(km::kEditFrame, [&]() -> int { return kx::undo_bracket(1, mark, work); });
}

// The same for a function of one feature: anything else is refused.
template <class Edit>
int edit_feature(const char* mark, tag feature, Edit&& work) {
    return edit(mark, [&]() -> int { return km::is_feature(feature) ? work() : KX_MODL_ERR_NOT_A_FEATURE; });
}

int set_suppress_exp(tag feature, tag expression) {
    if (!FMA_can_be_suppressed(feature)) return kCannotSuppress;
    if (SUP_ask_suppress_exp(feature) != NULL_TAG) return KX_MODL_ERR_SUPPRESS_EXP_BOUND;
    if (expression == NULL_TAG) return KX_MODL_ERR_EXPRESSION;
    int n = 0;
    tag* raw = nullptr;
    EXP_ask_refs_of_exp(expression, OM_CLASS_FEATURE, &n, &raw);
    const kx::host_ptr<tag> refs(raw);
    for (int i = 0; i < n; ++i)
        if (SUP_ask_suppress_exp(refs.get()[i]) != expression) return KX_MODL_ERR_SUPPRESS_EXP_BOUND;
    double value = 0;
    if (int st = EXP_ask_value_of_exp(expression, &value)) return st;
    const bool suppressed = SUP_ask_suppress_frec(feature) != 0;
    if (suppressed == (value == kActive)) return KX_MODL_ERR_EXPRESSION;
    SUP_set_suppress_exp(feature, expression);
    return 0;
}

// A query inside the frame and the mark of the function: the list it
// makes is handed to the caller once the mark is gone.
template <class Query>
int listed(const char* mark, tag_list** out, Query&& query) {
    return kx::frame(km::kEditFrame, [&]() -> int {
        std::vector<tag> tags;
        if (int st = kx::undo_bracket(1, mark, [&]() -> int { return query(tags); })) return st;
        *out = kx::make_tag_list(tags);
        return 0;
    });
}

}  // namespace

namespace kx::modl {

NodeList node_list(const tag_list* features) {
    NodeList nodes;
    for (tag feature : kx::tags_of(features)) CM_add_node_to_tail(&nodes.head, feature);
    return nodes;
}

std::vector<tag> tags_of_nodes(const CM_node_t* nodes) {
    std::vector<tag> tags;
    for (const CM_node_t* n = nodes; n; n = n->next) tags.push_back(n->frec);
    return tags;
}

}  // namespace kx::modl

KXAPI int KX_MODL_suppress_feature(tag_list* features) {
    return edit(kSuppressMark, [&]() -> int {
        const km::NodeList all = km::node_list(features);
        // Only sketches and features the host lets go may be suppressed;
        // the others are dropped.
        km::NodeList kept;
        for (const CM_node_t* n = all.head; n; n = n->next)
            if (ui_is_sketch_feature(n->frec) || FMA_can_be_suppressed(n->frec))
                CM_add_unique_node_to_tail(&kept.head, n->frec);
        int error = 0;
        SUP_suppress_feature_list(kept.head, 0, &error);
        if (error != 0) ERROR_raise(kModule, __LINE__, error, "Error %d from suppress_feature", error);
        return 0;
    });
}

KXAPI int KX_MODL_unsuppress_feature(tag_list* features) {
    return edit(kUnsuppressMark, [&]() -> int {
        const km::NodeList all = km::node_list(features);
        km::NodeList unsuppressed;
        int error = 0;
        SUP_unsuppress_feature_list(all.head, &unsuppressed.head, &error);
        if (error != 0) ERROR_raise(kModule, __LINE__, error, "Error %d from unsuppress_feature", error);
        return 0;
    });
}

KXAPI int KX_MODL_ask_suppress_list(tag_list** features) {
    if (!features) return kx::param(1);
    return listed(kSuppressListMark, features, [](std::vector<tag>& out) -> int {
        const km::NodeList nodes(get_design_feature_list(1, 1, 1, 1));
        out = km::tags_of_nodes(nodes.head);
        return 0;
    });
}

KXAPI int KX_MODL_ask_nested_frecs(tag feature, tag_list** features) {
    if (!features) return kx::param(2);
    return listed(kNestedMark, features, [&](std::vector<tag>& out) -> int {
        if (!km::is_feature(feature)) return KX_MODL_ERR_NOT_A_FEATURE;
        int n = 0;
        tag* raw = nullptr;
        BREF_ask_tool_bref_of_meta(feature, &n, &raw);
        const kx::host_ptr<tag> tools(raw);
        km::NodeList nested;
        for (int i = 0; i < n; ++i) {
            int m = 0;
            tag* got = nullptr;
            BREF_ask_frecs_of_bref(tools.get()[i], &m, &got);
            const kx::host_ptr<tag> frecs(got);
            for (int j = 0; j < m; ++j) CM_add_node_to_head(&nested.head, frecs.get()[j]);
        }
        out = km::tags_of_nodes(nested.head);
        return 0;
    });
}

// The answer is handed out once the mark is gone: a call that fails leaves
// the caller's value as it was.
KXAPI int KX_MODL_ask_suppress_feature(tag feature, int* suppressed) {
    if (!suppressed) return kx::param(2);
    int answer = 0;
    const int st = edit_feature(kIsSuppressedMark, feature, [&]() -> int {
        answer = SUP_ask_suppress_frec(feature);
        return 0;
    });
    if (st == 0) *suppressed = answer;
    return st;
}

KXAPI int KX_MODL_ask_suppress_exp_tag(tag feature, tag* expression) {
    if (!expression) return kx::param(2);
    *expression = NULL_TAG;
    return edit_feature(kAskExpMark, feature, [&]() -> int {
        *expression = SUP_ask_suppress_exp(feature);
        return 0;
    });
}

KXAPI int KX_MODL_set_suppress_exp_tag(tag feature, tag expression) {
    return edit_feature(kSetExpMark, feature, [&]() -> int { return set_suppress_exp(feature, expression); });
}

KXAPI int KX_MODL_unset_suppress_exp_tag(tag feature) {
    return edit_feature(kUnsetExpMark, feature, [&]() -> int {
        SUP_unset_suppress_exp(feature);
        return 0;
    });
}
