/* Form features on a solid: holes, bosses, pockets, pads and slots placed
 * on a planar face (or a datum plane of a part with a current target
 * solid), grooves on a cylindrical, conical or spherical face, chamfers of
 * edges.
 *
 * Each creator takes the feature's location and direction (model units),
 * for pads, rectangular pockets and slots an X direction (a slot runs along
 * it), its sizes as expression texts (handed to the host unchanged and
 * kept as the feature's expressions in the order the host takes them), the
 * placement and, for holes and slots, optional through faces (NULL_TAG for
 * none). It writes the new feature into its last argument, NULL_TAG on
 * failure; a failure leaves the model and the undo marks as they were.
 * Angles are in degrees.
 *
 * Direction: a hole, pocket or slot runs from the location along the
 * direction into the body; a boss or pad grows from the location along the
 * direction out of the placement face; a groove's direction is the axis of
 * its face. Pads, rectangular pockets and slots are centred on the
 * location.
 *
 * Codes: the bad argument's code (1105004 for the first, 1105005 for the
 * second ..., the tenth's for any later one) for a null location,
 * direction, size text or output, for a location that is not finite and
 * for a direction that is not finite or has no length, all before anything
 * changes; 875006 for a placement that is no planar face or datum plane,
 * 875007 for a groove placement that is no cylindrical, conical or
 * spherical face; 672178 for a datum plane of a part without a current
 * target solid; 875044 when the host made no feature; the host's and the
 * kernel's codes (sizes the kernel cannot build) otherwise.
 *
 * A positioning routine registered with the library runs on each new
 * feature but a chamfer; a non-zero answer takes the feature back and
 * becomes the status; an error raised inside it counts as 0 (noted on the
 * host log). */
#ifndef KX_MODL_CRE_FEAT_H
#define KX_MODL_CRE_FEAT_H

#include "kx_modl.h"
#include "kx_types.h"

KX_BEGIN_DECLS

/* Diameter, depth and tip angle. With a through face the hole runs to that
 * face's plane: depth and tip angle may be null ("1.0" and "0.0" are kept
 * in their place). */
KXAPI int KX_MODL_create_simple_hole(double location[3], double direction[3], const char* diameter, const char* depth,
                                     const char* tip_angle, tag face, tag thru_face, tag* feature);

/* Counterbored and countersunk holes: the hole's diameter and depth, the
 * counterbore's diameter and depth (the countersink's diameter and full
 * angle), the tip angle. Through a face the depth and tip angle may be
 * null. */
KXAPI int KX_MODL_create_c_bore_hole(double location[3], double direction[3], const char* diameter, const char* depth,
                                     const char* cbore_diameter, const char* cbore_depth, const char* tip_angle,
                                     tag face, tag thru_face, tag* feature);
KXAPI int KX_MODL_create_c_sunk_hole(double location[3], double direction[3], const char* diameter, const char* depth,
                                     const char* csink_diameter, const char* csink_angle, const char* tip_angle,
                                     tag face, tag thru_face, tag* feature);

/* Diameter, height and taper angle. */
KXAPI int KX_MODL_create_boss(double location[3], double direction[3], const char* diameter, const char* height,
                              const char* taper_angle, tag face, tag* feature);

/* Diameter, depth, corner radius and floor radius. */
KXAPI int KX_MODL_create_cyl_pocket(double location[3], double direction[3], const char* diameter, const char* depth,
                                    const char* corner_radius, const char* floor_radius, tag face, tag* feature);

/* A rectangular pad: sizes are length (along X), width and height; then
 * the corner radius of its upright edges and the taper angle. */
KXAPI int KX_MODL_create_rect_pad(double location[3], double direction[3], double x_direction[3], const char* sizes[3],
                                  const char* corner_radius, const char* taper_angle, tag face, tag* feature);
/* A rectangular pocket: length, width and depth; corner radius (upright
 * edges), floor radius (the floor's edges) and taper angle. */
KXAPI int KX_MODL_create_rect_pocket(double location[3], double direction[3], double x_direction[3],
                                     const char* sizes[3], const char* corner_radius, const char* floor_radius,
                                     const char* taper_angle, tag face, tag* feature);

/* Slots along the X direction with flat ends. The last text (the length)
 * may be null when both through faces are given ("1.0" is kept): the slot
 * then runs from the one to the other; otherwise a null last text gives its
 * argument's code before anything changes. A slot given one through face
 * runs its length, as if given none. */
KXAPI int KX_MODL_create_ball_slot(double location[3], double direction[3], double x_direction[3],
                                   const char* ball_diameter, const char* depth, const char* length, tag face,
                                   tag thru_face1, tag thru_face2, tag* feature);
KXAPI int KX_MODL_create_rect_slot(double location[3], double direction[3], double x_direction[3], const char* width,
                                   const char* depth, const char* length, tag face, tag thru_face1, tag thru_face2,
                                   tag* feature);
/* The angle of the flanks from the direction (the slot widens inwards). */
KXAPI int KX_MODL_create_dove_tail_slot(double location[3], double direction[3], double x_direction[3],
                                        const char* width, const char* depth, const char* angle, const char* length,
                                        tag face, tag thru_face1, tag thru_face2, tag* feature);
