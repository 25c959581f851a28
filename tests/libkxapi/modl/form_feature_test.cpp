// Holes, bosses and cylindrical pockets on a 100 x 50 x 20 block: the
// volume each takes away or adds against its closed form, the sizes kept
// as the feature's expressions, the refusals and the failures that leave
// the model and the undo marks as they were.
#include "tests/libkxapi/modl/form_fixture.h"

namespace {

using namespace form_test;

enum class Kind { hole, through_hole, boss, pocket };

struct Case {
    const char* name;
    Kind kind;
    std::vector<double> at, along;
    std::vector<const char*> texts;
    double change;                  // volume after minus before
    std::vector<std::string> kept;  // the feature's expressions
    int faces;                      // faces the feature made
};

class Creators : public FormFeature, public ::testing::WithParamInterface<Case> {};

TEST_P(Creators, ChangeTheVolumeByTheirClosedFormAndKeepTheirTexts) {
    const Case& c = GetParam();
    std::vector<double> at = c.at, along = c.along;
    const double before = volume();
    tag feature = NULL_TAG;
    int st = -1;
    switch (c.kind) {
        case Kind::hole:
            st = KX_MODL_create_simple_hole(at.data(), along.data(), c.texts[0], c.texts[1], c.texts[2], top_, NULL_TAG,
                                            &feature);
            break;
        case Kind::through_hole:
            st = KX_MODL_create_simple_hole(at.data(), along.data(), c.texts[0], c.texts[1], c.texts[2], top_, bottom_,
                                            &feature);
            break;
        case Kind::boss:
            st = KX_MODL_create_boss(at.data(), along.data(), c.texts[0], c.texts[1], c.texts[2], top_, &feature);
            break;
        case Kind::pocket:
            st = KX_MODL_create_cyl_pocket(at.data(), along.data(), c.texts[0], c.texts[1], c.texts[2], c.texts[3],
                                           top_, &feature);
            break;
    }
    ASSERT_EQ(st, 0) << c.name;
    ASSERT_NE(feature, NULL_TAG);
    EXPECT_NEAR(volume() - before, c.change, 1e-6 * kBlockVolume) << c.name;
    EXPECT_EQ(formulas(feature), c.kept) << c.name;
    EXPECT_EQ(marks(), 0) << c.name;
    tag_list* faces = nullptr;
    ASSERT_EQ(KX_MODL_ask_feat_faces(feature, &faces), 0);
    EXPECT_EQ(count(faces), c.faces) << c.name;
    KX_MODL_delete_list(&faces);
}

INSTANTIATE_TEST_SUITE_P(
    OnTheBlock, Creators,
    ::testing::Values(
        Case{"blind_hole", Kind::hole, {30, 25, 20}, {0, 0, -1}, {"10", "8", "0"}, -kPi * 25 * 8, {"10", "8", "0"}, 2},
        Case{"blind_hole_any_direction_length",
             Kind::hole,
             {70, 20, 20},
             {0, 0, -7.5},
             {"6", "12.5", "0.0"},
             -kPi * 9 * 12.5,
             {"6", "12.5", "0.0"},
             2},
        Case{"through_hole",
             Kind::through_hole,
             {50, 25, 20},
             {0, 0, -1},
             {"12", nullptr, nullptr},
             -kPi * 36 * 20,
             {"12", "1.0", "0.0"},
             1},
        Case{"through_hole_replaces_texts",
             Kind::through_hole,
             {20, 25, 20},
             {0, 0, -1},
             {"4", "3", "118"},
             -kPi * 4 * 20,
             {"4", "1.0", "0.0"},
             1},
        Case{"boss", Kind::boss, {50, 25, 20}, {0, 0, 1}, {"20", "15", "0"}, kPi * 100 * 15, {"20", "15", "0"}, 2},
        Case{"pocket",
             Kind::pocket,
             {40, 25, 20},
             {0, 0, -1},
             {"16", "5", "0", "0"},
             -kPi * 64 * 5,
             {"16", "5", "0", "0"},
             2}),
    [](const auto& info) { return std::string(info.param.name); });

// Editing one of a hole's expressions and updating makes the hole again
// with the new size; a through hole keeps running to its through face.
TEST_F(FormFeature, HoleFollowsItsExpressionsThroughTheUpdate) {
    struct Edit {
        const char* name;
        tag thru;
        int index;  // the expression edited
        const char* value;
        double volume;
    };
    for (const Edit& e : std::vector<Edit>{
             {"blind_depth", NULL_TAG, 1, "15", kBlockVolume - kPi * 25 * 15},
             {"blind_diameter", NULL_TAG, 0, "4", kBlockVolume - kPi * 4 * 8},
             {"through_diameter", bottom_, 0, "6", kBlockVolume - kPi * 9 * 20},
         }) {
        ASSERT_EQ(KX_UNDO_set_mark(1, "before", &mark_), 0);
        double at[] = {30, 25, 20}, along[] = {0, 0, -1};
        tag hole = NULL_TAG;
        ASSERT_EQ(KX_MODL_create_simple_hole(at, along, "10", "8", "0", top_, e.thru, &hole), 0) << e.name;
        int n = 0;
        unsigned int* exps = nullptr;
        FREC_ask_system_exps_of_frec(hole, &n, &exps);
        ASSERT_EQ(n, 3);
        char* text = nullptr;
        ASSERT_EQ(KX_MODL_ask_exp_tag_string(exps[e.index], &text), 0);
        const std::string name = std::string(text).substr(0, std::string(text).find('='));
        KX_free(text);
        SM_free(exps);
        ASSERT_EQ(KX_MODL_edit_exp((name + "=" + e.value).c_str()), 0) << e.name;
        ASSERT_EQ(KX_MODL_update(), 0) << e.name;
        EXPECT_NEAR(volume(), e.volume, 1e-6 * kBlockVolume) << e.name;
        ASSERT_EQ(KX_UNDO_undo_to_mark(mark_, nullptr), 0);
        ASSERT_EQ(KX_UNDO_delete_mark(mark_, nullptr), 0);
        EXPECT_NEAR(volume(), kBlockVolume, 1e-6) << e.name;
    }
}

// Refusals before anything changes: the argument's code, no mark, no
// feature, the block as it was.
TEST_F(FormFeature, BadArgumentsAreRefusedWithTheirCodes) {
    const double nan = std::nan("");
    struct Refusal {
        const char* name;
        std::vector<double> at, along;
        const char *t1, *t2, *t3;
        int code;
    };
    const std::vector<Refusal> refusals = {
        {"nan_location", {nan, 0, 20}, {0, 0, -1}, "10", "8", "0", 1105004},
        {"infinite_location", {0, INFINITY, 20}, {0, 0, -1}, "10", "8", "0", 1105004},
        {"zero_direction", {30, 25, 20}, {0, 0, 0}, "10", "8", "0", 1105005},
        {"nan_direction", {30, 25, 20}, {0, nan, -1}, "10", "8", "0", 1105005},
        {"null_diameter", {30, 25, 20}, {0, 0, -1}, nullptr, "8", "0", 1105006},
        {"null_depth", {30, 25, 20}, {0, 0, -1}, "10", nullptr, "0", 1105007},
        {"null_tip_angle", {30, 25, 20}, {0, 0, -1}, "10", "8", nullptr, 1105013},
    };
    for (const Refusal& r : refusals) {
        std::vector<double> at = r.at, along = r.along;
        tag out = 42;
        EXPECT_EQ(KX_MODL_create_simple_hole(at.data(), along.data(), r.t1, r.t2, r.t3, top_, NULL_TAG, &out), r.code)
            << r.name;
        EXPECT_EQ(out, NULL_TAG) << r.name;
    }
    double at[] = {50, 25, 20}, up[] = {0, 0, 1};
    tag out = 42;
    EXPECT_EQ(KX_MODL_create_boss(at, up, nullptr, "5", "0", top_, &out), 1105006);
    EXPECT_EQ(KX_MODL_create_boss(at, up, "5", "5", "0", top_, nullptr), 1105015);
    EXPECT_EQ(KX_MODL_create_cyl_pocket(at, up, "5", "5", "0", nullptr, top_, &out), 1105014);
    EXPECT_EQ(KX_MODL_create_simple_hole(nullptr, up, "5", "5", "0", top_, NULL_TAG, &out), 1105004);
    EXPECT_EQ(KX_MODL_create_simple_hole(at, nullptr, "5", "5", "0", top_, NULL_TAG, &out), 1105005);
    EXPECT_EQ(host::control::call_count("UNDO_JQ_set_mark"), 0);
    EXPECT_NEAR(volume(), kBlockVolume, 1e-6);
}

// Failures after the mark: the code, the model and the undo marks as they
// were, no feature.
TEST_F(FormFeature, FailuresAfterTheMarkLeaveTheModelAsItWas) {
    struct Failure {
        const char* name;
        const char* script;  // routine raising, "" for none
        const char* diameter;
        int code;
    };
    const std::vector<Failure> failures = {
        {"kernel_cannot_build", "", "-4", 670533},
        {"bad_expression", "", "(", 0},
        {"host_raises", "FORMF_create_simple_hole", "10", 670099},
        {"kernel_raises", "ZQ_BODY_boolean", "10", 670099},
    };
    for (const Failure& f : failures) {
        host::control::clear_scripts();
        if (*f.script) host::control::raise_on(f.script, 670099);
        double at[] = {30, 25, 20}, along[] = {0, 0, -1};
        const int features = [&] {
            int n = 0;
            unsigned int* all = nullptr;
            FREC_ask_features_of_part(part_, &n, &all);
            SM_free(all);
            return n;
        }();
        tag out = 42;
        const int st = KX_MODL_create_simple_hole(at, along, f.diameter, "8", "0", top_, NULL_TAG, &out);
        if (f.code) EXPECT_EQ(st, f.code) << f.name;
        else EXPECT_NE(st, 0) << f.name;
        EXPECT_EQ(out, NULL_TAG) << f.name;
        EXPECT_EQ(marks(), 0) << f.name;
        EXPECT_NEAR(volume(), kBlockVolume, 1e-6) << f.name;
        int n = 0;
        unsigned int* all = nullptr;
        FREC_ask_features_of_part(part_, &n, &all);
        SM_free(all);
        EXPECT_EQ(n, features) << f.name;
    }
}

TEST_F(FormFeature, PlacementMustBeAPlanarFace) {
    double at[] = {30, 25, 20}, along[] = {0, 0, -1};
    tag out = 42;
    EXPECT_EQ(KX_MODL_create_simple_hole(at, along, "10", "8", "0", body_, NULL_TAG, &out),
              KX_MODL_ERR_NOT_PLANAR_FACE);
    EXPECT_EQ(out, NULL_TAG);
    EXPECT_EQ(marks(), 0);
}

// A host that answers 0 but made no feature fails the creation, taken back.
TEST_F(FormFeature, NoCreatedFeatureIsAFailure) {
    host::control::return_status("FORMF_ask_created_frec", 0);
    double at[] = {30, 25, 20}, along[] = {0, 0, -1};
    tag out = 42;
    EXPECT_EQ(KX_MODL_create_simple_hole(at, along, "10", "8", "0", top_, NULL_TAG, &out),
              KX_MODL_ERR_NO_FEATURE_CREATED);
    EXPECT_EQ(out, NULL_TAG);
    EXPECT_NEAR(volume(), kBlockVolume, 1e-6);
    EXPECT_EQ(marks(), 0);
}

// The block's straight edge along X at y = y0, z = z0.
tag edge_along_x(tag body, double y0, double z0) {
    for (int e : host::kernel::edges_of(host::kernel::entity_of(body))) {
        int type = 0;
        double p[3], d[3], r = 0;
        ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
        if (std::fabs(std::fabs(d[0]) - 1) < 1e-9 && std::fabs(p[1] - y0) < 1e-9 && std::fabs(p[2] - z0) < 1e-9)
            return host::kernel::object_of(e);
    }
    ADD_FAILURE() << "no edge";
    return NULL_TAG;
}

// A chamfer of offset d on a 100 long edge takes away a prism of 100 d^2 / 2;
// its texts are kept, the unused null ones as "0.0"; edited, it follows.
TEST_F(FormFeature, ChamferCutsItsEdgesAndFollowsTheUpdate) {
    tag_list* edges = nullptr;
    KX_MODL_create_list(&edges);
    KX_MODL_put_list_item(edges, edge_along_x(body_, 0, 20));
    KX_MODL_put_list_item(edges, edge_along_x(body_, 50, 20));
    tag chamfer = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_chamfer(1, "2", nullptr, nullptr, edges, &chamfer), 0);
    EXPECT_NEAR(volume(), kBlockVolume - 2 * 100 * 2.0 * 2.0 / 2, 1e-6 * kBlockVolume);
    EXPECT_EQ(formulas(chamfer), (std::vector<std::string>{"2", "0.0", "0.0"}));
    EXPECT_EQ(marks(), 0);

