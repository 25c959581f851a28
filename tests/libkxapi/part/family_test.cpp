// Part families: a template with members made into instance parts, saved,
// reopened and brought up to date; the codes of the family functions.
#include <cstring>
#include <string>
#include <vector>

#include "host/store/entities/entity_store.h"
#include "host/store/families/families.h"
#include "host/base/services/error.h"
#include "kx_part_fam.h"
#include "part_fixture.h"

namespace {

class FamilyTest : public PartApiTest {
protected:
    // A template "bolt.prt" with the family "sizes" (length, diameter) of
    // three members M6, M8 and M10.
    tag make_template() {
        tag part = NULL_TAG;
        EXPECT_EQ(KX_PART_new(path("bolt.prt").c_str(), KX_PART_METRIC, &part), 0);
        const char* attrs[] = {"length", "diameter"};
        FAM_create_family(part, "sizes", 2, attrs, &family);
        const char* m6[] = {"20", "6"};
        const char* m8[] = {"30", "8"};
        const char* m10[] = {"40", "10"};
        int m = -1;
        FAM_add_member(family, "M6", m6, &m);
        FAM_add_member(family, "M8", m8, &m);
        FAM_add_member(family, "M10", m10, &m);
        EXPECT_EQ(m, 2);
        return part;
    }
    static std::string name_of(tag part) {
        char buffer[KX_PART_MAX_NAME_CHARS + 1] = {};
        EXPECT_EQ(KX_PART_ask_part_name(part, buffer), 0);
        return buffer;
    }
    static bool flag(int (*query)(tag, logical*), tag part) {
        logical is = 2;
        EXPECT_EQ(query(part, &is), 0);
        return is != 0;
    }
    static std::string template_name(tag part) {
        char buffer[KX_PART_MAX_NAME_CHARS + 1];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(KX_PART_ask_template_filename(part, buffer), 0);
        return buffer;
    }
    static void save_all() {
        int n = -1;
        tag* parts = nullptr;
        int* codes = nullptr;
        EXPECT_EQ(KX_PART_save_all(&n, &parts, &codes), 0);
        KX_free(parts);
        KX_free(codes);
    }
    struct Update {
        int status = -1, changed = -1;
        logical failed = 2;
        std::vector<tag> parts;
        std::vector<int> codes;
        tag part = NULL_TAG;
    };
    static Update update(tag fam, int member, int save) {
        Update u;
        int n = -1;
        tag* parts = nullptr;
        int* codes = nullptr;
        u.status =
            KX_PART_update_family_instance(fam, member, save, &u.changed, &u.failed, &n, &parts, &codes, &u.part);
        u.parts.assign(parts, parts + (parts ? n : 0));
        u.codes.assign(codes, codes + (codes ? n : 0));
        KX_free(parts);
        KX_free(codes);
        return u;
    }
    tag family = NULL_TAG;
};

TEST_F(FamilyTest, MembersBecomeInstancesThatComeBackAfterReopening) {
    const tag bolt = make_template();
    EXPECT_TRUE(flag(KX_PART_is_family_template, bolt));
    EXPECT_FALSE(flag(KX_PART_is_family_instance, bolt));
    int count = -1;
    tag* families = nullptr;
    ASSERT_EQ(KX_PART_ask_families(bolt, &count, &families), 0);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(families[0], family);
    KX_free(families);

    tag m8 = NULL_TAG, record = NULL_TAG;
    ASSERT_EQ(KX_PART_create_family_instance(family, 1, &m8, &record), 0);
    ASSERT_NE(m8, NULL_TAG);
    EXPECT_NE(record, NULL_TAG);
    EXPECT_EQ(name_of(m8), path("bolt_M8.prt"));
    EXPECT_TRUE(flag(KX_PART_is_family_instance, m8));
    EXPECT_TRUE(flag(KX_PART_is_family_inst_current, m8));
    EXPECT_FALSE(flag(KX_PART_is_family_template, m8));
    tag asked = NULL_TAG;
    EXPECT_EQ(KX_PART_ask_family_instance(m8, &asked), 0);
    EXPECT_EQ(asked, record);
    EXPECT_EQ(template_name(m8), path("bolt.prt"));
    EXPECT_EQ(template_name(bolt), "");  // no instance: empty, and 0
    // Asked again, the member's part is the one made.
    tag again = NULL_TAG;
    EXPECT_EQ(KX_PART_create_family_instance(family, 1, &again, nullptr), 0);
    EXPECT_EQ(again, m8);
    EXPECT_EQ(KX_PART_find_family_instance(family, -1, "M8", 0, &again), 0);
    EXPECT_EQ(again, m8);
    save_all();

    // A fresh session: the template brings its family back, the instance
    // its record, and they find each other.
    restart();
    const tag bolt2 = open(path("bolt.prt"));
    ASSERT_EQ(KX_PART_ask_families(bolt2, &count, &families), 0);
    ASSERT_EQ(count, 1);
    const tag family2 = families[0];
    KX_free(families);
    EXPECT_EQ(FAM_ask_member_count(family2), 3);
    const char* member = nullptr;
    int n_values = 0;
    const char* const* values = nullptr;
    FAM_ask_member(family2, 2, &member, &n_values, &values);
    EXPECT_STREQ(member, "M10");
    ASSERT_EQ(n_values, 2);
    EXPECT_STREQ(values[1], "10");
    // Not loaded yet: found only when asked to load.
    tag found = 99;
    EXPECT_EQ(KX_PART_find_family_instance(family2, 1, nullptr, 0, &found), 0);
    EXPECT_EQ(found, NULL_TAG);
    EXPECT_EQ(KX_PART_find_family_instance(family2, 1, nullptr, 1, &found), 0);
    ASSERT_NE(found, NULL_TAG);
    EXPECT_EQ(name_of(found), path("bolt_M8.prt"));
    EXPECT_TRUE(flag(KX_PART_is_family_instance, found));
    EXPECT_TRUE(flag(KX_PART_is_family_inst_current, found));
    EXPECT_EQ(template_name(found), path("bolt.prt"));

    // The family changes: the instance is behind until it is updated.
    FAM_set_member_value(family2, 1, 0, "35");
    EXPECT_FALSE(flag(KX_PART_is_family_inst_current, found));
    Update u = update(family2, 1, 1);
    EXPECT_EQ(u.status, 0);
    EXPECT_EQ(u.changed, 1);
    EXPECT_FALSE(u.failed);
    EXPECT_TRUE(u.parts.empty());
    EXPECT_EQ(u.part, found);
    EXPECT_TRUE(flag(KX_PART_is_family_inst_current, found));
    // Nothing left to save: the only failure is 641091, which is no error.
    u = update(family2, 1, 1);
    EXPECT_EQ(u.status, 0);
    EXPECT_EQ(u.changed, 0);
    EXPECT_TRUE(u.failed);
    EXPECT_EQ(u.parts, std::vector<tag>{found});
    EXPECT_EQ(u.codes, std::vector<int>{PART_ERR_SAVE_NOT_DONE});

    // The updated instance was saved with the new value.
    restart();
    open(path("bolt.prt"));
    const tag m8_again = open(path("bolt_M8.prt"));
    EXPECT_TRUE(flag(KX_PART_is_family_instance, m8_again));
    EXPECT_FALSE(flag(KX_PART_is_family_inst_current, m8_again));  // the template was not saved with 35
}

TEST_F(FamilyTest, SelectingMembersAndTheirCodes) {
    const tag bolt = make_template();
    struct Row {
        const char* what;
        tag family;
        int member;
        const char* name;
        int code;
    };
    const Row rows[] = {
        {"by number", family, 0, nullptr, 0},
        {"by name", family, -1, "M10", 0},
        {"a number past the members", family, 3, nullptr, PART_ERR_NO_MEMBER},
        {"an unknown name", family, -1, "M12", PART_ERR_NO_MEMBER},
        {"no name to select by", family, -1, nullptr, PART_ERR_NO_MEMBER},
        {"no family", bolt, 0, nullptr, PART_ERR_NO_FAMILY},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        tag found = 99;
        EXPECT_EQ(KX_PART_find_family_instance(r.family, r.member, r.name, 1, &found), r.code);
        EXPECT_EQ(found != NULL_TAG, r.code == 0);
    }
    // Trying a member binds and unbinds it: the template stays no instance.
    EXPECT_EQ(KX_PART_apply_family_instance(family, 2), 0);
    EXPECT_FALSE(flag(KX_PART_is_family_instance, bolt));
    EXPECT_EQ(KX_PART_apply_family_instance(family, 5), PART_ERR_NO_MEMBER);
    EXPECT_EQ(KX_PART_apply_family_instance(NULL_TAG, 0), PART_ERR_NO_FAMILY);
    tag made = 99, record = 99;
    EXPECT_EQ(KX_PART_create_family_instance(family, 7, &made, &record), PART_ERR_NO_MEMBER);
    EXPECT_EQ(made, NULL_TAG);
    EXPECT_EQ(record, NULL_TAG);
    EXPECT_EQ(KX_PART_create_family_instance(family, 0, nullptr, &record), KX_ERR_BAD_PARAM_3);
    EXPECT_EQ(update(family, 9, 0).status, PART_ERR_NO_MEMBER);
    logical is = 0;
    EXPECT_EQ(KX_PART_is_family_instance(bolt, nullptr), KX_ERR_BAD_PARAM_2);
    EXPECT_EQ(KX_PART_is_family_instance(0x7ffffff0u, &is), HOST_ERR_DEAD_TAG);
    kx_reset_session_for_tests();
    EXPECT_EQ(KX_PART_is_family_instance(bolt, &is), KX_ERR_NOT_INITIALIZED);
}

TEST_F(FamilyTest, InstancesGoToTheirSaveDirectory) {
    make_template();
    std::filesystem::create_directories(dir_ / "inst");
    std::filesystem::create_directories(dir_ / "fam");
    char* asked = nullptr;
    ASSERT_EQ(KX_PART_ask_fam_inst_save_dir(&asked), 0);
    EXPECT_STREQ(asked, "");
    KX_free(asked);
    ASSERT_EQ(KX_PART_set_fam_inst_save_dir(path("inst").c_str()), 0);
    ASSERT_EQ(KX_PART_ask_fam_inst_save_dir(&asked), 0);
    EXPECT_EQ(std::string(asked), path("inst"));
    KX_free(asked);
    tag m6 = NULL_TAG;
    ASSERT_EQ(KX_PART_create_family_instance(family, 0, &m6, nullptr), 0);
    EXPECT_EQ(name_of(m6), path("inst/bolt_M6.prt"));
    // The family's own directory comes first.
    ASSERT_EQ(KX_PART_set_family_save_dir(family, path("fam").c_str()), 0);
    ASSERT_EQ(KX_PART_ask_family_save_dir(family, &asked), 0);
    EXPECT_EQ(std::string(asked), path("fam"));
    KX_free(asked);
    tag m8 = NULL_TAG;
    ASSERT_EQ(KX_PART_create_family_instance(family, 1, &m8, nullptr), 0);
    EXPECT_EQ(name_of(m8), path("fam/bolt_M8.prt"));
    const std::string long_dir(KX_PART_MAX_NAME_CHARS + 1, 'd');
    EXPECT_EQ(KX_PART_set_fam_inst_save_dir(long_dir.c_str()), PART_ERR_NAME_TOO_LONG);
    EXPECT_EQ(KX_PART_set_family_save_dir(NULL_TAG, "x"), PART_ERR_NO_FAMILY);
    asked = reinterpret_cast<char*>(&m8);
    EXPECT_EQ(KX_PART_ask_family_save_dir(NULL_TAG, &asked), PART_ERR_NO_FAMILY);
    KX_free(asked);
    EXPECT_EQ(KX_PART_ask_family_save_dir(family, nullptr), KX_ERR_BAD_PARAM_2);
}

// A save that fails is the status and is listed; the update stands.
TEST_F(FamilyTest, AFailedSaveOfAnUpdateIsTheStatus) {
    make_template();
    ASSERT_EQ(KX_PART_set_family_save_dir(family, path("missing").c_str()), 0);
    const Update u = update(family, 2, 1);
    EXPECT_NE(u.status, 0);
    EXPECT_NE(u.status, PART_ERR_SAVE_NOT_DONE);
    EXPECT_TRUE(u.failed);
    ASSERT_NE(u.part, NULL_TAG);
    EXPECT_EQ(u.parts, std::vector<tag>{u.part});
    EXPECT_EQ(u.codes, std::vector<int>{u.status});
    EXPECT_EQ(name_of(u.part), path("missing/bolt_M10.prt"));
    EXPECT_TRUE(flag(KX_PART_is_family_inst_current, u.part));
}

// At a raised checking level the family queries check their part's class
// before the host is asked.
TEST_F(FamilyTest, AtARaisedCheckingLevelThePartIsCheckedFirst) {
    const tag bolt = make_template();
    const tag point = host::entity::create({OM_CLASS_RM_ENTITY, 2, 0, bolt});
    logical is = 0;
    EXPECT_EQ(KX_PART_is_family_template(point, &is), HOST_ERR_DEAD_TAG);  // the host's answer: no part
    EXPECT_EQ(host::control::call_count("OM_check_tag_class"), 0);
    host::control::set_checking_level(1);
    EXPECT_EQ(KX_PART_is_family_template(point, &is), HOST_ERR_WRONG_CLASS);
    EXPECT_EQ(host::control::call_count("PART_is_family_template"), 1);  // the first call only
    int count = 0;
    tag* families = nullptr;
    EXPECT_EQ(KX_PART_ask_families(point, &count, &families), HOST_ERR_WRONG_CLASS);
    EXPECT_EQ(KX_PART_is_family_template(bolt, &is), 0);
    EXPECT_TRUE(is);
}

}  // namespace
