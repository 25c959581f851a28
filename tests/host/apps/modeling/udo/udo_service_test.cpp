// The host's user-defined-object service: classes, routines and their
// calls, data lists, links and ownership.
#include <string>
#include <vector>

#include "host/store/entities/entity_store.h"
#include "host/store/parts/parts.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "host/apps/modeling/udo/udo.h"
#include "tests/host/host_test.h"

namespace {

namespace hc = host::control;

std::vector<unsigned int> g_deleted;
int g_displays = 0;

class UdoService : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        g_deleted.clear();
        g_displays = 0;
        part = host::parts::create("udo.prt");
        host::parts::set_work_part(part);
        cls = UDOBJ_create_class("thing", nullptr);
        ASSERT_EQ(UDOBJ_create_udo(cls, &udo), 0);
    }
    unsigned int part = 0, cls = 0, udo = 0;
};

TEST_F(UdoService, ClassesAreNamedOnceAndMethodKindsAreChecked) {
    EXPECT_EQ(cls, 1u);
    EXPECT_EQ(UDOBJ_create_class("other", "Other"), 2u);
    EXPECT_STREQ(UDOBJ_ask_friendly_name(2), "Other");
    EXPECT_EQ(UDOBJ_ask_friendly_name(1), nullptr);
    EXPECT_EQ(hc::raised_code([] { UDOBJ_create_class("thing", "x"); }), HOST_ERR_BAD_ARGUMENT);
    EXPECT_EQ(hc::raised_code([] { UDOBJ_create_class("", "x"); }), HOST_ERR_BAD_ARGUMENT);
    EXPECT_EQ(hc::raised_code([] { UDOBJ_ask_class_name(9); }), HOST_ERR_BAD_ARGUMENT);
    EXPECT_EQ(UDOBJ_register_method(cls, 7, nullptr), HOST_ERR_BAD_ARGUMENT);
    EXPECT_EQ(UDOBJ_register_method(3, 0, nullptr), HOST_ERR_BAD_ARGUMENT);
    EXPECT_EQ(UDOBJ_register_method(cls, 6, nullptr), 0);
}

TEST_F(UdoService, RoutinesAreCalledWithTheObjectAndErrorsInThemAreNoted) {
    const auto display = [](unsigned int, display_context_s* c) {
        ++g_displays;
        if (c->mode != DSS_MODE_DISPLAY) ERROR_raise("thing", 7, 750001, "not drawn here");
        return 0;
    };
    const auto gone = [](unsigned int u) {
        g_deleted.push_back(u);
        return 0;
    };
    ASSERT_EQ(UDOBJ_register_method(cls, UDOBJ_METHOD_DISPLAY, reinterpret_cast<UDOBJ_method_fn>(+display)), 0);
    ASSERT_EQ(UDOBJ_register_method(cls, UDOBJ_METHOD_DELETE, reinterpret_cast<UDOBJ_method_fn>(+gone)), 0);
    DSS_display_record_t record{};
    EXPECT_EQ(host::udo::display(udo, record), 0);
    EXPECT_EQ(g_displays, 1);
    hc::clear_log();
    EXPECT_EQ(host::udo::call_with_context(udo, UDOBJ_METHOD_DISPLAY, DSS_MODE_FIT, &record), 750001);
    EXPECT_EQ(hc::frame_depth(), 0);
    ASSERT_EQ(hc::log_lines().size(), 1u);
    EXPECT_NE(hc::log_lines()[0].find("not drawn here"), std::string::npos);
    // Without a routine of the kind nothing is called.
    DSS_fit_record_t fit{};
    EXPECT_EQ(host::udo::fit(udo, fit), 0);

    unsigned int second = 0;
    ASSERT_EQ(UDOBJ_create_udo(cls, &second), 0);
    host::objects::destroy(part);
    EXPECT_EQ(g_deleted, (std::vector<unsigned int>{udo, second}));
}

