// Modelling tolerances, densities, modelling switches, mark importance and
// feature signs (host/model/feature/queries.h).
#include "host/model/feature/queries.h"

#include <algorithm>
#include <cmath>
#include <vector>
#include <set>

#include "host/model/feature/feature.h"
#include "host/model/feature/records.h"
#include "host/model/feature/undo.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

// Kilograms per cubic metre of one unit (1 lb/in3, 1 lb/ft3, 1 g/cm3, 1 kg/m3).
constexpr double kToSi[5] = {0, 27679.899962366486, 16.01846062636949, 1000.0, 1.0};

constexpr double kDefaultDistance = 0.0254;
constexpr double kDefaultAngle = 0.5;
constexpr double kNumberTolerance = 1e-10;

struct Switches {
    int body_type = 0;  // 0 solid, 1 sheet
    int quintic = 0;
    int dynamic_update = 0;
    int immediate_children = 0;
    std::set<unsigned int> important;  // marks made important
};
Switches& sw() { return host::service_state<Switches>("modelling switches"); }
const bool sw_made = (sw(), true);

void reset_blocks() {
    srfc1_[0] = kDefaultDistance;
    srfc1_[1] = kDefaultAngle;
    pxdens_ = pxdens_t{7.83, 7830.0, 3};
}
const bool blocks_made =
    (reset_blocks(), host::register_service_reset("modelling tolerances and density", reset_blocks), true);

void check_units(const host::Call& call, const int* units) {
    call.need(units, "the units");
    if (*units < 1 || *units > 4) call.fail(HOST_ERR_BAD_ARGUMENT, "units %d are not 1 to 4", *units);
}

void switch_value(const host::Call& call, int& stored, int mode, int set_mode, int* value) {
    call.need(value, "the value");
    if (mode == set_mode) stored = *value;
    else *value = stored;
}

}  // namespace

