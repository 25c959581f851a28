// Direct face operations: the caller's regions, constraint and motion
// records copied into the host's operation data, the features made and
// edited from them, the data read back, and the host's failure codes of the
// operations turned into the interface's.
#include <cstdio>
#include <cstring>
#include <functional>
#include <span>
#include <utility>

#include "kx_codes.h"
#include "kx_modl_dfo.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"

#include "host/apps/modeling/dfo/dfo.h"
#include "host/model/feature/feature.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"

namespace {

constexpr const char* kModule = "kx_modl_dfo";
// The feature is not of the operation's kind.
constexpr int kWrongKind = KX_MODL_ERR_WRONG_KIND;
// KX_MODL_ask_local_scale on a feature that is no local scale.
constexpr int kNotLocalScale = 1;

// The one map of the create and edit functions' final status.
int dfo_code(int code) {
    switch (code) {
        case 3190003:
        case 3190007:
        case 3190014:
        case 3190015:
        case 3190018:
        case 3190022: return KX_MODL_ERR_DFO_INVALID;
        case 3190010:
        case 3190016: return KX_MODL_ERR_DFO_NOT_MADE;
        case 3190024: return KX_MODL_ERR_DFO_REPLACEMENT;
        default: return code >= 3190001 && code <= 3190023 ? static_cast<int>(KX_MODL_ERR_DFO_REGION) : code;
    }
}

[[noreturn]] void raise(int code) { ERROR_raise(kModule, __LINE__, code, "%s", DFO_error_get_msg(code)); }

bool bad_set(const tag* items, int n) { return n < 0 || (n > 0 && !items); }
bool bad_region(const dfo_region* r) {
    return !r || bad_set(r->seed_faces, r->number_of_seed_faces) ||
           bad_set(r->second_faces, r->number_of_second_faces) || bad_set(r->third_faces, r->number_of_third_faces);
}
// A text the caller gives: null (kept) or at most `limit` characters.
bool too_long(const char* text, std::size_t limit) { return text && strnlen(text, limit + 1) > limit; }
constexpr std::size_t kTextLimit = KX_MODL_DFO_TEXT - 1;

template <std::size_t N>
void copy_text(char (&to)[N], const char* from) {
    const std::size_t n = strnlen(from, N - 1);
    std::memcpy(to, from, n);
    to[n] = '\0';
}

// ---- the host's region -------------------------------------------------------

// Replaces a face set of the host's region with a copy of the caller's.
void put_set(DFO_region_t& h, int set, const tag* items, int n) {
    kx::free_and_clear(h.faces[set]);
    h.faces[set] = kx::copy_array(std::span<const tag>(items, n > 0 ? static_cast<std::size_t>(n) : 0));
    h.number_of_faces[set] = n > 0 ? n : 0;
}

// The caller's region into the host's: the first `sets` sets, the others
// empty.
void put_region(DFO_region_t& h, const dfo_region& r, int sets) {
    const tag* items[3] = {r.seed_faces, r.second_faces, r.third_faces};
    const int counts[3] = {r.number_of_seed_faces, r.number_of_second_faces, r.number_of_third_faces};
    for (int s = 0; s < 3; ++s) put_set(h, s, items[s], s < sets ? counts[s] : 0);
}

// The host's operation data, its face arrays released on every way out
// (and the region's extraction cleared when a create or edit made one).
template <class Data>
struct Held {
    Data data{};
    bool extracting = false;
    Held() = default;
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    ~Held() {
        for (unsigned int*& set : data.region.faces)
            if (set) kx::release([&] { kx::free_and_clear(set); });
        if (extracting) kx::release([&] { DFO_region_extraction_clear(&data.region); });
    }
};

// Processes the region; a failure raises 3190001 with its text.
void process(DFO_region_t& region) {
    if (DFO_region_process(&region) != 0) raise(DFO_ERR_REGION);
}

// A new region record for the caller from the host's sets (which it takes
// over); the patterns hand out the first two.
dfo_region* region_out(DFO_region_t& h, int sets) {
    auto* r = static_cast<dfo_region*>(SM_alloc(sizeof(dfo_region)));
    std::memset(r, 0, sizeof *r);
    tag** items[3] = {&r->seed_faces, &r->second_faces, &r->third_faces};
    int* counts[3] = {&r->number_of_seed_faces, &r->number_of_second_faces, &r->number_of_third_faces};
    for (int s = 0; s < sets; ++s) {
        *items[s] = std::exchange(h.faces[s], nullptr);
        *counts[s] = h.number_of_faces[s];
    }
    return r;
}

// ---- the shared roads -------------------------------------------------------

// Create: checks before any mark, then under a temporary mark the data is
// filled and processed and the feature made; the status goes through the
// code map.
template <class Data>
int create_dfo(tag* feature, int feature_param, const std::function<int()>& checks,
               void (*init)(unsigned int, int, Data*), const std::function<void(Data&)>& fill,
               unsigned int (*create)(Data*)) {
    return dfo_code(kx::frame(
        kx::Opts{.acknowledge = kx::every_code},
        [&] {
            kx::clear(feature);
            if (!feature) return kx::param(feature_param);
            return checks();
        },
        [&] {
            return kx::create_bracketed(0, feature, [&] {
                Held<Data> held;
                init(0, 0, &held.data);
                held.extracting = true;
                fill(held.data);
                *feature = CM_ask_eid_of_object(create(&held.data));
                return 0;
            });
        }));
}

// Edit: the kind check before any mark, then under a temporary mark the
// feature's data is loaded, changed, processed and edited, and the feature
// logged for the next update.
template <class Data>
int edit_dfo(tag feature, int (*is_kind)(unsigned int), const std::function<int()>& checks,
             const std::function<void(Data&)>& load, const std::function<void(Data&)>& change,
             void (*edit)(unsigned int, Data*), bool test_region) {
    return dfo_code(kx::frame(kx::Opts{.acknowledge = kx::every_code}, checks, [&] {
        if (is_kind && !is_kind(feature)) return kWrongKind;
        return kx::undo_bracket(0, nullptr, [&] {
            Held<Data> held;
            load(held.data);
            change(held.data);
            held.extracting = true;
            const int processed = DFO_region_process(&held.data.region);
            if (test_region && processed != 0) raise(DFO_ERR_REGION);
            edit(feature, &held.data);
            UPDATE_log_object_to_update(feature);
            return 0;
        });
    }));
}

// Ask: under an error frame; the feature's data loaded and handed out (the
// outputs set last, after every step that can fail).
template <class Data>
int ask_dfo(tag feature, int (*is_kind)(unsigned int), int wrong_kind, const std::function<int()>& checks,
            const std::function<void(Data&)>& load, const std::function<void(Data&)>& out) {
    return kx::frame(checks, [&] {
        if (!is_kind(feature)) return wrong_kind;
        Held<Data> held;
        load(held.data);
        out(held.data);
        return 0;
    });
}

template <class Data>
std::function<void(Data&)> loader(tag feature, void (*init)(unsigned int, int, Data*)) {
    return [feature, init](Data& d) { init(feature, 1, &d); };
}

std::function<int()> no_checks() {
    return [] { return 0; };
}

// A region given to an edit replaces the loaded one.
void replace_region(DFO_region_t& h, const dfo_region* r, int sets) {
    if (r) put_region(h, *r, sets);
}

// A pattern's data must be of its kind.
void need_pattern_kind(const PTRN_data_t& d, int kind) {
    if (d.kind != kind) ERROR_raise(kModule, __LINE__, kWrongKind, "%s", DFO_error_get_msg(DFO_ERR_NOT_DFO));
}

int is_any_pattern(unsigned int feature) { return PTRN_is_ptrn_feature(feature); }

}  // namespace

