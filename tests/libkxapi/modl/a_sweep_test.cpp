// Free-form features and extrusions read back in their creators' records:
// the definitions are made directly on the host's feature records (the
// creators are not part of this folder's subject), on the 100 x 50 x 20
// block, and each query's answers are checked as tables: the sweep's
// method records by method, cleared records for two guide strings, the
// face constraints by storage, alignment 7 answered as 6, a missing single
// string, "0.0" for the texts an extrusion lacks, trim kinds by method,
// wrong kinds, null outputs by position, and host errors that leave the
// caller nothing to free.
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/apps/modeling/freeform/freeform_defs.h"
#include "kx_modl_a_sweep.h"
#include "tests/libkxapi/modl/form_fixture.h"

namespace {

using namespace form_test;
namespace ff = host::freeform;
using Strings = ff::Strings;

constexpr int kInjected = 670099;

// A list read back: per string its objects (direction flags apart).
struct Read {
    std::vector<std::vector<tag>> strings;
    std::vector<int> dirs;
    bool operator==(const Read&) const = default;
};

Read read(const string_list& l) {
    Read r;
    int at = 0;
    for (int i = 0; i < l.count; ++i) {
        r.strings.emplace_back(l.objects + at, l.objects + at + l.per_string[i]);
        r.dirs.push_back(l.dir[i]);
        at += l.per_string[i];
    }
    return r;
}

// Reads and frees the list.
Read take(string_list& l) {
    Read r = read(l);
    KX_MODL_free_string_list(&l);
    return r;
}

bool empty(const string_list& l) { return l.count == 0 && !l.per_string && !l.dir && !l.objects; }

class Freeform : public FormFeature {
protected:
    void SetUp() override {
        FormFeature::SetUp();
        for (int i = 0; i < 8; ++i) lines_.push_back(line(i));
    }
    // Line i: from (0, 10 i, 40) along X.
    tag line(int i) {
        const double ends[6] = {0, 10.0 * i, 40, 50, 10.0 * i, 40};
        unsigned int l = 0;
        ES_create_line_in_part(part_, ends, &l);
        return l;
    }
    // Strings of the lines by index: one string per inner list.
    Strings strings(const std::vector<std::vector<int>>& of) const {
        Strings s;
        for (const auto& str : of) {
            s.per_string.push_back(static_cast<int>(str.size()));
            s.dir.push_back(s.dir.size() % 2 == 0 ? 1 : -1);
            for (int i : str) s.objects.push_back(lines_[i]);
        }
        return s;
    }
    Read expected(const std::vector<std::vector<int>>& of) const {
        const Strings s = strings(of);
        string_list l{static_cast<int>(s.per_string.size()), const_cast<int*>(s.per_string.data()),
                      const_cast<int*>(s.dir.data()), const_cast<tag*>(s.objects.data())};
        return read(l);
    }
    tag skin(ff::SkinDefinition d) {
        tag f = NULL_TAG;
        EXPECT_EQ(ff::create_skin(part_, d, &f), 0);
        return f;
    }
    ff::SkinDefinition sweep(int orientation, int scaling, int section) const {
        ff::SkinDefinition d;
        d.kind = SKIN_KIND_SWEEP;
        d.first = strings({{0}});
        d.second = strings({{1}, {2, 3}});
        d.single = strings({{4}});
        d.method_curves[0] = strings({{5}});
        d.method_curves[1] = strings({{6, 7}});
        d.params = {9, 9, section, orientation, scaling};
        d.values = {"1", "2", "3", "4", "5", "6"};
        d.record = {"0.01", "0.5", "0.02"};
        d.options = 2;
        d.alignment = 2;
        return d;
    }
    // The live blocks of the host allocator.
    static std::size_t blocks() { return host::control::live_blocks(); }

