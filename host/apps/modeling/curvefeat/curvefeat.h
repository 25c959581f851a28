/* The host's associative curve features and curve services: bridge curves
 * (BRDGCRV_), projected curves (CPROJ_), combined curves (CPROJ_CMB_), the
 * curves of curve features (DCRV_), joins of curve chains (CRV_JOIN_) and
 * curve-analysis records (CRVANL_).
 *
 * A curve feature is a record of the feature service (host/model/feature/) of
 * the work part: kind "BRIDGE_CURVE", "PROJECTED_CURVE", "COMBINED_CURVE",
 * "INTERSECTION_CURVE", "ISOCLINE_CURVE", "JOINED_CURVE", "WRAP_CURVE",
 * "OFFSET_CURVE" or "SPLINE",
 * in time order with the part's other features, its output curves as its
 * results (splines of the work part) and the features that made its input
 * curves as its parents. Its parameters are model state: undo marks roll
 * them back with the record; part files keep them (section "CFEA",
 * host/apps/modeling/curvefeat/file_rows.h). At each model update (UPDATE_do_update) a
 * curve feature whose input curves or target faces changed is made again
 * from them: its output curves keep their tags (a projection makes or
 * deletes outputs where a piece appears or goes); a feature whose geometry
 * cannot be made fails the update (the model stays as before it).
 *
 * Bridge curves. The bridge joins the first curve at the fraction
 * fractions[0] of its parameter range to the second at fractions[1], as a
 * quintic spline. It leaves the first curve along the curve's direction
 * there (senses[0] -1; 1 against it) and arrives at the second running
 * along that curve's direction (senses[1] -1; 1 against it). Methods 1, 2
 * (and 3 at an end its option names: option 1 the first end, 2 the
 * second, 0 none) match the curvature of the curve at the end (curvature
 * continuity); every other end matches the tangent and has no curvature.
 * The speed at an end is the shape value times the distance between the
 * ends: shape kind 0 and 1 take shapes[0] at the first end and shapes[1] at
 * the second (a shape of 0 counts as 1), kind 2 takes 2 shapes[0] at both.
 * Slot 2 of the table (method 4's reference) is kept with the feature.
 *
 * Projected curves. proj_type 1 along the target's normal, 2 toward the
 * point proj_object, 3 along proj_vector (multiplicity 2: both ways), 4
 * along proj_vector turned by the angle (radians) about angle_vector, 5
 * toward the line proj_object (every point along the perpendicular to the
 * line), 6 along proj_vector (the arc-length option is kept with the
 * feature). Targets: faces and sheet bodies of the kernel (a sheet: each
 * of its faces), planes and datum planes. The parameter object of a
 * feature (CPROJ_parms_t) is one of the classes "CPROJ_normal_feature_parms_c"
 * ... "CPROJ_arclen_feature_parms_c" under "CPROJ_feature_parms_c"; its
 * lookup table maps each (input curve, target face) pair to the output
 * curves made of it. A projection that meets nothing makes no curve of the
 * pair. At the update every entry is made again (its curves keep their
 * tags), pairs without an entry get one, and an entry whose pair the
 * feature no longer has goes with its curves.
 *
 * Combined curves. Each curve is swept along its direction (flag 1: the
 * record's vector; flag 0: the normal of the curve's plane); the feature's
 * curves are where the sweeps meet. The tolerance is a system expression
 * of the feature.
 *
 * Joins. CRV_JOIN_create_joined_curve makes one spline of a chain of
 * curves or edges (host/kernel/curves/derived_curves.h: methods and answers); its
 * second output is 1 when the joined curve is closed. CRV_JOIN_auto_join_curves
 * sorts the curves into chains and makes one spline of each chain of two or
 * more curves.
 *
 * Checks: a null pointer raises HOST_ERR_NULL_ARGUMENT, a dead tag
 * HOST_ERR_DEAD_TAG, a feature of another kind CURVEFEAT_ERR_WRONG_FEATURE;
 * failures of the kernel raise its codes.
 */
#ifndef HOST_CURVEFEAT_CURVEFEAT_H
#define HOST_CURVEFEAT_CURVEFEAT_H

