// User callbacks: part events (tag events: tag/kx_tag_event.cpp).
//
// Registrations are kept in registries keyed by ids that the library gives
// out; an id is never an address, so an unknown or removed id is refused
// instead of being followed. The library hooks one dispatcher per
// part-event reason, and one for tag events, into the host while it has
// registrations for them, and calls the user routines from there in the
// user-program run-time environment under an error frame of its own.
#include <dlfcn.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "kx_callback.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/callback/kx_callback_internal.h"
#include "libkxapi/core/kx_session.h"
#include "libkxapi/core/kx_util.h"

#include "host/store/entities/events.h"
#include "host/base/services/error.h"
#include "host/platform/support/support.h"

namespace {

constexpr const char* kModule = "kx_callback";
constexpr int kReasons = 7;
constexpr int kWorkPartReason = 6;
constexpr int kModifiedReason = 4;
constexpr int kOpenReason = 1;

// Line numbers that the host's log shows with this module's messages.
constexpr int kLineCorruptReason = 208;
constexpr int kLineReasonNotAdded = 218;
constexpr int kLineUnknownCallback = 256;
constexpr int kLineNoCallbacks = 259;
constexpr int kLineNotInList = 285;
constexpr int kLineUserError = 329;
constexpr int kLineNoChainRename = 349;
constexpr int kLineNoChainModified = 372;
constexpr int kLineNoChainOther = 398;
constexpr int kLineNoChainOpen = 420;

constexpr int kCorruptReason = KX_CALLBACK_ERR_CORRUPT_REASON;
constexpr int kNoCallbacks = KX_CALLBACK_ERR_NONE_FOR_REASON;
constexpr int kUnknownCallback = KX_CALLBACK_ERR_UNKNOWN;
constexpr int kReasonNotAdded = KX_CALLBACK_ERR_REASON_NOT_ADDED;

// ---- Running user code ------------------------------------------------------


// ---- Part events ------------------------------------------------------------

struct Registration {
    int reason;
    KX_callback_fn_t routine;
    void* data;
};

struct ReasonEntry {
    explicit ReasonEntry(int r) : reason(r) {}
    int reason;
    int host_value = 0;                 // 0 until read from the host
    std::vector<std::uintptr_t> chain;  // keys, oldest first
    int hook_id = 0;                    // 0 while not hooked
};

struct PartEvents {
    std::map<std::uintptr_t, Registration> registry;
    std::uintptr_t next_key = 1;  // keys are never given twice
    ReasonEntry table[kReasons] = {ReasonEntry(0), ReasonEntry(1), ReasonEntry(2), ReasonEntry(3),
                                   ReasonEntry(4), ReasonEntry(5), ReasonEntry(6)};
};
PartEvents parts;

int* const host_reason_values[kReasons - 1] = {&PART_create_part_reason, &PART_open_part_reason,
                                               &PART_save_part_reason,   &PART_delete_part_reason,
                                               &PART_modified_reason,    &PART_rename_part_reason};

int assertion_line(int reason) {
    switch (reason) {
        case 5: return kLineNoChainRename;
        case 4: return kLineNoChainModified;
        case 1: return kLineNoChainOpen;
        default: return kLineNoChainOther;
    }
}

// The host calls this with the event's data and the reason's entry.
void dispatch_part_event(const void* event_data, void* client) {
    ReasonEntry& entry = *static_cast<ReasonEntry*>(client);
    if (kx::checking() && entry.chain.empty())
        ERROR_internal(kModule, assertion_line(entry.reason), "Assertion failed: %s", "data->user_cbs != NULL");
    if (entry.chain.empty() || !event_data) return;
    const auto* bytes = static_cast<const unsigned char*>(event_data);
    // A modification whose flag (the byte after the first word) is 0 does
    // not concern the model.
    if (entry.reason == kModifiedReason && bytes[sizeof(tag)] == 0) return;
    tag object = NULL_TAG;
    std::memcpy(&object, bytes + (entry.reason == kOpenReason ? sizeof(tag) : 0), sizeof object);

    // Oldest first. Each registration is looked up again before its call:
    // one removed meanwhile is skipped, one added meanwhile waits for the
    // next event.
    const std::vector<std::uintptr_t> keys = entry.chain;
    for (std::uintptr_t key : keys) {
        auto it = parts.registry.find(key);
        if (it == parts.registry.end()) continue;
        const Registration reg = it->second;
        kx::run_protected([&] { kx::call_user(reg.routine, reg.reason, &object, reg.data); },
                      [] { ERROR_note(kModule, kLineUserError, "User induced error caught in KX callback."); });
    }
}

void read_host_reason_values() {
    for (int r = 0; r < kReasons - 1; ++r) parts.table[r].host_value = *host_reason_values[r];
}

void hook_reason(ReasonEntry& entry) {
    if (entry.reason == kWorkPartReason) entry.hook_id = CONTEXT_add_chg_work_part_cb(dispatch_part_event, &entry);
    else entry.hook_id = CALLBACK_add_function(entry.host_value, dispatch_part_event, &entry);
}

// The hook is removed through the service that added it.
void unhook_reason(ReasonEntry& entry) {
    if (entry.reason == kWorkPartReason) CONTEXT_remove_chg_work_part_cb(entry.hook_id);
    else CALLBACK_remove_function(entry.hook_id);
    entry.hook_id = 0;
}

// The registries are session state: their host hooks are gone with a host
// reset.
const kx::session_member registered{"callback", 0, nullptr, kx_reset_callbacks_for_tests};

// ---- Keeping user libraries loaded ------------------------------------------------

std::set<const void*> pinned_objects;

}  // namespace