    std::vector<tag> lines_;
};

// ---- sweep --------------------------------------------------------------------

struct SweepAnswer {
    string_list guides{}, sections{}, single{};
    sweep_method m1{}, m2{};
    int alignment = -1, section = 99, option = -1;
    double values[3] = {};
    int status = 0;
    void free() {
        KX_MODL_free_string_list(&guides);
        KX_MODL_free_string_list(&sections);
        KX_MODL_free_string_list(&single);
        for (sweep_method* m : {&m1, &m2})
            if (m->curves) {
                KX_MODL_free_string_list(m->curves);
                KX_free(m->curves);
            }
    }
};

SweepAnswer ask_sweep(tag f) {
    SweepAnswer a;
    a.status = KX_MODL_ask_sweep(f, &a.guides, &a.sections, &a.single, &a.m1, &a.m2, &a.alignment, &a.section,
                                 &a.option, a.values);
    return a;
}

TEST_F(Freeform, SweepMethodRecordsFollowTheirMethods) {
    struct Row {
        int orientation, scaling, section;
        std::array<double, 3> v1;
        bool curves1;
        int sub;
        std::array<double, 3> v2;
        bool curves2;
        int section_out;  // 99: the caller's value stays
    };
    const std::vector<Row> rows = {
        {2, 2, 1, {1, 2, 3}, false, 1, {4, 5, 0}, false, 1},
        {5, 2, 0, {1, 2, 3}, false, 0, {4, 5, 0}, false, 99},
        {3, 3, 2, {0, 0, 0}, true, 0, {0, 0, 0}, true, 2},
        {6, 5, 2, {1, 2, 0}, true, 0, {4, 5, 0}, true, 2},
        {1, 4, 7, {0, 0, 0}, false, 0, {4, 5, 6}, false, 99},
        {7, 1, 1, {0, 0, 0}, false, 0, {4, 0, 0}, false, 1},
        {4, 8, 2, {0, 0, 0}, false, 0, {0, 0, 0}, false, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "orientation " << row.orientation << " scaling " << row.scaling);
        const tag f = skin(sweep(row.orientation, row.scaling, row.section));
        SweepAnswer a = ask_sweep(f);
        ASSERT_EQ(a.status, 0);
        EXPECT_EQ(read(a.guides), expected({{0}}));
        EXPECT_EQ(read(a.sections), expected({{1}, {2, 3}}));
        EXPECT_EQ(read(a.single), expected({{4}}));
        EXPECT_EQ(a.m1.method, row.orientation);
        EXPECT_EQ(a.m1.sub_method, 0);
        EXPECT_EQ((std::array<double, 3>{a.m1.values[0], a.m1.values[1], a.m1.values[2]}), row.v1);
        ASSERT_EQ(a.m1.curves != nullptr, row.curves1);
        if (row.curves1) {
            EXPECT_EQ(read(*a.m1.curves), expected({{5}}));
        }
        EXPECT_EQ(a.m2.method, row.scaling);
        EXPECT_EQ(a.m2.sub_method, row.sub);
        EXPECT_EQ(a.m2.reserved, 0);
        EXPECT_EQ((std::array<double, 3>{a.m2.values[0], a.m2.values[1], a.m2.values[2]}), row.v2);
        ASSERT_EQ(a.m2.curves != nullptr, row.curves2);
        if (row.curves2) {
            EXPECT_EQ(read(*a.m2.curves), expected({{6, 7}}));
        }
        EXPECT_EQ(a.alignment, 2);
        EXPECT_EQ(a.section, row.section_out);
        EXPECT_EQ(a.option, 1);
        EXPECT_EQ((std::array<double, 3>{a.values[0], a.values[1], a.values[2]}),
                  (std::array<double, 3>{0.01, 0.5, 0.02}));
        a.free();
    }
}

TEST_F(Freeform, SweepOfTwoGuideStringsAnswersClearedMethodRecords) {
    ff::SkinDefinition d = sweep(2, 2, 1);
    d.first = strings({{0}, {1}});
    d.options = 1;  // bit 1 clear
    SweepAnswer a = ask_sweep(skin(d));
    ASSERT_EQ(a.status, 0);
    EXPECT_EQ(read(a.guides), expected({{0}, {1}}));
    for (const sweep_method& m : {a.m1, a.m2}) {
        EXPECT_EQ(m.method, 0);
        EXPECT_EQ(m.sub_method, 0);
        EXPECT_EQ(m.values[0] + m.values[1] + m.values[2], 0.0);
        EXPECT_EQ(m.curves, nullptr);
    }
    EXPECT_EQ(a.section, 1);
    EXPECT_EQ(a.option, 0);
    a.free();
}

// A method that takes a curve but finds none answers a list of no strings.
TEST_F(Freeform, SweepMethodWithoutItsCurveAnswersAnEmptyList) {
    ff::SkinDefinition d = sweep(3, 1, 1);
    d.method_curves[0].reset();
    SweepAnswer a = ask_sweep(skin(d));
    ASSERT_EQ(a.status, 0);
    ASSERT_NE(a.m1.curves, nullptr);
    EXPECT_EQ(a.m1.curves->count, 0);
    a.free();
}

// ---- lists --------------------------------------------------------------------

TEST_F(Freeform, ListsHaveRoomForEveryObjectTheFeatureHolds) {
    struct Row {
        int objects;
        std::size_t room;
    };
    for (const Row row : {Row{3, 100}, Row{100, 100}, Row{150, 150}}) {
        SCOPED_TRACE(row.objects);
        ff::SkinDefinition d;
        d.kind = SKIN_KIND_BPLANE;
        d.first.per_string = {row.objects};
        d.first.dir = {1};
        for (int i = 0; i < row.objects; ++i) d.first.objects.push_back(lines_[i % lines_.size()]);
        d.record = {"1", "2", "3"};
        string_list l{};
        double v[3] = {};
        ASSERT_EQ(KX_MODL_ask_bplane(skin(d), &l, v), 0);
        ASSERT_EQ(l.count, 1);
        EXPECT_EQ(l.per_string[0], row.objects);
        EXPECT_EQ(std::vector<tag>(l.objects, l.objects + row.objects), d.first.objects);
        EXPECT_EQ(host::memory::block_size(l.objects), row.room * sizeof(tag));
        EXPECT_EQ((std::array<double, 3>{v[0], v[1], v[2]}), (std::array<double, 3>{1, 2, 3}));
        KX_MODL_free_string_list(&l);
    }
}

// ---- curve mesh -----------------------------------------------------------------

TEST_F(Freeform, CurveMeshFacesByStorage) {
    struct Row {
        const char* what;
        int storage;
        std::vector<tag> faces;
        std::array<int, 4> numf;
        std::array<tag, 4> answer;
    };
    const std::vector<Row> rows = {
        {"slots", 0, {top_, NULL_TAG, side_, NULL_TAG}, {}, {top_, NULL_TAG, side_, NULL_TAG}},
        {"slots of storage 1", 1, {NULL_TAG, bottom_}, {}, {NULL_TAG, bottom_, NULL_TAG, NULL_TAG}},
        {"packed", 2, {top_, bottom_, side_, top_}, {2, 0, 1, 1}, {top_, NULL_TAG, side_, top_}},
        {"packed, last only", 3, {bottom_}, {0, 0, 0, 1}, {NULL_TAG, NULL_TAG, NULL_TAG, bottom_}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ff::SkinDefinition d;
        d.kind = SKIN_KIND_CURVE_MESH;
        d.first = strings({{0}, {1}});
        d.second = strings({{2}, {3}, {4}});
        d.params = {3, 0, 0, 1, 0};
        d.options = 3;
        d.face_storage = row.storage;
        d.faces = row.faces;
        d.faces_per_boundary = row.numf;
        d.continuity = {0, 1, 2, 1};
        string_list p{}, c{}, s{};
        int option = -1, flag = -1, method = -1, cont[4] = {};
        double v[3] = {};
        tag faces[4] = {1, 1, 1, 1};
        ASSERT_EQ(KX_MODL_ask_curve_mesh(skin(d), &p, &c, &s, &option, &flag, &method, v, faces, cont), 0);
        EXPECT_EQ(take(p), expected({{0}, {1}}));
        EXPECT_EQ(take(c), expected({{2}, {3}, {4}}));
        // No single string: a list of no strings, still to be freed.
        EXPECT_EQ(s.count, 0);
        EXPECT_NE(s.objects, nullptr);
        KX_MODL_free_string_list(&s);
        EXPECT_EQ(option, 1);
        EXPECT_EQ(flag, 1);
        EXPECT_EQ(method, 3);
        EXPECT_EQ((std::array<tag, 4>{faces[0], faces[1], faces[2], faces[3]}), row.answer);
        EXPECT_EQ((std::array<int, 4>{cont[0], cont[1], cont[2], cont[3]}), (std::array<int, 4>{0, 1, 2, 1}));
    }
}

// ---- through curves and ruled ---------------------------------------------------------

TEST_F(Freeform, ThroughCurvesAlignmentValuesAndNumbers) {
    struct Row {
        int alignment, patch, degree, closed;
        int alignment_out, patch_out, closed_out;
        std::array<double, 6> values;
    };
    const std::vector<Row> rows = {
        {1, 1, 0, 0, 1, 1, 0, {}},
        {3, 2, 3, 1, 3, 2, 1, {1, 2, 3, 0, 0, 0}},
        {4, 3, 5, 7, 4, 2, 1, {1, 2, 3, 4, 5, 6}},
        {5, 2, 2, 0, 5, 2, 0, {}},
        {7, 2, 3, 0, 6, 2, 0, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.alignment);
        ff::SkinDefinition d;
        d.kind = SKIN_KIND_THRU_CURVES;
        d.first = strings({{0}, {1}, {2}});
        d.single = strings({{3}});
        d.params = {row.alignment, row.patch, 0, row.degree, row.closed};
        d.values = {"1", "2", "3", "4", "5", "6"};
        d.alignment = row.alignment;
        d.faces = {NULL_TAG, top_};
        d.continuity = {2, 1, 0, 0};
        string_list sec{}, one{};
        int patch = -1, align = -1, degree = -1, closed = -1, option = -1, cont[2] = {};
        double av[6] = {9, 9, 9, 9, 9, 9}, v[3] = {};
        tag faces[2] = {};
        ASSERT_EQ(KX_MODL_ask_thru_curves(skin(d), &sec, &one, &patch, &align, av, &degree, &closed, &option, v, faces,
                                          cont),
                  0);
        EXPECT_EQ(take(sec), expected({{0}, {1}, {2}}));
        EXPECT_EQ(take(one), expected({{3}}));
        EXPECT_EQ(patch, row.patch_out);
        EXPECT_EQ(align, row.alignment_out);
        EXPECT_EQ((std::array<double, 6>{av[0], av[1], av[2], av[3], av[4], av[5]}), row.values);
        EXPECT_EQ(degree, row.degree);
        EXPECT_EQ(closed, row.closed_out);
        EXPECT_EQ(option, 0);
        EXPECT_EQ(faces[0], NULL_TAG);
        EXPECT_EQ(faces[1], top_);
        EXPECT_EQ(cont[0], 2);
        EXPECT_EQ(cont[1], 1);
    }
}

TEST_F(Freeform, RuledAnswersItsAlignmentAsStored) {
    for (const int alignment : {3, 4, 7}) {
        SCOPED_TRACE(alignment);
        ff::SkinDefinition d;
        d.kind = SKIN_KIND_RULED;
        d.first = strings({{0}, {1}});
        d.values = {"1", "2", "3", "4", "5", "6"};
        d.alignment = alignment;
        d.options = 2;
        string_list sec{}, one{};
        int align = -1, option = -1;
        double av[6] = {}, v[3] = {};
        ASSERT_EQ(KX_MODL_ask_ruled(skin(d), &sec, &one, &align, av, &option, v), 0);
        EXPECT_EQ(take(sec), expected({{0}, {1}}));
        EXPECT_EQ(one.count, 0);
        KX_MODL_free_string_list(&one);
        EXPECT_EQ(align, alignment);
        const std::array<double, 6> want = alignment == 3   ? std::array<double, 6>{1, 2, 3, 0, 0, 0}
                                           : alignment == 4 ? std::array<double, 6>{1, 2, 3, 4, 5, 6}
                                                            : std::array<double, 6>{};
        EXPECT_EQ((std::array<double, 6>{av[0], av[1], av[2], av[3], av[4], av[5]}), want);
        EXPECT_EQ(option, 1);
        EXPECT_EQ((std::array<double, 3>{v[0], v[1], v[2]}), (std::array<double, 3>{0.0254, 0.5, 0.02}));
    }
}

// ---- thickened sheet ----------------------------------------------------------------

TEST_F(Freeform, ThickenSheetAnswersItsSheetAndOffsetFormulas) {
    const double corners[] = {0, 0, 60, 10, 0, 60, 10, 10, 60};
    int wire = 0, sheet = 0;
    ZQ_BODY_make_wire(3, corners, 1, &wire);
    ZQ_BODY_make_plane_sheet(wire, &sheet);
    unsigned int body = 0;
    pxlook_(&sheet, &body);
    EXPECT_EQ(KX_MODL_create_exp("t=4"), 0);
    tag f = NULL_TAG;
    ASSERT_EQ(ff::create_thicken(part_, {body, "t*2", "0.5"}, &f), 0);
    tag got = NULL_TAG;
    char *first = nullptr, *second = nullptr;
    ASSERT_EQ(KX_MODL_ask_thicken_sheet_parms(f, &got, &first, &second), 0);
    EXPECT_EQ(got, body);
    EXPECT_STREQ(first, "t*2");
    EXPECT_STREQ(second, "0.5");
    KX_free(first);
    KX_free(second);
    EXPECT_EQ(marks(), 0);
    // Another feature: the host's code; outputs stay cleared.
    got = 5;
    EXPECT_EQ(KX_MODL_ask_thicken_sheet_parms(skin(sweep(1, 1, 1)), &got, &first, &second), 670533);
    EXPECT_EQ(got, NULL_TAG);
    EXPECT_EQ(first, nullptr);
    EXPECT_EQ(marks(), 0);
}

// ---- extrusion ----------------------------------------------------------------------

struct ExtrusionAnswer {
    int count = -1;
    tag* objects = nullptr;
    sweep_trim* trim = nullptr;
    char* taper = nullptr;
    char* limits[2] = {};
    char* offsets[2] = {};
    double point[3] = {9, 9, 9};
    logical point_set = 9;
    unsigned char sign = 9;
    double direction[3] = {};
    int status = 0;
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const char* t : {taper, limits[0], limits[1], offsets[0], offsets[1]}) out.push_back(t ? t : "<null>");
        return out;
    }
    void free() {
        KX_free(objects);
        if (trim) KX_free(trim->objects);
        KX_free(trim);
        for (char* t : {taper, limits[0], limits[1], offsets[0], offsets[1]}) KX_free(t);
    }
};

