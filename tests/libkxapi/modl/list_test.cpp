// Tag lists, loop lists and string lists.
#include <span>
#include <vector>

#include "tests/libkxapi/core/fixture.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "kx_modl.h"
#include "libkxapi/core/kx_list.h"

namespace {

namespace ctl = host::control;

class Lists : public FreshProcess {
protected:
    void SetUp() override {
        FreshProcess::SetUp();
        start_ = ctl::live_blocks();
    }
    void TearDown() override {
        EXPECT_EQ(ctl::live_blocks(), start_) << "every block returned";
        FreshProcess::TearDown();
    }
    std::size_t start_ = 0;
};

std::vector<tag> items(tag_list* list) { return kx::tags_of(list); }

int count(tag_list* list) {
    int n = -1;
    EXPECT_EQ(KX_MODL_ask_list_count(list, &n), 0);
    return n;
}

TEST_F(Lists, PutKeepsEachTagOnceInOrder) {
    tag_list* list = nullptr;
    ASSERT_EQ(KX_MODL_create_list(&list), 0);
    EXPECT_EQ(count(list), 0);
    tag t = 99;
    EXPECT_EQ(KX_MODL_ask_list_item(list, 0, &t), 0);
    EXPECT_EQ(t, NULL_TAG);
    for (tag x : {5u, 7u, 5u, 7u, 9u}) EXPECT_EQ(KX_MODL_put_list_item(list, x), 0);
    EXPECT_EQ(items(list), (std::vector<tag>{5, 7, 9}));
    EXPECT_EQ(count(list), 3);
    EXPECT_EQ(KX_MODL_delete_list(&list), 0);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(KX_MODL_delete_list(&list), 0) << "a null list is left alone";
    EXPECT_EQ(KX_MODL_delete_list(nullptr), 0);
}

TEST_F(Lists, ItemCodes) {
    const tag tags[] = {5, 7};
    tag_list* list = kx::make_tag_list(tags);
    struct Case {
        tag_list* list;
        int index;
        int status;
        tag item;
    };
    for (const Case& c : {Case{list, 0, 0, 5}, Case{list, 1, 0, 7}, Case{list, 2, 875011, NULL_TAG},
                          Case{list, -1, 875010, NULL_TAG}, Case{nullptr, 0, 875009, NULL_TAG}}) {
        tag t = 1234;
        EXPECT_EQ(KX_MODL_ask_list_item(c.list, c.index, &t), c.status) << c.index;
        EXPECT_EQ(t, c.item);
    }
    EXPECT_EQ(KX_MODL_put_list_item(nullptr, 5), 875009);
    EXPECT_EQ(KX_MODL_create_list(nullptr), 875009);
    EXPECT_EQ(count(nullptr), 0);
    KX_MODL_delete_list(&list);
}

TEST_F(Lists, DeleteItem) {
    struct Case {
        std::vector<tag> before;
        tag remove;
        int status;
        std::vector<tag> after;
        bool list_null;
    };
    for (const Case& c : {Case{{5, 7, 9}, 5, 0, {7, 9}, false}, Case{{5, 7, 9}, 7, 0, {5, 9}, false},
                          Case{{5, 7, 9}, 9, 0, {5, 7}, false}, Case{{5, 7}, 8, 875164, {5, 7}, false},
                          Case{{5}, 5, 0, {}, true}, Case{{}, 5, 875005, {}, false}}) {
        tag_list* list = kx::make_tag_list(c.before);
        EXPECT_EQ(KX_MODL_delete_list_item(&list, c.remove), c.status) << c.remove;
        EXPECT_EQ(list == nullptr, c.list_null);
        EXPECT_EQ(items(list), c.after);
        KX_MODL_delete_list(&list);
    }
    // After the only tag went, the caller's list is null: a put answers 875009.
    tag_list* list = kx::make_tag_list(std::vector<tag>{3});
    ASSERT_EQ(KX_MODL_delete_list_item(&list, 3), 0);
    EXPECT_EQ(KX_MODL_put_list_item(list, 4), 875009);
    EXPECT_EQ(KX_MODL_delete_list_item(&list, 3), 875009);
    EXPECT_EQ(KX_MODL_delete_list_item(nullptr, 3), 875009);
}

// A free that the host refuses: deleting an item leaves the list as it
// was; deleting the list leaves the caller's pointer on the nodes still
// live (never on a freed one), and the error reaches the caller.
TEST_F(Lists, FailedFreesLeaveNoFreedNodeBehindTheCallersPointer) {
    for (tag remove : {tag{5}, tag{7}}) {
        tag_list* list = kx::make_tag_list(std::vector<tag>{5, 7, 9});
        tag_list* const head = list;
        ctl::raise_on("SM_free", HOST_ERR_NO_MEMORY);
        const auto code = ctl::raised_code([&] { KX_MODL_delete_list_item(&list, remove); });
        ctl::clear_scripts();
        ASSERT_TRUE(code.has_value());
        EXPECT_EQ(*code, HOST_ERR_NO_MEMORY);
        EXPECT_EQ(list, head);
        EXPECT_EQ(items(list), (std::vector<tag>{5, 7, 9})) << remove;
        KX_MODL_delete_list(&list);
    }

    // The whole list: freed from the tail, so that the caller's pointer
    // keeps the nodes still live when a free fails (here the second, of
    // the middle node), and a second delete gives them back.
    tag_list* list = kx::make_tag_list(std::vector<tag>{5, 7, 9});
    tag_list* const head = list;
    ctl::raise_on("SM_free", HOST_ERR_NO_MEMORY, 2);
    const auto code = ctl::raised_code([&] { KX_MODL_delete_list(&list); });
    ctl::clear_scripts();
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, HOST_ERR_NO_MEMORY);
    EXPECT_EQ(list, head) << "the caller's pointer keeps the live nodes";
    EXPECT_EQ(items(list), (std::vector<tag>{5, 7}));
    EXPECT_EQ(ctl::live_blocks(), start_ + 2) << "the node the host refused to free and the one before it";
    KX_MODL_delete_list(&list);
    EXPECT_EQ(list, nullptr);
}