// ---- face constraint ------------------------------------------------------------

namespace {

void put_constraint(DFO_data_t& d, const face_constraint_data& c) {
    if (DFO_data_check_from_face(c.from_face) != 0 || DFO_data_check_to_object(c.to_object) != 0 ||
        (c.point != NULL_TAG && DFO_data_check_point(c.point) != 0))
        raise(DFO_ERR_CONSTRAINT);
    d.number_of_constraints = 1;
    d.constraint.constraint_type = c.constraint_type;
    d.constraint.from_face = c.from_face;
    d.constraint.to_object = c.to_object;
    d.constraint.to_parent = DFO_util_dirr_get_parent(c.to_object);
    d.constraint.point = c.point;
    copy_text(d.constraint.value, c.value);
    if (DFO_constraint_validate(&d) != 0) raise(DFO_ERR_CONSTRAINT);
}

bool bad_constraint(const face_constraint_data* c) { return !c || strnlen(c->value, KX_MODL_DFO_TEXT) > kTextLimit; }

// The constraint made or edited, and then the host's current constraint
// data cleared, inside the call's mark: a failure of the clearing fails the
// call, which takes the change back, rather than reaching the caller's own
// error handler after the call has answered.
unsigned int create_constraint(DFO_data_t* d) {
    const unsigned int feature = DFO_create(d);
    DFO_data_set_current(nullptr);
    return feature;
}

void edit_constraint(unsigned int feature, DFO_data_t* d) {
    DFO_edit(feature, d);
    DFO_data_set_current(nullptr);
}

}  // namespace

