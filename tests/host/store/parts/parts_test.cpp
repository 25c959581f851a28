// The host's part service: round trips through part files, load failures,
// components and load-failure records, save and write failures, events.
#include <cstring>
#include <functional>
#include <random>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <zlib.h>

#include "host/store/entities/curve_entities.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/store/attributes/attributes.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"
#include "host/platform/support/support.h"
#include "curve_fixture.h"
#include "part_test_util.h"

namespace {

using host::control::call_count;
namespace obj = host::objects;
namespace pf = host::part_file;

// Reasons of the part events fired, in order.
std::vector<int> fired_reasons() {
    std::vector<int> out;
    for (const auto& r : host::control::calls("host::events::fire_part_event"))
        out.push_back(static_cast<int>(r.arg[0]));
    return out;
}

int save(unsigned int part) {
    int components = 0, mode = 2, result = -1;
    base_save_part(&part, &components, &mode, &result);
    return result;
}

unsigned int open(const std::string& file, int* code, PART_load_status_t* report = nullptr) {
    PART_load_status_t local{};
    PART_load_status_t& s = report ? *report : local;
    unsigned int part = 0;
    *code = BASE_open_part(file.c_str(), &part, &s);
    if (!report) {
        for (int i = 0; i < s.n_parts; ++i) SM_free(s.file_names[i]);
        SM_free(s.file_names);
        SM_free(s.statuses);
    }
    return part;
}

ATTR_value_t integer(int v) {
    ATTR_value_t a{};
    a.type = ATTR_INTEGER;
    a.value.integer = v;
    return a;
}
ATTR_value_t text(int type, const char* s) {
    ATTR_value_t a{};
    a.type = type;
    a.value.string = const_cast<char*>(s);
    return a;
}

struct Snapshot {
    std::string cls;
    int type, subtype;
    std::string name;
    unsigned eid;
    bool operator==(const Snapshot&) const = default;
};
std::vector<Snapshot> contents(unsigned int part) {
    std::vector<Snapshot> out;
    for (unsigned t : obj::objects_of_part(part)) {
        const obj::Object& o = obj::require(t);
        out.push_back({OM_ask_class_name(o.cls), o.type, o.subtype, o.name, o.eid});
    }
    return out;
}

class PartsTest : public PartDirTest {
protected:
    // A part with three objects and attributes of every kind, saved.
    unsigned int make_saved_part(const std::string& file) {
        const unsigned part = host::parts::create(file, PART_UNITS_INCH);
        objs_ = {test_fixture::with_curve_data(obj::create({OM_CLASS_RM_ENTITY, 3, 0, part, "LINE_A"})),
                 test_fixture::with_curve_data(obj::create({OM_CLASS_RM_ENTITY, 6, 2, part, ""})),
                 obj::create({OM_CLASS_EXPRESSION, 65536, 0, part, "p1"})};
        ATTR_assign(part, "PART_NO", text(ATTR_STRING, "A-100"));
        ATTR_assign(objs_[0], "COUNT", integer(-7));
        ATTR_value_t r{};
        r.type = ATTR_REAL;
        r.value.real = 2.5e-3;
        ATTR_assign(objs_[0], "LEN", r);
        ATTR_value_t t{};
        t.type = ATTR_TIME;
        t.value.time[0] = 20000;
        t.value.time[1] = 3723000;
        ATTR_assign(objs_[1], "WHEN", t);
        ATTR_value_t n{};
        n.type = ATTR_NULL;
        ATTR_assign(objs_[1], "FLAG", n);
        ATTR_assign(objs_[2], "REF", text(ATTR_REFERENCE, "other#1"));
        const PART_compress_flags_t flags{1, 0, 1};
        PART_set_compression_flags(part, &flags);
        EXPECT_EQ(save(part), 0);
        return part;
    }
    std::vector<unsigned> objs_;
};

TEST_F(PartsTest, SavedPartReopensWithObjectsNamesAttributesUnitsAndFlags) {
    const std::string file = path("round.prt");
    const unsigned part = make_saved_part(file);
    const auto before = contents(part);
    std::vector<std::vector<host::attributes::Attribute>> attrs_before{host::attributes::of(part)};
    for (unsigned t : objs_) attrs_before.push_back(host::attributes::of(t));
    EXPECT_FALSE(PART_ask_modified(part));

    ASSERT_EQ(base_Part_Close(part, 0, 0), 0);
    EXPECT_FALSE(obj::is_alive(part));
    EXPECT_EQ(PART_ask_num_parts(), 0);
    EXPECT_EQ(CONTEXT_ask_root_part(), 0u);

    int code = -1;
    PART_load_status_t report{};
    const unsigned again = open(file, &code, &report);
    ASSERT_EQ(code, 0);
    EXPECT_EQ(report.failed, 0);
    EXPECT_EQ(report.n_parts, 0);
    ASSERT_NE(again, 0u);
    EXPECT_EQ(contents(again), before);
    const auto objs = obj::objects_of_part(again);
    ASSERT_EQ(objs.size(), 3u);
    std::vector<std::vector<host::attributes::Attribute>> attrs_after{host::attributes::of(again)};
    for (unsigned t : objs) attrs_after.push_back(host::attributes::of(t));
    ASSERT_EQ(attrs_after.size(), attrs_before.size());
    for (std::size_t i = 0; i < attrs_after.size(); ++i) {
        ASSERT_EQ(attrs_after[i].size(), attrs_before[i].size()) << i;
        for (std::size_t k = 0; k < attrs_after[i].size(); ++k)
            EXPECT_EQ(host::attributes::as_text(attrs_after[i][k]), host::attributes::as_text(attrs_before[i][k]));
    }
    EXPECT_EQ(host::attributes::as_text(host::attributes::of(objs[1])[0]), "2024-10-04 01:02:03");
    EXPECT_EQ(PART_ask_units(again), PART_UNITS_INCH);
    PART_compress_flags_t flags{};
    PART_ask_compression_flags(again, &flags);
    EXPECT_EQ(flags.compress_solids, 1);
    EXPECT_EQ(flags.compress_features, 0);
    EXPECT_EQ(flags.compress_expressions, 1);
    EXPECT_EQ(CONTEXT_ask_root_part(), again);
    EXPECT_EQ(CONTEXT_ask_work_part(), again);
    EXPECT_EQ(host::parts::load_state(again), PART_FULLY_LOADED);
    EXPECT_FALSE(PART_ask_modified(again));
}

// Damaged and foreign files: the open answers the code, reports the file,
// and leaves nothing in the session.
TEST_F(PartsTest, DamagedOrForeignFilesAreRefusedAndLeaveNothingBehind) {
    const std::string good_file = path("good.prt");
    const unsigned part = make_saved_part(good_file);
    ASSERT_EQ(base_Part_Close(part, 0, 0), 0);
    const std::string good = read(good_file);
    ASSERT_GT(good.size(), 60u);

    auto flipped = [&](std::size_t at) {
        std::string b = good;
        b[at] = static_cast<char>(b[at] ^ 0x5a);
        return b;
    };
    auto newer = [&] {
        std::string b = good;
        b[8] = 2;  // format version 2
        return b;
    };
    struct Case {
        const char* what;
        std::string bytes;
        int code;
    };
    const std::vector<Case> cases = {
        {"empty file", "", PART_ERR_NOT_PART_FILE},
        {"text file", "solid cube\nendsolid\n", PART_ERR_NOT_PART_FILE},
        {"magic damaged", flipped(1), PART_ERR_NOT_PART_FILE},
        {"newer version", newer(), PART_ERR_BAD_VERSION},
        {"version zero",
         [&] {
             std::string b = good;
             b[8] = 0;
             return b;
         }(),
         PART_ERR_CORRUPT},
        {"header size damaged", flipped(12), PART_ERR_CORRUPT},
        {"section count damaged", flipped(16), PART_ERR_CORRUPT},
        {"body size damaged", flipped(20), PART_ERR_CORRUPT},
        {"first section damaged", flipped(30), PART_ERR_CORRUPT},
        {"middle damaged", flipped(good.size() / 2), PART_ERR_CORRUPT},
        {"checksum damaged", flipped(good.size() - 1), PART_ERR_CORRUPT},
        {"cut inside magic", good.substr(0, 5), PART_ERR_CORRUPT},
        {"cut inside header", good.substr(0, 14), PART_ERR_CORRUPT},
        {"cut after header", good.substr(0, 24), PART_ERR_CORRUPT},
        {"cut in body", good.substr(0, good.size() / 2), PART_ERR_CORRUPT},
        {"last byte missing", good.substr(0, good.size() - 1), PART_ERR_CORRUPT},
        {"byte appended", good + "x", PART_ERR_CORRUPT},
    };
    const std::size_t live_before = obj::live_objects().size();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string file = path("case.prt");
        write(file, c.bytes);
        host::control::clear_journal();
        int code = 0;
        PART_load_status_t report{};
        EXPECT_EQ(open(file, &code, &report), 0u);
        EXPECT_EQ(code, c.code);
        ASSERT_EQ(report.n_parts, 1);
        EXPECT_EQ(report.failed, 1);
        EXPECT_STREQ(report.file_names[0], file.c_str());
        EXPECT_EQ(report.statuses[0], c.code);
        free_status(report);
        EXPECT_EQ(PART_ask_num_parts(), 0);
        EXPECT_EQ(obj::live_objects().size(), live_before);
        EXPECT_TRUE(host::parts::failure_records().empty());
        EXPECT_TRUE(fired_reasons().empty());
    }
    // Missing files and directories.
    int code = 0;
    EXPECT_EQ(open(path("missing.prt"), &code), 0u);
    EXPECT_EQ(code, PART_ERR_FILE_NOT_FOUND);
    EXPECT_EQ(open(dir_.string(), &code), 0u);
    EXPECT_EQ(code, PART_ERR_NOT_PART_FILE);
    EXPECT_EQ(open(path("no/such/dir.prt"), &code), 0u);
    EXPECT_EQ(code, PART_ERR_FILE_NOT_FOUND);
    EXPECT_EQ(open(std::string(300, 'a'), &code), 0u);
    EXPECT_EQ(code, PART_ERR_NAME_TOO_LONG);
    EXPECT_EQ(PART_ask_num_parts(), 0);
}