TEST_F(Lists, NullTagIntoAFilledListIsFilledByTheNextPut) {
    tag_list* list = kx::make_tag_list(std::vector<tag>{5});
    EXPECT_EQ(KX_MODL_put_list_item(list, NULL_TAG), 0);
    EXPECT_EQ(count(list), 2);
    EXPECT_EQ(KX_MODL_put_list_item(list, 8), 0);
    EXPECT_EQ(items(list), (std::vector<tag>{5, 8}));
    KX_MODL_delete_list(&list);
}

TEST_F(Lists, LoopLists) {
    const kx::loop_spec specs[] = {{1, {10, 11, 12}}, {2, {20}}, {3, {}}};
    loop_list* loops = kx::make_loop_list(specs);
    ASSERT_NE(loops, nullptr);
    EXPECT_EQ(loops->next, loops + 1) << "one block";
    int n = -1;
    EXPECT_EQ(KX_MODL_ask_loop_list_count(loops, &n), 0);
    EXPECT_EQ(n, 3);
    int type = 0;
    tag_list* edges = nullptr;
    EXPECT_EQ(KX_MODL_ask_loop_list_item(loops, 0, &type, &edges), 0);
    EXPECT_EQ(type, 1);
    EXPECT_EQ(items(edges), (std::vector<tag>{10, 11, 12}));
    EXPECT_EQ(KX_MODL_ask_loop_list_item(loops, 2, &type, &edges), 0);
    EXPECT_EQ(type, 3);
    EXPECT_EQ(count(edges), 0);
    EXPECT_EQ(KX_MODL_ask_loop_list_item(loops, 3, &type, &edges), 875011);
    EXPECT_EQ(KX_MODL_ask_loop_list_item(loops, -1, &type, &edges), 875010);
    EXPECT_EQ(KX_MODL_ask_loop_list_item(nullptr, 0, &type, &edges), 875009);
    n = -1;
    EXPECT_EQ(KX_MODL_ask_loop_list_count(nullptr, &n), 875009);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(KX_MODL_delete_loop_list(&loops), 0);
    EXPECT_EQ(loops, nullptr);
    EXPECT_EQ(KX_MODL_delete_loop_list(&loops), 0);
    EXPECT_EQ(kx::make_loop_list({}), nullptr);
}

