// Feature and body queries, the model update and the modelling tolerances
// on a real model made through the host's feature service: a 100 x 50 x 20
// block, a hole of radius 10 subtracted through it, the two top edges along
// X blended with radius 5.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/entity_store.h"
#include "host/kernel/curves/kernel_surfaces.h"
#include "host/store/entities/occurrences.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/queries.h"
#include "host/model/feature/undo.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "kx_core.h"
#include "kx_modl.h"
#include "libkxapi/callback/kx_callback_internal.h"
#include "libkxapi/core/kx_session.h"
#include "libkxapi/core/kx_list.h"
#include "tests/libkxapi/modl/partly_loaded_part.h"

namespace {

class FeatureQuery : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        part_ = host::parts::create("query.prt");
        CONTEXT_set_work_part(part_);
        ASSERT_EQ(make("length=100"), 0);
        block_ = feature("BLOCK", {"length", "50", "20"}, {0, 0, 0});
        body_ = FREC_ask_body(block_);
        hole_ = feature("CYLINDER", {"20", "40"}, {50, 25, -10, 0, 0, 1}, {}, body_, FEAT_SIGN_SUBTRACT);
        std::vector<unsigned int> top;
        for (int e : host::kernel::edges_of(entity())) {
            int type = 0;
            double p[3], d[3], r = 0, box[6];
            ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
            ZQ_TOPOL_find_box(e, box);
            if (type == ZQ_CURVE_LINE && std::abs(std::abs(d[0]) - 1) < 1e-9 && std::abs(box[2] - 20) < 1e-6 &&
                std::abs(box[5] - 20) < 1e-6)
                top.push_back(host::kernel::object_of(e));
        }
        ASSERT_EQ(top.size(), 2u);
        blend_ = feature("BLEND", {"5"}, {}, top, body_);
        host::control::clear_journal();
    }
    void TearDown() override { fresh(); }
    static void fresh() {
        kx_reset_callbacks_for_tests();
        kx_reset_session_for_tests();
        host::control::reset();
    }

    int make(const char* assignment) const {
        unsigned int t = 0;
        return EXP_create_exp(part_, assignment, &t);
    }
    unsigned int feature(const char* kind, std::vector<const char*> formulas, std::vector<double> numbers,
                         std::vector<unsigned int> refs = {}, unsigned int target = 0, int sign = 0) const {
        unsigned int f = 0;
        EXPECT_EQ(FEAT_create(part_, kind, int(formulas.size()), formulas.data(), int(numbers.size()), numbers.data(),
                              int(refs.size()), refs.data(), target, sign, &f),
                  0)
            << kind;
        return f;
    }
    int entity() const { return host::kernel::entity_of(body_); }
    double volume() const {
        double p[ZQ_MP_COUNT] = {};
        ZQ_BODY_ask_mass_props(entity(), p);
        return p[ZQ_MP_VOLUME];
    }
    static std::vector<tag> take(tag_list*& list) {
        std::vector<tag> out = kx::tags_of(list);
        KX_MODL_delete_list(&list);
        return out;
    }
    // The edges of the faces as the kernel connects them, each once.
    static std::vector<tag> kernel_edges(const std::vector<tag>& faces) {
        std::vector<tag> out;
        for (tag f : faces) {
            int* raw = nullptr;
            int n = 0;
            KI_idcoen_sm(host::kernel::entity_of(f), ZQ_CLASS_EDGE, &raw, &n);
            for (int i = 0; i < n; ++i) {
                const tag e = host::kernel::object_of(raw[i]);
                if (std::find(out.begin(), out.end(), e) == out.end()) out.push_back(e);
            }
            SM_free(raw);
        }
        return out;
    }
    static std::vector<tag> objects(const std::vector<int>& entities) {
        std::vector<tag> out;
        for (int e : entities) out.push_back(host::kernel::object_of(e));
        return out;
    }

    unsigned int part_ = 0, block_ = 0, hole_ = 0, blend_ = 0, body_ = 0;
};

// ---- features of the body, body, faces and edges of each feature ----------

TEST_F(FeatureQuery, ListsTheBodysFeaturesInTimeOrder) {
    tag_list* list = nullptr;
    ASSERT_EQ(KX_MODL_ask_body_feats(body_, &list), 0);
    EXPECT_EQ(take(list), (std::vector<tag>{block_, hole_, blend_}));
    // Controlled records are left out.
    host::feature::set_flags(hole_, true, true, false);
    ASSERT_EQ(KX_MODL_ask_body_feats(body_, &list), 0);
    EXPECT_EQ(take(list), (std::vector<tag>{block_, blend_}));
}

