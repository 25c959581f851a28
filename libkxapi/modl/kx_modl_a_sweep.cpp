// The definitions of free-form features (sweep, curve mesh, through
// curves, ruled, bounded plane, thickened sheet) and of extrusions read
// back in the records that their creators take.
//
// Every query builds its results in blocks of its own and hands them to
// the caller only when the whole query succeeded, so a failed query leaves
// the caller nothing to free.
#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "kx_codes.h"
#include "kx_modl_a_sweep.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"

#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/freeform/freeform_defs.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

// Room of a list handed out: at least this many objects, and always room
// for every object of the strings it holds.
constexpr int kListRoom = 100;
constexpr int kMethodCurveRoom = 30;

constexpr const char* kNoText = "0.0";

// ---- Lists filled for the caller --------------------------------------------

// A string list made and filled from one of the feature's string sets; its
// arrays are freed unless handed to the caller.
class ListOut {
public:
    ListOut() = default;
    ListOut(const ListOut&) = delete;
    ListOut& operator=(const ListOut&) = delete;
    ~ListOut() {
        kx::release([this] {
            kx::free_and_clear(list_.per_string);
            kx::free_and_clear(list_.dir);
            kx::free_and_clear(list_.objects);
        });
    }

    // Makes the list with room for the set and fills it. A set without
    // strings gives a list of no strings (made for 1 string and 1 object).
    void fill(tag feature, int set, int least_room) {
        int n = 0, m = 0;
        SKIN_ask_string_size(feature, set, &n, &m);
        const int strings = std::max(n, 1);
        const int room = n == 0 ? 1 : std::max(m, least_room);
        list_.per_string = kx::alloc_array<int>(static_cast<std::size_t>(strings));
        list_.dir = kx::alloc_array<int>(static_cast<std::size_t>(strings));
        list_.objects = kx::alloc_array<tag>(static_cast<std::size_t>(room));
        list_.count = strings;
        SKIN_fill_string_list(feature, set, room, reinterpret_cast<CMP_strings_t*>(&list_));
    }
    int count() const { return list_.count; }
    void hand_to(string_list* out) { *out = std::exchange(list_, string_list{}); }

private:
    string_list list_{};
};

// The lists of several string sets, filled in order and handed out
// together.
template <std::size_t N>
struct ListsOut {
    std::array<ListOut, N> lists;

    ListsOut(tag feature, const std::array<int, N>& sets) {
        for (std::size_t i = 0; i < N; ++i) lists[i].fill(feature, sets[i], kListRoom);
    }
    void hand_to(const std::array<string_list*, N>& outs) {
        for (std::size_t i = 0; i < N; ++i) lists[i].hand_to(outs[i]);
    }
};

// A sweep's method record; a method that takes a curve gets a list record
// of its own for the caller.
struct MethodOut {
    sweep_method record{};
    ListOut curves;
    kx::host_ptr<string_list> block;

    void take_curves(tag feature, int set) {
        block = kx::host_ptr<string_list>(static_cast<string_list*>(SM_alloc(sizeof(string_list))));
        *block.get() = string_list{};
        curves.fill(feature, set, kMethodCurveRoom);
    }
    void hand_to(sweep_method* out) {
        *out = record;
        if (block) {
            curves.hand_to(block.get());
            out->curves = block.release();
        }
    }
};

// ---- Values of the feature ---------------------------------------------------

// The values of the three expressions of the feature's record: 0 or the
// host's code.
int record_values(tag feature, double values[3]) {
    unsigned int exps[3] = {};
    SKIN_ask_record_exps(feature, exps);
    for (int i = 0; i < 3; ++i)
        if (int st = EXP_ask_value_of_exp(exps[i], &values[i])) return st;
    return 0;
}

// Method values first..last (entries of the feature's value list) into
// values[0...]: 0 or the host's code.
int method_values(tag feature, int first, int last, double* values) {
    for (int entry = first; entry <= last; ++entry)
        if (int st = EXP_ask_value_of_exp(SKIN_ask_value_exp(feature, entry), &values[entry - first])) return st;
    return 0;
}

// The option bit: bit 1 of the feature's option byte.
int option_bit(tag feature) { return (SKIN_ask_options(feature) >> 1) & 1; }

