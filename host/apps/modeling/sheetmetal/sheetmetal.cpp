// Sheet-metal features (host/apps/modeling/sheetmetal/sheetmetal.h): feature records
// with a bend-allowance formula and a forming factor or state, kept with
// the model (undo takes them back).
#include "host/apps/modeling/sheetmetal/sheetmetal.h"

#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "host/store/parts/part_file.h"
#include "host/model/feature/feature.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace {

using host::Call;
using tag_t = unsigned int;
namespace hf = host::feature;

struct SheetRow {
    int kind = SMD_FLANGE;
    std::string formula;
    double factor = 1.0;  // flanges and bends
    int state = 1;        // general flanges and bridges
    SMBEND_record_t bend{};
};
host::TagTable<SheetRow>& rows() {
    static auto* const t = new host::TagTable<SheetRow>("sheet-metal features");
    return *t;
}
struct Defaults {
    int use_bat = 0;
};
Defaults& defaults() { return host::model_state<Defaults>("sheet-metal defaults"); }
const bool registered = (rows(), defaults(), true);

bool known_kind(int kind) {
    return kind == SMD_FLANGE || kind == SMD_FLANGE_ALT || kind == SMD_GENERAL_FLANGE || kind == SMD_BRIDGE ||
           kind == SMD_BEND;
}
bool has_factor(int kind) { return kind == SMD_FLANGE || kind == SMD_FLANGE_ALT || kind == SMD_BEND; }

const char* kind_name(int kind) {
    switch (kind) {
        case SMD_GENERAL_FLANGE: return "SM_GENERAL_FLANGE";
        case SMD_BRIDGE: return "SM_BRIDGE";
        case SMD_BEND: return "SM_BEND";
        default: return "SM_FLANGE";
    }
}

const SheetRow* row_of(tag_t feature) { return hf::find(feature) ? rows().find(feature) : nullptr; }

// The row of a feature of one of the kinds given (any sheet-metal kind for
// an empty test).
const SheetRow& need(const Call& call, tag_t feature, bool (*fits)(int)) {
    const SheetRow* r = row_of(feature);
    if (!r || (fits && !fits(r->kind)))
        call.fail(FEAT_ERR_BAD_PARAMETERS, "object %u is no sheet-metal feature of this kind", feature);
    return *r;
}

bool is_flange(int k) { return k == SMD_FLANGE || k == SMD_FLANGE_ALT; }
bool is_general_flange(int k) { return k == SMD_GENERAL_FLANGE; }
bool is_bridge(int k) { return k == SMD_BRIDGE; }
bool is_bend(int k) { return k == SMD_BEND; }

int set_formula(const Call& call, tag_t feature, bool (*fits)(int), const char* formula) {
    need(call, feature, fits);
    call.need(formula, "the formula");
    if (*formula == '\0') return FEAT_ERR_BAD_PARAMETERS;
    rows()[feature].formula = formula;
    return 0;
}

}  // namespace