#include "host/base/services/codes.h"
#include "host/model/feature/profiles.h"

#define HOST_CURVE_FEATURE_CODES(X)                                                                \
    X(CURVEFEAT_ERR_WRONG_FEATURE, 671361) /* the feature is of another kind */                    \
    X(CURVEFEAT_ERR_NO_CURVE, 671362) /* the feature's geometry makes no curve */                  \
    X(CURVEFEAT_ERR_BAD_INPUT, 671363) /* an input curve or target is not one the feature takes */ \
    /* Answers of a bridge update that the interface maps. */                                      \
    X(BRDGCRV_ERR_POINT_AFTER, 671367) /* a point of the bridge is made after the feature */       \
    X(BRDGCRV_ERR_SAME_ENDS, 671368) /* the two ends of the bridge coincide */                     \
    X(BRDGCRV_ERR_NO_TANGENT, 671369) /* a curve has no tangent at its end of the bridge */        \
    /* Answers of the offset's record routines (OFFCRV_rec_t below). */                            \
    X(OFFCRV_ERR_METHOD, 671383) /* a method or corner mode the offset does not take */            \
    X(OFFCRV_ERR_TEXT, 671384) /* a text without its end in its field, or with no value */
HOST_BARE_CODE_CONSTANTS(HOST_CURVE_FEATURE_CODES);

#define CURVEFEAT_TEXT_CHARS 133
#define CPROJ_latest_version 3

typedef struct BRDGCRV_rec_s {
    unsigned int feature; /* 0 for a new feature */
    int method;
    int flag;
    int table; /* reference table: slots 0, 1 (the curves) and 2 (method 4's reference) */
    double tolerances[2];
    unsigned int evaluators[3];
    double fractions[2];
    char position_text[2][CURVEFEAT_TEXT_CHARS];
    int shape_kind;
    double shapes[2];
    char shape_text[2][CURVEFEAT_TEXT_CHARS];
    unsigned int points[2];
    int senses[2];
    int flag2;
    int method3_option;
    int words[4];
} BRDGCRV_rec_t;

typedef struct CPROJ_rec_s {
    int kind;
    int version;
    int proj_type;
    unsigned int proj_object;
    double proj_vector[3];
    double second_vector[3];
    int multiplicity;
    int arclength_option;
    int quintic;
    double angle; /* radians */
    char angle_text[CURVEFEAT_TEXT_CHARS];
    double tolerance[2];
    int n_targets;
    unsigned int* targets;
} CPROJ_rec_t;

typedef struct CPROJ_lookup_s {
    unsigned int input_curve;
    unsigned int input_face;
    int n_outputs;
    unsigned int* output_curves;
} CPROJ_lookup_t;

/* A projection feature's parameter object (CPROJ_ask_feature_parms hands
 * out arrays from SM_alloc; CPROJ_free_parms frees them). */
typedef struct CPROJ_parms_s {
    int cls; /* OM class */
    int version;
    int proj_type;
    unsigned int proj_pnt;  /* types 2 and 6 */
    unsigned int proj_line; /* type 5 */
    double proj_vec[3];
    double xvec[3];
    int arcl_opt;
    unsigned int angle_exp; /* type 4: the angle in degrees */
    double tol;
    int multiplicity;
    int out_quintic_typ;
    int algorithm_version;
    int n_curves;
    unsigned int* curves;
    int n_faces;
    unsigned int* faces;
    int n_lookup;
    CPROJ_lookup_t* lookup;
} CPROJ_parms_t;

typedef struct CPROJ_CMB_rec_s {
    unsigned int feature;
    int table; /* reference table: slot 0 the first curve, 1 the second */
    int use_vector[2];
    double direction[2][3];
    double tolerance;
    char tolerance_text[CURVEFEAT_TEXT_CHARS];
    unsigned int tolerance_exp; /* filled by CPROJ_CMB_read_frec */
    double angle_tolerance;
    int flag;
    int quintic;
} CPROJ_CMB_rec_t;

/* A curve's analysis settings as the interface writes them, in order.
 * CRVANL_write_CARecord keeps the record and puts what the host's own
 * analysis record (host/kernel/curves/curve_queries.h) holds into it: the shown
 * items, the density, the options, the limits flag and the scale. */
