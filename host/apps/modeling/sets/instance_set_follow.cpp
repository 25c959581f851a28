// Instance sets and mirror sets follow the tools they copy at the update
// (see instance_set_rows.h).
#include <algorithm>
#include <vector>

#include "host/store/parts/parts.h"
#include "host/apps/modeling/sets/instance_set_rows.h"
#include "host/model/feature/records.h"
#include "host/base/hook.h"
#include "host/kernel/ops/tool_copies.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"

namespace host::feature {

bool renew_copies(const Call& call, tag_t set, const std::vector<int>& steps, const std::vector<double>& moves) {
    Record r = *find(set);
    const int body = detail::body_entity(r);
    int n = 0, current = 0;
    double* raw = nullptr;
    ZQ_BODY_ask_instance_copies(body, r.step, static_cast<int>(steps.size()), steps.data(), &n, &raw, &current);
    const std::vector<double> made(raw, raw + 12 * n);
    SM_free(raw);
    const std::vector<double>& now = moves.empty() ? made : moves;
    if (current && now == made) return false;
    if (now.empty()) call.fail(FEAT_ERR_BAD_REFERENCE, "the set's copies have no moves");
    int tool = 0, operation = 0;
    ZQ_BODY_make_instance_tool(body, static_cast<int>(steps.size()), steps.data(), static_cast<int>(now.size() / 12),
                               now.data(), &tool, &operation);
    pxlook_(&tool, &r.tool);
    ZQ_BODY_replace_step_tool(body, r.step, tool);
    *detail::edit(set) = std::move(r);
    return true;
}

namespace {

void follow_copied_tools() {
    const Call call("UPDATE_do_update", nullptr);
    for (tag_t part : parts::loaded_parts()) {
        std::vector<int> bodies;
        for (tag_t f : features_of_part(part)) {
            const Record& r = *find(f);
            const std::size_t head = instance_set_head(r.kind);
            if ((head == 0 && !is_mirror_set(r)) || r.detached || r.step < 1 || is_inactive(f)) continue;
            const int body = detail::body_entity(r);
            if (body == 0) continue;
            std::vector<int> steps;
            std::vector<double> moves;
            if (head > 0) {
                Record copy = r;
                steps = instance_source_steps(call, copy, head);
            } else {
                mirror_set_copies(call, f, &steps, &moves);
            }
            std::string text;
            if (const int code = caught(
                    [&] {
                        // An instance set's own numbers give its moves now.
                        if (head > 0) moves = instance_set_moves(call, r, detail::values_of(r));
                        if (renew_copies(call, f, steps, moves) &&
                            std::find(bodies.begin(), bodies.end(), body) == bodies.end())
                            bodies.push_back(body);
                    },
                    &text))
                detail::fail_naming(call, f, code, "cannot copy its tools again: " + text);
        }
        for (int body : bodies) ZQ_BODY_regenerate(body);
    }
}

const bool followed = (add_follower(follow_copied_tools), true);

}  // namespace
}  // namespace host::feature