extern "C" {

pxdens_t pxdens_ = {7.83, 7830.0, 3};

double EQ_ask_number_tolerance(void) {
    auto call = HOST_ENTRY();
    return call.real_out(0, kNumberTolerance);
}

void es7013(const unsigned int* body, const int* units, double* density, int* spare, int* status) {
    auto call = HOST_ENTRY(body ? *body : 0u, units ? *units : 0);
    call.need(body, "the body");
    call.need(density, "the density output");
    call.need(status, "the status output");
    check_units(call, units);
    (void)spare;
    const int entity = ES_solid_ask_fermalith_tag(*body);
    if (entity == 0) {
        *status = 875027;
        return;
    }
    double si = 0;
    ZQ_BODY_ask_density(entity, &si);
    *density = si / kToSi[*units];
    *status = 0;
}

int ES_set_solid_density(unsigned int body, int units, double density, int mode) {
    auto call = HOST_ENTRY(body, units, density, mode);
    int status;
    if (call.status(status)) return status;
    check_units(call, &units);
    const int entity = ES_solid_ask_fermalith_tag(body);
    if (entity == 0) return 875027;
    ZQ_BODY_set_density(entity, density * kToSi[units]);
    return 0;
}

void wi_modeling_for_body_type(int mode, int* value) {
    auto call = HOST_ENTRY(mode, value ? *value : 0);
    switch_value(call, sw().body_type, mode, 1, value);
}

void cdUIaskoutput_quintic(int mode, int* value) {
    auto call = HOST_ENTRY(mode, value ? *value : 0);
    switch_value(call, sw().quintic, mode, 1, value);
}

void cdUIaskDynamicUpdate(int mode, int* value) {
    auto call = HOST_ENTRY(mode, value ? *value : 0);
    switch_value(call, sw().dynamic_update, mode, 1, value);
}

void cdUIaskImmediateChildren(int mode, int* value) {
    auto call = HOST_ENTRY(mode, value ? *value : 0);
    switch_value(call, sw().immediate_children, mode, 1, value);
}

int UNDO_JQ_set_mark_importance(unsigned int mark, int mode, unsigned char* was) {
    auto call = HOST_ENTRY(mark, mode, was);
    int status;
    if (call.status(status)) return status;
    call.need(was, "the importance output");
    if (!UNDO_JQ_ask_mark_exist(mark, nullptr)) return UNDO_ERR_NO_MARK;
    *was = sw().important.count(mark) ? 1 : 0;
    sw().important.insert(mark);
    return 0;
}

int get_resultant_feature(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    const host::feature::Record* r = host::feature::find(feature);
    if (!r) call.fail(FEAT_ERR_NOT_A_FEATURE, "tag %u is no feature", feature);
    return static_cast<int>(call.int_out(0, r->sign));
}

void MOD_UI_ask_disp_entity_of_frec(unsigned int feature, int* count, unsigned int** objects) {
    auto call = HOST_ENTRY(feature, count, objects);
    call.need(count, "the count output");
    call.need(objects, "the objects output");
    const host::feature::Record* r = host::feature::find(feature);
    if (!r) call.fail(FEAT_ERR_NOT_A_FEATURE, "tag %u is no feature", feature);
    std::vector<unsigned int> out;
    if (r->body && r->step == 0 && host::objects::is_alive(r->body)) out.push_back(r->body);
    for (unsigned int o : r->results)
        if (host::objects::is_alive(o)) out.push_back(o);
    *count = static_cast<int>(out.size());
    *objects = nullptr;
    if (out.empty()) return;
    *objects = static_cast<unsigned int*>(SM_alloc(out.size() * sizeof(unsigned int)));
    std::copy(out.begin(), out.end(), *objects);
}

unsigned int FREC_find_child_frec_of_so(unsigned int object) {
    auto call = HOST_ENTRY(object);
    const host::objects::Object& o = call.live(object);
    for (unsigned int f : host::feature::features_of_part(o.part)) {
        const host::feature::Record* r = host::feature::find(f);
        if (std::find(r->results.begin(), r->results.end(), object) != r->results.end() ||
            std::find(r->exps.begin(), r->exps.end(), object) != r->exps.end())
            return f;
    }
    return 0;
}

int FREC_ask_body_groups(unsigned int body, int* count, FREC_node_t** chain) {
    auto call = HOST_ENTRY(body, count, chain);
    call.need(count, "the count output");
    call.need(chain, "the chain output");
    *count = 0;
    *chain = nullptr;
    int n = 0;
    unsigned int* features = nullptr;
    FREC_ask_body_features(body, &n, &features);
    FREC_node_t** link = chain;
    try {
        for (int i = 0; i < n; ++i) {
            auto* node = static_cast<FREC_node_t*>(SM_alloc(sizeof(FREC_node_t)));
            *node = FREC_node_t{nullptr, 0, nullptr, nullptr};
            *link = node;
            link = &node->next;
            node->name = SM_string_copy(host::feature::display_name(features[i]).c_str());
            int nf = 0;
            int* faces = nullptr;
            ZQ_GROUP_ask_entities(features[i], &nf, &faces);
            if (nf > 0) {
                node->members =
                    static_cast<unsigned int*>(SM_alloc(static_cast<std::size_t>(nf) * sizeof(unsigned int)));
                for (int k = 0; k < nf; ++k) pxlook_(&faces[k], &node->members[k]);
                node->count = nf;
            }
            SM_free(faces);
        }
    } catch (...) {
        SM_free(features);
        FREC_delete_frec_node(*chain);
        *chain = nullptr;
        throw;
    }
    SM_free(features);
    *count = n;
    return 0;
}

void FREC_delete_frec_node(FREC_node_t* chain) {
    HOST_ENTRY(chain);
    while (chain) {
        FREC_node_t* next = chain->next;
        SM_free(chain->name);
        SM_free(chain->members);
        SM_free(chain);
        chain = next;
    }
}

unsigned int FREC_ask_time_neighbour(unsigned int feature, int step) {
    auto call = HOST_ENTRY(feature, step);
    if (step != 1 && step != -1) call.fail(HOST_ERR_BAD_ARGUMENT, "step %d is not 1 or -1", step);
    if (!host::feature::find(feature)) return 0;  // no feature: none next to it
    const auto& all = host::feature::detail::order().features;
    const auto it = all.find(host::objects::require(feature).part);
    if (it == all.end()) return 0;
    const std::vector<unsigned int>& v = it->second;
    const auto at = std::find(v.begin(), v.end(), feature);
    if (at == v.end()) return 0;
    for (long i = (at - v.begin()) + step; i >= 0 && i < static_cast<long>(v.size()); i += step)
        if (host::feature::find(v[static_cast<std::size_t>(i)])) return v[static_cast<std::size_t>(i)];
    return 0;
}

unsigned int FREC_ask_root_of_frec(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    const host::feature::Record* r = host::feature::find(feature);
    if (!r) call.fail(FEAT_ERR_NOT_A_FEATURE, "tag %u is no feature", feature);
    if (!r->body) return 0;
    for (unsigned int f : host::feature::features_of_part(host::objects::require(feature).part)) {
        const host::feature::Record* x = host::feature::find(f);
        if (x->body == r->body && x->step == 0) return f;
    }
    return 0;
}

}  // extern "C"

