// Part-file section "KBDY": the solid kernel's bodies of a part, in the
// kernel's own binary format, with the objects of their faces and edges.
//
// Payload: u32 body count, then per body:
//   u32 object number of the body
//   f64 density
//   str the body's shape in the kernel's binary format (no meshes)
//   u32 face count, then per face (in the kernel's order of the shape read
//       back) the face's object number, kNone for a face whose object was
//       not written
//   u32 edge count and the edges' object numbers, the same way
//
// The reader is strict: a shape that does not decode or that the kernel
// finds invalid, counts of faces or edges other than the shape's, numbers
// of objects that are not kernel bodies, faces or edges of the right kind,
// or an object named twice make the file corrupt. A reopened body keeps its
// faces', edges' and body's objects and gets new kernel tags; without the
// steps section below it is a body of one imported step.
//
// Part-file section "KSTP" (after "KBDY"): the steps that made each body,
// so that a reopened body can be edited and made again with its faces and
// edges keeping their tags.
//
// Payload: u32 body count, then per body:
//   u32 object number of the body (a body of the "KBDY" section)
//   u32 face count and the faces' kernel tags as saved (i32 each), u32 edge
//       count and the edges' tags: the body's own, in the kernel's order
//   u32 step count (at least 1) and the steps, first to last
// Step:
//   u32 operation, u32 count and f64 numbers, u32 count and i32 tags of the
//   faces or edges it works on, i32 mode, u8 edited
//   shape of its tool or profile, u8 1 and its tags (a named list) or u8 0,
//   shape of its second input, u32 count and shapes of further inputs
//   u8 1 and the step that makes its tool (a step without a tool) or u8 0
//   u32 count of names, each a str key and its i32 tag
//   u8 1 when its result is the body's shape, else u8 0 and the shape;
//   the tags of its result (a named list)
// A shape is a str in the kernel's binary format (empty: none). A named
// list: u32 count and i32 face tags, u32 count and i32 edge tags, in the
// kernel's order of its shape, and u32 count of split pieces with i32
// piece and i32 origin.
//
// Tags as saved are taken to new ones: the body's faces and edges to the
// tags the "KBDY" section gave them, any other tag to a new tag, the same
// for every place it appears (naming keys included). The reader is as
// strict as the others: an unknown operation, a shape that does not
// decode, tag lists that do not match their shapes, a tag that is not
// positive, or a body named twice or not read before make the file
// corrupt.
#include <BRepCheck_Analyzer.hxx>
#include <BRep_CurveRepresentation.hxx>
#include <BRep_GCurve.hxx>
#include <BRep_PointRepresentation.hxx>
#include <BRep_TEdge.hxx>
#include <BRep_TFace.hxx>
#include <BRep_TVertex.hxx>
#include <BinTools.hxx>
#include <Geom2d_Curve.hxx>
#include <Geom_Curve.hxx>
#include <Geom_Surface.hxx>
#include <Standard_Failure.hxx>
#include <TopLoc_Datum3D.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Iterator.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopTools_MapOfShape.hxx>

#include <algorithm>
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <sstream>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>

#include "host/store/entities/curve_entities.h"
#include "host/store/parts/part_file.h"
#include "host/kernel/engine/brep.h"
#include "host/base/services/objects.h"

namespace {

namespace pf = host::part_file;
namespace hd = host::kernel::detail;

constexpr std::uint32_t kNone = 0xFFFFFFFFu;

// The first line the kernel writes in front of every shape: data that does
// not start with it is refused before the kernel reads it (the kernel's
// reader would complain on the console).
const std::string& data_header() {
    static const std::string header = [] {
        std::ostringstream data;
        BinTools::Write(TopoDS_Shape(), data, Standard_False, Standard_False, BinTools_FormatVersion_CURRENT);
        const std::string all = data.str();
        return all.substr(0, all.find('\n') + 1);
    }();
    return header;
}

// A shape in the kernel's binary format (empty: none).
std::string shape_bytes(const TopoDS_Shape& shape) {
    if (shape.IsNull()) return {};
    std::ostringstream data;
    BinTools::Write(shape, data, Standard_False, Standard_False, BinTools_FormatVersion_CURRENT);
    return data.str();
}

// ---- shapes from a file ----
//
// The kernel's binary reader takes what the data says: damaged data can
// make shapes that decode but whose parts are missing (a face without a
// surface, an edge without a curve, a vertex without a point), that hold
// sub-shapes of the wrong kind, or whose numbers are not finite. The
// kernel's checker and algorithms take such shapes to be whole and crash
// on them, so every shape read is first walked here and refused unless it
// is built the way the kernel builds shapes.
class ShapeWalk {
public:
    bool sound(const TopoDS_Shape& shape) { return walk(shape, 0); }

private:
    static constexpr int kDeepest = 16;         // compounds in compounds included
    static constexpr int kMostShapes = 200000;  // sub-shapes visited
    static constexpr double kLargest = 1e12;    // coordinates, parameters, tolerances

