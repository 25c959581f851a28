// Feature parameters read back as expression texts: the form features made
// on the 100 x 50 x 20 block answer their size texts in order (through
// features their flag and NULL optional texts); the kinds without a
// creator here, on records made through the host's feature service;
// constants and named formulas; wrong kinds leave the outputs alone; a
// failing host frees what was made; directions and locations, also after a
// positioning edit; instances of deleted sets read through to their
// masters where the kind says so.
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/model/expr/expr.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/feature_parms.h"
#include "host/model/feature/positioning.h"
#include "kx_modl_parms.h"
#include "tests/libkxapi/modl/form_fixture.h"
#include "tests/support/faultsim.h"

namespace {

using namespace form_test;

// The formula of an assignment ("p3=10" -> "10"); "<null>" for NULL.
std::string formula(const char* text) {
    if (!text) return "<null>";
    const std::string s = text;
    return s.substr(s.find('=') + 1);
}

std::vector<std::string> take(std::vector<char*> texts) {
    std::vector<std::string> out;
    for (char* t : texts) {
        out.push_back(formula(t));
        KX_free(t);
    }
    return out;
}

class Parms : public FormFeature {
protected:
    tag hole(tag thru) {
        double at[] = {30, 20, 20}, into[] = {0, 0, -1};
        tag h = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_simple_hole(at, into, "10", "8", "118", top_, thru, &h), 0);
        return h;
    }
};

TEST_F(Parms, FormFeaturesAnswerTheirTextsInCreationOrder) {
    double at[] = {30, 20, 20}, into[] = {0, 0, -1}, up[] = {0, 0, 1}, x[] = {1, 0, 0};
    struct Case {
        const char* name;
        std::function<tag()> make;
        std::function<int(tag, std::vector<char*>&, int*)> ask;
        std::vector<std::string> texts;
        int flag;  // -1: the kind has none
    };
    const auto n = [](std::vector<char*>& t, int k) { t.assign(static_cast<std::size_t>(k), nullptr); };
    const std::vector<Case> cases = {
        {"blind_hole",
         [&] { return hole(NULL_TAG); },
         [&](tag f, std::vector<char*>& t, int* fl) {
             n(t, 3);
             return KX_MODL_ask_simple_hole_parms(f, 0, &t[0], &t[1], &t[2], fl);
         },
         {"10", "8", "118"},
         0},
        {"through_hole",
         [&] { return hole(bottom_); },
         [&](tag f, std::vector<char*>& t, int* fl) {
             n(t, 3);
             return KX_MODL_ask_simple_hole_parms(f, 0, &t[0], &t[1], &t[2], fl);
         },
         {"10", "<null>", "<null>"},
         1},
        {"cbore_hole_through",
         [&] {
             tag h = NULL_TAG;
             EXPECT_EQ(KX_MODL_create_c_bore_hole(at, into, "6", "10", "12", "3", "0", top_, bottom_, &h), 0);
             return h;
         },
         [&](tag f, std::vector<char*>& t, int* fl) {
             n(t, 5);
             return KX_MODL_ask_c_bore_hole_parms(f, 0, &t[0], &t[1], &t[2], &t[3], &t[4], fl);
         },
         {"12", "3", "6", "<null>", "<null>"},
         1},
        {"csunk_hole",
         [&] {
             tag h = NULL_TAG;
             EXPECT_EQ(KX_MODL_create_c_sunk_hole(at, into, "6", "10", "12", "90", "0", top_, NULL_TAG, &h), 0);
             return h;
         },
         [&](tag f, std::vector<char*>& t, int* fl) {
             n(t, 5);
             return KX_MODL_ask_c_sunk_hole_parms(f, 0, &t[0], &t[1], &t[2], &t[3], &t[4], fl);
         },
         {"12", "90", "10", "6", "0"},
         0},
        {"boss",
         [&] {
             tag h = NULL_TAG;
             EXPECT_EQ(KX_MODL_create_boss(at, up, "10", "5", "0", top_, &h), 0);
             return h;
         },
         [&](tag f, std::vector<char*>& t, int*) {
             n(t, 3);
             return KX_MODL_ask_boss_parms(f, 0, &t[0], &t[1], &t[2]);
         },
         {"10", "5", "0"},
         -1},
        {"rect_pocket",
         [&] {
             tag h = NULL_TAG;
             const char* sizes[] = {"20", "10", "5"};
             EXPECT_EQ(KX_MODL_create_rect_pocket(at, into, x, sizes, "1", "0", "0", top_, &h), 0);
             return h;
         },
         [&](tag f, std::vector<char*>& t, int*) {
             n(t, 6);
             return KX_MODL_ask_rect_pocket_parms(f, 0, t.data(), &t[3], &t[4], &t[5]);
         },
         {"20", "10", "5", "1", "0", "0"},
         -1},
        {"rect_slot_through",
         [&] {
             tag h = NULL_TAG;
             EXPECT_EQ(KX_MODL_create_rect_slot(at, into, x, "6", "4", "30", top_, side_, face({-1, 0, 0}), &h), 0);
             return h;
         },
         [&](tag f, std::vector<char*>& t, int* fl) {
             n(t, 3);
             return KX_MODL_ask_rect_slot_parms(f, 0, &t[0], &t[1], &t[2], fl);
         },
         {"6", "4", "<null>"},
         1},
        {"t_slot",
         [&] {
             tag h = NULL_TAG;
             EXPECT_EQ(KX_MODL_create_t_slot(at, into, x, "4", "3", "8", "3", "30", top_, NULL_TAG, NULL_TAG, &h), 0);
             return h;
         },
         [&](tag f, std::vector<char*>& t, int* fl) {
             n(t, 5);
             return KX_MODL_ask_t_slot_parms(f, 0, &t[0], &t[1], &t[2], &t[3], &t[4], fl);
         },
         {"4", "3", "8", "3", "30"},
         0},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(KX_UNDO_set_mark(1, "before", &mark_), 0);
        const tag f = c.make();
        ASSERT_NE(f, NULL_TAG) << c.name;
        std::vector<char*> texts;
        int flag = -7;
        ASSERT_EQ(c.ask(f, texts, &flag), 0) << c.name;
        EXPECT_EQ(take(texts), c.texts) << c.name;
        if (c.flag >= 0) {
            EXPECT_EQ(flag, c.flag) << c.name;
        }
        // Every other kind's class refuses it, leaving the outputs alone.
        char* sentinel = reinterpret_cast<char*>(0x1);
        char* a = sentinel;
        char* b = sentinel;
        EXPECT_EQ(KX_MODL_ask_cylinder_parms(f, 0, &a, &b), 875004) << c.name;
        EXPECT_EQ(a, sentinel);
        EXPECT_EQ(b, sentinel);
        ASSERT_EQ(KX_UNDO_undo_to_mark(mark_, nullptr), 0);
        ASSERT_EQ(KX_UNDO_delete_mark(mark_, nullptr), 0);
    }
}