TEST_F(FeatureQuery, BodyFeatureRefusals) {
    tag_list* list = nullptr;
    EXPECT_EQ(KX_MODL_ask_body_feats(NULL_TAG, &list), 875027);
    EXPECT_EQ(KX_MODL_ask_body_feats(block_, &list), 875032);
    EXPECT_EQ(KX_MODL_ask_body_feats(body_, nullptr), 1105005);
    EXPECT_EQ(list, nullptr);
    // A body that no feature made: 875253.
    const double o[3] = {0, 0, 0}, s[3] = {1, 1, 1};
    int made = 0;
    ZQ_BODY_make_block(o, s, &made);
    EXPECT_EQ(KX_MODL_ask_body_feats(host::kernel::object_of(made), &list), 875253);
    EXPECT_EQ(list, nullptr);
}

TEST_F(FeatureQuery, EachFeaturesBodyFacesAndEdges) {
    struct Row {
        tag feature;
        std::size_t faces;
        int surface;  // kind of every face, 0: any
    };
    const Row rows[] = {{block_, 6, ZQ_SURF_PLANE}, {hole_, 1, ZQ_SURF_CYLINDER}, {blend_, 2, ZQ_SURF_CYLINDER}};
    const std::vector<tag> body_faces = objects(host::kernel::faces_of(entity()));
    for (const Row& r : rows) {
        tag body = 99;
        EXPECT_EQ(KX_MODL_ask_feat_body(r.feature, &body), 0);
        EXPECT_EQ(body, body_);
        tag_list* list = nullptr;
        ASSERT_EQ(KX_MODL_ask_feat_faces(r.feature, &list), 0);
        const std::vector<tag> faces = take(list);
        EXPECT_EQ(faces.size(), r.faces) << r.feature;
        for (tag f : faces) {
            EXPECT_NE(std::find(body_faces.begin(), body_faces.end(), f), body_faces.end());
            int type = 0;
            PX_face_ask_type(f, &type);
            EXPECT_EQ(type, r.surface);
        }
        ASSERT_EQ(KX_MODL_ask_feat_edges(r.feature, &list), 0);
        const std::vector<tag> edges = take(list);
        EXPECT_EQ(edges, kernel_edges(faces));
        std::vector<tag> unique = edges;
        std::sort(unique.begin(), unique.end());
        EXPECT_EQ(std::unique(unique.begin(), unique.end()), unique.end()) << "an edge twice";
    }
    // The hole's face and its edges: two circles and the seam.
    tag_list* list = nullptr;
    ASSERT_EQ(KX_MODL_ask_feat_edges(hole_, &list), 0);
    EXPECT_EQ(take(list).size(), 3u);
}

TEST_F(FeatureQuery, FeatureWithoutBodyClearsTheCallersBody) {
    const tag plain = host::feature::create(part_, "SKETCH");
    tag body = 1234;
    EXPECT_EQ(KX_MODL_ask_feat_body(plain, &body), 0);
    EXPECT_EQ(body, NULL_TAG);
    tag_list* list = nullptr;
    ASSERT_EQ(KX_MODL_ask_feat_faces(plain, &list), 0);
    EXPECT_TRUE(take(list).empty());
    logical on = 1;
    EXPECT_EQ(KX_MODL_is_body_feature(plain, &on), 0);
    EXPECT_EQ(on, 0);
    EXPECT_EQ(KX_MODL_is_body_feature(hole_, &on), 0);
    EXPECT_EQ(on, 1);
}

TEST_F(FeatureQuery, FeatureTypeNameAndStamp) {
    struct Row {
        tag feature;
        const char* type;
        const char* name;
        int stamp;
    };
    for (const Row& r : {Row{block_, "BLOCK", "BLOCK(1)", 1}, Row{hole_, "CYLINDER", "CYLINDER(2)", 2},
                         Row{blend_, "BLEND", "BLEND(3)", 3}}) {
        char* type = nullptr;
        char* name = nullptr;
        ASSERT_EQ(KX_MODL_ask_feat_type(r.feature, &type), 0);
        ASSERT_EQ(KX_MODL_ask_feat_name(r.feature, &name), 0);
        EXPECT_STREQ(type, r.type);
        EXPECT_STREQ(name, r.name);
        KX_free(type);
        KX_free(name);
        int stamp = 0;
        EXPECT_EQ(KX_MODL_ask_time_stamp_of_feature(r.feature, &stamp), 0);
        EXPECT_EQ(stamp, r.stamp);
    }
    int order = 0;
    EXPECT_EQ(KX_MODL_sort_features(blend_, block_, &order), 0);
    EXPECT_EQ(order, 1);
    EXPECT_EQ(KX_MODL_sort_features(block_, blend_, &order), 0);
    EXPECT_EQ(order, -1);
    EXPECT_EQ(KX_MODL_sort_features(NULL_TAG, blend_, &order), 1105004);
    EXPECT_EQ(KX_MODL_sort_features(block_, NULL_TAG, &order), 1105005);
}

