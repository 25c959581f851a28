/* The host's linking service and its delayed update.
 *
 * Links. A link makes geometry of one part (the target part: the work part
 * when the link is made) follow geometry of another part (the source) and
 * is known by the tag of its linked object. The linked geometry is real:
 *  - body links copy a body through the kernel, moved by the link's
 *    transform; face links copy chosen faces of a body as one sheet body;
 *    region links the faces of a region of a body (the seed faces and,
 *    with traverse nonzero, every face reached from them across edges up
 *    to the bounding faces, which are left out); mirror links a body
 *    mirrored in a datum plane or plane (then moved by its transform);
 *    part links every body of a part, held by a group of the target part;
 *  - datum links copy a datum plane, datum axis or plane into an object of
 *    its type; sketch links a sketch into a sketch holding copies of its
 *    points and curves; curve links chosen curves or edges of one part, and
 *    string links the curves of a string list (CMP_strings_t), into
 *    groups holding the copies; a copied point stays a point, a line, arc
 *    or conic stays one, a straight edge gives a line, a circular one an
 *    arc, any other curve a spline entity holding it;
 *  - point links make a point of the target part: a copy of a point, the
 *    point of a curve or edge at a parameter from 0 (its start) to 1 (its
 *    end), the centre of an arc, circular edge or conic, the point of an
 *    arc or circular edge at an angle (radians).
 * The faces and edges of a linked body keep their tags and objects across
 * updates where they copy the same faces and edges of the source; linked
 * curves, points and datums keep their tags.
 *
 * Each link keeps its sources (objects of another part, with the part's
 * file name and their entity ids, so that they are found again when that
 * part is loaded anew), its transform, whether it is associative (0: the
 * update leaves it as it was made, as a copy), its update time
 * (LOOM_UPDATE_WITH_SOURCE: follows the source at every update;
 * LOOM_UPDATE_AT_CREATION: keeps what it was made with), and its broken
 * state (a source is gone; the linked geometry keeps its last shape; a
 * broken link can be accepted as broken). The links are a model component:
 * undo marks roll them back with the geometry.
 *
 * Feature map: the pairs {source object, linked object} of a link: the
 * source body and the linked body with their faces and edges (options
 * LOOM_MAP_NO_FACES leaves the faces and edges out), the sketch and its
 * curves, each curve, the datum or the point. LOOM_map_* answer 0 for
 * geometry without a partner. LOOM_copy_attributes copies the attributes
 * of every source object of the map onto its linked object. Lists handed
 * out (feature maps, region sources) come from SM_alloc (null when empty);
 * the caller frees them with SM_free.
 *
 * A link is out of date when its sources do not give what it copied last,
 * or when a source is linked geometry of an out-of-date link. A part is
 * out of date when a link into it is.
 *
 * The update: every UPDATE_do_update, after the features, brings the
 * out-of-date links up to date, parents before children (a link whose
 * source is linked geometry after the link that makes it). A part's links
 * are updated only when its status word is 0 and either the session is
 * not delayed or the part was logged for this update
 * (DUC_log_parts_for_update; the log is used up by the update). A link
 * whose source is gone becomes broken and is left as it is.
 *
 * Part status words (DUC_ask_part_status): DUC_STATUS_DELAYED (8, set by
 * DUC_delay_part, ended by DUC_undelay_part), DUC_STATUS_FROZEN (0x10,
 * DUC_freeze_part, ended by DUC_unfreeze_part); DUC_delay_with_status puts
 * back any word (bits 2 and 0x20 included, which this host keeps but never
 * sets itself); DUC_unconditionally_undelay clears the word.
 *
 * Loading parents (DUC_load_for_complete_update): the source parts of the
 * links into a part whose sources are not loaded, by file name, each
 * opened once (a "rog": one load needed for the update); the progress
 * routine is called with the context before each load and once after the
 * last. A load that fails is kept with its status and file name; the
 * context answers them until DUC_delete_load_context.
 *
 * Checks: a tag that is no link raises LOOM_ERR_NOT_A_LINK, a link of
 * another kind than the routine takes LOOM_ERR_WRONG_KIND; a source in the
 * work part itself LOOM_ERR_SAME_PART; a source of the wrong class
 * HOST_ERR_WRONG_CLASS; a parameter outside 0 to 1, no faces or curves,
 * curves of several parts, sources that give nothing to copy
 * HOST_ERR_BAD_ARGUMENT; a null output HOST_ERR_NULL_ARGUMENT; a part tag
 * of no part HOST_ERR_DEAD_TAG. Routing (ports and segments) and copying a
 * component as a new part are not kept by this host: HOST_ERR_OUT_OF_SCOPE.
 */