KXAPI int KX_MODL_create_u_slot(double location[3], double direction[3], double x_direction[3], const char* width,
                                const char* depth, const char* corner_radius, const char* length, tag face,
                                tag thru_face1, tag thru_face2, tag* feature);
KXAPI int KX_MODL_create_t_slot(double location[3], double direction[3], double x_direction[3], const char* top_width,
                                const char* top_depth, const char* bottom_width, const char* bottom_depth,
                                const char* length, tag face, tag thru_face1, tag thru_face2, tag* feature);

/* Grooves: a ring cut into the face about the axis through the location
 * along the direction, down to the groove diameter, centred on the
 * location. */
KXAPI int KX_MODL_create_ball_groove(double location[3], double direction[3], const char* groove_diameter,
                                     const char* ball_diameter, tag face, tag* feature);
KXAPI int KX_MODL_create_rect_groove(double location[3], double direction[3], const char* groove_diameter,
                                     const char* width, tag face, tag* feature);
KXAPI int KX_MODL_create_u_groove(double location[3], double direction[3], const char* groove_diameter,
                                  const char* width, const char* corner_radius, tag face, tag* feature);

/* A chamfer of the edges (one body's) in the list: type 1 cuts each edge
 * back by offset 1 on both of its faces; type 2 by offset 1 on the first
 * face of each edge and offset 2 on the other; type 3 by offset 1 on the
 * first face at the angle from it. Texts a type does not use may be null.
 * 875022 for a null or empty list. No positioning routine runs. */
KXAPI int KX_MODL_create_chamfer(int type, const char* offset1, const char* offset2, const char* angle, tag_list* edges,
                                 tag* feature);

/* The positioning routine run on each new form feature (null: none);
 * registering keeps the caller's library loaded for the rest of the
 * process. Each answers 0. */
KXAPI int KX_MODL_register_rpo_routine(int (*routine)(tag feature));
KXAPI int KX_MODL_ask_rpo_routine(int (**routine)(tag feature));
KXAPI int KX_MODL_unregister_rpo_routine(void);

/* Instance sets: copies of the listed features (holes, bosses, pockets,
 * pads, slots of one body, all cutting or all uniting), made by one
 * feature of the set. A circular set turns them about an axis by 1 ..
 * number-1 times the angle (degrees): the axis of a datum-axis feature
 * given as the list's last item (the list then holds more than it), else
 * the axis through the origin along the direction. A linear set moves them
 * by i * spacing_x along the part's X axis and j * spacing_y along its Y
 * axis, i < number_x, j < number_y. The method is kept with the set. The
 * work part needs a current target body (672178). 875004 for a feature
 * that cannot be copied (suppressed, a projected curve, a plain boolean, a
 * feature of no tool, a datum axis anywhere but last or alone), 875022
 * for a tag of no object; null arguments give their position's code. */
KXAPI int KX_MODL_create_circular_iset(int method, double origin[3], const char* number, const char* angle,
                                       double direction[3], tag_list* features, tag* feature);
KXAPI int KX_MODL_create_linear_iset(int method, const char* number_x, const char* spacing_x, const char* number_y,
                                     const char* spacing_y, tag_list* features, tag* feature);

/* Offset features: the listed faces, or the faces the listed features
 * made, moved along their normals by the offset (an expression text), the
 * body following. The work part needs a current target body (672178). */
KXAPI int KX_MODL_create_face_offset(const char* offset, tag_list* faces, tag* feature);
KXAPI int KX_MODL_create_feature_offset(const char* offset, tag_list* features, tag* feature);

/* A feature making a sheet body of the face: mode 0 the face as it is, 1
 * the face with its holes filled, 2 the face's surface over its parameter
 * box; 1105005 for another mode. *result is the feature, NULL_TAG on
 * failure. */
KXAPI int KX_MODL_extract_face(tag face, int mode, tag* result);