void ZQ_GROUP_ask_entities(unsigned int feature, int* count, int** faces) {
    auto call = HOST_ENTRY(feature, count, faces);
    call.need(count, "the count output");
    call.need(faces, "the faces output");
    *count = 0;
    *faces = nullptr;
    const host::feature::Record* r = host::feature::find(feature);
    if (!r) call.fail(FEAT_ERR_NOT_A_FEATURE, "tag %u is no feature", feature);
    const int body = r->body ? ES_solid_ask_fermalith_tag(r->body) : 0;
    const std::vector<int> made = host::kernel::faces_made_by_step(body, r->step);
    if (made.empty()) return;
    *faces = static_cast<int*>(SM_alloc(made.size() * sizeof(int)));
    std::copy(made.begin(), made.end(), *faces);
    *count = static_cast<int>(made.size());
}

void CM_ask_frecs_of_face(unsigned int face, int* count, unsigned int** frecs) {
    auto call = HOST_ENTRY(face, count, frecs);
    call.need(count, "the count output");
    call.need(frecs, "the records output");
    *count = 0;
    *frecs = nullptr;
    call.live(face);
    const int entity = host::kernel::entity_of(face);
    const unsigned int body = ES_solid_ask_body(face);
    if (entity == 0 || body == 0) return;
    int n = 0;
    unsigned int* all = nullptr;
    FREC_ask_body_features(body, &n, &all);
    std::vector<unsigned int> on;
    try {
        for (int i = 0; i < n; ++i) {
            int nf = 0;
            int* faces = nullptr;
            ZQ_GROUP_ask_entities(all[i], &nf, &faces);
            try {
                if (std::find(faces, faces + nf, entity) != faces + nf) on.push_back(CM_ask_object_of_eid(all[i]));
            } catch (...) {
                SM_free(faces);
                throw;
            }
            SM_free(faces);
        }
    } catch (...) {
        SM_free(all);
        throw;
    }
    SM_free(all);
    if (on.empty()) return;
    *frecs = static_cast<unsigned int*>(SM_alloc(on.size() * sizeof(unsigned int)));
    std::copy(on.begin(), on.end(), *frecs);
    *count = static_cast<int>(on.size());
}

unsigned int ASSO_lookup_into_eid_ref_map(unsigned int eid) {
    HOST_ENTRY(eid);
    if (ES_solid_is_a_face(eid)) return FREF_ask_fref_of_face(eid);
    if (ES_solid_is_a_edge(eid)) return EREF_ask_eref_of_edge(eid);
    return 0;
}
