/* Links between parts, and the delayed update of linked parts.
 *
 * A link makes geometry of the work part follow geometry of another part
 * (the source) and keeps it up to date. The link functions hand their
 * arguments unchanged to the host's linking service and answer its status;
 * their meaning is the service's: a link is known by the tag of its linked
 * object (a body for body, face, region and mirror links; a datum; a point;
 * a sketch; a group holding the linked curves of curve and string links or
 * the linked bodies of a part link); a transform is 12 doubles (a 3x4
 * matrix row by row, whose last column is the translation) or NULL for
 * none; a link made or set with associative 0 is left by every update as
 * it is (a copy), one with associative 1 follows its sources; an update
 * time is KX_LOOM_update_with_source or
 * KX_LOOM_update_at_creation; a point on a curve takes a parameter from 0
 * (the curve's start) to 1 (its end), a point on an arc an angle in
 * radians; KX_LOOM_create_linked_string takes a string_list (kx_modl.h).
 * The faces and edges of a linked body keep their tags across
 * updates. Routing links and KX_LOOM_copy_component_as answer 670009: the
 * host keeps no routing and copies no components.
 *
 * Delayed update: a session can be delayed, so that linked parts wait for
 * an explicit update; single parts can be frozen (for the session or
 * persistently) and unfrozen; the editing functions make one undo step
 * each, rolled back when they fail. KX_LOOM_load_parents loads the parents
 * of a part for a complete update and reports the loads that failed: a
 * count, the file names and the statuses, in two arrays that the caller
 * frees with KX_free (the names lie inside the name array's block).
 *
 * Codes: 1105000 no session; other codes come from the host unchanged. */
#ifndef KX_LOOM_H
#define KX_LOOM_H

#include "kx_types.h"

KX_BEGIN_DECLS

#define KX_LOOM_update_with_source 0
#define KX_LOOM_update_at_creation 1

/* Delay status of a part (KX_LOOM_ask_delay_status). */
#define KX_LOOM_not_delayed  0
#define KX_LOOM_delay_bit_2  1
#define KX_LOOM_delayed      3
#define KX_LOOM_frozen       4
#define KX_LOOM_delay_bit_20 5

KXAPI int KX_LOOM_create_linked_body(tag source, const double* xform, int associative, int update_time, tag* link);
KXAPI int KX_LOOM_create_linked_datum(tag source, const double* xform, int associative, tag* link);
KXAPI int KX_LOOM_create_linked_sketch(tag source, const double* xform, int associative, tag* link);
KXAPI int KX_LOOM_create_linked_string(const void* curves, const double* xform, int associative, tag* link);
KXAPI int KX_LOOM_create_linked_face(tag source, int count, const tag* faces, int associative, tag* link);
KXAPI int KX_LOOM_create_linked_curve(tag source, int count, const tag* curves, int associative, tag* link);
KXAPI int KX_LOOM_create_linked_region(tag source, int n_seeds, const tag* seeds, int n_bounds, const tag* bounds,
                                       int traverse, int associative, const double* xform, int options, tag* link);
/* A mirror link: the body `source` (of another part) mirrored in `plane`
 * (a datum plane or a plane), then moved by `xform` (NULL: not moved);
 * `associative` 1 or 0 as above; `source_part` is the part that holds the
 * body, or NULL_TAG (another part is refused with 670004); `update_time`
 * is KX_LOOM_update_with_source or KX_LOOM_update_at_creation (another
 * value is refused with 1330003); `link` receives the linked body.
 * KX_LOOM_ask_link_mirror_data and KX_LOOM_set_link_mirror_data read and
 * set the same data but the update time (KX_LOOM_ask_link_update_time,
 * KX_LOOM_set_link_update_time). */
KXAPI int KX_LOOM_create_linked_mirror(tag source, tag plane, int associative, const double* xform, tag source_part,
                                       int update_time, tag* link);