    static bool finite(double v) { return std::isfinite(v) && std::fabs(v) <= kLargest; }
    static bool finite(const gp_XYZ& p) { return finite(p.X()) && finite(p.Y()) && finite(p.Z()); }
    static bool tolerance(double t) { return finite(t) && t >= 0; }

    // A location the kernel can place shapes by: a chain of rigid moves.
    static bool rigid(const TopLoc_Location& location) {
        int links = 0;
        for (TopLoc_Location l = location; !l.IsIdentity(); l = l.NextLocation()) {
            if (++links > kDeepest) return false;
            if (l.FirstDatum().IsNull()) return false;
            const gp_Trsf& t = l.FirstDatum()->Trsf();
            if (!finite(t.TranslationPart()) || std::fabs(std::fabs(t.ScaleFactor()) - 1) > 1e-9) return false;
            const gp_Mat m = t.HVectorialPart();
            for (int i = 1; i <= 3; ++i)
                for (int j = 1; j <= 3; ++j) {
                    double dot = 0;
                    for (int k = 1; k <= 3; ++k) dot += m(k, i) * m(k, j);
                    if (!(std::fabs(dot - (i == j ? 1 : 0)) <= 1e-9)) return false;
                }
        }
        return true;
    }
    // Sub-shapes of the kinds the kernel puts in a shape of `parent`'s kind.
    static bool holds(TopAbs_ShapeEnum parent, TopAbs_ShapeEnum child) {
        switch (parent) {
            case TopAbs_COMPOUND: return child != TopAbs_SHAPE;
            case TopAbs_COMPSOLID: return child == TopAbs_SOLID;
            case TopAbs_SOLID: return child == TopAbs_SHELL;
            case TopAbs_SHELL: return child == TopAbs_FACE;
            case TopAbs_FACE: return child == TopAbs_WIRE;
            case TopAbs_WIRE: return child == TopAbs_EDGE;
            case TopAbs_EDGE: return child == TopAbs_VERTEX;
            default: return false;
        }
    }
    static bool curve_at(const Handle(Geom_Curve) & c, double first, double last) {
        return !c.IsNull() && finite(c->Value(first).XYZ()) && finite(c->Value(last).XYZ());
    }
    static bool pcurve_at(const Handle(Geom2d_Curve) & c, double first, double last) {
        if (c.IsNull()) return false;
        const gp_Pnt2d a = c->Value(first), b = c->Value(last);
        return finite(a.X()) && finite(a.Y()) && finite(b.X()) && finite(b.Y());
    }
    static bool edge(const TopoDS_Edge& e) {
        const auto* t = dynamic_cast<const BRep_TEdge*>(e.TShape().get());
        if (!t || !tolerance(t->Tolerance())) return false;
        bool curve = false;
        for (const Handle(BRep_CurveRepresentation) & r : t->Curves()) {
            if (r.IsNull() || !rigid(r->Location())) return false;
            const auto* g = dynamic_cast<const BRep_GCurve*>(r.get());
            if (!g) {
                if (!r->IsRegularity()) return false;  // meshes are never written
                if (r->Surface().IsNull() || r->Surface2().IsNull()) return false;
                continue;
            }
            // A representation without a 3D curve (as the kernel gives a
            // degenerated edge, at the tip of a cone say) has no range: the
            // kernel leaves it unbounded.
            if (g->IsCurve3D() && g->Curve3D().IsNull()) continue;
            const double first = g->First(), last = g->Last();
            if (!finite(first) || !finite(last) || !(first <= last)) return false;
            if (g->IsCurve3D()) {
                if (!curve_at(g->Curve3D(), first, last)) return false;
                curve = true;
            } else if (g->IsCurveOnSurface()) {
                if (g->Surface().IsNull() || !pcurve_at(g->PCurve(), first, last)) return false;
                if (g->IsCurveOnClosedSurface() && !pcurve_at(g->PCurve2(), first, last)) return false;
            } else {
                return false;
            }
        }
        return curve || t->Degenerated();
    }

