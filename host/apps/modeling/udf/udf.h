/* User-defined features: a form feature of a part saved as a definition
 * with prompts for its variables, brought into another part, given values,
 * placed on a face or datum plane and cut into (or united with) a body.
 *
 * Export. The work part must hold a form feature that can be exported
 * (valid_udf_kx answers 1, else a code: FEAT_ERR_NOT_A_PART without a work
 * part, FEAT_ERR_NOT_A_FEATURE without such a feature; never 0).
 * save_ips_kx gives the definition's file and its input parameters (named
 * expressions of the work part, each with the prompt that asks for it);
 * save_att_method_kx whether the feature is placed (UDF_ATTACH_FACE) or
 * not (UDF_ATTACH_NONE). bui_Export_UserFeature_kx makes the definition:
 * the first feature in time order of an exportable kind (holes, bosses,
 * pockets, pads, slots) that uses an input parameter; its parameter
 * formulas (a formula naming anything but input parameters is kept as its
 * value), the values of the input parameters, and its place (location,
 * direction, X direction). It raises FEAT_ERR_BAD_PARAMETERS for an input
 * parameter that is no named expression of the work part or a prompt
 * given twice, FEAT_ERR_NOT_A_FEATURE when no feature uses one; else it
 * hands a copy of the file name (SM_alloc) to the save routine, which
 * frees it. UDF_save_part writes the definition part: a part file with
 * no objects and the definition in its section "UDFD"; *code 0 or the
 * part file's code.
 *
 * Import. udf_import_file runs the import routine with the import record
 * (orientation: rows X, Y, Z; point) inside a snapshot of the model: when
 * the routine raises or leaves the UDF status at UDF_STATUS_IMPORT_FAILED
 * the model is put back (nothing imported). Reading a definition part (as
 * the part import does) leaves its definition as the host's temporary UDF
 * object. mv_udf_temp_object_to_work_data moves it into the part: its
 * input parameters become named expressions (a name the part has already
 * gets "_1", "_2" ... and the formulas follow) and a UDF record is made;
 * without a temporary object the UDF status becomes
 * UDF_STATUS_IMPORT_FAILED. add_udf_data_to_udf_record makes the UDF's
 * tool: a feature of kind "UDF_TOOL" (a meta record) building the form
 * feature's tool as a body of its own at the definition's place carried
 * by the import record's orientation and point; record->udf is the UDF.
 *
 * Values. udf_set_udf_parms hands the routine the UDF's input parameters
 * as a node list (prompt, variable, its expression in the part: 0 when the
 * part no longer has it) and the count; the routine writes the status.
 * With status 0 the part is updated (the tool follows its values); an
 * update's failure is the status.
 *
 * Placement. The link list (form_slots.h) holds the placement (a face
 * reference or a datum plane's entry), optionally the target's kernel
 * body, and the UDF's own face (a face of its tool) last. udf_rpo_kx runs
 * the positioning routine (when given) with the direction; its fifth
 * argument, the result, becomes the status. boolean_udf_kx updates the
 * part and turns the UDF's tool so that the own face's outward normal
 * runs with the placement's outward normal (against it for a feature that
 * unites), puts the feature's location onto the placement's plane and
 * makes the placed UDF: a feature of kind "UDF" (a meta record) of the
 * target body (the link list's, else the part's current target) that cuts
 * the tool into it (or unites it); the tool feature goes with its body.
 * A UDF exported without placement (UDF_ATTACH_NONE) keeps the place the
 * import gave its tool (the link list is not read) and goes into the
 * part's current target body, else into the part's one body besides its
 * tool. When the meta record holds target trim faces (UDF_ATT_TARGET_TRIM,
 * faces of the target) they trim the tool (host/kernel/ops/trimmed_tool.h: the
 * part of the tool beyond them goes) and the placed UDF is a trimming
 * user-defined feature (redefine_faces.h): trim faces given to it again
 * trim its tool from the next update on. The tool region faces
 * (UDF_ATT_TOOL_REGION_EXT, _INT) are kept with it; the part kept is the
 * one behind the trim faces whatever they name. The kernel's code of a failed
 * build, or FEAT_ERR_BAD_REFERENCE for a link list without placement or
 * own face, a UDF without target body or a trim face of another body, is
 * the status.
 *
 * Reference types (get_fref_type): FREF_TYPE_PLANE for a planar face or a
 * datum plane (direction: the outward normal), FREF_TYPE_FACE for other
 * faces (direction 0). Attribute arrays of a feature (the meta record's
 * trim faces: face references) are kept by name with the faces they name,
 * through regenerations and files; a reference whose face is gone answers
 * 0.
 *
 * Checks: a tag of no UDF where one is needed raises FEAT_ERR_NOT_A_FEATURE,
 * a null pointer HOST_ERR_NULL_ARGUMENT. */
#ifndef HOST_FEATURE_UDF_H
#define HOST_FEATURE_UDF_H

#define UDF_PARMS_CLASS_NAME "UDF_PARMS_c"

#define UDF_STATUS_IDLE          0
#define UDF_STATUS_EXPORTING     1
#define UDF_STATUS_IMPORT_FAILED 7

#define UDF_ATTACH_NONE 0
#define UDF_ATTACH_FACE 1

#define FREF_TYPE_PLANE 4001
#define FREF_TYPE_FACE  4002

/* The callback reason after a user-defined feature was imported. */
#define PART_udf_complete_reason 7

