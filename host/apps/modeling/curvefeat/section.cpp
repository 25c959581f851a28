// Part-file section "CFEA" (host/apps/modeling/curvefeat/file_rows.h): the rows of the
// curve features, each kind's fields written and read by its own source.
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "host/store/entities/entity_types.h"
#include "host/apps/modeling/curvefeat/file_rows.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/kind_check.h"
#include "host/base/services/objects.h"

namespace host::curvefeat::file_rows {

namespace {

std::vector<Kind>& kinds() {
    static std::vector<Kind> k;
    return k;
}

const Kind* kind_named(const std::string& name) {
    for (const Kind& k : kinds())
        if (name == k.name) return &k;
    return nullptr;
}

bool is_curve_type(int type) {
    return type == HOST_TYPE_LINE || type == HOST_TYPE_ARC || type == HOST_TYPE_CONIC || type == HOST_TYPE_SPLINE;
}

}  // namespace

bool curve(const host::objects::Object& o) {
    return o.cls != OM_CLASS_FEATURE && o.cls != OM_CLASS_EXPRESSION &&
           (is_curve_type(o.type) || (o.type == HOST_TYPE_SOLID && o.subtype == HOST_SUBTYPE_EDGE));
}
bool point(const host::objects::Object& o) {
    return o.cls != OM_CLASS_FEATURE && o.cls != OM_CLASS_EXPRESSION && o.type == HOST_TYPE_POINT;
}
bool target(const host::objects::Object& o) {
    if (o.cls == OM_CLASS_FEATURE || o.cls == OM_CLASS_EXPRESSION) return false;
    return (o.type == HOST_TYPE_SOLID && (o.subtype == HOST_SUBTYPE_FACE || o.subtype == HOST_SUBTYPE_BODY)) ||
           o.type == HOST_TYPE_PLANE || o.type == HOST_TYPE_DATUM_PLANE;
}
bool expression(const host::objects::Object& o) { return o.cls == OM_CLASS_EXPRESSION; }
bool axis(const host::objects::Object& o) {
    return o.cls != OM_CLASS_FEATURE && o.cls != OM_CLASS_EXPRESSION &&
           (o.type == HOST_TYPE_LINE || o.type == HOST_TYPE_DATUM_AXIS);
}
bool output(const host::objects::Object& o) {
    return o.cls != OM_CLASS_FEATURE && o.cls != OM_CLASS_EXPRESSION &&
           (o.type == HOST_TYPE_SPLINE || o.type == HOST_TYPE_POINT);
}
bool input(const host::objects::Object& o) {
    return curve(o) || point(o) || (o.cls == OM_CLASS_FEATURE && o.type == HOST_TYPE_FEATURE);
}

std::uint32_t Out::number(tag_t t) const {
    const std::uint32_t n = t != 0 && host::objects::is_alive(t) ? ctx_.index(t) : kNone;
    return n == 0 ? kNone : n;  // never the part
}

void Out::tag(tag_t t) {
    const std::uint32_t n = number(t);
    if (t != 0 && n == kNone) whole_ = false;
    w_.u32(n);
}

void Out::optional_tag(tag_t t) { w_.u32(number(t)); }

void Out::tags_in_file(const std::vector<tag_t>& list) {
    std::vector<std::uint32_t> numbers;
    for (tag_t t : list)
        if (number(t) != kNone) numbers.push_back(number(t));
    w_.u32(static_cast<std::uint32_t>(numbers.size()));
    for (std::uint32_t n : numbers) w_.u32(n);
}

void Out::tags(const std::vector<tag_t>& list) {
    w_.u32(static_cast<std::uint32_t>(list.size()));
    for (tag_t t : list) {
        if (t == 0) whole_ = false;
        tag(t);
    }
}

void Out::text(const char* chars, std::size_t size) { w_.str(std::string(chars, strnlen(chars, size))); }

tag_t In::tag(Accept accept, bool optional) {
    const std::uint32_t n = r_.u32();
    if (n == kNone) {
        if (!optional) throw pf::FormatError("a curve feature lacks an object it needs");
        return 0;
    }
    if (n == 0) throw pf::FormatError("a curve feature refers to the part as an object");
    const tag_t t = ctx_.tag_of(n);
    const host::objects::Object* o = host::objects::find(t);
    if (!o || !accept(*o)) throw pf::FormatError("a curve feature refers to an object of the wrong kind");
    return t;
}

std::vector<tag_t> In::tags(Accept accept) {
    const std::uint32_t n = count(4);
    std::vector<tag_t> out;
    for (std::uint32_t i = 0; i < n; ++i) out.push_back(tag(accept));
    return out;
}

double In::real() {
    const double d = r_.f64();
    if (!std::isfinite(d)) throw pf::FormatError("a curve feature's number is not finite");
    return d;
}

int In::range(int low, int high) {
    const int v = r_.i32();
    if (v < low || v > high) throw pf::FormatError("a curve feature's value is out of its range");
    return v;
}

void In::text(char* chars, std::size_t size) {
    const std::string s = r_.str();
    if (s.size() >= size || s.find('\0') != std::string::npos)
        throw pf::FormatError("a curve feature's text does not fit its field");
    std::memset(chars, 0, size);
    std::memcpy(chars, s.data(), s.size());
}

std::uint32_t In::count(std::size_t bytes) {
    const std::uint32_t n = r_.u32();
    if (n > r_.left() / bytes) throw pf::FormatError("a curve feature's count beyond its row");
    return n;
}

void register_kind(const Kind& kind) { kinds().push_back(kind); }

namespace {

void write_section(pf::Writer& out, const pf::SaveContext& ctx) {
    std::vector<tag_t> rows;
    for (tag_t t : ctx.objects) {
        const host::feature::Record* f = host::feature::find(t);
        const Kind* k = f ? kind_named(f->kind) : nullptr;
        if (k && k->has(t)) rows.push_back(t);
    }
    pf::write_rows(out, ctx, rows, [&](pf::Writer& row, tag_t t) {
        const Kind& k = *kind_named(host::feature::find(t)->kind);
        pf::Writer fields;
        Out o(fields, ctx);
        k.write(o, t);
        if (!o.whole()) return;  // refers to an object not in the file
        row.str(k.name);
        row.raw(fields.view());
    });
}

void read_section(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::function<void()>> stores;
    pf::read_rows(in, ctx, {"curve feature row", 8, false}, [&](tag_t t, pf::Reader& row) {
        const std::string name = row.str();
        const Kind* k = kind_named(name);
        if (!k) throw pf::FormatError("a curve feature of an unknown kind");
        if (host::objects::require(t).cls != OM_CLASS_FEATURE)
            throw pf::FormatError("a curve feature row of an object that is no such feature");
        host::feature::expect_kind_when_read(ctx, t, {name}, "a curve feature row of a feature of another kind");
        In fields(row, ctx);
        stores.push_back(k->read(fields, t));
    });
    for (const auto& store : stores) store();
}

const bool registered = (pf::register_section({{'C', 'F', 'E', 'A'}, write_section, read_section}), true);

}  // namespace

}  // namespace host::curvefeat::file_rows