TEST_F(Parms, ChamferAnswersItsTypeAndConstantTexts) {
    unsigned int e = 0;
    for (int edge : host::kernel::edges_of(host::kernel::entity_of(body_))) {
        e = host::kernel::object_of(edge);
        break;
    }
    tag_list* edges = nullptr;
    ASSERT_EQ(KX_MODL_create_list(&edges), 0);
    ASSERT_EQ(KX_MODL_put_list_item(edges, e), 0);
    tag chamfer = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_chamfer(1, "2", "2", "45", edges, &chamfer), 0);
    KX_MODL_delete_list(&edges);
    int type = 0;
    char *o1 = nullptr, *o2 = nullptr, *angle = nullptr;
    ASSERT_EQ(KX_MODL_ask_chamfer_parms(chamfer, 0, &type, &o1, &o2, &angle), 0);
    EXPECT_EQ(type, 1);
    // Constants come bare, without a name.
    EXPECT_STREQ(o1, "2");
    EXPECT_STREQ(angle, "45");
    KX_free(o1);
    KX_free(o2);
    KX_free(angle);
}

// Kinds whose records come from the feature service alone: a kind with a
// build that makes no body.
void no_body(const host::Call&, host::feature::Record&, const std::vector<double>&) {}
std::vector<std::pair<int, double>> no_numbers(const host::feature::Record&, const std::vector<double>&) { return {}; }

