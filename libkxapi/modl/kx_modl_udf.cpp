// User-defined features: a definition imported from its part file, given
// values by prompt, placed and cut into (or united with) a body, and a new
// definition exported. The import and the parameter step hand the host's
// routines their values through process-wide hand-over values (one step at
// a time); every step sets the host's UDF status back to 0 when it ends,
// and the host lists the steps make are destroyed on every way out.
#include <cmath>
#include <cstdio>
#include <cstddef>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "kx_codes.h"
#include "kx_core.h"
#include "kx_modl.h"
#include "kx_modl_cre_feat.h"
#include "kx_modl_parms.h"
#include "libkxapi/core/kx_list.h"
#include "kx_mtx.h"
#include "kx_obj.h"
#include "kx_part_import.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/mtx/kx_mtx_internal.h"
#include "libkxapi/obj/kx_obj_internal.h"
#include "libkxapi/part/kx_part_util.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/modl/kx_modl_cre_feat_shared.h"
#include "libkxapi/modl/kx_modl_operation.h"

#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/form/form_slots.h"
#include "host/model/feature/positioning.h"
#include "host/apps/modeling/udf/udf.h"
#include "host/kernel/engine/kernel.h"
#include "host/numeric/tolerances.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

static_assert(sizeof(udf_input_parm) == sizeof(UDF_input_parm_t));
static_assert(offsetof(udf_input_parm, variable) == offsetof(UDF_input_parm_t, variable));
static_assert(offsetof(udf_input_parm, prompt) == offsetof(UDF_input_parm_t, prompt));

