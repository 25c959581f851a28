// Kinds of object that a part file once could not keep, each named: made
// through the interface, saved, and opened again in a fresh process (a
// fresh host and library session), then compared through the public
// queries. A damaged row of their sections is refused as a damaged file.
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/model/expr/display.h"
#include "host/model/feature/feature.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/memory.h"
#include "kx_bound.h"
#include "kx_curve.h"
#include "kx_disp_settings.h"
#include "kx_layer.h"
#include "kx_modl.h"
#include "kx_modl_cre_feat.h"
#include "kx_modl_exp.h"
#include "kx_modl_parms.h"
#include "kx_obj.h"
#include "kx_udobj.h"
#include "part_fixture.h"
#include "tests/libkxapi/modl/damaged_rows.h"
#include "tests/support/fresh_process.h"
#include "tests/support/part_files.h"

namespace {

namespace pf = host::part_file;

class KindsReopenTest : public PartApiTest {
protected:
    // Saves the work part, starts a fresh process and opens its file again.
    tag reopen(tag part, const std::string& file) {
        return kxtest::reopen_part(part, file, [] { kxtest::fresh_process(); });
    }
    static tag named(tag part, const char* name, int type) {
        tag t = NULL_TAG;
        EXPECT_EQ(KX_OBJ_cycle_by_name_and_type(part, name, type, false, &t), 0);
        EXPECT_NE(t, NULL_TAG) << name;
        return t;
    }
    static tag line(double x0, double y0, double x1, double y1) {
        line_data d{{x0, y0, 0}, {x1, y1, 0}};
        tag t = NULL_TAG;
        EXPECT_EQ(KX_CURVE_create_line(&d, &t), 0);
        return t;
    }
    static std::string name_of(tag t) {
        char name[KX_OBJ_NAME_LEN + 1] = {};
        EXPECT_EQ(KX_OBJ_ask_name(t, name), 0);
        return name;
    }
};

// What a row makes before the save, and the check of what came back (by
// the name it gave).
struct Row {
    const char* what;
    std::function<void()> make;
    std::function<void(tag part)> check;
};

TEST_F(KindsReopenTest, CategoriesBoundariesBoundsAndUserDefinedObjectsComeBackWithTheirData) {
    static const char* const texts[] = {"first string", "", "zweite Zeile"};
    const Row rows[] = {
        {"a layer category",
         [] {
             KX_LAYER_category_info_t info{};
             std::strcpy(info.name, "FIXTURES_AND_CLAMPS");
             for (int layer : {1, 7, 64, 129, 256}) info.layer_mask[layer - 1] = true;
             std::strcpy(info.descr, "Layers of the clamping fixtures, 1 to 256");
             tag c = NULL_TAG;
             ASSERT_EQ(KX_LAYER_create_category(&info, &c), 0);
         },
         [](tag) {
             tag c = NULL_TAG;
             ASSERT_EQ(KX_LAYER_ask_category_tag("FIXTURES_AND_CLAMPS", &c), 0);
             ASSERT_NE(c, NULL_TAG);
             KX_LAYER_category_info_t info{};
             ASSERT_EQ(KX_LAYER_ask_category_info(c, &info), 0);
             EXPECT_STREQ(info.name, "FIXTURES_AND_CLAMPS");
             EXPECT_STREQ(info.descr, "Layers of the clamping fixtures, 1 to 256");
             std::vector<int> layers;
             for (int i = 0; i < KX_LAYER_MAX_LAYER; ++i)
                 if (info.layer_mask[i]) layers.push_back(i + 1);
             EXPECT_EQ(layers, (std::vector<int>{1, 7, 64, 129, 256}));
         }},
        {"a boundary",
         [] {
             const tag a = line(0, 0, 40, 0), b = line(40, 0, 40, 25);
             ASSERT_EQ(KX_OBJ_set_name(a, "EDGE_A"), 0);
             boundary_settings s{1, 0.375, 2.5};
             const boundary_member m[] = {{a, 3}, {b, -7}};
             tag bound = NULL_TAG;
             ASSERT_EQ(KX_BOUND_create_boundary(1, NULL_TAG, s, 2, m, &bound), 0);
             ASSERT_EQ(KX_OBJ_set_name(bound, "POCKET_WALL"), 0);
         },
         [](tag part) {
             const tag bound = named(part, "POCKET_WALL", 14);
             boundary_data d{};
             ASSERT_EQ(KX_BOUND_ask_boundary_data(bound, &d), 0);
             EXPECT_EQ(d.type, 1);
             EXPECT_EQ(d.view, NULL_TAG);
             EXPECT_EQ(d.settings.mode, 1);
             EXPECT_EQ(d.settings.first_value, 0.375);
             EXPECT_EQ(d.settings.second_value, 2.5);
             ASSERT_EQ(d.member_count, 2);
             EXPECT_EQ(d.members[0].object, named(part, "EDGE_A", 3));
             EXPECT_EQ(d.members[0].data, 3);
             EXPECT_EQ(d.members[1].data, -7);
             int type = 0, subtype = 0;
             EXPECT_EQ(KX_OBJ_ask_type_and_subtype(d.members[1].object, &type, &subtype), 0);
             EXPECT_EQ(type, 3);
             int count = 0;
             EXPECT_EQ(KX_BOUND_ask_number_of_boundaries(d.members[0].object, &count), 0);
             EXPECT_EQ(count, 1);
             KX_free(d.members);
         }},
        {"the model bounds",
         [] {
             tag b = NULL_TAG;
             ASSERT_EQ(KX_DISP_ask_model_bounds_tag(&b), 0);
             const double box[6] = {-12.5, 40.25, 0.125, 30, -7, 19.75};
             ASSERT_EQ(KX_DISP_set_model_bounds(b, box), 0);
             ASSERT_EQ(KX_OBJ_set_name(b, "MODEL_BOX"), 0);
         },
         [](tag part) {
             tag b = NULL_TAG;
             ASSERT_EQ(KX_DISP_ask_model_bounds_tag(&b), 0);
             EXPECT_EQ(b, named(part, "MODEL_BOX", 53));
             double box[6] = {};
             ASSERT_EQ(KX_DISP_ask_model_bounds(b, box), 0);
             EXPECT_EQ(std::vector<double>(box, box + 6), (std::vector<double>{-12.5, 40.25, 0.125, 30, -7, 19.75}));
         }},
        {"a user-defined object and one with its feature",
         [] {
             udo_class_id cls = 0;
             ASSERT_EQ(KX_UDOBJ_create_class("Probe_points", "Probe points", &cls), 0);
             tag plain = NULL_TAG, owner = NULL_TAG, feature = NULL_TAG;
             ASSERT_EQ(KX_UDOBJ_create_udo(cls, &plain), 0);
             ASSERT_EQ(KX_OBJ_set_name(plain, "PROBES"), 0);
             const int ints[] = {7, -3, 1 << 20};
             const double doubles[] = {0.1, -2.75}, lengths[] = {12.5}, areas[] = {3.25, 6.5}, volumes[] = {1e6};
             ASSERT_EQ(KX_UDOBJ_add_integers(plain, 3, ints), 0);
             ASSERT_EQ(KX_UDOBJ_add_doubles(plain, 2, doubles), 0);
             ASSERT_EQ(KX_UDOBJ_add_lengths(plain, 1, lengths), 0);
             ASSERT_EQ(KX_UDOBJ_add_areas(plain, 2, areas), 0);
             ASSERT_EQ(KX_UDOBJ_add_volumes(plain, 1, volumes), 0);
             ASSERT_EQ(KX_UDOBJ_add_strings(plain, 3, const_cast<char* const*>(texts)), 0);
             const tag linked = line(0, 0, 0, 30);
             ASSERT_EQ(KX_OBJ_set_name(linked, "LINKED"), 0);
             const udo_link link{3, linked, NULL_TAG, 0};
             ASSERT_EQ(KX_UDOBJ_add_links(plain, 1, &link), 0);
             ASSERT_EQ(KX_UDOBJ_version_udo(plain, 4), 0);
             ASSERT_EQ(KX_UDOBJ_create_udo_feature(cls, &owner, &feature), 0);
             ASSERT_EQ(KX_OBJ_set_name(owner, "WITH_FEATURE"), 0);
             ASSERT_EQ(KX_OBJ_set_name(feature, "UDO_FEATURE_NAMED"), 0);
             ASSERT_EQ(KX_UDOBJ_add_owning_links(owner, 1, &plain), 0);
         },
         [](tag part) {
             const tag plain = named(part, "PROBES", 191), owner = named(part, "WITH_FEATURE", 191);
             char* cls_name = nullptr;
             ASSERT_EQ(KX_UDOBJ_ask_udo_class_name(plain, &cls_name), 0);
             EXPECT_STREQ(cls_name, "Probe_points");
             KX_free(cls_name);
             udo_data d{};
             ASSERT_EQ(KX_UDOBJ_ask_udo_data(plain, &d), 0);
             EXPECT_EQ(std::vector<int>(d.ints, d.ints + d.num_ints), (std::vector<int>{7, -3, 1 << 20}));
             EXPECT_EQ(std::vector<double>(d.doubles, d.doubles + d.num_doubles), (std::vector<double>{0.1, -2.75}));
             EXPECT_EQ(std::vector<double>(d.lengths, d.lengths + d.num_lengths), (std::vector<double>{12.5}));
             EXPECT_EQ(std::vector<double>(d.areas, d.areas + d.num_areas), (std::vector<double>{3.25, 6.5}));
             EXPECT_EQ(std::vector<double>(d.volumes, d.volumes + d.num_volumes), (std::vector<double>{1e6}));
             ASSERT_EQ(d.num_strings, 3);
             for (int i = 0; i < 3; ++i) EXPECT_STREQ(d.strings[i], texts[i]);
             ASSERT_EQ(d.num_links, 1);
             EXPECT_EQ(d.links[0].link_type, 3);
             EXPECT_EQ(d.links[0].assoc_object, named(part, "LINKED", 3));
             const udo_class_id read_class = d.class_id;
             EXPECT_EQ(KX_UDOBJ_free_udo_data(&d), 0);
             // The program that defines the class takes over the class read.
             udo_class_id cls = 0;
             ASSERT_EQ(KX_UDOBJ_create_class("Probe_points", "Probe points", &cls), 0);
             EXPECT_EQ(cls, read_class);
             tag next = NULL_TAG;
             ASSERT_EQ(KX_UDOBJ_cycle_udos_by_class(part, cls, &next), 0);
             EXPECT_EQ(next, plain);
             tag owning = NULL_TAG;
             ASSERT_EQ(KX_UDOBJ_ask_owning_udo(plain, &owning), 0);
             EXPECT_EQ(owning, owner);
             tag feature = NULL_TAG, back = NULL_TAG;
             ASSERT_EQ(KX_UDOBJ_ask_udo_feature_of_udo(owner, &feature), 0);
             ASSERT_NE(feature, NULL_TAG);
             EXPECT_EQ(name_of(feature), "UDO_FEATURE_NAMED");
             ASSERT_EQ(KX_UDOBJ_ask_udo_of_udo_feature(feature, &back), 0);
             EXPECT_EQ(back, owner);
             logical is = false;
             ASSERT_EQ(KX_UDOBJ_is_udo_feature(feature, &is), 0);
             EXPECT_TRUE(is);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        restart();
        const std::string file = path("kinds.prt");
        tag part = NULL_TAG;
        ASSERT_EQ(KX_PART_new(file.c_str(), KX_PART_METRIC, &part), 0);
        ASSERT_NO_FATAL_FAILURE(row.make());
        const tag again = reopen(part, file);
        ASSERT_NE(again, NULL_TAG);
        ASSERT_NO_FATAL_FAILURE(row.check(again));
        // And saved once more as read, the file reads back the same.
        ASSERT_NO_FATAL_FAILURE(row.check(reopen(again, file)));
    }
}

// The top face of the 100 x 50 x 20 block made in the work part.
tag block_top() {
    const char* sizes[] = {"100", "50", "20"};
    const double origin[] = {0, 0, 0};
    unsigned int block = 0;
    EXPECT_EQ(FEAT_create(CONTEXT_ask_work_part(), "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, 0, &block), 0);
    for (int f : host::kernel::faces_of(host::kernel::entity_of(FREC_ask_body(block)))) {
        int type = 0, sense = 0;
        double p[3], d[3], r1 = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
        if (type == ZQ_SURF_PLANE && d[2] * sense > 0.999) return host::kernel::object_of(f);
    }
    ADD_FAILURE() << "no top face";
    return NULL_TAG;
}

double volume_of(tag feature) {
    tag body = NULL_TAG;
    EXPECT_EQ(KX_MODL_ask_feat_body(feature, &body), 0);
    double p[ZQ_MP_COUNT] = {};
    ZQ_BODY_ask_mass_props(host::kernel::entity_of(body), p);
    return p[ZQ_MP_VOLUME];
}

// The value of a feature parameter as asked ("p3=10": 10).
std::string value_of(char* text) {
    const std::string s = text ? text : "";
    KX_free(text);
    return s.substr(s.find('=') + 1);
}

// A blind hole of diameter 10 and depth 8 with a tip cone of the tip
// angle, its diameter shown as a dimension: the block less a cylinder and a cone of height 5 / tan(angle / 2)
// (the cone of 1 degree runs out of the block's floor: its volume is the
// one the kernel made before the save).
TEST_F(KindsReopenTest, BlindSimpleHolesKeepTheirTipAngle) {
    for (const char* tip : {"0", "1", "90", "118"}) {
        SCOPED_TRACE(tip);
        restart();
        const std::string file = path("hole.prt");
        tag part = NULL_TAG;
        ASSERT_EQ(KX_PART_new(file.c_str(), KX_PART_METRIC, &part), 0);
        const tag top = block_top();
        double at[] = {30, 20, 20}, into[] = {0, 0, -1};
        tag hole = NULL_TAG;
        ASSERT_EQ(KX_MODL_create_simple_hole(at, into, "10", "8", tip, top, NULL_TAG, &hole), 0);
        ASSERT_EQ(KX_OBJ_set_name(hole, "TIPPED_HOLE"), 0);
        // The diameter shown as a dimension on the hole.
        int n = 0;
        unsigned int* exps = nullptr;
        FREC_ask_system_exps_of_frec(hole, &n, &exps);
        ASSERT_GE(n, 1);
        const tag diameter_exp = exps[0];
        SM_free(exps);
        int count = 0;
        tag* dims = nullptr;
        ASSERT_EQ(KX_MODL_get_dimension_data(diameter_exp, &count, &dims), 0);
        ASSERT_EQ(count, 1);
        ASSERT_EQ(KX_OBJ_set_name(dims[0], "DIAMETER_SHOWN"), 0);
        KX_free(dims);
        const double half = std::atof(tip) * std::numbers::pi / 360;
        const double cone = half > 0 ? std::numbers::pi * 25 * (5 / std::tan(half)) / 3 : 0;
        const double made = volume_of(hole);
        if (half == 0 || 8 + 5 / std::tan(half) < 20)
            EXPECT_NEAR(made, 100.0 * 50 * 20 - std::numbers::pi * 25 * 8 - cone, 1e-6 * made);
        const tag again = reopen(part, file);
        ASSERT_NE(again, NULL_TAG);
        const tag back = named(again, "TIPPED_HOLE", HOST_TYPE_FEATURE);
        char *diameter = nullptr, *depth = nullptr, *tip_angle = nullptr;
        int thru = -1;
        ASSERT_EQ(KX_MODL_ask_simple_hole_parms(back, 0, &diameter, &depth, &tip_angle, &thru), 0);
        EXPECT_EQ(value_of(diameter), "10");
        EXPECT_EQ(value_of(depth), "8");
        EXPECT_EQ(value_of(tip_angle), tip);
        EXPECT_EQ(thru, 0);
        EXPECT_NEAR(volume_of(back), made, 1e-9 * made);
        const host::expr::Dimension* shown = host::expr::find_dimension(named(again, "DIAMETER_SHOWN", 26));
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->feature, back);
        double value = 0;
        ASSERT_EQ(KX_MODL_ask_exp_tag_value(shown->exp, &value), 0);
        EXPECT_EQ(value, 10);
        ASSERT_EQ(KX_MODL_update(), 0);
        EXPECT_NEAR(volume_of(back), made, 1e-9 * made);
    }
}

// Rows of the sections of these kinds changed in place to what the
// creating functions refuse: the file is refused as damaged (641004), the
// model stays as it was. Each section holds one row, which starts at byte
// 12 of its payload (count, object number, row size).
TEST_F(KindsReopenTest, DamagedRowsOfTheirSectionsAreRefused) {
    tag part = NULL_TAG;
    ASSERT_EQ(KX_PART_new(path("damaged.prt").c_str(), KX_PART_METRIC, &part), 0);
    KX_LAYER_category_info_t info{};
    std::strcpy(info.name, "CLAMPS");
    info.layer_mask[0] = info.layer_mask[6] = true;
    tag category = NULL_TAG;
    ASSERT_EQ(KX_LAYER_create_category(&info, &category), 0);
    const tag a = line(0, 0, 10, 0);
    const boundary_member m[] = {{a, 0}};
    tag bound = NULL_TAG;
    ASSERT_EQ(KX_BOUND_create_boundary(1, NULL_TAG, boundary_settings{0, 0, 0}, 1, m, &bound), 0);
    udo_class_id cls = 0;
    ASSERT_EQ(KX_UDOBJ_create_class("Probe_points", "Probe points", &cls), 0);
    tag udo = NULL_TAG;
    ASSERT_EQ(KX_UDOBJ_create_udo(cls, &udo), 0);
    const udo_link link{3, a, NULL_TAG, 0};
    ASSERT_EQ(KX_UDOBJ_add_links(udo, 1, &link), 0);
    tag b = NULL_TAG;
    ASSERT_EQ(KX_DISP_ask_model_bounds_tag(&b), 0);
    const double box[6] = {-12.5, 40.25, 0.125, 30, -7, 19.75};
    ASSERT_EQ(KX_DISP_set_model_bounds(b, box), 0);
    // A user-defined object's row: class name and friendly name (4 + 12
    // bytes each, a flag between), status, version, selection, six empty
    // lists, the count of links, the first link's type.
    constexpr std::size_t kVersion = 12 + 16 + 1 + 16 + 4, kSelection = kVersion + 4;
    constexpr std::size_t kLinkType = kSelection + 4 + 6 * 4 + 4;
    using kxtest::f64_bytes;
    using kxtest::le32;
    const kxtest::RowDamage damages[] = {
        {"a category of layer 0", "LAYC", 12, le32(0x82), le32(0x83)},
        {"a category of layer 257", "LAYC", 12 + 8 * 4, le32(0), le32(2)},
        {"a boundary of type 2", "BNDY", 12, le32(1), le32(2)},
        {"a boundary without members", "BNDY", 12 + 4 + 4 + 4 + 16, le32(1), le32(0)},
        {"a user-defined object of a negative version", "UDOB", kVersion, le32(0), le32(0xFFFFFFFFu)},
        {"a selection of owned objects of 2", "UDOB", kSelection, le32(0), le32(2)},
        {"a link of type 5", "UDOB", kLinkType, le32(3), le32(5)},
        {"bounds whose minimum is above their maximum", "MBND", 12, f64_bytes(-12.5), f64_bytes(41)},
        {"bounds that are not finite", "MBND", 12 + 8, f64_bytes(40.25), f64_bytes(INFINITY)},
    };
    kxtest::expect_damaged_rows_refused(part, damages);
}

}  // namespace