namespace kx {

void disallow_unload(const void* routine) {
    Dl_info info{};
    if (!routine || dladdr(routine, &info) == 0 || !info.dli_fname || !info.dli_fbase) return;
    if (!pinned_objects.insert(info.dli_fbase).second) return;
    // RTLD_NOLOAD finds the object already loaded; RTLD_NODELETE keeps it
    // in memory whatever dlclose calls follow, ours included.
    if (void* handle = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE)) dlclose(handle);
}

}  // namespace kx

extern "C" {

KXAPI int KX_add_callback_function(int reason, KX_callback_fn_t routine, void* user_data,
                                   KX_callback_id_t* callback_id) {
    return kx::frame(
        [&] {
            return kx::check({{reason >= 0 && reason < kReasons, 1}, {routine != nullptr, 2}, {callback_id, 4}});
        },
        [&] {
            *callback_id = nullptr;
            ReasonEntry& entry = parts.table[reason];
            if (entry.reason != reason)
                ERROR_raise(kModule, kLineCorruptReason, kCorruptReason, "Corrupt data, or invalid pointer");
            if (entry.host_value == 0 && reason != kWorkPartReason) {
                read_host_reason_values();
                if (entry.host_value == 0)
                    ERROR_raise(kModule, kLineReasonNotAdded, kReasonNotAdded, "Reason not added yet");
            }
            if (entry.hook_id == 0) hook_reason(entry);
            kx::disallow_unload(reinterpret_cast<const void*>(routine));
            const std::uintptr_t key = parts.next_key++;
            parts.registry[key] = Registration{reason, routine, user_data};
            entry.chain.push_back(key);
            *callback_id = reinterpret_cast<KX_callback_id_t>(key);
            return 0;
        });
}

KXAPI int KX_remove_callback_function(KX_callback_id_t callback_id) {
    return kx::frame(
        [&] {
            return kx::check({{callback_id, 1}});
        },
        [&] {
            const auto key = reinterpret_cast<std::uintptr_t>(callback_id);
            auto it = parts.registry.find(key);
            if (it == parts.registry.end() || it->second.reason < 0 || it->second.reason >= kReasons ||
                parts.table[it->second.reason].reason != it->second.reason)
                ERROR_raise(kModule, kLineUnknownCallback, kUnknownCallback, "Corrupt data, or invalid pointer");
            ReasonEntry& entry = parts.table[it->second.reason];
            if (entry.chain.empty())
                ERROR_raise(kModule, kLineNoCallbacks, kNoCallbacks, "No callbacks found for reason");
            auto pos = std::find(entry.chain.begin(), entry.chain.end(), key);
            if (pos == entry.chain.end())
                ERROR_raise(kModule, kLineNotInList, kNoCallbacks, "callback not found in list for reason");
            entry.chain.erase(pos);
            parts.registry.erase(it);
            if (entry.chain.empty() && entry.hook_id != 0) unhook_reason(entry);
            return 0;
        });
}

void kx_reset_callbacks_for_tests(void) {
    // Keys and serials keep counting: an id from before stays unknown.
    parts.registry.clear();
    for (ReasonEntry& e : parts.table) {
        e.host_value = 0;
        e.chain.clear();
        e.hook_id = 0;
    }
    kx::reset_tag_events();
}

}  // extern "C"