namespace {

namespace km = kx::modl;

constexpr const char* kModule = "kx_modl_udf";
constexpr const char* kExportMark = "Export User Defined Feature (Kestrix Extension)";
constexpr int kDatumPlaneType = HOST_TYPE_DATUM_PLANE;
constexpr int kFaceSubtype = 2;
constexpr int kPendingRootWord = 23;

// ---- hand-over values ----

struct ImportValues {
    std::string file;
    double orientation[9] = {};
    double point[3] = {};
};
ImportValues g_import;

struct ParmValues {
    char** prompts = nullptr;
    char** values = nullptr;
    int count = 0;
};
ParmValues g_parms;

// Sets the host's UDF status back to 0 when a step ends, whichever way.
struct StatusReset {
    ~StatusReset() {
        kx::release([] { set_udf_status(UDF_STATUS_IDLE); });
    }
};

// A host list destroyed on every way out.
using kx::HostList;

// ---- import ----

// The host's import routine: the definition part imported as parts are,
// then moved into the work part's data.
int import_udf_part(UDF_import_record_t* record) {
    import_options options{};
    tag group = NULL_TAG;
    // Under a frame of its own, as the part import runs: its failure is
    // the import's status.
    const int st = kx::frame(kx::no_check, [&] {
        return kx::part::import_part(g_import.file.c_str(), &options, g_import.orientation, g_import.point, 1.0, &group);
    });
    if (st != 0) {
        set_udf_status(UDF_STATUS_IMPORT_FAILED);
        return st;
    }
    udf_set_udf_def_name(g_import.file.c_str());
    mv_udf_temp_object_to_work_data(PART_ask_cm_part_of_part(CONTEXT_ask_work_part()));
    add_udf_data_to_udf_record(record);
    return 0;
}

int import_udf(const char* file, const double orientation[9], const double point[3], tag* feature) {
    g_import.file = file;
    std::memcpy(g_import.orientation, orientation, sizeof g_import.orientation);
    std::memcpy(g_import.point, point, sizeof g_import.point);
    StatusReset reset;
    // The host carries the tool as the part import carries bodies: by the
    // orthonormal frame of the X and Y rows.
    UDF_import_record_t record{};
    if (kx::mtx::frame_of_rows(orientation, orientation + 3, record.orientation) != 0) {
        const double identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        std::memcpy(record.orientation, identity, sizeof identity);
    }
    std::memcpy(record.point, point, sizeof record.point);
    int status = 0;
    if (int st = kx::frame(kx::no_check, [&] {
            udf_import_file(import_udf_part, 0, &record, &status);
            return status;
        }))
        return st;
    if (inq_udf_status_() == UDF_STATUS_IMPORT_FAILED) return KX_MODL_ERR_UDF_IMPORT_FAILED;
    UDF_complete_data_t data{PART_udf_complete_reason, CONTEXT_ask_work_part(), g_import.file.c_str()};
    CALLBACK_call_list(PART_udf_complete_reason, &data);
    *feature = record.udf;
    return 0;
}

// ---- parameter values ----

// The host's parameter routine: each input parameter whose prompt one of
// the caller's prompts equals gets that prompt's value text, whole.
void apply_udf_parm_values(UDF_parm_node_t* nodes, int* count, void*, int* status) {
    const unsigned int part = CONTEXT_ask_work_part();
    for (UDF_parm_node_t* node = nodes; node; node = node->next) {
        for (int i = 0; i < *count; ++i) {
            if (!node->prompt || std::strcmp(node->prompt, g_parms.prompts[i]) != 0) continue;
            const std::string value = g_parms.values[i];
            const int st = node->exp != 0 ? EXP_edit_exp(part, node->exp, value.c_str())
                                          : EXP_create_system_exp(part, value.c_str(), &node->exp);
            if (st != 0) {
                *status = st;
                return;
            }
        }
    }
}

int set_udf_parms(tag udf, char** prompts, char** values, int count) {
    g_parms = {prompts, values, count};
    StatusReset reset;
    int status = 0;
    return kx::frame(kx::no_check, [&] {
        udf_set_udf_parms(apply_udf_parm_values, udf, count, nullptr, &status);
        return status;
    });
}

// ---- the boolean step ----

int type_of(tag object, int* subtype) {
    int type = 0;
    *subtype = 0;
    // A tag of no object is of no type; a failure of the host's is ours.
    const int st = kx::obj::type_and_subtype(object, &type, subtype);
    if (st != 0 && st != KX_ERR_BAD_PARAM_1) ERROR_raise(kModule, __LINE__, st, "the object's type cannot be had");
    return st != 0 ? 0 : type;
}

// A face with a kernel face and a feature reference.
bool referenced_face(tag face) {
    int subtype = 0;
    return type_of(face, &subtype) == HOST_TYPE_SOLID && subtype == kFaceSubtype &&
           ES_solid_ask_fermalith_tag(face) != 0 && FREF_ask_fref_of_face(face) != 0;
}

// The kernel body of the UDF's tool.
int tool_body_of(tag udf) {
    int n = 0;
    unsigned int* brefs = nullptr;
    BREF_ask_tool_bref_of_meta(UDF_ask_meta_frec(udf), &n, &brefs);
    const kx::host_ptr<unsigned int> held(brefs);
    return n > 0 ? BREF_ask_zrtag_of_bref(brefs[0]) : 0;
}

// The placement, own face and target: 0 or the code; *target the kernel
// body the UDF goes into.
int check_udf_placement(tag udf, tag placement, tag own_face, tag target_body, int* target) {
    if (!UDF_frec_is_a_udf(udf)) return KX_MODL_ERR_NOT_A_UDF;
    int subtype = 0;
    const int type = type_of(placement, &subtype);
    if (type == HOST_TYPE_SOLID && subtype == kFaceSubtype) {
        if (!referenced_face(placement)) return KX_MODL_ERR_UDF_BAD_PLACEMENT;
        *target = FREF_ask_top_target_of_face(placement);
    } else if (type == kDatumPlaneType) {
        if (DATUM_is_an_absolute_dplane(placement) || DATUM_is_plane_extract(placement)) {
            if (target_body == NULL_TAG) return KX_MODL_ERR_UDF_NEEDS_TARGET;
            *target = BREF_ask_zrtag_of_bref(target_body);
            if (*target == 0) return KX_MODL_ERR_NO_KERNEL_ENTITY;
        } else {
            *target = DATUM_ask_top_target_of_frec(placement);
        }
    } else {
        return KX_MODL_ERR_UDF_BAD_PLACEMENT;
    }
    if (*target == 0) return KX_MODL_ERR_NO_TOP_TARGET;
    const int tool = tool_body_of(udf);
    int n = 0;
    unsigned int* brefs = nullptr;
    BREF_ask_brefs_of_part(CONTEXT_ask_work_part(), &n, &brefs);
    const kx::host_ptr<unsigned int> held(brefs);
    bool of_part = false;
    for (int i = 0; i < n; ++i) {
        const int body = BREF_ask_zrtag_of_bref(brefs[i]);
        if (body == *target && body != tool) of_part = true;
    }
    if (!of_part) return KX_MODL_ERR_TRIM_FACE_OF_UDF;
    if (!referenced_face(own_face)) return KX_MODL_ERR_UDF_BAD_OWN_FACE;
    const int own_target = FREF_ask_top_target_of_face(own_face);
    if (own_target == 0) return KX_MODL_ERR_NO_TOP_TARGET;
    if (own_target != tool) return KX_MODL_ERR_TRIM_FACE_OF_UDF;
    return 0;
}

// The placement's list (kind 10001): a face's reference and its body, or a
// datum plane's reference and (unless absolute) its body. True for a datum
// plane; *target 0 when the list holds no body.
bool make_udf_placement_list(tag placement, HostList& list, int* target) {
    *target = 0;
    int subtype = 0;
    const bool datum = type_of(placement, &subtype) == kDatumPlaneType;
    if (int st = KI_crlist(KI_LIST_FEATURES, &list.id)) {
        list.id = 0;
        ERROR_raise(kModule, __LINE__, st, "no list for the placement");
    }
    if (datum) {
        KI_ptinli(list.id, 0, 1, CM_convert_tag_to_int(create_dplane_fref(placement)));
        if (!DATUM_is_an_absolute_dplane(placement)) *target = DATUM_ask_top_target_of_frec(placement);
    } else {
        if (ES_solid_ask_fermalith_tag(placement) == 0)
            ERROR_raise(kModule, __LINE__, KX_MODL_ERR_NO_KERNEL_ENTITY, "the placement face has no kernel face");
        CM_ptcmtgli(list.id, 0, 1, FREF_ask_fref_of_face(placement));
        *target = FREF_ask_top_target_of_face(placement);
    }
    if (*target != 0) KI_ptinli(list.id, 0, 1, *target);
    return datum;
}

// The first entry of a host list.
int first_entry(int list) {
    int n = 0, entry = 0;
    KI_colist(list, &n);
    if (n > 0) KI_gttgli(list, 1, &entry);
    return entry;
}

// Each trim face: a referenced face (else `bad`) of a body (672230) that is
// `body` (672248).
int check_faces(int n, const tag* faces, int body) {
    for (int i = 0; i < n; ++i) {
        if (!referenced_face(faces[i])) return KX_MODL_ERR_UDF_BAD_TRIM_FACE;
        const int top = FREF_ask_top_target_of_face(faces[i]);
        if (top == 0) return KX_MODL_ERR_NO_TOP_TARGET;
        if (top != body) return KX_MODL_ERR_TRIM_FACE_OF_UDF;
    }
    return 0;
}

int check_udf_trim_faces(tag udf, int n_target, const tag* targets, int n_tool, const tag* tools, int target) {
    if (!UDF_frec_is_a_udf(udf)) return KX_MODL_ERR_UDF_TRIM_NOT_UDF;
    if (UDF_ask_placement_count(udf) == 0) return KX_MODL_ERR_UDF_NOT_PLACED;
    if (int st = check_faces(n_target, targets, target)) return st;
    return check_faces(n_tool, tools, tool_body_of(udf));
}

std::vector<unsigned int> references_of(int n, const tag* faces) {
    std::vector<unsigned int> out;
    for (int i = 0; i < n; ++i) {
        if (ES_solid_ask_fermalith_tag(faces[i]) == 0)
            ERROR_raise(kModule, __LINE__, KX_MODL_ERR_NO_KERNEL_ENTITY, "a trim face has no kernel face");
        out.push_back(FREF_ask_fref_of_face(faces[i]));
    }
    return out;
}

void record_udf_trim_faces(tag udf, int n_target, const tag* targets, int n_tool, const tag* tools, char region) {
    const unsigned int meta = UDF_ask_meta_frec(udf);
    const std::vector<unsigned int> target_refs = references_of(n_target, targets);
    const std::vector<unsigned int> tool_refs = references_of(n_tool, tools);
    FEAT_set_attribute_array(meta, UDF_ATT_TARGET_TRIM, static_cast<int>(target_refs.size()), target_refs.data());
    FEAT_set_attribute_array(meta, region == 0 ? UDF_ATT_TOOL_REGION_EXT : UDF_ATT_TOOL_REGION_INT,
                             static_cast<int>(tool_refs.size()), tool_refs.data());
}

// The positioning routine's call for the host: on the UDF being placed.
void udf_rpo_callback(const double*, void*, void*, void*, int* result) {
    *result = km::run_rpo_routine(UDF_ask_current_record());
}

int place_and_boolean_udf(tag udf, tag placement, tag own_face, void* positioning, int n_target, tag* targets,
                          int n_tool, tag* tools, char region, tag target_body, char z_direction, tag* result) {
    UDF_set_current_record(udf);
    StatusReset reset;
    if (!UDF_frec_is_a_udf(udf)) return KX_MODL_ERR_NOT_A_UDF;
    // The user's Z-direction flag as it is now: put back at the end.
    double x_direction[3];
    int z_mode = 0, z_flag = 0;
    ask_users_directions(x_direction, &z_mode, &z_flag);
    struct ZRestore {
        int mode;
        char flag;
        ~ZRestore() {
            kx::release([this] { save_users_z_dir(mode, &flag); });
        }
    } z_restore{z_mode, static_cast<char>(z_flag)};
    struct LinkSlot {
        ~LinkSlot() {
            kx::release([] { CM_misc_set_link_fref_list(0); });
        }
    } link_slot;
    HostList placement_list, own_list;
    if (UDF_ask_placement_count(udf) != 0) {
        if (placement == NULL_TAG || own_face == NULL_TAG) return KX_MODL_ERR_UDF_PLACEMENT_MISSING;
        int target = 0;
        if (int st = check_udf_placement(udf, placement, own_face, target_body, &target)) return st;
        int listed = 0;
        const bool datum = make_udf_placement_list(placement, placement_list, &listed);
        if (listed == 0) {
            listed = target_body != NULL_TAG ? BREF_ask_zrtag_of_bref(target_body) : 0;
            if (listed == 0) return KX_MODL_ERR_NO_KERNEL_ENTITY;
        }
        if (int st = km::make_face_reference_list(own_face, &own_list.id)) return st;
        double own_direction[3], direction[3];
        if (get_fref_type(first_entry(own_list.id), own_direction) != FREF_TYPE_PLANE ||
            get_fref_type(first_entry(placement_list.id), direction) != FREF_TYPE_PLANE)
            return KX_MODL_ERR_NOT_PLANAR_FACE;
        if (datum && z_direction != static_cast<char>(z_flag)) save_users_z_dir(1, &z_direction);
        CM_misc_set_link_fref_list(placement_list.id);
        KI_cclist(placement_list.id, own_list.id);
        const unsigned int meta = UDF_ask_meta_frec(udf);
        int n_trim = 0;
        unsigned int* trims = nullptr;
        FEAT_ask_attribute_array(meta, UDF_ATT_TARGET_TRIM, &n_trim, &trims);
        const kx::host_ptr<unsigned int> held(trims);
        if (n_trim > 0 && FREF_ask_top_target_of_face(FREF_ask_face_of_fref(trims[0])) != listed)
            return KX_MODL_ERR_UDF_BAD_TRIM_FACE;
        BREF_set_current_bref(BREF_ask_bref_of_target(listed));
        for (double& d : direction) d *= pxsfac_[1];
        // The meta record asks for the UDF's placement while it is positioned.
        const int kept = UDF_ask_meta_placement_count(meta);
        UDF_set_meta_placement_count(meta, UDF_ask_placement_count(udf));
        struct PutBack {
            unsigned int meta;
            int count;
            ~PutBack() {
                kx::release([this] { UDF_set_meta_placement_count(meta, count); });
            }
        } put_back{meta, kept};
        int status = 0;
        udf_rpo_kx(km::rpo_routine() ? udf_rpo_callback : nullptr, direction, positioning, &placement_list.id, nullptr,
                   &status);
        if (status != 0) return status;
        if (n_target != 0) {
            if (int st = check_udf_trim_faces(udf, n_target, targets, n_tool, tools, listed)) return st;
            record_udf_trim_faces(udf, n_target, targets, n_tool, tools, region);
        }
    } else if (target_body != NULL_TAG) {
        // A UDF without placement keeps its tool's place; the caller's
        // target body is the one it goes into.
        if (BREF_ask_zrtag_of_bref(target_body) == 0) return KX_MODL_ERR_NO_KERNEL_ENTITY;
        BREF_set_current_bref(target_body);
    }
    int status = 0;
    boolean_udf_kx(udf, &status);
    if (status != 0) return status;
    const tag placed = UDF_ask_meta_frec(udf);
    if (CM_ask_module_root_word(kPendingRootWord) != 0) CM_set_module_root_word(kPendingRootWord, 0);
    *result = placed;
    return 0;
}

int boolean_checks(tag udf, int n_target, tag* targets, int n_tool, tag* tools, tag* result) {
    return kx::check({{udf != NULL_TAG, 1},
                      {n_target >= 0, 5},
                      {n_target == 0 || targets, 6},
                      {n_tool >= 0, 7},
                      {n_tool == 0 || tools, 8},
                      {result, 10}});
}

// ---- export ----

// The host's save routine: writes the definition part, or raises "File
// Not Saved" with the part file's code.
void save_udf_part(char* name) {
    const kx::host_ptr<char> held(name);
    int code = 0;
    UDF_save_part(name, &code);
    if (code != 0) ERROR_raise(kModule, __LINE__, code, "File Not Saved");
}

int export_udf(const char* file, int count, const udf_input_parm* parms, int attach_method) {
    const int valid = valid_udf_kx();
    if (valid != 1) return valid;
    return kx::undo_bracket(1, kExportMark, [&]() -> int {
        StatusReset reset;
        set_udf_status(UDF_STATUS_EXPORTING);
        init_ips_kx();
        save_ips_kx(file, count, reinterpret_cast<const UDF_input_parm_t*>(parms));
        save_att_method_kx(attach_method);
        bui_Export_UserFeature_kx(save_udf_part);
        return 0;
    });
}

bool texts_given(char** texts, int count) {
    if (count > 0 && !texts) return false;
    for (int i = 0; i < count; ++i)
        if (!texts[i]) return false;
    return true;
}

// ---- the query ----

// The UDF a feature stands for: itself, the UDF of a meta record, or that
// of an instance's initial master.
tag udf_of(tag feature) {
    int row = 0, column = 0;
    if (ISET_ask_instance_position(feature, &row, &column))
        if (const unsigned int master = ISET_ask_initial_master_of_ins(feature))
            if (const unsigned int of_master = UDF_ask_udf_of_meta_frec(master)) return of_master;
    if (const unsigned int of_meta = UDF_ask_udf_of_meta_frec(feature)) return of_meta;
    return feature;
}

// The text behind the first "=" of the variable's assignment in the part;
// empty for a variable the part no longer has.
std::string value_of(unsigned int part, const char* variable) {
    const unsigned int exp = EXP_ask_exp_of_var(part, variable);
    if (exp == 0) return {};
    char* raw = nullptr;
    if (EXP_ask_assignment_of_exp(exp, &raw) != 0) return {};
    const kx::host_ptr<char> held(raw);
    const char* eq = raw ? std::strchr(raw, '=') : nullptr;
    return eq ? std::string(eq + 1) : std::string();
}

int ask_udf_parms(tag feature, char** name, char*** prompts, char*** values, int* count) {
    const tag udf = udf_of(feature);
    const char* cls = UDF_ask_parms_class(udf);
    if (!cls || std::strcmp(cls, UDF_PARMS_CLASS_NAME) != 0) return KX_MODL_ERR_WRONG_KIND;
    const unsigned int part = PART_ask_part_of_object(udf);
    const kx::host_ptr<char> udf_name(UDF_ask_udf_name(udf));
    const int n = UDF_ask_exp_count(udf);
    std::vector<std::string> prompt_texts, value_texts;
    for (int i = 0; i < n; ++i) {
        char prompt[256] = "", variable[256] = "";
        get_prompt_name(udf, i, prompt, variable);
        prompt_texts.emplace_back(prompt);
        value_texts.push_back(value_of(part, variable));
    }
    // Both arrays exist also without entries. What is made goes again when
    // a later allocation fails.
    struct Texts {
        char** array = nullptr;
        int n = 0;
        ~Texts() {
            if (array) kx::release([this] { kx::free_string_array(n, array); });
        }
    } prompt_array, value_array;
    const auto fill = [](Texts& out, const std::vector<std::string>& texts) {
        if (texts.empty()) {
            out.array = kx::alloc_array<char*>(1);
            return;
        }
        out.array = kx::alloc_array<char*>(texts.size());
        for (const std::string& t : texts) {
            out.array[out.n] = kx::dup_string(t);
            ++out.n;
        }
    };
    kx::host_ptr<char> name_copy(kx::dup_string(udf_name.get() ? udf_name.get() : ""));
    fill(prompt_array, prompt_texts);
    fill(value_array, value_texts);
    *name = name_copy.release();
    *prompts = std::exchange(prompt_array.array, nullptr);
    *values = std::exchange(value_array.array, nullptr);
    *count = n;
    return 0;
}

}  // namespace

