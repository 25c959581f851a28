// Pictures in files: a shaded PNG of a block and a line, its header and
// size; the SVG metafile parsed back; VRML; the checks of each function and
// the host's answers passed on.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "host/display/output.h"
#include "host/kernel/kernel.h"
#include "host/core/curve_entities.h"
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

TEST_F(Output, AMetafileIsAnSvgOfTheGraphicsWindow) {
    model();
    const std::string file = path("window.svg");
    ASSERT_EQ(KX_DISP_export_windows_metafile(1, file.c_str()), 0);
    const std::string svg = read(file);
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    const std::size_t root = svg.find("<svg");
    ASSERT_NE(root, std::string::npos);
    const std::string head = svg.substr(root, svg.find('>', root) - root);
    EXPECT_NE(head.find("width=\"1024"), std::string::npos) << head;
    EXPECT_NE(head.find("height=\"768"), std::string::npos) << head;
    std::size_t paths = 0;
    for (std::size_t at = svg.find("<path"); at != std::string::npos; at = svg.find("<path", at + 1)) ++paths;
    EXPECT_GT(paths, 12u);  // facets of six faces, twelve edges and the line
    EXPECT_NE(svg.find("</svg>"), std::string::npos);
}

TEST_F(Output, MetafileChecksAndTheWindowsClipboard) {
    const std::string name256(256, 'm'), name257(257, 'm');
    EXPECT_EQ(KX_DISP_export_windows_metafile(2, "x.svg"), 1105004);
    EXPECT_EQ(KX_DISP_export_windows_metafile(1, ""), 1105005);
    EXPECT_EQ(KX_DISP_export_windows_metafile(1, nullptr), 1105005);
    EXPECT_EQ(KX_DISP_export_windows_metafile(1, name257.c_str()), 1105005);
    // 256 characters are taken (a file name that long cannot be made: the host says so).
    EXPECT_EQ(KX_DISP_export_windows_metafile(1, name256.c_str()), 1390007);
    EXPECT_EQ(KX_DISP_export_windows_metafile(0, nullptr), 1105004);  // no window open
    host::output::open_window(42);
    model();
    ASSERT_EQ(KX_DISP_export_windows_metafile(0, nullptr), 0);
    EXPECT_NE(host::output::window_picture().find("<svg"), std::string::npos);
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