    // A shape's orientation as the number the reader stored: data bytes
    // taken as they are, which the kernel then looks up in tables of its
    // own. The number is read from the shape's bytes, where two shapes
    // that differ in orientation only differ (no load of a value that is
    // not one of the orientations).
    using OrientationNumber = std::underlying_type_t<TopAbs_Orientation>;
    static OrientationNumber stored_orientation(const TopoDS_Shape& s) {
        static const std::size_t at = [] {
            TopoDS_Shape a, b;
            a.Orientation(TopAbs_REVERSED);
            b.Orientation(TopAbs_INTERNAL);
            for (std::size_t i = 0; i + sizeof(OrientationNumber) <= sizeof(TopoDS_Shape);
                 i += alignof(OrientationNumber)) {
                OrientationNumber x = 0, y = 0;
                std::memcpy(&x, reinterpret_cast<const unsigned char*>(&a) + i, sizeof x);
                std::memcpy(&y, reinterpret_cast<const unsigned char*>(&b) + i, sizeof y);
                if (x == TopAbs_REVERSED && y == TopAbs_INTERNAL) return i;
            }
            std::abort();  // a shape without its orientation: not the kernel this was built with
        }();
        OrientationNumber n = 0;
        std::memcpy(&n, reinterpret_cast<const unsigned char*>(&s) + at, sizeof n);
        return n;
    }

    bool walk(const TopoDS_Shape& s, int depth) {
        if (s.IsNull() || depth > kDeepest || !rigid(s.Location())) return false;
        if (const auto o = static_cast<long long>(stored_orientation(s)); o < 0 || o > TopAbs_EXTERNAL) return false;
        if (!done_.Add(s.Located(TopLoc_Location()).Oriented(TopAbs_FORWARD))) return true;  // shared: seen
        if (++visited_ > kMostShapes) return false;
        switch (s.ShapeType()) {
            case TopAbs_VERTEX: {
                const auto* t = dynamic_cast<const BRep_TVertex*>(s.TShape().get());
                if (!t || !finite(t->Pnt().XYZ()) || !tolerance(t->Tolerance())) return false;
                for (const Handle(BRep_PointRepresentation) & r : t->Points()) {
                    if (r.IsNull() || !rigid(r->Location()) || !finite(r->Parameter())) return false;
                    if (r->IsPointOnCurve()            ? r->Curve().IsNull()
                        : r->IsPointOnCurveOnSurface() ? r->PCurve().IsNull() || r->Surface().IsNull()
                        : r->IsPointOnSurface()        ? r->Surface().IsNull() || !finite(r->Parameter2())
                                                       : true)
                        return false;
                }
                break;
            }
            case TopAbs_EDGE:
                if (!edge(TopoDS::Edge(s))) return false;
                break;
            case TopAbs_FACE: {
                const auto* t = dynamic_cast<const BRep_TFace*>(s.TShape().get());
                if (!t || t->Surface().IsNull() || !rigid(t->Location()) || !tolerance(t->Tolerance())) return false;
                break;
            }
            case TopAbs_SHAPE: return false;
            default: break;
        }
        for (TopoDS_Iterator it(s, Standard_False, Standard_False); it.More(); it.Next())
            if (!holds(s.ShapeType(), it.Value().ShapeType()) || !walk(it.Value(), depth + 1)) return false;
        return true;
    }

    TopTools_MapOfShape done_;
    int visited_ = 0;
};

// The kernel's reader takes the counts of its tables and of the poles and
// knots of each curve and surface record as they stand, and reserves room
// for them before reading what they count: a damaged count makes it ask for
// gigabytes. So the geometry part of the data is walked here first, the
// way the reader will read it (keywords, table counts, and every record of
// the 2D curve, curve and surface tables with its nested basis records),
// and refused unless every count fits in the bytes left after it, every
// real is finite and within bounds (a huge parameter of a trimmed curve
// keeps the reader busy for as long as it says) and every table ends where
// the next keyword begins. Meshes are never written: their
// tables must be empty. Only data the writer of this kernel makes is taken
// (its version line first); the records are in the machine's byte order,
// as the reader reads them.
class RecordWalk {
public:
    explicit RecordWalk(const std::string& data) : data_(data) {}