#ifndef HOST_LOOM_LOOM_H
#define HOST_LOOM_LOOM_H

#include "host/base/services/codes.h"

#define HOST_LOOM_CODES(X)                                                              \
    X(LOOM_ERR_NOT_A_LINK, 1330001) /* the tag is no link */                            \
    X(LOOM_ERR_SAME_PART, 1330002) /* the source lies in the part being linked into */  \
    X(LOOM_ERR_BAD_TIME, 1330003) /* an update time other than those below */           \
    X(LOOM_ERR_WRONG_KIND, 1330004) /* the link is not of the kind the routine takes */
HOST_BARE_CODE_CONSTANTS(HOST_LOOM_CODES);

#define LOOM_MAP_NO_FACES 1 /* LOOM_ask_linked_feature_map: leave faces and edges out */

#define LOOM_UPDATE_WITH_SOURCE 0
#define LOOM_UPDATE_AT_CREATION 1

#define DUC_STATUS_BIT_2   0x2
#define DUC_STATUS_DELAYED 0x8
#define DUC_STATUS_FROZEN  0x10
#define DUC_STATUS_BIT_20  0x20

#ifdef __cplusplus
#include <string>
#include <vector>
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* ---- Links ---- */
int LOOM_create_linked_body(unsigned int source, const double* xform, int associative, int update_time,
                            unsigned int* link);
int LOOM_create_linked_datum(unsigned int source, const double* xform, int associative, unsigned int* link);
int LOOM_create_linked_sketch(unsigned int source, const double* xform, int associative, unsigned int* link);
int LOOM_create_linked_string(const void* curves, const double* xform, int associative, unsigned int* link);
int LOOM_create_linked_face(unsigned int source, int count, const unsigned int* faces, int associative,
                            unsigned int* link);
int LOOM_create_linked_curve(unsigned int source, int count, const unsigned int* curves, int associative,
                             unsigned int* link);
int LOOM_create_linked_region(unsigned int source, int n_seeds, const unsigned int* seeds, int n_bounds,
                              const unsigned int* bounds, int traverse, int associative, const double* xform,
                              int options, unsigned int* link);
int LOOM_create_linked_mirror(unsigned int source, unsigned int plane, int associative, const double* xform,
                              unsigned int source_part, int update_time, unsigned int* link);
int LOOM_create_linked_route_port(unsigned int source, const double* xform, int associative, unsigned int* link);
int LOOM_create_linked_route_segment(unsigned int source, const double* xform, int associative, int options,
                                     unsigned int* link);
int LOOM_create_linked_pt_point(unsigned int source, const double* xform, int associative, unsigned int* link);
int LOOM_create_linked_pt_curve(unsigned int source, double parameter, const double* xform, int associative,
                                unsigned int* link);
int LOOM_create_linked_pt_center(unsigned int source, const double* xform, int associative, unsigned int* link);
int LOOM_create_linked_pt_angle(unsigned int source, double angle, const double* xform, int associative,
                                unsigned int* link);
int LOOM_create_linked_part(unsigned int source_part, const double* xform, int associative, unsigned int* link);
int LOOM_is_link_broken(unsigned int link, unsigned char* broken);
int LOOM_ask_link_source(unsigned int link, unsigned int* source, unsigned int* source_part);
int LOOM_ask_link_xform(unsigned int link, double xform[12]);
int LOOM_set_link_data(unsigned int link, unsigned int source, const double* xform, int associative);
int LOOM_ask_link_region_sources(unsigned int link, int* n_seeds, unsigned int** seeds, int* n_bounds,
                                 unsigned int** bounds, int* traverse, int* options, unsigned int* source);
int LOOM_set_link_region_data(unsigned int link, unsigned int source, int n_seeds, const unsigned int* seeds,
                              int n_bounds, const unsigned int* bounds, int traverse, int options, const double* xform);
int LOOM_ask_link_mirror_data(unsigned int link, unsigned int* source, unsigned int* plane, int* associative,
                              double* xform, unsigned int* source_part);
int LOOM_set_link_mirror_data(unsigned int link, unsigned int source, unsigned int plane, int associative,
                              const double* xform, unsigned int source_part);
