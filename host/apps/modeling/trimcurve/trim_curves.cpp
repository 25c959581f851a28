// Reference tables and trim curve features (host/apps/modeling/trimcurve/trim_curves.h).
#include "host/apps/modeling/trimcurve/trim_curves.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/kind_check.h"
#include "host/model/feature/records.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/numeric/evc.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

using tag_t = unsigned int;
using P = std::array<double, 3>;

using Slot = host::profiles::Strings;
using Table = std::vector<Slot>;

struct Tables {
    int next = 1;
    std::map<int, Table> tables;
    std::vector<P> candidates[2];
};
Tables& st() { return host::service_state<Tables>("reference tables"); }
const bool registered = (st(), true);

// A trim feature's parameters: the record (without its table) and the
// strings of its slots.
struct TrimParams {
    TRCRV_rec_t rec{};
    Table slots;
    tag_t length_exp = 0;
};
host::TagTable<TrimParams>& params() {
    static auto* const t = new host::TagTable<TrimParams>("trim curves");
    return *t;
}
const bool registered_params = (params(), true);

Table& table_of(const host::Call& call, int table) {
    auto it = st().tables.find(table);
    if (it == st().tables.end()) call.fail(HOST_ERR_BAD_ARGUMENT, "%d is no reference table", table);
    return it->second;
}

Slot& slot_of(const host::Call& call, int table, int slot) {
    Table& t = table_of(call, table);
    if (slot < 0 || slot >= static_cast<int>(t.size())) call.fail(HOST_ERR_BAD_ARGUMENT, "slot %d", slot);
    return t[slot];
}

