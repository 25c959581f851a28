// Pictures in files: a shaded PNG of a block and a line, its header and
// size; the Windows metafile read back; VRML; the checks of each function
// and the host's answers passed on.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/model/display/output.h"
#include "host/model/display/settings.h"
#include "host/kernel/engine/kernel.h"
#include "host/store/entities/curve_entities.h"
#include "kx_disp.h"
#include "kx_disp_output.h"
#include "tests/libkxapi/disp/disp_fixture.h"

namespace {

namespace hc = host::control;
namespace fs = std::filesystem;

class Output : public DisplayTest {
protected:
    void SetUp() override {
        DisplayTest::SetUp();
        host::parts::set_display_part(part);
        dir = fs::temp_directory_path() / ("kx_output_" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override {
        fs::remove_all(dir);
        DisplayTest::TearDown();
    }
    void model() {
        const double at[3] = {0, 0, 0}, size[3] = {40, 30, 20};
        int body = 0;
        ZQ_BODY_make_block(at, size, &body);
        const double ends[6] = {-10, -10, 0, 60, -10, 0};
        unsigned int l = 0;
        ES_create_line_in_part(part, ends, &l);
    }
    std::string path(const char* name) const { return (dir / name).string(); }
    static std::string read(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    fs::path dir;
};

std::uint32_t be32(const std::string& s, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(s[at + i]);
    return v;
}

TEST_F(Output, AShadedImageIsAPngOfTheSizeAsked) {
    model();
    const std::string file = path("shaded.png");
    ASSERT_EQ(KX_DISP_batch_shade(file.c_str(), 320, 200, 0), 0);
    if (const char* keep = std::getenv("KX_KEEP_PICTURE"))
        fs::copy_file(file, keep, fs::copy_options::overwrite_existing);
    const std::string png = read(file);
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(png.substr(12, 4), "IHDR");
    EXPECT_EQ(be32(png, 16), 320u);
    EXPECT_EQ(be32(png, 20), 200u);
    EXPECT_EQ(png.substr(png.size() - 8, 4), "IEND");
    // The model is drawn: the picture of an empty part is another one.
    host::parts::set_work_part(host::parts::create("empty.prt"));
    const std::string empty = path("empty.png");
    ASSERT_EQ(KX_DISP_batch_shade(empty.c_str(), 320, 200, 0), 0);
    EXPECT_NE(read(empty), png);
    EXPECT_LT(read(empty).size(), png.size());
}

TEST_F(Output, ShadingChecksInTheirOrder) {
    struct Row {
        const char* what;
        const char* file;
        int width, height, code;
    };
    const Row rows[] = {
        {"no name", nullptr, 0, 0, 1105004},
        {"empty name", "", 0, 0, 1105004},
        {"width 0", "x.png", 0, 0, 1105005},
        {"height 0", "x.png", 1, 0, 1105006},
    };
    for (const Row& r : rows) EXPECT_EQ(KX_DISP_batch_shade(r.file, r.width, r.height, 0), r.code) << r.what;
    EXPECT_EQ(hc::call_count("SH_batch_shade"), 0);
    // The host's answers come back, never 0 when it failed.
    EXPECT_EQ(KX_DISP_batch_shade(path("x.png").c_str(), 10, 10, 217), 670004);
    EXPECT_EQ(KX_DISP_batch_shade((dir / "no" / "such" / "dir.png").c_str(), 10, 10, 0), 1390007);
    EXPECT_EQ(hc::frame_depth(), 0);
    host::parts::set_work_part(0);
    EXPECT_EQ(KX_DISP_batch_shade("x.png", 10, 10, 0), 1105012);
}

// ---- metafiles, read back ----------------------------------------------------
//
// A placeable Windows metafile: the placeable record (key, bounding box,
// units an inch, checksum), the header (its sizes checked against the
// file), then records of a 32-bit size in words and a function; the object
// table is followed as a reader follows it (an object takes the lowest free
// slot, selecting makes it the pen or the brush, deleting frees the slot).

constexpr std::uint16_t kPolygon = 0x0324, kPolyline = 0x0325, kRectangle = 0x041B, kEllipse = 0x0418;
constexpr std::uint16_t kCreatePen = 0x02FA, kCreateBrush = 0x02FC, kSelect = 0x012D, kDelete = 0x01F0;

std::uint16_t le16(const std::string& s, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8);
}
std::uint32_t le32(const std::string& s, std::size_t at) { return le16(s, at) | std::uint32_t{le16(s, at + 2)} << 16; }

struct Drawn {
    std::uint16_t function;
    std::vector<std::int16_t> params;  // the words after the function
    std::uint32_t pen, brush;          // colours selected (0x00BBGGRR)
};

struct Metafile {
    std::int16_t box[4] = {0, 0, 0, 0};
    std::uint16_t inch = 0;
    std::uint16_t objects = 0;
    std::vector<Drawn> drawn;  // polygons, polylines, rectangles and ellipses
    std::vector<Drawn> segments() const {
        std::vector<Drawn> out;
        for (const Drawn& d : drawn)
            if (d.function == kPolyline && d.params.size() == 5 && d.params[0] == 2) out.push_back(d);
        return out;
    }
    std::size_t count(std::uint16_t function) const {
        std::size_t n = 0;
        for (const Drawn& d : drawn) n += d.function == function;
        return n;
    }
};

Metafile read_metafile(const std::string& f) {
    Metafile m;
    EXPECT_GE(f.size(), 22u + 18u + 6u);
    if (f.size() < 46) return m;
    EXPECT_EQ(le32(f, 0), 0x9AC6CDD7u);  // the placeable record's key
    std::uint16_t sum = 0;
    for (int i = 0; i < 10; ++i) sum ^= le16(f, 2 * i);
    EXPECT_EQ(le16(f, 20), sum);  // its checksum
    for (int i = 0; i < 4; ++i) m.box[i] = static_cast<std::int16_t>(le16(f, 6 + 2 * i));
    m.inch = le16(f, 14);
    const std::size_t h = 22;
    EXPECT_EQ(le16(f, h), 1);          // a metafile in memory
    EXPECT_EQ(le16(f, h + 2), 9);      // header words
    EXPECT_EQ(le16(f, h + 4), 0x300);  // version
    EXPECT_EQ(std::size_t{le32(f, h + 6)} * 2, f.size() - h);
    m.objects = le16(f, h + 10);
    const std::uint32_t largest = le32(f, h + 12);
    std::vector<std::optional<std::pair<bool, std::uint32_t>>> table(m.objects);  // {is a pen, colour}
    std::uint32_t pen = 0xFFFFFFFF, brush = 0xFFFFFFFF;
    std::size_t at = h + 18;
    bool ended = false;
    while (at + 6 <= f.size() && !ended) {
        const std::uint32_t words = le32(f, at);
        const std::uint16_t function = le16(f, at + 4);
        EXPECT_GE(words, 3u);
        EXPECT_LE(words, largest);
        if (words < 3 || at + 2 * std::size_t{words} > f.size()) {
            ADD_FAILURE() << "a record beyond the file at " << at;
            return m;
        }
        std::vector<std::int16_t> params;
        for (std::uint32_t i = 3; i < words; ++i) params.push_back(static_cast<std::int16_t>(le16(f, at + 2 * i)));
        const auto object = [&](bool is_pen, std::uint32_t colour) {
            for (auto& slot : table)
                if (!slot) {
                    slot = {is_pen, colour};
                    return;
                }
            ADD_FAILURE() << "more objects than the header counts";
        };
        switch (function) {
            case 0: ended = true; break;
            case kCreatePen: object(true, le32(f, at + 6 + 6)); break;     // style, width (x, y), colour
            case kCreateBrush: object(false, le32(f, at + 6 + 2)); break;  // style, colour, hatch
            case kSelect: {
                const auto i = static_cast<std::size_t>(params.at(0));
                if (i >= table.size() || !table[i]) {
                    ADD_FAILURE() << "an object selected that is not there: " << i;
                } else {
                    (table[i]->first ? pen : brush) = table[i]->second;
                }
                break;
            }
            case kDelete: {
                const auto i = static_cast<std::size_t>(params.at(0));
                EXPECT_TRUE(i < table.size() && table[i]) << "an object deleted that is not there: " << i;
                if (i < table.size()) table[i].reset();
                break;
            }
            case kPolygon:
            case kPolyline:
            case kRectangle:
            case kEllipse: m.drawn.push_back({function, params, pen, brush}); break;
            default: break;
        }
        at += 2 * std::size_t{words};
    }
    EXPECT_TRUE(ended) << "no end record";
    EXPECT_EQ(at, f.size());
    return m;
}

// The colour of the colour table as a metafile colour.
std::uint32_t table_colour(int number) {
    char name[UICO_NAME_CHARS + 1];
    double v[3];
    UICO_ask_color(number, 0, name, v);
    std::uint32_t out = 0;
    for (int i = 0; i < 3; ++i) out |= static_cast<std::uint32_t>(std::lround(v[i] * 255)) << (8 * i);
    return out;
}

// Two lines of other colours, 70 along X and 20 along Z, are drawn as 64
// segments each with pens of their colours, in the isometric view: X goes
// to the lower right at 30 degrees, Z straight up, and on screen the lines
// keep the ratio of their lengths.
TEST_F(Output, AMetafileHoldsTheLinesOfTheGraphicsWindowInTheirColours) {
    const double x_ends[6] = {-10, -10, 0, 60, -10, 0}, z_ends[6] = {0, 0, 0, 0, 0, 20};
    unsigned int along_x = 0, along_z = 0;
    ES_create_line_in_part(part, x_ends, &along_x);
    ES_create_line_in_part(part, z_ends, &along_z);
    ASSERT_EQ(KX_OBJ_set_color(along_x, 186), 0);
    ASSERT_EQ(KX_OBJ_set_color(along_z, 36), 0);
    const std::string file = path("window.wmf");
    ASSERT_EQ(KX_DISP_export_windows_metafile(1, file.c_str()), 0);
    const Metafile m = read_metafile(read(file));
    EXPECT_EQ(m.box[0], 0);
    EXPECT_EQ(m.box[1], 0);
    EXPECT_EQ(m.box[2], 1024);
    EXPECT_EQ(m.box[3], 768);
    EXPECT_EQ(m.inch, 96);
    ASSERT_FALSE(m.drawn.empty());
    EXPECT_EQ(m.drawn.front().function, kRectangle);  // the background
    EXPECT_EQ(m.drawn.front().brush, table_colour(0));

    struct Row {
        const char* what;
        std::uint32_t colour;
        double length, degrees;  // on the model, and its direction on screen (y down)
    } rows[] = {{"along X", table_colour(186), 70, 30}, {"along Z", table_colour(36), 20, -90}};
    ASSERT_NE(rows[0].colour, rows[1].colour);
    double spans[2] = {0, 0};
    for (int r = 0; r < 2; ++r) {
        SCOPED_TRACE(rows[r].what);
        std::vector<std::pair<double, double>> points;
        int segments = 0;
        for (const Drawn& d : m.segments())
            if (d.pen == rows[r].colour) {
                ++segments;
                points.push_back({d.params[1], d.params[2]});
                points.push_back({d.params[3], d.params[4]});
            }
        EXPECT_EQ(segments, 64);
        // The ends of the line: the two points farthest apart.
        std::pair<double, double> a, b;
        for (const auto& p : points)
            for (const auto& q : points)
                if (std::hypot(q.first - p.first, q.second - p.second) > spans[r]) {
                    spans[r] = std::hypot(q.first - p.first, q.second - p.second);
                    a = p.first < q.first || (p.first == q.first && p.second > q.second) ? p : q;
                    b = a == p ? q : p;
                }
        EXPECT_NEAR(std::atan2(b.second - a.second, b.first - a.first) * 180 / M_PI, rows[r].degrees, 0.2);
    }
    EXPECT_GT(spans[0], 500);  // fitted to the window
    EXPECT_NEAR(spans[0] / spans[1], 70.0 / 20.0, 0.02);
    EXPECT_EQ(m.segments().size(), 128u);
}

// A block is drawn as filled facets outlined in their shade, its edges and
// the line as segments; the window's picture is the same metafile.
TEST_F(Output, AMetafileOfABlockHoldsItsFacetsAndEdges) {
    model();
    const std::string file = path("block.wmf");
    ASSERT_EQ(KX_DISP_export_windows_metafile(1, file.c_str()), 0);
    const std::string bytes = read(file);
    const Metafile m = read_metafile(bytes);
    EXPECT_GE(m.count(kPolygon), 12u);  // two triangles or more a face
    for (const Drawn& d : m.drawn)
        if (d.function == kPolygon) {
            EXPECT_EQ(d.params.at(0), 3);
            EXPECT_EQ(d.pen, d.brush);
        }
    EXPECT_GT(m.segments().size(), 12u);  // twelve edges and the line
    EXPECT_LE(m.objects, 3);              // one pen and one brush at a time, and the next one
    host::output::open_window(7);
    ASSERT_EQ(KX_DISP_export_windows_metafile(0, nullptr), 0);
    EXPECT_EQ(host::output::window_picture(), bytes);
}

TEST_F(Output, MetafileChecksAndTheWindowsClipboard) {
    const std::string name256(256, 'm'), name257(257, 'm');
    EXPECT_EQ(KX_DISP_export_windows_metafile(2, "x.wmf"), 1105004);
    EXPECT_EQ(KX_DISP_export_windows_metafile(1, ""), 1105005);
    EXPECT_EQ(KX_DISP_export_windows_metafile(1, nullptr), 1105005);
    EXPECT_EQ(KX_DISP_export_windows_metafile(1, name257.c_str()), 1105005);
    // 256 characters are taken (a file name that long cannot be made: the host says so).
    EXPECT_EQ(KX_DISP_export_windows_metafile(1, name256.c_str()), 1390007);
    EXPECT_EQ(KX_DISP_export_windows_metafile(0, nullptr), 1105004);  // no window open
    host::output::open_window(42);
    model();
    ASSERT_EQ(KX_DISP_export_windows_metafile(0, nullptr), 0);
    EXPECT_EQ(le32(host::output::window_picture(), 0), 0x9AC6CDD7u);
    const auto calls = hc::calls("DSS_WMF_create_metafile");
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().arg[0], 0);
    EXPECT_EQ(calls.back().arg[1], 42);
    host::parts::set_work_part(0);
    EXPECT_EQ(KX_DISP_export_windows_metafile(9, nullptr), 1105012);
}

TEST_F(Output, VrmlKeepsTheWindowAsItWas) {
    model();
    const std::string file = path("model.wrl");
    ASSERT_EQ(KX_STD_create_vrml_file(file.c_str(), 2.0, 1), 0);
    const std::string wrl = read(file);
    EXPECT_EQ(wrl.rfind("#VRML V2.0 utf8\n", 0), 0u);
    EXPECT_NE(wrl.find("IndexedFaceSet"), std::string::npos);
    EXPECT_NE(wrl.find("IndexedLineSet"), std::string::npos);
    EXPECT_NE(wrl.find("80 60 40"), std::string::npos);  // the block's far corner, times 2
    int w = 0, h = 0;
    host::output::window_size(w, h);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);
    EXPECT_EQ(hc::calls("SH_set_window").back().arg[0], 800);
    // Reset also when the host fails.
    hc::raise_on("SH_vrml", 670004);
    EXPECT_EQ(KX_STD_create_vrml_file(file.c_str(), 1.0, 0), 670004);
    EXPECT_EQ(hc::call_count("SH_reset_window"), 2);
    EXPECT_EQ(hc::frame_depth(), 0);
    hc::clear_scripts();
    hc::clear_journal();
    EXPECT_EQ(KX_STD_create_vrml_file(file.c_str(), 0.0, 0), 1105005);
    EXPECT_EQ(KX_STD_create_vrml_file("", 1.0, 0), 1105004);
    EXPECT_EQ(hc::call_count("SH_set_window"), 0);
}

TEST_F(Output, AnimationAndWebOutputGiveTheHostsAnswer) {
    EXPECT_EQ(KX_DISP_create_animation("", "def", 0, 1), 1105004);
    EXPECT_EQ(KX_DISP_create_animation("a", "", 0, 1), 1105005);
    EXPECT_EQ(KX_DISP_create_animation("a", "def", 3, 2), 1105006);
    EXPECT_EQ(KX_DISP_create_animation("a", "def", -1, 2), 1105006);
    EXPECT_EQ(hc::call_count("SH_batch_animate"), 0);
    // Equal frames are accepted; this host makes no animations and says so.
    EXPECT_EQ(KX_DISP_create_animation("a", "def", 2, 2), 670009);
    hc::return_status("SH_batch_animate", 0);
    EXPECT_EQ(KX_DISP_create_animation("a", "def", 2, 2), 0);
    EXPECT_EQ(KX_STD_create_vantrel_file(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13), 670009);
    host::parts::set_display_part(0);
    EXPECT_EQ(KX_STD_create_vantrel_file(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13), 1105012);
    EXPECT_EQ(KX_DISP_create_animation("a", "def", 2, 2), 1105012);
}

}  // namespace