TEST_F(FeatureQuery, Relatives) {
    int np = -1, nc = -1;
    tag *parents = nullptr, *children = nullptr;
    ASSERT_EQ(KX_MODL_ask_feat_relatives(block_, &np, &parents, &nc, &children), 0);
    EXPECT_EQ(np, 0);
    EXPECT_EQ(parents, nullptr);
    ASSERT_EQ(nc, 2);
    EXPECT_EQ(std::vector<tag>(children, children + 2), (std::vector<tag>{hole_, blend_}));
    KX_free(children);
    ASSERT_EQ(KX_MODL_ask_feat_relatives(hole_, &np, &parents, &nc, &children), 0);
    ASSERT_EQ(np, 1);
    EXPECT_EQ(parents[0], block_);
    EXPECT_EQ(nc, 0);
    KX_free(parents);
}

TEST_F(FeatureQuery, RefusesWhatIsNoFeature) {
    tag body = 7;
    char* text = nullptr;
    tag_list* list = nullptr;
    int n = 5, sign = 5;
    tag* parents = nullptr;
    for (tag t : {tag(NULL_TAG), tag(body_), tag(987654)}) {
        EXPECT_EQ(KX_MODL_ask_feat_body(t, &body), 875233);
        EXPECT_EQ(body, NULL_TAG);
        EXPECT_EQ(KX_MODL_ask_feat_faces(t, &list), 875233);
        EXPECT_EQ(KX_MODL_ask_feat_edges(t, &list), 875233);
        EXPECT_EQ(KX_MODL_ask_feat_type(t, &text), 875233);
        EXPECT_EQ(KX_MODL_ask_feat_name(t, &text), 875233);
        EXPECT_EQ(KX_MODL_ask_feat_relatives(t, &n, &parents, &n, &parents), 875233);
        EXPECT_EQ(KX_MODL_ask_feature_sign(t, &sign), 875233);
        EXPECT_EQ(KX_MODL_ask_feature_boolean(t, &sign), 875233);
    }
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(KX_MODL_ask_feat_body(block_, nullptr), 1105005);
    EXPECT_EQ(KX_MODL_ask_feat_faces(block_, nullptr), 1105005);
}

TEST_F(FeatureQuery, BodyFeatureGroups) {
    int count = -1;
    body_feature_entry** entries = nullptr;
    ASSERT_EQ(KX_MODL_ask_body_features(body_, &count, &entries), 0);
    ASSERT_EQ(count, 3);
    const char* names[] = {"BLOCK(1)", "CYLINDER(2)", "BLEND(3)"};
    const tag features[] = {block_, hole_, blend_};
    for (int i = 0; i < count; ++i) {
        EXPECT_STREQ(entries[i]->name, names[i]);
        tag_list* list = nullptr;
        ASSERT_EQ(KX_MODL_ask_feat_faces(features[i], &list), 0);
        EXPECT_EQ(std::vector<tag>(entries[i]->objects, entries[i]->objects + entries[i]->count), take(list));
        KX_free(entries[i]->objects);
        KX_free(entries[i]);
    }
    KX_free(entries);
    EXPECT_EQ(KX_MODL_ask_body_features(block_, &count, &entries), 875027);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(entries, nullptr);
}

TEST_F(FeatureQuery, FeatureObjectsAndObjectFeature) {
    int n = 0;
    tag* shown = nullptr;
    ASSERT_EQ(KX_MODL_ask_feat_object(block_, &n, &shown), 0);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(shown[0], body_);
    KX_free(shown);
    ASSERT_EQ(KX_MODL_ask_feat_object(blend_, &n, &shown), 0);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(shown, nullptr);
    int count = 0;
    unsigned int* exps = nullptr;
    FREC_ask_system_exps_of_frec(blend_, &count, &exps);
    tag feature = 5;
    EXPECT_EQ(KX_MODL_ask_object_feat(exps[0], &feature), 0);
    EXPECT_EQ(feature, blend_);
    SM_free(exps);
    EXPECT_EQ(KX_MODL_ask_object_feat(body_, &feature), 0);
    EXPECT_EQ(feature, NULL_TAG);
    EXPECT_EQ(KX_MODL_ask_object_feat(NULL_TAG, &feature), 1105004);
}

TEST_F(FeatureQuery, KernelFaultsBecomeTokens) {
    struct Row {
        int fault, validity;
    };
    for (const Row& r : {Row{ZQ_FAULT_GEOMETRY, 2}, Row{ZQ_FAULT_TOPOLOGY, 2}, Row{ZQ_FAULT_SELF_INTERSECT, 2},
                         Row{ZQ_FAULT_ORIENTATION, 2}, Row{ZQ_FAULT_NONE, 1}}) {
        host::control::give_outputs("ZQ_BODY_check", {r.fault});
        int v = 0;
        ASSERT_EQ(KX_MODL_validate_body(1, &body_, &v), 0);
        EXPECT_EQ(v, r.validity) << r.fault;
    }
}

