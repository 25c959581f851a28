// Boundary objects: their chains in a model table.
#include "host/store/entities/boundary.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/store/parts/row_fields.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

using tag_t = unsigned int;

struct Boundary {
    int type = 0;
    tag_t view = 0;
    BOUND_settings_t settings{};
    std::vector<BOUND_member_t> members;
};

host::TagTable<Boundary>& table() {
    static auto* t = new host::TagTable<Boundary>("boundaries");  // lives as long as the process
    return *t;
}
const bool registered = (table(), true);

bool chain_member(const host::objects::Object& o) {
    switch (o.type) {
        case HOST_TYPE_POINT:
        case HOST_TYPE_LINE:
        case HOST_TYPE_ARC:
        case HOST_TYPE_CONIC:
        case HOST_TYPE_SPLINE: return true;
        case HOST_TYPE_SOLID: return o.subtype == HOST_SUBTYPE_EDGE;
        default: return false;
    }
}

// Part-file section "BNDY": the data of each boundary. Payload: rows of
// objects (host/store/parts/part_file.h); a row: i32 type, u32 view (object
// number, kNotSaved for none), i32 mode, f64 first value, f64 second
// value, u32 count and per member u32 object (kNotSaved: one deleted or
// not written with the part, read back as 0) and i32 data. A type other
// than 0 and 1, no members, a view that is no view, a member that is no
// curve, edge or point, or a row for an object that is no boundary, makes
// the file corrupt.
namespace pf = host::part_file;
namespace fields = host::part_file::fields;

void write_boundaries(pf::Writer& out, const pf::SaveContext& ctx) {
    pf::write_object_rows(out, ctx, false, [&](pf::Writer& row, tag_t object) {
        const host::objects::Object* o = host::objects::find(object);
        const Boundary* r = o && o->type == HOST_TYPE_BOUNDARY ? table().find(object) : nullptr;
        if (!r) return;
        row.i32(r->type);
        fields::put_object(row, ctx, r->view);
        row.i32(r->settings.mode);
        row.f64(r->settings.first_value);
        row.f64(r->settings.second_value);
        row.u32(static_cast<std::uint32_t>(r->members.size()));
        for (const BOUND_member_t& m : r->members) {
            fields::put_object(row, ctx, m.object);
            row.i32(m.data);
        }
    });
}

void read_boundaries(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<tag_t, Boundary>> rows;
    pf::read_rows(in, ctx, {"boundary row", 8 + 32, false}, [&](tag_t t, pf::Reader& row) {
        const host::objects::Object& o = host::objects::require(t);
        if (o.cls != OM_CLASS_RM_ENTITY || o.type != HOST_TYPE_BOUNDARY)
            throw pf::FormatError("a boundary row of an object that is no boundary");
        Boundary b;
        b.type = row.i32();
        if (b.type != 0 && b.type != 1) throw pf::FormatError("a boundary's type");
        b.view = fields::get_object(row, ctx, "a boundary");
        if (b.view != 0 && host::objects::require(b.view).type != HOST_TYPE_VIEW)
            throw pf::FormatError("a boundary's view is no view");
        b.settings.mode = row.i32();
        b.settings.first_value = row.f64();
        b.settings.second_value = row.f64();
        const std::uint32_t n = fields::get_count(row, 8, "a boundary");
        if (n == 0) throw pf::FormatError("a boundary without members");
        for (std::uint32_t i = 0; i < n; ++i) {
            BOUND_member_t m{};
            m.object = fields::get_object(row, ctx, "a boundary");
            m.data = row.i32();
            if (m.object != 0 && !chain_member(host::objects::require(m.object)))
                throw pf::FormatError("a boundary's member is no curve, edge or point");
            b.members.push_back(m);
        }
        rows.emplace_back(t, std::move(b));
    });
    for (auto& [t, b] : rows) table()[t] = std::move(b);
}

const bool section_registered =
    (pf::register_section({{'B', 'N', 'D', 'Y'}, write_boundaries, read_boundaries}), true);

// The live boundaries whose chain holds the object, in creation order.
std::vector<tag_t> boundaries_of(tag_t object) {
    std::vector<tag_t> out;
    for (tag_t b : host::objects::objects_of_type(HOST_TYPE_BOUNDARY)) {
        const Boundary* r = table().find(b);
        if (!r) continue;
        for (const BOUND_member_t& m : r->members)
            if (m.object == object) {
                out.push_back(b);
                break;
            }
    }
    return out;
}

}  // namespace

extern "C" {

void BOUND_create_boundary(int type, unsigned int view, const BOUND_settings_t* settings, int count,
                           const BOUND_member_t* members, unsigned int* boundary) {
    auto call = HOST_ENTRY(type, view, count, boundary);
    call.need(settings, "the settings");
    call.need(members, "the members");
    call.need(boundary, "the boundary output");
    if (type != 0 && type != 1) call.fail(HOST_ERR_BAD_ARGUMENT, "boundary type %d", type);
    if (count < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "%d members", count);
    if (view != 0) call.live_of_type(view, HOST_TYPE_VIEW);
    for (int i = 0; i < count; ++i)
        if (!chain_member(call.live(members[i].object)))
            call.fail(HOST_ERR_BAD_ARGUMENT, "object %u cannot be in a boundary", members[i].object);
    const tag_t work = CONTEXT_ask_work_part();
    if (work == 0) call.fail(HOST_ERR_DEAD_TAG, "no work part");
    const tag_t b = host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_BOUNDARY, 0, work});
    Boundary& r = table()[b];
    r.type = type;
    r.view = view;
    r.settings = *settings;
    r.members.assign(members, members + count);
    *boundary = b;
}

void BOUND_ask_boundary_data(unsigned int boundary, BOUND_data_t* data) {
    auto call = HOST_ENTRY(boundary, data);
    call.live_of_type(boundary, HOST_TYPE_BOUNDARY);
    call.need(data, "the data");
    const Boundary* r = table().find(boundary);
    const Boundary empty;
    if (!r) r = &empty;
    data->type = r->type;
    data->view = r->view;
    data->settings = r->settings;
    data->member_count = static_cast<int>(r->members.size());
    data->members = nullptr;
    if (!r->members.empty()) {
        data->members = static_cast<BOUND_member_t*>(SM_alloc(r->members.size() * sizeof(BOUND_member_t)));
        std::copy(r->members.begin(), r->members.end(), data->members);
    }
}

void es1440_(const unsigned int* object, int* count) {
    auto call = HOST_ENTRY(object ? *object : 0, count);
    call.need(object, "the object");
    call.need(count, "the count");
    call.live(*object);
    *count = static_cast<int>(call.int_out(0, static_cast<std::int64_t>(boundaries_of(*object).size())));
}

void rm407_(const unsigned int* object, const int* code, const int* index, const int* mode, unsigned int* related) {
    auto call = HOST_ENTRY(object ? *object : 0, code ? *code : 0, index ? *index : 0, mode ? *mode : 0);
    call.need(object, "the object");
    call.need(code, "the code");
    call.need(index, "the index");
    call.need(mode, "the mode");
    call.need(related, "the related output");
    call.live(*object);
    if (*code != BOUND_RELATION_MEMBER || *mode != 1)
        call.fail(HOST_ERR_BAD_ARGUMENT, "relationship %d, mode %d", *code, *mode);
    const std::vector<tag_t> b = boundaries_of(*object);
    if (*index < 1 || *index > static_cast<int>(b.size())) call.fail(HOST_ERR_BAD_ARGUMENT, "index %d", *index);
    *related = b[static_cast<std::size_t>(*index - 1)];
}

}  // extern "C"
