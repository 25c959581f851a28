// The process-aid queries (a datum's links, source, section, titles and
// everything at once, the datums of a part, a set's parent and children)
// under fault simulation: a host error at each host call must end clean,
// and a query that fails hands nothing to the caller and keeps no block.
#include <gtest/gtest.h>

#include "host/apps/modeling/process_aid/process_aid.h"
#include "host/model/feature/feature.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_part = 0, g_link = 0, g_datum = 0, g_set = 0;

// A part with a block, a spot datum (a source point, two link points, a
// section line, two attribute titles) and a locator set whose parent is
// the block and whose child is the datum, made straight through the host.
void datum_and_set() {
    kxtest::fresh_process();
    KX_initialize();
    g_part = host::parts::create("aid_walk.prt");
    CONTEXT_set_work_part(g_part);
    const char* sizes[3] = {"12", "7", "3"};
    const double origin[3] = {0, 0, 0};
    unsigned int block = 0;
    FEAT_create(g_part, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, FEAT_SIGN_NEW, &block);
    const double at[3] = {2, 5, 1.5};
    unsigned int source = 0, other = 0, section = 0;
    ES_create_point(at, &source);
    ES_create_point(at, &g_link);
    ES_create_point(at, &other);
    const double ends[6] = {0, 5, 1.5, 12, 5, 1.5};
    ES_create_line_in_part(g_part, ends, &section);
    const unsigned int links[2] = {other, g_link};
    const char* titles[2] = {"WELD_SIZE", "WELD_TYPE"};
    PROCESS_AID_datum_t data{PROCESS_AID_KIND_SPOT, source, 2, links, section, {2, 5, 1.5}, 2, titles};
    PROCESS_AID_create_datum(g_part, &data, &g_datum);
    PROCESS_AID_create_set(g_part, PROCESS_AID_KIND_LOCATOR, block, 1, &g_datum, &g_set);
}

// Every query of a datum, asked through one of its links where the query
// takes any of its objects.
int datum_queries() {
    int n = 0;
    tag* links = nullptr;
    STEP(KX_PROCESS_AID_ask_link_objects(g_link, &n, &links));
    KX_free(links);
    tag datum = NULL_TAG, source = NULL_TAG, section = NULL_TAG;
    int kind = 0;
    STEP(KX_PROCESS_AID_ask_source_object(g_link, &datum, &source, &kind));
    tag* datums = nullptr;
    STEP(KX_PROCESS_AID_ask_datums_in_part(g_part, PROCESS_AID_KIND_SPOT | PROCESS_AID_KIND_SEAM, &datums));
    KX_free(datums);
    double point[3] = {};
    STEP(KX_PROCESS_AID_ask_section_of_datum(g_datum, &section, point));
    char** titles = nullptr;
    STEP(KX_PROCESS_AID_populate_attr_list(g_datum, &n, &titles));
    KX_free_string_array(n, titles);
    int n_titles = 0;
    STEP(KX_PROCESS_AID_ask_datum_objects(g_datum, &source, &n, &links, &section, &kind, &n_titles, &titles));
    KX_free(links);
    KX_free_string_array(n_titles, titles);
    return 0;
}

int set_queries() {
    tag parent = NULL_TAG;
    STEP(KX_PROCESS_AID_ask_parent_feature(g_set, &parent));
    int n = 0;
    tag* children = nullptr;
    STEP(KX_PROCESS_AID_ask_children_features(g_set, &n, &children));
    KX_free(children);
    return 0;
}

TEST(AidWalkFaultSimulation, DatumQueriesEndClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"aid_datum_queries", datum_queries, datum_and_set});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

TEST(AidWalkFaultSimulation, SetQueriesEndClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"aid_set_queries", set_queries, datum_and_set});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
