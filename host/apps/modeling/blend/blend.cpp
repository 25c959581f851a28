// Edge blends of the modelling library (host/apps/modeling/blend/blend.h): blend
// features made from the dialog's data, the data kept with each feature
// and read back, and edits of it.
#include "host/apps/modeling/blend/blend.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "host/store/parts/part_file.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/records.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/model.h"
#include "host/numeric/tolerances.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

using tag_t = unsigned int;
namespace hf = host::feature;

constexpr const char* kKind = "BLEND";
constexpr const char* kNoLimit = "-1.0";

struct EdgeRow {
    int edge = 0;   // kernel tags: they keep their identity through updates
    int cliff = 0;  // 0: none
    // The objects as given: the blend takes its edge away (and may change
    // the cliff edge), so the data reads back the objects it was made with.
    tag_t edge_object = 0, cliff_object = 0;
    std::string limit_1 = kNoLimit, limit_2 = kNoLimit;
    std::vector<std::pair<double, std::string>> points;  // parameter, radius text
};

// What the feature keeps of the data it was made from.
struct BlendRow {
    int blend_type = 0;
    unsigned char flag = 0, limits_active = 0;
    double tolerance = 0;
    std::array<unsigned char, 3> options{};
    std::vector<EdgeRow> edges;
};
host::TagTable<BlendRow>& rows() {
    static auto* const t = new host::TagTable<BlendRow>("edge blends");
    return *t;
}
const bool registered = (rows(), true);

void put_text(char (&field)[BLEND_TEXT_CHARS], const std::string& text) {
    const std::size_t n = std::min(text.size(), sizeof field - 1);
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

// A text field of the caller's data: false when it holds no terminator.
bool text_of(const char (&field)[BLEND_TEXT_CHARS], std::string* out) {
    const void* end = std::memchr(field, '\0', sizeof field);
    if (!end) return false;
    *out = std::string(field, static_cast<const char*>(end));
    return true;
}

bool is_edge_blend(tag_t feature) {
    const hf::Record* r = hf::find(feature);
    return r && r->kind == kKind && r->exps.size() == 1 && !r->refs.empty();
}

// The row kept with the feature; a blend made otherwise (or read from a
// part file) has its edges and points from its record, with the rest as
// BLEND_init_ui_data leaves it.
BlendRow row_of(tag_t feature) {
    const hf::Record& r = *hf::find(feature);
    if (const BlendRow* kept = rows().find(feature)) {
        // An edge whose object was not saved with the part (the blend took
        // it away) is the edge the feature works on, when there is one.
        BlendRow row = *kept;
        for (std::size_t i = 0; i < row.edges.size(); ++i)
            if (row.edges[i].edge_object == 0 && !r.detached && i < r.refs.size())
                row.edges[i].edge_object = host::kernel::object_of(r.refs[i]);
        return row;
    }
    BlendRow row;
    row.options = {1, 1, 1};
    row.tolerance = srfc1_[0];
    std::size_t at = 0;
    for (int edge : r.refs) {
        EdgeRow er;
        er.edge = edge;
        er.edge_object = host::kernel::object_of(edge);
        if (at < r.numbers.size()) {
            const auto k = static_cast<std::size_t>(r.numbers[at++]);
            for (std::size_t j = 0; j < k && at + 1 < r.numbers.size(); ++j, at += 2) {
                char text[EXP_VALUE_CHARS];
                EXP_format_value(r.numbers[at + 1], text);
                er.points.emplace_back(r.numbers[at], text);
            }
        }
        row.edges.push_back(std::move(er));
    }
    return row;
}

// The data read into a row and the blend's fixed numbers (empty when no
// edge has points), or a code. The radii of points are the values of
// their texts in the part. An edit (old: the row now) keeps the edges and
// cliff edges it was made with: they must be the same objects.
int read_data(const BLEND_ui_data_t& d, tag_t part, const BlendRow* old, BlendRow* row, std::vector<double>* numbers) {
    if (d.number_of_edges < 1 || !d.edges) return FEAT_ERR_BAD_PARAMETERS;
    row->blend_type = d.blend_type;
    row->flag = d.flag;
    row->limits_active = d.limits_active;
    row->tolerance = d.tolerance;
    std::memcpy(row->options.data(), d.options, 3);
    bool any_points = false;
    std::vector<double> layout;
    for (int i = 0; i < d.number_of_edges; ++i) {
        const BLEND_edge_t& e = d.edges[i];
        EdgeRow er;
        if (old) {
            if (static_cast<std::size_t>(i) >= old->edges.size()) return FEAT_ERR_BAD_PARAMETERS;
            const EdgeRow& was = old->edges[i];
            if (e.edge != was.edge_object || e.cliff_edge != was.cliff_object) return FEAT_ERR_BAD_PARAMETERS;
            er.edge = was.edge;
            er.cliff = was.cliff;
        } else {
            if (!host::objects::is_alive(e.edge) || !ES_solid_is_a_edge(e.edge)) return FEAT_ERR_BAD_REFERENCE;
            er.edge = host::kernel::entity_of(e.edge);
            if (e.cliff_edge != 0) {
                if (!host::objects::is_alive(e.cliff_edge) || !ES_solid_is_a_edge(e.cliff_edge))
                    return FEAT_ERR_BAD_REFERENCE;
                er.cliff = host::kernel::entity_of(e.cliff_edge);
            }
        }
        er.edge_object = e.edge;
        er.cliff_object = e.cliff_edge;
        if (!text_of(e.limit_1, &er.limit_1) || !text_of(e.limit_2, &er.limit_2)) return FEAT_ERR_BAD_PARAMETERS;
        if (e.number_of_points < 0 || (e.number_of_points > 0 && !e.points)) return FEAT_ERR_BAD_PARAMETERS;
        layout.push_back(e.number_of_points);
        for (int j = 0; j < e.number_of_points; ++j) {
            const BLEND_point_t& p = e.points[j];
            std::string text;
            if (!text_of(p.radius, &text) || !std::isfinite(p.parameter) || p.parameter < 0 || p.parameter > 1)
                return FEAT_ERR_BAD_PARAMETERS;
            double value = 0;
            if (int code = EXP_ask_value_of_exp_str(part, text.c_str(), &value)) return code;
            layout.push_back(p.parameter);
            layout.push_back(value);
            er.points.emplace_back(p.parameter, std::move(text));
            any_points = true;
        }
        row->edges.push_back(std::move(er));
    }
    if (any_points) *numbers = std::move(layout);
    else numbers->clear();
    return 0;
}

}  // namespace