KXAPI int KX_MODL_create_face_constraint(const dfo_region* region, const face_constraint_data* constraint,
                                                    tag* feature) {
    return create_dfo<DFO_data_t>(
        feature, 3, [&] { return bad_region(region) || bad_constraint(constraint) ? KX_MODL_ERR_DFO_REGION : 0; },
        DFO_data_init_data,
        [&](DFO_data_t& d) {
            if (DFO_data_check_seed(region->seed_faces, region->number_of_seed_faces) != 0) raise(DFO_ERR_SEED);
            put_region(d.region, *region, 3);
            put_constraint(d, *constraint);
            process(d.region);
        },
        create_constraint);
}

KXAPI int KX_MODL_edit_face_constraint(tag feature, const dfo_region* region,
                                                  const face_constraint_data* constraint) {
    return edit_dfo<DFO_data_t>(
        feature, nullptr,
        [&] {
            return (region && bad_region(region)) || (constraint && bad_constraint(constraint)) ? KX_MODL_ERR_DFO_REGION
                                                                                                : 0;
        },
        loader(feature, DFO_data_init_data),
        [&](DFO_data_t& d) {
            replace_region(d.region, region, 3);
            if (constraint) put_constraint(d, *constraint);
        },
        edit_constraint, false);
}

KXAPI int KX_MODL_ask_face_constraint(tag feature, dfo_region** region, face_constraint_data** constraint) {
    return ask_dfo<DFO_data_t>(
        feature, DFO_is_dfo_feature, kWrongKind,
        [&] {
            kx::clear(region, constraint);
            return kx::check({{region, 2}, {constraint, 3}});
        },
        loader(feature, DFO_data_init_data),
        [&](DFO_data_t& d) {
            kx::host_ptr<face_constraint_data> c(
                static_cast<face_constraint_data*>(SM_alloc(sizeof(face_constraint_data))));
            std::memset(c.get(), 0, sizeof(face_constraint_data));
            c.get()->constraint_type = d.constraint.constraint_type;
            c.get()->from_face = d.constraint.from_face;
            c.get()->to_object = d.constraint.to_object;
            c.get()->point = d.constraint.point;
            copy_text(c.get()->value, d.constraint.value);
            *region = region_out(d.region, 3);
            *constraint = c.release();
        });
}

// ---- resize face ------------------------------------------------------------------

namespace {

void put_first_and_third(DFO_region_t& h, const tag* faces, int n, const tag* third, int n3, bool keep_empty) {
    if (!keep_empty || n != 0) put_set(h, 0, faces, n);
    if (!keep_empty || n3 != 0) put_set(h, 2, third, n3);
}

// Face arrays handed out: set 0 and set 2 of the host's region.
void faces_out(DFO_region_t& h, tag** faces, int* n, tag** third, int* n3) {
    *faces = std::exchange(h.faces[0], nullptr);
    *n = h.number_of_faces[0];
    *third = std::exchange(h.faces[2], nullptr);
    *n3 = h.number_of_faces[2];
}

}  // namespace

KXAPI int KX_MODL_create_resize_face(const tag* faces, int number_of_faces, const tag* third_faces,
                                                int number_of_third_faces, const char* resize, tag* feature) {
    return create_dfo<RESIZEF_data_t>(
        feature, 6,
        [&] {
            if (bad_set(faces, number_of_faces) || bad_set(third_faces, number_of_third_faces) || !resize)
                return static_cast<int>(KX_MODL_ERR_DFO_REGION);
            return too_long(resize, kTextLimit) ? kx::param(5) : 0;
        },
        RESIZEF_data_init_data,
        [&](RESIZEF_data_t& d) {
            put_first_and_third(d.region, faces, number_of_faces, third_faces, number_of_third_faces, false);
            copy_text(d.resize, resize);
            process(d.region);
        },
        RESIZEF_create);
}

KXAPI int KX_MODL_edit_resize_face(tag feature, const tag* faces, int number_of_faces,
                                              const tag* third_faces, int number_of_third_faces, const char* resize) {
    return edit_dfo<RESIZEF_data_t>(
        feature, RESIZEF_is_resizef_feature,
        [&] {
            if (bad_set(faces, number_of_faces) || bad_set(third_faces, number_of_third_faces))
                return static_cast<int>(KX_MODL_ERR_DFO_REGION);
            return too_long(resize, kTextLimit) ? kx::param(6) : 0;
        },
        loader(feature, RESIZEF_data_init_data),
        [&](RESIZEF_data_t& d) {
            put_first_and_third(d.region, faces, number_of_faces, third_faces, number_of_third_faces, true);
            if (resize) copy_text(d.resize, resize);
        },
        RESIZEF_edit, false);
}

KXAPI int KX_MODL_ask_resize_face(tag feature, tag** faces, int* number_of_faces, tag** third_faces,
                                             int* number_of_third_faces, char resize[KX_MODL_DFO_TEXT]) {
    return ask_dfo<RESIZEF_data_t>(
        feature, RESIZEF_is_resizef_feature, kWrongKind,
        [&] {
            kx::clear(faces, number_of_faces, third_faces, number_of_third_faces);
            return kx::check(
                {{faces, 2}, {number_of_faces, 3}, {third_faces, 4}, {number_of_third_faces, 5}, {resize, 6}});
        },
        loader(feature, RESIZEF_data_init_data),
        [&](RESIZEF_data_t& d) {
            copy_text(*reinterpret_cast<char(*)[KX_MODL_DFO_TEXT]>(resize), d.resize);
            faces_out(d.region, faces, number_of_faces, third_faces, number_of_third_faces);
        });
}