// The alignment values of through curves and ruled: zeros, alignment 3
// takes entries 0 to 2, alignment 4 entries 0 to 5.
int fill_alignment_values(tag feature, int alignment, double values[6]) {
    std::fill(values, values + 6, 0.0);
    if (alignment == 3) return method_values(feature, 0, 2, values);
    if (alignment == 4) return method_values(feature, 0, 5, values);
    return 0;
}

// The face and continuity of each boundary: one face slot per boundary,
// or faces packed boundary after boundary (a boundary without faces has
// none, one with faces answers its first).
void face_constraints(tag feature, int boundaries, tag* faces, int* continuity) {
    SKIN_faces_t fc{};
    SKIN_ask_faces(feature, &fc);
    const kx::host_ptr<unsigned int> refs(fc.refs);
    const auto face_at = [&](int i) -> tag {
        if (i < 0 || i >= fc.n_refs || fc.refs[i] == 0) return NULL_TAG;
        return ASSO_ask_jq_eid_of_fref(fc.refs[i]);
    };
    int at = 0;
    for (int b = 0; b < boundaries; ++b) {
        if (fc.storage < 2) {
            faces[b] = face_at(b);
        } else if (fc.numf[b] >= 1) {
            faces[b] = face_at(at);
            at += fc.numf[b];
        } else {
            faces[b] = NULL_TAG;
        }
        continuity[b] = fc.continuity[b];
    }
}

// ---- The frame of the free-form queries -------------------------------------

// Checks the outputs (prologue), then runs the work on a feature of the
// skin kind; a feature of another kind, a failure of the work or a host
// error answers the query's own code.
template <class Prologue, class Work>
int skin_query(tag feature, int kind, int code, Prologue&& prologue, Work&& work) {
    bool failed = false;
    const int st = kx::frame(kx::standard, kx::on_error([&] { failed = true; }), prologue, [&] {
        const int s = SKIN_ask_skin_kind(feature) == kind ? work() : code;
        failed = failed || s != 0;
        return s;
    });
    return failed ? code : st;
}

template <class T>
void zero(T* array, int n) {
    if (array) std::fill(array, array + n, T{});
}

void clear_lists(std::initializer_list<string_list*> lists) {
    for (string_list* l : lists) kx::clear(l);
}

// ---- The extrusion's texts and records -------------------------------------

// A copy of the text, "0.0" for none.
char* text_or_default(const char* text) { return kx::dup_string(text ? text : kNoText); }

// The trim kind of a sweep method: 1 from a face, 2 to a face, 3 between
// two; 0 when the extrusion is not trimmed to faces.
int trim_kind(int method) {
    switch (method) {
    case SWEEP_METHOD_TRIM_FROM: return 1;
    case SWEEP_METHOD_TRIM_TO: return 2;
    case SWEEP_METHOD_TRIM_BETWEEN:
    case SWEEP_METHOD_TRIM_THROUGH: return 3;
    default: return 0;
    }
}

// The analysed block of an extrusion while it is hung on the extrusion.
class AnalysedBlock {
public:
    explicit AnalysedBlock(tag feature) : feature_(feature), ap_(SWEEP__ask_ap(feature)) {}
    AnalysedBlock(const AnalysedBlock&) = delete;
    AnalysedBlock& operator=(const AnalysedBlock&) = delete;
    ~AnalysedBlock() {
        if (ap_) kx::release([this] { SWEEP__free_ap(feature_, std::exchange(ap_, nullptr)); });
    }
    const SWEEP_ap_t* operator->() const { return ap_; }
    void free() {
        SWEEP__free_ap(feature_, ap_);
        ap_ = nullptr;
    }

private:
    tag feature_;
    SWEEP_ap_t* ap_;
};

// What an extrusion query hands out.
struct ExtrusionOut {
    int count = 0;
    kx::host_ptr<tag> objects;
    kx::host_ptr<sweep_trim> trim;
    kx::host_ptr<tag> trim_faces;
    std::array<kx::host_ptr<char>, 5> texts;  // taper, limits, offsets
    double point[3] = {0, 0, 0};
    logical point_set = 0;
    unsigned char sign = 0;
    double direction[3] = {0, 0, 0};
};