typedef struct CRVANL_record_s {
    int show[4]; /* 0 or 1 each: [0] the comb */
    int values[2];
    int density; /* the first double truncated toward zero */
    int unset;
    unsigned char options[16];
    int limits_on; /* 0 or 1 */
    double scale;
    int limit;
    double limits[3];
} CRVANL_record_t;

/* An intersection feature's parameters (ICURVES_read_parms hands out the
 * sets from SM_alloc). Set kinds: 1 one solid body, 2 faces of one body,
 * 3 one datum plane. */
typedef struct ICURVES_parms_s {
    double tolerance;
    int kind1;
    int kind2;
    int n1;
    unsigned int* set1;
    int n2;
    unsigned int* set2;
    int word;
    int quintic;
} ICURVES_parms_t;

/* An isocline feature's parameters. The texts are formulas of angles in
 * degrees (0 to 180): without the range flag one isocline at `angle`; with
 * it the isoclines from `second` to `third` in steps of `angle`. */
typedef struct ISOCLINE_parms_s {
    double direction[3];
    unsigned char range;
    char angle[CURVEFEAT_TEXT_CHARS];
    char second[CURVEFEAT_TEXT_CHARS];
    char third[CURVEFEAT_TEXT_CHARS];
    int n_faces;
    unsigned int* faces; /* ISOCLINE_read_frec: from SM_alloc */
    unsigned int feature;
    int word;
    double tolerance;
    int quintic;
    unsigned char last;
} ISOCLINE_parms_t;

/* A joined-curve feature's record: the method (0 exact, 1 cubic, 2
 * quintic), three tolerances (kept for the caller: the join runs at
 * tolerances[1]), the curve-manager object of the input strings, and the
 * joined curve the feature made. */
typedef struct CRV_JOIN_frec_s {
    int method;
    double tolerances[3];
    int profile;
    unsigned int joined;
} CRV_JOIN_frec_t;

/* One end of a plain bridge curve: the curve's point, first and second
 * derivatives there and its curvature. */
typedef struct BCRVFIT_end_s {
    double point[3];
    double first[3];
    double second[3];
    double curvature;
} BCRVFIT_end_t;

/* A wrap feature's record. kind 1 wraps the curves (second_objects) from
 * the reference plane onto the faces (first_objects: faces of one cylinder
 * or cone, the plane tangent to it), kind 2 unwraps curves on the faces
 * onto the plane. The text is a formula in degrees: the angle about the
 * axis, from the line where the plane touches, at which the surface is cut
 * open for unwrapping. first_value is the distance tolerance the curves
 * are fitted to (0: the modelling tolerance); second_value is kept. */
typedef struct WRAP_rec_s {
    int first_count;
    unsigned int* first_objects;
    unsigned int reference;
    int second_count;
    unsigned int* second_objects;
    int kind;
    char text[CURVEFEAT_TEXT_CHARS];
    double first_value;
    double second_value;
    unsigned int feature;
} WRAP_rec_t;

typedef struct CRVANL_sap_record_s {
    unsigned char options[16];
    int first;
    int second;
} CRVANL_sap_record_t;

/* An offset's record, as the interface fills it for OFFCRV_validate_input,
 * OFFCRV_create_frec and OFFCRV_update_frec (and OFFCRV_read_frec answers).
 * Texts are expression texts of the work part, NUL-terminated within their
 * fields. */