// ---- replace face -------------------------------------------------------------------

KXAPI int KX_MODL_create_replace_face(const tag* faces, int number_of_faces, const tag* replacement_faces,
                                                 int number_of_replacement_faces, int replacement_value, char option,
                                                 tag* feature) {
    return create_dfo<REPF_data_t>(
        feature, 7,
        [&] {
            return bad_set(faces, number_of_faces) || bad_set(replacement_faces, number_of_replacement_faces)
                       ? KX_MODL_ERR_DFO_REGION
                       : 0;
        },
        REPF_data_init_data,
        [&](REPF_data_t& d) {
            put_first_and_third(d.region, faces, number_of_faces, replacement_faces, number_of_replacement_faces,
                                false);
            d.value = replacement_value;
            d.value_absent = replacement_value == 0 ? 1 : 0;
            d.option = static_cast<unsigned char>(option);
            process(d.region);
        },
        REPF_create);
}

KXAPI int KX_MODL_edit_replace_face(tag feature, const tag* faces, int number_of_faces,
                                               const tag* replacement_faces, int number_of_replacement_faces,
                                               int replacement_value, char option) {
    return edit_dfo<REPF_data_t>(
        feature, REPF_is_repf_feature,
        [&] {
            return bad_set(faces, number_of_faces) || bad_set(replacement_faces, number_of_replacement_faces)
                       ? KX_MODL_ERR_DFO_REGION
                       : 0;
        },
        loader(feature, REPF_data_init_data),
        [&](REPF_data_t& d) {
            put_first_and_third(d.region, faces, number_of_faces, replacement_faces, number_of_replacement_faces, true);
            if (replacement_value != 0) {
                d.value = replacement_value;
                d.value_absent = 0;
            }
            d.option = static_cast<unsigned char>(option);
        },
        REPF_edit, false);
}

KXAPI int KX_MODL_ask_replace_face(tag feature, tag** faces, int* number_of_faces, tag** replacement_faces,
                                              int* number_of_replacement_faces, int* replacement_value, char* option) {
    return ask_dfo<REPF_data_t>(
        feature, REPF_is_repf_feature, kWrongKind,
        [&] {
            kx::clear(faces, number_of_faces, replacement_faces, number_of_replacement_faces, replacement_value,
                      option);
            return kx::check({{faces, 2},
                              {number_of_faces, 3},
                              {replacement_faces, 4},
                              {number_of_replacement_faces, 5},
                              {replacement_value, 6},
                              {option, 7}});
        },
        loader(feature, REPF_data_init_data),
        [&](REPF_data_t& d) {
            *replacement_value = d.value;
            *option = static_cast<char>(d.option);
            faces_out(d.region, faces, number_of_faces, replacement_faces, number_of_replacement_faces);
        });
}

// ---- offset region ------------------------------------------------------------------

KXAPI int KX_MODL_create_offset_region(const dfo_region* region, const char* offset, tag* feature) {
    return create_dfo<OFST_data_t>(
        feature, 3,
        [&] {
            if (bad_region(region) || !offset) return static_cast<int>(KX_MODL_ERR_DFO_REGION);
            return too_long(offset, kTextLimit) ? kx::param(2) : 0;
        },
        OFST_data_init_data,
        [&](OFST_data_t& d) {
            put_region(d.region, *region, 3);
            copy_text(d.offset, offset);
            process(d.region);
        },
        OFST_create);
}

KXAPI int KX_MODL_edit_offset_region(tag feature, const dfo_region* region, const char* offset) {
    return edit_dfo<OFST_data_t>(
        feature, OFST_is_ofst_feature,
        [&] {
            if (region && bad_region(region)) return static_cast<int>(KX_MODL_ERR_DFO_REGION);
            return too_long(offset, kTextLimit) ? kx::param(3) : 0;
        },
        loader(feature, OFST_data_init_data),
        [&](OFST_data_t& d) {
            replace_region(d.region, region, 3);
            if (offset) copy_text(d.offset, offset);
        },
        OFST_edit, false);
}

KXAPI int KX_MODL_ask_offset_region(tag feature, dfo_region** region, char offset[KX_MODL_DFO_TEXT]) {
    return ask_dfo<OFST_data_t>(
        feature, OFST_is_ofst_feature, kWrongKind,
        [&] {
            kx::clear(region);
            return kx::check({{region, 2}, {offset, 3}});
        },
        loader(feature, OFST_data_init_data),
        [&](OFST_data_t& d) {
            copy_text(*reinterpret_cast<char(*)[KX_MODL_DFO_TEXT]>(offset), d.offset);
            *region = region_out(d.region, 3);
        });
}