class Kinds : public Parms {
protected:
    void SetUp() override {
        Parms::SetUp();
        for (const auto& [name, p] : std::vector<std::pair<std::string, std::vector<std::string>>>{
                 {"CONE", {"P0", "P1", "P2", "P3"}},
                 {"SPHERE", {"P0"}},
                 {"TORUS", {"P0", "P1"}},
                 {"PRISM", {"P0", "P1", "P2"}},
                 {"SWEEP", {"P0", "P1", "P2"}},
                 {"TAPER", {"Angle"}},
                 {"DD_taper_body", {"Distance", "Angle"}}}) {
            if (host::feature::find_kind(name)) continue;
            host::feature::register_kind({name, p, host::feature::kAnyNumbers, 0, 0, false, no_body, no_numbers});
        }
    }
    // Hollows and offsets are real features of a body: a closed hollow (no
    // face opened) of a block of its own, an offset of the block's top face.
    tag make(const char* kind, std::vector<const char*> formulas) {
        tag f = 0;
        const bool hollow = std::string(kind) == "HOLLOW", offset = std::string(kind) == "OFFSET";
        const double closed[2] = {3, 0};
        unsigned int top = top_;
        tag hollowed = 0;
        if (hollow) {
            // A block of its own, so that the offset below works on a plain block.
            const char* sizes[] = {"10", "10", "10"};
            const double origin[] = {200, 0, 0};
            unsigned int block = 0;
            EXPECT_EQ(FEAT_create(part_, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, 0, &block), 0);
            hollowed = FREC_ask_body(block);
        }
        // Cones and spheres are built by the host: their place and axis.
        const double placed[6] = {0, 0, 0, 0, 0, 1};
        const int n_placed = std::string(kind) == "CONE" ? 6 : std::string(kind) == "SPHERE" ? 3 : 0;
        EXPECT_EQ(FEAT_create(part_, kind, static_cast<int>(formulas.size()), formulas.data(),
                              hollow ? 2 : n_placed, hollow ? closed : n_placed ? placed : nullptr, offset ? 1 : 0,
                              offset ? &top : nullptr,
                              hollow ? hollowed : offset ? body_ : 0, 0, &f),
                  0)
            << kind;
        return f;
    }
    // Real instance sets of a hole made through the interface.
    tag_list* one(tag t) {
        tag_list* list = nullptr;
        EXPECT_EQ(KX_MODL_create_list(&list), 0);
        EXPECT_EQ(KX_MODL_put_list_item(list, t), 0);
        return list;
    }
    tag source() {
        double at[] = {35, 25, 20}, into[] = {0, 0, -1};
        tag h = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_simple_hole(at, into, "10", "8", "118", top_, NULL_TAG, &h), 0);
        return h;
    }
    tag linear_set(const char* nx, const char* sx, const char* ny, const char* sy) {
        BREF_set_current_target(body_);
        tag_list* list = one(source());
        tag set = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_linear_iset(0, nx, sx, ny, sy, list, &set), 0);
        KX_MODL_delete_list(&list);
        return set;
    }
    tag circular_set(const char* number, const char* angle) {
        BREF_set_current_target(body_);
        tag_list* list = one(source());
        double origin[] = {50, 25, 0}, axis[] = {0, 0, 1};
        tag set = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_circular_iset(0, origin, number, angle, axis, list, &set), 0);
        KX_MODL_delete_list(&list);
        return set;
    }
    // A groove on a boss, its first expression also held by a positioning
    // constraint that owns a named expression first.
    tag constrained_groove() {
        double at[] = {50, 25, 20}, up[] = {0, 0, 1}, mid[] = {50, 25, 27.5};
        tag boss = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_boss(at, up, "30", "15", "0", top_, &boss), 0);
        tag cylinder = NULL_TAG;
        for (int f : host::kernel::faces_of(host::kernel::entity_of(body_))) {
            int type = 0, sense = 0;
            double p[3], d[3], r1 = 0, r2 = 0;
            ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
            if (type == ZQ_SURF_CYLINDER && std::fabs(r1 - 15) < 1e-9) cylinder = host::kernel::object_of(f);
        }
        tag groove = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_rect_groove(mid, up, "20", "4", cylinder, &groove), 0);
        unsigned int named = 0;
        EXPECT_EQ(EXP_create_exp(part_, "gpos=2*10", &named), 0);
        FPARMS_record_t record{};
        EXPECT_EQ(FPARMS_ask_record(groove, &record), 1);
        host::feature::add_constraint(groove, "Groove Position", 0, {named, record.slots[0]});
        return groove;
    }
};