#define OFFCRV_TEXT_CHARS 264
typedef struct OFFCRV_rec_s {
    int word;
    int method; /* 0 by distance, 1 by height and draft angle */
    char distance_text[OFFCRV_TEXT_CHARS];
    char height_text[OFFCRV_TEXT_CHARS];
    char angle_text[OFFCRV_TEXT_CHARS]; /* degrees */
    double tolerance;
    int words[2];     /* 1, 0 */
    int associative;  /* 0 plain curves, 1 the feature */
    int corner_mode;  /* 0 each curve on its own, 1 extended, 2 rounded */
    double extension; /* corner mode 1: the longest extension of a piece */
    double distance_tolerance;
    double reference[3];
    /* Outputs of OFFCRV_compute_vectors_profile. */
    double start[3];
    double start_frame[6]; /* start point and unit tangent */
    double end[3];
    double side[3];
    double normal[3];
    int profile;          /* OFFCRV_create_profile */
    int planar;           /* 1 when the chain lies in a plane */
    int words2[2];        /* 1, 0 */
    int feature_flag;     /* 1 for the feature */
    int keep_parms;       /* 0 plain curves (their parameters go), 1 the feature */
    char byte;            /* 1 */
    unsigned int feature; /* made by create; the edited feature on edit */
    int quintic;
} OFFCRV_rec_t;

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* ---- tag sets ---- */
void TS_create_set(int* set);
void TS_ask_set(int set, int* count, unsigned int** tags); /* SM_alloc */
void TS_free_set(int set);

/* ---- reference tables (host/apps/modeling/trimcurve/trim_curves.h) ---- */
/* 1 with the unit normal when the curves of the slot lie in one plane, 2
 * when they do not. */
int CMP_RT_planar_normal(int table, int slot, double normal[3]);

/* ---- bridge curves ---- */
int BRDGCRV_create_frec(BRDGCRV_rec_t* record);
int BRDGCRV_update_frec(BRDGCRV_rec_t* record);
/* The feature's record with a new reference table. */
void BRDGCRV_read_parms(unsigned int feature, BRDGCRV_rec_t* record);
int BRDGCRV_is_bridge_frec(unsigned int feature);

/* A plain bridge curve (a spline of the work part, no feature) from the
 * first end, leaving along its first derivative, to the second, arriving
 * along its first derivative: type 1 matches the tangents, type 4 the
 * curvature too (the ends' second derivatives). *status 0 with the
 * bridge, BRDGCRV_ERR_SAME_ENDS or BRDGCRV_ERR_NO_TANGENT (no curve made),
 * HOST_ERR_BAD_ARGUMENT for another type. */
void BCRVFIT_cre_bridge_curve(int type, int word, const BCRVFIT_end_t* first, const BCRVFIT_end_t* second,
                              unsigned int* bridge, int* status);
/* The curvature of a curve whose derivatives are first and second. */
double DGEOM_crv_curvature(const double first[3], const double second[3]);

/* ---- projected curves ---- */
int CPROJ_is_proj_feature(unsigned int feature);
/* Makes the feature: *error 0, or CURVEFEAT_ERR_NO_CURVE when nothing
 * projects, CURVEFEAT_ERR_BAD_INPUT for a curve or target it cannot take. */
void CPROJ_create_feature(int n_curves, const unsigned int* curves, int n_targets, const unsigned int* targets,
                          int flags, const CPROJ_rec_t* record, int kind, unsigned int* feature, int* error);
/* Plain curves (points for points) of the curves' projections, each put
 * in the tag set; nothing when nothing projects. */
void CPROJ_create_curves(int n_curves, const unsigned int* curves, int n_targets, const unsigned int* targets, int a,
                         int b, const CPROJ_rec_t* record, int output_kind, int kind, int set);
void CPROJ_ask_feature_parms(unsigned int feature, CPROJ_parms_t* parms);
/* Replaces the feature's parameter object (the old one is gone). */
void CPROJ_set_feature_parms(unsigned int feature, const CPROJ_parms_t* parms);
void CPROJ_free_parms(CPROJ_parms_t* parms);
/* The host object of a target: the target itself for a live face, sheet
 * body, plane or datum plane, else 0. */
unsigned int CPROJ_entity_ask_om_tag(unsigned int target);
/* 0 with the input curve and target face of an output curve of the
 * feature; 1 when the feature is no projection feature; 2 when the curve
 * is none of its outputs. */
int CPROJ_ask_proj_curve_parents(unsigned int feature, unsigned int curve, unsigned int* input_curve,
                                 unsigned int* input_face);

/* ---- curves of curve features ---- */
int DCRV_is_developed_curve_feature(unsigned int feature);
/* The output curves of a curve feature (SM_alloc). */
void DCRV_ask_dcurves_of_feature(unsigned int feature, int* count, unsigned int** curves);
/* 1 with the curves that a feature made: a curve feature's, a trim curve
 * feature's or a section feature's (SM_alloc, null for none); 0 with no
 * curves for any other object. */
