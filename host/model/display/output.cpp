// Shaded images (PNG, drawn with cairo), VRML worlds and Windows metafiles
// (WMF, written with libuemf) of the work part, from the kernel's facets
// and the part's curves.
#include "host/model/display/output.h"

#include <cairo.h>
#include <uwmf.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/parts.h"
#include "host/model/display/settings.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/engine/outline.h"
#include "host/numeric/curves.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace host::output {
namespace {

constexpr int kWindowWidth = 800, kWindowHeight = 600;  // the shading window after a reset
constexpr double kMetaWidth = 1024, kMetaHeight = 768;  // the graphics window's picture
constexpr double kFacetTolerance = 0.05;                // of the model's size
constexpr int kCurveSteps = 64;

struct State {
    int width = kWindowWidth, height = kWindowHeight;
    unsigned int handle[2] = {0, 0};
    std::string picture;
};
State& st() { return service_state<State>("shading output"); }
const bool registered = (st(), true);

struct Rgb {
    double r, g, b;
};

struct Triangle {
    double p[9];
    Rgb colour;
};
struct Polyline {
    std::vector<double> points;  // three doubles a point
    Rgb colour;
};
struct Scene {
    std::vector<Triangle> triangles;
    std::vector<Polyline> lines;
    std::vector<double> dots;
    std::vector<Rgb> dot_colours;
    bool any = false;
    double box[6] = {0, 0, 0, 0, 0, 0};
};

Rgb colour_of(int number) {
    char name[UICO_NAME_CHARS + 1];
    double v[3];
    UICO_ask_color(std::clamp(number, 0, 216), 0, name, v);
    return {v[0], v[1], v[2]};
}

int entity_colour(unsigned int object) {
    const entity::Attrs* a = entity::find(object);
    return a ? a->color : ES_ask_entity_color(object);
}

bool shown(unsigned int object) {
    const entity::Attrs* a = entity::find(object);
    return !(a && a->blanked);
}

Scene scene_of(const Call& call) {
    Scene s;
    const unsigned int work = CONTEXT_ask_work_part();
    if (work == 0) call.fail(HOST_ERR_DEAD_TAG, "no work part");
    s.any = display_settings::model_box(work, s.box);
    if (!s.any) return s;
    const double size = std::max({s.box[1] - s.box[0], s.box[3] - s.box[2], s.box[5] - s.box[4], 1e-6});
    for (unsigned int o : objects::objects_of_part(work)) {
        const objects::Object& ob = objects::require(o);
        if (!shown(o)) continue;
        const Rgb colour = colour_of(entity_colour(o));
        if (ob.type == HOST_TYPE_SOLID && ob.subtype == HOST_SUBTYPE_BODY) {
            const int body = kernel::entity_of(o);
            if (body == 0) continue;
            int count = 0;
            double* points = nullptr;
            ZQ_BODY_facet(body, kFacetTolerance * size, &count, &points);
            for (int i = 0; i < count; ++i) {
                Triangle t{};
                std::copy(points + 9 * i, points + 9 * i + 9, t.p);
                t.colour = colour;
                s.triangles.push_back(t);
            }
            if (points) SM_free(points);
            for (auto& line : kernel::edge_polylines(body, kFacetTolerance * size * 0.2))
                s.lines.push_back({std::move(line), {0, 0, 0}});
        } else if (ob.type == HOST_TYPE_POINT) {
            double p[3];
            ES_ask_coordinates_of_point(o, p);
            s.dots.insert(s.dots.end(), p, p + 3);
            s.dot_colours.push_back(colour);
        } else if (ob.type == HOST_TYPE_LINE || ob.type == HOST_TYPE_ARC || ob.type == HOST_TYPE_CONIC ||
                   ob.type == HOST_TYPE_SPLINE) {
            auto c = curves::curve_of(o);
            if (!c) continue;
            double lim[2];
            hostnum::curve_limits(c->record(), lim);
            Polyline pl{{}, colour};
            for (int k = 0; k <= kCurveSteps; ++k) {
                double p[3];
                if (hostnum::curve_evaluate(c->record(), 0, lim[0] + (lim[1] - lim[0]) * k / kCurveSteps, p, nullptr) ==
                    hostnum::CurveError::ok)
                    pl.points.insert(pl.points.end(), p, p + 3);
            }
            if (pl.points.size() >= 6) s.lines.push_back(std::move(pl));
        }
    }
    return s;
}

// The isometric view: the eye looks along -(1, 1, 1); screen y grows down.
struct View {
    double scale = 1, cx = 0, cy = 0, w = 1, h = 1;
    static void project(const double p[3], double& x, double& y) {
        const double c30 = std::sqrt(3.0) / 2;
        x = (p[0] - p[1]) * c30;
        y = p[2] - (p[0] + p[1]) * 0.5;
    }
    void at(const double p[3], double& x, double& y) const {
        double u, v;
        project(p, u, v);
        x = w / 2 + (u - cx) * scale;
        y = h / 2 - (v - cy) * scale;
    }
};

View fit(const Scene& s, double w, double h) {
    View v;
    v.w = w;
    v.h = h;
    if (!s.any) return v;
    double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
    for (int i = 0; i < 8; ++i) {
        const double p[3] = {s.box[(i & 1) ? 1 : 0], s.box[(i & 2) ? 3 : 2], s.box[(i & 4) ? 5 : 4]};
        double x, y;
        View::project(p, x, y);
        lo[0] = std::min(lo[0], x), hi[0] = std::max(hi[0], x);
        lo[1] = std::min(lo[1], y), hi[1] = std::max(hi[1], y);
    }
    const double sx = hi[0] - lo[0], sy = hi[1] - lo[1];
    v.scale = 0.9 * std::min(sx > 0 ? w / sx : 1e300, sy > 0 ? h / sy : 1e300);
    if (v.scale > 1e299) v.scale = 1;
    v.cx = (lo[0] + hi[0]) / 2;
    v.cy = (lo[1] + hi[1]) / 2;
    return v;
}

// What a picture is drawn with, in the painter's order: the background
// first, then facets, line segments and dots (screen coordinates, y
// growing down).
class Painter {
public:
    virtual ~Painter() = default;
    virtual void background(Rgb colour, double w, double h) = 0;
    virtual void facet(const double xy[6], Rgb colour) = 0;
    virtual void segment(const double xy[4], Rgb colour) = 0;
    virtual void dot(double x, double y, double radius, Rgb colour) = 0;
};

constexpr double kDotRadius = 2.0;

void draw(Painter& out, const Scene& s, double w, double h, Rgb background) {
    out.background(background, w, h);
    const View v = fit(s, w, h);
    const double k = 1 / std::sqrt(3.0);
    const double eye[3] = {k, k, k};
    // The light comes from above, over the viewer's left shoulder, so that
    // faces of different directions show different shades.
    const double ln = std::sqrt(0.2 * 0.2 + 0.5 * 0.5 + 0.85 * 0.85);
    const double light[3] = {0.2 / ln, 0.5 / ln, 0.85 / ln};
    auto depth_of = [&](const double* p, int n) {
        double d = 0;
        for (int i = 0; i < n; ++i) d += p[3 * i] * eye[0] + p[3 * i + 1] * eye[1] + p[3 * i + 2] * eye[2];
        return d / n;
    };
    // Facets and line segments drawn far ones first (painter's order);
    // a segment counts a little nearer than the faces it bounds.
    const double size = std::max({s.box[1] - s.box[0], s.box[3] - s.box[2], s.box[5] - s.box[4], 1e-6});
    struct Piece {
        double depth;
        const Triangle* t;
        const double* seg;
        const Rgb* colour;
    };
    std::vector<Piece> pieces;
    for (const Triangle& t : s.triangles) pieces.push_back({depth_of(t.p, 3), &t, nullptr, &t.colour});
    for (const Polyline& pl : s.lines)
        for (std::size_t i = 0; i + 5 < pl.points.size(); i += 3)
            pieces.push_back(
                {depth_of(pl.points.data() + i, 2) + 1e-3 * size, nullptr, pl.points.data() + i, &pl.colour});
    std::stable_sort(pieces.begin(), pieces.end(), [](const Piece& a, const Piece& b) { return a.depth < b.depth; });
    for (const Piece& piece : pieces) {
        if (piece.seg) {
            double xy[4];
            v.at(piece.seg, xy[0], xy[1]);
            v.at(piece.seg + 3, xy[2], xy[3]);
            out.segment(xy, *piece.colour);
            continue;
        }
        const Triangle* t = piece.t;
        const double a[3] = {t->p[3] - t->p[0], t->p[4] - t->p[1], t->p[5] - t->p[2]};
        const double b[3] = {t->p[6] - t->p[0], t->p[7] - t->p[1], t->p[8] - t->p[2]};
        const double n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
        const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        if (len <= 0) continue;
        const double shade = 0.3 + 0.7 * std::fabs((n[0] * light[0] + n[1] * light[1] + n[2] * light[2]) / len);
        double xy[6];
        for (int i = 0; i < 3; ++i) v.at(t->p + 3 * i, xy[2 * i], xy[2 * i + 1]);
        out.facet(xy, {t->colour.r * shade, t->colour.g * shade, t->colour.b * shade});
    }
    for (std::size_t i = 0; i + 2 < s.dots.size(); i += 3) {
        double x, y;
        v.at(s.dots.data() + i, x, y);
        out.dot(x, y, kDotRadius, s.dot_colours[i / 3]);
    }
}

// ---- cairo: the shaded images ----------------------------------------------

struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDeleter {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using Context = std::unique_ptr<cairo_t, ContextDeleter>;

class CairoPainter : public Painter {
public:
    explicit CairoPainter(cairo_surface_t* surface) : cr_(cairo_create(surface)) {}
    cairo_status_t status() const { return cairo_status(cr_.get()); }
    void background(Rgb c, double, double) override {
        cairo_set_source_rgb(cr_.get(), c.r, c.g, c.b);
        cairo_paint(cr_.get());
    }
    void facet(const double xy[6], Rgb c) override {
        cairo_t* cr = cr_.get();
        cairo_set_source_rgb(cr, c.r, c.g, c.b);
        cairo_move_to(cr, xy[0], xy[1]);
        cairo_line_to(cr, xy[2], xy[3]);
        cairo_line_to(cr, xy[4], xy[5]);
        cairo_close_path(cr);
        cairo_fill_preserve(cr);
        cairo_set_line_width(cr, 0.5);
        cairo_stroke(cr);  // closes the seams between facets
    }
    void segment(const double xy[4], Rgb c) override {
        cairo_t* cr = cr_.get();
        cairo_set_source_rgb(cr, c.r, c.g, c.b);
        cairo_set_line_width(cr, 1.0);
        cairo_move_to(cr, xy[0], xy[1]);
        cairo_line_to(cr, xy[2], xy[3]);
        cairo_stroke(cr);
    }
    void dot(double x, double y, double radius, Rgb c) override {
        cairo_set_source_rgb(cr_.get(), c.r, c.g, c.b);
        cairo_arc(cr_.get(), x, y, radius, 0, 2 * M_PI);
        cairo_fill(cr_.get());
    }

private:
    Context cr_;
};

// ---- the Windows metafile of the graphics window -----------------------------
//
// A placeable metafile (WMF) written with libuemf: one logical unit per
// pixel of the window's picture, 96 units an inch; the background a
// rectangle, facets polygons filled in their shade, line segments
// polylines of two points, dots ellipses; one pen and one brush at a time,
// made when the colour changes and deleted when the next one is selected.

constexpr unsigned int kMetaUnitsPerInch = 96;
constexpr double kMetaLargest = 32767;  // the largest logical coordinate

U_COLORREF colour_ref(Rgb c) {
    const auto byte = [](double v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
    return U_RGB(byte(c.r), byte(c.g), byte(c.b));
}

bool same(U_COLORREF a, U_COLORREF b) { return a.Red == b.Red && a.Green == b.Green && a.Blue == b.Blue; }

U_POINT16 point16(double x, double y) {
    const auto unit = [](double v) {
        return static_cast<int16_t>(std::lround(std::clamp(v, -kMetaLargest, kMetaLargest)));
    };
    return {unit(x), unit(y)};
}

class MetafilePainter : public Painter {
public:
    explicit MetafilePainter(const Call& call) : call_(call) {
        // The records are gathered in memory: the file is written whole
        // once the picture is finished, or not at all.
        WMFTRACK* track = nullptr;
        if (wmf_start("/dev/null", 1 << 16, 1 << 16, &track) != 0) fail("no metafile can be started");
        track_.reset(track);
        std::fclose(track->fp);
        track->fp = open_memstream(&bytes_, &size_);
        if (!track->fp) fail("no memory for the metafile");
        WMFHANDLES* handles = nullptr;
        if (wmf_htable_create(16, 16, &handles) != 0) fail("no object table for the metafile");
        handles_.reset(handles);
    }
    ~MetafilePainter() override {
        if (track_ && track_->fp) {
            std::fclose(track_->fp);
            track_->fp = nullptr;
        }
        track_.reset();
        std::free(bytes_);
    }
    MetafilePainter(const MetafilePainter&) = delete;
    MetafilePainter& operator=(const MetafilePainter&) = delete;

    void background(Rgb c, double w, double h) override {
        U_PAIRF inches{static_cast<float>(w / kMetaUnitsPerInch), static_cast<float>(h / kMetaUnitsPerInch)};
        char* header = U_WMRHEADER_set(&inches, kMetaUnitsPerInch);
        if (!header || wmf_header_append(reinterpret_cast<U_METARECORD*>(header), track_.get(), 1) != 0)
            fail("the metafile's header");
        add(U_WMRSETWINDOWORG_set(point16(0, 0)));
        add(U_WMRSETWINDOWEXT_set(point16(w, h)));
        use(c);
        add(U_WMRRECTANGLE_set(U_RECT16_set(point16(0, 0), point16(w, h))));
    }
    void facet(const double xy[6], Rgb c) override {
        use(c);
        const U_POINT16 p[3] = {point16(xy[0], xy[1]), point16(xy[2], xy[3]), point16(xy[4], xy[5])};
        add(U_WMRPOLYGON_set(3, p));
    }
    void segment(const double xy[4], Rgb c) override {
        use_pen(c);
        const U_POINT16 p[2] = {point16(xy[0], xy[1]), point16(xy[2], xy[3])};
        add(U_WMRPOLYLINE_set(2, p));
    }
    void dot(double x, double y, double radius, Rgb c) override {
        use(c);
        add(U_WMRELLIPSE_set(U_RECT16_set(point16(x - radius, y - radius), point16(x + radius, y + radius))));
    }

    // The finished metafile's bytes.
    std::string finish() {
        add(U_WMREOF_set());
        if (wmf_finish(track_.get()) != 0) fail("the metafile cannot be finished");
        track_->fp = nullptr;  // closed by the finish
        std::string out(bytes_, size_);
        // The header's size counts the words of the metafile proper, which
        // the placeable record only precedes (libuemf counts it too).
        constexpr std::size_t kPlaceable = 22, kSizeAt = kPlaceable + 6;
        if (out.size() < kSizeAt + 4) fail("the metafile is cut short");
        const auto words = static_cast<std::uint32_t>((out.size() - kPlaceable) / 2);
        for (int i = 0; i < 4; ++i) out[kSizeAt + i] = static_cast<char>(words >> (8 * i) & 0xFF);
        return out;
    }

private:
    struct TrackDeleter {
        void operator()(WMFTRACK* t) const { wmf_free(&t); }
    };
    struct HandlesDeleter {
        void operator()(WMFHANDLES* h) const { wmf_htable_free(&h); }
    };
    [[noreturn]] void fail(const char* what) const { call_.fail(HOST_ERR_NO_MEMORY, "%s", what); }
    void add(char* record) {
        if (!record || wmf_append(reinterpret_cast<U_METARECORD*>(record), track_.get(), 1) != 0)
            fail("a record of the metafile");
    }
    // Pen and brush of the colour (facets and dots are outlined in their
    // own colour, which closes the seams between facets).
    void use(Rgb c) {
        use_pen(c);
        const U_COLORREF ref = colour_ref(c);
        if (brush_ && same(brush_colour_, ref)) return;
        uint32_t made = 0;
        add(wcreatebrushindirect_set(&made, handles_.get(), U_WLOGBRUSH_set(U_BS_SOLID, ref, 0)));
        replace(brush_, made);
        brush_colour_ = ref;
    }
    void use_pen(Rgb c) {
        const U_COLORREF ref = colour_ref(c);
        if (pen_ && same(pen_colour_, ref)) return;
        uint32_t made = 0;
        add(wcreatepenindirect_set(&made, handles_.get(), U_PEN_set(U_PS_SOLID, 1, ref)));
        replace(pen_, made);
        pen_colour_ = ref;
    }
    // Selects the object just made and deletes the one it replaces.
    void replace(std::optional<uint32_t>& slot, uint32_t made) {
        add(wselectobject_set(made, handles_.get()));
        if (slot) {
            uint32_t old = *slot;
            add(wdeleteobject_set(&old, handles_.get()));
        }
        slot = made;
    }

    const Call& call_;
    std::unique_ptr<WMFTRACK, TrackDeleter> track_;
    std::unique_ptr<WMFHANDLES, HandlesDeleter> handles_;
    char* bytes_ = nullptr;
    std::size_t size_ = 0;
    std::optional<uint32_t> pen_, brush_;
    U_COLORREF pen_colour_{}, brush_colour_{};
};

// The metafile of the scene on a window of w x h units.
std::string metafile(const Call& call, const Scene& s, double w, double h, Rgb background) {
    MetafilePainter out(call);
    draw(out, s, w, h, background);
    return out.finish();
}

}  // namespace

void open_window(unsigned int handle) { st().handle[0] = handle; }
const std::string& window_picture() { return st().picture; }
void window_size(int& width, int& height) {
    width = st().width;
    height = st().height;
}

}  // namespace host::output

namespace ho = host::output;

extern "C" {

void SH_batch_shade(const char* file, int width, int height, int background) {
    auto call = HOST_ENTRY_TEXT(file, width, height, background);
    call.need(file, "the file name");
    if (width < 1 || height < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "an image of %d x %d pixels", width, height);
    if (background < 0 || background > 216) call.fail(HOST_ERR_BAD_ARGUMENT, "background colour %d", background);
    const ho::Scene s = ho::scene_of(call);
    const ho::Rgb bg = ho::colour_of(background);
    ho::Surface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        call.fail(HOST_ERR_NO_MEMORY, "no image of %d x %d pixels", width, height);
    {
        ho::CairoPainter painter(surface.get());
        ho::draw(painter, s, width, height, bg);
    }
    const cairo_status_t written = cairo_surface_write_to_png(surface.get(), file);
    if (written != CAIRO_STATUS_SUCCESS) call.fail(SH_ERR_FILE, "%s: %s", file, cairo_status_to_string(written));
}

void SH_set_window(int width, int height) {
    auto call = HOST_ENTRY(width, height);
    if (width < 1 || height < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "a window of %d x %d", width, height);
    ho::st().width = width;
    ho::st().height = height;
}

void SH_reset_window(void) {
    HOST_ENTRY();
    ho::st().width = ho::kWindowWidth;
    ho::st().height = ho::kWindowHeight;
}

void SH_vrml(const char* file, double scale, int curves) {
    auto call = HOST_ENTRY_TEXT(file, scale, curves);
    call.need(file, "the file name");
    if (!(scale > 0)) call.fail(HOST_ERR_BAD_ARGUMENT, "scale %g", scale);
    const ho::Scene s = ho::scene_of(call);
    std::string out = "#VRML V2.0 utf8\n";
    char buf[256];
    const double cx = (s.box[0] + s.box[1]) / 2 * scale, cy = (s.box[2] + s.box[3]) / 2 * scale,
                 cz = (s.box[4] + s.box[5]) / 2 * scale;
    const double size = std::max({s.box[1] - s.box[0], s.box[3] - s.box[2], s.box[5] - s.box[4], 1e-6}) * scale;
    const double aspect = static_cast<double>(ho::st().width) / ho::st().height;
    std::snprintf(buf, sizeof buf, "Viewpoint { position %.6g %.6g %.6g fieldOfView %.6g }\n", cx, cy, cz + 2 * size,
                  aspect >= 1 ? 0.785398 : 0.785398 / aspect);
    out += buf;
    auto colour = [&](const ho::Rgb& c) {
        std::snprintf(buf, sizeof buf,
                      "  appearance Appearance { material Material { diffuseColor %.4g %.4g %.4g } }\n", c.r, c.g, c.b);
        out += buf;
    };
    if (!s.triangles.empty()) {
        out += "Shape {\n";
        colour(s.triangles.front().colour);
        out += "  geometry IndexedFaceSet {\n    solid FALSE\n    coord Coordinate { point [\n";
        for (const ho::Triangle& t : s.triangles)
            for (int k = 0; k < 3; ++k) {
                std::snprintf(buf, sizeof buf, "      %.9g %.9g %.9g,\n", t.p[3 * k] * scale, t.p[3 * k + 1] * scale,
                              t.p[3 * k + 2] * scale);
                out += buf;
            }
        out += "    ] }\n    coordIndex [\n";
        for (std::size_t i = 0; i < s.triangles.size(); ++i) {
            std::snprintf(buf, sizeof buf, "      %zu, %zu, %zu, -1,\n", 3 * i, 3 * i + 1, 3 * i + 2);
            out += buf;
        }
        out += "    ]\n  }\n}\n";
    }
    if (curves == 1)
        for (const ho::Polyline& pl : s.lines) {
            out += "Shape {\n";
            colour(pl.colour);
            out += "  geometry IndexedLineSet {\n    coord Coordinate { point [\n";
            for (std::size_t k = 0; k + 2 < pl.points.size(); k += 3) {
                std::snprintf(buf, sizeof buf, "      %.9g %.9g %.9g,\n", pl.points[k] * scale,
                              pl.points[k + 1] * scale, pl.points[k + 2] * scale);
                out += buf;
            }
            out += "    ] }\n    coordIndex [";
            for (std::size_t k = 0; k < pl.points.size() / 3; ++k) out += " " + std::to_string(k) + ",";
            out += " -1 ]\n  }\n}\n";
        }
    std::FILE* f = std::fopen(file, "wb");
    if (!f) call.fail(SH_ERR_FILE, "%s cannot be written", file);
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    if (std::fclose(f) != 0 || !ok) call.fail(SH_ERR_FILE, "%s cannot be written", file);
}

void SH_adaptive(int w1, int w2, int w3, int w4, int w5, int w6, int w7, int w8, int w9, int w10, int w11, int w12,
                 int w13) {
    auto call = HOST_ENTRY(w1, w2, w3, w4);
    (void)w5, (void)w6, (void)w7, (void)w8, (void)w9, (void)w10, (void)w11, (void)w12, (void)w13;
    call.fail(HOST_ERR_OUT_OF_SCOPE, "web-viewable shaded output is not made by this host");
}

int SH_batch_animate(const char* file, const char* second, int first, int last) {
    auto call = HOST_ENTRY_TEXT(file, second, first, last);
    int status;
    if (call.status(status)) return status;
    return HOST_ERR_OUT_OF_SCOPE;  // animations are not made by this host
}

int DSS_DVC_ask_current_device(void) {
    auto call = HOST_ENTRY();
    return static_cast<int>(call.int_out(0, 1));
}

const unsigned int* DSS_DVC_ask_device_handle(int device) {
    auto call = HOST_ENTRY(device);
    if (device != 1) call.fail(HOST_ERR_BAD_ARGUMENT, "device %d", device);
    return ho::st().handle;
}

void DSS_WMF_create_metafile(int destination, const char* file, int reserved, unsigned int handle, double scale,
                             int reserved2, int reserved3) {
    auto call = HOST_ENTRY_TEXT(file, destination, handle, scale);
    (void)reserved, (void)reserved2, (void)reserved3;
    if (destination != 0 && destination != 1) call.fail(HOST_ERR_BAD_ARGUMENT, "destination %d", destination);
    const double w = ho::kMetaWidth * scale, h = ho::kMetaHeight * scale;
    if (!(scale > 0) || w > ho::kMetaLargest || h > ho::kMetaLargest)
        call.fail(HOST_ERR_BAD_ARGUMENT, "scale %g", scale);
    if (destination == 1) call.need(file, "the file name");
    else if (handle == 0 || handle != ho::st().handle[0]) call.fail(HOST_ERR_BAD_ARGUMENT, "window %u", handle);
    std::string picture = ho::metafile(call, ho::scene_of(call), w, h, ho::colour_of(0));
    if (destination == 0) {
        ho::st().picture = std::move(picture);
        return;
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(picture.data(), static_cast<std::streamsize>(picture.size()));
    out.close();
    if (!out) call.fail(SH_ERR_FILE, "%s cannot be written", file);
}

}  // extern "C"
