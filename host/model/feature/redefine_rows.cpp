// What the redefinition of a feature's references keeps (redefine_rows.h):
// its tables, and their part-file sections; rows by part_file::write_rows, objects by their
// number in the file (kNone: none).
//   "RFRM": one row per form feature placed on a face or bounded by faces:
//     u32 count + its placement face (when on one), then its through faces
//   "RLNK": one row per form feature with link references:
//     u32 its tool face, u32 its direction reference (a face or an edge),
//     i32 the direction reference's slot (1 or 0), u8 the flip flag (0, 1)
//   "RTRM": one row per trimming user-defined feature:
//     u32 count + its trim faces
//   "RQUA": one row per positioning dimension with qualifiers:
//     4 x i32 the tool pair, then the target pair
//   "RCLN": one row per form feature with positioning centerlines:
//     u32 count + per centerline: u32 the curve, i32 which (0 the arc,
//     1 the line along X, 2 along Y)
//   "RDPL": one row per form feature standing on a datum plane: u32 the
//     plane
//   "RDTH": one row per hole or slot running to datum planes: u32 count
//     (1 or 2) + the planes, u8 1 when they come before its through face
//     (else 0)
// A face or edge is saved as its object (one of the kernel's entities that
// no object carries, a datum plane's reference say, is left out) and read
// back by its object, which answers its kernel entity once the bodies are
// read. Files without these sections open with the references a feature
// was made with. The readers refuse a row of an object of the wrong kind,
// a number of no object or of the part, a slot, flag or kind out of range,
// and a count beyond its row.
#include "host/model/feature/redefine_rows.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/form_place.h"
#include "host/model/feature/positioning.h"
#include "host/model/feature/profiles.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/objects.h"