int FREC_collect_all_dcurve(unsigned int feature, int* count, unsigned int** curves);
/* The feature that made the curve (a curve or section feature), 0 for
 * none. */
unsigned int DCRV_ask_feature_of_dcurve(unsigned int curve);

/* ---- combined curves ---- */
int CPROJ_CMB_create_frec(CPROJ_CMB_rec_t* record, unsigned int* feature);
void CPROJ_CMB_read_frec(unsigned int feature, CPROJ_CMB_rec_t* record);
int CPROJ_CMB_populate_parms(CPROJ_CMB_rec_t* record, unsigned int feature);
int CPROJ_CMB_frec_is_a_cproj_cmb(unsigned int feature);
void CPROJ_CMB_read_curves(unsigned int feature, int* count, unsigned int** curves);

/* ---- intersection curves ---- */
/* Intersection features (kind "INTERSECTION_CURVE"): the curves where each
 * object of set 1 meets each object of set 2 (a body, a face, or a datum
 * plane's plane); none made raises CURVEFEAT_ERR_NO_CURVE. */
void ICURVES_create_feature(const ICURVES_parms_t* parms, unsigned int* feature);
void ICURVES_update_feature(const ICURVES_parms_t* parms, unsigned int feature);
/* 0 for an intersection feature with curves, else CURVEFEAT_ERR_NO_CURVE
 * (or CURVEFEAT_ERR_WRONG_FEATURE for another object). */
int ICURVES_validate_frec(unsigned int feature);
/* 1 for an intersection feature, 2 for a feature of another kind, 0 for
 * an object that is no feature. */
int ICURVES_is_icurves_frec(unsigned int feature);
void ICURVES_read_parms(unsigned int feature, ICURVES_parms_t* parms);
void ICURVES_ask_developed_curves(unsigned int feature, int* count, unsigned int** curves);
/* The objects of set 1 and set 2 that an output curve of the feature lies
 * on (0 each when the curve is none of its outputs). */
void ICURVES_ask_curve_parents(unsigned int feature, unsigned int curve, unsigned int parents[2]);

/* ---- isocline curves ---- */
/* Isocline features (kind "ISOCLINE_CURVE"): on each face, the curves where
 * the face's normal makes the record's angles with its direction. Create
 * answers 0 with record->feature (left 0 when no face has such a curve) or
 * a code of the expression service; update remakes record->feature from the
 * record and answers 0, a code, or CURVEFEAT_ERR_NO_CURVE. */
int ISOCLINE_create_frec(ISOCLINE_parms_t* record);
int ISOCLINE_update_frec(ISOCLINE_parms_t* record);
double ISOCLINE_ask_tol(unsigned int feature);
/* 1 for an isocline feature, else 0. */
int ISOCLINE_frec_is_a_isocline(unsigned int feature);
void ISOCLINE_read_frec(unsigned int feature, ISOCLINE_parms_t* record);
/* The feature's curves (SM_alloc). */
void ISOCLINE_ask_output_curves(unsigned int feature, int* count, unsigned int** curves);

/* ---- wrapped curves ---- */
/* Wrap features (kind "WRAP_CURVE"): one curve of each input curve. The
 * int routines answer 0 or a code: CURVEFEAT_ERR_BAD_INPUT for a record
 * they cannot take, a code of the expression service for the text. */
int WRAP_validate_input(const WRAP_rec_t* record);
/* Makes the feature: record->feature. */
int WRAP_create_frec(WRAP_rec_t* record);
/* Makes record->feature again from the record. */
int WRAP_update_frec(WRAP_rec_t* record);
/* The feature's record (arrays from SM_alloc). */
void WRAP_read_frec(unsigned int feature, WRAP_rec_t* record);
int WRAP_frec_is_a_wrap(unsigned int feature);
void WRAP_ask_output_curves(unsigned int feature, int* count, unsigned int** curves);
/* The curve it was made of, the first face and the reference plane of an
 * output curve, and its feature: 0 with them, CURVEFEAT_ERR_WRONG_FEATURE
 * for a curve no wrap feature made. */
