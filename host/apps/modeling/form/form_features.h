/* Form features of a solid made by the feature service and made again by
 * the update: holes, bosses, pockets, pads, slots and grooves placed on a
 * face (or a datum plane), and chamfers of edges.
 *
 * Every creator takes the location and the direction (and, for pads,
 * rectangular pockets and slots, the X direction) as three coordinate texts
 * each, the size texts in the order of its kind (they become the feature's
 * expressions, in that order), its placement and through faces, writes the
 * status (0, or the code of the failure: the model is then as before) and
 * answers the new feature through FORMF_ask_created_frec. The FORMF_ simple
 * hole, boss and cylindrical pocket take their faces as arguments; the
 * others read them from the host's list slots (form_slots.h): the link slot
 * (placement), the trim slot (a hole's through face) and the two through
 * slots (a slot's through faces).
 *
 * Placement: a planar face of a body of the work part, or a datum plane
 * (object type 197) when the part has a current target solid; grooves sit
 * on a cylindrical, conical or spherical face. Direction: a hole, pocket
 * or slot runs from the location along the direction into the body; a
 * boss or pad grows from the location along the direction out of the
 * placement face. Angles are in degrees.
 *
 *   SIMPLE HOLE  Diameter, Depth, Tip Angle (full angle of the drill point,
 *                0: a flat end); with a through face the hole runs past
 *                that face's plane (depth and tip angle unused).
 *   CBORE_HOLE   C-Bore Diameter, C-Bore Depth, Diameter, Depth, Tip Angle.
 *   CSUNK_HOLE   C-Sink Diameter, C-Sink Angle (full angle), Diameter,
 *                Depth, Tip Angle.
 *   BOSS         Diameter, Height, Taper Angle (of the side from the axis).
 *   CYL_POCKET   Diameter, Depth, Corner Radius, Floor Radius (rounds the
 *                floor's edge; a round pocket has no corners: its corner
 *                radius is kept, not used).
 *   RECT_PAD     Length (along X), Width, Height, Corner Radius (of the
 *                upright edges), Taper Angle; centred on the location.
 *   RECT_POCKET  Length, Width, Depth, Corner Radius, Floor Radius (rounds
 *                the floor's edges), Taper Angle; centred on the location.
 *   RECT_SLOT    Width, Depth, Length; BALL_SLOT Ball Diameter, Depth,
 *                Length (a round bottom); U_SLOT Width, Depth, Corner
 *                Radius, Length; T_SLOT Top Width, Top Depth, Bottom Width,
 *                Bottom Depth, Length; DOVE_TAIL_SLOT Width, Depth, Angle
 *                (of the flanks from the direction, widening), Length. A
 *                slot runs along X, centred on the location, with flat
 *                ends; with two through faces it runs from the one to the
 *                other and past them (its length unused).
 *   RECT_GROOVE  Groove Diameter, Width; BALL_GROOVE Groove Diameter, Ball
 *                Diameter; U_GROOVE Groove Diameter, Width, Corner Radius:
 *                a ring cut into the face about the axis through the
 *                location along the direction, down to the groove diameter,
 *                centred on the location.
 * The faces the feature was placed on and bounded by are its references
 * (placement first, then the through faces).
 *
 * Sizes the kernel cannot build raise FEAT_ERR_BAD_PARAMETERS or the
 * kernel's code. The tool starts one millimetre outside the placement face
 * so that it never shares that face with the body. */
#ifndef HOST_FEATURE_FORM_FEATURES_H
#define HOST_FEATURE_FORM_FEATURES_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

void FORMF_create_simple_hole(const char* const location[3], const char* const direction[3], const char* const parms[3],
                              unsigned int face, unsigned int thru_face, int* status);
void FORMF_create_boss(const char* const location[3], const char* const direction[3], const char* const parms[3],
                       unsigned int face, int* status);
void FORMF_create_cyl_pocket(const char* const location[3], const char* const direction[3], const char* const parms[4],
                             unsigned int face, int* status);
/* Counterbored and countersunk holes on the link slot's face (the trim
 * slot's face: through). */
void FORMF_create_cbore_hole(const char* const location[3], const char* const direction[3], const char* const parms[5],
                             int* status);
void FORMF_create_csunk_hole(const char* const location[3], const char* const direction[3], const char* const parms[5],
                             int* status);
/* A chamfer (kind "CHAMFER": Offset 1, Offset 2, Angle) of the edges of
 * one body: type 1 cuts each edge back by offset 1 on both faces; type 2 by
 * offset 1 on the first face of each edge and offset 2 on the other; type 3
 * by offset 1 on the first face at the angle (degrees) from it; other types
 * raise FEAT_ERR_BAD_PARAMETERS. */
void FORMF_create_chamfer(int type, const char* text1, const char* text2, const char* text3, int n,
                          const unsigned int edges[], int* status);
/* Pads, rectangular pockets and slots on the link slot's face (slots
 * through the faces of both through slots when both are set), grooves on
 * the link slot's turned face. */
void ui_create_rect_pad(const char* const location[3], const char* const direction[3], const char* const xdirection[3],
                        const char* const parms[5], int* status);
void ui_create_rect_pocket(const char* const location[3], const char* const direction[3],
                           const char* const xdirection[3], const char* const parms[6], int* status);
void ui_create_rect_slot(const char* const location[3], const char* const direction[3], const char* const xdirection[3],
                         const char* const parms[3], int* status);
void ui_create_ball_slot(const char* const location[3], const char* const direction[3], const char* const xdirection[3],
                         const char* const parms[3], int* status);
void ui_create_u_slot(const char* const location[3], const char* const direction[3], const char* const xdirection[3],
                      const char* const parms[4], int* status);
void ui_create_t_slot(const char* const location[3], const char* const direction[3], const char* const xdirection[3],
                      const char* const parms[5], int* status);
void ui_create_dove_tail_slot(const char* const location[3], const char* const direction[3],
                              const char* const xdirection[3], const char* const parms[4], int* status);
void ui_create_rect_groove(const char* const location[3], const char* const direction[3], const char* const parms[2],
                           int* status);
void ui_create_ball_groove(const char* const location[3], const char* const direction[3], const char* const parms[2],
                           int* status);
void ui_create_u_groove(const char* const location[3], const char* const direction[3], const char* const parms[3],
                        int* status);
/* The finishing step of a new form feature (kind 2); writes 0. */
void ui_create_feature(const int* kind, int* a, int* b, int* c, void* unused, int* status);
/* The feature the last successful creator made (0 after a failure). */
unsigned int FORMF_ask_created_frec(void);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
