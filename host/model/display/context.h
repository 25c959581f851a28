/* Display contexts: how the host has an object that it knows no geometry of
 * (a user-defined object) described to it. The host makes a context, calls
 * the object's routine with it, and the routine describes the object with
 * the interface's display primitives, which look at the context's mode:
 *   0 display         draw with the drawing routines below;
 *   1 fit             add every point to the box being fitted;
 *   2 select by pick  offer every piece to the pick tests (nearest hit);
 *   3 select by area  classify every piece against the selection area;
 *   4 attention point offer the pieces until a point is found.
 * The records of the modes and the test routines are the host's; the
 * routines of a record are the host's test routines (DSS_*_tests below).
 *
 * Drawing (display mode): every routine records what it drew in the
 * graphics window's display list (host::context::drawn). Nothing is drawn
 * while the display is suppressed (DSS_ask_suppress_display above 0); the
 * routines that report drawing then answer 0. ds2005_, ds20b4_ and
 * DSS_PRIM_draw_marker write the first point they drew into `position`.
 *
 * Fitting: word 0 of a fit record names a box of the host's fit table
 * (host::context::new_fit_box), word 1 is handed through (0). Expanding an
 * unknown box raises HOST_ERR_BAD_ARGUMENT.
 *
 * The test routines:
 *   pick   the view data is the pick ray (a point and a direction, six
 *          doubles) and the aperture; the distance of a piece is its
 *          distance from the ray seen along the ray's direction (0 inside a
 *          polygon); a piece within the aperture is hit. The 16-byte hit is
 *          a DSS_hit_t: the piece's kind (1 arc, 2 segment, 3 point, 4
 *          polygon) and the parameter of its nearest point (0 to 1 along a
 *          segment, the angle on an arc, 0 else).
 *   area   the selection area is a rectangle of the XY plane (set by the
 *          host for the selection, host::context::set_selection_area);
 *          class 1: the piece lies inside, 0: outside, 2: it crosses the
 *          rectangle's edge.
 *   attention  the search parameter 0 asks for the first point of a piece
 *          (an arc's start, a segment's start, the point, a polygon's first
 *          vertex, a text box's first corner), 1 for the centre of an arc;
 *          a found point answers state 3, else state 1 (go on searching).
 */
#ifndef HOST_DISPLAY_CONTEXT_H
#define HOST_DISPLAY_CONTEXT_H

#include "host/model/display/temp.h"

#define DSS_MODE_DISPLAY   0
#define DSS_MODE_FIT       1
#define DSS_MODE_PICK      2
#define DSS_MODE_AREA      3
#define DSS_MODE_ATTENTION 4

#define DSS_ATTENTION_FOUND     3
#define DSS_ATTENTION_SEARCHING 1

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* The context handed to an object's routine. */
struct display_context_s {
    int mode;
    void* record;
};

typedef struct DSS_display_record_s {
    double first_position[3];
    unsigned int view; /* the view being drawn, 0 when none */
    double fill_density;
    int drawn;
    int fill_style; /* 1: fill by drawn lines */
} DSS_display_record_t;

typedef struct DSS_fit_record_s {
    int box;
    int options;
} DSS_fit_record_t;

typedef struct DSS_hit_s {
    int kind;
    int reserved;
    double parameter;
} DSS_hit_t;

typedef struct DSS_pick_view_s {
    double ray[6];
    double aperture;
} DSS_pick_view_t;

typedef int (*DSS_pick_arc_fn)(const double matrix[9], double start, double end, const double centre[3], double radius,
                               const double* ray, const double* aperture, double* distance, void* hit);
typedef int (*DSS_pick_segment_fn)(const double a[3], const double b[3], const double* ray, const double* aperture,
                                   double* distance, void* hit);
typedef int (*DSS_pick_point_fn)(const double p[3], const double* ray, const double* aperture, double* distance,
                                 void* hit);
typedef int (*DSS_pick_polygon_fn)(int count, const double* points, const double* ray, const double* aperture,
                                   double* distance, void* hit);

typedef struct DSS_pick_record_s {
    DSS_pick_arc_fn arc_test;
    DSS_pick_segment_fn segment_test;
    DSS_pick_point_fn point_test;
    DSS_pick_polygon_fn polygon_test;
    const DSS_pick_view_t* view_data;
    double best_distance;
    unsigned char best_hit[16];
    int found;
} DSS_pick_record_t;

typedef int (*DSS_area_arc_fn)(const double matrix[9], double start, double end, const double centre[3], double radius);
typedef int (*DSS_area_segment_fn)(const double a[3], const double b[3]);
typedef int (*DSS_area_point_fn)(const double p[3]);
typedef int (*DSS_area_polygon_fn)(int count, const double* points);

typedef struct DSS_area_record_s {
    DSS_area_arc_fn arc_test;
    DSS_area_segment_fn segment_test;
    DSS_area_point_fn point_test;
    DSS_area_polygon_fn polygon_test;
    void* unused;
    int class_count[3];
    int total;
} DSS_area_record_t;

typedef int (*DSS_attn_arc_fn)(const double matrix[9], double start, double end, const double centre[3], double radius,
                               int search, double found[3]);