TEST_F(FeatureQuery, WithoutASessionWhereNoCheckIsMade) {
    kx_reset_session_for_tests();
    tag_list* list = nullptr;
    EXPECT_EQ(KX_MODL_ask_body_feats(body_, &list), 0);
    EXPECT_EQ(take(list).size(), 3u);
    int kind = 0;
    EXPECT_EQ(KX_MODL_ask_body_type(body_, &kind), 0);
    EXPECT_EQ(kind, 5601);
    tag object = NULL_TAG;
    int two = 2;
    EXPECT_EQ(KX_MODL_ask_named_body_object(&body_, &two, "X", &object), 0);
    EXPECT_EQ(KX_MODL_update(), 0);
    double t = 0.5;
    int result = -1;
    KX_MODL_set_distance_tolerance(&t, &result);
    EXPECT_EQ(result, 0);
    // The others refuse.
    EXPECT_EQ(KX_MODL_ask_body_faces(body_, &list), 1105000);
    EXPECT_EQ(KX_MODL_ask_feat_body(block_, &object), 1105000);
    EXPECT_EQ(KX_MODL_ask_feature_sign(block_, &kind), 1105000);
    EXPECT_EQ(KX_MODL_ask_default_density(1, &t), 1105000);
    EXPECT_EQ(KX_MODL_validate_body(1, &body_, &kind), 1105000);
}

// ---- time order -------------------------------------------------------------

TEST_F(FeatureQuery, NavigatesInTimeOrderSkippingRecordsNotBrowseable) {
    struct Row {
        tag feature;
        tag next, previous;
    };
    auto check = [](const std::vector<Row>& rows) {
        for (const Row& r : rows) {
            tag next = 99, previous = 99;
            EXPECT_EQ(KX_MODL_ask_next_feature(r.feature, &next), 0);
            EXPECT_EQ(KX_MODL_ask_previous_feature(r.feature, &previous), 0);
            EXPECT_EQ(next, r.next) << r.feature;
            EXPECT_EQ(previous, r.previous) << r.feature;
        }
    };
    check({{block_, hole_, NULL_TAG}, {hole_, blend_, block_}, {blend_, NULL_TAG, hole_}});
    host::feature::set_flags(hole_, false, false, false);
    check({{block_, blend_, NULL_TAG}, {blend_, NULL_TAG, block_}});
    host::feature::set_flags(block_, false, false, false);
    check({{blend_, NULL_TAG, NULL_TAG}, {body_, NULL_TAG, NULL_TAG}});
}

TEST_F(FeatureQuery, SetCurrentFeatureLeavesLaterFeaturesOut) {
    const double with_blend = volume();
    ASSERT_EQ(KX_MODL_set_current_feature(hole_), 0);
    EXPECT_GT(volume(), with_blend);
    ASSERT_EQ(KX_MODL_set_current_feature(blend_), 0);
    EXPECT_NEAR(volume(), with_blend, 1e-6);
}

// ---- body queries -------------------------------------------------------------

TEST_F(FeatureQuery, BodyFacesEdgesAndKind) {
    tag_list* list = nullptr;
    ASSERT_EQ(KX_MODL_ask_body_faces(body_, &list), 0);
    const std::vector<tag> faces = take(list);
    EXPECT_EQ(faces.size(), 9u);
    EXPECT_EQ(faces, objects(host::kernel::faces_of(entity())));
    ASSERT_EQ(KX_MODL_ask_body_edges(body_, &list), 0);
    EXPECT_EQ(take(list), objects(host::kernel::edges_of(entity())));
    int kind = 0;
    EXPECT_EQ(KX_MODL_ask_body_type(body_, &kind), 0);
    EXPECT_EQ(kind, 5601);

    struct Bad {
        tag body;
        int code;
    };
    for (const Bad& b : {Bad{NULL_TAG, 875027}, Bad{987654, 875027}, Bad{block_, 875032}, Bad{faces[0], 875032}}) {
        tag_list* untouched = reinterpret_cast<tag_list*>(0x10);
        EXPECT_EQ(KX_MODL_ask_body_faces(b.body, &untouched), b.code);
        EXPECT_EQ(KX_MODL_ask_body_edges(b.body, &untouched), b.code);
        EXPECT_EQ(untouched, reinterpret_cast<tag_list*>(0x10));
        EXPECT_EQ(KX_MODL_ask_body_type(b.body, &kind), b.code);
    }
}