extern "C" {

KXAPI int KX_MODL_import_udf(const char* file, double orientation[9], double point[3], tag* feature) {
    return kx::frame(
        km::kEditFrame,
        [&] {
            if (feature) *feature = NULL_TAG;
            return kx::check({{file, 1}, {orientation, 2}, {point, 3}, {feature, 4}});
        },
        [&] { return kx::edit_with_tail([&] { return import_udf(file, orientation, point, feature); }); });
}

KXAPI int KX_MODL_set_udf_parms(tag udf, char** prompts, char** values, int count) {
    return kx::frame(
        km::kEditFrame,
        [&] {
            return kx::check(
                {{udf != NULL_TAG, 1}, {texts_given(prompts, count), 2}, {texts_given(values, count), 3}, {count >= 0, 4}});
        },
        [&] { return kx::edit_with_tail([&] { return set_udf_parms(udf, prompts, values, count); }); });
}

}  // extern "C"

namespace {

// The boolean step of a placed user-defined feature (both exports).
int boolean_udf(tag udf, tag placement, tag own_face, void* positioning, int n_target_faces, tag* target_faces,
                int n_tool_faces, tag* tool_faces, char region, tag target_body, char z_direction, tag* result) {
    return kx::frame(
        km::kEditFrame, [&] { return boolean_checks(udf, n_target_faces, target_faces, n_tool_faces, tool_faces, result); },
        [&] {
            // The step is made whole or not at all.
            return kx::edit_with_tail([&] {
                return place_and_boolean_udf(udf, placement, own_face, positioning, n_target_faces, target_faces,
                                             n_tool_faces, tool_faces, region, target_body, z_direction, result);
            });
        });
}

}  // namespace