ExtrusionAnswer ask_extrusion(tag f) {
    ExtrusionAnswer a;
    a.status = KX_MODL_ask_extrusion(f, &a.count, &a.objects, &a.trim, &a.taper, a.limits, a.offsets, a.point,
                                     &a.point_set, &a.sign, a.direction);
    return a;
}

TEST_F(Freeform, ExtrusionAnswersItsDefinition) {
    const int edge = host::kernel::edges_of(host::kernel::entity_of(body_))[0];
    const tag edge_object = host::kernel::object_of(edge);
    ff::ExtrusionDefinition d;
    d.method = SWEEP_METHOD_TRIM_BETWEEN;
    d.profile = {lines_[0], edge_object, lines_[1]};
    d.taper = "3";
    d.limits[0] = "0";
    d.limits[1] = "25";
    d.offsets[1] = "1.5";
    d.region_set = true;
    d.region = {1, 2, 3};
    d.direction = {0, 1, 0};
    d.sign = FEAT_SIGN_SUBTRACT;
    d.trim_faces = {top_, bottom_};
    tag f = NULL_TAG;
    ASSERT_EQ(ff::create_extrusion(part_, d, &f), 0);
    const std::size_t before = blocks();
    ExtrusionAnswer a = ask_extrusion(f);
    ASSERT_EQ(a.status, 0);
    EXPECT_EQ(std::vector<tag>(a.objects, a.objects + a.count), (std::vector<tag>{lines_[0], edge_object, lines_[1]}));
    ASSERT_NE(a.trim, nullptr);
    EXPECT_EQ(a.trim->count, 2);
    EXPECT_EQ(a.trim->kind, 3);
    EXPECT_EQ(a.trim->objects[0], top_);
    EXPECT_EQ(a.trim->objects[1], bottom_);
    EXPECT_EQ(a.texts(), (std::vector<std::string>{"3", "0", "25", "0.0", "1.5"}));
    EXPECT_EQ((std::array<double, 3>{a.point[0], a.point[1], a.point[2]}), (std::array<double, 3>{1, 2, 3}));
    EXPECT_EQ(a.point_set, 1);
    EXPECT_EQ(a.sign, FEAT_SIGN_SUBTRACT);
    EXPECT_EQ((std::array<double, 3>{a.direction[0], a.direction[1], a.direction[2]}),
              (std::array<double, 3>{0, 1, 0}));
    // The analysed block was hung for the call only; no mark is left.
    EXPECT_FALSE(ff::has_analysed_block(f));
    EXPECT_EQ(marks(), 0);
    a.free();
    EXPECT_EQ(blocks(), before);
}

