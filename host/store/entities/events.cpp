// Part events and tag events: the hooks in place and their dispatch.
#include "host/store/entities/events.h"

#include <algorithm>
#include <vector>

#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace {

// The reason values the part service publishes; they differ from the
// event numbering on purpose, so that a caller that mixes them up is seen.
constexpr int kReasonValues[6] = {101, 102, 103, 104, 105, 106};

}  // namespace

extern "C" {
int PART_create_part_reason = kReasonValues[0];
int PART_open_part_reason = kReasonValues[1];
int PART_save_part_reason = kReasonValues[2];
int PART_delete_part_reason = kReasonValues[3];
int PART_modified_reason = kReasonValues[4];
int PART_rename_part_reason = kReasonValues[5];
}

namespace host::events {
namespace {

struct PartHook {
    int id;
    int reason;  // event numbering 0 to 6
    CALLBACK_function_t routine;
    void* client;
};
struct TagHook {
    int id;
    TAG_event_fn_t routine;
};

struct State {
    std::vector<PartHook> part_hooks;  // in order of adding
    std::vector<TagHook> tag_hooks;
    int next_id = 1;
    // A reset also publishes the host's reason values again.
    void reset() {
        *this = State{};
        publish_reason_values(true);
    }
};
State& st() { return service_state<State>("events"); }

int* reason_variables[6] = {&PART_create_part_reason, &PART_open_part_reason, &PART_save_part_reason,
                            &PART_delete_part_reason, &PART_modified_reason,  &PART_rename_part_reason};

const bool registered = (st(), true);

// Every object that dies is a tag event.
const int deaths = objects::add_destroy_listener([](unsigned int object) {
    if (!st().tag_hooks.empty()) fire_tag_event(TAG_EVENT_DELETED, object);
});

// Event number of a published host reason value, or -1.
int reason_of_value(int value) {
    if (value == 0) return -1;
    for (int r = 0; r < 6; ++r)
        if (*reason_variables[r] == value) return r;
    return -1;
}

int add_part_hook(const Call& call, int reason, CALLBACK_function_t routine, void* client) {
    call.need(routine, "the routine");
    const int id = st().next_id++;
    st().part_hooks.push_back({id, reason, routine, client});
    return id;
}

int remove_part_hook(int id, bool work_part) {
    auto& hooks = st().part_hooks;
    auto it = std::find_if(hooks.begin(), hooks.end(), [&](const PartHook& h) {
        return h.id == id && (h.reason == kWorkPartChanged) == work_part;
    });
    if (it == hooks.end()) return 0;
    hooks.erase(it);
    return 1;
}

void dispatch_part(int reason, const void* data) {
    // Ids of the hooks in place when the event starts; each is looked up
    // again before its call, so hooks removed meanwhile are skipped.
    std::vector<int> ids;
    for (const PartHook& h : st().part_hooks)
        if (h.reason == reason) ids.push_back(h.id);
    for (int id : ids) {
        auto& hooks = st().part_hooks;
        auto it = std::find_if(hooks.begin(), hooks.end(), [&](const PartHook& h) { return h.id == id; });
        if (it == hooks.end()) continue;
        const PartHook hook = *it;
        hook.routine(data, hook.client);
    }
}

}  // namespace

void fire_part_event(int reason, unsigned int part) { fire_part_event(reason, part, reason == kModified ? 1u : 0u); }

void fire_part_event(int reason, unsigned int part, unsigned int extra) {
    // Journalled under its qualified name: it is the host's own entry, not a
    // routine of the interface.
    const auto call = HOST_ENTRY_AS("host::events::fire_part_event", reason, part, extra);
    switch (reason) {
        case kOpened: {
            const PART_open_event_data data{extra, part};
            dispatch_part(reason, &data);
            break;
        }
        case kWorkPartChanged: {
            const CONTEXT_work_part_event_data data{part, extra};
            dispatch_part(reason, &data);
            break;
        }
        case kCreated:
        case kSaved:
        case kDeleted:
        case kModified:
        case kRenamed: {
            const PART_event_data data{part, static_cast<unsigned char>(reason == kModified ? (extra != 0) : 0)};
            dispatch_part(reason, &data);
            break;
        }
        default: call.fail(HOST_ERR_BAD_ARGUMENT, "no part event %d", reason);
    }
}

void fire_tag_event(int event, unsigned int object) {
    HOST_ENTRY_AS("host::events::fire_tag_event", event, object);
    std::vector<int> ids;
    for (const TagHook& h : st().tag_hooks) ids.push_back(h.id);
    for (int id : ids) {
        auto& hooks = st().tag_hooks;
        auto it = std::find_if(hooks.begin(), hooks.end(), [&](const TagHook& h) { return h.id == id; });
        if (it == hooks.end()) continue;
        const TAG_event_fn_t routine = it->routine;
        routine(event, object);
    }
}

int part_hook_count(int reason) {
    return static_cast<int>(std::count_if(st().part_hooks.begin(), st().part_hooks.end(),
                                          [&](const PartHook& h) { return h.reason == reason; }));
}

int tag_hook_count() { return static_cast<int>(st().tag_hooks.size()); }

void publish_reason_values(bool on) {
    for (int r = 0; r < 6; ++r) *reason_variables[r] = on ? kReasonValues[r] : 0;
}

}  // namespace host::events

namespace he = host::events;

extern "C" {

int CALLBACK_add_function(int reason_value, CALLBACK_function_t routine, void* client_data) {
    auto call = HOST_ENTRY(reason_value, routine, client_data);
    const int reason = he::reason_of_value(reason_value);
    if (reason < 0) call.fail(HOST_ERR_BAD_ARGUMENT, "%d is not a part-event reason", reason_value);
    return he::add_part_hook(call, reason, routine, client_data);
}

int CALLBACK_remove_function(int hook_id) {
    auto call = HOST_ENTRY(hook_id);
    int status;
    if (call.status(status)) return status;
    return he::remove_part_hook(hook_id, false);
}

int CONTEXT_add_chg_work_part_cb(CALLBACK_function_t routine, void* client_data) {
    auto call = HOST_ENTRY(routine, client_data);
    return he::add_part_hook(call, he::kWorkPartChanged, routine, client_data);
}

int CONTEXT_remove_chg_work_part_cb(int hook_id) {
    auto call = HOST_ENTRY(hook_id);
    int status;
    if (call.status(status)) return status;
    return he::remove_part_hook(hook_id, true);
}

int TAG_register_event_cb(TAG_event_fn_t routine, int options) {
    auto call = HOST_ENTRY(routine, options);
    call.need(routine, "the routine");
    if (options != 0) call.fail(HOST_ERR_BAD_ARGUMENT, "options %d are not known", options);
    const int id = he::st().next_id++;
    he::st().tag_hooks.push_back({id, routine});
    return id;
}

int TAG_unregister_event_cb(int hook_id) {
    auto call = HOST_ENTRY(hook_id);
    int status;
    if (call.status(status)) return status;
    auto& hooks = he::st().tag_hooks;
    auto it = std::find_if(hooks.begin(), hooks.end(), [&](const he::TagHook& h) { return h.id == hook_id; });
    if (it == hooks.end()) return 0;
    hooks.erase(it);
    return 1;
}

}  // extern "C"
