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
// faces', edges' and body's objects and gets new kernel tags; the steps that
// made it are not saved: it is a body of one imported step.
#include <BRepCheck_Analyzer.hxx>
#include <BinTools.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>

#include <sstream>
#include <unordered_set>

#include "host/core/curve_entities.h"
#include "host/data/part_file.h"
#include "host/kernel/brep.h"
#include "host/services/objects.h"

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
        std::ostringstream data;
        BinTools::Write(b->shape, data, Standard_False, Standard_False, BinTools_FormatVersion_CURRENT);
        out.str(data.str());
        write_objects(out, b->named.faces, ctx);
        write_objects(out, b->named.edges, ctx);
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
        std::istringstream stream(data);
        const TopoDS_Shape shape = hd::read_brep(stream);
        if (shape.IsNull() || !BRepCheck_Analyzer(shape).IsValid())
            throw pf::FormatError("a body's kernel data is not a valid body");
        hd::Step s;
        s.op = hd::Op::imported;
        s.other = shape;
        hd::run_step(call, s, TopoDS_Shape(), nullptr);
        hd::BodyState b;
        b.tag = hd::new_tag();
        b.object = object;
        b.density = density;
        b.shape = shape;
        b.named = *s.named;
        b.add_step(std::move(s));
        read_objects(in, ctx, b.named.faces, 2, seen);
        read_objects(in, ctx, b.named.edges, 3, seen);
        hd::name_small(b, nullptr);
        made.push_back(std::move(b));
    }
    hd::commit(std::move(made), {}, true);
}

const bool registered = (pf::register_section({{'K', 'B', 'D', 'Y'}, write_section, read_section}), true);

}  // namespace