TEST_F(UdoService, DataListsAppendEditAndDelete) {
    const int ints[4] = {1, 2, 3, 4};
    ASSERT_EQ(UDOBJ_add_integers(udo, 4, ints), 0);
    EXPECT_EQ(UDOBJ_add_integers(udo, 0, ints), HOST_ERR_BAD_ARGUMENT);
    EXPECT_EQ(UDOBJ_delete_records(udo, UDOBJ_KIND_INTEGERS, 3, 2), HOST_ERR_BAD_ARGUMENT);
    EXPECT_EQ(UDOBJ_delete_records(udo, UDOBJ_KIND_INTEGERS, -1, 1), HOST_ERR_BAD_ARGUMENT);
    ASSERT_EQ(UDOBJ_delete_records(udo, UDOBJ_KIND_INTEGERS, 1, 2), 0);
    const int edited[2] = {10, 40};
    ASSERT_EQ(UDOBJ_edit_integers(udo, edited), 0);
    EXPECT_EQ(UDOBJ_add_doubles(udo, 12345, 1, nullptr), HOST_ERR_BAD_ARGUMENT);
    EXPECT_EQ(UDOBJ_delete_records(udo, 12345, 0, 0), HOST_ERR_BAD_ARGUMENT);
    UDOBJ_data_t data{};
    ASSERT_EQ(UDOBJ_ask_udo_data(udo, &data), 0);
    ASSERT_EQ(data.num_ints, 2);
    EXPECT_EQ(data.ints[0], 10);
    EXPECT_EQ(data.ints[1], 40);
    EXPECT_EQ(data.doubles, nullptr);
    ASSERT_EQ(UDOBJ_free_udo_data(&data), 0);
    const unsigned int line = host::entity::create({OM_CLASS_RM_ENTITY, 3, 0, part});
    EXPECT_EQ(hc::raised_code([&] { UDOBJ_add_integers(line, 1, ints); }), HOST_ERR_WRONG_CLASS);
}

TEST_F(UdoService, LinksAndOwnership) {
    const unsigned int line = host::entity::create({OM_CLASS_RM_ENTITY, 3, 0, part});
    const UDOBJ_link_t bad{0, line, 0, 0};
    EXPECT_EQ(hc::raised_code([&] { UDOBJ_add_links(udo, 1, &bad); }), HOST_ERR_BAD_ARGUMENT);
    const UDOBJ_link_t dead{1, 99999, 0, 0};
    EXPECT_EQ(hc::raised_code([&] { UDOBJ_add_links(udo, 1, &dead); }), HOST_ERR_DEAD_TAG);
    const UDOBJ_link_t good{4, line, 0, 7};
    ASSERT_EQ(UDOBJ_add_links(udo, 1, &good), 0);
    EXPECT_EQ(host::udo::info(udo)->links[0].status, 0);
    UDOBJ_find_and_set_link(udo, UDOBJ_LINK_CODE_4, line, 1);
    EXPECT_EQ(host::udo::info(udo)->links[0].status, 1);
    EXPECT_EQ(hc::raised_code([&] { UDOBJ_find_and_set_link(udo, UDOBJ_LINK_CODE_1, line, 0); }),
              HOST_ERR_BAD_ARGUMENT);
    EXPECT_EQ(hc::raised_code([&] { UDOBJ_find_and_set_link(udo, 12345u, line, 0); }), HOST_ERR_BAD_ARGUMENT);
    UDOBJ_set_status(udo, 0);
    EXPECT_EQ(host::udo::info(udo)->links[0].status, 0);

    unsigned int other = 0;
    ASSERT_EQ(UDOBJ_create_udo(cls, &other), 0);
    EXPECT_EQ(hc::raised_code([&] { UDOBJ_add_owning_links(udo, 1, &udo); }), HOST_ERR_BAD_ARGUMENT);
    ASSERT_EQ(UDOBJ_add_owning_links(udo, 1, &line), 0);
    EXPECT_EQ(hc::raised_code([&] { UDOBJ_add_owning_links(other, 1, &line); }), HOST_ERR_BAD_ARGUMENT);
    EXPECT_TRUE(UDOBJ_is_owned(line));
    unsigned int* list = nullptr;
    EXPECT_EQ(UDOBJ_ask_links_of_object(line, &list), 1);
    SM_free(list);
    EXPECT_EQ(UDOBJ_delete_owning_link(other, line), HOST_ERR_BAD_ARGUMENT);
    EXPECT_EQ(UDOBJ_set_owned_object_selection(udo, 2), HOST_ERR_BAD_ARGUMENT);
}

}  // namespace