P sub(const P& a, const P& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
double dot(const P& a, const P& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double len(const P& a) { return std::sqrt(dot(a, a)); }

struct Line {
    P s, e;
};

Line line_of(const host::Call& call, tag_t object) {
    call.live(object);
    if (ES_ask_entity_type(object) != HOST_TYPE_LINE)
        call.fail(HOST_ERR_OUT_OF_SCOPE, "tag %u: only lines are trimmed", object);
    Line l;
    ES_ask_coordinates_of_line(object, l.s.data(), l.e.data());
    return l;
}

// Where the extended line meets the bound curve: the places where the
// bound's distance from the line vanishes.
std::vector<P> meetings(const host::Call& call, const Line& l, tag_t bound, double tol) {
    call.live(bound);
    const unsigned int ev = EVC_initialize(bound);
    double lim[2];
    EVC_ask_curve_limits(ev, lim);
    const P dir = sub(l.e, l.s);
    const double dl = len(dir);
    auto dist = [&](double t, P* at) {
        P p{};
        EVC_evaluate(ev, 0, t, p.data(), nullptr);
        const P v = sub(p, l.s);
        const double s = dot(v, dir) / (dl * dl);
        if (at) *at = p;
        return len({v[0] - s * dir[0], v[1] - s * dir[1], v[2] - s * dir[2]});
    };
    const int n = 256;
    std::vector<double> d(n + 1);
    for (int i = 0; i <= n; ++i) d[i] = dist(lim[0] + (lim[1] - lim[0]) * i / n, nullptr);
    std::vector<P> out;
    for (int i = 0; i <= n; ++i) {
        const bool left = i == 0 || d[i] <= d[i - 1];
        const bool right = i == n || d[i] < d[i + 1];
        if (!left || !right) continue;
        double a = lim[0] + (lim[1] - lim[0]) * std::max(i - 1, 0) / n;
        double b = lim[0] + (lim[1] - lim[0]) * std::min(i + 1, n) / n;
        for (int k = 0; k < 100; ++k) {
            const double m1 = a + (b - a) / 3, m2 = b - (b - a) / 3;
            if (dist(m1, nullptr) < dist(m2, nullptr)) b = m2;
            else a = m1;
        }
        P p{};
        if (dist((a + b) / 2, &p) > tol) continue;
        bool known = false;
        for (const P& q : out) known = known || len(sub(p, q)) < tol;
        if (!known) out.push_back(p);
    }
    EVC_free(ev);
    return out;
}

double param_on(const Line& l, const P& p) {
    const P dir = sub(l.e, l.s);
    return dot(sub(p, l.s), dir) / dot(dir, dir);
}

P nearest(const std::vector<P>& c, const double to[3]) {
    const P t{to[0], to[1], to[2]};
    return *std::min_element(c.begin(), c.end(),
                             [&](const P& a, const P& b) { return len(sub(a, t)) < len(sub(b, t)); });
}

// The bound's point, or false with the candidates kept for the caller.
// A regeneration chooses among several places by the trimmed line it made
// before (`before`, null on creation): the place nearest one of its ends.
bool choose(const host::Call& call, const TRCRV_rec_t& r, const Table& slots, const Line& l, int side, P* out,
            bool* several, const Line* before) {
    std::vector<tag_t> bounds = slots.size() > std::size_t(side + 1) ? slots[side + 1].objects : std::vector<tag_t>{};
    if (bounds.empty() && r.bound_object[side]) bounds.push_back(r.bound_object[side]);
    std::vector<P> c;
    for (tag_t b : bounds)
        for (const P& p : meetings(call, l, b, std::max(r.tolerances[0], 1e-6))) c.push_back(p);
    if (c.empty()) call.fail(TRCRV_ERR_NO_INTERSECTION, "bound %d is not met", side + 1);
    if (c.size() == 1) {
        *out = c[0];
        return true;
    }
    if (r.use_point[side]) {
        *out = nearest(c, r.points[side]);
        return true;
    }
    const int ext = side == 0 ? 0 : 2;
    if (r.ext_present[ext]) {
        *out = nearest(c, r.ext_points[ext]);
        return true;
    }
    if (before) {
        *out = *std::min_element(c.begin(), c.end(), [&](const P& a, const P& b) {
            return std::min(len(sub(a, before->s)), len(sub(a, before->e))) <
                   std::min(len(sub(b, before->s)), len(sub(b, before->e)));
        });
        return true;
    }
    st().candidates[side] = c;
    *several = true;
    return false;
}

// The trimmed line of the record (or a code: the candidates are kept).
int trimmed(const host::Call& call, const TRCRV_rec_t& r, const Table& slots, double length, Line* out,
            const Line* before = nullptr) {
    if (slots.empty() || slots[0].objects.empty()) call.fail(HOST_ERR_BAD_ARGUMENT, "no curve to trim");
    const Line l = line_of(call, slots[0].objects[0]);
    const P dir = sub(l.e, l.s);
    const double dl = len(dir);
    if (r.kind == 1 || r.kind == 2) {
        const double change = r.kind == 1 ? length - dl : length;
        if (dl + change <= 1e-9) call.fail(TRCRV_ERR_BAD_LENGTH, "length %g leaves no line", dl + change);
        const P u{dir[0] / dl, dir[1] / dl, dir[2] / dl};
        const double at_end = r.option <= 0 ? change : r.option == 1 ? 0 : change / 2;
        const double at_start = change - at_end;
        *out = Line{{l.s[0] - u[0] * at_start, l.s[1] - u[1] * at_start, l.s[2] - u[2] * at_start},
                    {l.e[0] + u[0] * at_end, l.e[1] + u[1] * at_end, l.e[2] + u[2] * at_end}};
        return 0;
    }
    const bool two = slots.size() > 2 && (!slots[2].objects.empty() || r.bound_object[1]);
    bool several = false;
    P a{}, b{};
    const bool got_a = choose(call, r, slots, l, 0, &a, &several, before);
    const bool got_b = two ? choose(call, r, slots, l, 1, &b, &several, before) : true;
    if (several || !got_a || !got_b) return TRCRV_ERR_SEVERAL;
    if (two) {
        *out = param_on(l, a) <= param_on(l, b) ? Line{a, b} : Line{b, a};
    } else {
        *out = r.option == 0 ? Line{l.s, a} : Line{a, l.e};
    }
    if (len(sub(out->e, out->s)) <= 1e-9) call.fail(TRCRV_ERR_BAD_LENGTH, "the trim leaves no line");
    return 0;
}

Table copy_table(const host::Call& call, int table) { return table > 0 ? table_of(call, table) : Table{}; }

// The formula of a length text: an expression's assignment ("p3=4", as
// an ask hands it back) gives its right side; an empty text is 0.
std::string formula_of(const char* text) {
    std::string f = text && *text ? text : "0";
    const std::size_t eq = f.find('=');
    if (eq != std::string::npos && eq > 0 && (eq + 1 == f.size() || f[eq + 1] != '=')) {
        const std::string name = f.substr(0, eq);
        const bool plain = std::all_of(name.begin(), name.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == ' ';
        });
        if (plain) f = f.substr(eq + 1);
    }
    return f;
}

// The feature record's parameters: the length expression of a trim by
// length (none for a trim to bounds), with the value it was made with.
void set_parameters(tag_t feature, tag_t exp) {
    host::feature::Record* r = host::feature::detail::edit(feature);
    r->exps = exp ? std::vector<tag_t>{exp} : std::vector<tag_t>{};
    r->built = host::feature::detail::values_of(*r);
    r->out_of_date = false;
}

Line result_line(const host::Call& call, tag_t feature) {
    const host::feature::Record* fr = host::feature::find(feature);
    if (!fr || fr->results.empty()) call.fail(TRCRV_ERR_NOT_TRIM, "feature %u has no line", feature);
    return line_of(call, fr->results[0]);
}

void set_line(tag_t line, const Line& l) { LINE_set_end_points(line, l.s.data(), l.e.data()); }

// Whether every object the trim uses is still there.
bool uses_live_objects(const TrimParams& p) {
    auto live = [](tag_t t) { return t == 0 || host::objects::is_alive(t); };
    for (const Slot& s : p.slots)
        for (tag_t o : s.objects)
            if (!live(o)) return false;
    return live(p.rec.bound_object[0]) && live(p.rec.bound_object[1]) && live(p.rec.axis) &&
           (p.length_exp == 0 || host::expr::find(p.length_exp));
}

// The update's regeneration of a trim feature: its line made again from
// the line it trims, its bounds and its length expression. A record without
// parameters (one read from a part file written before trims were saved)
// has nothing to make again; nor has a trim whose line, bound or length
// was deleted: its line stays as it was last made and follows no more
// (as the file keeps it, see "TRIM" below), instead of failing every
// update of the part from then on.
void regenerate(const host::Call& call, tag_t feature) {
    const TrimParams* p = params().find(feature);
    if (!p || !uses_live_objects(*p)) return;
    const Line before = result_line(call, feature);
    const double length = p->length_exp ? host::expr::value(p->length_exp) : 0.0;
    Line l;
    if (const int code = trimmed(call, p->rec, p->slots, length, &l, &before))
        call.fail(code, "the trim cannot be made again");
    if (l.s != before.s || l.e != before.e) set_line(host::feature::find(feature)->results[0], l);
}

// Part-file section "TRIM": the parameters of the part's trim features,
// without which a reopened trim would no longer be made again.
//
// Payload: rows of objects (see host/store/parts/part_file.h), one per trim
// feature; a row:
//   f64 x4 tolerances (two pairs)
//   u32 x2 bound objects (kNone: none), u8 x2 bound present, u8 x2 use
//       point, f64 x6 the two use points
//   i32 spline extension, kind, flag, direction given, direction mode
//   u32 axis object (kNone: none), f64 x3 direction
//   i32 first option, option, i32 x5 words, u8 constant byte
//   u8 x3 extension points present, f64 x9 the extension points
//   str length text (at most 132 characters, no NUL)
//   u32 slot count (1..3); per slot: u32 strings, per string i32 object
//       count and i32 direction, then u32 objects and their numbers
//   u32 length expression (kNone: none)
// A trim is left out when one of the objects it uses is not written with
// the part (it was deleted): its line is then kept as last made. The
// reader refuses a row of an object that is no trim feature, an object
// that is not there (or the part, a feature or an expression where a
// model object goes), a first slot whose first object is no line, counts
// that do not add up, a number that is not finite, a kind other than 0
// (to bounds) without its length expression, a length expression that is
// no expression or one given to a trim to bounds.
constexpr std::uint32_t kNone = 0xFFFFFFFFu;

bool all_written(const host::part_file::SaveContext& ctx, const TrimParams& p) {
    auto in = [&](tag_t t) { return t == 0 || ctx.index(t) != kNone; };
    for (const Slot& s : p.slots)
        for (tag_t o : s.objects)
            if (o == 0 || !in(o)) return false;
    return in(p.rec.bound_object[0]) && in(p.rec.bound_object[1]) && in(p.rec.axis) && in(p.length_exp);
}

void write_trims(host::part_file::Writer& out, const host::part_file::SaveContext& ctx) {
    namespace pf = host::part_file;
    pf::write_object_rows(out, ctx, false, [&](pf::Writer& row, unsigned int t) {
        const TrimParams* p = params().find(t);
        if (!p || !host::feature::find(t) || !all_written(ctx, *p)) return;
        const TRCRV_rec_t& r = p->rec;
        auto tag = [&](tag_t o) { row.u32(o ? ctx.index(o) : kNone); };
        auto reals = [&](const double* v, int n) {
            for (int i = 0; i < n; ++i) row.f64(v[i]);
        };
        reals(r.tolerances, 2);
        reals(r.tolerances2, 2);
        for (int i = 0; i < 2; ++i) tag(r.bound_object[i]);
        for (int i = 0; i < 2; ++i) row.u8(r.bound_present[i]);
        for (int i = 0; i < 2; ++i) row.u8(r.use_point[i]);
        reals(&r.points[0][0], 6);
        for (int v : {r.spline_extension, r.kind, r.flag, r.direction_given, r.direction_mode}) row.i32(v);
        tag(r.axis);
        reals(r.direction, 3);
        row.i32(r.first_option);
        row.i32(r.option);
        for (int w : r.words) row.i32(w);
        row.u8(r.constant_byte);
        for (int i = 0; i < 3; ++i) row.u8(r.ext_present[i]);
        reals(&r.ext_points[0][0], 9);
        row.str(std::string(r.length_text, strnlen(r.length_text, TRCRV_TEXT_CHARS - 1)));
        row.u32(static_cast<std::uint32_t>(p->slots.size()));
        for (const Slot& s : p->slots) {
            row.u32(static_cast<std::uint32_t>(s.per_string.size()));
            for (std::size_t i = 0; i < s.per_string.size(); ++i) {
                row.i32(s.per_string[i]);
                row.i32(i < s.dir.size() ? s.dir[i] : 1);
            }
            row.u32(static_cast<std::uint32_t>(s.objects.size()));
            for (tag_t o : s.objects) tag(o);
        }
        tag(p->length_exp);
    });
}

double finite(host::part_file::Reader& in) {
    const double d = in.f64();
    if (!std::isfinite(d)) throw host::part_file::FormatError("a trim's number is not finite");
    return d;
}

// An object of the part's model (no part, feature or expression), or 0
// for kNone when `optional`.
tag_t model_object(host::part_file::Reader& in, const host::part_file::LoadContext& ctx, bool optional) {
    const std::uint32_t n = in.u32();
    if (n == kNone && optional) return 0;
    const host::objects::Object* o = n == 0 || n == kNone ? nullptr : host::objects::find(ctx.tag_of(n));
    if (!o || o->cls != OM_CLASS_RM_ENTITY)
        throw host::part_file::FormatError("a trim uses an object that is not there");
    return o->tag;
}

std::uint32_t count(host::part_file::Reader& in, std::size_t each) {
    const std::uint32_t n = in.u32();
    if (n > in.left() / each) throw host::part_file::FormatError("a trim's count beyond its row");
    return n;
}

void read_trims(host::part_file::Reader& in, host::part_file::LoadContext& ctx) {
    namespace pf = host::part_file;
    std::vector<std::pair<tag_t, TrimParams>> rows;
    pf::read_rows(in, ctx, {"trim row", 8, false}, [&](tag_t t, pf::Reader& row) {
        if (host::objects::require(t).cls != OM_CLASS_FEATURE)
            throw pf::FormatError("a trim row of an object that is no trim feature");
        host::feature::expect_kind_when_read(ctx, t, {"TRIM_CURVE"}, "a trim row of a feature that is no trim feature");
        TrimParams p;
        TRCRV_rec_t& r = p.rec;
        r.feature = t;
        for (double& v : r.tolerances) v = finite(row);
        for (double& v : r.tolerances2) v = finite(row);
        for (tag_t& b : r.bound_object) b = model_object(row, ctx, true);
        for (unsigned char& b : r.bound_present) b = row.u8();
        for (unsigned char& b : r.use_point) b = row.u8();
        for (auto& pt : r.points)
            for (double& v : pt) v = finite(row);
        for (int* v : {&r.spline_extension, &r.kind, &r.flag, &r.direction_given, &r.direction_mode}) *v = row.i32();
        r.axis = model_object(row, ctx, true);
        for (double& v : r.direction) v = finite(row);
        r.first_option = row.i32();
        r.option = row.i32();
        for (int& w : r.words) w = row.i32();
        r.constant_byte = row.u8();
        for (unsigned char& b : r.ext_present) b = row.u8();
        for (auto& pt : r.ext_points)
            for (double& v : pt) v = finite(row);
        const std::string text = row.str();
        if (text.size() >= TRCRV_TEXT_CHARS || text.find('\0') != std::string::npos)
            throw pf::FormatError("a trim's length text is too long");
        std::memcpy(r.length_text, text.data(), text.size());
        const std::uint32_t slots = row.u32();
        if (slots < 1 || slots > 3) throw pf::FormatError("a trim's count of slots");
        for (std::uint32_t i = 0; i < slots; ++i) {
            Slot s;
            const std::uint32_t strings = count(row, 8);
            std::int64_t sum = 0;
            for (std::uint32_t k = 0; k < strings; ++k) {
                s.per_string.push_back(row.i32());
                s.dir.push_back(row.i32());
                if (s.per_string.back() < 0) throw pf::FormatError("a trim's string of fewer than no objects");
                sum += s.per_string.back();
            }
            const std::uint32_t objects = count(row, 4);
            if (objects != sum) throw pf::FormatError("a trim's strings do not add up to its objects");
            for (std::uint32_t k = 0; k < objects; ++k) s.objects.push_back(model_object(row, ctx, false));
            p.slots.push_back(std::move(s));
        }
        if (p.slots[0].objects.empty() || host::objects::require(p.slots[0].objects[0]).type != HOST_TYPE_LINE)
            throw pf::FormatError("a trim of no line");
        const std::uint32_t exp = row.u32();
        if (exp != kNone) {
            const host::objects::Object* o = exp == 0 ? nullptr : host::objects::find(ctx.tag_of(exp));
            if (!o || o->cls != OM_CLASS_EXPRESSION) throw pf::FormatError("a trim's length is no expression");
            p.length_exp = o->tag;
        }
        if (r.kind < 0 || r.kind > 2 || (r.kind == 0) != (p.length_exp == 0))
            throw pf::FormatError("a trim's kind does not fit its length");
        rows.emplace_back(t, std::move(p));
    });
    for (auto& [t, p] : rows) params()[t] = std::move(p);
}

const bool section_registered =
    (host::part_file::register_section({{'T', 'R', 'I', 'M'}, write_trims, read_trims}), true);

const bool kind_registered = [] {
    host::feature::Kind k{"TRIM_CURVE", {"Length"}, 0, 0, 0, false, nullptr, nullptr};
    k.regenerate = regenerate;
    host::feature::register_kind(k);
    return true;
}();

}  // namespace

