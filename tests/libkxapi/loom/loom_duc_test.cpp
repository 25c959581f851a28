// Links between parts and the delayed update of linked parts, on a small
// assembly: part A holds a block; part B links it (moved); part C links
// B's linked body. Linked bodies are real kernel bodies, so their volumes
// tell which shape they copied last.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_delete.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/profiles.h"
#include "host/model/feature/undo.h"
#include "host/kernel/engine/kernel.h"
#include "host/apps/modeling/loom/loom.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "kx_core.h"
#include "kx_loom.h"
#include "libkxapi/core/kx_session.h"

namespace {

namespace hc = host::control;

class LinkedAssembly : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        std::string pattern = (std::filesystem::temp_directory_path() / "kxloom-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        ASSERT_EQ(KX_initialize(), 0);
        a_ = host::parts::create(path("a.prt"));
        b_ = host::parts::create(path("b.prt"));
        c_ = host::parts::create(path("c.prt"));
        block_ = block_in(a_, 10);
        host::parts::set_work_part(b_);
        ASSERT_EQ(KX_LOOM_create_linked_body(block_, kShift, 1, KX_LOOM_update_with_source, &lb_), 0);
        host::parts::set_work_part(c_);
        ASSERT_EQ(KX_LOOM_create_linked_body(lb_, nullptr, 1, KX_LOOM_update_with_source, &lc_), 0);
        hc::clear_journal();
    }
    void TearDown() override {
        fresh();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    static void fresh() {
        kx_reset_session_for_tests();
        hc::reset();
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    static unsigned int block_in(unsigned int part, double size) {
        host::parts::set_work_part(part);
        const double origin[3] = {0, 0, 0};
        const double sizes[3] = {size, size, size};
        int body = 0;
        ZQ_BODY_make_block(origin, sizes, &body);
        return host::kernel::object_of(body);
    }
    static double volume(unsigned int body) {
        double props[ZQ_MP_COUNT] = {};
        ZQ_BODY_ask_mass_props(host::kernel::entity_of(body), props);
        return props[ZQ_MP_VOLUME];
    }
    // Doubles the block in A (a new shape: its links are out of date).
    void edit_source() const {
        const double centre[3] = {0, 0, 0};
        ZQ_BODY_scale(host::kernel::entity_of(block_), centre, 2.0);
    }
    // The linked bodies that the updates copied into, in order.
    static std::vector<unsigned int> copied() {
        std::vector<unsigned int> out;
        for (const auto& r : hc::calls("ZQ_BODY_copy"))
            out.push_back(host::kernel::object_of(static_cast<int>(r.arg[2])));
        return out;
    }
    static std::vector<unsigned int> out_of_date_parts() {
        int n = -1;
        tag* parts = nullptr;
        EXPECT_EQ(KX_LOOM_ask_out_of_date_parts(&n, &parts), 0);
        std::vector<unsigned int> out(parts, parts + (n > 0 ? n : 0));
        SM_free(parts);
        return out;
    }
    // A second parent of B: part D with a smaller block, linked into B.
    unsigned int add_parent_d() {
        const unsigned int d = host::parts::create(path("d.prt"));
        const unsigned int block_d = block_in(d, 5);
        host::parts::set_work_part(b_);
        EXPECT_EQ(KX_LOOM_create_linked_body(block_d, nullptr, 1, 0, &link_d_), 0);
        return d;
    }
    static void save_and_close(unsigned int part) {
        int components = 0, mode = 2, result = -1;
        base_save_part(&part, &components, &mode, &result);
        ASSERT_EQ(result, 0);
        ASSERT_EQ(base_Part_Close(part, 0, 0), 0);
    }
    // Opens a part file; the load report is let go.
    static int open_part(const std::string& file, unsigned int* part) {
        PART_load_status_t report{};
        const int st = BASE_open_part(file.c_str(), part, &report);
        for (int i = 0; i < report.n_parts; ++i) SM_free(report.file_names[i]);
        SM_free(report.file_names);
        SM_free(report.statuses);
        return st;
    }
    // Loads the part's parents: the status, and the count of failed loads
    // (the report is let go).
    static int load_parents(unsigned int part, int* n) {
        char** names = nullptr;
        int* statuses = nullptr;
        const int st = KX_LOOM_load_parents(part, 0, n, &names, &statuses);
        KX_free(names);
        KX_free(statuses);
        return st;
    }
    static int delay_status(unsigned int part) {
        int s = -1;
        EXPECT_EQ(KX_LOOM_ask_delay_status(part, &s), 0);
        return s;
    }

    static constexpr double kShift[12] = {1, 0, 0, 100, 0, 1, 0, 0, 0, 0, 1, 0};
    std::filesystem::path dir_;
    unsigned int a_ = 0, b_ = 0, c_ = 0, block_ = 0;
    tag lb_ = 0, lc_ = 0, link_d_ = 0;
};

TEST_F(LinkedAssembly, LinksCopyRealGeometryAndAnswerTheirSourceAndTransform) {
    EXPECT_NEAR(volume(lb_), 1000.0, 1e-6);
    EXPECT_NEAR(volume(lc_), 1000.0, 1e-6);
    tag source = 0, part = 0;
    ASSERT_EQ(KX_LOOM_ask_link_source(lb_, &source, &part), 0);
    EXPECT_EQ(source, block_);
    EXPECT_EQ(part, a_);
    double xform[12] = {};
    ASSERT_EQ(KX_LOOM_ask_link_xform(lb_, xform), 0);
    EXPECT_EQ(std::vector<double>(xform, xform + 12), std::vector<double>(kShift, kShift + 12));
    double box[6] = {};
    ZQ_TOPOL_find_box(host::kernel::entity_of(lb_), box);
    EXPECT_NEAR(box[0], 100.0, 1e-6);  // the copy was moved
    logical broken = 1;
    ASSERT_EQ(KX_LOOM_is_link_broken(lb_, &broken), 0);
    EXPECT_FALSE(broken);
    EXPECT_TRUE(out_of_date_parts().empty());
}

TEST_F(LinkedAssembly, ALinkIntoItsOwnPartOrOfNoBodyIsRefusedByTheHost) {
    host::parts::set_work_part(a_);
    tag link = 0;
    EXPECT_EQ(KX_LOOM_create_linked_body(block_, nullptr, 1, 0, &link), 1330002);
    EXPECT_EQ(KX_LOOM_create_linked_body(a_, nullptr, 1, 0, &link), 670006);
    EXPECT_EQ(KX_LOOM_is_link_broken(block_, nullptr), 670002);
    logical broken = 0;
    EXPECT_EQ(KX_LOOM_is_link_broken(block_, &broken), 1330001);
    EXPECT_EQ(KX_LOOM_create_linked_datum(block_, nullptr, 1, &link), 670006);  // a body is no datum
    EXPECT_EQ(KX_LOOM_create_linked_route_port(block_, nullptr, 1, &link), 670009);
}

TEST_F(LinkedAssembly, DelayedSessionUpdatesParentsBeforeChildrenAndStaysDelayed) {
    ASSERT_EQ(KX_LOOM_set_session_delay(1), 0);
    edit_source();
    EXPECT_EQ(out_of_date_parts(), (std::vector<unsigned int>{b_, c_}));
    UPDATE_do_update();  // a model update while delayed leaves the links alone
    EXPECT_NEAR(volume(lb_), 1000.0, 1e-6);

    hc::clear_journal();
    ASSERT_EQ(KX_LOOM_update_session(), 0);
    EXPECT_EQ(copied(), (std::vector<unsigned int>{lb_, lc_}));
    EXPECT_NEAR(volume(lb_), 8000.0, 1e-6);
    EXPECT_NEAR(volume(lc_), 8000.0, 1e-6);
    EXPECT_TRUE(out_of_date_parts().empty());
    logical delayed = 0;
    ASSERT_EQ(KX_LOOM_ask_session_delay(&delayed), 0);
    EXPECT_TRUE(delayed);
    EXPECT_TRUE(host::undo::marks().empty());
}

TEST_F(LinkedAssembly, DelayingAnAlreadyDelayedSessionOnlySetsTheMark) {
    ASSERT_EQ(KX_LOOM_set_session_delay(1), 0);
    hc::clear_journal();
    ASSERT_EQ(KX_LOOM_set_session_delay(1), 0);
    EXPECT_EQ(hc::call_count("UNDO_JQ_set_mark"), 1);
    EXPECT_EQ(hc::call_count("DUC_is_session_delayed"), 1);
    EXPECT_EQ(hc::call_count("DUC_delay_session"), 0);
    EXPECT_EQ(hc::call_count("UPDATE_do_update"), 0);
    EXPECT_EQ(hc::call_count("UNDO_JQ_delete_mark"), 1);
}

TEST_F(LinkedAssembly, UndelayingTheSessionUpdatesWhatWaited) {
    ASSERT_EQ(KX_LOOM_set_session_delay(1), 0);
    edit_source();
    ASSERT_EQ(KX_LOOM_set_session_delay(0), 0);
    EXPECT_NEAR(volume(lc_), 8000.0, 1e-6);
    logical delayed = 1;
    ASSERT_EQ(KX_LOOM_ask_session_delay(&delayed), 0);
    EXPECT_FALSE(delayed);
}

TEST_F(LinkedAssembly, AFrozenPartWaitsUntilUnfrozen) {
    ASSERT_EQ(KX_LOOM_freeze(1, &b_), 0);
    EXPECT_EQ(delay_status(b_), KX_LOOM_delayed);
    edit_source();
    UPDATE_do_update();
    EXPECT_NEAR(volume(lb_), 1000.0, 1e-6);
    EXPECT_NEAR(volume(lc_), 1000.0, 1e-6);  // its source, B's body, is unchanged

    hc::clear_journal();
    ASSERT_EQ(KX_LOOM_unfreeze(1, &b_), 0);
    EXPECT_EQ(delay_status(b_), KX_LOOM_not_delayed);
    EXPECT_EQ(copied(), (std::vector<unsigned int>{lb_, lc_}));
    EXPECT_NEAR(volume(lc_), 8000.0, 1e-6);
}

TEST_F(LinkedAssembly, UnfreezeEndsPersistentFreezeFirstAndRunsOneUpdateEvenForNoPart) {
    ASSERT_EQ(KX_LOOM_freeze_persistently(1, &b_), 0);
    ASSERT_EQ(KX_LOOM_freeze(1, &b_), 0);
    EXPECT_EQ(delay_status(b_), KX_LOOM_frozen);  // bits 0x10 and 8
    ASSERT_EQ(KX_LOOM_unfreeze(1, &b_), 0);
    EXPECT_EQ(delay_status(b_), KX_LOOM_delayed);
    hc::clear_journal();
    ASSERT_EQ(KX_LOOM_unfreeze(0, nullptr), 0);
    EXPECT_EQ(hc::call_count("UPDATE_do_update"), 1);
}

TEST_F(LinkedAssembly, UpdatingChosenPartsHandsFrozenPartsTheirWordBack) {
    ASSERT_EQ(KX_LOOM_freeze_persistently(1, &b_), 0);
    edit_source();
    hc::clear_journal();
    const tag parts[2] = {b_, c_};
    ASSERT_EQ(KX_LOOM_update_parts(2, parts), 0);
    EXPECT_NEAR(volume(lb_), 8000.0, 1e-6);
    EXPECT_NEAR(volume(lc_), 8000.0, 1e-6);
    EXPECT_EQ(hc::call_count("UPDATE_do_update"), 1);
    EXPECT_TRUE(hc::called_before("DUC_unconditionally_undelay", "UPDATE_do_update"));
    EXPECT_TRUE(hc::called_before("UPDATE_do_update", "DUC_delay_with_status"));
    EXPECT_EQ(hc::call_count("DUC_delay_part_if_needed"), 1);  // C had word 0
    EXPECT_EQ(delay_status(b_), KX_LOOM_frozen);
}

TEST_F(LinkedAssembly, DelayStatusFollowsTheBitsInOrder) {
    struct Case {
        int word;
        int status;
    };
    for (const Case& c :
         {Case{0, 0}, Case{0x18, 4}, Case{0x8, 3}, Case{0x28, 3}, Case{0x20, 5}, Case{0x22, 5}, Case{0x2, 1}}) {
        DUC_delay_with_status(b_, c.word);
        EXPECT_EQ(delay_status(b_), c.status) << c.word;
    }
    DUC_delay_with_status(b_, 0x40);
    hc::clear_journal();
    int s = -7;
    EXPECT_EQ(KX_LOOM_ask_delay_status(b_, &s), 670001);
    EXPECT_EQ(s, -7);
    EXPECT_EQ(hc::call_count("ERROR_internal"), 1);
}

TEST_F(LinkedAssembly, AHostErrorInAnEditRollsBackAndLeavesNoMark) {
    ASSERT_EQ(KX_LOOM_freeze(1, &b_), 0);
    edit_source();
    hc::raise_on("UPDATE_do_update", 875123);
    EXPECT_EQ(KX_LOOM_unfreeze(1, &b_), 875123);
    hc::clear_scripts();
    EXPECT_EQ(delay_status(b_), KX_LOOM_delayed);  // the unfreeze was taken back
    EXPECT_NEAR(volume(lb_), 1000.0, 1e-6);
    EXPECT_TRUE(host::undo::marks().empty());
}

TEST_F(LinkedAssembly, UpdateSessionDelaysAgainAfterAFailedUpdate) {
    ASSERT_EQ(KX_LOOM_set_session_delay(1), 0);
    edit_source();
    hc::raise_on("UPDATE_do_update", 875124);
    EXPECT_EQ(KX_LOOM_update_session(), 875124);
    hc::clear_scripts();
    EXPECT_EQ(DUC_is_session_delayed(), 1);
    EXPECT_TRUE(host::undo::marks().empty());
}

TEST_F(LinkedAssembly, EveryFunctionRefusesBeforeInitialisationAndLeavesOutputs) {
    kx_reset_session_for_tests();
    logical broken = 7;
    EXPECT_EQ(KX_LOOM_is_link_broken(lb_, &broken), 1105000);
    EXPECT_EQ(broken, 7);
    int s = 9;
    EXPECT_EQ(KX_LOOM_ask_delay_status(b_, &s), 1105000);
    EXPECT_EQ(s, 9);
    EXPECT_EQ(KX_LOOM_update_parts(1, &b_), 1105000);
    EXPECT_EQ(hc::call_count("UNDO_JQ_set_mark"), 0);
}

TEST_F(LinkedAssembly, BadArgumentsOfTheDelayFunctionsAreRefused) {
    EXPECT_EQ(KX_LOOM_ask_session_delay(nullptr), 1105004);
    EXPECT_EQ(KX_LOOM_ask_delay_status(b_, nullptr), 1105005);
    EXPECT_EQ(KX_LOOM_freeze(2, nullptr), 1105005);
    int n = 0;
    char** names = nullptr;
    EXPECT_EQ(KX_LOOM_load_parents(b_, 0, &n, &names, nullptr), 1105013);
}

// Parents saved and closed: B links a block of each; one file is gone.
TEST_F(LinkedAssembly, LoadingParentsReportsEachFailedLoad) {
    const unsigned int d = add_parent_d();
    save_and_close(a_);
    save_and_close(d);
    std::filesystem::remove(path("d.prt"));
    logical broken = 0;
    ASSERT_EQ(KX_LOOM_is_link_broken(lb_, &broken), 0);
    EXPECT_TRUE(broken);

    int n = -1;
    char** names = nullptr;
    int* statuses = nullptr;
    ASSERT_EQ(KX_LOOM_load_parents(b_, 0, &n, &names, &statuses), 641001);
    ASSERT_EQ(n, 1);
    EXPECT_STREQ(names[0], path("d.prt").c_str());
    EXPECT_EQ(statuses[0], 641001);
    KX_free(names);
    KX_free(statuses);
    EXPECT_EQ(host::loom::status_area(),
              (std::vector<std::string>{"Loading 0 of 2", "Loading 1 of 2", "Loading 2 of 2"}));
    tag source = 0, part = 0;
    ASSERT_EQ(KX_LOOM_ask_link_source(lb_, &source, &part), 0);
    EXPECT_NE(source, 0u);  // A is loaded again, and the link finds its block
    EXPECT_NEAR(volume(source), 1000.0, 1e-6);
    ASSERT_EQ(KX_LOOM_ask_link_source(link_d_, &source, &part), 0);
    EXPECT_EQ(source, 0u);
}

// A mirror of A's block in a plane of part P: loading B's parents loads
// both, and the mirror follows its sources again.
TEST_F(LinkedAssembly, LoadingParentsLoadsEveryPartALinkTakesASourceFrom) {
    const unsigned int p = host::parts::create(path("p.prt"));
    const double at[3] = {50, 0, 0}, normal[3] = {1, 0, 0};
    const unsigned int plane = host::profiles::create_direction_object(p, 197, at, normal);
    host::parts::set_work_part(b_);
    tag mirror = 0;
    ASSERT_EQ(KX_LOOM_create_linked_mirror(block_, plane, 1, nullptr, 0, KX_LOOM_update_with_source, &mirror), 0);
    save_and_close(a_);
    save_and_close(p);
    host::parts::set_work_part(b_);

    int n = -1;
    ASSERT_EQ(load_parents(b_, &n), 0);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(host::loom::status_area().back(), "Loading 2 of 2");
    tag source = 0, plane_out = 0, part = 0;
    int associative = 0;
    double xform[12];
    ASSERT_EQ(KX_LOOM_ask_link_mirror_data(mirror, &source, &plane_out, &associative, xform, &part), 0);
    EXPECT_NE(source, 0u);
    double point[3] = {}, direction[3] = {};
    ASSERT_TRUE(host::profiles::direction_data(plane_out, point, direction));  // the plane came back whole
    EXPECT_EQ(std::vector<double>(point, point + 3), (std::vector<double>{50, 0, 0}));
    EXPECT_EQ(std::vector<double>(direction, direction + 3), (std::vector<double>{1, 0, 0}));
    logical broken = 1;
    ASSERT_EQ(KX_LOOM_is_link_broken(mirror, &broken), 0);
    EXPECT_FALSE(broken);
}

TEST_F(LinkedAssembly, ProgressCountsWhatIsDoneOfAllLoads) {
    hc::give_outputs("DUC_count_needed_rogs", {4});
    hc::give_outputs("DUC_count_successful_rogs", {3});
    hc::give_outputs("DUC_count_failing_rogs", {1});
    save_and_close(a_);
    int n = -1;
    ASSERT_EQ(load_parents(b_, &n), 0);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(host::loom::status_area(), (std::vector<std::string>{"Loading 4 of 8", "Loading 4 of 8"}));
}

TEST_F(LinkedAssembly, TwoFailedLoadsAreReportedInTheirOrder) {
    const unsigned int d = add_parent_d();
    save_and_close(a_);
    save_and_close(d);
    std::filesystem::remove(path("a.prt"));
    std::filesystem::remove(path("d.prt"));
    int n = -1;
    char** names = nullptr;
    int* statuses = nullptr;
    ASSERT_EQ(KX_LOOM_load_parents(b_, 0, &n, &names, &statuses), 641001);
    ASSERT_EQ(n, 2);
    EXPECT_STREQ(names[0], path("a.prt").c_str());
    EXPECT_STREQ(names[1], path("d.prt").c_str());
    EXPECT_EQ(statuses[1], 641001);
    KX_free(names);
    KX_free(statuses);
}

TEST_F(LinkedAssembly, AHostErrorWhileLoadingReleasesTheReport) {
    save_and_close(a_);
    std::filesystem::remove(path("a.prt"));
    const std::size_t blocks = hc::live_blocks();
    hc::raise_on("DUC_ask_failing_rogs", 670004);
    int n = -1;
    char** names = nullptr;
    int* statuses = nullptr;
    EXPECT_EQ(KX_LOOM_load_parents(b_, 0, &n, &names, &statuses), 670004);
    EXPECT_EQ(names, nullptr);
    EXPECT_EQ(statuses, nullptr);
    EXPECT_EQ(hc::live_blocks(), blocks);
}

// B saved with its link and a persistent freeze, closed and opened again.
TEST_F(LinkedAssembly, LinksAndPersistentFreezeComeBackWithThePartFile) {
    ASSERT_EQ(KX_LOOM_freeze_persistently(1, &b_), 0);
    ASSERT_EQ(KX_LOOM_freeze(1, &b_), 0);
    ASSERT_EQ(KX_LOOM_set_link_update_time(lb_, KX_LOOM_update_at_creation), 0);
    const std::string file = path("b.prt");
    host::parts::set_work_part(b_);
    save_and_close(b_);

    unsigned int b = 0;
    ASSERT_EQ(open_part(file, &b), 0);
    EXPECT_EQ(DUC_ask_part_status(b), 0x10);  // the session's freeze is not kept
    int n = 0;
    tag* objects = nullptr;
    ASSERT_EQ(KX_LOOM_ask_out_of_date_objects(b, &n, &objects), 0);
    EXPECT_EQ(n, 0);  // a link kept at its creation is never out of date
    SM_free(objects);
    tag link = 0;
    for (unsigned int t : host::objects::objects_of_part(b))
        if (ES_solid_is_a_body(t)) link = t;
    ASSERT_NE(link, 0u);
    tag source = 0, part = 0;
    ASSERT_EQ(KX_LOOM_ask_link_source(link, &source, &part), 0);
    EXPECT_EQ(source, block_);
    EXPECT_EQ(part, a_);
    int time = -1, stamp = -1;
    ASSERT_EQ(KX_LOOM_ask_link_update_time(link, &time, &stamp), 0);
    EXPECT_EQ(time, KX_LOOM_update_at_creation);
    double xform[12] = {};
    ASSERT_EQ(KX_LOOM_ask_link_xform(link, xform), 0);
    EXPECT_EQ(xform[3], 100.0);
    EXPECT_NEAR(volume(link), 1000.0, 1e-6);
}

// A saved link whose update time is none of the known ones: the file is
// damaged, and opening it changes nothing.
TEST_F(LinkedAssembly, ALinkRowThatDoesNotDecodeMakesThePartFileCorrupt) {
    const std::string file = path("b.prt");
    host::parts::set_work_part(b_);
    save_and_close(b_);
    std::string bytes;
    {
        std::ifstream in(file, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::size_t at = bytes.find("LINK");
    ASSERT_NE(at, std::string::npos);
    // id, size, status word, count, object number, row size, then the row:
    // the file name, the entity id, the transform flag and 12 reals, the
    // associative flag and the update time.
    const std::size_t row = at + 4 + 4 + 4 + 4 + 4 + 4;
    const std::size_t time = row + 4 + path("a.prt").size() + 4 + 1 + 96 + 1;
    bytes[time] = 7;
    const std::uint32_t crc = host::part_file::crc32(std::string_view(bytes).substr(0, bytes.size() - 4));
    for (int i = 0; i < 4; ++i) bytes[bytes.size() - 4 + i] = static_cast<char>((crc >> (8 * i)) & 0xFF);
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    const int parts_before = PART_ask_num_parts();
    unsigned int b = 0;
    EXPECT_EQ(open_part(file, &b), 641004);
    EXPECT_EQ(PART_ask_num_parts(), parts_before);
}

// Links of other kinds come back with their kind and sources: a linked
// curve of A's line and a point at the middle of it; after the reopening
// they follow the line again.
TEST_F(LinkedAssembly, LinksOfOtherKindsComeBackWithThePartFile) {
    const double ends[6] = {0, 0, 0, 10, 0, 0};
    unsigned int line = 0;
    ES_create_line_in_part(a_, ends, &line);
    host::parts::set_work_part(b_);
    tag curves = 0, middle = 0;
    ASSERT_EQ(KX_LOOM_create_linked_curve(a_, 1, &line, 1, &curves), 0);
    ASSERT_EQ(KX_LOOM_create_linked_pt_curve(line, 0.5, kShift, 1, &middle), 0);
    const std::string file = path("b.prt");
    save_and_close(b_);

    unsigned int b = 0;
    ASSERT_EQ(open_part(file, &b), 0);
    tag group = 0, point = 0;
    for (unsigned int t : host::objects::objects_of_part(b)) {
        const int type = ES_ask_entity_type(t);
        if (type == 15) group = t;  // the group holding the linked curves
        if (type == 2) point = t;
    }
    ASSERT_NE(group, 0u);
    ASSERT_NE(point, 0u);
    double prm = -1;
    ASSERT_EQ(KX_LOOM_ask_linked_pt_curve_prm(point, &prm), 0);
    EXPECT_EQ(prm, 0.5);
    int n = 0;
    tag *from = nullptr, *to = nullptr;
    ASSERT_EQ(KX_LOOM_ask_linked_feature_map(group, &n, &from, &to, 0), 0);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(from[0], line);
    const tag copy = to[0];
    SM_free(from);
    SM_free(to);

    const double start[3] = {0, 0, 0}, end[3] = {0, 20, 0};
    LINE_set_end_points(line, start, end);
    UPDATE_do_update();
    double s[3], e[3], p[3];
    ES_ask_coordinates_of_line(copy, s, e);
    EXPECT_EQ(e[1], 20.0);
    ES_ask_coordinates_of_point(point, p);
    EXPECT_NEAR(p[0], 100.0, 1e-12);
    EXPECT_NEAR(p[1], 10.0, 1e-12);
}

// The faces of a linked body keep their objects across updates after its
// part was saved and opened again.
TEST_F(LinkedAssembly, LinkedFacesKeepTheirObjectsAfterTheLinkedPartIsReopened) {
    host::parts::set_work_part(b_);
    save_and_close(b_);
    unsigned int b = 0;
    ASSERT_EQ(open_part(path("b.prt"), &b), 0);
    tag link = 0;
    for (unsigned int t : host::objects::objects_of_part(b))
        if (ES_solid_is_a_body(t)) link = t;
    ASSERT_NE(link, 0u);
    std::vector<unsigned int> faces;
    for (int f : host::kernel::faces_of(host::kernel::entity_of(block_))) faces.push_back(host::kernel::object_of(f));
    const auto partners = [&] {
        std::vector<tag> out;
        for (unsigned int f : faces) {
            tag to = 0;
            EXPECT_EQ(KX_LOOM_map_source_to_link_geom(link, f, &to), 0);
            out.push_back(to);
        }
        return out;
    };
    const std::vector<tag> before = partners();
    ASSERT_EQ(before.size(), 6u);
    for (tag t : before) EXPECT_NE(t, 0u);

    const int edge = host::kernel::edges_of(host::kernel::entity_of(block_)).front();
    ZQ_BODY_blend_edges(host::kernel::entity_of(block_), 1, &edge, 1.0, 1.0);
    UPDATE_do_update();
    EXPECT_EQ(host::kernel::faces_of(host::kernel::entity_of(link)).size(), 7u);
    EXPECT_EQ(partners(), before);
}

}  // namespace
