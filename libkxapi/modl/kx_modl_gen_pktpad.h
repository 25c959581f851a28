// The law, parameter and vector converters: caller records of feature
// parameters into the host's law record, expression text and unit
// direction, and back. They run inside the frame of an exported function
// and raise every failure as a host error. Internal to the library.
#ifndef KX_MODL_KX_MODL_GEN_PKTPAD_H
#define KX_MODL_KX_MODL_GEN_PKTPAD_H

#include "host/model/feature/profiles.h"
#include "kx_modl_law.h"

namespace kx::law {

// Laws that are missing or malformed, and parameters of a bad method.
inline constexpr int kBadLaw = KX_MODL_ERR_BAD_LAW;
inline constexpr int kBadParmMethod = KX_MODL_ERR_BAD_PARM_METHOD;
// Vectors.
inline constexpr int kBadAxisOrFace = KX_MODL_ERR_WRONG_OBJECT;
inline constexpr int kBadVectorType = KX_MODL_ERR_BAD_VECTOR_TYPE;
inline constexpr int kNoFaceDistance = KX_MODL_ERR_NO_FACE_DISTANCE;
inline constexpr int kNotPlanar = KX_MODL_ERR_NOT_PLANAR;
inline constexpr int kNoKernelFace = KX_MODL_ERR_NO_KERNEL_ENTITY;

int is_plain_number(const char* text);
void value_from_text(const char* text, double* value, tag* exp);
// Writes at most 132 characters and a terminator.
void format_law_value(double value, tag exp, char text[KX_MODL_VALUE_TEXT]);
// 0, or 2 when the strings are no valid profile.
int curve_from_string_list(const string_list* strings, int* cm, tag* curve);
void string_from_law_curve(int variant, int cm, string_list* strings);
void place_law_points_on_spine(int n, const KX_MODL_law_point* points, tag spine, int* accepted, double** parameters,
                               double** positions, double** values, tag** exps);
void law_points_to_caller(int n, const double* positions, const double* values, const tag* exps,
                          KX_MODL_law_point** points);
// Frees a host law that is not handed to the host, with its arrays.
void free_host_law(host_law* law);
void create_law_from_parm(const KX_MODL_parm* parm, char* value_text, host_law** law);
void law_to_parm(int variant, tag exp, const host_law* law, KX_MODL_parm* parm);
void ask_law_parm_data(tag exp, const host_law* law, KX_MODL_parm* parm);
void ask_blend_law_parm_data(tag exp, const host_law* law, KX_MODL_parm* parm);
void free_law_parm_data(KX_MODL_parm* parm);
void set_vector_direction(const double direction[3], KX_MODL_vector* vector);
void ask_direction_of_vector(const KX_MODL_vector* vector, double direction[3]);

}  // namespace kx::law

#endif