TEST_F(Freeform, ExtrusionTrimRecordByMethod) {
    struct Row {
        int method;
        std::array<tag, 2> faces;
        int kind;  // 0: no record
        int count;
    };
    const std::vector<Row> rows = {
        {SWEEP_METHOD_EXTRUDE, {}, 0, 0},
        {SWEEP_METHOD_EXTRUDE_PLAIN, {top_, NULL_TAG}, 0, 0},
        {SWEEP_METHOD_TRIM_FROM, {top_, NULL_TAG}, 1, 1},
        {SWEEP_METHOD_TRIM_TO, {NULL_TAG, bottom_}, 2, 1},
        {SWEEP_METHOD_TRIM_THROUGH, {top_, side_}, 3, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.method);
        ff::ExtrusionDefinition d;
        d.method = row.method;
        d.profile = {lines_[2]};
        d.trim_faces = row.faces;
        tag f = NULL_TAG;
        ASSERT_EQ(ff::create_extrusion(part_, d, &f), 0);
        ExtrusionAnswer a = ask_extrusion(f);
        ASSERT_EQ(a.status, 0);
        // An extrusion without texts answers "0.0" for each; no region point.
        EXPECT_EQ(a.texts(), (std::vector<std::string>(5, "0.0")));
        EXPECT_EQ(a.point_set, 0);
        EXPECT_EQ(a.point[0] + a.point[1] + a.point[2], 0.0);
        ASSERT_EQ(a.trim != nullptr, row.kind != 0);
        if (a.trim) {
            EXPECT_EQ(a.trim->kind, row.kind);
            EXPECT_EQ(a.trim->count, row.count);
            std::vector<tag> set;
            for (tag t : row.faces)
                if (t) set.push_back(t);
            EXPECT_EQ(std::vector<tag>(a.trim->objects, a.trim->objects + a.trim->count), set);
            EXPECT_EQ(a.trim->reserved[0] + a.trim->reserved[1], 0);
        }
        a.free();
    }
}