    bool sound() {
        static const std::string version = [] {
            std::ostringstream data;
            BinTools::Write(TopoDS_Shape(), data, Standard_False, Standard_False, BinTools_FormatVersion_CURRENT);
            const std::string all = data.str();
            return all.substr(0, all.find('\n', 1) + 1);
        }();
        if (data_.compare(0, version.size(), version) != 0) return false;
        at_ = version.size();
        std::size_t n = 0;
        if (!table("Locations", n)) return false;
        for (std::size_t i = 0; i < n; ++i)
            if (!location()) return false;
        if (!table("Curve2ds", n)) return false;
        for (std::size_t i = 0; i < n; ++i)
            if (!curve(2, 0)) return false;
        if (!table("Curves", n)) return false;
        for (std::size_t i = 0; i < n; ++i)
            if (!curve(3, 0)) return false;
        for (const char* mesh : {"Polygon3D", "PolygonOnTriangulations"})
            if (!table(mesh, n) || n != 0) return false;
        if (!table("Surfaces", n)) return false;
        for (std::size_t i = 0; i < n; ++i)
            if (!surface(0)) return false;
        if (!table("Triangulations", n) || n != 0) return false;
        return table("TShapes", n);
    }

private:
    static constexpr int kDeepest = 16;       // basis records in basis records
    static constexpr double kLargest = 1e12;  // coordinates, parameters, radii, weights
    static constexpr std::size_t kReal = 8, kInt = 4;

    std::size_t left() const { return data_.size() - at_; }
    template <class T>
    bool take(T& v) {
        if (left() < sizeof v) return false;
        std::memcpy(&v, data_.data() + at_, sizeof v);
        at_ += sizeof v;
        return true;
    }
    bool byte(unsigned& v) {
        std::uint8_t b = 0;
        if (!take(b)) return false;
        v = b;
        return true;
    }
    // A degree (16 bits).
    bool degree(std::size_t& v) {
        std::uint16_t d = 0;
        if (!take(d)) return false;
        v = d;
        return true;
    }
    // A count: a non-negative 32-bit integer.
    bool count(std::size_t& v) {
        std::int32_t c = 0;
        if (!take(c) || c < 0) return false;
        v = static_cast<std::size_t>(c);
        return true;
    }
    // n reals, when they fit, each finite and within bounds (the kernel's
    // reader would loop for as long as a huge parameter says).
    bool reals(std::size_t n) {
        if (n > left() / kReal) return false;
        for (std::size_t i = 0; i < n; ++i) {
            double x = 0;
            take(x);
            if (!(std::fabs(x) <= kLargest)) return false;
        }
        return true;
    }
    // n poles of `dim` coordinates (and a weight each when rational).
    bool poles(std::size_t n, int dim, bool rational) {
        const std::size_t each = static_cast<std::size_t>(dim) + (rational ? 1 : 0);
        return n <= left() / (each * kReal) && reals(n * each);
    }
    // n knots, each a value and its multiplicity.
    bool knots(std::size_t n) {
        if (n > left() / (kReal + kInt)) return false;
        for (std::size_t i = 0; i < n; ++i) {
            std::size_t multiplicity = 0;
            if (!reals(1) || !count(multiplicity)) return false;
        }
        return true;
    }
    // "<keyword> <count>\n" after white space, the count fitting in the rest.
    bool table(const char* keyword, std::size_t& n) {
        const auto space = [](char c) {
            return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\v' || c == '\f';
        };
        while (at_ < data_.size() && space(data_[at_])) ++at_;
        const std::size_t length = std::strlen(keyword);
        if (data_.compare(at_, length, keyword) != 0) return false;
        at_ += length;
        if (left() < 1 || data_[at_] != ' ') return false;
        ++at_;
        n = 0;
        std::size_t digits = 0;
        for (; at_ < data_.size() && data_[at_] >= '0' && data_[at_] <= '9'; ++at_, ++digits) {
            n = n * 10 + static_cast<unsigned>(data_[at_] - '0');
            if (n > data_.size()) return false;
        }
        if (digits == 0 || left() < 1 || data_[at_] != '\n') return false;
        ++at_;
        return n <= left();
    }
    // A rigid move (12 reals) or a product of earlier locations (index and
    // power pairs up to an index 0).
    bool location() {
        unsigned kind = 0;
        if (!byte(kind)) return false;
        if (kind == 1) return reals(12);
        if (kind != 2) return false;
        for (;;) {
            std::size_t index = 0;
            std::int32_t power = 0;
            if (!count(index)) return false;
            if (index == 0) return true;
            if (!take(power)) return false;
        }
    }
    // A curve record of `dim` (2 or 3) dimensions.
    bool curve(int dim, int depth) {
        if (depth > kDeepest) return false;
        const std::size_t point = static_cast<std::size_t>(dim), frame = (dim == 3 ? 4 : 3) * point;
        unsigned kind = 0;
        if (!byte(kind)) return false;
        switch (kind) {
            case 1: return reals(2 * point);  // line: point, direction
            case 2:                           // circle: centre, axes, radius
            case 4: return reals(frame + 1);  // parabola: focal length
            case 3:                           // ellipse, hyperbola: two radii
            case 5: return reals(frame + 2);
            case 6: {  // Bezier: rational flag, degree, degree + 1 poles
                unsigned rational = 0;
                std::size_t d = 0;
                return byte(rational) && degree(d) && poles(d + 1, dim, rational != 0);
            }
            case 7: {  // B-spline: flags, degree, pole and knot counts, poles, knots
                unsigned rational = 0, periodic = 0;
                std::size_t d = 0, n = 0, k = 0;
                return byte(rational) && byte(periodic) && degree(d) && count(n) && count(k) &&
                       poles(n, dim, rational != 0) && knots(k);
            }
            case 8: return reals(2) && curve(dim, depth + 1);  // trimmed: range, basis
            case 9:                                            // offset: distance (direction), basis
                return reals(dim == 3 ? 4 : 1) && curve(dim, depth + 1);
            default: return false;
        }
    }
    bool surface(int depth) {
        if (depth > kDeepest) return false;
        constexpr std::size_t frame = 12;
        unsigned kind = 0;
        if (!byte(kind)) return false;
        switch (kind) {
            case 1: return reals(frame);                     // plane
            case 2:                                          // cylinder
            case 4: return reals(frame + 1);                 // sphere
            case 3:                                          // cone
            case 5: return reals(frame + 2);                 // torus
            case 6: return reals(3) && curve(3, depth + 1);  // extrusion: direction, curve
            case 7: return reals(6) && curve(3, depth + 1);  // revolution: axis, curve
            case 8: {                                        // Bezier: flags, degrees, (du + 1) (dv + 1) poles
                unsigned ur = 0, vr = 0;
                std::size_t du = 0, dv = 0;
                if (!byte(ur) || !byte(vr) || !degree(du) || !degree(dv)) return false;
                return poles((du + 1) * (dv + 1), 3, ur || vr);
            }
            case 9: {  // B-spline: flags, degrees, counts, poles, knots
                unsigned ur = 0, vr = 0, up = 0, vp = 0;
                std::size_t du = 0, dv = 0, nu = 0, nv = 0, ku = 0, kv = 0;
                if (!byte(ur) || !byte(vr) || !byte(up) || !byte(vp) || !degree(du) || !degree(dv) || !count(nu) ||
                    !count(nv) || !count(ku) || !count(kv))
                    return false;
                if (nv != 0 && nu > left() / nv) return false;
                return poles(nu * nv, 3, ur || vr) && knots(ku) && knots(kv);
            }
            case 10: return reals(4) && surface(depth + 1);  // trimmed: box, basis
            case 11: return reals(1) && surface(depth + 1);  // offset: distance, basis
            default: return false;
        }
    }

