// The host's enlarged sheets and sheet-parameter records (enlarge.h).
#include "host/apps/modeling/freeform/enlarge.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/store/parts/row_fields.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/records.h"
#include "host/apps/modeling/freeform/sheet_rows.h"
#include "host/apps/modeling/freeform/trimmed_sheet.h"
#include "host/base/hook.h"
#include "host/kernel/ops/trimmed_sheets.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

namespace hf = host::feature;
using tag_t = unsigned int;

struct ParmsRow {
    int kind = 0;
    std::array<int, 2> idata{};
    int count = 0;
    std::array<tag_t, 4> percent{};  // expressions (none for a trimmed sheet's)
    std::vector<host::freeform::SubRef> face;  // the enlarged face (none for a trimmed sheet's)
    tag_t tolerance = 0;
};

host::TagTable<ParmsRow>& rows() {
    static auto* const t = new host::TagTable<ParmsRow>("sheet parameter records");
    return *t;
}

const ParmsRow& row_of(const host::Call& call, tag_t feature) {
    call.live(feature);
    const ParmsRow* r = rows().find(feature);
    if (!r || !hf::find(feature)) call.fail(SS_ERR_NO_PARMS, "feature %u has no sheet parameters", feature);
    return *r;
}

// The enlarged sheet of the record now (kernel tag of a new body).
int make_sheet(const host::Call& call, const ParmsRow& r) {
    const int entity = r.face.empty() ? 0 : host::freeform::entity_of(r.face.front());
    if (entity == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "the face of the enlarged sheet is gone");
    double percent[4];
    for (int i = 0; i < 4; ++i) percent[i] = host::expr::value(r.percent[i]);
    int body = 0;
    ZQ_FF_enlarge(entity, r.idata[1], percent, &body);
    return body;
}

// A feature read from a file without its record keeps the sheet it was
// saved with.
void regenerate(const host::Call& call, tag_t feature) {
    const ParmsRow* r = rows().find(feature);
    if (!r || r->kind != SS_KIND_ENLARGE) return;
    // The bodies read with the part are made again by now.
    if (host::freeform::unsettled(r->face)) host::freeform::settle(rows().edit(feature)->face);
    host::freeform::replace_result_body(feature, make_sheet(call, *rows().find(feature)));
}

const bool kind_registered = [] {
    rows();
    hf::Kind k{SS_KIND, {"U Start", "U End", "V Start", "V End", "Tolerance"}, 0, 0, 0, false, nullptr, nullptr};
    k.regenerate = regenerate;
    hf::register_kind(k);
    return true;
}();

// ---- the part file ------------------------------------------------------------
// Section "SSPR", a row per sheet feature with a sheet-parameter record:
// i32 kind, i32 the two integers of its data, i32 count; the four
// percentage expressions (objects; none saved for a trimmed sheet's
// record); its face (objects: one for an enlarged sheet, none for a trimmed
// sheet's); the tolerance expression. A record whose objects did not all
// go into the file goes without its row (its feature keeps the sheet it
// was saved with).

namespace pf = host::part_file;
namespace fields = host::part_file::fields;
constexpr const char* kWhat = "a sheet-parameter record";

void write_section(pf::Writer& out, const pf::SaveContext& ctx) {
    pf::write_object_rows(out, ctx, false, [&](pf::Writer& row, tag_t f) {
        const ParmsRow* r = rows().find(f);
        if (!r || !hf::find(f) || !host::freeform::all_saved(ctx, r->face) || !ctx.written(r->tolerance)) return;
        for (tag_t e : r->percent)
            if (e != 0 && !ctx.written(e)) return;
        row.i32(r->kind);
        row.i32(r->idata[0]);
        row.i32(r->idata[1]);
        row.i32(r->count);
        fields::put_objects(row, ctx, {r->percent.begin(), r->percent.end()});
        host::freeform::put_subs(row, ctx, r->face);
        fields::put_object(row, ctx, r->tolerance);
    });
}

void read_section(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<tag_t, ParmsRow>> made;
    pf::read_rows(in, ctx, {kWhat, 8, false}, [&](tag_t f, pf::Reader& row) {
        host::freeform::require_feature(f, kWhat);
        ParmsRow r;
        r.kind = row.i32();
        r.idata = {row.i32(), row.i32()};
        r.count = row.i32();
        const bool enlarge = r.kind == SS_KIND_ENLARGE;
        if ((!enlarge && r.kind != SS_KIND_TRIMMED) || r.idata[0] != r.kind || r.count < (enlarge ? 2 : 1) ||
            (enlarge ? r.idata[1] != 0 && r.idata[1] != 1 : r.idata[1] != 0))
            throw pf::FormatError("a sheet-parameter record of no kind it can be");
        const std::vector<tag_t> percent = fields::get_objects(row, ctx, kWhat);
        if (percent.size() != 4) throw pf::FormatError("a sheet-parameter record without four percentages");
        for (std::size_t i = 0; i < 4; ++i) {
            const host::objects::Object* o = host::objects::find(percent[i]);
            if (enlarge ? !o || o->cls != OM_CLASS_EXPRESSION : percent[i] != 0)
                throw pf::FormatError("a sheet-parameter record's percentage is no expression of its kind");
            r.percent[i] = percent[i];
        }
        r.face = host::freeform::get_subs(row, ctx, kWhat,
                                          enlarge ? std::vector<int>{HOST_SUBTYPE_FACE} : std::vector<int>{});
        r.tolerance = host::freeform::get_object_of(row, ctx, kWhat, OM_CLASS_EXPRESSION);
        made.emplace_back(f, std::move(r));
    });
    for (auto& [f, r] : made) rows()[f] = std::move(r);
}

