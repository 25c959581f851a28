// Object types and states, owning part, type properties and names.
#include <cstring>
#include <string>

#include "host/store/entities/entity_store.h"
#include "host/store/entities/views.h"
#include "host/model/feature/feature.h"
#include "host/base/services/error.h"
#include "kx_obj.h"
#include "obj_fixture.h"

namespace {

using Types = ObjectsTest;
using Names = ObjectsTest;

TEST_F(Types, AnswerEntityTypesAndInterfaceTypes) {
    const unsigned int face = make(70, 2);
    const unsigned int feature = host::feature::create(part, "BLOCK");
    const unsigned int expression = host::objects::create({OM_CLASS_EXPRESSION, 0, 0, part});
    struct Row {
        const char* what;
        unsigned int object;
        int status, type, subtype;
    };
    const Row rows[] = {
        {"point", point, 0, 2, 0},
        {"ellipse", ellipse, 0, 6, 2},
        {"face", face, 0, 70, 2},
        {"feature record", feature, 0, 205, 0},
        {"part", part, 0, 65537, 0},
        {"expression", expression, 0, 65536, 0},
        {"null tag", NULL_TAG, 1105004, 0, 0},
        {"never made", 999999, 1105004, 0, 0},
    };
    for (const Row& r : rows) {
        int type = -1, subtype = -1;
        EXPECT_EQ(KX_OBJ_ask_type_and_subtype(r.object, &type, &subtype), r.status) << r.what;
        EXPECT_EQ(type, r.type) << r.what;
        EXPECT_EQ(subtype, r.subtype) << r.what;
    }
}

TEST_F(Types, RefuseDeadTagsOtherClassesAndClosedSession) {
    const OM_class_t other = host::objects::register_class("TEST_other_c", OM_CLASS_OBJECT);
    const unsigned int odd = host::objects::create({other, 0, 0, part});
    int type = 0, subtype = 0;
    EXPECT_EQ(KX_OBJ_ask_type_and_subtype(odd, &type, &subtype), 1105004);
    host::objects::destroy(line);
    EXPECT_EQ(KX_OBJ_ask_type_and_subtype(line, &type, &subtype), 1105004);
    // The tag comes first among the arguments, then the outputs.
    EXPECT_EQ(KX_OBJ_ask_type_and_subtype(NULL_TAG, nullptr, &subtype), 1105004);
    EXPECT_EQ(KX_OBJ_ask_type_and_subtype(point, &type, nullptr), 1105006);
    int cre = 0;
    EXPECT_EQ(KX_OBJ_ask_cre_mod_versions(point, &cre, nullptr), 1105006);
    logical transferable = 0;
    EXPECT_EQ(KX_OBJ_is_type_transferable(0, nullptr), 1105004);
    EXPECT_EQ(KX_OBJ_is_type_transferable(3, nullptr), 1105005);
    EXPECT_EQ(KX_OBJ_is_type_transferable(3, &transferable), 0);
    EXPECT_EQ(host::control::frame_depth(), 0);
    kx_reset_session_for_tests();
    EXPECT_EQ(KX_OBJ_ask_type_and_subtype(point, &type, &subtype), 1105000);
    EXPECT_EQ(host::control::call_count("RM_ask_entity_type_and_subtype"), 0);
}

TEST_F(Types, HostErrorBecomesTheStatus) {
    host::control::raise_on("RM_ask_entity_type_and_subtype", 670042);
    int type = 0, subtype = 0;
    EXPECT_EQ(KX_OBJ_ask_type_and_subtype(point, &type, &subtype), 670042);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

TEST_F(Types, StatusPromotionAndVersionsComeFromTheHost) {
    host::entity::attrs(arc).state = 5;
    host::entity::attrs(arc).promoted = true;
    host::entity::attrs(arc).cre_version = 4;
    host::entity::attrs(arc).mod_version = 9;
    EXPECT_EQ(KX_OBJ_ask_status(arc), 5);
    EXPECT_EQ(KX_OBJ_ask_status(line), 3);
    EXPECT_TRUE(KX_OBJ_is_object_a_promotion(arc));
    EXPECT_FALSE(KX_OBJ_is_object_a_promotion(line));
    int cre = 0, mod = 0;
    EXPECT_EQ(KX_OBJ_ask_cre_mod_versions(arc, &cre, &mod), 0);
    EXPECT_EQ(cre, 4);
    EXPECT_EQ(mod, 9);
    EXPECT_EQ(KX_OBJ_ask_cre_mod_versions(NULL_TAG, &cre, &mod), 1105004);
    host::objects::destroy(line);
    EXPECT_EQ(KX_OBJ_ask_cre_mod_versions(line, &cre, &mod), 1105004);
    // A dead tag is no promotion: the host error stays inside.
    EXPECT_FALSE(KX_OBJ_is_object_a_promotion(line));
    EXPECT_EQ(host::control::frame_depth(), 0);
}

TEST_F(Types, OwningPartRaisesItsCodesInsideTheFrame) {
    unsigned int owner = 0;
    EXPECT_EQ(KX_OBJ_ask_owning_part(spline, &owner), 0);
    EXPECT_EQ(owner, part);
    EXPECT_EQ(KX_OBJ_ask_owning_part(spline, nullptr), 1105005);
    EXPECT_EQ(KX_OBJ_ask_owning_part(NULL_TAG, &owner), 1105004);
    const auto raises = host::control::calls("ERROR_raise");
    ASSERT_EQ(raises.size(), 2u);
    EXPECT_EQ(raises[0].arg[0], 1105005);
    EXPECT_EQ(raises[1].arg[0], 1105004);
    EXPECT_EQ(host::control::frame_depth(), 0);
    // A closed session is refused before the host is asked anything.
    kx_reset_session_for_tests();
    host::control::clear_journal();
    EXPECT_EQ(KX_OBJ_ask_owning_part(spline, &owner), 1105000);
    EXPECT_EQ(host::control::call_count("TAG_ask_pointer_of_tag"), 0);
}

TEST_F(Types, PropertiesOfEntityTypes) {
    struct Row {
        int type;
        bool displayable, matrix, transferable;
        int status;
    };
    const Row rows[] = {
        {3, true, false, true, 0},           {5, true, true, true, 0},           {45, true, true, true, 0},
        {15, false, false, false, 0},        {255, false, false, false, 0},      {0, false, false, false, 1105004},
        {256, false, false, false, 1105004}, {-3, false, false, false, 1105004},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(KX_OBJ_is_type_displayable(r.type) != 0, r.displayable) << r.type;
        EXPECT_EQ(KX_OBJ_can_type_have_matrix(r.type) != 0, r.matrix) << r.type;
        logical t = 1;
        EXPECT_EQ(KX_OBJ_is_type_transferable(r.type, &t), r.status) << r.type;
        EXPECT_EQ(t != 0, r.transferable) << r.type;
    }
    eprops_[14] |= ES_PROP_DISPLAYABLE;  // the answers follow the host's table
    EXPECT_TRUE(KX_OBJ_is_type_displayable(15));
    eprops_[14] &= ~ES_PROP_DISPLAYABLE;
}

// ---- Names -----------------------------------------------------------------

TEST_F(Names, LengthRulesAndUpperCase) {
    struct Row {
        const char* given;
        int status;
        const char* read;  // null: no name
    };
    const std::string thirty(30, 'k');
    const std::string thirty_one(31, 'k');
    const std::string thirty_upper(30, 'K');
    const Row rows[] = {
        {"bolt_1", 0, "BOLT_1"},
        {"MiXeD case", 0, "MIXED CASE"},
        {thirty.c_str(), 0, thirty_upper.c_str()},
        {thirty_one.c_str(), 1105005, nullptr},
        {nullptr, 1105005, nullptr},
        {"", 0, nullptr},
    };
    for (const Row& r : rows) {
        const unsigned int t = make(3);
        EXPECT_EQ(KX_OBJ_set_name(t, r.given), r.status) << (r.given ? r.given : "(null)");
        char buf[KX_OBJ_NAME_LEN + 1];
        std::memset(buf, 'x', sizeof buf);
        const int st = KX_OBJ_ask_name(t, buf);
        if (r.read) {
            EXPECT_EQ(st, 0);
            EXPECT_STREQ(buf, r.read);
        } else {
            EXPECT_EQ(st, 1155001);
            EXPECT_EQ(buf[0], '\0');
        }
    }
    EXPECT_EQ(KX_OBJ_ask_name(point, nullptr), 1105005);
}

TEST_F(Names, ViewsRefusedDraftingObjectsKeepCase) {
    const unsigned int drawing = host::views::make_drawing(part, true);
    const unsigned int view = host::views::make_view(drawing, 1);
    EXPECT_EQ(KX_OBJ_set_name(view, "TOP"), 1155003);
    EXPECT_EQ(host::control::call_count("ES_add_entity_name"), 0);
    const unsigned int note = make(155);
    EXPECT_EQ(KX_OBJ_set_name(note, "Note a"), 0);
    char buf[KX_OBJ_NAME_LEN + 1];
    EXPECT_EQ(KX_OBJ_ask_name(note, buf), 0);
    EXPECT_STREQ(buf, "Note a");
    EXPECT_EQ(host::control::call_count("SMSP_set_name_jqopen"), 1);
}

TEST_F(Names, SettingNamesRegeneratesAndShowsTheName) {
    EXPECT_EQ(KX_OBJ_set_name(arc, "a1"), 0);
    EXPECT_TRUE(host::control::called_before("ES_add_entity_name", "at020_"));
    EXPECT_TRUE(host::control::called_before("at020_", "DSS_REGEN_regen_object"));
    double origin[3] = {9, 9, 9};
    EXPECT_EQ(KX_OBJ_ask_name_origin(arc, origin), 0);
    const double moved[3] = {1.5, -2, 3};
    EXPECT_EQ(KX_OBJ_set_name_origin(arc, moved), 0);
    EXPECT_EQ(KX_OBJ_ask_name_origin(arc, origin), 0);
    EXPECT_DOUBLE_EQ(origin[0], 1.5);
    EXPECT_DOUBLE_EQ(origin[1], -2);
    EXPECT_DOUBLE_EQ(origin[2], 3);

    EXPECT_EQ(KX_OBJ_delete_name(arc), 0);
    EXPECT_EQ(host::control::calls("DSS_NAME_update_object").at(0).arg[1], 1);
    EXPECT_EQ(KX_OBJ_delete_name(arc), 1155001);
    origin[0] = 7;
    EXPECT_EQ(KX_OBJ_ask_name_origin(arc, origin), 1155001);
    EXPECT_EQ(origin[0], 0.0);
    EXPECT_EQ(KX_OBJ_set_name_origin(arc, moved), 1155001);
    EXPECT_EQ(host::control::call_count("ES_edit_att_display_location"), 1);
}

TEST_F(Names, DuplicatesAreAllowedAndFoundInTurnWithoutRegardToCase) {
    ASSERT_EQ(KX_OBJ_set_name(line, "shaft"), 0);
    ASSERT_EQ(KX_OBJ_set_name(spline, "SHAFT"), 0);
    unsigned int found = NULL_TAG;
    EXPECT_EQ(KX_OBJ_cycle_by_name("ShAfT", &found), 0);
    EXPECT_EQ(found, line);
    EXPECT_EQ(KX_OBJ_cycle_by_name("ShAfT", &found), 0);
    EXPECT_EQ(found, spline);
    EXPECT_EQ(KX_OBJ_cycle_by_name("ShAfT", &found), 0);
    EXPECT_EQ(found, NULL_TAG);
}

// The name is copied into host memory, and the copy is freed on every way
// out: a named entity, a drafting object, a host error while naming.
TEST_F(Names, TheCopyOfTheNameIsFreedOnEveryPath) {
    const unsigned int note = make(155);
    const std::size_t before = host::control::live_blocks();
    EXPECT_EQ(KX_OBJ_set_name(arc, "a"), 0);
    EXPECT_EQ(KX_OBJ_set_name(note, "b"), 0);
    host::control::raise_on("ES_add_entity_name", 670042);
    EXPECT_EQ(KX_OBJ_set_name(line, "c"), 670042);
    EXPECT_EQ(host::control::call_count("SM_string_copy"), 3);
    EXPECT_EQ(host::control::live_blocks(), before);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

TEST_F(Names, HostErrorOfTheNameReadBecomesTheStatus) {
    host::control::raise_on("ES_read_entity_name", 670077);
    char buf[KX_OBJ_NAME_LEN + 1];
    EXPECT_EQ(KX_OBJ_ask_name(point, buf), 670077);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(host::control::frame_depth(), 0);
}

}  // namespace