extern "C" {

void CMP_RT_init(int slots, int* table) {
    auto call = HOST_ENTRY(slots, table);
    call.need(table, "the table output");
    if (slots < 1 || slots > 3) call.fail(HOST_ERR_BAD_ARGUMENT, "%d slots", slots);
    *table = st().next++;
    st().tables[*table] = Table(static_cast<std::size_t>(slots));
}

void CMP_RT_from_string(const CMP_strings_t* strings, const double tolerances[2], int mode, int slot, int table) {
    auto call = HOST_ENTRY(strings, mode, slot, table);
    call.need(strings, "the strings");
    (void)tolerances;
    Slot& s = slot_of(call, table, slot);
    Slot fresh;
    int at = 0;
    for (int i = 0; i < strings->count; ++i) {
        const int n = strings->per_string[i];
        fresh.per_string.push_back(n);
        fresh.dir.push_back(strings->dir ? strings->dir[i] : 1);
        for (int j = 0; j < n; ++j) {
            call.live(strings->objects[at + j]);
            fresh.objects.push_back(strings->objects[at + j]);
        }
        at += n;
    }
    s = fresh;
}

void CMP_RT_to_string(int table, int slot, CMP_strings_t* strings) {
    auto call = HOST_ENTRY(table, slot, strings);
    call.need(strings, "the string list output");
    host::profiles::hand_out(slot_of(call, table, slot), strings);
}

int CMP_RT_ask_rm_entities(int table, int slot) {
    auto call = HOST_ENTRY(table, slot);
    return static_cast<int>(slot_of(call, table, slot).objects.size());
}

int CMP_RT_replace_rm_entities(int table, int slot, int count, const unsigned int* objects, int mode) {
    auto call = HOST_ENTRY(table, slot, count, mode);
    if (int status; call.status(status)) return status;
    call.need(objects, "the objects");
    Slot& s = slot_of(call, table, slot);
    for (int i = 0; i < count; ++i) call.live(objects[i]);
    s = Slot{{count}, {1}, std::vector<tag_t>(objects, objects + count)};
    return 0;
}

void CMP_RT_free(int table) {
    auto call = HOST_ENTRY(table);
    table_of(call, table);
    st().tables.erase(table);
}

void TRCRV_init_mult_int(void) {
    HOST_ENTRY();
    st().candidates[0].clear();
    st().candidates[1].clear();
}

void TRCRV_get_mult_int(int which, int* count, double** points) {
    auto call = HOST_ENTRY(which, count, points);
    call.need(count, "the count output");
    call.need(points, "the points output");
    if (which != 1 && which != 2) call.fail(HOST_ERR_BAD_ARGUMENT, "candidates %d", which);
    const auto& c = st().candidates[which - 1];
    *count = static_cast<int>(c.size());
    *points = c.empty() ? nullptr : static_cast<double*>(SM_alloc(sizeof(double) * 3 * c.size()));
    for (std::size_t i = 0; i < c.size(); ++i) std::copy(c[i].begin(), c[i].end(), *points + 3 * i);
}

void TRCRV_free_mult_int(int which) {
    HOST_ENTRY(which);
    st().candidates[0].clear();
    st().candidates[1].clear();
}

int TRCRV_create_frec(TRCRV_rec_t* record) {
    auto call = HOST_ENTRY(record);
    if (int status; call.status(status)) return status;
    call.need(record, "the trim record");
    if (record->kind < 0 || record->kind > 2) call.fail(HOST_ERR_BAD_ARGUMENT, "trim kind %d", record->kind);
    const tag_t part = CONTEXT_ask_work_part();
    const Table slots = copy_table(call, record->table);
    double length = 0;
    const std::string formula = formula_of(record->length_text);
    if (record->kind != 0)
        if (const int code = EXP_ask_value_of_exp_str(part, formula.c_str(), &length)) return code;
    Line l;
    if (const int st_ = trimmed(call, *record, slots, length, &l)) return st_;
    tag_t exp = 0;
    if (record->kind != 0)
        if (const int code = host::expr::create_system(part, formula, &exp)) return code;
    const double ends[6] = {l.s[0], l.s[1], l.s[2], l.e[0], l.e[1], l.e[2]};
    unsigned int result = 0;
    ES_create_line_in_part(part, ends, &result);
    const tag_t feature = host::feature::create(part, "TRIM_CURVE", {}, {result});
    TrimParams p;
    p.rec = *record;
    p.rec.feature = feature;
    p.rec.table = 0;
    p.slots = slots;
    p.length_exp = exp;
    params()[feature] = p;
    set_parameters(feature, exp);
    record->feature = feature;
    return 0;
}

int TRCRV_is_trim_frec(unsigned int feature) {
    HOST_ENTRY(feature);
    return params().find(feature) != nullptr && host::objects::is_alive(feature) ? 1 : 0;
}

void TRCRV_read_parms(unsigned int feature, int mode, TRCRV_rec_t* record, int flags) {
    auto call = HOST_ENTRY(feature, mode, record, flags);
    call.need(record, "the trim record");
    call.live(feature);
    const TrimParams* p = params().find(feature);
    if (!p) call.fail(TRCRV_ERR_NOT_TRIM, "tag %u is no trim curve feature", feature);
    *record = p->rec;
    record->table = st().next++;
    st().tables[record->table] = p->slots;
    if (p->length_exp) {
        const std::string a = host::expr::assignment(p->length_exp);
        std::strncpy(record->length_text, a.c_str(), TRCRV_TEXT_CHARS - 1);
        record->length_text[TRCRV_TEXT_CHARS - 1] = '\0';
    }
}

int TRCRV_update_frec(TRCRV_rec_t* record) {
    auto call = HOST_ENTRY(record);
    if (int status; call.status(status)) return status;
    call.need(record, "the trim record");
    const TrimParams* old = params().find(record->feature);
    if (!old || !host::objects::is_alive(record->feature))
        call.fail(TRCRV_ERR_NOT_TRIM, "tag %u is no trim curve feature", record->feature);
    const tag_t part = host::objects::require(record->feature).part;
    const Table slots = copy_table(call, record->table);
    const TRCRV_rec_t& r = *record;
    if (r.kind < 0 || r.kind > 2) call.fail(HOST_ERR_BAD_ARGUMENT, "trim kind %d", r.kind);
    // The new length is worked out before anything changes.
    double length = 0;
    const std::string formula = formula_of(r.length_text);
    if (r.kind != 0)
        if (const int code = EXP_ask_value_of_exp_str(part, formula.c_str(), &length)) return code;
    Line l;
    if (const int st_ = trimmed(call, r, slots, length, &l, nullptr)) return st_;
    result_line(call, record->feature);  // the feature still has its line
    tag_t exp = old->length_exp;
    if (r.kind != 0 && exp) {
        if (const int code = host::expr::edit(exp, formula)) return code;
    } else if (r.kind != 0) {
        if (const int code = host::expr::create_system(part, formula, &exp)) return code;
    }
    TrimParams p = *old;
    p.rec = r;
    p.rec.table = 0;
    p.slots = slots;
    p.length_exp = r.kind != 0 ? exp : 0;
    params()[record->feature] = p;
    set_parameters(record->feature, p.length_exp);
    // A trim by length that became a trim to bounds drops its expression
    // (unless other expressions still use it).
    if (exp && r.kind == 0) EXP_delete_exp(exp);
    set_line(host::feature::find(record->feature)->results[0], l);
    return 0;
}

int TRCRV_create_non_assoc_curves(TRCRV_rec_t* record) {
    auto call = HOST_ENTRY(record);
    if (int status; call.status(status)) return status;
    call.need(record, "the trim record");
    const Table slots = copy_table(call, record->table);
    double length = 0;
    if (record->kind != 0) {
        const double v = std::atof(record->length_text);
        length = v;
    }
    Line l;
    if (const int st_ = trimmed(call, *record, slots, length, &l)) return st_;
    LINE_set_end_points(slots[0].objects[0], l.s.data(), l.e.data());
    return 0;
}

void crvtrm_klam_kxapi_(unsigned int curve, const double first_point[3], unsigned int bound, int a,
                        const double second_point[3], int b, int c, int d, int e, int f, int option, int* word,
                        int* status) {
    auto call = HOST_ENTRY(curve, bound, option, status);
    (void)a, (void)b, (void)c, (void)d, (void)e, (void)f;
    call.need(first_point, "the first point");
    call.need(second_point, "the second point");
    call.need(word, "the output word");
    call.need(status, "the status output");
    *word = 0;
    if (int scripted; call.status(scripted)) {
        *status = scripted;
        return;
    }
    call.live(curve);
    if (ES_ask_entity_type(curve) != HOST_TYPE_LINE) {
        *status = -5;
        return;
    }
    const Line l = line_of(call, curve);
    const std::vector<P> met = meetings(call, l, bound, 1e-6);
    if (met.empty()) {
        *status = -1;
        return;
    }
    const P at = nearest(met, second_point);
    const P keep{first_point[0], first_point[1], first_point[2]};
    const Line out = len(sub(l.s, keep)) <= len(sub(l.e, keep)) ? Line{l.s, at} : Line{at, l.e};
    if (len(sub(out.e, out.s)) <= 1e-9) {
        *status = -3;
        return;
    }
    LINE_set_end_points(curve, out.s.data(), out.e.data());
    *status = 1;
}

}  // extern "C"