int LOOM_set_linked_pt_point(unsigned int link, unsigned int source, const double* xform);
int LOOM_set_linked_pt_curve(unsigned int link, unsigned int source, double parameter, const double* xform);
int LOOM_set_linked_pt_center(unsigned int link, unsigned int source, const double* xform);
int LOOM_set_linked_pt_angle(unsigned int link, unsigned int source, double angle, const double* xform);
int LOOM_ask_linked_pt_curve_prm(unsigned int link, double* parameter);
int LOOM_ask_linked_pt_angle(unsigned int link, double* angle);
/* *time: LOOM_UPDATE_*; *stamp: the number of updates the link has had. */
int LOOM_ask_link_update_time(unsigned int link, int* time, int* stamp);
int LOOM_set_link_update_time(unsigned int link, int time);
int LOOM_accept_link_broken(unsigned int link);
int LOOM_ask_link_accept_broken(unsigned int link, unsigned char* accepted);
int LOOM_ask_linked_feature_geom(unsigned int link, unsigned int* geometry);
int LOOM_ask_linked_feature_map(unsigned int link, int* count, unsigned int** sources, unsigned int** linked,
                                int options);
int LOOM_map_source_to_link_geom(unsigned int link, unsigned int source_geom, unsigned int* link_geom);
int LOOM_map_link_geom_to_source(unsigned int link, unsigned int link_geom, unsigned int* source_part,
                                 unsigned int* source_geom);
int LOOM_copy_component_as(unsigned int component, const char* name, int options, const double* origin,
                           const double* matrix, unsigned int* parent, const char* layer, unsigned int* copy);
int LOOM_copy_attributes(unsigned int link);

/* ---- Delayed update ---- */
int DUC_is_session_delayed(void);
void DUC_delay_session(void);
void DUC_undelay_session(void);
/* Out-of-date parts in update order: *count and *parts (SM_alloc; the
 * caller frees it with SM_free; null when none). */
void DUC_ask_parts_for_session_update(int* count, unsigned int** parts);
void DUC_log_parts_for_update(int count, const unsigned int* parts);
void DUC_ask_out_of_date_parts(int* count, unsigned int** parts);
/* The out-of-date links (linked bodies) of a part, as above. */
void DUC_ask_out_of_date_objects(unsigned int part, int* count, unsigned int** objects);
int DUC_ask_part_status(unsigned int part);
void DUC_delay_part(unsigned int part);
void DUC_undelay_part(unsigned int part);
void DUC_freeze_part(unsigned int part);
void DUC_unfreeze_part(unsigned int part);
void DUC_unconditionally_undelay(unsigned int part);
void DUC_delay_with_status(unsigned int part, int status);
/* Delays the part when the session is delayed and the part is out of date. */
void DUC_delay_part_if_needed(unsigned int part);

typedef struct DUC_load_context_s* DUC_load_context_t;
typedef void (*DUC_progress_fn)(DUC_load_context_t context);
/* scope 0: the parents of the part; 1: their parents too, and so on. */
DUC_load_context_t DUC_load_for_complete_update(unsigned int part, DUC_progress_fn progress, int scope);
int DUC_count_needed_rogs(DUC_load_context_t context);
int DUC_count_successful_rogs(DUC_load_context_t context);
int DUC_count_failing_rogs(DUC_load_context_t context);
/* The failing loads (the list belongs to the context). */
void DUC_ask_failing_rogs(DUC_load_context_t context, int* count, const int** rogs);
void DUC_ask_failing_statuses(DUC_load_context_t context, int rog, int* status, int* component_status);
/* The file name of a load (belongs to the context). */
const char* DUC_ask_failing_filename(DUC_load_context_t context, int rog);
void DUC_delete_load_context(DUC_load_context_t context);

/* ---- Messages and the status area ---- */
/* The translation of a message (this host keeps the English text). */
const char* nat110(const char* text);
/* A formatted text in a new block (SM_alloc; the caller frees it). */
char* SM_sprintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
/* Shows the text in the status area at once. */
void mtStatusAreaImmediate(const char* text);

#pragma GCC visibility pop
#ifdef __cplusplus
}

namespace host::loom {
// The texts shown in the status area since the last reset, oldest first.
const std::vector<std::string>& status_area();
// Runs the update of the links (UPDATE_do_update does, after the features).
void update_links();
}  // namespace host::loom
#endif

#endif