typedef int (*DSS_attn_segment_fn)(const double a[3], const double b[3], int search, double found[3]);
typedef int (*DSS_attn_point_fn)(const double p[3], int search, double found[3]);
typedef int (*DSS_attn_polygon_fn)(int count, const double* points, int search, double found[3]);
typedef int (*DSS_attn_text_fn)(const double a[3], const double b[3], int search, double found[3]);

typedef struct DSS_attention_record_s {
    DSS_attn_arc_fn arc_test;
    DSS_attn_segment_fn segment_test;
    DSS_attn_point_fn point_test;
    DSS_attn_polygon_fn polygon_test;
    DSS_attn_text_fn text_test;
    int search_parameter;
    int state;
    double found_point[3];
} DSS_attention_record_t;

/* Drawing routines (display mode); matrices are the transposed ones. */
int ds2005_(const DSS_arc_t* arc, const double matrix[9], double position[3]);
void DSS_PRIM_draw_circle(const double centre[3], double radius, const double matrix[9], unsigned char filled,
                          double tolerance);
void ds20a7_(const double centre[3], double radius);
void DSS_LINE_draw_line(const double a[3], const double b[3]);
int DSS_PRIM_draw_marker(int marker, const double point[3], double position[3]);
int ds20b4_(int count, const double* points, double position[3]);
void DSS_FILL_set_fill_method(int method);
void DSS_PRIM_push_rotation(const double matrix[9]);
void DSS_PRIM_pop_rotation(void);
void DSS_FACET_triangle(const double* vertices, const void* data);
void DSS_FACET_polygon(const double* vertices, const void* data, int count);
void DSS_FACET_tri_strip(const double* vertices, const void* data, int count);
void DSS_PRIM_draw_multi_stroke_text(const double origin[3], double size, int angle, int slant, int count,
                                     char* const* lines, int alignment, int position, int spacing, int frame,
                                     int stroke, int reserved);
/* Fitting. */
void DSS_FIT_expand_bounding_box(const double point[3], int box, int options);
void DSS_FIT_add_arc_to_bounding_box(int box, const DSS_arc_t* arc, const double matrix[9], int mode, int options);
/* Where the line through a and b meets the plane of the section given by two
 * opposite corners (both on the plane of one axis); *found 0 when parallel. */
void j0329_(const double a[3], const double b[3], const double corner1[3], const double corner2[3], double point[3],
            int* found);

/* The host's test routines. */
int DSS_PICK_arc(const double matrix[9], double start, double end, const double centre[3], double radius,
                 const double* ray, const double* aperture, double* distance, void* hit);
int DSS_PICK_segment(const double a[3], const double b[3], const double* ray, const double* aperture, double* distance,
                     void* hit);
int DSS_PICK_point(const double p[3], const double* ray, const double* aperture, double* distance, void* hit);
int DSS_PICK_polygon(int count, const double* points, const double* ray, const double* aperture, double* distance,
                     void* hit);
int DSS_AREA_arc(const double matrix[9], double start, double end, const double centre[3], double radius);
int DSS_AREA_segment(const double a[3], const double b[3]);
int DSS_AREA_point(const double p[3]);
int DSS_AREA_polygon(int count, const double* points);
int DSS_ATTN_arc(const double matrix[9], double start, double end, const double centre[3], double radius, int search,
                 double found[3]);
int DSS_ATTN_segment(const double a[3], const double b[3], int search, double found[3]);
int DSS_ATTN_point(const double p[3], int search, double found[3]);
int DSS_ATTN_polygon(int count, const double* points, int search, double found[3]);
int DSS_ATTN_text(const double a[3], const double b[3], int search, double found[3]);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <string>
#include <vector>

namespace host::context {

enum class Kind { Arc, Circle, FillCircle, Line, Marker, Outline, Triangle, Polygon, TriStrip, Text };

// One entry of the graphics window's display list.
struct Drawn {
    Kind kind{};
    std::vector<double> points;  // three doubles a point (arc/circle: the centre)
    double radius = 0;
    double matrix[9] = {};  // as the routine took it
    DSS_arc_t arc = {};
    bool filled = false;
    int marker = 0;
    int count = 0;               // vertices of a facet
    const void* data = nullptr;  // the facet's second pointer
    std::vector<std::string> lines;
    int alignment = 0, position = 0;
    double size = 0;
    int rotations = 0;    // rotations pushed when it was drawn
    int fill_method = 0;  // the device fill in force
};
const std::vector<Drawn>& drawn();
// Empties the display list (a regeneration of the window).
void clear_window();

struct Box {
    bool empty = true;
    double min[3] = {}, max[3] = {};
};
// A new empty box of the fit table; its number goes in a fit record.
int new_fit_box();
const Box& fit_box(int box);

// The rectangle of an area selection (XY plane): xmin, ymin, xmax, ymax.
void set_selection_area(double xmin, double ymin, double xmax, double ymax);

// Records with the host's test routines.
DSS_pick_record_t pick_record(const DSS_pick_view_t* view);
DSS_area_record_t area_record();
DSS_attention_record_t attention_record(int search);

}  // namespace host::context
#endif

#endif
