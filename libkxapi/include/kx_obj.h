/* Objects: types, states, deletion, data exchange, names and cycling. */
#ifndef KX_OBJ_H
#define KX_OBJ_H

#include "kx_types.h"

/* Type numbers answered for objects that are no model entities. */
#define KX_OBJ_PART_TYPE       65537
#define KX_OBJ_EXPRESSION_TYPE 65536

/* Longest object name, in characters (a buffer holds one more). */
#define KX_OBJ_NAME_LEN 30

/* Codes of the object module: KX_OBJ_CODES in kx_codes.h. */

KX_BEGIN_DECLS

/* ---- Type, state and properties ---- */
KXAPI int KX_OBJ_ask_type_and_subtype(tag object, int* type, int* subtype);
KXAPI int KX_OBJ_ask_status(tag object);
KXAPI logical KX_OBJ_is_object_a_promotion(tag object);
KXAPI int KX_OBJ_ask_cre_mod_versions(tag object, int* creation_version, int* modification_version);
KXAPI int KX_OBJ_ask_owning_part(tag object, tag* part);
KXAPI logical KX_OBJ_is_type_displayable(int type);
KXAPI logical KX_OBJ_can_type_have_matrix(int type);
KXAPI int KX_OBJ_is_type_transferable(int type, logical* transferable);

/* ---- Deletion and data exchange ---- */
KXAPI int KX_OBJ_delete_object(tag object);
/* statuses (optional): an array of count codes, freed with KX_free. */
KXAPI int KX_OBJ_delete_array_of_objects(int count, const tag* objects, int** statuses);
KXAPI int KX_OBJ_replace_object_data(tag kept, tag other);
KXAPI int KX_OBJ_replace_object_array_data(int count, const tag* kept, const tag* others);

/* ---- Names ---- */
KXAPI int KX_OBJ_set_name(tag object, const char* name);
KXAPI int KX_OBJ_ask_name(tag object, char name[KX_OBJ_NAME_LEN + 1]);
KXAPI int KX_OBJ_delete_name(tag object);
KXAPI int KX_OBJ_ask_name_origin(tag object, double origin[3]);
KXAPI int KX_OBJ_set_name_origin(tag object, const double origin[3]);

/* ---- Cycling ---- */
KXAPI int KX_OBJ_cycle_objs_in_part(tag part, int type, tag* object);
KXAPI tag KX_OBJ_cycle_all(tag part, tag object);
KXAPI int KX_OBJ_cycle_by_name(const char* name, tag* object);
KXAPI int KX_OBJ_cycle_by_name_and_type(tag part, const char* name, int type, logical include_occurrences, tag* object);

KX_END_DECLS

#endif