namespace {

namespace hf = host::feature;
namespace pf = host::part_file;
using tag_t = unsigned int;
constexpr std::uint32_t kNone = 0xFFFFFFFFu;

std::uint32_t number_of(const pf::SaveContext& ctx, tag_t t) {
    const std::uint32_t n = t != 0 && host::objects::is_alive(t) ? ctx.index(t) : kNone;
    return n == 0 ? kNone : n;
}
// The object carrying a kernel face or edge (kNone: none written).
std::uint32_t entity_number(const pf::SaveContext& ctx, int entity) {
    return entity == 0 ? kNone : number_of(ctx, host::kernel::object_of(entity));
}

bool is_feature(tag_t t) { return host::objects::require(t).cls == OM_CLASS_FEATURE; }
bool is_face(tag_t t) {
    const host::objects::Object& o = host::objects::require(t);
    return o.type == HOST_TYPE_SOLID && o.subtype == HOST_SUBTYPE_FACE;
}
bool is_constraint(tag_t t) {
    return host::objects::require(t).cls == OM_ask_class_of_name(RPO_CONSTRAINT_CLASS_NAME);
}

// An object of the part named by a row (not the part itself).
tag_t object_numbered(const pf::LoadContext& ctx, std::uint32_t n) {
    if (n == 0) throw pf::FormatError("a redefinition row names the part");
    return ctx.tag_of(n);
}
tag_t optional_object(const pf::LoadContext& ctx, std::uint32_t n) { return n == kNone ? 0 : object_numbered(ctx, n); }

std::uint32_t count_in(pf::Reader& row, std::size_t bytes) {
    const std::uint32_t n = row.u32();
    if (n > row.left() / bytes) throw pf::FormatError("a redefinition count beyond its row");
    return n;
}

// The table's rows of the objects written, in their order.
template <class T>
std::vector<tag_t> rows_of(const pf::SaveContext& ctx, host::TagTable<T>& table) {
    std::vector<tag_t> rows;
    for (tag_t t : ctx.objects)
        if (table.find(t) && host::objects::is_alive(t)) rows.push_back(t);
    return rows;
}

// Stores the rows read once all of them decoded.
template <class T>
void store(host::TagTable<T>& table, std::vector<std::pair<tag_t, T>>& rows) {
    for (auto& [t, v] : rows) table[t] = std::move(v);
}

void write_links(pf::Writer& out, const pf::SaveContext& ctx) {
    auto& links = hf::link_refs();
    pf::write_rows(out, ctx, rows_of(ctx, links), [&](pf::Writer& row, tag_t t) {
        const hf::LinkRefs& l = *links.find(t);
        row.u32(entity_number(ctx, hf::link_tool(l)));
        row.u32(entity_number(ctx, hf::link_dir(l)));
        row.i32(l.slot);
        row.u8(l.flip ? 1 : 0);
    });
}

void read_links(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<tag_t, hf::LinkRefs>> rows;
    pf::read_rows(in, ctx, {"link reference row", 21, false}, [&](tag_t t, pf::Reader& row) {
        if (!is_feature(t)) throw pf::FormatError("a link reference row of no feature");
        hf::LinkRefs l;
        l.tool_object = optional_object(ctx, row.u32());
        l.dir_object = optional_object(ctx, row.u32());
        l.slot = row.i32();
        const std::uint8_t flip = row.u8();
        if ((l.slot != 0 && l.slot != 1) || flip > 1) throw pf::FormatError("a link reference slot or flag");
        l.flip = flip != 0;
        rows.emplace_back(t, l);
    });
    store(hf::link_refs(), rows);
}

void write_form_faces(pf::Writer& out, const pf::SaveContext& ctx) {
    std::vector<tag_t> forms;
    for (tag_t t : ctx.objects)
        if (host::objects::is_alive(t) && is_feature(t) && hf::is_form_feature(t)) forms.push_back(t);
    pf::write_rows(out, ctx, forms, [&](pf::Writer& row, tag_t t) {
        const std::vector<int> faces = hf::form_refs(t, hf::find(t)->refs);
        if (faces.empty()) return;
        row.u32(static_cast<std::uint32_t>(faces.size()));
        for (int f : faces) row.u32(entity_number(ctx, f));
    });
}

void read_form_faces(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<tag_t, hf::FormFaces>> rows;
    pf::read_rows(in, ctx, {"form face row", 12, false}, [&](tag_t t, pf::Reader& row) {
        if (!is_feature(t)) throw pf::FormatError("a form face row of no feature");
        hf::FormFaces ff;
        for (std::uint32_t i = 0, n = count_in(row, 4); i < n; ++i) {
            const tag_t face = optional_object(ctx, row.u32());
            if (face != 0 && !is_face(face)) throw pf::FormatError("a form feature's face that is no face");
            ff.objects.push_back(face);
        }
        rows.emplace_back(t, std::move(ff));
    });
    store(hf::form_faces(), rows);
}

void write_trims(pf::Writer& out, const pf::SaveContext& ctx) {
    auto& trims = hf::trim_faces();
    pf::write_rows(out, ctx, rows_of(ctx, trims), [&](pf::Writer& row, tag_t t) {
        std::vector<std::uint32_t> faces;
        for (int f : hf::trim_refs(*trims.find(t)))
            if (entity_number(ctx, f) != kNone) faces.push_back(entity_number(ctx, f));
        row.u32(static_cast<std::uint32_t>(faces.size()));
        for (std::uint32_t n : faces) row.u32(n);
    });
}

void read_trims(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<tag_t, hf::TrimFaces>> rows;
    pf::read_rows(in, ctx, {"trim face row", 12, false}, [&](tag_t t, pf::Reader& row) {
        if (!is_feature(t)) throw pf::FormatError("a trim face row of no feature");
        hf::TrimFaces tf;
        for (std::uint32_t i = 0, n = count_in(row, 4); i < n; ++i)
            tf.objects.push_back(object_numbered(ctx, row.u32()));
        rows.emplace_back(t, std::move(tf));
    });
    store(hf::trim_faces(), rows);
}

void write_qualifiers(pf::Writer& out, const pf::SaveContext& ctx) {
    auto& qualifiers = hf::dimension_qualifiers();
    pf::write_rows(out, ctx, rows_of(ctx, qualifiers), [&](pf::Writer& row, tag_t t) {
        for (int v : qualifiers.find(t)->pairs) row.i32(v);
    });
}

void read_qualifiers(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<tag_t, hf::DimQualifiers>> rows;
    pf::read_rows(in, ctx, {"dimension qualifier row", 24, false}, [&](tag_t t, pf::Reader& row) {
        if (!is_constraint(t)) throw pf::FormatError("a qualifier row of no positioning constraint");
        hf::DimQualifiers q;
        for (int& v : q.pairs) v = row.i32();
        rows.emplace_back(t, q);
    });
    store(hf::dimension_qualifiers(), rows);
}

void write_centerlines(pf::Writer& out, const pf::SaveContext& ctx) {
    auto& lines = hf::feature_centerlines();
    pf::write_rows(out, ctx, rows_of(ctx, lines), [&](pf::Writer& row, tag_t t) {
        std::vector<std::pair<std::uint32_t, int>> kept;
        for (tag_t line : lines.find(t)->lines)
            if (const hf::CenterLine* c = hf::centerline_rows().find(line); c && number_of(ctx, line) != kNone)
                kept.emplace_back(number_of(ctx, line), c->which);
        if (kept.empty()) return;
        row.u32(static_cast<std::uint32_t>(kept.size()));
        for (const auto& [n, which] : kept) {
            row.u32(n);
            row.i32(which);
        }
    });
}

void read_centerlines(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<tag_t, hf::FeatureLines>> rows;
    std::vector<std::pair<tag_t, hf::CenterLine>> lines;
    pf::read_rows(in, ctx, {"centerline row", 12, false}, [&](tag_t t, pf::Reader& row) {
        if (!is_feature(t)) throw pf::FormatError("a centerline row of no feature");
        hf::FeatureLines fl;
        for (std::uint32_t i = 0, n = count_in(row, 8); i < n; ++i) {
            const tag_t line = object_numbered(ctx, row.u32());
            const int which = row.i32();
            if (which < 0 || which > 2) throw pf::FormatError("a centerline of no kind");
            if (is_feature(line)) throw pf::FormatError("a centerline that is a feature");
            fl.lines.push_back(line);
            lines.emplace_back(line, hf::CenterLine{t, which});
        }
        rows.emplace_back(t, std::move(fl));
    });
    store(hf::feature_centerlines(), rows);
    store(hf::centerline_rows(), lines);
}

void write_datum_placements(pf::Writer& out, const pf::SaveContext& ctx) {
    auto& placements = hf::datum_placements();
    pf::write_rows(out, ctx, rows_of(ctx, placements), [&](pf::Writer& row, tag_t t) {
        const std::uint32_t plane = number_of(ctx, placements.find(t)->plane);
        if (plane != kNone) row.u32(plane);
    });
}

void read_datum_placements(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<tag_t, hf::DatumPlacement>> rows;
    pf::read_rows(in, ctx, {"datum placement row", 12, false}, [&](tag_t t, pf::Reader& row) {
        if (!is_feature(t)) throw pf::FormatError("a datum placement row of no feature");
        const tag_t plane = object_numbered(ctx, row.u32());
        if (host::objects::require(plane).type != HOST_TYPE_DATUM_PLANE)
            throw pf::FormatError("a feature's datum placement that is no datum plane");
        rows.emplace_back(t, hf::DatumPlacement{plane});
    });
    store(hf::datum_placements(), rows);
}

void write_datum_throughs(pf::Writer& out, const pf::SaveContext& ctx) {
    auto& throughs = hf::datum_throughs();
    pf::write_rows(out, ctx, rows_of(ctx, throughs), [&](pf::Writer& row, tag_t t) {
        std::vector<std::uint32_t> planes;
        for (tag_t plane : throughs.find(t)->planes)
            if (number_of(ctx, plane) != kNone) planes.push_back(number_of(ctx, plane));
        if (planes.empty()) return;
        row.u32(static_cast<std::uint32_t>(planes.size()));
        for (std::uint32_t n : planes) row.u32(n);
        row.u8(throughs.find(t)->planes_first ? 1 : 0);
    });
}

void read_datum_throughs(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<tag_t, hf::DatumThrough>> rows;
    pf::read_rows(in, ctx, {"datum through row", 12, false}, [&](tag_t t, pf::Reader& row) {
        if (!is_feature(t)) throw pf::FormatError("a datum through row of no feature");
        const std::uint32_t n = count_in(row, 4);
        if (n < 1 || n > 2) throw pf::FormatError("a count of datum planes to run to beyond 1 or 2");
        hf::DatumThrough d;
        for (std::uint32_t i = 0; i < n; ++i) {
            const tag_t plane = object_numbered(ctx, row.u32());
            if (host::objects::require(plane).type != HOST_TYPE_DATUM_PLANE)
                throw pf::FormatError("a datum plane to run to that is no datum plane");
            d.planes.push_back(plane);
        }
        const std::uint8_t first = row.u8();
        if (first > 1) throw pf::FormatError("a datum through row's order flag");
        d.planes_first = first != 0;
        rows.emplace_back(t, std::move(d));
    });
    store(hf::datum_throughs(), rows);
}

const bool sections_registered =
    (pf::register_section({{'R', 'F', 'R', 'M'}, write_form_faces, read_form_faces}),
     pf::register_section({{'R', 'L', 'N', 'K'}, write_links, read_links}),
     pf::register_section({{'R', 'T', 'R', 'M'}, write_trims, read_trims}),
     pf::register_section({{'R', 'Q', 'U', 'A'}, write_qualifiers, read_qualifiers}),
     pf::register_section({{'R', 'C', 'L', 'N'}, write_centerlines, read_centerlines}),
     pf::register_section({{'R', 'D', 'P', 'L'}, write_datum_placements, read_datum_placements}),
     pf::register_section({{'R', 'D', 'T', 'H'}, write_datum_throughs, read_datum_throughs}), true);

}  // namespace