// Loading a file section by section answers what reading it whole and
// decoding it answer: the same sections, the same refusals, also for files
// whose checksum is right but whose frames are not, and for a header of
// another size.
TEST_F(PartsTest, LoadingAnswersAsReadingWholeAndDecoding) {
    const std::string good_file = path("good.prt");
    const unsigned part = make_saved_part(good_file);
    ASSERT_EQ(base_Part_Close(part, 0, 0), 0);
    const std::string good = read(good_file);
    // The bytes with a fresh checksum after `change`.
    auto resealed = [&](const std::function<void(std::string&)>& change) {
        std::string b = good.substr(0, good.size() - 4);
        change(b);
        pf::Writer crc;
        crc.u32(pf::crc32(b));
        return b + crc.bytes();
    };
    auto put32 = [](std::string& b, std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
    };
    struct Case {
        const char* what;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"good", good},
        {"first section's size beyond the body", resealed([&](std::string& b) { put32(b, 28, 0x7FFFFFFF); })},
        {"first section's size short", resealed([&](std::string& b) { put32(b, 28, 1); })},
        {"one section more than written", resealed([&](std::string& b) { b[16] = static_cast<char>(b[16] + 1); })},
        {"one section less than written", resealed([&](std::string& b) { b[16] = static_cast<char>(b[16] - 1); })},
        {"no objects section", resealed([&](std::string& b) { b[24] = 'X'; })},
        {"a longer header", resealed([&](std::string& b) {
             b.insert(24, 4, '\0');
             put32(b, 12, 28);
         })},
        {"checksum damaged", good.substr(0, good.size() - 1) + static_cast<char>(good.back() ^ 1)},
        {"cut in body", good.substr(0, good.size() / 2)},
        {"byte appended", good + "x"},
        {"text file", "solid cube\nendsolid\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string file = path("case.prt");
        write(file, c.bytes);
        pf::Image whole, loaded;
        std::string bytes;
        ASSERT_EQ(pf::read_file(file, bytes), 0);
        const int code = pf::decode(bytes, whole);
        EXPECT_EQ(pf::load(file, loaded), code);
        if (code == 0) {
            EXPECT_EQ(loaded.version, whole.version);
            EXPECT_EQ(loaded.sections, whole.sections);
        }
    }
    pf::Image none;
    EXPECT_EQ(pf::load(path("missing.prt"), none), PART_ERR_FILE_NOT_FOUND);
    EXPECT_EQ(pf::load(dir_.string(), none), PART_ERR_NOT_PART_FILE);
}