#define UDF_ATT_TARGET_TRIM      "ATT_target_trim_f__FEATURES2991"
#define UDF_ATT_TOOL_REGION_EXT  "ATT_tool_region_e__FEATURES1646"
#define UDF_ATT_TOOL_REGION_INT  "ATT_tool_region_i__FEATURES3904"

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

typedef struct UDF_input_parm_s {
    const char* variable;
    const char* prompt;
} UDF_input_parm_t;

typedef struct UDF_import_record_s {
    unsigned int udf;
    double orientation[9];
    double point[3];
} UDF_import_record_t;

typedef struct UDF_parm_node_s {
    const char* prompt;
    const char* variable;
    unsigned int exp;
    struct UDF_parm_node_s* next;
} UDF_parm_node_t;

/* What the callbacks of PART_udf_complete_reason are given. */
typedef struct UDF_complete_data_s {
    int reason;
    unsigned int work_part;
    const char* file;
} UDF_complete_data_t;

/* ---- the UDF status and the current UDF record ---- */
void set_udf_status(int status);
int inq_udf_status_(void);
void UDF_set_current_record(unsigned int udf);
unsigned int UDF_ask_current_record(void);

/* ---- host callback lists ---- */
typedef void (*CALLBACK_routine_t)(const void* data, void* client);
/* Adds the routine to the list of the reason; answers its id. */
int CALLBACK_add_to_list(int reason, CALLBACK_routine_t routine, void* client);
void CALLBACK_remove_from_list(int id);
/* Calls the routines of the reason, oldest first. */
void CALLBACK_call_list(int reason, const void* data);

/* ---- import ---- */
typedef int (*UDF_import_routine_t)(UDF_import_record_t* record);
void udf_import_file(UDF_import_routine_t routine, int flag, UDF_import_record_t* record, int* status);
void udf_set_udf_def_name(const char* file);
unsigned int PART_ask_cm_part_of_part(unsigned int part);
void mv_udf_temp_object_to_work_data(unsigned int part);
void add_udf_data_to_udf_record(UDF_import_record_t* record);

/* ---- records ---- */
int UDF_frec_is_a_udf(unsigned int feature);
/* The UDF's meta record (its tool before placement, the placed UDF after). */
unsigned int UDF_ask_meta_frec(unsigned int udf);
/* The UDF of a meta record, 0 for none. */
unsigned int UDF_ask_udf_of_meta_frec(unsigned int meta);
/* UDF_PARMS_CLASS_NAME for a UDF, else null (a static text). */
const char* UDF_ask_parms_class(unsigned int feature);
/* The definition's name (its file name without directories), SM_alloc. */
char* UDF_ask_udf_name(unsigned int udf);
int UDF_ask_exp_count(unsigned int udf);
/* Prompt and variable of input parameter `index` (each at most 255
 * characters and a terminator). */
void get_prompt_name(unsigned int udf, int index, char prompt[256], char variable[256]);
int UDF_ask_placement_count(unsigned int udf);
int UDF_ask_meta_placement_count(unsigned int meta);
void UDF_set_meta_placement_count(unsigned int meta, int count);

/* ---- values ---- */
typedef void (*UDF_parms_routine_t)(UDF_parm_node_t* nodes, int* count, void* scratch, int* status);
void udf_set_udf_parms(UDF_parms_routine_t routine, unsigned int udf, int count, void* scratch, int* status);

/* ---- placement ---- */
/* The kernel body of a body record (a body object), 0 for none. */
int BREF_ask_zrtag_of_bref(unsigned int bref);
/* The bodies of the part that have features, SM_alloc. */
void BREF_ask_brefs_of_part(unsigned int part, int* count, unsigned int** brefs);
/* The kernel body of the face's body, 0 for none. */
int FREF_ask_top_target_of_face(unsigned int face);
int DATUM_is_an_absolute_dplane(unsigned int plane);
int DATUM_is_plane_extract(unsigned int plane);
/* The kernel body of the datum plane's target, 0 for none. */
int DATUM_ask_top_target_of_frec(unsigned int plane);
/* The type of a list entry (a face reference or a datum plane's entry),
 * 0 for neither; the direction as above. */
int get_fref_type(int entry, double direction[3]);
/* Appends the entries of `other` to `list`. */
void KI_cclist(int list, int other);
unsigned int BREF_ask_bref_of_target(int target);
void BREF_set_current_bref(unsigned int bref);
typedef void (*UDF_rpo_routine_t)(const double direction[3], void* rpo_arg, void* ref_data, void* scratch,
                                  int* result);
void udf_rpo_kx(UDF_rpo_routine_t routine, const double direction[3], void* rpo_arg, void* ref_data, void* scratch,
                int* status);
void FEAT_set_attribute_array(unsigned int feature, const char* name, int count, const unsigned int* values);
/* SM_alloc (null for none). */
void FEAT_ask_attribute_array(unsigned int feature, const char* name, int* count, unsigned int** values);
void boolean_udf_kx(unsigned int udf, int* status);

/* ---- export ---- */
int valid_udf_kx(void);
void init_ips_kx(void);
void save_ips_kx(const char* file, int count, const UDF_input_parm_t* parms);
void save_att_method_kx(int method);
typedef void (*UDF_save_routine_t)(char* name);
void bui_Export_UserFeature_kx(UDF_save_routine_t routine);
void UDF_save_part(const char* name, int* code);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