int WRAP_ask_wrap_curve_parents(unsigned int curve, unsigned int* input, unsigned int* face, unsigned int* reference,
                                unsigned int* feature);

/* ---- offset curves ---- */
/* Offset features (kind "OFFSET_CURVE"): the planar offset of a chain of
 * curves (host/kernel/curves/derived_curves.h), made again at each model update when
 * the chain or the values of its texts change. Each answers 0 or a status
 * (OFFCRV_ERR_*, OFFSET_ERR_*, CMP_ERR_* of the chain as OFFSET_ERR_CHAIN,
 * the expression service's codes) and changes nothing on a failure. */
int OFFCRV_validate_input(const OFFCRV_rec_t* record);
/* A profile (CMP_create_cmp_profile) of the chain: one string of curves
 * that meet in turn. */
int OFFCRV_create_profile(const CMP_strings_t* curves, int mode, int* profile);
/* The chain's frame (host/kernel/curves/derived_curves.h) toward the reference
 * direction: OFFSET_ERR_NO_PLANE, with the outputs filled, for a chain in
 * no plane. */
int OFFCRV_compute_vectors_profile(int profile, int mode, const double reference[3], double start[3],
                                   double start_frame[6], double end[3], double side[3], double normal[3], int* planar);
int OFFCRV_create_frec(OFFCRV_rec_t* record, unsigned int* feature);
int OFFCRV_update_frec(OFFCRV_rec_t* record, unsigned int feature);
/* The curves (SM_alloc) and the chain's curve count. */
int OFFCRV_ask_offset_curves(unsigned int feature, int* count, unsigned int** curves, int* inputs);
/* The feature goes; its curves stay as plain curves. */
int OFFCRV_remove_parms(unsigned int feature);
int OFFCRV_frec_is_a_offset_curve(unsigned int feature);
/* The feature's record: profile a curve-manager object of its chain. */
int OFFCRV_read_frec(unsigned int feature, OFFCRV_rec_t* record);
int OFFCRV_ask_quintic_type(unsigned int feature);
/* Frees a profile (kind 1; the second argument 0). */
void CMP_delete_profile(int kind, int flag, int profile);

/* ---- spline features ---- */
/* Spline features (kind "SPLINE"): a feature holding a spline of its part
 * as its curve. Its parameter object (BCURVE_ask_frec_parms) holds the
 * spline; a new one set there (BCURVE_set_parms_spline) becomes the
 * feature's curve at the next model update. *status 0, or
 * CURVEFEAT_ERR_BAD_INPUT for an object that is no live spline. */
void BCURVE_create_frec(unsigned int spline, unsigned int* feature, int* status);
/* The parameter object of a spline feature (raises
 * CURVEFEAT_ERR_WRONG_FEATURE for another object). */
unsigned int BCURVE_ask_frec_parms(unsigned int feature);
void BCURVE_set_parms_spline(unsigned int parms, unsigned int spline);
unsigned int BCURVE_ask_parms_spline(unsigned int parms);
int BCURVE_is_spline_frec(unsigned int feature);

/* ---- joins ---- */
int CRV_JOIN_create_joined_curve(int n, const unsigned int* curves, int method, const double tolerances[2],
                                 unsigned int* joined, int* closed);
int CRV_JOIN_auto_join_curves(int n, const unsigned int* curves, int method, const double tolerances[2], int* count,
                              unsigned int** joined);

/* Joined-curve features (kind "JOINED_CURVE"): one spline of the chain
 * of the profile's curves (host/kernel/curves/derived_curves.h: the join's answers),
 * made again when they change. */
/* A curve-manager object of the strings (mode 0): 0, or join_none for no
 * strings, join_not_curve for an object that is no live curve or edge,
 * join_gap for a string whose curves do not meet. */
