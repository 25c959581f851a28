/* The definitions that the host keeps with free-form features and
 * extrusions: what their creators were given, kept so that the features
 * can be read back in the records the creators take.
 *
 * A definition is a row of the model kept beside the feature's record (a
 * plain record of the feature service, host/model/feature/feature.h): undo marks
 * roll it back with the feature, and it goes when the feature dies. Its
 * expressions are system expressions of the feature's part and are the
 * feature's parameters (FREC_ask_system_exps_of_frec lists them).
 *
 * Skin features (free-form features made from strings of curves), by skin
 * kind, with the type text of their record:
 *   SKIN_KIND_SWEEP        "SKIN"             guide strings (first), section
 *                                             strings (second), a spine
 *   SKIN_KIND_CURVE_MESH   "THRU_CURVE_MESH"  primary (first), cross (second)
 *   SKIN_KIND_THRU_CURVES  "THRU_CURVE"       section strings (first)
 *   SKIN_KIND_RULED        "SKIN"             two section strings (first)
 *   SKIN_KIND_BPLANE       "SKIN"             boundary strings (first)
 * Each holds:
 *   - string sets: the first and second collections, the single string
 *     (a spine), and the sweep's two method curves (orientation, scaling);
 *     a set the feature lacks has no strings;
 *   - the parameter integers (SKIN_N_PARAMS, the creators' integer block:
 *     sweep {-, -, section method, orientation method, scaling method},
 *     curve mesh {mesh method, -, -, mesh flag, -}, through curves and
 *     ruled {alignment, patch kind, fit method, degree, closed flag});
 *   - the method values: expressions (the sweep's orientation and scaling
 *     values, the alignment values of through curves and ruled);
 *   - the record: three expressions (the creators' tolerance triple);
 *   - the option byte, the alignment method;
 *   - face constraints (curve mesh: 4 boundaries, through curves: 2): with
 *     a storage kind below 2 one face slot per boundary (0: none), else the
 *     faces packed, boundary after boundary, with the number of faces of
 *     each boundary; faces are kept by their references (FREF_*), so a
 *     face that a later feature took away answers no face; and a
 *     continuity number per boundary.
 *
 * Thickened sheets ("THICKEN_SHEET"): the sheet body (by its body
 * reference, BREF_*) and two offset expressions.
 *
 * Extrusions ("EXTRUDED"): the sweep method (SWEEP_METHOD_*), the profile
 * (curves, and edges kept by their references), the taper angle, the two
 * limits and the two offsets as expressions (each may be missing), the
 * region point with its flag, the direction, the boolean sign and up to
 * two trimming faces (by their references).
 *
 * C routines (journalled) for the interface. Checks: a dead tag raises
 * HOST_ERR_DEAD_TAG, a live object that is no feature
 * FEAT_ERR_NOT_A_FEATURE, a feature without a definition of the kind asked
 * FEAT_ERR_BAD_PARAMETERS, a null pointer HOST_ERR_NULL_ARGUMENT, a set,
 * index or room out of range HOST_ERR_BAD_ARGUMENT.
 */
#ifndef HOST_FEATURE_FREEFORM_DEFS_H
#define HOST_FEATURE_FREEFORM_DEFS_H

#include "host/model/feature/profiles.h"

#define SKIN_KIND_SWEEP       1
#define SKIN_KIND_CURVE_MESH  2
#define SKIN_KIND_THRU_CURVES 3
#define SKIN_KIND_RULED       4
#define SKIN_KIND_BPLANE      5

/* String sets of a skin feature. */
#define SKIN_SET_FIRST         1
#define SKIN_SET_SECOND        2
#define SKIN_SET_SINGLE        3
#define SKIN_SET_FIRST_METHOD  4
#define SKIN_SET_SECOND_METHOD 5

#define SKIN_N_PARAMS     5
#define SKIN_N_BOUNDARIES 4

/* Sweep methods of an extrusion: plain (101, 102), trimmed between faces
 * (105 from a face, 106 to a face, 107 and 108 between two). */