const bool section_registered = (pf::register_section({{'S', 'S', 'P', 'R'}, write_section, read_section}), true);

tag_t system_exp(const host::Call& call, tag_t part, const char* formula) {
    tag_t e = 0;
    if (int code = host::expr::create_system(part, formula ? formula : "", &e)) call.fail(code, "bad formula");
    return e;
}

}  // namespace

namespace host::freeform {

void keep_sheet_parms(unsigned int feature, int kind, int type, const char* tolerance) {
    const host::Call call("SS_PARMS_create", nullptr);
    ParmsRow r;
    r.kind = kind;
    r.idata = {kind, type};
    r.count = 1;
    r.tolerance = system_exp(call, host::parts::work_part(), tolerance);
    rows()[feature] = r;
}

}  // namespace host::freeform

extern "C" {

void SS_ask_surface_flags(unsigned int face, int flags[2]) {
    auto call = HOST_ENTRY(face, flags);
    call.need(flags, "the flags output");
    const int entity = host::kernel::entity_of(face);
    if (entity == 0) call.fail(HOST_ERR_DEAD_TAG, "object %u has no kernel face", face);
    ZQ_FF_ask_closed(entity, flags);
}

void bs_regen_rec_face(int face, int form, double tolerance, int flag, BSRF_surface_t** record, int* error) {
    auto call = HOST_ENTRY(face, form, tolerance, flag);
    call.need(record, "the record output");
    call.need(error, "the error output");
    *record = nullptr;
    *error = 0;
    if (!(tolerance > 0)) {
        *error = 1;
        return;
    }
    BSRF_surface_t* s = ZQ_FF_surface_record(face, tolerance);
    *record = s;
}

unsigned int ui_create_ssextend(const int kind_block[2], unsigned int face, unsigned int other, const int pair[2],
                                char* const percent[4], const char* tolerance, const BSRF_surface_t* record,
                                int* error) {
    auto call = HOST_ENTRY(face, other, record, error);
    call.need(kind_block, "the kind block");
    call.need(pair, "the type pair");
    call.need(percent, "the percentages");
    call.need(tolerance, "the tolerance");
    call.need(error, "the error output");
    *error = 0;
    const host::ModelSnapshot before = host::snapshot_model();
    tag_t made_feature = 0;
    const int code = hf::caught([&] {
        if (kind_block[0] != SS_KIND_ENLARGE || (pair[0] != 0 && pair[0] != 1))
            call.fail(HOST_ERR_BAD_ARGUMENT, "kind %d, type %d", kind_block[0], pair[0]);
        const tag_t part = host::parts::work_part();
        ParmsRow r;
        r.kind = SS_KIND_ENLARGE;
        r.idata = {kind_block[0], pair[0]};
        r.count = pair[1];
        if (FREF_ask_fref_of_face(face) == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "object %u is no face", face);
        r.face = {host::freeform::sub_ref(face)};
        std::vector<tag_t> exps;
        for (int i = 0; i < 4; ++i) exps.push_back(r.percent[i] = system_exp(call, part, percent[i]));
        exps.push_back(r.tolerance = system_exp(call, part, tolerance));
        const int made = make_sheet(call, r);
        tag_t body = 0;
        pxlook_(&made, &body);
        const tag_t f = hf::create(part, SS_KIND, {}, {body});
        hf::detail::edit(f)->exps = exps;
        rows()[f] = r;
        made_feature = f;
    });
    if (code != 0) {
        host::restore_model(before);
        *error = code;
        return 0;
    }
    // The created object by its entity id.
    return host::objects::find(made_feature)->eid;
}

int SS_PARMS_ask(unsigned int feature, SS_PARMS_t* parms) {
    auto call = HOST_ENTRY(feature, parms);
    call.need(parms, "the record output");
    call.live(feature);
    const ParmsRow* r = rows().find(feature);
    if (!r || !hf::find(feature)) return 0;
    parms->marker = SS_PARMS_MARKER;
    parms->kind = r->kind;
    parms->idata[0] = r->idata[0];
    parms->idata[1] = r->idata[1];
    parms->count = r->count;
    for (int i = 0; i < 4; ++i) parms->percent[i] = r->percent[i];
    parms->face_ref = r->face.empty() ? 0 : static_cast<unsigned int>(host::freeform::entity_of(r->face.front()));
    parms->tolerance = r->tolerance;
    return 1;
}

void SS_PARMS_set_type(unsigned int feature, int type) {
    auto call = HOST_ENTRY(feature, type);
    row_of(call, feature);
    rows().edit(feature)->idata[1] = type;
}

void SS_PARMS_set_tolerance(unsigned int feature, const char* formula) {
    auto call = HOST_ENTRY_TEXT(formula, feature);
    call.need(formula, "the formula");
    const ParmsRow& r = row_of(call, feature);
    if (int code = host::expr::edit(r.tolerance, formula)) call.fail(code, "the tolerance cannot be %s", formula);
}

}  // extern "C"