TEST_F(Kinds, EachKindAnswersItsTextsAndRefusesAnother) {
    ASSERT_EQ(KX_MODL_create_exp("len=30"), 0);
    struct Case {
        const char* name;
        std::function<tag()> make;
        bool master;  // an instance of a deleted set answers for its master
        std::function<int(tag, std::vector<char*>&)> ask;
        std::vector<std::string> texts;  // whole texts; "=" marks an assignment, "<null>" NULL
    };
    const auto n = [](std::vector<char*>& t, int k) { t.assign(static_cast<std::size_t>(k), nullptr); };
    const auto made = [&](const char* kind, std::vector<const char*> formulas) {
        return [this, kind, formulas] { return make(kind, formulas); };
    };
    const std::vector<Case> cases = {
        {"cone_constants",
         made("CONE", {"10", "5", "20", "7"}),
         true,
         [&](tag f, std::vector<char*>& t) {
             n(t, 4);
             return KX_MODL_ask_cone_parms(f, 0, &t[0], &t[1], &t[2], &t[3]);
         },
         {"10", "5", "20", "7"}},
        {"cone_named",
         made("CONE", {"len", "5", "len*2", "7"}),
         true,
         [&](tag f, std::vector<char*>& t) {
             n(t, 4);
             return KX_MODL_ask_cone_parms(f, 0, &t[0], &t[1], &t[2], &t[3]);
         },
         {"=len", "5", "=len*2", "7"}},
        {"sphere",
         made("SPHERE", {"12"}),
         true,
         [&](tag f, std::vector<char*>& t) {
             n(t, 1);
             return KX_MODL_ask_sphere_parms(f, 0, &t[0]);
         },
         {"=12"}},
        {"torus",
         made("TORUS", {"20", "len"}),
         true,
         [&](tag f, std::vector<char*>& t) {
             n(t, 2);
             return KX_MODL_ask_torus_parms(f, 0, &t[0], &t[1]);
         },
         {"=20", "=len"}},
        {"prism",
         made("PRISM", {"10", "4", "6"}),
         true,
         [&](tag f, std::vector<char*>& t) {
             n(t, 3);
             return KX_MODL_ask_prism_parms(f, 0, &t[0], &t[1], &t[2]);
         },
         {"=10", "=4", "=6"}},
        {"hollow",
         made("HOLLOW", {"2"}),
         false,
         [&](tag f, std::vector<char*>& t) {
             n(t, 1);
             return KX_MODL_ask_hollow_parms(f, 0, &t[0]);
         },
         {"=2"}},
        {"offset",
         made("OFFSET", {"1.5"}),
         false,
         [&](tag f, std::vector<char*>& t) {
             n(t, 1);
             return KX_MODL_ask_offset_parms(f, 0, &t[0]);
         },
         {"=1.5"}},
        {"sweep",
         made("SWEEP", {"len", "5", "2"}),
         false,
         [&](tag f, std::vector<char*>& t) {
             n(t, 3);
             return KX_MODL_ask_sweep_parms(f, 0, &t[0], &t[1], &t[2]);
         },
         {"=len", "5", "2"}},
        {"taper",
         made("TAPER", {"len/3"}),
         false,
         [&](tag f, std::vector<char*>& t) {
             n(t, 1);
             return KX_MODL_ask_taper_parms(f, 0, &t[0]);
         },
         {"=len/3"}},
        {"taper_of_a_body",
         made("DD_taper_body", {"4", "12"}),
         false,
         [&](tag f, std::vector<char*>& t) {
             n(t, 1);
             return KX_MODL_ask_taper_parms(f, 0, &t[0]);
         },
         {"=12"}},
        {"linear_set",
         [&] { return linear_set("3", "20", "1", "len"); },
         false,
         [&](tag f, std::vector<char*>& t) {
             n(t, 4);
             return KX_MODL_ask_linear_iset_parms(f, 0, &t[0], &t[1], &t[2], &t[3]);
         },
         {"=3", "=20", "=1", "=len"}},
        {"circular_set",
         [&] { return circular_set("6", "60"); },
         false,
         [&](tag f, std::vector<char*>& t) {
             n(t, 3);
             return KX_MODL_ask_circular_iset_parms(f, 0, &t[0], &t[1], &t[2]);
         },
         {"<null>", "=6", "=60"}},
        {"groove_held_by_a_constraint",
         [&] { return constrained_groove(); },
         false,
         [&](tag f, std::vector<char*>& t) {
             n(t, 2);
             return KX_MODL_ask_rect_groove_parms(f, 0, &t[0], &t[1]);
         },
         {"=2*10", "=4"}},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(KX_UNDO_set_mark(1, "before", &mark_), 0);
        const tag f = c.make();
        ASSERT_NE(f, NULL_TAG) << c.name;
        const auto check = [&](tag asked, const char* as) {
            std::vector<char*> texts;
            ASSERT_EQ(c.ask(asked, texts), 0) << c.name << as;
            ASSERT_EQ(texts.size(), c.texts.size()) << c.name;
            for (std::size_t i = 0; i < texts.size(); ++i) {
                const std::string want = c.texts[i];
                if (want == "<null>") {
                    EXPECT_EQ(texts[i], nullptr) << c.name << as << " " << i;
                    continue;
                }
                ASSERT_NE(texts[i], nullptr) << c.name << as << " " << i;
                const std::string got = texts[i];
                if (want[0] == '=') {
                    EXPECT_NE(got.find('='), std::string::npos) << c.name << as << " " << got;
                    EXPECT_EQ(formula(texts[i]), want.substr(1)) << c.name << as;
                } else {
                    EXPECT_EQ(got, want) << c.name << as;
                }
                KX_free(texts[i]);
            }
        };
        check(f, "");
        // An instance of the feature whose set is gone: the kinds that read
        // through to the master answer its texts, the others refuse it.
        const unsigned int instance = host::feature::create(part_, "INSTANCE");
        host::feature::make_instance(instance, f, 1, 0);
        if (c.master) {
            check(instance, " (instance)");
        } else {
            std::vector<char*> texts;
            EXPECT_EQ(c.ask(instance, texts), 875004) << c.name;
            for (char* t : texts) EXPECT_EQ(t, nullptr) << c.name;
        }
        // The block's query refuses every one of them.
        char* sizes[3] = {reinterpret_cast<char*>(0x1), nullptr, nullptr};
        EXPECT_EQ(KX_MODL_ask_block_parms(f, 0, sizes), 875004) << c.name;
        EXPECT_EQ(sizes[0], reinterpret_cast<char*>(0x1));
        ASSERT_EQ(KX_UNDO_undo_to_mark(mark_, nullptr), 0);
        ASSERT_EQ(KX_UNDO_delete_mark(mark_, nullptr), 0);
    }
}