// ---- the tables ---------------------------------------------------------------

namespace host::feature {

TagTable<LinkRefs>& link_refs() {
    static TagTable<LinkRefs> table("form feature link references");
    return table;
}
TagTable<FormFaces>& form_faces() {
    static TagTable<FormFaces> table("form feature faces read back");
    return table;
}
TagTable<DatumPlacement>& datum_placements() {
    static TagTable<DatumPlacement> table("form features on datum planes");
    return table;
}
TagTable<DatumThrough>& datum_throughs() {
    static TagTable<DatumThrough> table("form features running to datum planes");
    return table;
}
TagTable<TrimFaces>& trim_faces() {
    static TagTable<TrimFaces> table("trimming user-defined features");
    return table;
}
TagTable<FeatureLines>& feature_centerlines() {
    static TagTable<FeatureLines> table("positioning centerlines");
    return table;
}
TagTable<CenterLine>& centerline_rows() {
    static TagTable<CenterLine> table("positioning centerline");
    return table;
}

namespace {
// Each table is made before the model's first mark, so that undo knows it.
const bool tables_made = (link_refs(), form_faces(), datum_placements(), datum_throughs(), trim_faces(),
                          feature_centerlines(), centerline_rows(), true);
}  // namespace

// A reference kept by its object answers the object's kernel entity.
int link_tool(const LinkRefs& l) { return l.tool_object != 0 ? kernel::entity_of(l.tool_object) : l.tool; }
int link_dir(const LinkRefs& l) { return l.dir_object != 0 ? kernel::entity_of(l.dir_object) : l.dir; }

bool is_form_feature(unsigned int feature) {
    const Record* r = find(feature);
    return r && form::is_built_form(*r);
}

std::vector<int> form_refs(unsigned int feature, const std::vector<int>& refs) {
    const FormFaces* f = form_faces().find(feature);
    if (!f) return refs;
    std::vector<int> out;
    for (unsigned int o : f->objects) out.push_back(objects::is_alive(o) ? kernel::entity_of(o) : 0);
    return out;
}

std::vector<unsigned int> datum_through_planes(const Record& r) {
    if (r.exps.empty() || (datum_throughs().size() == 0 && form::planes_being_made().empty())) return {};
    // A record is its feature's by its own first expression.
    for (tag_t f : features_using(r.exps[0]))
        if (const Record* x = find(f); x && !x->exps.empty() && x->exps[0] == r.exps[0]) {
            const DatumThrough* d = datum_throughs().find(f);
            return d ? d->planes : std::vector<unsigned int>{};
        }
    // No feature holds it yet: the one being made.
    return form::planes_being_made();
}

bool datum_plane_numbers(const std::vector<unsigned int>& planes, std::vector<double>* out) {
    out->clear();
    for (unsigned int plane : planes) {
        if (!objects::is_alive(plane)) continue;
        double point[3], n[3];
        if (!profiles::direction_data(plane, point, n)) return false;
        out->insert(out->end(), {point[0], point[1], point[2], n[0], n[1], n[2]});
    }
    return true;
}

// Faces kept by their objects answer the objects' kernel faces.
std::vector<int> trim_refs(const TrimFaces& t) {
    if (t.objects.empty()) return t.faces;
    std::vector<int> out;
    for (unsigned int f : t.objects) out.push_back(kernel::entity_of(f));
    return out;
}

bool centerline_direction(const Call& call, unsigned int object, double dir[3]) {
    const CenterLine* l = centerline_rows().find(object);
    if (!l || !objects::is_alive(object) || !find(l->feature)) return false;
    dir[0] = dir[1] = dir[2] = 0;
    if (l->which == 0) return true;
    const form::Place p = form::place_of(call, *find(l->feature));
    if (l->which == 1) std::copy(p.xdir, p.xdir + 3, dir);
    else form::y_direction(p, dir);
    return true;
}

}  // namespace host::feature