    int n = 0;
    unsigned int* exps = nullptr;
    FREC_ask_system_exps_of_frec(chamfer, &n, &exps);
    char* text = nullptr;
    ASSERT_EQ(KX_MODL_ask_exp_tag_string(exps[0], &text), 0);
    const std::string name = std::string(text).substr(0, std::string(text).find('='));
    KX_free(text);
    SM_free(exps);
    ASSERT_EQ(KX_MODL_edit_exp((name + "=3").c_str()), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(), kBlockVolume - 2 * 100 * 3.0 * 3.0 / 2, 1e-6 * kBlockVolume);
    KX_MODL_delete_list(&edges);
}

TEST_F(FormFeature, ChamferRefusals) {
    tag_list* empty = nullptr;
    KX_MODL_create_list(&empty);
    tag_list* one = nullptr;
    KX_MODL_create_list(&one);
    KX_MODL_put_list_item(one, edge_along_x(body_, 0, 20));
    struct Refusal {
        const char* name;
        int type;
        const char *t1, *t2, *t3;
        tag_list* edges;
        int code;
    };
    for (const Refusal& r : std::vector<Refusal>{
             {"null_list", 1, "2", nullptr, nullptr, nullptr, KX_MODL_ERR_NO_EDGES},
             {"empty_list", 1, "2", nullptr, nullptr, empty, KX_MODL_ERR_NO_EDGES},
             {"null_offset", 1, nullptr, "1", "1", one, 1105005},
             {"two_offsets_need_the_second", 2, "2", nullptr, "45", one, 1105006},
             {"type_not_made", 7, "2", "3", "45", one, 670533},
             {"offset_too_big", 1, "60", nullptr, nullptr, one, 0},
         }) {
        tag out = 42;
        const int st = KX_MODL_create_chamfer(r.type, r.t1, r.t2, r.t3, r.edges, &out);
        if (r.code) EXPECT_EQ(st, r.code) << r.name;
        else EXPECT_NE(st, 0) << r.name;
        EXPECT_EQ(out, NULL_TAG) << r.name;
        EXPECT_EQ(marks(), 0) << r.name;
        EXPECT_NEAR(volume(), kBlockVolume, 1e-6) << r.name;
    }
    KX_MODL_delete_list(&empty);
    KX_MODL_delete_list(&one);
}