TEST_F(FeatureQuery, NamedFaceAndEdge) {
    const std::vector<tag> faces = objects(host::kernel::faces_of(entity()));
    const std::vector<tag> edges = objects(host::kernel::edges_of(entity()));
    int result = 0;
    ES_add_entity_name(faces[4], "TOP", 3, &result);
    ES_add_entity_name(edges[2], "RIM", 3, &result);
    struct Row {
        int kind;
        const char* name;
        tag expected;
    };
    for (const Row& r : {Row{2, "TOP", faces[4]}, Row{3, "RIM", edges[2]}, Row{2, "top", NULL_TAG},
                         Row{3, "TOP", NULL_TAG}, Row{1, "TOP", NULL_TAG}}) {
        tag body = body_, object = 77;
        int kind = r.kind;
        EXPECT_EQ(KX_MODL_ask_named_body_object(&body, &kind, r.name, &object), 0);
        EXPECT_EQ(object, r.expected) << r.name << " " << r.kind;
    }
    // No kernel body: 875288; any raised error is 875052, whatever its code.
    tag body = 987654, object = 0;
    int kind = 2;
    EXPECT_EQ(KX_MODL_ask_named_body_object(&body, &kind, "TOP", &object), 875288);
    body = body_;
    for (const char* routine : {"ES_read_entity_name", "ZQ_BODY_ask_faces"}) {
        host::control::raise_on(routine, 670099);
        EXPECT_EQ(KX_MODL_ask_named_body_object(&body, &kind, "TOP", &object), 875052) << routine;
        host::control::clear_scripts();
        EXPECT_EQ(object, NULL_TAG);
    }
}

// ---- densities ----------------------------------------------------------------

TEST_F(FeatureQuery, DefaultDensityInEveryUnitPair) {
    const double to_si[] = {27679.899962366486, 16.01846062636949, 1000.0, 1};
    ASSERT_EQ(KX_MODL_set_default_density(1.0, 1), 0);
    double d = 0;
    ASSERT_EQ(KX_MODL_ask_default_density(4, &d), 0);
    EXPECT_EQ(d, 27679.899962366486);
    ASSERT_EQ(KX_MODL_ask_default_density(1, &d), 0);
    EXPECT_NEAR(d, 1.0, 1e-12);
    for (int a = 1; a <= 4; ++a)
        for (int b = 1; b <= 4; ++b) {
            ASSERT_EQ(KX_MODL_set_default_density(2.5, a), 0);
            ASSERT_EQ(KX_MODL_ask_default_density(b, &d), 0);
            EXPECT_NEAR(d, 2.5 * to_si[a - 1] / to_si[b - 1], 1e-9 * d) << a << " " << b;
        }
}

TEST_F(FeatureQuery, BodyDensityInAllUnits) {
    ASSERT_EQ(KX_MODL_set_body_density(body_, 3, 7.8), 0);
    const double expected[] = {7.8 * 1000 / 27679.899962366486, 7.8 * 1000 / 16.01846062636949, 7.8, 7800};
    for (int u = 1; u <= 4; ++u) {
        double d = 0;
        ASSERT_EQ(KX_MODL_ask_body_density(body_, u, &d), 0);
        EXPECT_NEAR(d, expected[u - 1], 1e-9 * expected[u - 1]) << u;
    }
}

TEST_F(FeatureQuery, DensityRefusals) {
    double d = 0;
    struct Row {
        int got, code;
    };
    const double nan = std::nan("");
    for (const Row& r :
         {Row{KX_MODL_ask_body_density(NULL_TAG, 1, &d), 1105004}, Row{KX_MODL_ask_body_density(body_, 0, &d), 1105005},
          Row{KX_MODL_ask_body_density(body_, 5, &d), 1105005},
          Row{KX_MODL_ask_body_density(body_, 1, nullptr), 1105006},
          Row{KX_MODL_set_body_density(NULL_TAG, 1, 1), 1105004}, Row{KX_MODL_set_body_density(body_, 9, 1), 1105005},
          Row{KX_MODL_set_body_density(body_, 1, 0), 1105006}, Row{KX_MODL_set_body_density(body_, 1, nan), 1105006},
          Row{KX_MODL_set_body_density(body_, 1, -1), 1105006}, Row{KX_MODL_set_default_density(1, 0), 1105005},
          Row{KX_MODL_set_default_density(INFINITY, 1), 1105004}, Row{KX_MODL_set_default_density(0, 1), 1105004},
          Row{KX_MODL_ask_default_density(7, &d), 1105004}, Row{KX_MODL_ask_default_density(1, nullptr), 1105005}})
        EXPECT_EQ(r.got, r.code);
}

// ---- validity -------------------------------------------------------------------