TEST_F(Freeform, ExtrusionOfOtherObjectsIsRefusedWithoutChange) {
    const char* sizes[] = {"10", "10", "10"};
    const double origin[] = {200, 0, 0};
    unsigned int block = 0;
    ASSERT_EQ(FEAT_create(part_, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, 0, &block), 0);
    host::control::clear_journal();
    const std::size_t before = blocks();
    struct Row {
        const char* what;
        tag object;
        int status;
    };
    for (const Row& row : {Row{"block", block, 875004}, Row{"curve", lines_[0], 875004},
                           Row{"null tag", NULL_TAG, 875008}, Row{"dead tag", 999999, 875008}}) {
        SCOPED_TRACE(row.what);
        ExtrusionAnswer a = ask_extrusion(row.object);
        EXPECT_EQ(a.status, row.status);
        EXPECT_EQ(a.count, 0);
        EXPECT_EQ(a.objects, nullptr);
        EXPECT_EQ(a.trim, nullptr);
        EXPECT_EQ(a.texts(), (std::vector<std::string>(5, "<null>")));
        EXPECT_EQ(a.point_set, 0);
        EXPECT_EQ(a.sign, 0);
    }
    EXPECT_EQ(host::control::index_of("UNDO_JQ_set_mark", 0), -1);
    EXPECT_EQ(blocks(), before);
    EXPECT_EQ(marks(), 0);
}