extern "C" {

void BLEND_init_ui_data(BLEND_ui_data_t* data) {
    auto call = HOST_ENTRY(data);
    call.need(data, "the blend data");
    std::memset(data, 0, sizeof *data);
    std::strcpy(data->radius, "0.25");
    data->options[0] = data->options[1] = data->options[2] = 1;
    data->tolerance = srfc1_[0];
}

void BLEND_clean_ui_data(BLEND_ui_data_t* data) {
    auto call = HOST_ENTRY(data);
    call.need(data, "the blend data");
    if (data->edges)
        for (int i = 0; i < data->number_of_edges; ++i) SM_free(data->edges[i].points);
    SM_free(data->edges);
    BLEND_init_ui_data(data);
}

void BLEND_create_feature(BLEND_ui_data_t* data, unsigned int* feature, int* error) {
    auto call = HOST_ENTRY(data, feature, error);
    call.need(data, "the blend data");
    call.need(feature, "the feature output");
    call.need(error, "the error output");
    *feature = 0;
    *error = hf::caught([&] {
        const auto fail = [&](int code) { call.fail(code, "the edge blend cannot be made"); };
        if (data->number_of_edges < 1 || !data->edges) fail(FEAT_ERR_BAD_PARAMETERS);
        const tag_t first = data->edges[0].edge;
        if (!host::objects::is_alive(first) || !ES_solid_is_a_edge(first)) fail(FEAT_ERR_BAD_REFERENCE);
        const tag_t body = ES_solid_ask_body(first);
        const tag_t part = host::objects::require(body).part;
        std::string radius;
        if (!text_of(data->radius, &radius)) fail(FEAT_ERR_BAD_PARAMETERS);
        BlendRow row;
        std::vector<double> numbers;
        if (int code = read_data(*data, part, nullptr, &row, &numbers)) fail(code);
        std::vector<tag_t> edges;
        for (int i = 0; i < data->number_of_edges; ++i) edges.push_back(data->edges[i].edge);
        tag_t made = 0;
        if (int code = host::feature::create_built(part, kKind, {radius}, numbers, edges, body, FEAT_SIGN_NEW, &made))
            fail(code);
        rows()[made] = std::move(row);
        *feature = made;
    });
}

int BLEND_is_edge_blend(unsigned int feature) {
    HOST_ENTRY(feature);
    return is_edge_blend(feature) ? 1 : 0;
}

void BLEND__load_ui_data_from_parms(unsigned int feature, BLEND_ui_data_t* data) {
    auto call = HOST_ENTRY(feature, data);
    call.need(data, "the blend data");
    if (!is_edge_blend(feature)) call.fail(FEAT_ERR_BAD_PARAMETERS, "object %u is no edge blend", feature);
    BLEND_init_ui_data(data);
    const BlendRow row = row_of(feature);
    const hf::Record& r = *hf::find(feature);
    put_text(data->radius, host::expr::find(r.exps[0]) ? host::expr::find(r.exps[0])->formula : "");
    data->blend_type = row.blend_type;
    data->flag = row.flag;
    data->limits_active = row.limits_active;
    data->tolerance = row.tolerance;
    std::memcpy(data->options, row.options.data(), 3);
    const std::size_t n = row.edges.size();
    auto* edges = static_cast<BLEND_edge_t*>(SM_alloc(n * sizeof(BLEND_edge_t)));
    std::memset(edges, 0, n * sizeof(BLEND_edge_t));
    data->edges = edges;
    data->number_of_edges = static_cast<int>(n);
    for (std::size_t i = 0; i < n; ++i) {
        const EdgeRow& er = row.edges[i];
        BLEND_edge_t& e = edges[i];
        e.edge = er.edge_object;
        e.cliff_edge = er.cliff_object;
        put_text(e.limit_1, er.limit_1);
        put_text(e.limit_2, er.limit_2);
        if (er.points.empty()) continue;
        e.points = static_cast<BLEND_point_t*>(SM_alloc(er.points.size() * sizeof(BLEND_point_t)));
        std::memset(e.points, 0, er.points.size() * sizeof(BLEND_point_t));
        e.number_of_points = static_cast<int>(er.points.size());
        for (std::size_t j = 0; j < er.points.size(); ++j) {
            e.points[j].parameter = e.points[j].edge_parameter = er.points[j].first;
            put_text(e.points[j].radius, er.points[j].second);
        }
    }
}

void BLEND__load_blend_parms(unsigned int feature, const BLEND_ui_data_t* data, int mode, int* error) {
    auto call = HOST_ENTRY(feature, data, mode, error);
    call.need(data, "the blend data");
    call.need(error, "the error output");
    *error = hf::caught([&] {
        const auto fail = [&](int code) { call.fail(code, "the edge blend cannot be changed so"); };
        if (!is_edge_blend(feature)) fail(FEAT_ERR_BAD_PARAMETERS);
        const BlendRow old = row_of(feature);
        const hf::Record& r = *hf::find(feature);
        const tag_t part = host::objects::require(feature).part;
        std::string radius;
        if (!text_of(data->radius, &radius)) fail(FEAT_ERR_BAD_PARAMETERS);
        BlendRow row;
        std::vector<double> numbers;
        if (int code = read_data(*data, part, &old, &row, &numbers)) fail(code);
        // The blend keeps its edges and the shape of its radius law.
        if (row.edges.size() != old.edges.size() || numbers.size() != r.numbers.size()) fail(FEAT_ERR_BAD_PARAMETERS);
        for (std::size_t i = 0; i < row.edges.size(); ++i)
            if (row.edges[i].edge != old.edges[i].edge || row.edges[i].points.size() != old.edges[i].points.size())
                fail(FEAT_ERR_BAD_PARAMETERS);
        // The last step that can fail: the radius expression takes the text.
        if (int code = EXP_edit_exp(part, r.exps[0], radius.c_str())) fail(code);
        if (numbers != r.numbers) {
            hf::Record& w = *hf::detail::edit(feature);
            w.numbers = std::move(numbers);
            w.out_of_date = true;
        }
        rows()[feature] = std::move(row);
    });
}

void BLEND_find_closest_edge(const double point[3], int n, const unsigned int edges[], unsigned int* edge,
                             double* parameter) {
    auto call = HOST_ENTRY(n, edges, edge, parameter);
    call.need(point, "the point");
    call.need(edge, "the edge output");
    call.need(parameter, "the parameter output");
    if (n < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "no edges to search");
    call.need(edges, "the edges");
    double best = std::numeric_limits<double>::infinity();
    *edge = 0;
    *parameter = 0;
    for (int i = 0; i < n; ++i) {
        const int entity = host::kernel::entity_of(edges[i]);
        if (entity == 0 || !ES_solid_is_a_edge(edges[i]))
            call.fail(HOST_ERR_BAD_ARGUMENT, "object %u is no edge", edges[i]);
        double t = 0, d = 0;
        ZQ_EDGE_ask_closest_parameter(entity, point, &t, &d);
        if (d < best) best = d, *edge = edges[i], *parameter = t;
    }
}

}  // extern "C"