TEST_F(Kinds, AnInstanceAnswersForItsMasterOnlyOnceItsSetIsDeleted) {
    BREF_set_current_target(body_);
    const tag h = hole(NULL_TAG);
    tag_list* list = one(h);
    tag set = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_linear_iset(0, "2", "30", "1", "0", list, &set), 0);
    KX_MODL_delete_list(&list);
    const unsigned int instance = host::feature::create(part_, "INSTANCE");
    host::feature::make_instance(instance, h, 0, 1);
    char *a = reinterpret_cast<char*>(0x1), *b = nullptr, *c = nullptr;
    int flag = -1;
    EXPECT_EQ(KX_MODL_ask_simple_hole_parms(instance, 0, &a, &b, &c, &flag), 875004);
    EXPECT_EQ(a, reinterpret_cast<char*>(0x1));
    EXPECT_EQ(flag, -1);
    tag_list* gone = one(set);
    ASSERT_EQ(KX_MODL_delete_feature(gone), 0);
    KX_MODL_delete_list(&gone);
    ASSERT_EQ(KX_MODL_ask_simple_hole_parms(instance, 0, &a, &b, &c, &flag), 0);
    EXPECT_EQ(take({a, b, c}), (std::vector<std::string>{"10", "8", "118"}));
    EXPECT_EQ(flag, 0);
}

TEST_F(Parms, BlockAnswersAssignmentsInsideAMarkThatIsGone) {
    ASSERT_EQ(KX_MODL_create_exp("wide=100"), 0);
    const char* sizes[] = {"wide", "50", "20"};
    const double origin[] = {200, 0, 0};
    unsigned int block = 0;
    ASSERT_EQ(FEAT_create(part_, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, 0, &block), 0);
    const int before = marks();
    char* texts[3] = {};
    ASSERT_EQ(KX_MODL_ask_block_parms(block, 0, texts), 0);
    EXPECT_EQ(marks(), before);
    EXPECT_EQ(take({texts[0], texts[1], texts[2]}), (std::vector<std::string>{"wide", "50", "20"}));
}