// ---- face patterns ------------------------------------------------------------------

namespace {

void put_count(PTRN_data_t& d, int i, int count) {
    d.count[i] = count;
    char text[16];
    std::snprintf(text, sizeof text, "%d", count);
    copy_text(d.count_text[i], text);
}

// The shared creation of the three patterns: the first two region sets,
// the region extracted (its answer not tested).
int create_pattern(tag* feature, int feature_param, const dfo_region* region, const std::function<int()>& checks,
                   int kind, const std::function<void(PTRN_data_t&)>& fill) {
    return create_dfo<PTRN_data_t>(
        feature, feature_param,
        [&] { return bad_region(region) ? static_cast<int>(KX_MODL_ERR_DFO_REGION) : checks(); }, PTRN_data_init_data,
        [&](PTRN_data_t& d) {
            d.kind = kind;
            put_region(d.region, *region, 2);
            fill(d);
            DFO_region_extract_faces(&d.region);
        },
        PTRN_create);
}

int edit_pattern(tag feature, const dfo_region* region, const std::function<int()>& checks, int kind,
                 const std::function<void(PTRN_data_t&)>& change) {
    return edit_dfo<PTRN_data_t>(
        feature, is_any_pattern,
        [&] { return region && bad_region(region) ? static_cast<int>(KX_MODL_ERR_DFO_REGION) : checks(); },
        [&](PTRN_data_t& d) {
            PTRN_data_init_data(feature, 1, &d);
            need_pattern_kind(d, kind);
        },
        [&](PTRN_data_t& d) {
            replace_region(d.region, region, 2);
            change(d);
        },
        PTRN_edit, false);
}

int ask_pattern(tag feature, dfo_region** region, const std::function<int()>& checks, int kind,
                const std::function<void(PTRN_data_t&)>& out) {
    return ask_dfo<PTRN_data_t>(
        feature, is_any_pattern, kWrongKind,
        [&] {
            kx::clear(region);
            return region ? checks() : kx::param(2);
        },
        [&](PTRN_data_t& d) {
            PTRN_data_init_data(feature, 1, &d);
            need_pattern_kind(d, kind);
        },
        [&](PTRN_data_t& d) {
            out(d);
            *region = region_out(d.region, 2);
        });
}

}  // namespace

KXAPI int KX_MODL_create_rectangular_pattern_face(const dfo_region* region, tag direction_1, tag direction_2,
                                                             int count_1, int count_2, const char* spacing_1,
                                                             const char* spacing_2, tag* feature) {
    return create_pattern(
        feature, 8, region,
        [&] {
            if (!spacing_1 || !spacing_2) return static_cast<int>(KX_MODL_ERR_DFO_REGION);
            if (too_long(spacing_1, kTextLimit)) return kx::param(6);
            return too_long(spacing_2, kTextLimit) ? kx::param(7) : 0;
        },
        PTRN_RECTANGULAR,
        [&](PTRN_data_t& d) {
            d.direction[0] = direction_1;
            d.direction[1] = direction_2;
            put_count(d, 0, count_1);
            put_count(d, 1, count_2);
            copy_text(d.spacing[0], spacing_1);
            copy_text(d.spacing[1], spacing_2);
        });
}

KXAPI int KX_MODL_edit_rectangular_pattern_face(tag feature, const dfo_region* region, tag direction_1,
                                                           tag direction_2, int count_1, int count_2,
                                                           const char* spacing_1, const char* spacing_2) {
    return edit_pattern(
        feature, region,
        [&] {
            if (too_long(spacing_1, kTextLimit)) return kx::param(7);
            return too_long(spacing_2, kTextLimit) ? kx::param(8) : 0;
        },
        PTRN_RECTANGULAR,
        [&](PTRN_data_t& d) {
            if (direction_1 != NULL_TAG) d.direction[0] = direction_1;
            if (direction_2 != NULL_TAG) d.direction[1] = direction_2;
            if (count_1 != 0) put_count(d, 0, count_1);
            if (count_2 != 0) put_count(d, 1, count_2);
            if (spacing_1) copy_text(d.spacing[0], spacing_1);
            if (spacing_2) copy_text(d.spacing[1], spacing_2);
        });
}