int CRV_JOIN_create_profile(const CMP_strings_t* curves, const double tolerances[2], int mode, int* profile);
/* 0 with the feature and record->joined, or the join's answer. */
int CRV_JOIN_create_frec(CRV_JOIN_frec_t* record, unsigned int* feature);
int CRV_JOIN_update_frec(const CRV_JOIN_frec_t* record, unsigned int feature);
/* 0 with the record (a new curve-manager object of the feature's strings);
 * CURVEFEAT_ERR_WRONG_FEATURE for an object that is no joined-curve
 * feature. */
int CRV_JOIN_read_frec(unsigned int feature, CRV_JOIN_frec_t* record);
int CRV_JOIN_is_join_frec(unsigned int feature);

/* ---- groups ---- */
/* A new empty group of the work part. */
void es1500_(unsigned int* group);

/* ---- curve analysis ---- */
void CRVANL_write_CARecord(unsigned int curve, const CRVANL_record_t* record);
void CRVANL_write_sap_record(unsigned int spline, const CRVANL_sap_record_t* record);
/* 1 with the record when the curve has one, else 0. */
int CRVANL_read_written_record(unsigned int curve, CRVANL_record_t* record);
int CRVANL_read_sap_record(unsigned int spline, CRVANL_sap_record_t* record);
/* The comb of a curve whose written record shows it (show[0]): `density`
 * needles (at least 2) evenly along the parameter, each from the curve
 * point against the curvature vector, its length the curvature times the
 * scale (1 when 0), six doubles each (SM_alloc); none otherwise. The combs
 * of the work part's curves are drawn in every view at each regeneration
 * of the display (DISPLAY_regenerate), in the temporary display. */
void CRVANL_ask_comb(unsigned int curve, int* count, double** needles);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <functional>
#include <vector>

#include "host/numeric/curves.h"

namespace host {
class Call;
}

namespace host::curvefeat {

using tag_t = unsigned int;

// Shared by the features of this folder.
// A new spline of the work part on the curve record.
tag_t new_curve(const hostnum::Curve& curve);
// The outputs made again from the curves: kept tags (live ones, in order),
// new ones for further curves, the rest deleted.
std::vector<tag_t> renew(const std::vector<tag_t>& outputs, const std::vector<hostnum::Curve>& curves);
// A copy of the tags from SM_alloc (null for none).
tag_t* hand_out(const std::vector<tag_t>& tags);
// The features that made the objects (as results), no repeats.
std::vector<tag_t> producers(const std::vector<tag_t>& objects);
// Sample points of the objects' curves, faces and planes: a feature
// compares them to see whether its inputs changed.
std::vector<double> fingerprint(const std::vector<tag_t>& objects);
// Adds the tags to a tag set (TS_create_set).
void add_to_set(int set, const std::vector<tag_t>& tags);
// Runs `follow` at every model update, after the bodies are made again.
void follow_updates(void (*follow)());
// How the features of one kind follow their inputs: made_from answers the
// fingerprint a feature was made from (null: no feature of the kind), now
// the fingerprint of its inputs now, remake makes it again from them
// (raising on failure) and keeps `now` with it.
struct Follower {
    std::function<const std::vector<double>*(tag_t)> made_from;
    std::function<std::vector<double>(tag_t)> now;
    std::function<void(const host::Call&, tag_t, const std::vector<double>&)> remake;
};
// Makes again each live feature of the kind whose inputs changed; a
// failure raises with a text naming the feature. `routine` names the
// host routine in the journal and log.
void follow_kind(const char* routine, const char* kind, const Follower& follower);
// One end of a bridge: its point, the unit direction the bridge runs
// there, and the curvature vector of the curve it meets.
struct BridgeEnd {
    double p[3], d[3], k[3];
};
// The quintic bridge from ends[0] to ends[1], leaving and arriving along
// their directions at the speeds given, with the curvature of the curve
// matched at the ends where g2 says so.
hostnum::Curve quintic_bridge(const host::Call& call, const BridgeEnd ends[2], const double speeds[2],
                              const bool g2[2]);
// A new reference table holding the strings, one slot each.
int table_of(const std::vector<host::profiles::Strings>& slots, const double tolerances[2]);
// The live curve features of the kind in every loaded part, time order.
std::vector<tag_t> features_of_kind(const char* kind);

}  // namespace host::curvefeat
#endif

#endif
