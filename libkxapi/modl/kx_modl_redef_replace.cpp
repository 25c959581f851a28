// Redefinition of whole features and of the faces other features work on:
// features replaced by others with their children re-parented, the faces
// an offset or hollow works on, and the trim faces of a trimming
// user-defined feature.
#include <algorithm>
#include <map>
#include <vector>

#include "kx_codes.h"
#include "kx_modl_redef.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/modl/kx_modl_operation.h"
#include "libkxapi/modl/kx_modl_query.h"
#include "libkxapi/modl/kx_modl_redef_shared.h"

#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/redefine/redefine_faces.h"
#include "host/apps/modeling/redefine/redefine_refs.h"
#include "host/apps/modeling/redefine/redefine_replace.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "host/base/services/sets.h"

namespace {

using namespace kx::modl::redef;

// A host array copied and freed at once.
std::vector<tag> taken(unsigned int* raw, int n) {
    std::vector<tag> out(raw, raw + (raw ? n : 0));
    SM_free(raw);
    return out;
}

// A host set for the length of a call.
class Set {
public:
    Set() : id_(OM_create_set()) {}
    ~Set() {
        kx::release([this] { OM_delete_set(id_); });
    }
    Set(const Set&) = delete;
    Set& operator=(const Set&) = delete;
    int id() const { return id_; }
    // Its objects, in the host's time order.
    std::vector<tag> sorted() const {
        int n = 0;
        unsigned int* raw = nullptr;
        OM_flatten_set(id_, &n, &raw);
        std::vector<tag> out = taken(raw, n);
        if (out.size() > 1)
            std::sort(out.begin(), out.end(), [](tag a, tag b) { return FREC_sort_frecs(a, b) < 0; });
        return out;
    }

private:
    int id_;
};

// The checks of one old (new) feature: the code of the last that fails.
int check_old(tag f, std::size_t i, int* datum, tag* first_body) {
    if (!host::objects::is_alive(f)) return kMissing;
    if (!kx::modl::is_feature(f)) return kWrongType;
    int st = 0;
    const int kind = FREC_ask_datum_kind(f);
    if (i > 0 && *datum != 0) st = KX_MODL_ERR_NOT_REPLACEABLE;
    if (kind != 0) *datum = kind;
    if (!FREC_is_replaceable(f)) st = KX_MODL_ERR_NOT_REPLACEABLE;
    if (*datum == 0) {
        const tag body = BREF_ask_top_bref_of_frec(f);
        if (i == 0) *first_body = body;
        else if (body != *first_body) st = KX_MODL_ERR_NOT_REPLACEABLE;
    }
    return st;
}

int check_new(tag f, std::size_t i, int datum, tag first_old) {
    if (!host::objects::is_alive(f)) return kMissing;
    if (!kx::modl::is_feature(f)) return kWrongType;
    int st = 0;
    const int kind = FREC_ask_datum_kind(f);
    if (i > 0 && kind != 0) st = KX_MODL_ERR_NOT_VALID_REPLACEMENT;
    if (kind != 0 && kind != datum) st = KX_MODL_ERR_NOT_VALID_REPLACEMENT;
    if (!FREC_is_valid_replacement(f, first_old)) st = KX_MODL_ERR_NOT_VALID_REPLACEMENT;
    return st;
}

// The outside parents of the children (references), each once.
std::vector<unsigned int> outside_parents(const std::vector<tag>& children, const std::vector<tag>& old) {
    std::vector<unsigned int> out;
    for (tag c : children) {
        int n = 0;
        unsigned int* raw = nullptr;
        MODL_REDEF_ask_ext_parents_of_frec(c, static_cast<int>(old.size()), old.data(), &n, &raw);
        for (unsigned int r : taken(raw, n))
            if (std::find(out.begin(), out.end(), r) == out.end()) out.push_back(r);
    }
    return out;
}

int replace(tag old_features[], int n_old, tag new_features[], int n_new, logical ask_only, int option,
            KX_MODL_ref_pair_t** pairs, int* n_pairs) {
    // 1. Old features, and what goes with them.
    int datum = 0;
    tag first_body = NULL_TAG;
    Set olds;
    for (int i = 0; i < n_old; ++i) {
        if (int st = check_old(old_features[i], static_cast<std::size_t>(i), &datum, &first_body)) return st;
        MODL_REDEF_add_codep_repl_frecs(old_features[i], olds.id());
    }
    const std::vector<tag> old = olds.sorted();
    // 2. New features.
    Set news;
    for (int i = 0; i < n_new; ++i) {
        if (int st = check_new(new_features[i], static_cast<std::size_t>(i), datum, old_features[0])) return st;
        MODL_REDEF_add_codep_replm_frecs(new_features[i], news.id());
    }
    const std::vector<tag> replacements = news.sorted();
    int n = 0;
    unsigned int* raw = nullptr;
    MODL_REDEF_ask_children_to_reparent(static_cast<int>(old.size()), old.data(), static_cast<int>(replacements.size()),
                                        replacements.data(), &n, &raw);
    std::vector<tag> children = taken(raw, n);
    if (children.size() > 1)
        std::sort(children.begin(), children.end(), [](tag a, tag b) { return FREC_sort_frecs(a, b) < 0; });
    const std::vector<unsigned int> parents = outside_parents(children, old);
    // 3. Asked only: one pair per outside parent, for the caller to fill.
    if (ask_only) {
        std::vector<KX_MODL_ref_pair_t> out;
        for (unsigned int r : parents) out.push_back({entity_of(r), NULL_TAG});
        *pairs = kx::copy_array<KX_MODL_ref_pair_t>(out);
        *n_pairs = static_cast<int>(out.size());
        return 0;
    }
    // 4. The caller's pairs as a map of references and of entities.
    std::map<tag, tag> map;
    for (int i = 0; i < *n_pairs; ++i) {
        const KX_MODL_ref_pair_t& p = (*pairs)[i];
        int st = 0;
        for (tag t : {p.old_entity, p.new_entity}) {
            int type = 0, subtype = 0;
            type_of(t, &type, &subtype);
            if (type == 0) st = kMissing;
            else if (type != kSolidType && type != HOST_TYPE_DATUM_PLANE && type != HOST_TYPE_DATUM_AXIS) st = kWrongType;
        }
        if (st != 0) return st;
        const unsigned int from = is_edge(p.old_entity) ? eref_of(p.old_entity) : fref_of(p.old_entity);
        const unsigned int to = is_edge(p.new_entity) ? eref_of(p.new_entity) : fref_of(p.new_entity);
        if (from == 0 || std::find(parents.begin(), parents.end(), from) == parents.end()) return kWrongType;
        map[from] = to;
        map[p.old_entity] = p.new_entity;
    }
    if (datum != 0) map[old_features[0]] = new_features[0];
    std::vector<tag> keys, values;
    for (const auto& [k, v] : map) {
        keys.push_back(k);
        values.push_back(v);
    }
    int unhandled = 0;
    if (int st = MODL_REDEF_replace_frecs(static_cast<int>(old.size()), old.data(), static_cast<int>(replacements.size()),
                                          replacements.data(), static_cast<int>(children.size()), children.data(),
                                          static_cast<int>(keys.size()), keys.data(), values.data(), option, &unhandled))
        return st;
    return unhandled > 0 ? KX_CURVE_ERR_BRIDGE_ORDER : 0;  // 875304: items left unhandled
}

}  // namespace

