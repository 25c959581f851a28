// General creation defaults, their saved set, and the creation settings of
// entity types in the work part.
#include "host/store/entities/defaults.h"
#include "host/store/entities/entity_store.h"
#include "host/base/services/error.h"
#include "kx_disp.h"
#include "tests/libkxapi/obj/obj_fixture.h"

namespace {

using Defaults = ObjectsTest;
namespace hd = host::defaults;

void expect_general(int color, int layer, int width, int font) {
    EXPECT_EQ(hd::general().color, color);
    EXPECT_EQ(hd::general().layer, layer);
    EXPECT_EQ(hd::general().width, width);
    EXPECT_EQ(hd::general().font, font);
}

TEST_F(Defaults, ResetChecksEachValueWithItsOwnCode) {
    struct Row {
        int c, l, w, f, status;
    };
    const Row rows[] = {
        {0, 1, 0, 1, 1105004},    {217, -1, -1, -1, 1105004}, {-1, 0, -1, -1, 1105005}, {-1, 257, -1, -1, 1105005},
        {-1, -1, 3, -1, 1105006}, {-1, -1, -1, 8, 1105007},   {-1, -1, -1, 0, 1105007}, {-2, -1, -1, -1, 1105004},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(KX_OBJ_reset_defaults(r.c, r.l, r.w, r.f), r.status) << r.c << r.l << r.w << r.f;
        int c = -1, l = -1, w = -1, f = -1;
        kx5025_(&c, &l, &w, &f);  // the old form refuses the same values silently
        kx5025_(const_cast<int*>(&r.c), const_cast<int*>(&r.l), const_cast<int*>(&r.w), const_cast<int*>(&r.f));
    }
    EXPECT_EQ(host::control::call_count("ES_default_settings"), 8);  // only the all -1 calls
    expect_general(15, 1, 1, 1);
    EXPECT_EQ(KX_OBJ_reset_defaults(3, -1, 2, -1), 0);
    expect_general(3, 1, 2, 1);
}

TEST_F(Defaults, PreviousDefaultsBeforeAnyModifyAreTheFactorySet) {
    EXPECT_EQ(KX_OBJ_reset_defaults(99, 7, 2, 5), 0);
    EXPECT_EQ(KX_OBJ_return_prev_defaults(), 0);
    expect_general(7, 1, 0, 1);
}

TEST_F(Defaults, ModifySavesTheCurrentSetForReturn) {
    ASSERT_EQ(KX_OBJ_reset_defaults(40, 20, 2, 3), 0);
    EXPECT_EQ(KX_OBJ_modify_defaults(100, -1, 0, -1), 0);
    expect_general(100, 20, 0, 3);
    EXPECT_EQ(KX_OBJ_return_prev_defaults(), 0);
    expect_general(40, 20, 2, 3);
    EXPECT_EQ(KX_OBJ_modify_defaults(1, 1, 1, 8), 1105007);
    EXPECT_EQ(KX_OBJ_return_prev_defaults(), 0);  // the refused call saved nothing
    expect_general(40, 20, 2, 3);
}

TEST_F(Defaults, OldFormSetsValidValuesAndDropsHostErrors) {
    int c = 9, l = 4, w = 0, f = 2;
    kx_reset_session_for_tests();  // no session check
    kx5025_(&c, &l, &w, &f);
    expect_general(9, 4, 0, 2);
    host::control::raise_on("ES_default_settings", 670004);
    kx5025_(&c, &l, &w, &f);
    EXPECT_EQ(host::control::acknowledged_codes(), (std::vector<int>{670004}));
    EXPECT_EQ(host::control::frame_depth(), 0);
}

TEST_F(Defaults, HostErrorsAreAcknowledgedAndReturned) {
    host::control::raise_on("ES_default_settings", 670099);
    EXPECT_EQ(KX_OBJ_reset_defaults(1, 1, 1, 1), 670099);
    EXPECT_EQ(KX_OBJ_modify_defaults(1, 1, 1, 1), 670099);
    EXPECT_EQ(KX_OBJ_return_prev_defaults(), 670099);
    EXPECT_EQ(host::control::acknowledged_codes(), (std::vector<int>{670099, 670099, 670099}));
}

TEST_F(Defaults, FailedModifyKeepsTheSavedSet) {
    ASSERT_EQ(KX_OBJ_reset_defaults(40, 20, 2, 3), 0);
    ASSERT_EQ(KX_OBJ_modify_defaults(100, -1, -1, -1), 0);
    host::control::raise_on("ES_default_settings", 670099);
    EXPECT_EQ(KX_OBJ_modify_defaults(50, 5, 0, 6), 670099);
    host::control::clear_scripts();
    EXPECT_EQ(KX_OBJ_return_prev_defaults(), 0);
    expect_general(40, 20, 2, 3);
}

// ---- Creation settings ------------------------------------------------------------

TEST_F(Defaults, MarkedSettingsReadAsTheDefaultSettings) {
    ASSERT_EQ(KX_OBJ_set_def_cre_color(42), 0);
    ASSERT_EQ(KX_OBJ_set_cre_color(3, 0, 0, 100), 0);
    ASSERT_EQ(KX_OBJ_set_cre_width(3, 0, 0, 2), 0);
    creation_settings s{};
    EXPECT_EQ(KX_OBJ_ask_cre_settings(3, 0, 0, &s), 0);
    EXPECT_EQ(s.color, 100);
    EXPECT_EQ(s.font, 1);  // never set: the default font
    EXPECT_EQ(s.width, 2);
    logical is_def = 0;
    EXPECT_EQ(KX_OBJ_is_def_cre_color(3, 0, 0, &is_def), 0);
    EXPECT_FALSE(is_def);
    EXPECT_EQ(KX_OBJ_is_def_cre_line_font(3, 0, 0, &is_def), 0);
    EXPECT_TRUE(is_def);

    ASSERT_EQ(KX_OBJ_set_cre_color_to_def(3, 0, 0), 0);
    EXPECT_EQ(KX_OBJ_ask_cre_settings(3, 0, 0, &s), 0);
    EXPECT_EQ(s.color, 42);
    EXPECT_EQ(KX_OBJ_is_def_cre_color(3, 0, 0, &is_def), 0);
    EXPECT_TRUE(is_def);

    EXPECT_EQ(KX_OBJ_ask_def_cre_settings(&s), 0);
    EXPECT_EQ(s.color, 42);
    EXPECT_EQ(s.font, 1);
    EXPECT_EQ(s.width, 1);
}

TEST_F(Defaults, NewObjectsTakeTheirTypesSettings) {
    ASSERT_EQ(KX_OBJ_set_cre_color(5, 0, 0, 77), 0);
    ASSERT_EQ(KX_OBJ_set_cre_line_font(5, 0, 0, 6), 0);
    ASSERT_EQ(KX_OBJ_set_def_cre_width(2), 0);
    ASSERT_EQ(KX_OBJ_reset_defaults(-1, 9, -1, -1), 0);
    const unsigned int a = make(5);
    const unsigned int l = make(3);
    display_properties p{};
    ASSERT_EQ(KX_OBJ_ask_display_properties(a, &p), 0);
    EXPECT_EQ(p.color, 77);
    EXPECT_EQ(p.font, 6);
    EXPECT_EQ(p.line_width, 2);
    EXPECT_EQ(p.layer, 9);
    ASSERT_EQ(KX_OBJ_ask_display_properties(l, &p), 0);
    EXPECT_EQ(p.color, 15);
    EXPECT_EQ(p.font, 1);
}

TEST_F(Defaults, CodesOfTheCreationSettings) {
    creation_settings s{};
    logical is_def = 1;
    EXPECT_EQ(KX_OBJ_ask_cre_settings(0, 0, 0, &s), 660011);
    EXPECT_EQ(KX_OBJ_set_cre_color(0, -1, 0, 5), 660011);
    EXPECT_EQ(KX_OBJ_set_cre_width_to_def(0, -1, 0), 660011);
    EXPECT_EQ(KX_OBJ_is_def_cre_width(0, 0, 0, &is_def), 660011);
    EXPECT_EQ(KX_OBJ_is_def_cre_width(255, 0, 0, &is_def), 660011);
    EXPECT_EQ(KX_OBJ_is_def_cre_width(-4, 0, 0, &is_def), 660011);
    EXPECT_EQ(KX_OBJ_is_def_cre_color(15, 0, 0, &is_def), 630070);  // groups have no display setting
    EXPECT_FALSE(is_def);
    EXPECT_EQ(KX_OBJ_set_cre_color(3, 0, 0, 300), HOST_ERR_BAD_ARGUMENT);  // the host's own answer
    EXPECT_EQ(KX_OBJ_set_def_cre_line_font(KX_OBJ_CRE_DEFAULT), HOST_ERR_BAD_ARGUMENT);
    host::parts::set_work_part(0);
    EXPECT_EQ(KX_OBJ_is_def_cre_color(3, 0, 0, &is_def), 630018);
    EXPECT_EQ(KX_OBJ_ask_def_cre_settings(&s), HOST_ERR_DEAD_TAG);
}

TEST_F(Defaults, HostAnswersOfTheSettingsQueriesAreTheStatus) {
    host::control::return_status("RM_ask_creation_display_data", 630077);
    logical is_def = 0;
    EXPECT_EQ(KX_OBJ_is_def_cre_line_font(3, 0, 0, &is_def), 630077);
    host::control::return_status("ES_ask_work_creation_disp_data", 630066);
    creation_settings s{};
    EXPECT_EQ(KX_OBJ_ask_cre_settings(3, 0, 0, &s), 630066);
    EXPECT_EQ(KX_OBJ_ask_def_cre_settings(&s), 630066);
}

}  // namespace