KXAPI int KX_MODL_ask_rectangular_pattern_face(tag feature, dfo_region** region, tag* direction_1,
                                                          tag* direction_2, int* count_1, int* count_2,
                                                          char spacing_1[KX_MODL_DFO_TEXT],
                                                          char spacing_2[KX_MODL_DFO_TEXT]) {
    return ask_pattern(
        feature, region,
        [&] {
            kx::clear(direction_1, direction_2, count_1, count_2);
            return kx::check(
                {{direction_1, 3}, {direction_2, 4}, {count_1, 5}, {count_2, 6}, {spacing_1, 7}, {spacing_2, 8}});
        },
        PTRN_RECTANGULAR,
        [&](PTRN_data_t& d) {
            *direction_1 = d.direction[0];
            *direction_2 = d.direction[1];
            *count_1 = d.count[0];
            *count_2 = d.count[1];
            copy_text(*reinterpret_cast<char(*)[KX_MODL_DFO_TEXT]>(spacing_1), d.spacing[0]);
            copy_text(*reinterpret_cast<char(*)[KX_MODL_DFO_TEXT]>(spacing_2), d.spacing[1]);
        });
}

KXAPI int KX_MODL_create_circular_pattern_face(const dfo_region* region, tag axis, int count,
                                                          const char* angle, tag* feature) {
    return create_pattern(
        feature, 5, region,
        [&] {
            if (!angle) return static_cast<int>(KX_MODL_ERR_DFO_REGION);
            return too_long(angle, kTextLimit) ? kx::param(4) : 0;
        },
        PTRN_CIRCULAR,
        [&](PTRN_data_t& d) {
            d.axis = axis;
            put_count(d, 0, count);
            d.count[1] = 1;
            copy_text(d.angle, angle);
        });
}

KXAPI int KX_MODL_edit_circular_pattern_face(tag feature, const dfo_region* region, tag axis, int count,
                                                        const char* angle) {
    return edit_pattern(
        feature, region, [&] { return too_long(angle, kTextLimit) ? kx::param(5) : 0; }, PTRN_CIRCULAR,
        [&](PTRN_data_t& d) {
            if (axis != NULL_TAG) d.axis = axis;
            if (count != 0) put_count(d, 0, count);
            if (angle) copy_text(d.angle, angle);
        });
}

KXAPI int KX_MODL_ask_circular_pattern_face(tag feature, dfo_region** region, tag* axis, int* count,
                                                       char angle[KX_MODL_DFO_TEXT]) {
    return ask_pattern(
        feature, region,
        [&] {
            kx::clear(axis, count);
            return kx::check({{axis, 3}, {count, 4}, {angle, 5}});
        },
        PTRN_CIRCULAR,
        [&](PTRN_data_t& d) {
            *axis = d.axis;
            *count = d.count[0];
            copy_text(*reinterpret_cast<char(*)[KX_MODL_DFO_TEXT]>(angle), d.angle);
        });
}

KXAPI int KX_MODL_create_mirror_pattern_face(const dfo_region* region, tag plane, tag* feature) {
    return create_pattern(feature, 3, region, no_checks(), PTRN_MIRROR, [&](PTRN_data_t& d) { d.plane = plane; });
}

KXAPI int KX_MODL_edit_mirror_pattern_face(tag feature, const dfo_region* region, tag plane) {
    return edit_pattern(feature, region, no_checks(), PTRN_MIRROR, [&](PTRN_data_t& d) {
        if (plane != NULL_TAG) d.plane = plane;
    });
}

KXAPI int KX_MODL_ask_mirror_pattern_face(tag feature, dfo_region** region, tag* plane) {
    return ask_pattern(
        feature, region,
        [&] {
            kx::clear(plane);
            return kx::check({{plane, 3}});
        },
        PTRN_MIRROR, [&](PTRN_data_t& d) { *plane = d.plane; });
}

// ---- local scale --------------------------------------------------------------------

namespace {

// The host's factor fields that a scale type uses.
std::pair<int, int> factor_fields(int type) {
    switch (type) {
        case 0: return {0, 1};
        case 1: return {1, 3};
        case 2: return {3, 6};
        default: return {0, 0};
    }
}

bool bad_factors(int type, const char factors[][KX_MODL_DFO_TEXT]) {
    const auto [from, to] = factor_fields(type);
    for (int i = 0; i < to - from; ++i)
        if (too_long(factors[i], KX_MODL_DFO_FACTOR)) return true;
    return false;
}

// The type, reference objects and factor texts of the caller, over the
// presets "1.0000" and NULL_TAG.
void put_scale(LSCALE_data_t& d, int type, tag r1, tag r2, tag r3, const char factors[][KX_MODL_DFO_TEXT]) {
    d.type = d.scale_type = type;
    d.reference[0] = r1;
    d.reference[1] = r2;
    d.reference[2] = r3;
    for (auto& f : d.factor) copy_text(f, LSCALE_DEFAULT_FACTOR);
    const auto [from, to] = factor_fields(type);
    for (int i = from; i < to; ++i) copy_text(d.factor[i], factors[i - from]);
}

void preset_scale(LSCALE_data_t& d) {
    for (auto& f : d.factor) copy_text(f, LSCALE_DEFAULT_FACTOR);
    d.reference[0] = d.reference[1] = d.reference[2] = NULL_TAG;
}

}  // namespace