// ---- wrong kinds, null outputs, session -------------------------------------------------

TEST_F(Freeform, FreeformQueriesRefuseOtherKindsWithTheirCodes) {
    const char* sizes[] = {"10", "10", "10"};
    const double origin[] = {200, 0, 0};
    unsigned int block = 0;
    ASSERT_EQ(FEAT_create(part_, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, 0, &block), 0);
    ff::SkinDefinition mesh;
    mesh.kind = SKIN_KIND_CURVE_MESH;
    mesh.first = strings({{0}, {1}});
    mesh.second = strings({{2}, {3}});
    const tag m = skin(mesh);
    const tag s = skin(sweep(1, 1, 1));
    string_list a{}, b{}, c{};
    sweep_method m1{}, m2{};
    int i1 = 0, i2 = 0, i3 = 0, i4 = 0, i5 = 0, cont[4] = {};
    double v[3] = {}, av[6] = {};
    tag faces[4] = {};
    struct Row {
        const char* what;
        std::function<int(tag)> ask;
        tag own;  // a feature of the query's kind (to check it is not refused)
        int code;
    };
    const std::vector<Row> rows = {
        {"sweep", [&](tag f) { return KX_MODL_ask_sweep(f, &a, &b, &c, &m1, &m2, &i1, &i2, &i3, v); }, s, 875273},
        {"curve mesh",
         [&](tag f) { return KX_MODL_ask_curve_mesh(f, &a, &b, &c, &i1, &i2, &i3, v, faces, cont); },
         m,
         875270},
        {"through curves",
         [&](tag f) { return KX_MODL_ask_thru_curves(f, &a, &b, &i1, &i2, av, &i3, &i4, &i5, v, faces, cont); },
         NULL_TAG,
         875271},
        {"ruled", [&](tag f) { return KX_MODL_ask_ruled(f, &a, &b, &i1, av, &i2, v); }, NULL_TAG, 875272},
        {"bounded plane", [&](tag f) { return KX_MODL_ask_bplane(f, &a, v); }, NULL_TAG, 875274},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        for (tag other : {block, row.own == s ? m : s, tag{NULL_TAG}, tag{999999}, lines_[0]}) {
            EXPECT_EQ(row.ask(other), row.code) << other;
            EXPECT_TRUE(empty(a) && empty(b) && empty(c));
        }
        if (row.own) {
            ASSERT_EQ(row.ask(row.own), 0);
            for (string_list* l : {&a, &b, &c}) KX_MODL_free_string_list(l);
        }
    }
    EXPECT_EQ(marks(), 0);
}

