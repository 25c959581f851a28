// Part files from strangers: files made byte by byte (checksums right, so
// that the section readers see every change) that hold what no creating
// function could have made are refused whole; header sizes never wrap;
// entity ids never reach the reserved value; names of load failures stay
// bounded.
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "crafted_part.h"
#include "host/store/parts/part_rules.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"
#include "part_test_util.h"

namespace {

namespace obj = host::objects;
namespace pf = host::part_file;
using namespace crafted;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// A "CSYS" payload: the matrix's values, and a coordinate system of the
// matrix when one is given.
std::string frames(const std::vector<double>& matrix, std::uint32_t csys = 0, const std::vector<double>& origin = {}) {
    pf::Writer w;
    w.u32(1);
    w.u32(kMatrix);
    for (double v : matrix) w.f64(v);
    w.u32(csys ? 1 : 0);
    if (csys) {
        w.u32(csys);
        for (double v : origin) w.f64(v);
        w.u32(kMatrix);
    }
    return w.bytes();
}

class StrangersTest : public PartDirTest {
protected:
    // Opens the file; the code, and the part in *part.
    static int open(const std::string& file, unsigned* part = nullptr, std::vector<std::string>* names = nullptr) {
        PART_load_status_t s{};
        unsigned t = 0;
        const int code = BASE_open_part(file.c_str(), &t, &s);
        if (names)
            for (int i = 0; i < s.n_parts; ++i) names->push_back(s.file_names[i]);
        free_status(s);
        if (part) *part = t;
        return code;
    }
};

// A header size that would wrap a 32-bit sum is refused before anything
// past the end of the bytes is read (the sanitizers watch the reads).
TEST_F(StrangersTest, HeaderSizesNearTheTopOfTheirWidthAreRefused) {
    for (std::uint32_t size : {0xFFFFFFFDu, 0xFFFFFFFEu, 0xFFFFFFFFu, 0x80000000u}) {
        for (std::size_t length = 16; length <= 28; ++length) {
            SCOPED_TRACE(std::to_string(size) + " in " + std::to_string(length) + " bytes");
            pf::Writer w;
            w.raw(std::string(pf::kMagic, sizeof pf::kMagic));
            w.u32(1);
            w.u32(size);
            std::string bytes = w.bytes();
            bytes.resize(length, '\0');
            pf::Image image;
            EXPECT_EQ(pf::decode(bytes, image), PART_ERR_CORRUPT);
        }
    }
}

TEST_F(StrangersTest, SoundCraftedFileOpens) {
    write(path("sound.prt"), file_bytes(sound()));
    unsigned part = 0;
    ASSERT_EQ(open(path("sound.prt"), &part), 0);
    EXPECT_EQ(obj::objects_of_part(part).size(), static_cast<std::size_t>(kCount));
    EXPECT_EQ(host::part_rules::broken_rule(part), nullptr);
}

// Each row spoils the sound model in one way that no creating function
// would; the open answers the corrupt-file code and leaves nothing behind.
TEST_F(StrangersTest, ModelsNoCreatingFunctionMakesAreRefusedWhole) {
    auto object = [](std::uint32_t n) -> std::function<Object&(Model&)> {
        return [n](Model& m) -> Object& { return m.objects[n - 1]; };
    };
    auto row_of = [](Model& m, std::uint32_t n) -> Row& {
        for (Row& r : m.rows)
            if (r.object == n) return r;
        m.rows.push_back({n});
        return m.rows.back();
    };
    auto curve_of = [](Model& m, std::uint32_t n) -> std::string& {
        for (auto& [o, row] : m.curves)
            if (o == n) return row;
        m.curves.emplace_back(n, "");
        return m.curves.back().second;
    };
    auto conic_object = [&](int type, const std::vector<double>& values) {
        return [=](Model& m) {
            m.objects[kEllipse - 1].subtype = type;
            curve_of(m, kEllipse) = conic(kMatrix, type, values);
        };
    };
    struct Case {
        const char* what;
        std::function<void(Model&)> spoil;
    };
    const Case cases[] = {
        // Kinds, names, entity ids.
        {"type 9999, subtype -1", [&](Model& m) { object(kGroup)(m) = {9999, -1, "", 17}; }},
        {"a line of subtype 1", [&](Model& m) { object(kLine)(m).subtype = 1; }},
        {"a feature object of a curve type",
         [](Model& m) { m.objects.push_back({HOST_TYPE_LINE, 0, "", 99, "FEATURE_c"}); }},
        {"an unknown class", [](Model& m) { m.objects.push_back({HOST_TYPE_GROUP, 0, "", 99, "NO_SUCH_c"}); }},
        {"a name of 10,000 bytes", [&](Model& m) { object(kLine)(m).name = std::string(10000, 'N'); }},
        {"a name of 31 characters", [&](Model& m) { object(kLine)(m).name = std::string(31, 'N'); }},
        {"a name holding NUL", [&](Model& m) { object(kLine)(m).name = std::string("ED\0GE", 5); }},
        {"a name holding a newline", [&](Model& m) { object(kLine)(m).name = "ED\nGE"; }},
        {"entity id 0", [&](Model& m) { object(kGroup)(m).eid = 0; }},
        {"entity id 0xFFFFFFFE, which leaves the part none", [&](Model& m) { object(kGroup)(m).eid = 0xFFFFFFFEu; }},
        {"the reserved entity id", [&](Model& m) { object(kGroup)(m).eid = 0xFFFFFFFFu; }},
        {"one entity id twice", [&](Model& m) { object(kGroup)(m).eid = object(kLine)(m).eid; }},
        // References of the entity rows.
        {"its own owner", [&](Model& m) { row_of(m, kFace).owner = kFace; }},
        {"the part as owner", [&](Model& m) { row_of(m, kFace).owner = 0; }},
        {"an owner that is no body", [&](Model& m) { row_of(m, kFace).owner = kGroup; }},
        {"its own view", [&](Model& m) { row_of(m, kView).views = {kView}; }},
        {"a view that is no view", [&](Model& m) { row_of(m, kLine).views = {kPoint}; }},
        {"the part as a view", [&](Model& m) { row_of(m, kLine).views = {0}; }},
        {"its own member", [&](Model& m) { row_of(m, kGroup).members = {kPoint, kGroup}; }},
        {"the part as a member", [&](Model& m) { row_of(m, kGroup).members = {0}; }},
        {"members of a point", [&](Model& m) { row_of(m, kPoint).members = {kLine}; }},
        {"holders that hold each other",
         [&](Model& m) {
             row_of(m, kGroup).members = {kDrawing};
             row_of(m, kDrawing).members = {kView, kGroup};
         }},
        {"the part holding members", [&](Model& m) { row_of(m, 0).members = {kPoint}; }},
        {"a name location that is not finite", [&](Model& m) { row_of(m, kLine).location[1] = kInf; }},
        // Curve data.
        {"a line row on a matrix", [&](Model& m) { curve_of(m, kMatrix) = line({0, 0, 0, 1, 0, 0}); }},
        {"a line row on a coordinate system",
         [&](Model& m) {
             object(kGroup)(m).type = HOST_TYPE_CSYS;
             m.rows.erase(m.rows.begin() + 3);  // the group's members
             curve_of(m, kGroup) = line({0, 0, 0, 1, 0, 0});
         }},
        {"a point row on a line", [&](Model& m) { curve_of(m, kLine) = point(0, 0, 0); }},
        {"an arc row on a conic", [&](Model& m) { curve_of(m, kEllipse) = arc(kMatrix, {0, 1, 0, 0, 0, 1}); }},
        {"a point without its row", [](Model& m) { m.curves.erase(m.curves.begin()); }},
        {"a spline object without a curve", [](Model& m) { m.objects.push_back({9, 0, "", 99}); }},
        {"an ellipse row on a hyperbola object", [&](Model& m) { object(kEllipse)(m).subtype = HOST_CONIC_HYPERBOLA; }},
        {"a NaN point", [&](Model& m) { curve_of(m, kPoint) = point(kNaN, 0, 0); }},
        {"an infinite line", [&](Model& m) { curve_of(m, kLine) = line({0, 0, 0, kInf, 0, 0}); }},
        {"a line without length", [&](Model& m) { curve_of(m, kLine) = line({1, 2, 3, 1, 2, 3}); }},
        {"an arc of infinite radius", [&](Model& m) { curve_of(m, kArc) = arc(kMatrix, {0, 1, 0, 0, 0, kInf}); }},
        {"an arc running backwards", [&](Model& m) { curve_of(m, kArc) = arc(kMatrix, {2, 1, 0, 0, 0, 1}); }},
        {"an arc of more than a turn", [&](Model& m) { curve_of(m, kArc) = arc(kMatrix, {0, 7, 0, 0, 0, 1}); }},
        {"an arc of no radius", [&](Model& m) { curve_of(m, kArc) = arc(kMatrix, {0, 1, 0, 0, 0, 0}); }},
        {"an arc whose matrix is a line", [&](Model& m) { curve_of(m, kArc) = arc(kLine, {0, 1, 0, 0, 0, 1}); }},
        {"an arc whose matrix is the part", [&](Model& m) { curve_of(m, kArc) = arc(0, {0, 1, 0, 0, 0, 1}); }},
        {"a NaN conic value", conic_object(HOST_CONIC_ELLIPSE, conic_values(0, 1, kNaN, 1))},
        {"an ellipse starting beyond a turn", conic_object(HOST_CONIC_ELLIPSE, conic_values(7, 8, 2, 1))},
        {"an ellipse of more than a turn", conic_object(HOST_CONIC_ELLIPSE, conic_values(0, 6.3, 2, 1))},
        {"an ellipse of a negative semi-axis", conic_object(HOST_CONIC_ELLIPSE, conic_values(0, 1, 2, -1))},
        {"a parabola from -3.1e231", conic_object(HOST_CONIC_PARABOLA, conic_values(-3.1e231, 1, 1, 0))},
        {"a parabola without focal value", conic_object(HOST_CONIC_PARABOLA, conic_values(0, 1, 0, 0))},
        {"a hyperbola from -1e39", conic_object(HOST_CONIC_HYPERBOLA, conic_values(-1e39, 1, 1, 1))},
        {"a hyperbola running backwards", conic_object(HOST_CONIC_HYPERBOLA, conic_values(1, -1, 1, 1))},
        {"a conic turned by no rotation",
         [&](Model& m) {
             std::vector<double> v = conic_values(0, 1, 2, 1);
             v[CONIC_V_SIN] = 1;
             curve_of(m, kEllipse) = conic(kMatrix, HOST_CONIC_ELLIPSE, v);
         }},
        {"a matrix that is not orthonormal", [](Model& m) { m.sections.emplace_back("CSYS", frames({2, 0, 0, 0, 1, 0, 0, 0, 1})); }},
        {"a NaN matrix", [](Model& m) { m.sections.emplace_back("CSYS", frames({kNaN, 0, 0, 0, 1, 0, 0, 0, 1})); }},
        {"a coordinate system at infinity",
         [](Model& m) {
             m.objects.push_back({HOST_TYPE_CSYS, 0, "", 99});
             m.sections.emplace_back("CSYS", frames({1, 0, 0, 0, 1, 0, 0, 0, 1}, kCount + 1, {kInf, 0, 0}));
         }},
        // The part's own sections.
        {"a component name holding a newline",
         [](Model& m) {
             pf::Writer w;
             w.u32(1);
             w.str("sub\n.prt");
             m.sections.emplace_back("REFS", w.bytes());
         }},
        {"one component twice",
         [](Model& m) {
             pf::Writer w;
             w.u32(2);
             w.str("sub.prt");
             w.str("sub.prt");
             m.sections.emplace_back("REFS", w.bytes());
         }},
    };
    const std::size_t live = obj::live_objects().size();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Model m = sound();
        c.spoil(m);
        const std::string file = path("stranger.prt");
        write(file, file_bytes(m));
        unsigned part = 77;
        std::vector<std::string> names;
        EXPECT_EQ(open(file, &part, &names), PART_ERR_CORRUPT);
        EXPECT_EQ(part, 0u);
        EXPECT_EQ(names, std::vector<std::string>{file});
        EXPECT_EQ(obj::live_objects().size(), live);
        EXPECT_TRUE(host::parts::loaded_parts().empty());
        EXPECT_TRUE(host::parts::failure_records().empty());
    }
}