extern "C" {

int SMD_create_feature(unsigned int part, int kind, const char* formula, unsigned int* feature) {
    auto call = HOST_ENTRY(part, kind, feature);
    call.need(feature, "the feature output");
    *feature = 0;
    if (!known_kind(kind) || !formula || *formula == '\0' ||
        (kind == SMD_BEND && std::strlen(formula) >= SMBEND_FORMULA_CHARS))
        return FEAT_ERR_BAD_PARAMETERS;
    const tag_t made = hf::create(part, kind_name(kind));
    SheetRow& r = rows()[made];
    r.kind = kind;
    r.formula = formula;
    r.bend.angle = 90;
    r.bend.p_factor = 1.0;
    if (kind == SMD_BEND) std::strcpy(r.bend.formula, formula);
    *feature = made;
    return 0;
}

int SMDUTL_ask_smd_feature_type(unsigned int feature) {
    HOST_ENTRY(feature);
    const SheetRow* r = row_of(feature);
    return r ? r->kind : -1;
}

int SMDUTL_ask_def_use_bat(void) {
    HOST_ENTRY();
    return host::model_value<Defaults>("sheet-metal defaults").read().use_bat;
}

void SMDUTL_set_def_use_bat(int on) {
    HOST_ENTRY(on);
    defaults().use_bat = on ? 1 : 0;
}

int PIPNAV_set_state(unsigned int feature, double factor, int state, int mode) {
    auto call = HOST_ENTRY(feature, factor, state, mode);
    const SheetRow& now = need(call, feature, nullptr);
    if (mode < 1 || mode > 3 || (mode == 3 && !has_factor(now.kind)))
        call.fail(HOST_ERR_BAD_ARGUMENT, "no state change of mode %d for this feature", mode);
    double to = now.factor;
    int to_state = now.state;
    if (mode == 2 || mode == 1) {
        to = mode == 2 ? 1.0 : 0.0;
        to_state = mode == 2 ? 1 : 0;
    } else {
        if (state < 0 || state > 2) call.fail(HOST_ERR_BAD_ARGUMENT, "no forming state %d", state);
        const double given = is_flange(now.kind) ? factor / 90.0 : factor;
        to = state == 0 ? 0.0 : state == 1 ? 1.0 : given;
        if (!std::isfinite(to) || to < 0 || to > 1)
            call.fail(HOST_ERR_BAD_ARGUMENT, "a forming factor of %g is not between 0 and 1", to);
    }
    if (!has_factor(now.kind)) to = now.factor;
    else to_state = now.state;
    if (to == now.factor && to_state == now.state) return 0;
    SheetRow& r = rows()[feature];
    r.factor = to;
    r.state = to_state;
    r.bend.p_factor = to;
    return 1;
}

const char* FLANGE_ask_baf(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    return need(call, feature, is_flange).formula.c_str();
}
int FLANGE_set_baf(unsigned int feature, const char* formula) {
    auto call = HOST_ENTRY(feature);
    return set_formula(call, feature, is_flange, formula);
}
double FLANGE_ask_proc_factor(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    return need(call, feature, is_flange).factor;
}
const char* GENFLG_ask_baf(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    return need(call, feature, is_general_flange).formula.c_str();
}
int GENFLG_set_baf(unsigned int feature, const char* formula) {
    auto call = HOST_ENTRY(feature);
    return set_formula(call, feature, is_general_flange, formula);
}
int GENFLG_ask_state(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    return need(call, feature, is_general_flange).state;
}
const char* SMBRIDGE_ask_baf(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    return need(call, feature, is_bridge).formula.c_str();
}
int SMBRIDGE_set_baf(unsigned int feature, const char* formula) {
    auto call = HOST_ENTRY(feature);
    return set_formula(call, feature, is_bridge, formula);
}
int SMBRIDGE_ask_state(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    return need(call, feature, is_bridge).state;
}
const char* SMBEND_ask_baf(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    return need(call, feature, is_bend).bend.formula;
}
void SMBEND_ask_smbend(unsigned int feature, SMBEND_record_t* record) {
    auto call = HOST_ENTRY(feature, record);
    call.need(record, "the bend record");
    *record = need(call, feature, is_bend).bend;
}
int SMBEND_set_baf(unsigned int feature, const SMBEND_record_t* record) {
    auto call = HOST_ENTRY(feature, record);
    need(call, feature, is_bend);
    call.need(record, "the bend record");
    if (!std::memchr(record->formula, '\0', sizeof record->formula) || record->formula[0] == '\0')
        return FEAT_ERR_BAD_PARAMETERS;
    SheetRow& r = rows()[feature];
    std::strcpy(r.bend.formula, record->formula);
    r.formula = record->formula;
    return 0;
}
double SMBEND_ask_p_factor(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    return need(call, feature, is_bend).factor;
}

}  // extern "C"

// ---- part-file section "SMTL": the sheet-metal records ------------------------
//
// Payload: rows (part_file::write_rows), one per sheet-metal feature:
//   i32 kind, str formula, f64 forming factor, i32 state,
//   bend record: f64 angle, f64 radius, f64 p-factor, str formula
// The reader refuses a kind the host does not make, an empty formula, a
// factor outside 0 to 1, a state other than 0 or 1 and a bend formula
// longer than its field.
namespace {

namespace pf = host::part_file;

void write_sheets(pf::Writer& out, const pf::SaveContext& ctx) {
    std::vector<tag_t> sheets;
    for (tag_t f : hf::features_of_part(ctx.part))
        if (rows().find(f)) sheets.push_back(f);
    pf::write_rows(out, ctx, sheets, [&](pf::Writer& row, tag_t t) {
        const SheetRow& r = *rows().find(t);
        row.i32(r.kind);
        row.str(r.formula);
        row.f64(r.factor);
        row.i32(r.state);
        row.f64(r.bend.angle);
        row.f64(r.bend.radius);
        row.f64(r.bend.p_factor);
        row.str(r.bend.formula);
    });
}

bool factor_in_range(double f) { return std::isfinite(f) && f >= 0 && f <= 1; }

void read_sheets(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<tag_t, SheetRow>> read;
    pf::read_rows(in, ctx, {"sheet-metal row", 8, false}, [&](tag_t t, pf::Reader& row) {
        if (host::objects::require(t).cls != OM_CLASS_FEATURE)
            throw pf::FormatError("a sheet-metal row of an object that is no feature");
        SheetRow r;
        r.kind = row.i32();
        r.formula = row.str();
        r.factor = row.f64();
        r.state = row.i32();
        r.bend.angle = row.f64();
        r.bend.radius = row.f64();
        r.bend.p_factor = row.f64();
        const std::string bend = row.str();
        if (!known_kind(r.kind) || r.formula.empty() || r.formula.find('\0') != std::string::npos ||
            !factor_in_range(r.factor) || (r.state != 0 && r.state != 1) || !std::isfinite(r.bend.angle) ||
            !std::isfinite(r.bend.radius) || !factor_in_range(r.bend.p_factor) || bend.size() >= SMBEND_FORMULA_CHARS ||
            bend.find('\0') != std::string::npos)
            throw pf::FormatError("a sheet-metal record holds values the host does not make");
        std::memcpy(r.bend.formula, bend.c_str(), bend.size() + 1);
        read.emplace_back(t, std::move(r));
    });
    for (auto& [t, r] : read) rows()[t] = std::move(r);
}

const bool section_registered = (pf::register_section({{'S', 'M', 'T', 'L'}, write_sheets, read_sheets}), true);

}  // namespace