TEST_F(Freeform, NullOutputsGiveTheirPositionsCode) {
    const tag s = skin(sweep(1, 1, 1));
    string_list a{}, b{}, c{};
    sweep_method m1{}, m2{};
    int i1 = 0, i2 = 0, i3 = 0, cont[4] = {};
    double v[3] = {}, av[6] = {}, p[3] = {}, dir[3] = {};
    tag faces[4] = {}, *objects = nullptr, sheet = NULL_TAG;
    sweep_trim* trim = nullptr;
    char *t = nullptr, *l[2] = {}, *o[2] = {};
    logical set = 0;
    unsigned char sign = 0;
    const std::vector<std::pair<std::function<int()>, int>> rows = {
        {[&] { return KX_MODL_ask_sweep(s, nullptr, &b, &c, &m1, &m2, &i1, &i2, &i3, v); }, 1105005},
        {[&] { return KX_MODL_ask_sweep(s, &a, &b, nullptr, &m1, &m2, &i1, &i2, &i3, v); }, 1105007},
        {[&] { return KX_MODL_ask_sweep(s, &a, &b, &c, &m1, nullptr, &i1, &i2, &i3, v); }, 1105014},
        {[&] { return KX_MODL_ask_sweep(s, &a, &b, &c, &m1, &m2, &i1, nullptr, &i3, v); }, 1105016},
        {[&] { return KX_MODL_ask_sweep(s, &a, &b, &c, &m1, &m2, &i1, &i2, &i3, nullptr); }, 1105028},
        {[&] { return KX_MODL_ask_curve_mesh(s, &a, &b, &c, &i1, &i2, &i3, v, nullptr, cont); }, 1105027},
        {[&] { return KX_MODL_ask_curve_mesh(s, &a, &b, &c, &i1, &i2, &i3, v, faces, nullptr); }, 1105028},
        {[&] { return KX_MODL_ask_thru_curves(s, &a, &b, &i1, &i2, nullptr, &i3, &i1, &i2, v, faces, cont); },
         1105014},
        {[&] { return KX_MODL_ask_ruled(s, &a, &b, &i1, av, &i2, nullptr); }, 1105015},
        {[&] { return KX_MODL_ask_bplane(s, nullptr, v); }, 1105005},
        {[&] { return KX_MODL_ask_thicken_sheet_parms(s, &sheet, &t, nullptr); }, 1105007},
        {[&] { return KX_MODL_ask_extrusion(s, nullptr, &objects, &trim, &t, l, o, p, &set, &sign, dir); }, 1105005},
        {[&] { return KX_MODL_ask_extrusion(s, &i1, &objects, nullptr, &t, l, o, p, &set, &sign, dir); }, 1105007},
        {[&] { return KX_MODL_ask_extrusion(s, &i1, &objects, &trim, &t, nullptr, o, p, &set, &sign, dir); },
         1105014},
        {[&] { return KX_MODL_ask_extrusion(s, &i1, &objects, &trim, &t, l, o, p, nullptr, &sign, dir); }, 1105027},
        {[&] { return KX_MODL_ask_extrusion(s, &i1, &objects, &trim, &t, l, o, p, &set, nullptr, dir); }, 1105028},
    };
    host::control::clear_journal();
    for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].first(), rows[i].second) << "row " << i;
    // Refused before the host is asked anything about the feature.
    EXPECT_EQ(host::control::index_of("SKIN_ask_skin_kind", 0), -1);
    EXPECT_EQ(host::control::index_of("SWEEP_is_an_extruded_frec", 0), -1);
}