    const std::string& data_;
    std::size_t at_ = 0;
};

// A shape from a file's kernel data: null when it does not decode or is
// not built the way the kernel builds shapes.
TopoDS_Shape decoded(const std::string& data) {
    if (!RecordWalk(data).sound()) return {};
    // Past the end of the data the kernel's reader would go on reading
    // nothing for as many numbers as a damaged count says, filling room
    // for them: the first read that fails ends the reading instead.
    std::istringstream stream(data);
    stream.exceptions(std::ios::failbit | std::ios::badbit);
    const TopoDS_Shape shape = hd::read_brep(stream);
    try {
        if (shape.IsNull() || !ShapeWalk().sound(shape)) return {};
        // What is read is written again with the part: it must read back
        // (a curve's numbers can be such that the reader refuses what the
        // writer makes of them).
        std::istringstream again(shape_bytes(shape));
        again.exceptions(std::ios::failbit | std::ios::badbit);
        if (hd::read_brep(again).IsNull()) return {};
    } catch (const Standard_Failure&) {
        return {};
    }
    return shape;
}

// The kernel's own check of a sound shape (its failures refuse it).
bool valid(const TopoDS_Shape& shape) {
    try {
        return BRepCheck_Analyzer(shape).IsValid();
    } catch (const Standard_Failure&) {
        return false;
    }
}

void write_objects(pf::Writer& out, const std::vector<hd::Sub>& subs, const pf::SaveContext& ctx) {
    out.u32(static_cast<std::uint32_t>(subs.size()));
    for (const hd::Sub& s : subs) out.u32(s.object ? ctx.index(s.object) : kNone);
}

void write_section(pf::Writer& out, const pf::SaveContext& ctx) {
    std::vector<hd::Body> saved;
    for (int tag : host::kernel::bodies()) {
        const hd::Body b = hd::find_body(tag);
        if (b->object && ctx.index(b->object) != kNone) saved.push_back(b);
    }
    if (saved.empty()) return;
    out.u32(static_cast<std::uint32_t>(saved.size()));
    for (const hd::Body& b : saved) {
        out.u32(ctx.index(b->object));
        out.f64(b->density);
        out.str(shape_bytes(b->shape));
        write_objects(out, b->named().faces, ctx);
        write_objects(out, b->named().edges, ctx);
    }
}

// The objects of one kind of sub-shape, checked against the shape.
void read_objects(pf::Reader& in, const pf::LoadContext& ctx, std::vector<hd::Sub>& subs, int subtype,
                  std::unordered_set<unsigned int>& seen) {
    const std::uint32_t n = in.u32();
    if (n != subs.size()) throw pf::FormatError("a body's faces or edges do not match its shape");
    for (hd::Sub& s : subs) {
        const std::uint32_t number = in.u32();
        if (number == kNone) continue;
        const unsigned int object = ctx.tag_of(number);
        const host::objects::Object* o = host::objects::find(object);
        if (!o || o->type != HOST_TYPE_SOLID || o->subtype != subtype || !seen.insert(object).second)
            throw pf::FormatError("a body names an object that is not its face or edge");
        s.object = object;
    }
}

void read_section(pf::Reader& in, pf::LoadContext& ctx) {
    const host::Call call("KBDY", nullptr);
    hd::ensure_started();
    const std::uint32_t n = in.u32();
    if (n > in.left() / 16) throw pf::FormatError("body count beyond the section");
    std::vector<hd::BodyState> made;
    std::unordered_set<unsigned int> seen;
    for (std::uint32_t i = 0; i < n; ++i) {
        const unsigned int object = ctx.tag_of(in.u32());
        const host::objects::Object* o = host::objects::find(object);
        if (!o || o->type != HOST_TYPE_SOLID || o->subtype != 0 || !seen.insert(object).second)
            throw pf::FormatError("a body's object is not a body");
        const double density = in.f64();
        if (!(density > 0)) throw pf::FormatError("a body's density is not positive");
        const std::string data = in.str();
        if (data.compare(0, data_header().size(), data_header()) != 0)
            throw pf::FormatError("a body's kernel data has no kernel header");
        const TopoDS_Shape shape = decoded(data);
        if (shape.IsNull() || !valid(shape)) throw pf::FormatError("a body's kernel data is not a valid body");
        hd::Step s;
        s.kind = &hd::steps::imported;
        s.other = shape;
        try {
            hd::run_step(call, s, TopoDS_Shape(), nullptr);
        } catch (const Standard_Failure&) {
            throw pf::FormatError("a body's kernel data is not a valid body");
        }
        hd::BodyState b;
        b.tag = hd::new_tag();
        b.object = object;
        b.density = density;
        b.shape = shape;
        b.set_named(s.named);
        b.add_step(std::move(s));
        read_objects(in, ctx, b.edit_named().faces, 2, seen);
        read_objects(in, ctx, b.edit_named().edges, 3, seen);
        hd::name_small(b, nullptr);
        made.push_back(std::move(b));
    }
    hd::commit(std::move(made), {}, true);
}

// ---- steps ----

void write_tags(pf::Writer& out, const std::vector<hd::Sub>& subs) {
    out.u32(static_cast<std::uint32_t>(subs.size()));
    for (const hd::Sub& s : subs) out.i32(s.tag);
}

void write_named(pf::Writer& out, const hd::Named& n) {
    write_tags(out, n.faces);
    write_tags(out, n.edges);
    out.u32(static_cast<std::uint32_t>(n.pieces.size()));
    for (const auto& [piece, from] : n.pieces) {
        out.i32(piece);
        out.i32(from);
    }
}

void write_step(pf::Writer& out, const hd::Step& s, const TopoDS_Shape& body_shape) {
    out.u32(s.kind->number);
    out.u32(static_cast<std::uint32_t>(s.p.size()));
    for (double v : s.p) out.f64(v);
    out.u32(static_cast<std::uint32_t>(s.refs.size()));
    for (int t : s.refs) out.i32(t);
    out.i32(s.mode);
    out.u8(s.edited ? 1 : 0);
    out.str(shape_bytes(s.other));
    out.u8(s.other_named ? 1 : 0);
    if (s.other_named) write_named(out, *s.other_named);
    out.str(shape_bytes(s.other2));
    out.u32(static_cast<std::uint32_t>(s.more.size()));
    for (const TopoDS_Shape& m : s.more) out.str(shape_bytes(m));
    out.u8(s.tool ? 1 : 0);
    if (s.tool) write_step(out, *s.tool, TopoDS_Shape());
    out.u32(static_cast<std::uint32_t>(s.names.size()));
    for (const auto& [key, tag] : s.names.sorted()) {
        out.str(key);
        out.i32(tag);
    }
    const bool is_body = !body_shape.IsNull() && s.result.IsSame(body_shape) && s.result.IsEqual(body_shape);
    out.u8(is_body ? 1 : 0);
    if (!is_body) out.str(shape_bytes(s.result));
    write_named(out, s.named ? *s.named : hd::Named());
}

void write_steps(pf::Writer& out, const pf::SaveContext& ctx) {
    std::vector<hd::Body> saved;
    for (int tag : host::kernel::bodies()) {
        const hd::Body b = hd::find_body(tag);
        if (b->object && ctx.index(b->object) != kNone && !b->steps.empty()) saved.push_back(b);
    }
    if (saved.empty()) return;
    out.u32(static_cast<std::uint32_t>(saved.size()));
    for (const hd::Body& b : saved) {
        out.u32(ctx.index(b->object));
        write_tags(out, b->named().faces);
        write_tags(out, b->named().edges);
        out.u32(static_cast<std::uint32_t>(b->steps.size()));
        for (std::size_t i = 0; i < b->steps.size(); ++i)
            write_step(out, *b->steps[i], i + 1 == b->steps.size() ? b->shape : TopoDS_Shape());
    }
}

// Saved kernel tags to new ones.
class TagMap {
public:
    void seed(int saved, int now) {
        if (saved <= 0 || !map_.emplace(saved, now).second) throw pf::FormatError("a body's tags repeat");
    }
    int operator()(int saved) {
        if (saved <= 0) throw pf::FormatError("a step names a tag that is not positive");
        const auto it = map_.find(saved);
        return it != map_.end() ? it->second : map_.emplace(saved, hd::new_tag()).first->second;
    }
    // A naming key with the tags in it taken over: "s:T:k", "g:T:k" and
    // "a:T1,T2,...:k" (the list sorted again); other keys as they are.
    std::string key(const std::string& k) {
        if (k.size() < 2 || k[1] != ':' || (k[0] != 's' && k[0] != 'g' && k[0] != 'a')) return k;
        const std::size_t end = k.find(':', 2);
        if (end == std::string::npos) throw pf::FormatError("a naming key has no end");
        std::vector<int> tags;
        std::size_t at = 2;
        while (at < end) {
            std::size_t stop = std::min(k.find(',', at), end);
            const std::string digits = k.substr(at, stop - at);
            if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
                throw pf::FormatError("a naming key names no tag");
            tags.push_back((*this)(std::stoi(digits)));
            at = stop + 1;
        }
        if (k[0] != 'a' && tags.size() != 1) throw pf::FormatError("a naming key names no tag");
        std::sort(tags.begin(), tags.end());
        std::string out = k.substr(0, 2);
        for (std::size_t i = 0; i < tags.size(); ++i) out += (i ? "," : "") + std::to_string(tags[i]);
        return out + k.substr(end);
    }

private:
    std::unordered_map<int, int> map_;
};

std::uint32_t count(pf::Reader& in, std::size_t least_bytes) {
    const std::uint32_t n = in.u32();
    if (n > in.left() / least_bytes) throw pf::FormatError("a count beyond the section");
    return n;
}

TopoDS_Shape read_shape(pf::Reader& in) {
    const std::string data = in.str();
    if (data.empty()) return {};
    if (data.compare(0, data_header().size(), data_header()) != 0)
        throw pf::FormatError("a step's kernel data has no kernel header");
    const TopoDS_Shape shape = decoded(data);
    if (shape.IsNull()) throw pf::FormatError("a step's kernel data does not decode");
    return shape;
}

std::vector<int> read_tags(pf::Reader& in, TagMap& tags) {
    std::vector<int> out(count(in, 4));
    for (int& t : out) t = tags(in.i32());
    return out;
}

// A named list of the shape (objects taken from `objects` by position, when given).
std::shared_ptr<const hd::Named> read_named(pf::Reader& in, TagMap& tags, const TopoDS_Shape& shape,
                                            const hd::Named* objects) {
    hd::Named n;
    TopTools_IndexedMapOfShape faces, edges;
    if (!shape.IsNull()) {
        TopExp::MapShapes(shape, TopAbs_FACE, faces);
        TopExp::MapShapes(shape, TopAbs_EDGE, edges);
    }
    const auto subs = [&](const TopTools_IndexedMapOfShape& map, std::vector<hd::Sub>& out,
                          const std::vector<hd::Sub>* with) {
        const std::vector<int> t = read_tags(in, tags);
        if (t.size() != static_cast<std::size_t>(map.Extent()) || (with && with->size() != t.size()))
            throw pf::FormatError("a step's tags do not match its shape");
        for (std::size_t i = 0; i < t.size(); ++i)
            out.push_back({t[i], map(static_cast<int>(i) + 1), with ? (*with)[i].object : 0u});
    };
    subs(faces, n.faces, objects ? &objects->faces : nullptr);
    subs(edges, n.edges, objects ? &objects->edges : nullptr);
    for (std::uint32_t i = 0, k = count(in, 8); i < k; ++i) {
        const int piece = tags(in.i32());
        n.pieces.emplace_back(piece, tags(in.i32()));
    }
    return std::make_shared<hd::Named>(std::move(n));
}

std::shared_ptr<const hd::Step> read_step(pf::Reader& in, TagMap& tags, const hd::BodyState* body, bool tool) {
    hd::Step s;
    const std::uint32_t op = in.u32();
    s.kind = hd::find_step_kind(op);
    if (!s.kind) throw pf::FormatError("a step of an unknown operation");
    s.p.resize(count(in, 8));
    for (double& v : s.p) {
        v = in.f64();
        if (!std::isfinite(v)) throw pf::FormatError("a step's number is not finite");
    }
    s.refs = read_tags(in, tags);
    s.mode = in.i32();
    const std::uint8_t edited = in.u8();
    if (edited > 1) throw pf::FormatError("a step's edited flag is neither 0 nor 1");
    s.edited = edited == 1;
    s.other = read_shape(in);
    if (const std::uint8_t has = in.u8(); has > 1) {
        throw pf::FormatError("a step's flag is neither 0 nor 1");
    } else if (has == 1) {
        s.other_named = read_named(in, tags, s.other, nullptr);
    }
    s.other2 = read_shape(in);
    for (std::uint32_t i = 0, k = count(in, 4); i < k; ++i) s.more.push_back(read_shape(in));
    if (const std::uint8_t has = in.u8(); has > 1 || (has == 1 && tool)) {
        throw pf::FormatError("a step's tool is not a step of its own");
    } else if (has == 1) {
        s.tool = read_step(in, tags, nullptr, true);
    }
    for (std::uint32_t i = 0, k = count(in, 8); i < k; ++i) {
        const std::string key = tags.key(in.str());
        if (!s.names.emplace(key, tags(in.i32())).second) throw pf::FormatError("a step names a key twice");
    }
    const std::uint8_t is_body = in.u8();
    if (is_body > 1 || (is_body == 1 && body == nullptr)) throw pf::FormatError("a step's result is misplaced");
    s.result = is_body ? body->shape : read_shape(in);
    if (s.result.IsNull()) throw pf::FormatError("a step has no result");
    s.named = read_named(in, tags, s.result, is_body ? &body->named() : nullptr);
    return std::make_shared<const hd::Step>(std::move(s));
}

void read_steps(pf::Reader& in, pf::LoadContext& ctx) {
    hd::ensure_started();
    std::vector<hd::BodyState> made;
    std::unordered_set<int> seen;
    for (std::uint32_t i = 0, n = count(in, 16); i < n; ++i) {
        const int tag = host::kernel::entity_of(ctx.tag_of(in.u32()));
        const hd::Body old = tag ? hd::find_body(tag) : nullptr;
        if (!old || !seen.insert(tag).second) throw pf::FormatError("steps of no body read before");
        TagMap tags;
        for (const auto* subs : {&old->named().faces, &old->named().edges}) {
            const std::uint32_t k = count(in, 4);
            if (k != subs->size()) throw pf::FormatError("a body's tags do not match its shape");
            for (const hd::Sub& sub : *subs) tags.seed(in.i32(), sub.tag);
        }
        hd::BodyState b = *old;
        b.steps.clear();
        const std::uint32_t k = count(in, 8);
        if (k == 0) throw pf::FormatError("a body of no steps");
        for (std::uint32_t j = 0; j < k; ++j) {
            auto step = read_step(in, tags, j + 1 == k ? old.get() : nullptr, false);
            b.steps.push_back(std::move(step));
        }
        b.set_named(b.steps.back()->named);
        made.push_back(std::move(b));
    }
    hd::commit(std::move(made), {}, true);
}

// The steps are written after the bodies (one registration order here):
// their reader finds the bodies read.
const bool registered = (pf::register_section({{'K', 'B', 'D', 'Y'}, write_section, read_section}),
                         pf::register_section({{'K', 'S', 'T', 'P'}, write_steps, read_steps}), true);

}  // namespace
