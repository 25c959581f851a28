// A layer category found by its name, its layers replaced and its
// description replaced, removed and set again, under fault simulation: a
// host error at any host call ends clean (a failed edit leaves the category
// as it was).
#include <gtest/gtest.h>

#include <cstdio>

#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/layers/layers.h"
#include "host/store/parts/parts.h"
#include "kx_core.h"
#include "kx_layer.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_point = 0;

// A work part with a point named FIXTURES, made first so that the search
// by name meets it before the category, and one category of that name on
// layers 9 and 40, described "old words"; made straight through the host.
void model() {
    kxtest::fresh_process();
    KX_initialize();
    const unsigned int part = host::parts::create("category_walk.prt");
    host::parts::set_display_part(part);
    host::parts::set_work_part(part);
    g_point = host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_POINT, 0, part});
    int named = 0;
    ES_add_entity_name(g_point, "FIXTURES", 8, &named);
    unsigned int mask[LAYER_MASK_WORDS] = {};
    mask[0] = 1u << 9;
    mask[1] = 1u << (40 - 32);
    const unsigned int category = LAYER_create_category("FIXTURES", 8, mask);
    const int length = 9;
    es1231_(&category, "old words", &length);
}

int story() {
    tag category = NULL_TAG;
    STEP(KX_LAYER_ask_category_tag("FIXTURES", &category));
    if (category == NULL_TAG || category == g_point) return -1;
    logical layers[KX_LAYER_MAX_LAYER] = {};
    layers[2] = layers[16] = layers[KX_LAYER_MAX_LAYER - 1] = 1;  // layers 3, 17 and 256
    STEP(KX_LAYER_edit_category_layer(category, layers));
    STEP(KX_LAYER_edit_category_descr(category, "clamps and vices"));  // replaces the present one
    STEP(KX_LAYER_edit_category_descr(category, ""));                  // removes it
    STEP(KX_LAYER_edit_category_descr(category, "jaws"));              // sets one where none is
    return 0;
}

TEST(MiscWalkCategoryFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"category_walk", story, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
    std::printf("%s\n", faultsim::describe(r).c_str());
}

}  // namespace
