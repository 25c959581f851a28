// Boundary objects: the chain and the options are checked strictly before
// the host makes the boundary.
#include <algorithm>

#include "kx_bound.h"
#include "libkxapi/core/frame.h"

#include "host/store/entities/boundary.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/rm.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

constexpr int kCondemned = 2;  // entity-store state of a boundary being deleted

bool live(tag object) { return object != NULL_TAG && TAG_ask_pointer_of_tag(object) != nullptr; }

enum class Link { other, curve, point };

Link link_of(tag object) {
    if (!live(object)) return Link::other;
    int type = 0, subtype = 0;
    RM_ask_entity_type_and_subtype(object, &type, &subtype);
    switch (type) {
        case HOST_TYPE_LINE:
        case HOST_TYPE_ARC:
        case HOST_TYPE_CONIC:
        case HOST_TYPE_SPLINE: return Link::curve;
        case HOST_TYPE_SOLID: return subtype == HOST_SUBTYPE_EDGE ? Link::curve : Link::other;
        case HOST_TYPE_POINT: return Link::point;
        default: return Link::other;
    }
}

// 0, or the code of the first bad link; every link is looked at.
int chain_status(int count, const boundary_member* members) {
    int status = 0;
    Link before = Link::other;
    for (int i = 0; i < count; ++i) {
        const Link l = link_of(members[i].object);
        if (status == 0 && (l == Link::other || (l == Link::point && before == Link::point))) status = kx::param(5);
        before = l;
    }
    return status;
}

}  // namespace

KXAPI int KX_BOUND_create_boundary(int type, tag view, boundary_settings settings, int count,
                                              const boundary_member* members, tag* boundary) {
    return kx::frame(
        [&] {
            kx::clear(boundary);
            return 0;
        },
        [&] {
            if (!CONTEXT_ask_active_part_exists()) return kx::kPartNotLoaded;
            if (type != 0 && type != 1) return kx::param(1);
            if (view != NULL_TAG && (!live(view) || RM_ask_entity_type(view) != HOST_TYPE_VIEW)) return kx::param(2);
            const bool values_ok = settings.first_value >= 0 && settings.second_value >= 0;
            if ((settings.mode != 0 && settings.mode != 1) || (settings.mode == 1 && !values_ok)) return kx::param(3);
            // A chain needs a link: a count below 1 is refused as 0 is.
            if (count < 1) return kx::param(4);
            if (!members) return kx::param(5);
            if (!boundary) return kx::param(6);
            if (int st = chain_status(count, members)) return st;
            const BOUND_settings_t s{settings.mode, settings.first_value, settings.second_value};
            static_assert(sizeof(BOUND_member_t) == sizeof(boundary_member));
            BOUND_create_boundary(type, view, &s, count, reinterpret_cast<const BOUND_member_t*>(members), boundary);
            return 0;
        });
}

KXAPI int KX_BOUND_ask_boundary_data(tag boundary, boundary_data* data) {
    BOUND_data_t host{};
    boundary_member* out = nullptr;  // both freed again when the host fails
    return kx::frame(
        kx::standard, kx::on_error([&] {
            if (host.members) SM_free(host.members);
            if (out) SM_free(out);
            if (data) data->members = nullptr;
        }),
        [&] {
            if (boundary == NULL_TAG) return int{KX_BOUND_ERR_NULL_TAG};
            return live(boundary) ? 0 : kx::param(1);
        },
        [&] {
            if (RM_ask_entity_type(boundary) != HOST_TYPE_BOUNDARY) return kx::param(1);
            if (!data) return kx::param(2);
            BOUND_ask_boundary_data(boundary, &host);
            if (host.member_count > 0 && host.members) {
                out = static_cast<boundary_member*>(
                    SM_alloc(static_cast<std::size_t>(host.member_count) * sizeof(boundary_member)));
                for (int i = 0; i < host.member_count; ++i) out[i] = {host.members[i].object, host.members[i].data};
            }
            if (host.members) SM_free(host.members);
            host.members = nullptr;
            data->type = host.type;
            data->view = host.view;
            data->settings = {host.settings.mode, host.settings.first_value, host.settings.second_value};
            data->member_count = host.member_count;
            data->members = out;
            return 0;
        });
}

KXAPI int KX_BOUND_ask_number_of_boundaries(tag object, int* count) {
    return kx::frame(
        kx::standard, kx::before_check([&] { kx::clear(count); }),
        [&] {
            return kx::check({{object != NULL_TAG, 1}, {count, 2}});
        },
        [&] {
            int n = 0;
            es1440_(&object, &n);
            *count = n;
            const int code = BOUND_RELATION_MEMBER, mode = 1;
            for (int i = 1; i <= n; ++i) {
                tag b = NULL_TAG;
                rm407_(&object, &code, &i, &mode, &b);
                if (es0022_(&b) == kCondemned) --*count;
            }
            return 0;
        });
}