void read_extrusion(tag feature, ExtrusionOut& out) {
    AnalysedBlock ap(feature);
    out.sign = ap->sign;
    const char* texts[5] = {ap->taper, ap->limits[0], ap->limits[1], ap->offsets[0], ap->offsets[1]};
    for (int i = 0; i < 5; ++i) out.texts[i] = kx::host_ptr<char>(text_or_default(texts[i]));
    out.point_set = ap->region.set == 1 ? 1 : 0;
    if (out.point_set) std::copy(ap->region.point, ap->region.point + 3, out.point);
    std::copy(ap->direction, ap->direction + 3, out.direction);

    int n = 0;
    SWEEP_gref_t* grefs = nullptr;
    SWEEP_ask_profile_grefs(feature, &n, &grefs);
    const kx::host_ptr<SWEEP_gref_t> held_grefs(grefs);
    out.objects = kx::host_ptr<tag>(kx::alloc_array<tag>(static_cast<std::size_t>(std::max(n, 0))));
    for (int i = 0; i < n; ++i)
        out.objects.get()[i] = grefs[i].eref != 0 ? EREF_ask_edge_of_eref(grefs[i].eref) : grefs[i].object;
    out.count = std::max(n, 0);

    if (const int kind = trim_kind(ap->method)) {
        out.trim = kx::host_ptr<sweep_trim>(static_cast<sweep_trim*>(SM_alloc(sizeof(sweep_trim))));
        *out.trim.get() = sweep_trim{};
        out.trim_faces = kx::host_ptr<tag>(kx::alloc_array<tag>(2));
        tag* faces = out.trim_faces.get();
        faces[0] = faces[1] = NULL_TAG;
        int count = 0;
        for (unsigned int fref : ap->trim_frefs)
            if (fref != 0) faces[count++] = FREF_ask_jq_eid_of_fref(fref);
        out.trim.get()->count = count;
        out.trim.get()->kind = kind;
    }
    ap.free();
}

}  // namespace

KXAPI int KX_MODL_ask_thicken_sheet_parms(tag feature, tag* sheet_body, char** first_offset,
                                                     char** second_offset) {
    return kx::frame(
        [&] {
            kx::clear(sheet_body, first_offset, second_offset);
            return kx::check({{sheet_body, 2}, {first_offset, 3}, {second_offset, 4}});
        },
        [&] {
            tag body = NULL_TAG;
            kx::host_ptr<char> offsets[2];
            const int st = kx::undo_bracket(1, nullptr, [&] {
                body = BREF_ask_jqeid_of_bref(THICKEN_SHEET_ask_sheet_bref(feature));
                unsigned int exps[2] = {};
                THICKEN_SHEET_ask_offsets(feature, exps);
                for (int i = 0; i < 2; ++i) {
                    char* text = nullptr;
                    if (int s = EXP_ask_exp_str_of_exp(exps[i], &text)) return s;
                    offsets[i] = kx::host_ptr<char>(text);
                }
                return 0;
            });
            if (st != 0) return st;
            *sheet_body = body;
            *first_offset = offsets[0].release();
            *second_offset = offsets[1].release();
            return 0;
        });
}