// A file whose checksum is right but whose content does not decode (an
// unknown object class, an attribute of a bad object number) is refused
// after the part was half made: everything made is taken back.
TEST_F(PartsTest, ContentThatDoesNotDecodeIsTakenBackWhole) {
    const unsigned part = host::parts::create(path("src.prt"));
    test_fixture::with_curve_data(obj::create({OM_CLASS_RM_ENTITY, 3, 0, part, "L"}));
    const std::string good = pf::encode(part, nullptr, true);
    pf::Image image;
    ASSERT_EQ(pf::decode(good, image), 0);

    auto rebuild = [](const pf::Image& img) {
        pf::Writer body;
        for (const auto& [id, payload] : img.sections) {
            body.raw(id);
            body.u32(static_cast<std::uint32_t>(payload.size()));
            body.raw(payload);
        }
        std::string out(pf::kMagic, sizeof pf::kMagic);
        pf::Writer head;
        head.u32(pf::kFormatVersion);
        head.u32(pf::kHeaderSize);
        head.u32(static_cast<std::uint32_t>(img.sections.size()));
        head.u32(static_cast<std::uint32_t>(body.bytes().size()));
        out += head.bytes() + body.bytes();
        pf::Writer tail;
        tail.u32(pf::crc32(out));
        return out + tail.bytes();
    };
    auto with_section = [&](const std::string& id, const std::string& payload) {
        pf::Image img = image;
        img.sections.emplace_back(id, payload);
        return rebuild(img);
    };
    pf::Writer bad_class;
    bad_class.u32(1);
    bad_class.str("NO_SUCH_CLASS_c");
    bad_class.i32(3);
    bad_class.i32(0);
    bad_class.str("");
    bad_class.u32(1);
    pf::Writer bad_attr;
    bad_attr.u32(1);
    bad_attr.u32(99);  // no object 99
    bad_attr.str("T");
    bad_attr.i32(ATTR_INTEGER);
    bad_attr.i32(1);

    // An unknown section is skipped; the rest loads.
    const std::string extra = with_section("ZZZZ", "whatever");
    write(path("extra.prt"), extra);
    int code = -1;
    const unsigned opened = open(path("extra.prt"), &code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(obj::objects_of_part(opened).size(), 1u);

    const std::size_t live_before = obj::live_objects().size();
    const int parts_before = PART_ask_num_parts();
    for (const std::string& bytes : {with_section("OBJS", bad_class.bytes()), with_section("ATTR", bad_attr.bytes())}) {
        write(path("bad.prt"), bytes);
        EXPECT_EQ(open(path("bad.prt"), &code), 0u);
        EXPECT_EQ(code, PART_ERR_CORRUPT);
        EXPECT_EQ(obj::live_objects().size(), live_before);
        EXPECT_EQ(PART_ask_num_parts(), parts_before);
    }
}

TEST_F(PartsTest, WritesNeverLeaveAHalfWrittenFile) {
    const std::string file = path("w.prt");
    const unsigned part = make_saved_part(file);
    const std::string saved = read(file);
    obj::create({OM_CLASS_RM_ENTITY, 3, 0, part, "NEW"});

    // A target marked read-only keeps its bytes.
    std::filesystem::permissions(file, std::filesystem::perms::owner_read);
    EXPECT_EQ(save(part), PART_ERR_WRITE);
    EXPECT_EQ(read(file), saved);
    std::filesystem::permissions(file, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    // A directory in the way, a missing directory, a read-only directory.
    std::filesystem::create_directory(path("adir"));
    int len = 0, mode = 2, result = 0;
    for (const std::string& target : {path("adir"), path("none/x.prt")}) {
        base_part_save_as(target.c_str(), &len, &mode, &result);
        EXPECT_EQ(result, PART_ERR_WRITE) << target;
    }
    std::filesystem::create_directory(path("ro"));
    std::filesystem::permissions(path("ro"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    base_part_save_as(path("ro/x.prt").c_str(), &len, &mode, &result);
    EXPECT_EQ(result, PART_ERR_WRITE);
    // The part kept its name, and no temporary file stayed anywhere.
    EXPECT_EQ(host::objects::require_part(part).file, file);
    const auto names = files();
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), (std::set<std::string>{"w.prt", "adir", "ro"}));
    EXPECT_TRUE(std::filesystem::is_empty(path("adir")));
    EXPECT_TRUE(std::filesystem::is_empty(path("ro")));

    // Save-as to a good name writes the file and renames the part.
    base_part_save_as(path("copy.prt").c_str(), &len, &mode, &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(host::objects::require_part(part).file, path("copy.prt"));
    EXPECT_EQ(read(file), saved);
}

// A part whose file is many times the writer's buffer goes out in pieces
// (sizes and counts of pieces already written patched in the file, the
// checksum corrected for them): the file holds exactly the bytes that
// encoding gives, for a save and for an export, and it reads back.
TEST_F(PartsTest, ALargePartIsWrittenInPiecesAsEncodingGivesIt) {
    const std::string file = path("big.prt");
    const unsigned part = host::parts::create(file, PART_UNITS_MM);
    host::parts::set_work_part(part);
    constexpr int kPoints = 20000;
    for (int i = 0; i < kPoints; ++i) {
        const double p[3] = {double(i), 0.5 * i, -1.0};
        unsigned int point = 0;
        ES_create_point(p, &point);
    }
    ASSERT_EQ(save(part), 0);
    const std::string bytes = read(file);
    ASSERT_GT(bytes.size(), 2 * pf::Writer::kSendAt);
    EXPECT_EQ(bytes, pf::encode(part, nullptr, true));
    const std::vector<unsigned> all = obj::objects_of_part(part);
    const std::vector<unsigned> some(all.begin(), all.begin() + 9000);
    PART_export_options_t options{};
    ASSERT_EQ(PART_export_part(path("some.prt").c_str(), static_cast<int>(some.size()), some.data(), &options), 0);
    EXPECT_EQ(read(path("some.prt")), pf::encode(part, &some, false));

    const auto before = contents(part);
    ASSERT_EQ(base_Part_Close(part, 0, 0), 0);
    int code = -1;
    const unsigned again = open(file, &code);
    ASSERT_EQ(code, 0);
    EXPECT_EQ(contents(again), before);
    EXPECT_EQ(pf::encode(again, nullptr, true), bytes);
}

// The checksum is zlib's CRC-32 whatever way it is computed: at every
// length around the pieces the fast path takes, at every alignment, and
// over megabytes.
TEST_F(PartsTest, TheChecksumIsZlibsCrc32) {
    std::mt19937 random(7);
    std::string bytes(3u << 20, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    auto zlib = [](std::string_view b) {
        return static_cast<std::uint32_t>(
            ::crc32(::crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(b.data()), static_cast<uInt>(b.size())));
    };
    for (std::size_t at = 0; at < 16; ++at)
        for (std::size_t n = 0; n <= 300; ++n) {
            const std::string_view b(bytes.data() + at, n);
            ASSERT_EQ(pf::crc32(b), zlib(b)) << "at " << at << ", " << n << " bytes";
        }
    EXPECT_EQ(pf::crc32(bytes), zlib(bytes));
    EXPECT_EQ(pf::crc32(std::string_view(bytes).substr(3, 1000003)), zlib(std::string_view(bytes).substr(3, 1000003)));
}

// A save that a host error stops half way leaves the old file as it was
// and no temporary file.
TEST_F(PartsTest, ASaveStoppedByAHostErrorLeavesTheOldFile) {
    const std::string file = path("stop.prt");
    const unsigned part = make_saved_part(file);
    const std::string saved = read(file);
    host::control::raise_on("OM_ask_class_name", HOST_ERR_NO_MEMORY, 1);
    EXPECT_EQ(host::control::raised_code([&] { save(part); }), HOST_ERR_NO_MEMORY);
    host::control::clear_scripts();
    EXPECT_EQ(read(file), saved);
    EXPECT_EQ(files(), std::vector<std::string>{"stop.prt"});
}

// Components: the missing one goes to group 1, the damaged one to group 2;
// both become load-failure records; the assembly is partially loaded; the
// load-failure routine hears once from every part with failed components.
TEST_F(PartsTest, FailedComponentsBecomeLoadFailureRecords) {
    // top lists sub1 and sub2; sub1 lists a missing part, sub2 a damaged one
    // and a good one.
    const unsigned good = host::parts::create(path("good.prt"));
    ASSERT_EQ(save(good), 0);
    const unsigned sub1 = host::parts::create(path("sub1.prt"));
    host::parts::add_component(sub1, "gone.prt");
    ASSERT_EQ(save(sub1), 0);
    const unsigned sub2 = host::parts::create(path("sub2.prt"));
    host::parts::add_component(sub2, "bad.prt");
    host::parts::add_component(sub2, "good.prt");
    ASSERT_EQ(save(sub2), 0);
    const unsigned top = host::parts::create(path("top.prt"));
    host::parts::add_component(top, "sub1.prt");
    host::parts::add_component(top, path("sub2.prt"));  // an absolute name works too
    ASSERT_EQ(save(top), 0);
    PART_delete_all_parts();
    write(path("bad.prt"), "not a part");

    static std::vector<std::pair<int, int>> heard;
    heard.clear();
    PROM_reg_prom_load_fail_msg_fn([](const PROM_load_failure_t* f) { heard.emplace_back(f->n_group1, f->n_group2); });
    host::control::clear_journal();
    int code = -1;
    PART_load_status_t report{};
    const unsigned opened = open(path("top.prt"), &code, &report);
    ASSERT_EQ(code, 0);
    EXPECT_EQ(report.failed, 1);
    ASSERT_EQ(report.n_parts, 2);
    EXPECT_STREQ(report.file_names[0], path("gone.prt").c_str());
    EXPECT_EQ(report.statuses[0], PART_ERR_FILE_NOT_FOUND);
    EXPECT_STREQ(report.file_names[1], path("bad.prt").c_str());
    EXPECT_EQ(report.statuses[1], PART_ERR_NOT_PART_FILE);
    free_status(report);
    EXPECT_EQ(heard, (std::vector<std::pair<int, int>>{{1, 0}, {0, 1}}));

    EXPECT_EQ(PART_ask_num_parts(), 4);  // top, sub1, sub2, good
    EXPECT_EQ(host::parts::load_state(opened), PART_FULLY_LOADED);
    int state = -1;
    ASSERT_EQ(PART_is_part_loaded_tol(path("sub1.prt").c_str(), &state), 0);
    EXPECT_EQ(state, PART_PARTIALLY_LOADED);
    ASSERT_EQ(PART_is_part_loaded_tol("gone.prt", &state), 0);  // tolerant: by name alone
    EXPECT_EQ(state, PART_NOT_LOADED);
    const auto records = host::parts::failure_records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(host::parts::state(records[0])->failure_group, 1);
    EXPECT_EQ(host::parts::state(records[1])->failure_group, 2);
    // Only the opened part fires the open event.
    EXPECT_EQ(call_count("host::events::fire_part_event"), 2);  // work part change, open
    EXPECT_EQ(fired_reasons(), (std::vector<int>{1, 6}));

    // Cleaning up drops the records; option 1 also closes unlisted parts.
    EXPECT_EQ(PART_cleanup(7), 0);
    EXPECT_EQ(PART_cleanup(0), 1);
    EXPECT_TRUE(host::parts::failure_records().empty());
    EXPECT_EQ(PART_ask_num_parts(), 4);
    // Option 1 closes a saved part that nobody lists and that is not shown,
    // and keeps a modified one, the displayed part and the listed ones.
    const unsigned loose = host::parts::create(path("loose.prt"));
    ASSERT_EQ(save(loose), 0);
    const unsigned edited = host::parts::create(path("edited.prt"));
    PART_set_displayed_part(opened);
    EXPECT_EQ(PART_cleanup(1), 1);
    EXPECT_FALSE(obj::is_alive(loose));
    EXPECT_TRUE(host::parts::is_loaded(edited));
    EXPECT_EQ(PART_ask_num_parts(), 5);
    EXPECT_EQ(CONTEXT_ask_root_part(), opened);
    ASSERT_EQ(base_Part_Close(edited, 0, 2), 0);

    // Closing with scope 1 takes the components along.
    EXPECT_EQ(base_Part_Close(opened, 1, 2), 0);
    EXPECT_EQ(PART_ask_num_parts(), 0);
}

TEST_F(PartsTest, EachOperationFiresItsEvents) {
    using host::events::kCreated;
    const std::string file = path("ev.prt");
    struct Step {
        const char* what;
        std::function<void()> run;
        std::vector<int> reasons;
    };
    unsigned part = 0;
    int len = 0, mode = 2, result = 0;
    const std::vector<Step> steps = {
        {"new",
         [&] {
             int u = 1;
             base_new_part(file.c_str(), &len, &u, &result);
             part = CONTEXT_ask_root_part();
         },
         {0, 6}},
        {"modify", [&] { PART_set_modified(part); }, {}},  // a new part is modified already
        {"save", [&] { EXPECT_EQ(save(part), 0); }, {2}},
        {"modify after save", [&] { PART_set_modified(part); }, {4}},
        {"rename", [&] { PART_rename_part(part, path("ev2.prt").c_str()); }, {5}},
        {"save as", [&] { base_part_save_as(path("ev3.prt").c_str(), &len, &mode, &result); }, {5, 2}},
        {"close", [&] { EXPECT_EQ(base_Part_Close(part, 0, 2), 0); }, {3}},
        {"open",
         [&] {
             int code;
             part = open(path("ev3.prt"), &code);
         },
         {1, 6}},
        {"reopen",
         [&] {
             PART_reopen_result_t r{};
             base_Part_Reopen(part, 0, 0, &r);
             ASSERT_EQ(r.count, 1);
             EXPECT_EQ(r.entries[0]->failed, 0);
             part = r.entries[0]->part;
             PART_free_reopen_result(&r);
         },
         {3, 1, 6}},
        {"close all", [&] { PART_delete_all_parts(); }, {3}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        host::control::clear_journal();
        s.run();
        EXPECT_EQ(result, 0);
        EXPECT_EQ(fired_reasons(), s.reasons);
    }
    (void)kCreated;
}

TEST_F(PartsTest, NewPartChecksItsNameAndUnits) {
    int len = 0, result = -1;
    struct Case {
        std::string name;
        int units;
        int code;
    };
    const std::string taken = path("taken.prt");
    host::parts::create(taken);
    const std::vector<Case> cases = {
        {path("a.prt"), 3, PART_ERR_BAD_UNITS},
        {"", 1, PART_ERR_BAD_NAME},
        {std::string(PART_MAX_NAME_CHARS + 1, 'n'), 1, PART_ERR_NAME_TOO_LONG},
        {taken, 1, PART_ERR_ALREADY_LOADED},
        {std::string(PART_MAX_NAME_CHARS, 'n'), 2, 0},
    };
    for (const Case& c : cases) {
        int units = c.units;
        base_new_part(c.name.c_str(), &len, &units, &result);
        EXPECT_EQ(result, c.code) << c.name.substr(0, 20);
    }
    EXPECT_EQ(PART_ask_num_parts(), 2);
    EXPECT_EQ(PART_ask_units(CONTEXT_ask_root_part()), PART_UNITS_INCH);
}

TEST_F(PartsTest, ReopenKeepsThePartWhenTheFileIsDamagedOrThePartModified) {
    const std::string file = path("re.prt");
    const unsigned part = make_saved_part(file);
    obj::create({OM_CLASS_RM_ENTITY, 3, 0, part, "UNSAVED"});
    PART_set_modified(part);
    PART_reopen_result_t r{};
    base_Part_Reopen(part, 0, 0, &r);
    ASSERT_EQ(r.count, 1);
    EXPECT_EQ(r.entries[0]->failed, 1);
    EXPECT_EQ(r.entries[0]->code, PART_ERR_MODIFIED);
    PART_free_reopen_result(&r);

    write(file, "garbage");
    base_Part_Reopen(part, 0, 2, &r);
    EXPECT_EQ(r.entries[0]->code, PART_ERR_NOT_PART_FILE);
    PART_free_reopen_result(&r);
    EXPECT_TRUE(obj::is_alive(part));
    EXPECT_EQ(obj::objects_of_part(part).size(), 4u);
    EXPECT_EQ(CONTEXT_ask_work_part(), part);
}

TEST_F(PartsTest, ExportWritesTheChosenObjectsToANewFile) {
    const unsigned part = make_saved_part(path("src.prt"));
    const PART_export_options_t with_attrs{1, 0, 0};
    EXPECT_EQ(PART_export_part(path("ex.prt").c_str(), 1, &objs_[0], &with_attrs), 0);
    const PART_export_options_t bare_exp{0, 0, 1};
    EXPECT_EQ(PART_export_part(path("ex2.prt").c_str(), 1, &objs_[1], &bare_exp), 0);
    EXPECT_EQ(host::control::raised_code([&] { PART_export_part(path("ex3.prt").c_str(), 1, &part, &with_attrs); }),
              PART_ERR_EXPORT);
    EXPECT_EQ(
        host::control::raised_code([&] { PART_export_part(path("ex3.prt").c_str(), 0, objs_.data(), &with_attrs); }),
        PART_ERR_EXPORT);
    EXPECT_FALSE(std::filesystem::exists(path("ex3.prt")));

    int code = 0;
    const unsigned ex = open(path("ex.prt"), &code);
    ASSERT_EQ(code, 0);
    auto objs = obj::objects_of_part(ex);
    ASSERT_EQ(objs.size(), 1u);
    EXPECT_EQ(obj::require(objs[0]).name, "LINE_A");
    EXPECT_EQ(host::attributes::of(objs[0]).size(), 2u);
    const unsigned ex2 = open(path("ex2.prt"), &code);
    objs = obj::objects_of_part(ex2);
    ASSERT_EQ(objs.size(), 2u);  // the object and the part's expression
    EXPECT_TRUE(host::attributes::of(objs[0]).empty());
    EXPECT_EQ(obj::require(objs[1]).cls, OM_CLASS_EXPRESSION);
}

TEST_F(PartsTest, SaveAllReportsThePartsThatFailed) {
    const unsigned a = host::parts::create(path("a.prt"));
    const unsigned b = host::parts::create(path("b.prt"));
    write(path("b.prt"), "old");
    std::filesystem::permissions(path("b.prt"), std::filesystem::perms::owner_read);
    PART_save_failures_t f{};
    PART_save_all_parts(&f);
    ASSERT_EQ(f.count, 1);
    EXPECT_EQ(f.parts[0], b);
    EXPECT_EQ(f.codes[0], PART_ERR_WRITE);
    SM_free(f.parts);
    SM_free(f.codes);
    EXPECT_FALSE(PART_ask_modified(a));
    EXPECT_TRUE(PART_ask_modified(b));
}

TEST_F(PartsTest, DisplayAndWorkPartFollowTheParts) {
    const unsigned a = host::parts::create(path("a.prt"));
    const unsigned b = host::parts::create(path("b.prt"));
    EXPECT_EQ(host::parts::display_part(), b);
    CONTEXT_set_work_part(a);
    EXPECT_EQ(CONTEXT_ask_root_part(), b);
    EXPECT_EQ(CONTEXT_ask_work_part(), a);
    EXPECT_EQ(PART_ask_nth_part(0), a);
    EXPECT_EQ(PART_ask_nth_part(2), 0u);
    EXPECT_EQ(EXP_ask_part_of_name("a"), a);
    EXPECT_EQ(EXP_ask_part_of_name("b.prt"), b);
    EXPECT_EQ(host::control::raised_code([] { EXP_ask_part_of_name("zzz"); }), PART_ERR_NOT_LOADED);
    ASSERT_EQ(base_Part_Close(b, 0, 2), 0);
    EXPECT_EQ(CONTEXT_ask_root_part(), a);
    EXPECT_EQ(CONTEXT_ask_work_part(), a);
    PART_set_displayed_part(0);
    EXPECT_EQ(CONTEXT_ask_root_part(), 0u);
    EXPECT_EQ(host::control::raised_code([&] { PART_set_displayed_part(b); }), HOST_ERR_DEAD_TAG);
    EXPECT_EQ(base_Part_Close(a, 0, 0), PART_ERR_MODIFIED);
    EXPECT_EQ(PART_ask_num_parts(), 1);
}

TEST_F(PartsTest, DecodesProductDataManagerNames) {
    struct Case {
        const char* name;
        bool active;
        int code;
        const char* decoded;
    };
    const Case cases[] = {
        {"/tmp/x.prt", false, 0, "/tmp/x.prt"},
        {"@DB/item/A", true, 0, "item_A.prt"},
        {"@DB/item/A", false, PART_ERR_PDM_NOT_ACTIVE, nullptr},
        {"@DB/item", true, PART_ERR_PDM_BAD_NAME, nullptr},
        {"@DB//A", true, PART_ERR_PDM_BAD_NAME, nullptr},
        {"@DB/a/b/c", true, PART_ERR_PDM_BAD_NAME, nullptr},
    };
    for (const Case& c : cases) {
        host::support::set_jqmanager_active(c.active);
        char* decoded = reinterpret_cast<char*>(1);
        EXPECT_EQ(JQMGR_decode_cli_part_file(c.name, &decoded), c.code) << c.name;
        if (c.decoded) {
            EXPECT_STREQ(decoded, c.decoded);
        } else EXPECT_EQ(decoded, nullptr);
        SM_free(decoded);
    }
}

}  // namespace