TEST_F(Freeform, OutputsPastTheTenthArgumentMayBeNull) {
    ff::SkinDefinition d;
    d.kind = SKIN_KIND_THRU_CURVES;
    d.first = strings({{0}, {1}});
    string_list a{}, b{};
    int i1 = 0, i2 = 0, i3 = 0, i4 = 0, i5 = 0;
    double v[3] = {}, av[6] = {};
    EXPECT_EQ(KX_MODL_ask_thru_curves(skin(d), &a, &b, &i1, &i2, av, &i3, &i4, &i5, v, nullptr, nullptr), 0);
    KX_MODL_free_string_list(&a);
    KX_MODL_free_string_list(&b);
    ff::ExtrusionDefinition e;
    e.profile = {lines_[0]};
    tag f = NULL_TAG;
    ASSERT_EQ(ff::create_extrusion(part_, e, &f), 0);
    ExtrusionAnswer x;
    EXPECT_EQ(KX_MODL_ask_extrusion(f, &x.count, &x.objects, &x.trim, &x.taper, x.limits, x.offsets, x.point,
                                    &x.point_set, &x.sign, nullptr),
              0);
    x.free();
}

TEST_F(Freeform, QueriesNeedTheSession) {
    const tag s = skin(sweep(1, 1, 1));
    kx_reset_session_for_tests();
    string_list a{}, b{}, c{};
    double v[3] = {};
    EXPECT_EQ(KX_MODL_ask_bplane(s, &a, v), 1105000);
    SweepAnswer sw = ask_sweep(s);
    EXPECT_EQ(sw.status, 1105000);
    tag sheet = NULL_TAG;
    char *x = nullptr, *y = nullptr;
    EXPECT_EQ(KX_MODL_ask_thicken_sheet_parms(s, &sheet, &x, &y), 1105000);
    EXPECT_EQ(ask_extrusion(s).status, 1105000);
    (void)b;
    (void)c;
}

// ---- host errors ------------------------------------------------------------------

// A host error anywhere in a query answers the query's code (or the host's
// own for the thickened sheet and the extrusion) and hands nothing out.
TEST_F(Freeform, HostErrorsLeaveTheCallerNothing) {
    ff::SkinDefinition d = sweep(6, 5, 1);
    const tag s = skin(d);
    ff::ExtrusionDefinition e;
    e.method = SWEEP_METHOD_TRIM_FROM;
    e.profile = {lines_[0], lines_[1]};
    e.taper = "2";
    e.trim_faces = {top_, NULL_TAG};
    tag x = NULL_TAG;
    ASSERT_EQ(ff::create_extrusion(part_, e, &x), 0);
    struct Row {
        const char* routine;
        int nth;
        bool extrusion;
        int code;
    };
    const std::vector<Row> rows = {
        {"SKIN_fill_string_list", 1, false, 875273},  {"SKIN_fill_string_list", 3, false, 875273},
        {"SKIN_fill_string_list", 5, false, 875273},  {"SKIN_ask_value_exp", 4, false, 875273},
        {"SKIN_ask_record_exps", 1, false, 875273},   {"EXP_ask_value_of_exp", 6, false, 875273},
        {"SWEEP__ask_ap", 1, true, kInjected},        {"SWEEP_ask_profile_grefs", 1, true, kInjected},
        {"FREF_ask_jq_eid_of_fref", 1, true, kInjected}, {"SWEEP__free_ap", 1, true, kInjected},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.routine << " #" << row.nth);
        const std::size_t before = blocks();
        host::control::raise_on(row.routine, kInjected, row.nth);
        if (row.extrusion) {
            ExtrusionAnswer a = ask_extrusion(x);
            EXPECT_EQ(a.status, row.code);
            if (a.status != 0) {
                EXPECT_EQ(a.objects, nullptr);
                EXPECT_EQ(a.trim, nullptr);
                EXPECT_EQ(a.taper, nullptr);
            }
            a.free();
            EXPECT_FALSE(ff::has_analysed_block(x));
        } else {
            SweepAnswer a = ask_sweep(s);
            EXPECT_EQ(a.status, row.code);
            EXPECT_TRUE(empty(a.guides) && empty(a.sections) && empty(a.single));
            EXPECT_EQ(a.m1.curves, nullptr);
            EXPECT_EQ(a.m2.curves, nullptr);
        }
        host::control::clear_scripts();
        EXPECT_EQ(blocks(), before);
        EXPECT_EQ(marks(), 0);
        EXPECT_EQ(host::control::frame_depth(), 0);
    }
}

}  // namespace