TEST_F(Parms, RefusalsByPosition) {
    const tag h = hole(NULL_TAG);
    char *a = nullptr, *b = nullptr, *c = nullptr;
    int flag = 0;
    EXPECT_EQ(KX_MODL_ask_simple_hole_parms(h, 0, nullptr, &b, &c, &flag), 1105006);
    EXPECT_EQ(KX_MODL_ask_simple_hole_parms(h, 0, &a, &b, &c, nullptr), 1105014);
    EXPECT_EQ(KX_MODL_ask_block_parms(h, 0, nullptr), 1105006);
    // Not a feature: another kind for the parameter queries, 875233 for the
    // place queries.
    EXPECT_EQ(KX_MODL_ask_simple_hole_parms(top_, 0, &a, &b, &c, &flag), 875004);
    EXPECT_EQ(KX_MODL_ask_simple_hole_parms(NULL_TAG, 0, &a, &b, &c, &flag), 875004);
    double d1[3], d2[3];
    EXPECT_EQ(KX_MODL_ask_feat_direction(top_, d1, d2), 875233);
    EXPECT_EQ(KX_MODL_ask_feat_location(NULL_TAG, d1), 875233);
    EXPECT_EQ(KX_MODL_ask_feat_location(h, nullptr), 1105005);
}

TEST_F(Parms, DirectionAndLocationFollowThePositioning) {
    const tag h = hole(NULL_TAG);
    double first[3] = {9, 9, 9}, second[3] = {9, 9, 9}, at[3] = {};
    ASSERT_EQ(KX_MODL_ask_feat_direction(h, first, second), 0);
    EXPECT_EQ(std::vector<double>(first, first + 3), (std::vector<double>{0, 0, -1}));
    EXPECT_EQ(std::vector<double>(second, second + 3), (std::vector<double>{0, 0, 0}));
    ASSERT_EQ(KX_MODL_ask_feat_location(h, at), 0);
    EXPECT_EQ(std::vector<double>(at, at + 3), (std::vector<double>{30, 20, 20}));
    // Either output may be left out.
    EXPECT_EQ(KX_MODL_ask_feat_direction(h, nullptr, second), 0);

    // A horizontal dimension from the left edge, edited to 45: the hole moves.
    tag left = NULL_TAG;
    for (int e : host::kernel::edges_of(host::kernel::entity_of(body_))) {
        int type = 0;
        double p[3], d[3], r = 0;
        ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
        if (type == 3001 && std::fabs(std::fabs(d[1]) - 1) < 1e-9 && std::fabs(p[0]) < 1e-9 &&
            std::fabs(p[2] - 20) < 1e-9)
            left = host::kernel::object_of(e);
    }
    ASSERT_NE(left, NULL_TAG);
    unsigned int dim = 0;
    ASSERT_EQ(RPO_create_dimension(h, RPO_DIM_HORIZONTAL, left, NULL_TAG, "30", &dim), 0);
    int kind = 0, flags[2];
    unsigned int exp = 0, target = 0, tool = 0;
    RPO_ask_dimension(dim, &kind, &exp, &target, &tool, flags);
    ASSERT_EQ(EXP_edit_exp(part_, exp, "45"), 0);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    ASSERT_EQ(KX_MODL_ask_feat_location(h, at), 0);
    EXPECT_NEAR(at[0], 45, 1e-9);
    EXPECT_NEAR(at[1], 20, 1e-9);
    ASSERT_EQ(KX_MODL_ask_feat_direction(h, first, nullptr), 0);
    EXPECT_EQ(std::vector<double>(first, first + 3), (std::vector<double>{0, 0, -1}));
}

TEST_F(Parms, SlotAndBlockDirections) {
    double at[] = {30, 20, 20}, into[] = {0, 0, -1}, x[] = {0, 1, 0};
    tag slot = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_rect_slot(at, into, x, "6", "4", "20", top_, NULL_TAG, NULL_TAG, &slot), 0);
    double first[3], second[3];
    ASSERT_EQ(KX_MODL_ask_feat_direction(slot, first, second), 0);
    EXPECT_EQ(std::vector<double>(second, second + 3), (std::vector<double>{0, 1, 0}));
}

}  // namespace