// ---- part-file section "BLEB": what edge blends keep ------------------------
//
// Payload: rows (part_file::write_rows), one per edge blend made with its
// data:
//   i32 type, u8 flag, u8 limits active, f64 tolerance, 3 x u8 options
//   u32 edge count; per edge, in the order of the feature's edges:
//     u32 edge object number, u32 cliff edge object number (0xFFFFFFFF:
//     none, or an object not saved with the part, such as an edge the
//     blend took away: an edge then reads back as the feature's edge in
//     its place, a cliff edge as none)
//     str limit 1, str limit 2
//     u32 point count; per point f64 parameter, str radius text
namespace {

namespace pf = host::part_file;
constexpr std::uint32_t kNotSaved = 0xFFFFFFFFu;

void write_edge_blends(pf::Writer& out, const pf::SaveContext& ctx) {
    std::vector<tag_t> blends;
    for (tag_t f : hf::features_of_part(ctx.part))
        if (is_edge_blend(f) && rows().find(f)) blends.push_back(f);
    pf::write_rows(out, ctx, blends, [&](pf::Writer& row, tag_t t) {
        const BlendRow& r = *rows().find(t);
        row.i32(r.blend_type);
        row.u8(r.flag);
        row.u8(r.limits_active);
        row.f64(r.tolerance);
        for (unsigned char o : r.options) row.u8(o);
        row.u32(static_cast<std::uint32_t>(r.edges.size()));
        for (const EdgeRow& e : r.edges) {
            row.u32(e.edge_object ? ctx.index(e.edge_object) : kNotSaved);
            row.u32(e.cliff_object ? ctx.index(e.cliff_object) : kNotSaved);
            row.str(e.limit_1);
            row.str(e.limit_2);
            row.u32(static_cast<std::uint32_t>(e.points.size()));
            for (const auto& [parameter, radius] : e.points) {
                row.f64(parameter);
                row.str(radius);
            }
        }
    });
}

tag_t read_object(pf::Reader& in, const pf::LoadContext& ctx) {
    const std::uint32_t n = in.u32();
    if (n == kNotSaved) return 0;
    if (n == 0) throw pf::FormatError("an edge blend names the part as an edge");
    return ctx.tag_of(n);
}

std::uint32_t read_count(pf::Reader& in, std::size_t each) {
    const std::uint32_t n = in.u32();
    if (n > in.left() / each) throw pf::FormatError("an edge blend's count beyond its row");
    return n;
}

void read_edge_blends(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<tag_t, BlendRow>> read;
    pf::read_rows(in, ctx, {"edge blend row", 8, false}, [&](tag_t t, pf::Reader& row) {
        if (host::objects::require(t).cls != OM_CLASS_FEATURE)
            throw pf::FormatError("an edge blend row of an object that is no feature");
        BlendRow r;
        r.blend_type = row.i32();
        r.flag = row.u8();
        r.limits_active = row.u8();
        r.tolerance = row.f64();
        for (unsigned char& o : r.options) o = row.u8();
        r.edges.resize(read_count(row, 20));
        if (r.edges.empty()) throw pf::FormatError("an edge blend without edges");
        for (EdgeRow& e : r.edges) {
            e.edge_object = read_object(row, ctx);
            e.cliff_object = read_object(row, ctx);
            e.limit_1 = row.str();
            e.limit_2 = row.str();
            const std::uint32_t n = read_count(row, 12);
            for (std::uint32_t j = 0; j < n; ++j) {
                const double parameter = row.f64();
                if (!(parameter >= 0 && parameter <= 1))
                    throw pf::FormatError("an edge blend's point lies outside its edge");
                e.points.emplace_back(parameter, row.str());
            }
        }
        read.emplace_back(t, std::move(r));
    });
    for (auto& [t, r] : read) rows()[t] = std::move(r);
}

const bool section_registered =
    (pf::register_section({{'B', 'L', 'E', 'B'}, write_edge_blends, read_edge_blends}), true);

}  // namespace