KXAPI int KX_MODL_create_local_scale(int scale_type, const dfo_region* region, tag reference_1,
                                                tag reference_2, tag reference_3,
                                                const char factors[][KX_MODL_DFO_TEXT], tag* feature) {
    return create_dfo<LSCALE_data_t>(
        feature, 7,
        [&] {
            if (bad_region(region) || !factors) return static_cast<int>(KX_MODL_ERR_DFO_REGION);
            return bad_factors(scale_type, factors) ? kx::param(6) : 0;
        },
        [](unsigned int, int, LSCALE_data_t* d) { std::memset(d, 0, sizeof *d); },
        [&](LSCALE_data_t& d) {
            put_scale(d, scale_type, reference_1, reference_2, reference_3, factors);
            DFO_region_init(&d.region);
            put_region(d.region, *region, 3);
            process(d.region);
        },
        LSCALE_create);
}

KXAPI int KX_MODL_edit_local_scale(tag feature, int scale_type, const dfo_region* region, tag reference_1,
                                              tag reference_2, tag reference_3,
                                              const char factors[][KX_MODL_DFO_TEXT]) {
    return edit_dfo<LSCALE_data_t>(
        feature, nullptr,
        [&] {
            if ((region && bad_region(region)) || !factors) return static_cast<int>(KX_MODL_ERR_DFO_REGION);
            return bad_factors(scale_type, factors) ? kx::param(7) : 0;
        },
        [&](LSCALE_data_t& d) {
            preset_scale(d);
            LSCALE_load_data(feature, 1, &d);
        },
        [&](LSCALE_data_t& d) {
            put_scale(d, scale_type, reference_1, reference_2, reference_3, factors);
            replace_region(d.region, region, 3);
        },
        LSCALE_edit, false);
}

KXAPI int KX_MODL_ask_local_scale(tag feature, int* scale_type, dfo_region** region, tag* reference_1,
                                             tag* reference_2, tag* reference_3, char factors[][KX_MODL_DFO_TEXT]) {
    return ask_dfo<LSCALE_data_t>(
        feature, LSCALE_is_lscale_feature, kNotLocalScale,
        [&] {
            kx::clear(scale_type, region, reference_1, reference_2, reference_3);
            return kx::check({{scale_type, 2},
                              {region, 3},
                              {reference_1, 4},
                              {reference_2, 5},
                              {reference_3, 6},
                              {factors != nullptr, 7}});
        },
        [&](LSCALE_data_t& d) {
            preset_scale(d);
            LSCALE_load_data(feature, 1, &d);
        },
        [&](LSCALE_data_t& d) {
            *scale_type = d.scale_type;
            for (int i = 0; i < 3; ++i) factors[i][0] = '\0';
            const auto [from, to] = factor_fields(d.scale_type);
            for (int i = from; i < to; ++i)
                copy_text(*reinterpret_cast<char(*)[KX_MODL_DFO_TEXT]>(factors[i - from]), d.factor[i]);
            // Type 0 and 1 use the first objects, type 2 the third.
            if (d.scale_type == 2) {
                *reference_3 = d.reference[2];
            } else {
                *reference_1 = d.reference[0];
                if (d.scale_type == 1) *reference_2 = d.reference[1];
            }
            *region = region_out(d.region, 3);
        });
}

// ---- move region --------------------------------------------------------------------