KXAPI int KX_MODL_replace_features(tag old_features[], int n_old, tag new_features[], int n_new,
                                              logical ask_only, int option, KX_MODL_ref_pair_t** pairs,
                                              int* n_pairs) {
    return kx::frame(
        [&] {
            return kx::check({{old_features, 1},
                              {n_old > 0, 2},
                              {new_features, 3},
                              {n_new > 0, 4},
                              {pairs, 7},
                              {n_pairs, 8},
                              {!n_pairs || ask_only || *n_pairs >= 0, 8},
                              {!pairs || !n_pairs || ask_only || *n_pairs == 0 || *pairs, 7}});
        },
        [&] {
            if (ask_only) {
                *pairs = nullptr;
                *n_pairs = 0;
            }
            // The pairs answered are the caller's only when the whole call
            // succeeds (the mark and the sets go after they are made).
            struct Answer {
                KX_MODL_ref_pair_t** pairs;
                int* n;
                bool ask_only;
                bool kept = false;
                ~Answer() {
                    if (!ask_only || kept || !*pairs) return;
                    kx::release([this] { SM_free(*pairs); });
                    *pairs = nullptr;
                    *n = 0;
                }
            } answer{pairs, n_pairs, ask_only != 0};
            const int st = kx::undo_bracket(1, nullptr, [&] {
                return replace(old_features, n_old, new_features, n_new, ask_only, option, pairs, n_pairs);
            });
            answer.kept = st == 0;
            return st;
        });
}

KXAPI int KX_MODL_redefine_replace_faces(tag feature, int count, tag faces[]) {
    return kx::frame([&] { return kx::check({{count >= 0, 2}, {count == 0 || faces, 3}}); },
                     [&]() -> int {
                         if (!CONTEXT_ask_active_part_exists()) return kx::kPartNotLoaded;
                         if (!kx::modl::is_feature(feature) || MODL_ask_replace_faces_kind(feature) == 0)
                             return kx::param(1);
                         return kx::undo_bracket(1, nullptr, [&]() -> int {
                             for (int i = 0; i < count; ++i) {
                                 unsigned int ref = 0;
                                 if (int st = check_new_face(feature, faces[i], 3, 0, &ref)) return st;
                             }
                             MODL__redef_replace_faces(feature, count, faces);
                             return 0;
                         });
                     });
}

KXAPI int KX_MODL_redefine_trim_faces(tag feature, int count, tag faces[], int value) {
    // The mark and the frame come first: a failed update takes the new trim
    // faces back with it.
    return kx::frame([&] { return kx::check({{count >= 0, 2}, {count == 0 || faces, 3}}); },
                     [&] {
                         return kx::undo_bracket(1, nullptr, [&]() -> int {
                             if (!kx::modl::is_feature(feature) || !UDF_is_a_trim_udf_meta(feature)) return kWrongType;
                             std::vector<unsigned int> refs;
                             for (int i = 0; i < count; ++i) {
                                 if (!has_kernel_entity(faces[i]) || !is_face(faces[i])) return kNoKernelFace;
                                 const unsigned int ref = fref_of(faces[i]);
                                 if (UDF_is_fref_from_udf(feature, ref)) return KX_MODL_ERR_TRIM_FACE_OF_UDF;
                                 if (!MODL_check_ref_time_stamp(feature, ref, 1)) return KX_MODL_ERR_NEWER_THAN_FEATURE;
                                 if (!MODL_is_the_same_body(feature, ref)) return KX_MODL_ERR_OTHER_BODY;
                                 refs.push_back(ref);
                             }
                             MODL__reattach_trim_faces(feature, count, refs.data(), value);
                             UPDATE_log_object_to_update(feature);
                             return kx::modl::update();
                         });
                     });
}
