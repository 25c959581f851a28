// The host's enlarged sheets and sheet-parameter records (enlarge.h).
#include "host/freeform/enlarge.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "host/data/parts.h"
#include "host/expr/expr.h"
#include "host/feature/feature.h"
#include "host/feature/records.h"
#include "host/freeform/trimmed_sheet.h"
#include "host/hook.h"
#include "host/kernel/ff_trim.h"
#include "host/kernel/kernel.h"
#include "host/model.h"
#include "host/services/error.h"
#include "host/services/memory.h"
#include "host/services/objects.h"

namespace {

namespace hf = host::feature;
using tag_t = unsigned int;

struct ParmsRow {
    int kind = 0;
    std::array<int, 2> idata{};
    int count = 0;
    std::array<tag_t, 4> percent{};
    unsigned int face_ref = 0;
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
    const tag_t face = FREF_ask_face_of_fref(r.face_ref);
    const int entity = face ? host::kernel::entity_of(face) : 0;
    if (entity == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "the face of the enlarged sheet is gone");
    double percent[4];
    for (int i = 0; i < 4; ++i) percent[i] = host::expr::value(r.percent[i]);
    int body = 0;
    ZQ_FF_enlarge(entity, r.idata[1], percent, &body);
    return body;
}

void regenerate(const host::Call& call, tag_t feature) {
    const ParmsRow& r = row_of(call, feature);
    if (r.kind != SS_KIND_ENLARGE) return;
    host::freeform::replace_result_body(feature, make_sheet(call, r));
}

const bool kind_registered = [] {
    rows();
    hf::Kind k{SS_KIND, {"U Start", "U End", "V Start", "V End", "Tolerance"}, 0, 0, 0, false, nullptr, nullptr};
    k.regenerate = regenerate;
    hf::register_kind(k);
    return true;
}();

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
        r.face_ref = FREF_ask_fref_of_face(face);
        if (r.face_ref == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "object %u is no face", face);
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
    parms->face_ref = r->face_ref;
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