KXAPI int KX_MODL_ask_sweep(tag feature, string_list* guides, string_list* sections, string_list* single,
                                       sweep_method* orientation, sweep_method* scaling, int* alignment,
                                       int* section_method, int* option, double values[3]) {
    return skin_query(
        feature, SKIN_KIND_SWEEP, KX_MODL_ERR_SWEEP_QUERY,
        [&] {
            clear_lists({guides, sections, single});
            kx::clear(orientation, scaling, alignment, option);
            zero(values, 3);
            return kx::check({{guides, 2}, {sections, 3}, {single, 4}, {orientation, 5}, {scaling, 6},
                              {alignment, 7}, {section_method, 8}, {option, 9}, {values, 10}});
        },
        [&] {
            ListsOut<3> lists(feature, {SKIN_SET_FIRST, SKIN_SET_SECOND, SKIN_SET_SINGLE});
            int params[SKIN_N_PARAMS] = {};
            SKIN_ask_params(feature, params);
            MethodOut m1, m2;
            if (lists.lists[0].count() == 1) {
                // The orientation method and its values (entries 0 to 2).
                const int o = params[3];
                m1.record.method = o;
                int st = 0;
                if (o == 2 || o == 5) st = method_values(feature, 0, 2, m1.record.values);
                else if (o == 6) st = method_values(feature, 0, 1, m1.record.values);
                if (st != 0) return st;
                if (o == 3 || o == 6) m1.take_curves(feature, SKIN_SET_FIRST_METHOD);
                // The scaling method and its values (entries 3 to 5).
                const int s = params[4];
                m2.record.method = s;
                if (s == 2 && (params[2] == 1 || params[2] == 2)) m2.record.sub_method = params[2];
                if (s == 1) st = method_values(feature, 3, 3, m2.record.values);
                else if (s == 2 || s == 5) st = method_values(feature, 3, 4, m2.record.values);
                else if (s == 4) st = method_values(feature, 3, 5, m2.record.values);
                if (st != 0) return st;
                if (s == 3 || s == 5) m2.take_curves(feature, SKIN_SET_SECOND_METHOD);
            }
            const int align = SKIN_ask_alignment_method(feature);
            const int opt = option_bit(feature);
            double rv[3] = {};
            if (int st = record_values(feature, rv)) return st;

            lists.hand_to({guides, sections, single});
            m1.hand_to(orientation);
            m2.hand_to(scaling);
            *alignment = align;
            if (params[2] == 1 || params[2] == 2) *section_method = params[2];
            *option = opt;
            std::copy(rv, rv + 3, values);
            return 0;
        });
}

KXAPI int KX_MODL_ask_curve_mesh(tag feature, string_list* primary, string_list* cross,
                                            string_list* single, int* option, int* mesh_flag, int* mesh_method,
                                            double values[3], tag faces[4], int continuity[4]) {
    return skin_query(
        feature, SKIN_KIND_CURVE_MESH, KX_MODL_ERR_CURVE_MESH_QUERY,
        [&] {
            clear_lists({primary, cross, single});
            kx::clear(option, mesh_flag, mesh_method);
            zero(values, 3);
            zero(faces, 4);
            zero(continuity, 4);
            return kx::check({{primary, 2}, {cross, 3}, {single, 4}, {option, 5}, {mesh_flag, 6},
                              {mesh_method, 7}, {values, 8}, {faces, 9}, {continuity, 10}});
        },
        [&] {
            ListsOut<3> lists(feature, {SKIN_SET_FIRST, SKIN_SET_SECOND, SKIN_SET_SINGLE});
            const int opt = option_bit(feature);
            int params[SKIN_N_PARAMS] = {};
            SKIN_ask_params(feature, params);
            double rv[3] = {};
            if (int st = record_values(feature, rv)) return st;
            tag f[4] = {};
            int c[4] = {};
            face_constraints(feature, 4, f, c);

            lists.hand_to({primary, cross, single});
            *option = opt;
            *mesh_flag = params[3] != 0 ? 1 : 0;
            *mesh_method = params[0];
            std::copy(rv, rv + 3, values);
            std::copy(f, f + 4, faces);
            std::copy(c, c + 4, continuity);
            return 0;
        });
}

KXAPI int KX_MODL_ask_thru_curves(tag feature, string_list* sections, string_list* single,
                                             int* patch_kind, int* alignment, double alignment_values[6],
                                             int* degree, int* closed, int* option, double values[3], tag faces[2],
                                             int continuity[2]) {
    return skin_query(
        feature, SKIN_KIND_THRU_CURVES, KX_MODL_ERR_THRU_CURVES_QUERY,
        [&] {
            clear_lists({sections, single});
            kx::clear(patch_kind, alignment, degree, closed, option);
            zero(alignment_values, 6);
            zero(values, 3);
            zero(faces, 2);
            zero(continuity, 2);
            return kx::check({{sections, 2}, {single, 3}, {patch_kind, 4}, {alignment, 5}, {alignment_values, 6},
                              {degree, 7}, {closed, 8}, {option, 9}, {values, 10}});
        },
        [&] {
            ListsOut<2> lists(feature, {SKIN_SET_FIRST, SKIN_SET_SINGLE});
            int params[SKIN_N_PARAMS] = {};
            SKIN_ask_params(feature, params);
            int align = SKIN_ask_alignment_method(feature);
            if (align == 7) align = 6;
            double av[6] = {};
            if (int st = fill_alignment_values(feature, align, av)) return st;
            const int opt = option_bit(feature);
            double rv[3] = {};
            if (int st = record_values(feature, rv)) return st;
            tag f[2] = {};
            int c[2] = {};
            face_constraints(feature, 2, f, c);

            lists.hand_to({sections, single});
            *patch_kind = params[1] == 1 ? 1 : 2;
            *alignment = align;
            std::copy(av, av + 6, alignment_values);
            *degree = params[3];
            *closed = params[4] != 0 ? 1 : 0;
            *option = opt;
            std::copy(rv, rv + 3, values);
            if (faces) std::copy(f, f + 2, faces);
            if (continuity) std::copy(c, c + 2, continuity);
            return 0;
        });
}

