// The host's colour table in its three colour models, layer masks kept
// with the work layer, groups that may not hold themselves, and undo of
// categories and model bounds.
#include <cmath>
#include <string>

#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/groups.h"
#include "host/store/parts/parts.h"
#include "host/model/display/settings.h"
#include "host/store/layers/layers.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"
#include "tests/host/host_test.h"

namespace {

namespace hc = host::control;

class SettingsService : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        part = host::parts::create("settings.prt");
        host::parts::set_work_part(part);
    }
    unsigned int part = 0;
};

TEST_F(SettingsService, ColoursReadTheSameInEveryModel) {
    struct Row {
        const char* what;
        double rgb[3], hsv[3], hls[3];
    };
    const Row rows[] = {
        {"red", {1, 0, 0}, {0, 1, 1}, {0, 0.5, 1}},
        {"dark green", {0, 0.4, 0}, {120, 1, 0.4}, {120, 0.2, 1}},
        {"grey", {0.6, 0.6, 0.6}, {0, 0, 0.6}, {0, 0.6, 0}},
        {"violet", {0.6, 0.2, 1}, {270, 0.8, 1}, {270, 0.6, 1}},
    };
    for (const Row& r : rows) {
        for (int model = 0; model < 3; ++model) {
            const double* in = model == 0 ? r.rgb : model == 1 ? r.hsv : r.hls;
            UICO_set_color(9, model, r.what, in);
            for (int back = 0; back < 3; ++back) {
                const double* want = back == 0 ? r.rgb : back == 1 ? r.hsv : r.hls;
                char name[UICO_NAME_CHARS + 1];
                double v[3];
                UICO_ask_color(9, back, name, v);
                EXPECT_EQ(std::string(name), r.what);
                for (int i = 0; i < 3; ++i) EXPECT_NEAR(v[i], want[i], 1e-9) << r.what << " " << model << back << i;
            }
        }
    }
    const double red[3] = {1, 0, 0};
    UICO_set_color(9, 0, "red", red);
    EXPECT_EQ(UICO_ask_closest_color(0, red, 1), 9);
    const double over[3] = {361, 0, 0};
    EXPECT_EQ(hc::raised_code([&] { UICO_set_color(9, 1, nullptr, over); }), HOST_ERR_BAD_ARGUMENT);
    EXPECT_EQ(hc::raised_code([&] { UICO_set_color(217, 0, nullptr, red); }), HOST_ERR_BAD_ARGUMENT);
}

TEST_F(SettingsService, TheWorkLayerStaysVisibleAndSelectable) {
    const int layer = 12;
    dsp461_(&layer);
    unsigned int none[LAYER_MASK_WORDS] = {};
    dsp464_(none);
    dsp466_(none);
    unsigned int v[LAYER_MASK_WORDS], s[LAYER_MASK_WORDS];
    LAYER_ask_global_visible_mask(v);
    LAYER_ask_global_selectable_mask(s);
    EXPECT_EQ(v[0], 1u << 12);
    EXPECT_EQ(s[0], 1u << 12);
    const int bad = 257;
    EXPECT_EQ(hc::raised_code([&] { dsp461_(&bad); }), HOST_ERR_BAD_ARGUMENT);
}

TEST_F(SettingsService, AGroupCannotHoldItself) {
    const unsigned int a = host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_LINE, 0, part});
    const unsigned int inner = GROUP_create(1, &a);
    const unsigned int outer = GROUP_create(1, &inner);
    EXPECT_EQ(hc::raised_code([&] { GROUP_add_member_to_group(inner, outer); }), GROUP_ERR_NOT_GROUPABLE);
    const unsigned int twice[2] = {a, a};
    EXPECT_EQ(hc::raised_code([&] { GROUP_create(2, twice); }), GROUP_ERR_NOT_GROUPABLE);
    es1523_(&outer);
    EXPECT_FALSE(host::objects::is_alive(inner));
    unsigned int g = 1;
    int flag = 1;
    es1506_(&a, &g, &flag);
    EXPECT_EQ(g, 0u);
    EXPECT_EQ(flag, 0);
}

TEST_F(SettingsService, CategoriesAndBoundsRollBack) {
    unsigned int mask[LAYER_MASK_WORDS] = {};
    mask[0] = 1u << 3;
    const host::ModelSnapshot before = host::snapshot_model();
    const unsigned int c = LAYER_create_category("CAT", 3, mask);
    const int n = 4;
    es1231_(&c, "text", &n);
    const unsigned int b = MDL_BND_ask_model_bounds_object();
    const double box[6] = {0, 1, 0, 2, 0, 3};
    MDL_BND_set_model_bounds(b, box);
    ASSERT_TRUE(host::restore_model(before));
    EXPECT_FALSE(host::objects::is_alive(c));
    EXPECT_FALSE(host::objects::is_alive(b));
    const int too_long = LAYER_MAX_DESCRIPTION + 1;
    const std::string text(too_long, 'x');
    const unsigned int d = LAYER_create_category("DOG", 3, mask);
    EXPECT_EQ(hc::raised_code([&] { es1231_(&d, text.c_str(), &too_long); }), HOST_ERR_BAD_ARGUMENT);
}

}  // namespace