namespace {

bool bad_motion(int type, const void* motion) {
    if (type < TRANS_POINT_TO_POINT || type > TRANS_AXIS_TO_AXIS || !motion) return true;
    return false;
}

int long_motion_text(int type, const void* motion) {
    if (type == TRANS_DISTANCE)
        return strnlen(static_cast<const move_distance*>(motion)->displacement, KX_MODL_DFO_TEXT) > kTextLimit;
    if (type == TRANS_ANGLE)
        return strnlen(static_cast<const move_angle*>(motion)->angle, KX_MODL_DFO_TEXT) > kTextLimit;
    return false;
}

// A new transform from the motion record.
int new_transform(int type, const void* motion) {
    char text[KX_MODL_DFO_TEXT];
    switch (type) {
        case TRANS_POINT_TO_POINT: {
            const auto* m = static_cast<const move_point_to_point*>(motion);
            return TRANS_pp_create(m->from_point, m->to_point);
        }
        case TRANS_DISTANCE: {
            const auto* m = static_cast<const move_distance*>(motion);
            copy_text(text, m->displacement);
            return TRANS_dist_create(m->direction, text);
        }
        case TRANS_ANGLE: {
            const auto* m = static_cast<const move_angle*>(motion);
            copy_text(text, m->angle);
            return TRANS_angle_create(m->axis, m->point, text);
        }
        default: {
            const auto* m = static_cast<const move_axis_to_axis*>(motion);
            return TRANS_aa_create(m->from_axis, m->to_axis, m->pivot_point);
        }
    }
}

// The transform edited in place with the motion record's values.
void edit_transform(int type, const void* motion, int transform) {
    char text[KX_MODL_DFO_TEXT];
    switch (type) {
        case TRANS_POINT_TO_POINT: {
            const auto* m = static_cast<const move_point_to_point*>(motion);
            TRANS_pp_edit(m->from_point, m->to_point, transform);
            break;
        }
        case TRANS_DISTANCE: {
            const auto* m = static_cast<const move_distance*>(motion);
            copy_text(text, m->displacement);
            TRANS_dist_edit(m->direction, text, transform);
            break;
        }
        case TRANS_ANGLE: {
            const auto* m = static_cast<const move_angle*>(motion);
            copy_text(text, m->angle);
            TRANS_angle_edit(m->axis, m->point, text, transform);
            break;
        }
        default: {
            const auto* m = static_cast<const move_axis_to_axis*>(motion);
            TRANS_aa_edit(m->from_axis, m->to_axis, m->pivot_point, transform);
            break;
        }
    }
}

// A new motion record of the type from the transform's data.
void* motion_out(int transform) {
    int type = 0;
    unsigned int objects[3] = {};
    char text[DFO_TEXT_CHARS];
    TRANS_ask_data(transform, &type, objects, text);
    const auto make = [](std::size_t size) {
        void* block = SM_alloc(size);
        std::memset(block, 0, size);
        return block;
    };
    switch (type) {
        case TRANS_POINT_TO_POINT: {
            auto* m = static_cast<move_point_to_point*>(make(sizeof(move_point_to_point)));
            m->from_point = objects[0];
            m->to_point = objects[1];
            return m;
        }
        case TRANS_DISTANCE: {
            auto* m = static_cast<move_distance*>(make(sizeof(move_distance)));
            m->direction = objects[0];
            copy_text(m->displacement, text);
            return m;
        }
        case TRANS_ANGLE: {
            auto* m = static_cast<move_angle*>(make(sizeof(move_angle)));
            m->axis = objects[0];
            m->point = objects[1];
            copy_text(m->angle, text);
            return m;
        }
        default: {
            auto* m = static_cast<move_axis_to_axis*>(make(sizeof(move_axis_to_axis)));
            m->from_axis = objects[0];
            m->to_axis = objects[1];
            m->pivot_point = objects[2];
            return m;
        }
    }
}

}  // namespace

KXAPI int KX_MODL_create_move_region(int motion_type, const dfo_region* region, const void* motion,
                                                tag* feature) {
    return create_dfo<MOVEF_data_t>(
        feature, 4,
        [&] {
            if (bad_region(region) || bad_motion(motion_type, motion)) return static_cast<int>(KX_MODL_ERR_DFO_REGION);
            return long_motion_text(motion_type, motion) ? kx::param(3) : 0;
        },
        MOVEF_data_init_data,
        [&](MOVEF_data_t& d) {
            put_region(d.region, *region, 3);
            process(d.region);
            d.motion_type = motion_type;
            d.transform = new_transform(motion_type, motion);
        },
        MOVEF_create);
}

KXAPI int KX_MODL_edit_move_region(tag feature, int motion_type, const dfo_region* region,
                                              const void* motion) {
    return edit_dfo<MOVEF_data_t>(
        feature, MOVEF_is_movef_feature,
        [&] {
            if ((region && bad_region(region)) || (motion && bad_motion(motion_type, motion)))
                return static_cast<int>(KX_MODL_ERR_DFO_REGION);
            return motion && long_motion_text(motion_type, motion) ? kx::param(4) : 0;
        },
        loader(feature, MOVEF_data_init_data),
        [&](MOVEF_data_t& d) {
            replace_region(d.region, region, 3);
            if (!motion) return;
            if (motion_type == d.motion_type) {
                edit_transform(motion_type, motion, d.transform);
            } else {
                TRANS_delete(d.transform);
                d.motion_type = motion_type;
                d.transform = new_transform(motion_type, motion);
            }
        },
        MOVEF_edit, true);
}

KXAPI int KX_MODL_ask_move_region(tag feature, int* motion_type, dfo_region** region, void** motion) {
    return ask_dfo<MOVEF_data_t>(
        feature, MOVEF_is_movef_feature, kWrongKind,
        [&] {
            kx::clear(motion_type, region, motion);
            return kx::check({{motion_type, 2}, {region, 3}, {motion, 4}});
        },
        loader(feature, MOVEF_data_init_data),
        [&](MOVEF_data_t& d) {
            kx::host_ptr<void> m(motion_out(d.transform));
            *motion_type = d.motion_type;
            *region = region_out(d.region, 3);
            *motion = m.release();
        });
}
