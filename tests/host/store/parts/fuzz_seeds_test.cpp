// The seed corpora of the part-file fuzz targets are real part files written
// by the part service: whole files for the public open
// (fuzz/libkxapi/open.corpus/), their sections for the section readers
// (fuzz/host/sections.corpus/). With KX_WRITE_FUZZ_SEEDS set in the
// environment this test writes them anew; it always checks that the seeds
// in the tree are what the service writes, open, and stay small.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "crafted_part.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/views.h"
#include "host/store/entities/wcs.h"
#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/model/feature/profiles.h"
#include "host/kernel/engine/kernel.h"
#include "host/store/attributes/attributes.h"
#include "host/base/services/objects.h"
#include "host/apps/modeling/sheetmetal/sheetmetal.h"
#include "part_test_util.h"

namespace {

namespace obj = host::objects;
namespace pf = host::part_file;

const std::filesystem::path kSource = KX_SOURCE_DIR;
const std::filesystem::path kWhole = kSource / "fuzz/libkxapi/open.corpus";
const std::filesystem::path kSections = kSource / "fuzz/host/sections.corpus";
constexpr std::size_t kLargestSeed = 4096;
// A part with a solid body holds the body's shape and the shapes of its
// steps in the kernel's format: some KB each.
constexpr std::size_t kLargestBodySeed = 20 * 1024;

class FuzzSeedTest : public PartDirTest {
protected:
    std::string saved(unsigned part) {
        int components = 0, mode = 2, result = -1;
        base_save_part(&part, &components, &mode, &result);
        EXPECT_EQ(result, 0);
        return read(host::objects::require_part(part).file);
    }
    // The seeds, by name: files the part service wrote.
    std::map<std::string, std::string> seeds() {
        std::map<std::string, std::string> out;
        out["empty.prt"] = saved(host::parts::create(path("empty.prt")));

        const unsigned curves = host::parts::create(path("curves.prt"), PART_UNITS_INCH);
        host::parts::set_work_part(curves);
        const double p[3] = {1, 2, 3}, ends[6] = {0, 0, 0, 4, 5, 6};
        unsigned t = 0;
        ES_create_point(p, &t);
        ES_create_line_in_part(curves, ends, &t);
        const double rows[9] = {0, 0, 1, 1, 0, 0, 0, 1, 0};
        unsigned matrix = 0;
        ES_create_matrix_in_part(curves, rows, 3, &matrix);
        const double arc[6] = {0.25, 2.5, 1, -1, 0.5, 3};
        ES_create_arc(arc, matrix, &t);
        for (int type : {HOST_CONIC_ELLIPSE, HOST_CONIC_PARABOLA, HOST_CONIC_HYPERBOLA}) {
            const std::vector<double> v = crafted::conic_values(0.25, 1.5, 4, 2);
            es0600_(&type, v.data(), &matrix, &t);
        }
        const unsigned edge = obj::create({OM_CLASS_RM_ENTITY, HOST_TYPE_SOLID, 3, curves});
        host::curves::attach_line(edge, p, ends + 3);
        const unsigned holder = obj::create({OM_CLASS_RM_ENTITY, CURVE_SPLINE, 0, curves});
        const double poles[16] = {0, 0, 0, 1, 1, 2, 0, 1, 3, 2, 1, 2, 4, 0, 0, 1};
        const double knots[8] = {0, 0, 0, 0, 1, 1, 1, 1};
        host::curves::attach_curve(holder, *hostnum::Curve::spline(4, 4, poles, knots));
        host::wcs::make_csys(curves, p, rows, false);
        out["curves.prt"] = saved(curves);

        const unsigned rows_part = host::parts::create(path("rows.prt"));
        host::parts::set_work_part(rows_part);
        const unsigned drawing = host::views::make_drawing(rows_part, true);
        const unsigned view = host::views::make_view(drawing, 1);
        const host::views::Body body = host::views::make_body(rows_part, 2);
        unsigned line = 0;
        ES_create_line_in_part(rows_part, ends, &line);
        int result = -1;
        ES_add_entity_name(line, "EDGE_1", 6, &result);
        ES_VDG_make_dependent(line, view);
        host::views::make_group(rows_part, {line, body.body});
        host::views::make_sketch(rows_part, {line}, 4);
        ATTR_value_t a{};
        a.type = ATTR_INTEGER;
        a.value.integer = 7;
        ATTR_assign(line, "QTY", a);
        host::parts::add_component(rows_part, "sub.prt");
        out["rows.prt"] = saved(rows_part);

        // Parts with a solid body (its shape and its steps): a block with
        // one edge blended, and a block with a hole through it.
        const double origin[3] = {0, 0, 0}, size[3] = {10, 8, 4};
        const unsigned blended = host::parts::create(path("blended.prt"));
        host::parts::set_work_part(blended);
        int solid = 0;
        ZQ_BODY_make_block(origin, size, &solid);
        const int blend = host::kernel::edges_of(solid).front();
        ZQ_BODY_blend_edges(solid, 1, &blend, 1, 1);
        out["blended.prt"] = saved(blended);

        const unsigned holed = host::parts::create(path("holed.prt"));
        host::parts::set_work_part(holed);
        ZQ_BODY_make_block(origin, size, &solid);
        const double base[3] = {5, 4, -1}, axis[3] = {0, 0, 1};
        int tool = 0;
        ZQ_BODY_make_cylinder(base, axis, 2, 6, &tool);
        ZQ_BODY_boolean(solid, tool, ZQ_SUBTRACT);
        out["holed.prt"] = saved(holed);

        // Curve features with their parameters (section "CFEA"): a bridge
        // between two lines, a line projected onto a plane at an angle, and
        // where an arc's and a line's sweeps meet.
        const unsigned featured = host::parts::create(path("curvefeat.prt"));
        host::parts::set_work_part(featured);
        const double a_ends[6] = {0, 0, 0, 4, 0, 0}, b_ends[6] = {10, 3, 0, 14, 3, 0};
        const double slope_ends[6] = {-10, 0, -3, 10, 0, 7};
        unsigned first = 0, second = 0, slope = 0, ring = 0;
        ES_create_line_in_part(featured, a_ends, &first);
        ES_create_line_in_part(featured, b_ends, &second);
        ES_create_line_in_part(featured, slope_ends, &slope);
        const double flat[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        unsigned identity = 0;
        ES_create_matrix_in_part(featured, flat, 3, &identity);
        const double ring_data[6] = {0.2, 1.3, 0, 0, 0, 5};
        ES_create_arc(ring_data, identity, &ring);
        const double tolerances[2] = {1e-4, 1e-4};
        using host::profiles::Strings;
        BRDGCRV_rec_t bridge{};
        bridge.table =
            host::curvefeat::table_of({Strings{{1}, {1}, {first}}, Strings{{1}, {1}, {second}}, Strings{}}, tolerances);
        bridge.fractions[0] = 1;
        bridge.senses[0] = bridge.senses[1] = -1;
        std::strcpy(bridge.position_text[0], "100");
        std::strcpy(bridge.position_text[1], "0");
        EXPECT_EQ(BRDGCRV_create_frec(&bridge), 0);
        const double below[3] = {0, 0, -2}, up[3] = {0, 0, 1};
        unsigned ground = host::profiles::create_direction_object(featured, HOST_TYPE_PLANE, below, up);
        CPROJ_rec_t along{};
        along.proj_type = 4;
        along.proj_vector[2] = -1;
        along.second_vector[0] = 1;
        std::strcpy(along.angle_text, "30");
        unsigned projected = 0;
        int error = -1;
        CPROJ_create_feature(1, &first, 1, &ground, 0, &along, 0, &projected, &error);
        EXPECT_EQ(error, 0);
        CPROJ_CMB_rec_t meet{};
        meet.table = host::curvefeat::table_of({Strings{{1}, {1}, {ring}}, Strings{{1}, {1}, {slope}}}, tolerances);
        meet.use_vector[1] = 1;
        meet.direction[1][1] = 1;
        std::strcpy(meet.tolerance_text, "0.001");
        unsigned combined = 0;
        EXPECT_EQ(CPROJ_CMB_create_frec(&meet, &combined), 0);
        out["curvefeat.prt"] = saved(featured);

        // Sheet-metal records (section "SMTL"): a flange partly formed, a
        // bridge unformed and a bend.
        const unsigned sheet = host::parts::create(path("sheetmetal.prt"));
        unsigned flange = 0, sm_bridge = 0, bend = 0;
        EXPECT_EQ(SMD_create_feature(sheet, SMD_FLANGE, "(R+K*T)*rad(A)", &flange), 0);
        EXPECT_EQ(SMD_create_feature(sheet, SMD_BRIDGE, "B*T", &sm_bridge), 0);
        EXPECT_EQ(SMD_create_feature(sheet, SMD_BEND, "R+T/2", &bend), 0);
        EXPECT_EQ(PIPNAV_set_state(flange, 45, 2, 3), 1);
        EXPECT_EQ(PIPNAV_set_state(sm_bridge, 0, 0, 1), 1);
        out["sheetmetal.prt"] = saved(sheet);

        out["crafted.prt"] = crafted::file_bytes(crafted::sound());
        return out;
    }
    // The sections of a whole file: the bytes between header and checksum.
    static std::string sections_of(const std::string& file) {
        return file.substr(pf::kHeaderSize, file.size() - pf::kHeaderSize - 4);
    }
};

TEST_F(FuzzSeedTest, SeedsAreFilesThePartServiceWritesAndOpenCleanly) {
    const std::map<std::string, std::string> made = seeds();
    if (std::getenv("KX_WRITE_FUZZ_SEEDS")) {
        std::filesystem::create_directories(kWhole);
        std::filesystem::create_directories(kSections);
        for (const auto& [name, bytes] : made) {
            write((kWhole / name).string(), bytes);
            write((kSections / name).string(), sections_of(bytes));
        }
    }
    host::control::reset();
    for (const auto& [name, bytes] : made) {
        SCOPED_TRACE(name);
        const std::string whole = read((kWhole / name).string());
        EXPECT_EQ(whole.size(), bytes.size());  // a file name inside may differ in the directory
        const bool with_body = name == "blended.prt" || name == "holed.prt";
        EXPECT_LE(whole.size(), with_body ? kLargestBodySeed : kLargestSeed);
        EXPECT_EQ(read((kSections / name).string()), sections_of(whole));
        const std::string file = path(name);
        write(file, whole);
        PART_load_status_t s{};
        unsigned part = 0;
        EXPECT_EQ(BASE_open_part(file.c_str(), &part, &s), 0);
        free_status(s);
        EXPECT_NE(part, 0u);
    }
}

}  // namespace