// Entity ids: a file may not bring the ids at the top; the counter stops
// below the reserved id and refuses new objects rather than wrap.
TEST_F(StrangersTest, EntityIdsNeverReachTheReservedValueAndNeverWrap) {
    Model m = sound();
    m.objects[kGroup - 1].eid = 0xFFFFFFFDu;
    write(path("top.prt"), file_bytes(m));
    unsigned part = 0;
    ASSERT_EQ(open(path("top.prt"), &part), 0);
    EXPECT_EQ(obj::find(part)->eid, 0xFFFFFFFEu);  // the last id there is

    const std::size_t live = obj::live_objects().size();
    EXPECT_EQ(host::control::raised_code([&] {
                  obj::create({OM_CLASS_RM_ENTITY, HOST_TYPE_GROUP, 0, part});
              }),
              HOST_ERR_NO_MEMORY);
    EXPECT_EQ(host::control::raised_code([&] { obj::create_part("other.prt"); }), HOST_ERR_NO_MEMORY);
    EXPECT_EQ(obj::live_objects().size(), live);
    for (unsigned t : obj::live_objects()) {
        SCOPED_TRACE(t);
        EXPECT_LT(obj::find(t)->eid, 0xFFFFFFFFu);
        EXPECT_NE(obj::find(t)->eid, 0u);
    }
}

// A component whose name, joined to the directory of the part that lists
// it, would be longer than any file name fails to load with the name-length
// code; its load-failure record keeps the name as listed.
TEST_F(StrangersTest, LoadFailureNamesAreBoundedLikeEveryName) {
    const std::string listed(PART_MAX_NAME_CHARS, 'c');
    Model m = sound();
    pf::Writer refs;
    refs.u32(1);
    refs.str(listed);
    m.sections.emplace_back("REFS", refs.bytes());
    write(path("top.prt"), file_bytes(m));
    unsigned part = 0;
    std::vector<std::string> names;
    ASSERT_EQ(open(path("top.prt"), &part, &names), 0);
    ASSERT_NE(part, 0u);
    EXPECT_EQ(names, std::vector<std::string>{listed});
    ASSERT_EQ(host::parts::failure_records().size(), 1u);
    const unsigned record = host::parts::failure_records()[0];
    EXPECT_EQ(host::parts::state(record)->failure_code, PART_ERR_NAME_TOO_LONG);
    char* name = PART_ask_filename_of_part(record);
    EXPECT_EQ(std::string(name), listed);
    SM_free(name);
    EXPECT_EQ(host::parts::load_state(part), PART_PARTIALLY_LOADED);
}

}  // namespace