#define SWEEP_METHOD_EXTRUDE      101
#define SWEEP_METHOD_EXTRUDE_PLAIN 102
#define SWEEP_METHOD_TRIM_FROM    105
#define SWEEP_METHOD_TRIM_TO      106
#define SWEEP_METHOD_TRIM_BETWEEN 107
#define SWEEP_METHOD_TRIM_THROUGH 108

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* The faces of a skin feature's boundaries (SKIN_ask_faces). */
typedef struct SKIN_faces_s {
    int storage;                    /* below 2: refs[i] is boundary i's face */
    int numf[SKIN_N_BOUNDARIES];    /* faces per boundary (packed storage) */
    int n_refs;                     /* face references in refs */
    unsigned int* refs;             /* SM_alloc; 0 entries: no face */
    int continuity[SKIN_N_BOUNDARIES];
} SKIN_faces_t;

/* The skin kind of the feature (SKIN_KIND_*). */
int SKIN_ask_skin_kind(unsigned int feature);
/* The number of strings and of objects of a string set (0, 0 for a set
 * the feature lacks). */
void SKIN_ask_string_size(unsigned int feature, int set, int* n_strings, int* n_objects);
/* Writes the string set into a list made for it: the list's count is the
 * strings it has room for, `room` the objects its object array holds; a
 * set that does not fit raises HOST_ERR_BAD_ARGUMENT before anything is
 * written. The count becomes the set's number of strings. */
void SKIN_fill_string_list(unsigned int feature, int set, int room, CMP_strings_t* strings);
void SKIN_ask_params(unsigned int feature, int params[SKIN_N_PARAMS]);
/* The expression of method value `index` (from 0). */
unsigned int SKIN_ask_value_exp(unsigned int feature, int index);
void SKIN_ask_record_exps(unsigned int feature, unsigned int exps[3]);
int SKIN_ask_options(unsigned int feature);
int SKIN_ask_alignment_method(unsigned int feature);
/* Fills the record; its refs array is the caller's to free (SM_free). */
void SKIN_ask_faces(unsigned int feature, SKIN_faces_t* faces);

/* Thickened sheets: the body reference of the sheet and the expressions of
 * the first and second offset. */
unsigned int THICKEN_SHEET_ask_sheet_bref(unsigned int feature);
void THICKEN_SHEET_ask_offsets(unsigned int feature, unsigned int exps[2]);

/* ---- Extrusions ---- */
/* The analysed parameters of an extrusion: texts are SM_alloc'd copies of
 * the formulas, null where the extrusion holds none. */
typedef struct SWEEP_ap_s {
    int method;                    /* SWEEP_METHOD_* */
    unsigned char sign;            /* boolean sign (FEAT_SIGN_*) */
    char* taper;
    char* limits[2];
    char* offsets[2];
    struct {
        unsigned char set;
        double point[3];
    } region;
    double direction[3];
    unsigned int trim_frefs[2];    /* face references, 0 where none */
} SWEEP_ap_t;

/* One object of an extrusion's profile: a curve (object) or an edge by its
 * reference (eref, object 0). */
typedef struct SWEEP_gref_s {
    unsigned int object;
    unsigned int eref;
} SWEEP_gref_t;

/* 1 when the feature is an extrusion, else 0 (dead tags raise). */
int SWEEP_is_an_extruded_frec(unsigned int feature);
/* A new block of the extrusion's analysed parameters, hung on the
 * extrusion's record (recorded for undo) until SWEEP__free_ap; an
 * extrusion that has a block hung already raises HOST_ERR_BAD_ARGUMENT. */
SWEEP_ap_t* SWEEP__ask_ap(unsigned int feature);
/* Frees the block with its texts and takes it off the record (recorded
 * for undo); a block that is not the one hung raises HOST_ERR_BAD_BLOCK. */
