/* Edge blends of the modelling library: the user-interface data of an edge
 * blend, the blend feature made from it, and the data read back from a
 * feature.
 *
 * BLEND_ui_data_t holds what a blend dialog edits: the blend's radius
 * expression text, its edges (each with an optional cliff edge, two limit
 * texts and points of a variable radius), a type word, a flag, a limits
 * switch, a tolerance and three options. BLEND_init_ui_data fills the
 * defaults (no edges, radius "0.25", options on, the modelling distance
 * tolerance); BLEND_clean_ui_data frees the edge and point arrays (SM_alloc
 * blocks) and leaves the data as BLEND_init_ui_data made it.
 *
 * BLEND_create_feature builds the feature (kind "BLEND") on the body of
 * the first edge through the solid kernel: edges without points take the
 * blend's radius (an expression of the feature: editing it and updating
 * changes the body); an edge with points takes a radius that varies along
 * it through the point radii at their edge parameters (0 at the edge's
 * start, 1 at its end). The type word, flag, limits, tolerance, options and
 * every edge's cliff edge, limits and points are kept with the feature as
 * they were given, journalled with the model. Failures are written to
 * *error (nothing is left behind): FEAT_ERR_BAD_PARAMETERS for no edges, a
 * bad count or a point parameter outside 0..1, FEAT_ERR_BAD_REFERENCE for
 * an object that is no edge or edges of different bodies, an expression's
 * code for a radius text that is no expression, the kernel's code when the
 * blend cannot be built.
 *
 * The kept values are saved with the part (section "BLEB") and read back
 * when it is opened; the kernel's blend does not use them (it rounds each
 * edge over its whole length between its two faces). An edge whose object
 * was not saved with the part (an edge the blend took away) reads back as
 * the feature's edge in its place: the object of that edge in the body,
 * or 0 when there is none; such a cliff edge reads back as 0.
 *
 * BLEND__load_ui_data_from_parms fills data (BLEND_init_ui_data first) from
 * a blend feature, with the edge and cliff edge objects it was made with
 * (the blend takes its edges away); BLEND__load_blend_parms writes the
 * radius, the edges' point radii and the kept values of data into the
 * feature (its edges, cliff edges and the number of points of each must
 * stay; else FEAT_ERR_BAD_PARAMETERS) and leaves the body to the next
 * update.
 *
 * BLEND_find_closest_edge gives, of n edges, the one nearest the point and
 * the edge parameter (0..1) of its point nearest to it.
 */
#ifndef HOST_BLEND_BLEND_H
#define HOST_BLEND_BLEND_H

#define BLEND_TEXT_CHARS 256

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

typedef struct BLEND_point_s {
    double parameter;
    double edge_parameter; /* the same parameter, as the edge is measured */
    char radius[BLEND_TEXT_CHARS];
} BLEND_point_t;

typedef struct BLEND_edge_s {
    unsigned int edge;
    unsigned int cliff_edge;
    int number_of_points;
    BLEND_point_t* points;
    char limit_1[BLEND_TEXT_CHARS];
    char limit_2[BLEND_TEXT_CHARS];
} BLEND_edge_t;

typedef struct BLEND_ui_data_s {
    int blend_type;
    int number_of_edges;
    BLEND_edge_t* edges;
    char radius[BLEND_TEXT_CHARS];
    unsigned char flag;
    unsigned char limits_active;
    double tolerance;
    unsigned char options[3];
} BLEND_ui_data_t;

void BLEND_init_ui_data(BLEND_ui_data_t* data);
void BLEND_clean_ui_data(BLEND_ui_data_t* data);
void BLEND_create_feature(BLEND_ui_data_t* data, unsigned int* feature, int* error);
void BLEND__load_ui_data_from_parms(unsigned int feature, BLEND_ui_data_t* data);
void BLEND__load_blend_parms(unsigned int feature, const BLEND_ui_data_t* data, int mode, int* error);
/* 1 when the feature is an edge blend made by BLEND_create_feature. */
int BLEND_is_edge_blend(unsigned int feature);
void BLEND_find_closest_edge(const double point[3], int n, const unsigned int edges[], unsigned int* edge,
                             double* parameter);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