TEST_F(FeatureQuery, ValidityOfEachToken) {
    struct Row {
        int token, validity;
    };
    const Row rows[] = {{13802, 2}, {13803, 2}, {13804, 2}, {13805, 2}, {13806, 2},
                        {13808, 2}, {13810, 2}, {13816, 2}, {13826, 2}, {13801, 1}};
    int v = 0;
    ASSERT_EQ(KX_MODL_validate_body(1, &body_, &v), 0);
    EXPECT_EQ(v, 1);
    for (const Row& r : rows) {
        host::control::give_outputs("KI_chcken", {r.token});
        int validity[2] = {0, 0};
        const tag bodies[2] = {body_, body_};
        ASSERT_EQ(KX_MODL_validate_body(2, bodies, validity), 0);
        EXPECT_EQ(validity[0], r.validity) << r.token;
        EXPECT_EQ(validity[1], r.validity) << r.token;
    }
    EXPECT_EQ(KI_list_count(), 0);
    EXPECT_TRUE(host::undo::marks().empty());
}

TEST_F(FeatureQuery, ValidityRestoresParametersAndLeavesNoMark) {
    struct Row {
        const char* routine;
        int code;
        int nth;
    };
    const int ten = 10, twelve = 12;
    for (const Row& r : {Row{"KI_chcken", 670099, 1}, Row{"KI_gtinli", 670098, 1}, Row{"KI_seintp", 670097, 2}}) {
        host::control::clear_scripts();
        host::control::give_outputs("KI_chcken", {13803});
        host::control::raise_on(r.routine, r.code, r.nth);
        int v = 0;
        EXPECT_EQ(KX_MODL_validate_body(1, &body_, &v), r.code) << r.routine;
        host::control::clear_scripts();
        int value = 0, f = 0;
        KI_ouintp(&ten, &value, &f);
        EXPECT_EQ(value, 0) << r.routine;
        KI_ouintp(&twelve, &value, &f);
        EXPECT_EQ(value, 1) << r.routine;
        EXPECT_TRUE(host::undo::marks().empty()) << r.routine;
        EXPECT_EQ(KI_list_count(), 0) << r.routine;
        EXPECT_EQ(host::control::frame_depth(), 0);
    }
    host::control::return_status("KI_chcken", 3);
    int v = 0;
    EXPECT_EQ(KX_MODL_validate_body(1, &body_, &v), 875051);
    int v2[1] = {9};
    EXPECT_EQ(KX_MODL_validate_body(0, &body_, v2), 1105004);
    EXPECT_EQ(v2[0], 9);
    EXPECT_EQ(KX_MODL_validate_body(1, &body_, nullptr), 1105006);
    EXPECT_EQ(KX_MODL_validate_body(1, &block_, &v), 875032);
}

// ---- preferences ----------------------------------------------------------------

TEST_F(FeatureQuery, Preferences) {
    int v = 0;
    EXPECT_EQ(KX_MODL_set_body_type_pref(5602), 0);
    EXPECT_EQ(KX_MODL_ask_body_type_pref(&v), 0);
    EXPECT_EQ(v, 5602);
    EXPECT_EQ(KX_MODL_set_body_type_pref(5600), 875120);
    EXPECT_EQ(KX_MODL_ask_body_type_pref(&v), 0);
    EXPECT_EQ(v, 5602);
    EXPECT_EQ(KX_MODL_set_body_type_pref(5601), 0);
    EXPECT_EQ(KX_MODL_ask_body_type_pref(&v), 0);
    EXPECT_EQ(v, 5601);

    EXPECT_EQ(KX_MODL_set_curve_fit_method(1), 0);
    EXPECT_EQ(KX_MODL_ask_curve_fit_method(&v), 0);
    EXPECT_EQ(v, 1);
    EXPECT_EQ(KX_MODL_set_curve_fit_method(2), 875120);
    EXPECT_EQ(KX_MODL_ask_curve_fit_method(&v), 0);
    EXPECT_EQ(v, 1);

    EXPECT_EQ(KX_MODL_set_dynamic_update(7), 0);
    v = 0;
    EXPECT_EQ(KX_MODL_ask_dynamic_update(&v), 0);
    EXPECT_EQ(v, 7);
    EXPECT_EQ(KX_MODL_set_immediate_children(3), 0);
    EXPECT_EQ(KX_MODL_ask_immediate_children(&v), 0);
    EXPECT_EQ(v, 3);

    // A host error becomes the status and is acknowledged.
    host::control::raise_on("wi_modeling_for_body_type", 670099);
    EXPECT_EQ(KX_MODL_ask_body_type_pref(&v), 670099);
    const std::vector<int> acknowledged = host::control::acknowledged_codes();
    EXPECT_NE(std::find(acknowledged.begin(), acknowledged.end(), 670099), acknowledged.end());
}

// ---- sign and boolean type --------------------------------------------------------