extern "C" {

KXAPI int KX_MODL_boolean_udf_1(tag udf, tag placement, tag own_face, void* positioning, int n_target_faces,
                                tag* target_faces, int n_tool_faces, tag* tool_faces, char region, tag target_body,
                                char z_direction, tag* result) {
    return boolean_udf(udf, placement, own_face, positioning, n_target_faces, target_faces, n_tool_faces, tool_faces,
                       region, target_body, z_direction, result);
}

KXAPI int KX_MODL_boolean_udf(tag udf, tag placement, tag own_face, void* positioning, int n_target_faces,
                              tag* target_faces, int n_tool_faces, tag* tool_faces, char region, tag* result) {
    return boolean_udf(udf, placement, own_face, positioning, n_target_faces, target_faces, n_tool_faces, tool_faces,
                       region, NULL_TAG, 0, result);
}

KXAPI int KX_MODL_export_udf(const char* file, int count, const udf_input_parm* parms, int attach_method) {
    return kx::frame(
        km::kEditFrame,
        [&] {
            bool parms_ok = count == 0 || parms;
            for (int i = 0; parms_ok && i < count; ++i) parms_ok = parms[i].variable && parms[i].prompt;
            return kx::check({{file && *file, 1},
                              {count >= 0, 2},
                              {parms_ok, 3},
                              {attach_method == UDF_ATTACH_NONE || attach_method == UDF_ATTACH_FACE, 4}});
        },
        [&] { return export_udf(file, count, parms, attach_method); });
}

KXAPI int KX_MODL_ask_udf_parms(tag feature, char** name, char*** prompts, char*** values, int* count) {
    return kx::frame(
        [&] {
            return kx::check({{feature != NULL_TAG, 1}, {name, 2}, {prompts, 3}, {values, 4}, {count, 5}});
        },
        [&] { return ask_udf_parms(feature, name, prompts, values, count); });
}

}  // extern "C"