int g_seen = 0;
int g_answer = 0;

// The positioning routine: 0 keeps the feature, another answer takes it
// back and is the status, an error inside it counts as 0.
TEST_F(FormFeature, PositioningRoutineRunsOnEachNewFeature) {
    struct Run {
        int answer;
        bool raise;
        int status;
        bool kept;
    };
    double x = 10;
    for (const Run& r : {Run{0, false, 0, true}, Run{5, false, 5, false}, Run{0, true, 0, true}}) {
        x += 20;  // each hole in fresh material
        const double before = volume();
        g_seen = 0;
        g_answer = r.answer;
        kx::modl::set_rpo_routine(r.raise ? +[](tag f) -> int {
            g_seen = static_cast<int>(f);
            ERROR_raise("user", 1, 670099, "raised by the routine");
            return 7;
        }
                                          : +[](tag f) -> int {
                                                g_seen = static_cast<int>(f);
                                                return g_answer;
                                            });
        host::control::clear_log();
        double at[] = {x, 25, 20}, along[] = {0, 0, -1};
        tag out = 42;
        EXPECT_EQ(KX_MODL_create_simple_hole(at, along, "10", "8", "0", top_, NULL_TAG, &out), r.status);
        EXPECT_NE(g_seen, 0);
        EXPECT_EQ(out != NULL_TAG, r.kept);
        if (r.kept) {
            EXPECT_EQ(static_cast<tag>(g_seen), out);
        }
        EXPECT_NEAR(volume(), r.kept ? before - kPi * 25 * 8 : before, 1e-3);
        EXPECT_EQ(marks(), 0);
        bool noted = false;
        for (const std::string& line : host::control::log_lines())
            noted |= line.find("User induced error caught in RPO callback.") != std::string::npos;
        EXPECT_EQ(noted, r.raise);
    }
}

}  // namespace