TEST_F(FeatureQuery, SignAndBooleanType) {
    struct Row {
        tag feature;
        int host_sign;  // -1: the feature's own
        bool root_flag;
        int sign, boolean;
    };
    const Row rows[] = {
        {block_, -1, false, 0, 4}, {hole_, -1, false, 2, 7},  {blend_, -1, false, 0, 4}, {block_, -1, true, 0, 5},
        {hole_, 1, false, 1, 6},   {block_, 1, false, 1, 4},  {block_, 1, true, 1, 5},   {hole_, 3, false, 3, 8},
        {hole_, 8, false, 9, 9},   {hole_, 9, false, 10, 10}, {hole_, 5, false, 5, 8},
    };
    for (const Row& r : rows) {
        host::control::clear_scripts();
        host::feature::set_flags(block_, true, false, r.root_flag);
        if (r.host_sign >= 0) host::control::give_outputs("get_resultant_feature", {r.host_sign});
        int sign = -1, boolean = -1;
        EXPECT_EQ(KX_MODL_ask_feature_sign(r.feature, &sign), 0);
        EXPECT_EQ(KX_MODL_ask_feature_boolean(r.feature, &boolean), 0);
        EXPECT_EQ(sign, r.sign) << r.feature << " " << r.host_sign;
        EXPECT_EQ(boolean, r.boolean) << r.feature << " " << r.host_sign;
    }
}

// ---- tolerances -------------------------------------------------------------------

TEST_F(FeatureQuery, DistanceToleranceBounds) {
    const int one = 1;
    double bound = 0;
    int ifail = 0;
    KI_oumodp(&one, &bound, &ifail);
    bound *= pxsfac_[1];
    struct Row {
        double value;
        int result;
        double stored;  // NAN: unchanged
    };
    const double before = 0.01;
    const Row rows[] = {
        {bound, 0, bound}, {bound - 1e-11, 0, bound}, {bound - 1e-9, 1, NAN}, {0.5, 0, 0.5}, {std::nan(""), 1, NAN}};
    for (const Row& r : rows) {
        double t = before;
        int result = -1;
        KX_MODL_set_distance_tolerance(&t, &result);
        ASSERT_EQ(result, 0);
        double value = r.value;
        KX_MODL_set_distance_tolerance(&value, &result);
        EXPECT_EQ(result, r.result) << r.value;
        double now = 0;
        KX_MODL_ask_distance_tolerance(&now);
        EXPECT_EQ(now, std::isnan(r.stored) ? before : r.stored) << r.value;
    }
    int result = -1;
    KX_MODL_set_distance_tolerance(nullptr, &result);
    EXPECT_EQ(result, 1);
    double t = 0.02;
    KX_MODL_set_distance_tolerance(&t, nullptr);  // nothing written, the value taken
    double now = 0;
    KX_MODL_ask_distance_tolerance(&now);
    EXPECT_EQ(now, 0.02);
}

TEST_F(FeatureQuery, AngleTolerance) {
    double t = 0.25;
    int result = -1;
    KX_MODL_set_angle_tolerance(&t, &result);
    EXPECT_EQ(result, 0);
    double zero = 0;
    KX_MODL_set_angle_tolerance(&zero, &result);
    EXPECT_EQ(result, 1);
    double now = 0;
    KX_MODL_ask_angle_tolerance(&now);
    EXPECT_EQ(now, 0.25);
    KX_MODL_set_angle_tolerance(nullptr, &result);
    EXPECT_EQ(result, 1);
}

// ---- the model update ---------------------------------------------------------------

TEST_F(FeatureQuery, UpdateWithNothingOutOfDateLeavesNoMark) {
    const double v = volume();
    EXPECT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(), v, 1e-9);
    EXPECT_TRUE(host::undo::marks().empty());
    const auto marks = host::control::calls("UNDO_JQ_set_mark");
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_STREQ(marks[0].text, "JQ Open Model Update");
    EXPECT_EQ(marks[0].arg[0], 1);
    EXPECT_TRUE(host::control::called_before("UNDO_JQ_set_mark_importance", "UPDATE_do_update"));
    EXPECT_EQ(host::control::call_count("UNDO_JQ_undo_to_mark"), 0);
}

TEST_F(FeatureQuery, UpdateFollowsAnEditedLength) {
    const double v = volume();
    ASSERT_EQ(EXP_edit_exp(part_, EXP_ask_exp_of_var(part_, "length"), "120"), 0);
    EXPECT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume() - v, 20 * 50 * 20 - 2 * 20 * 25 * (1 - M_PI / 4), 1e-6);
    double box[6];
    ZQ_TOPOL_find_box(entity(), box);
    EXPECT_NEAR(box[3], 120, 1e-9);
    tag_list* list = nullptr;
    ASSERT_EQ(KX_MODL_ask_body_faces(body_, &list), 0);
    EXPECT_EQ(take(list).size(), 9u);
    EXPECT_TRUE(host::undo::marks().empty());
}