/* ---- User-defined features ----
 * A definition is a form feature (hole, boss, pocket, pad, slot) of the
 * work part with prompts for the expressions that drive it, saved as a
 * part file. The steps that bring one into the work part:
 *
 * KX_MODL_import_udf reads the definition file; its tool (the feature's
 * shape, as a body of its own) is carried into the work part as the part
 * import carries bodies: turned to the orientation (rows X, Y, Z: the X
 * and Y rows are used) and moved by the point. Its expressions come along
 * (a name the part has already gets "_1", "_2" ...). *feature is the UDF.
 * 670270 when the file cannot be imported as a definition (missing,
 * damaged, not a part file, a part file without a definition): nothing is
 * imported. The host's callbacks of a completed import run after success.
 *
 * KX_MODL_set_udf_parms gives values: for each input parameter of the UDF
 * whose prompt equals one of the prompts (case and all), the value text of
 * that prompt becomes its expression's formula; a prompt given twice is
 * applied twice (the later value last), one that matches no input
 * parameter changes nothing. The UDF's tool follows the values.
 *
 * KX_MODL_boolean_udf places a UDF that asks for placement: its own face
 * (a planar face of its tool) is put onto the placement (a planar face of
 * a body of the work part, or a datum plane) and the tool is cut into
 * that body (united with it for a boss or pad). The positioning routine
 * (KX_MODL_register_rpo_routine) runs on the UDF. Target faces (of the
 * target body) and tool faces (of the tool, the region flag 0 outside, else
 * inside) are kept with the placed feature. *result is the placed
 * feature, written on success only. KX_MODL_boolean_udf_1 also takes the
 * target body (needed for a datum plane without a target) and the
 * Z-direction flag for a datum-plane placement. Codes: 670051 placement or
 * own face missing, 672034 not a UDF, 670269 a placement that is no face
 * or datum plane, 672039 a datum plane needing the target body, 672230 a
 * face or plane of no body, 672248 a target that is the tool or no body of
 * the part, an own face not of the tool, or a trim face of the wrong body,
 * 670329 an own face that is no face, 875006 a face that is not planar,
 * 875288 a face without kernel face, 670352 a trim face that is no face
 * (or target trim faces of another target), 670219 / 670385 trim faces for
 * no UDF / a UDF without placement.
 *
 * KX_MODL_export_udf saves the definition of the work part's first form
 * feature that the input parameters (named expressions, each with its
 * prompt) drive to the file; attach_method 1 asks for placement, 0 not.
 * A code of the host (no work part, no form feature, an input parameter
 * that is no expression or is given twice) when there is nothing to
 * export; "File Not Saved" codes of the part file when it cannot be
 * written.
 *
 * Null names, texts, lists and outputs give their position's code (the
 * result of KX_MODL_boolean_udf_1, its twelfth argument, 1105028 as the
 * tenth of KX_MODL_boolean_udf). */
typedef struct udf_input_parm_s {
    const char* variable; /* a named expression of the work part */
    const char* prompt;
} udf_input_parm;

KXAPI int KX_MODL_import_udf(const char* file, double orientation[9], double point[3], tag* feature);
KXAPI int KX_MODL_set_udf_parms(tag udf, char** prompts, char** values, int count);
KXAPI int KX_MODL_boolean_udf(tag udf, tag placement, tag own_face, void* positioning, int n_target_faces,
                              tag* target_faces, int n_tool_faces, tag* tool_faces, char region, tag* result);
KXAPI int KX_MODL_boolean_udf_1(tag udf, tag placement, tag own_face, void* positioning, int n_target_faces,
                                tag* target_faces, int n_tool_faces, tag* tool_faces, char region, tag target_body,
                                char z_direction, tag* result);
KXAPI int KX_MODL_export_udf(const char* file, int count, const udf_input_parm* parms, int attach_method);

/* Symbolic threads: a cylindrical face of a solid marked as threaded from
 * a start face or datum plane along a direction; the body does not
 * change. */

/* The thread's definition. Texts are NULL when not given; text_2, text_3
 * and callout hold at most 132 characters, the others at most 263.
 *   thread_face     the cylindrical face to thread
 *   start_face      a planar face or datum plane across the face's axis,
 *                   where the thread starts
 *   direction       the way the thread runs from the start (unitised in
 *                   place by the creator)
 *   option_1        number of starts (1 or more)
 *   option_2        0 right-hand, 1 left-hand
 *   zero_text_flag  non-zero: the thread runs over the whole face (text_1
 *                   is then "0")
 *   option_3        0 straight, 1 tapered (filled from the callout)
 *   option_4        0 the thread is shown by its symbol, 1 not shown
 *   text_1          length (an expression text)
 *   text_2, text_3  method and form ("Cut", "Metric")
 *   callout         the thread's designation ("M10x1.5", ISO metric coarse
 *                   M3 to M24): it fills option_3 and text_4 to text_8
 *   text_4, text_5  major and minor diameter
 *   text_6, text_7  pitch and flank angle (degrees)
 *   text_8          the face's diameter: tapped drill size (in a hole) or
 *                   shaft size
 * The sizes are kept as the feature's expressions. */
typedef struct symb_thread_data_s {
    tag thread_face;
    tag start_face;
    double direction[3];
    int option_1;
    int option_2;
    int zero_text_flag;
    int option_3;
    int option_4;
    const char* text_1;
    const char* text_2;
    const char* text_3;
    const char* callout;
    const char* text_4;
    const char* text_5;
    const char* text_6;
    const char* text_7;
    const char* text_8;
} symb_thread_data;

/* Creates the thread under an undo mark; *feature is NULL_TAG until
 * success. Codes: 1105004 for a null record, a text longer than its slot
 * or a direction of no length, 1105005 for a null output (nothing changed);
 * 672178 without a current target solid; 671159 for a thread face that is
 * no face of a solid, 875007 for one that is not cylindrical; 671160 for a
 * start that is no face or datum plane, 875006 for a start face that is
 * not planar; 670077 for a face without a feature reference; the thread
 * table's code for an unknown callout; the host's code for sizes or faces
 * that do not fit. A failure leaves the model as it was. */
KXAPI int KX_MODL_create_symb_thread(symb_thread_data* data, tag* feature);

KX_END_DECLS

#endif