void SWEEP__free_ap(unsigned int feature, SWEEP_ap_t* ap);
/* The profile's objects (ATT_gref), SM_alloc. */
void SWEEP_ask_profile_grefs(unsigned int feature, int* count, SWEEP_gref_t** grefs);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace host::freeform {

using tag_t = unsigned int;
using Strings = host::profiles::Strings;

// What a skin feature is made from (the creators' inputs, by value).
struct SkinDefinition {
    int kind = SKIN_KIND_SWEEP;
    Strings first, second;
    std::optional<Strings> single;
    std::optional<Strings> method_curves[2];
    std::array<int, SKIN_N_PARAMS> params{};
    std::vector<std::string> values;  // formulas of the method values
    std::array<std::string, 3> record{"0.0254", "0.5", "0.02"};
    unsigned char options = 0;
    int alignment = 0;
    // Face constraints (see the head of this file): face objects, 0 for none.
    int face_storage = 0;
    std::vector<tag_t> faces;
    std::array<int, SKIN_N_BOUNDARIES> faces_per_boundary{};
    std::array<int, SKIN_N_BOUNDARIES> continuity{};
};

struct ThickenDefinition {
    tag_t sheet = 0;  // a sheet body
    std::string first_offset = "0", second_offset = "0";
};

struct ExtrusionDefinition {
    int method = SWEEP_METHOD_EXTRUDE_PLAIN;
    std::vector<tag_t> profile;  // curves and edges
    std::optional<std::string> taper;
    std::optional<std::string> limits[2], offsets[2];
    bool region_set = false;
    std::array<double, 3> region{};
    std::array<double, 3> direction{0, 0, 1};
    int sign = 0;
    std::array<tag_t, 2> trim_faces{};  // faces, 0 for none
};

// The type text of a skin kind's records ("" for no skin kind).
const char* type_of_skin(int kind);
inline constexpr const char* kThickenType = "THICKEN_SHEET";
inline constexpr const char* kExtrusionType = "EXTRUDED";

// Makes a feature record of the part holding the definition: 0 or a code
// (an expression's code; FEAT_ERR_NOT_A_PART; FEAT_ERR_BAD_PARAMETERS for
// a skin kind out of range, a face, sheet or edge that is none, a
// storage without a slot per boundary, packed faces that disagree with
// their counts); nothing is left on failure.
int create_skin(tag_t part, const SkinDefinition& definition, tag_t* feature);
int create_thicken(tag_t part, const ThickenDefinition& definition, tag_t* feature);
// Puts back the definition of a thickened sheet read from a part file: the
// sheet body and the expressions of the two offsets.
void restore_thicken(tag_t feature, tag_t sheet, tag_t first, tag_t second);
int create_extrusion(tag_t part, const ExtrusionDefinition& definition, tag_t* feature);

// Puts a skin feature on the body it made (step 0, sign FEAT_SIGN_NEW) or
// on the target its body was combined with (its step of the target's
// recipe, the consumed tool body and the boolean sign).
void attach_body(tag_t feature, tag_t body, tag_t tool, int step, int sign);

// The definition a skin feature keeps: its kind, string sets (the live
// curves and edges it is made from), parameter integers, method value
// formulas and option byte; nothing for a feature without one.
std::optional<SkinDefinition> skin_definition(tag_t feature);
// The values of the skin feature's method value expressions, in order.
std::vector<double> skin_values(tag_t feature);
// The skin feature whose parameters are these expressions (0: none): the
// feature service builds a record from its expressions alone.
tag_t skin_of_exps(const std::vector<tag_t>& exps);
// What the feature's strings were when its body was last made (empty until
// then): the update makes the body again when they differ.
std::vector<double> skin_built_from(tag_t feature);
void set_skin_built_from(tag_t feature, std::vector<double> print);

// True when the feature has a definition of that sort.
bool is_skin(tag_t feature);
bool is_thicken(tag_t feature);
bool is_extrusion(tag_t feature);
// True while an extrusion has a block of analysed parameters hung on it.
bool has_analysed_block(tag_t feature);

}  // namespace host::freeform
#endif

#endif
