// Tag events: user routines called when the host creates, deletes or
// changes an object. The library hooks one dispatcher into the host while it
// has registrations, and calls the routines, oldest first, from there in the
// user-program run-time environment under an error frame of its own.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "kx_callback.h"
#include "libkxapi/callback/kx_callback_internal.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/tag/kx_tag_event_internal.h"

#include "host/store/entities/events.h"
#include "host/base/services/error.h"

namespace {

constexpr std::size_t kTagFirstCapacity = 16;
// The tag-event messages name the module kx_misc.
constexpr const char* kTagEventModule = "kx_misc";
constexpr int kLineTagEventUserError = 890;

struct TagRegistration {
    KX_TAG_event_cb_t routine;
    void* data;
    unsigned int id;       // the caller's id
    std::uint64_t serial;  // never given twice
};

struct TagEvents {
    std::vector<TagRegistration> regs;  // oldest first
    unsigned int last_id = 0;
    std::uint64_t next_serial = 1;
    int hook_id = 0;
};
TagEvents tags;

void dispatch_tag_event(int event, unsigned int object) {
    std::vector<std::uint64_t> serials;
    for (const TagRegistration& r : tags.regs) serials.push_back(r.serial);
    // One frame for the event: an error skips the routines after it.
    kx::run_protected(
        [&] {
            for (std::uint64_t serial : serials) {
                auto it = std::find_if(tags.regs.begin(), tags.regs.end(),
                                       [&](const TagRegistration& r) { return r.serial == serial; });
                if (it == tags.regs.end()) continue;
                const TagRegistration reg = *it;
                kx::call_user(reg.routine, event, object, reg.data);
            }
        },
        [] { ERROR_note(kTagEventModule, kLineTagEventUserError, "User induced error caught in KX event callback."); });
}

}  // namespace

namespace kx {

void reset_tag_events() {
    const std::uint64_t serial = tags.next_serial;
    tags = TagEvents{};
    tags.next_serial = serial;
}

}  // namespace kx

extern "C" {

KXAPI int KX_TAG_register_event_cb(KX_TAG_event_cb_t routine, void* user_data, unsigned int* callback_id) {
    return kx::frame(
        kx::arm_first,
        [&] {
            return kx::check({{routine != nullptr, 1}, {callback_id, 3}});
        },
        [&] {
            if (tags.hook_id == 0) tags.hook_id = TAG_register_event_cb(dispatch_tag_event, 0);
            kx::disallow_unload(reinterpret_cast<const void*>(routine));
            // The array starts with room for 16 and doubles when full.
            if (tags.regs.size() == tags.regs.capacity())
                tags.regs.reserve(tags.regs.empty() ? kTagFirstCapacity : 2 * tags.regs.capacity());
            const unsigned int id = ++tags.last_id;
            tags.regs.push_back({routine, user_data, id, tags.next_serial++});
            *callback_id = id;
            return 0;
        });
}

KXAPI int KX_TAG_unregister_event_cb(unsigned int callback_id) {
    return kx::frame(kx::arm_first, [&] {
        auto it = std::find_if(tags.regs.begin(), tags.regs.end(),
                               [&](const TagRegistration& r) { return r.id == callback_id; });
        if (it == tags.regs.end()) return kx::param(1);
        tags.regs.erase(it);
        if (!tags.regs.empty()) return 0;
        if (!TAG_unregister_event_cb(tags.hook_id)) return kx::param(1);
        // The array goes: the next registration starts again at id 1.
        std::vector<TagRegistration>().swap(tags.regs);
        tags.last_id = 0;
        tags.hook_id = 0;
        return 0;
    });
}

int kx_tag_event_capacity_for_tests(void) { return static_cast<int>(tags.regs.capacity()); }

}  // extern "C"
