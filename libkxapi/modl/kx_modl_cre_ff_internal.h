// Free-form creation inside the library: the creators without their
// frames, the role bands and the translation of the skinning service's
// codes, shared by the exports and the sheet creators.
#ifndef KX_MODL_CRE_FF_INTERNAL_H
#define KX_MODL_CRE_FF_INTERNAL_H

#include <functional>

#include "kx_modl_cre_ff.h"

namespace kx::modl::freeform {

// String roles, each with a band of codes.
enum class Role { guide = 0, section = 1, spine = 2, primary = 3, cross = 4 };

// The code of a validation class (or sweep detail) for the role.
int class_code(Role role, int error_class);
// The interface code of a skinning host code (unknown codes pass).
int translate_free_form_code(int code);

// Runs the work under the temporary undo mark of the name: a non-zero
// status or a host error rolls the model back and clears the mark; on
// success the mark is removed and the change kept.
int with_temp_mark(const char* name, const std::function<int()>& work);
// A target variant's host answer: its code translated, or the feature.
int target_variant_result(int code, tag made, tag* result);

int create_sweep(string_list* guides, string_list* sections, string_list* spine, sweep_method* orientation,
                 sweep_method* scaling, int* alignment, int* section_method, int* body_option, double tolerances[3],
                 int* further, tag* result);
int create_curve_mesh(string_list* primary, string_list* cross, string_list* spine, int* end_option,
                      int* mesh_method, int* body_option, int* mesh_flag, int boolean_type, double tolerances[3],
                      tag faces[4], int continuity[4], tag* result);
int create_thru_curves(string_list* sections, string_list* spine, int* patch_kind, int* alignment, double values[6],
                       int* degree, int* closed, int* body_option, int boolean_type, double tolerances[3],
                       tag faces[2], int continuity[2], tag* result);
int create_ruled(string_list* sections, string_list* spine, int* alignment, double values[6], int* end_option,
                 int* body_option, int boolean_type, double tolerances[3], tag* result, const char* mark);
int create_bplane(string_list* boundaries, double tolerances[3], tag* result);

}  // namespace kx::modl::freeform

#endif