TEST_F(Lists, StringLists) {
    string_list s;
    KX_MODL_init_string_list(&s);
    EXPECT_EQ(s.count, 0);
    EXPECT_EQ(s.objects, nullptr);
    KX_MODL_create_string_list(2, 5, &s);
    EXPECT_EQ(s.count, 2);
    ASSERT_NE(s.per_string, nullptr);
    ASSERT_NE(s.dir, nullptr);
    ASSERT_NE(s.objects, nullptr);
    EXPECT_GE(host::memory::block_size(s.objects), 5 * sizeof(tag));
    s.objects[4] = 3;
    KX_MODL_free_string_list(&s);
    EXPECT_EQ(s.count, 0);
    EXPECT_EQ(s.per_string, nullptr);
    EXPECT_EQ(s.dir, nullptr);
    EXPECT_EQ(s.objects, nullptr);
    KX_MODL_free_string_list(&s);  // a second free does nothing
    KX_MODL_free_string_list(nullptr);
    KX_MODL_create_string_list(1, 1, nullptr);
}

TEST_F(Lists, AllocationFailureGoesToTheCallersFrame) {
    tag_list* list = kx::make_tag_list(std::vector<tag>{1});
    ctl::raise_on("SM_alloc_persistent", HOST_ERR_NO_MEMORY);
    const auto code = ctl::raised_code([&] { KX_MODL_put_list_item(list, 2); });
    ctl::clear_scripts();
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, HOST_ERR_NO_MEMORY);
    EXPECT_EQ(items(list), (std::vector<tag>{1}));
    KX_MODL_delete_list(&list);
}

// A builder that fails half-way hands back nothing and keeps nothing (the
// fixture checks that every block is returned).
TEST_F(Lists, FailedBuildsLeaveNoBlocks) {
    const tag tags[] = {1, 2, 3};
    const kx::loop_spec specs[] = {{1, {10, 11}}, {2, {20, 21}}};
    struct Case {
        const char* allocator;
        int nth;  // the allocation that fails
        void (*build)(const tag*, const kx::loop_spec*);
    };
    auto tag_list_of = [](const tag* t, const kx::loop_spec*) { kx::make_tag_list(std::span(t, 3)); };
    auto loop_list_of = [](const tag*, const kx::loop_spec* l) { kx::make_loop_list(std::span(l, 2)); };
    auto string_list_of = [](const tag*, const kx::loop_spec*) {
        string_list s{7, nullptr, nullptr, nullptr};
        KX_MODL_create_string_list(2, 3, &s);
        ADD_FAILURE() << "the allocation must fail";
    };
    for (const Case& c : {Case{"SM_alloc_persistent", 2, tag_list_of}, Case{"SM_alloc_persistent", 3, tag_list_of},
                          Case{"SM_alloc_persistent", 3, loop_list_of}, Case{"SM_alloc_persistent", 5, loop_list_of},
                          Case{"SM_alloc", 2, string_list_of}, Case{"SM_alloc", 3, string_list_of}}) {
        ctl::raise_on(c.allocator, HOST_ERR_NO_MEMORY, c.nth);
        const auto code = ctl::raised_code([&] { c.build(tags, specs); });
        ctl::clear_scripts();
        ASSERT_TRUE(code.has_value()) << c.allocator << " " << c.nth;
        EXPECT_EQ(*code, HOST_ERR_NO_MEMORY);
        EXPECT_EQ(ctl::live_blocks(), start_) << c.allocator << " " << c.nth;
    }
}

}  // namespace