KXAPI int KX_LOOM_create_linked_route_port(tag source, const double* xform, int associative, tag* link);
KXAPI int KX_LOOM_create_linked_route_segment(tag source, const double* xform, int associative, int options, tag* link);
KXAPI int KX_LOOM_create_linked_pt_point(tag source, const double* xform, int associative, tag* link);
KXAPI int KX_LOOM_create_linked_pt_curve(tag source, double parameter, const double* xform, int associative, tag* link);
KXAPI int KX_LOOM_create_linked_pt_center(tag source, const double* xform, int associative, tag* link);
KXAPI int KX_LOOM_create_linked_pt_angle(tag source, double angle, const double* xform, int associative, tag* link);
KXAPI int KX_LOOM_create_linked_part(tag source_part, const double* xform, int associative, tag* link);
KXAPI int KX_LOOM_is_link_broken(tag link, logical* broken);
KXAPI int KX_LOOM_ask_link_source(tag link, tag* source, tag* source_part);
KXAPI int KX_LOOM_ask_link_xform(tag link, double xform[12]);
KXAPI int KX_LOOM_set_link_data(tag link, tag source, const double* xform, int associative);
KXAPI int KX_LOOM_ask_link_region_sources(tag link, int* n_seeds, tag** seeds, int* n_bounds, tag** bounds,
                                          int* traverse, int* options, tag* source);
KXAPI int KX_LOOM_set_link_region_data(tag link, tag source, int n_seeds, const tag* seeds, int n_bounds,
                                       const tag* bounds, int traverse, int options, const double* xform);
KXAPI int KX_LOOM_ask_link_mirror_data(tag link, tag* source, tag* plane, int* associative, double* xform,
                                       tag* source_part);
KXAPI int KX_LOOM_set_link_mirror_data(tag link, tag source, tag plane, int associative, const double* xform,
                                       tag source_part);
KXAPI int KX_LOOM_set_linked_pt_point(tag link, tag source, const double* xform);
KXAPI int KX_LOOM_set_linked_pt_curve(tag link, tag source, double parameter, const double* xform);
KXAPI int KX_LOOM_set_linked_pt_center(tag link, tag source, const double* xform);
KXAPI int KX_LOOM_set_linked_pt_angle(tag link, tag source, double angle, const double* xform);
KXAPI int KX_LOOM_ask_linked_pt_curve_prm(tag link, double* parameter);
KXAPI int KX_LOOM_ask_linked_pt_angle(tag link, double* angle);
KXAPI int KX_LOOM_ask_link_update_time(tag link, int* time, int* stamp);
KXAPI int KX_LOOM_set_link_update_time(tag link, int time);
KXAPI int KX_LOOM_accept_link_broken(tag link);
KXAPI int KX_LOOM_ask_link_accept_broken(tag link, logical* accepted);
KXAPI int KX_LOOM_ask_linked_feature_geom(tag link, tag* geometry);
KXAPI int KX_LOOM_ask_linked_feature_map(tag link, int* count, tag** sources, tag** linked, int options);
KXAPI int KX_LOOM_map_source_to_link_geom(tag link, tag source_geom, tag* link_geom);
KXAPI int KX_LOOM_map_link_geom_to_source(tag link, tag link_geom, tag* source_part, tag* source_geom);
KXAPI int KX_LOOM_copy_component_as(tag component, const char* name, int options, const double* origin,
                                    const double* matrix, tag* parent, const char* layer, tag* copy);
KXAPI int KX_LOOM_copy_attributes(tag link);

KXAPI int KX_LOOM_set_session_delay(logical delay);
KXAPI int KX_LOOM_ask_session_delay(logical* delayed);
KXAPI int KX_LOOM_update_session(void);
KXAPI int KX_LOOM_ask_out_of_date_parts(int* count, tag** parts);
KXAPI int KX_LOOM_ask_out_of_date_objects(tag part, int* count, tag** objects);
KXAPI int KX_LOOM_update_parts(int count, const tag* parts);
KXAPI int KX_LOOM_freeze(int count, const tag* parts);
KXAPI int KX_LOOM_freeze_persistently(int count, const tag* parts);
KXAPI int KX_LOOM_unfreeze(int count, const tag* parts);
KXAPI int KX_LOOM_ask_delay_status(tag part, int* delay_status);
/* scope 0: the parents of the part; 1: their parents too. */
KXAPI int KX_LOOM_load_parents(tag part, int scope, int* n_failures, char*** file_names, int** statuses);

KX_END_DECLS

#endif