TEST_F(FeatureQuery, FailingUpdateLeavesTheModelAsBefore) {
    int n = 0;
    unsigned int* exps = nullptr;
    FREC_ask_system_exps_of_frec(blend_, &n, &exps);
    const unsigned int radius = exps[0];
    SM_free(exps);
    ASSERT_EQ(EXP_edit_exp(part_, radius, "30"), 0);
    const double v = volume();
    const std::vector<int> faces = host::kernel::faces_of(entity());
    unsigned int user_mark = 0;
    int st = 0;
    user_mark = UNDO_JQ_set_mark(1, "user", &st);
    EXPECT_EQ(KX_MODL_update(), 670531);
    EXPECT_NEAR(volume(), v, 1e-9);
    EXPECT_EQ(host::kernel::faces_of(entity()), faces);
    EXPECT_EQ(host::expr::value(radius), 30);
    ASSERT_EQ(host::undo::marks().size(), 1u);
    EXPECT_EQ(host::undo::marks()[0].id, user_mark);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

TEST_F(FeatureQuery, UpdateErrorsAtTheMark) {
    ASSERT_EQ(EXP_edit_exp(part_, EXP_ask_exp_of_var(part_, "length"), "120"), 0);
    const double v = volume();
    struct Row {
        const char* routine;
        int status;
    };
    for (const Row& r : {Row{"UNDO_JQ_set_mark", 1055002}, Row{"UNDO_JQ_set_mark_importance", 1055004}}) {
        host::control::clear_scripts();
        host::control::return_status(r.routine, r.status);
        EXPECT_EQ(KX_MODL_update(), r.status) << r.routine;
        host::control::clear_scripts();
        EXPECT_NEAR(volume(), v, 1e-9);
        EXPECT_TRUE(host::undo::marks().empty()) << r.routine;
        EXPECT_EQ(host::control::frame_depth(), 0);
    }
    host::control::raise_on("UPDATE_do_update", 670099);
    EXPECT_EQ(KX_MODL_update(), 670099);
    host::control::clear_scripts();
    EXPECT_NEAR(volume(), v, 1e-9);
    EXPECT_TRUE(host::undo::marks().empty());
}

}  // namespace

// ---- occurrences --------------------------------------------------------------------

namespace {

constexpr double kTurned[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};

TEST_F(FeatureQuery, OccurrenceBodyOfAFullyLoadedPrototype) {
    const unsigned int assembly = host::parts::create("assembly.prt");
    const unsigned int po = host::occurrences::create_part_occurrence(assembly, part_, kTurned);
    const tag occ = OCC_find_occurrence(po, body_);
    ASSERT_NE(occ, NULL_TAG);
    struct Row {
        int (*ask)(tag, tag_list**);
        std::vector<int> prototypes;
    };
    for (const Row& r : {Row{KX_MODL_ask_body_faces, host::kernel::faces_of(entity())},
                         Row{KX_MODL_ask_body_edges, host::kernel::edges_of(entity())}}) {
        tag_list* list = nullptr;
        ASSERT_EQ(r.ask(occ, &list), 0);
        const std::vector<tag> got = take(list);
        ASSERT_EQ(got.size(), r.prototypes.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_TRUE(OCC_is_occurrence(got[i]));
            EXPECT_EQ(OCC_ask_prototype_of_occ(got[i]), host::kernel::object_of(r.prototypes[i]));
            EXPECT_EQ(OCC_ask_part_occurrence(got[i]), po);
        }
    }
    int kind = 0;
    EXPECT_EQ(KX_MODL_ask_body_type(occ, &kind), 0);
    EXPECT_EQ(kind, 5601);
    tag_list* list = nullptr;
    ASSERT_EQ(KX_MODL_ask_body_feats(occ, &list), 0);
    EXPECT_EQ(take(list), (std::vector<tag>{block_, hole_, blend_}));
    EXPECT_EQ(KX_MODL_set_body_density(occ, 1, 1.0), 1105004);
}

TEST_F(FeatureQuery, OccurrenceBodyOfAPartlyLoadedPrototype) {
    const unsigned int reopened = partly_loaded_part("kx_modl_occ", part_, ten_mm_block);
    ASSERT_NE(reopened, 0u);
    unsigned int body = 0;
    for (unsigned int t : host::objects::objects_of_part(reopened))
        if (ES_solid_is_a_body(t)) body = t;
    ASSERT_NE(body, 0u);
    const unsigned int po = host::occurrences::create_part_occurrence(part_, reopened, kTurned);
    const tag occ = OCC_find_occurrence(po, body);
    tag_list* list = reinterpret_cast<tag_list*>(0x10);
    EXPECT_EQ(KX_MODL_ask_body_faces(occ, &list), 1105024);
    EXPECT_EQ(KX_MODL_ask_body_edges(occ, &list), 1105024);
    EXPECT_EQ(list, reinterpret_cast<tag_list*>(0x10));
    EXPECT_EQ(host::control::frame_depth(), 0);
}

}  // namespace