KXAPI int KX_MODL_ask_ruled(tag feature, string_list* sections, string_list* single, int* alignment,
                                       double alignment_values[6], int* option, double values[3]) {
    return skin_query(
        feature, SKIN_KIND_RULED, KX_MODL_ERR_RULED_QUERY,
        [&] {
            clear_lists({sections, single});
            kx::clear(alignment, option);
            zero(alignment_values, 6);
            zero(values, 3);
            return kx::check({{sections, 2}, {single, 3}, {alignment, 4}, {alignment_values, 5}, {option, 6},
                              {values, 7}});
        },
        [&] {
            ListsOut<2> lists(feature, {SKIN_SET_FIRST, SKIN_SET_SINGLE});
            const int align = SKIN_ask_alignment_method(feature);
            double av[6] = {};
            if (int st = fill_alignment_values(feature, align, av)) return st;
            const int opt = option_bit(feature);
            double rv[3] = {};
            if (int st = record_values(feature, rv)) return st;

            lists.hand_to({sections, single});
            *alignment = align;
            std::copy(av, av + 6, alignment_values);
            *option = opt;
            std::copy(rv, rv + 3, values);
            return 0;
        });
}

KXAPI int KX_MODL_ask_bplane(tag feature, string_list* boundaries, double values[3]) {
    return skin_query(
        feature, SKIN_KIND_BPLANE, KX_MODL_ERR_BPLANE_QUERY,
        [&] {
            clear_lists({boundaries});
            zero(values, 3);
            return kx::check({{boundaries, 2}, {values, 3}});
        },
        [&] {
            ListsOut<1> lists(feature, {SKIN_SET_FIRST});
            double rv[3] = {};
            if (int st = record_values(feature, rv)) return st;
            lists.hand_to({boundaries});
            std::copy(rv, rv + 3, values);
            return 0;
        });
}

KXAPI int KX_MODL_ask_extrusion(tag feature, int* count, tag** objects, sweep_trim** trim, char** taper,
                                           char* limits[2], char* offsets[2], double region_point[3],
                                           logical* region_set, unsigned char* sign, double direction[3]) {
    return kx::frame(
        [&] {
            kx::clear(count, objects, trim, taper, region_set, sign);
            zero(limits, 2);
            zero(offsets, 2);
            zero(region_point, 3);
            zero(direction, 3);
            return kx::check({{count, 2}, {objects, 3}, {trim, 4}, {taper, 5}, {limits, 6}, {offsets, 7},
                              {region_point, 8}, {region_set, 9}, {sign, 10}});
        },
        [&] {
            if (feature == NULL_TAG || !TAG_ask_pointer_of_tag(feature)) return static_cast<int>(KX_MODL_ERR_INVALID_FEATURE);
            if (!SWEEP_is_an_extruded_frec(feature)) return static_cast<int>(KX_MODL_ERR_WRONG_KIND);
            // The block hangs on the extrusion only while it is read: the
            // reading is rolled back in every case.
            ExtrusionOut out;
            kx::probe_under_mark([&] { read_extrusion(feature, out); });

            *count = out.count;
            *objects = out.objects.release();
            if (out.trim) {
                out.trim.get()->objects = out.trim_faces.release();
                *trim = out.trim.release();
            }
            *taper = out.texts[0].release();
            for (int i = 0; i < 2; ++i) {
                limits[i] = out.texts[1 + i].release();
                offsets[i] = out.texts[3 + i].release();
            }
            std::copy(out.point, out.point + 3, region_point);
            *region_set = out.point_set;
            *sign = out.sign;
            if (direction) std::copy(out.direction, out.direction + 3, direction);
            return 0;
        });
}
