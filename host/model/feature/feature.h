/* Feature records, the update service and the host's feature deletion.
 *
 * A feature is an object of class OM_CLASS_FEATURE (entity type 205) of a
 * part with a record: its kind ("BLOCK", "HOLE" ...), the features it
 * builds on (parents), the objects it made (results) and, for a kind the
 * host can build (register_kind: BLOCK, CYLINDER, BLEND below; later kinds
 * register themselves), its model:
 *   - its parameters: system expressions ("p<n>", host/model/expr/expr.h) whose
 *     formulas may name the part's other expressions, and fixed numbers
 *     (an origin, an axis);
 *   - the body it lives on (its target, a body object) and its step of
 *     that body's recipe in the solid kernel (host/kernel/engine/kernel.h); the
 *     tool of a boolean is consumed by it;
 *   - the faces and edges it works on, by their kernel tags: these keep
 *     their identity through regenerations (the kernel names the faces and
 *     edges an operation makes again the way it made them), so a blend
 *     finds its edges after the block it sits on changed size, and a face
 *     or edge that a later feature took away (a blended edge) comes back
 *     with its tag when that feature is suppressed;
 *   - suppression by the user or by an expression (active while the
 *     expression's value is 1, suppressed at any other value), the
 *     browseable, controlled and meta flags.
 * Records are part of the model: undo marks roll them back together with
 * the expressions and the bodies.
 *
 * Time order: the features of a part in the order they were made, changed
 * by reorders; a feature's time stamp is its place in that order counted
 * from 1, and its display name is the kind and the stamp: "BLOCK(1)". The
 * current feature (FREC_make_current_feature) is the last active one: the
 * features after it are left out of the model (as if suppressed) until a
 * later one is made current.
 *
 * The update (UPDATE_do_update, host::feature::update): a feature is out of
 * date when the values of its expressions differ from those its body was
 * built with, when it was suppressed, unsuppressed or moved, or when
 * UPDATE_log_object_to_update logged it. Each body with an out-of-date
 * feature is made again through the kernel from the first such feature on,
 * in time order; the steps before it keep their results. Then the part's
 * geometric expressions are measured again. A feature that fails raises
 * FEAT_ERR_UPDATE_FAILED with a text naming it ("BLEND(3) failed to update:
 * ..."); the model is then as it was before the update (the caller's undo
 * mark, if any, is left as it was) and last_failure() tells the feature and
 * the kernel's code. Kinds that make curves rather than bodies
 * (Kind::regenerate: the trim curves of host/apps/modeling/trimcurve/trim_curves.h) make
 * their results again at every update, after the bodies of their part.
 *
 * Deletion goes through a host object list:
 *   KI_crlist(kind, &list)            a new empty list (kind 10001: features
 *                                     to delete); answers 0 or a status
 *   KI_free_list(list)                frees the list (its objects stay)
 *   CM_ask_object_of_eid(tag)         the modeller's object of a tag (its
 *                                     persistent entity id)
 *   CM_ptcmtgli(list, 0, 1, object)   appends one object to the list
 *   ui_delete_feature_(&list, &status) deletes the listed features with
 *                                     their dependents; writes the status
 * The listed ids are looked up in the work part first (open parts may
 * share entity ids), else in any part.
 * The deletion takes the features one at a time, in time order, each
 * through FEAT_delete_one (journalled; a test may script it to raise, or
 * to answer a status, which stops the deletion there). Deleting a feature
 * that made a body deletes the body; deleting one that edits a body takes
 * its step out of the body's recipe (the body is made again without it).
 * A feature marked undeletable (host::feature::set_undeletable) stops the
 * deletion with FEAT_ERR_UNDELETABLE when its turn comes; the features
 * deleted before it stay deleted (the caller's undo mark restores them).
 *
 * Checks: a dead tag raises HOST_ERR_DEAD_TAG, a null pointer
 * HOST_ERR_NULL_ARGUMENT, an unknown list or a bad position or count
 * HOST_ERR_BAD_ARGUMENT, a live object that is no feature where one is
 * needed FEAT_ERR_NOT_A_FEATURE. Codes written by the deletion (the host's
 * internal band): FEAT_ERR_NOT_A_FEATURE for a listed object that is not a
 * live feature, FEAT_ERR_UNDELETABLE. An empty list deletes nothing and
 * writes 0. The feature band's codes: host/model/feature/codes.h.
 */
#ifndef HOST_FEATURE_FEATURE_H
#define HOST_FEATURE_FEATURE_H

#include "host/base/services/codes.h"
#include "host/store/entities/host_lists.h"
#include "host/model/feature/codes.h"


#define HOST_FEATURE_OBJECT_CODES(X)                                 \
    X(FEAT_ERR_NOT_A_FEATURE, 670301, "The object is not a feature") \
    X(FEAT_ERR_UNDELETABLE, 670302, "The feature cannot be deleted")
HOST_CODE_CONSTANTS(HOST_FEATURE_OBJECT_CODES);

/* Boolean operations of a feature with its target (0: a new body). */
#define FEAT_SIGN_NEW       0
#define FEAT_SIGN_UNITE     1
#define FEAT_SIGN_SUBTRACT  2
#define FEAT_SIGN_INTERSECT 3

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

unsigned int CM_ask_object_of_eid(unsigned int object);
void CM_ptcmtgli(int list, int position, int count, unsigned int object);
void ui_delete_feature_(int* list, int* status);
/* One step of the deletion: deletes the feature and the objects it made;
 * answers 0. */
int FEAT_delete_one(unsigned int feature);

/* Makes a feature of a registered kind in the part: its parameters as
 * formulas (one per parameter of the kind), its fixed numbers, the faces or
 * edges it works on (objects), its target body (object, 0 for none) and its
 * boolean sign; the body is built at once. Answers 0 or a code (an
 * expression's code, the kernel's code of a failed build, a code of the
 * feature band); nothing is left on failure. */
int FEAT_create(unsigned int part, const char* kind, int n_formulas, const char* const formulas[], int n_numbers,
                const double numbers[], int n_refs, const unsigned int refs[], unsigned int target, int sign,
                unsigned int* feature);

/* Gives a built feature that edits a body other faces or edges to work on
 * (objects of its body, the count its kind takes; none keeps the ones it
 * has) and other fixed numbers
 * (the count its kind takes), and logs it for the next update, which makes
 * its step again with them. Answers 0 or a code: FEAT_ERR_NOT_A_FEATURE,
 * FEAT_ERR_BAD_PARAMETERS for counts its kind does not take or a feature
 * that makes its body, FEAT_ERR_BAD_REFERENCE for a reference that is no
 * face or edge of its body. */
int FEAT_redefine(unsigned int feature, int n_refs, const unsigned int refs[], int n_numbers, const double numbers[]);

/* ---- records ---- */
/* The kind ("BLOCK") and the display name ("BLOCK(3)"), SM_alloc. */
char* FREC_ask_feature_type(unsigned int feature);
char* FREC_ask_name(unsigned int feature);
int FREC_ask_time_stamp(unsigned int feature);
/* 1 when a is later in time order than b, -1 when earlier, 0 the same. */
int FREC_sort_frecs(unsigned int a, unsigned int b);
/* The feature of the display name in the part, 0 for none. */
unsigned int FREC_ask_frec_from_name(unsigned int part, const char* name);
/* The feature's expressions (system ones), SM_alloc; answers 0. */
int FREC_ask_system_exps_of_frec(unsigned int feature, int* count, unsigned int** exps);
/* The feature's expressions with a descriptor each (SM_alloc'd arrays of
 * objects and of SM_alloc'd texts); answers 0. */
int FMI_invoke_ask_exps(unsigned int feature, unsigned int** objects, char*** descriptors, int* count);
/* The feature's parameter object: a record whose first 16-bit word is its
 * class in the host's class tree ("FEATURE_parms_c", and under it one
 * class per kind: "BLOCK_parms_c" ...), with the feature's parameters as
 * named attributes (the kind's descriptors) and their expressions. Owned by
 * the host; valid until the next call for the same feature. Null for a
 * feature of no kind the host builds. */
typedef struct FREC_parms_s {
    unsigned short cls;
    int count;
    const char* const* names;
    const unsigned int* exps;
} FREC_parms_t;
const FREC_parms_t* FREC_ask_parms_of_frec(unsigned int feature);
/* The expression of the named parameter, 0 for no such parameter. */
unsigned int FREC_ask_parm_exp(unsigned int feature, const char* name);
/* The body object the feature lives on (0 for none) and its tool. */
unsigned int FREC_ask_body(unsigned int feature);
unsigned int FREC_ask_tool_of_frec(unsigned int feature);
/* Parents and children (features), SM_alloc. */
void FREC_ask_parents(unsigned int feature, int* count, unsigned int** parents);
void FREC_ask_children(unsigned int feature, int* count, unsigned int** children);
/* The part's features in time order, SM_alloc. */
void FREC_ask_features_of_part(unsigned int part, int* count, unsigned int** features);
/* The features of the body (object) in time order, SM_alloc. */
void FREC_ask_body_features(unsigned int body, int* count, unsigned int** features);
void FREC_ask_out_of_date_features_of_part(unsigned int part, int* count, unsigned int** features);
int FREC_is_browseable(unsigned int feature);
int FREC_is_a_controlled_frec(unsigned int feature);
int FREC_is_a_meta_frec(unsigned int feature);
int FREC_is_suppressed(unsigned int feature);
/* Suppression by the user (on 1) or not (0): answers 0 or a code; the
 * body changes at the next update. */
int FREC_set_suppressed(unsigned int feature, int on);
/* Active while the expression's value is 1, suppressed at any other
 * value (exp 0: no longer). */
int FREC_set_suppression_exp(unsigned int feature, unsigned int exp);
/* Moves the feature just before (after 0) or after (after 1) the
 * reference feature in time order: 0 or a code. */
int FREC_reorder(unsigned int feature, unsigned int reference, int after);
/* Makes the feature the current one (0: the part's last) and updates:
 * 0 or the update's code (the model stays as before on failure). */
int FREC_make_current_feature(unsigned int feature);
unsigned int FREC_ask_current_feature(unsigned int part);
/* The text of the last failed update, "" when none (a static text). */
const char* FREC_ask_update_failure_message(void);

/* ---- face and edge references ---- */
/* The reference of a face (edge) object is the kernel's persistent tag of
 * the face (edge): it resolves to the face (edge) object that carries the
 * identity after any regeneration, 0 while no face (edge) has it (one
 * that a later feature took away). 0 for an object of no face (edge). */
unsigned int FREF_ask_fref_of_face(unsigned int face);
unsigned int FREF_ask_face_of_fref(unsigned int fref);
unsigned int EREF_ask_eref_of_edge(unsigned int edge);
unsigned int EREF_ask_edge_of_eref(unsigned int eref);
/* The face (edge) object of a reference, as FREF_ask_face_of_fref. */
unsigned int FREF_ask_jq_eid_of_fref(unsigned int fref);
unsigned int EREF_ask_jq_eid_of_eref(unsigned int eref);
/* The same through the association service, and the kernel tag a
 * reference stands for. */
unsigned int ASSO_ask_jq_eid_of_fref(unsigned int fref);
unsigned int ASSO_ask_jq_eid_of_eref(unsigned int eref);
int ASSO_ask_zr_tag_of_fref(unsigned int fref);
int ASSO_ask_zr_tag_of_eref(unsigned int eref);
/* Body references: a feature's body is referred to by its body object. */
unsigned int BREF_ask_bref_of_frec(unsigned int feature);
unsigned int BREF_ask_jqeid_of_bref(unsigned int bref);
/* The body's features in time order, SM_alloc (FREC_ask_body_features). */
void BREF_ask_all_frecs_of_bref(unsigned int bref, int* count, unsigned int** features);
/* The object of an entity id in the work part (else any part), 0 for none:
 * the inverse of CM_ask_object_of_eid. */
unsigned int CM_ask_eid_of_object(unsigned int eid);
/* The feature's face or edge references (kernel tags), SM_alloc. */
void FREC_ask_references(unsigned int feature, int* count, int** refs);

/* ---- update ---- */
/* Logs a feature as out of date (other objects: nothing). */
void UPDATE_log_object_to_update(unsigned int object);

/* The feature among whose results the object is (a datum, a point ...);
 * 0 for none. */
unsigned int MODL_ask_feature_of_rm_entity(unsigned int entity);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <functional>
#include <string>
#include <vector>

#include "host/base/services/error.h"

namespace host {
class Call;
}

namespace host::feature {

using tag_t = unsigned int;

struct Record {
    std::string kind;
    std::vector<tag_t> parents;
    std::vector<tag_t> results;
    bool undeletable = false;
    // The model of a built kind (body 0: a plain record).
    std::vector<tag_t> exps;      // its parameters' expressions
    std::vector<double> numbers;  // its fixed numbers
    std::vector<int> refs;        // faces or edges it works on (kernel tags)
    std::vector<double> built;    // parameter values the body was built with
    tag_t body = 0;               // the body object it lives on
    tag_t tool = 0;               // a boolean's tool body object (consumed)
    int step = -1;                // its step of the body's recipe
    int sign = FEAT_SIGN_NEW;
    bool suppressed = false;
    tag_t suppress_exp = 0;
    bool built_skipped = false;  // left out when the body was last built
    bool out_of_date = false;
    // Read from a part file, not yet made again through the kernel: refs
    // are then the places of the faces and edges in the body before it
    // (ZQ_BODY_ask_step_refs) and step its step as saved.
    bool detached = false;
    bool browseable = true;
    bool controlled = false;
    bool meta = false;
};

constexpr int kAnyNumbers = -1;

// A kind of feature the host can build.
struct Kind {
    std::string name;
    std::vector<std::string> parameters;  // descriptors of its expressions
    int numbers = 0;                      // fixed numbers it takes
                                          // (kAnyNumbers: any count)
    int refs_min = 0, refs_max = 0;       // faces or edges it takes
    bool needs_target = false;
    // Builds the feature's step (sets body, step, tool) from the values; a
    // kernel failure raises.
    void (*build)(const Call& call, Record& record, const std::vector<double>& values);
    // The step's kernel numbers (index, value) for parameter values.
    std::vector<std::pair<int, double>> (*kernel_numbers)(const Record& record, const std::vector<double>& values);
    // A kind whose features make objects other than bodies (curves) from
    // other objects (its build is null): every update makes the feature's
    // results again from its parents and parameters, after the bodies, in
    // time order; a failure raises (the update fails naming the feature).
    void (*regenerate)(const Call& call, tag_t feature) = nullptr;
    // The last `derived` parameters may follow from the others (a cone's
    // half angle from its diameters and height): a creation that gives
    // formulas for the leading parameters only gets the formulas of the
    // rest from derive, which takes the names of the leading parameters'
    // expressions. The build does not read them.
    int derived = 0;
    std::vector<std::string> (*derive)(const std::vector<std::string>& names) = nullptr;
};
void register_kind(const Kind& kind);
const Kind* find_kind(const std::string& name);

// Creates a plain feature of the part (a live part) building on the
// parents (live features) and owning the results (live objects).
tag_t create(tag_t part, const std::string& kind, std::vector<tag_t> parents = {}, std::vector<tag_t> results = {});
// FEAT_create in C++ terms.
int create_built(tag_t part, const std::string& kind, const std::vector<std::string>& formulas,
                 const std::vector<double>& numbers, const std::vector<tag_t>& refs, tag_t target, int sign,
                 tag_t* feature);
// The record of a live feature, or null.
const Record* find(tag_t feature);
void set_undeletable(tag_t feature, bool on);
// The objects the feature made now (live objects).
void set_results(tag_t feature, std::vector<tag_t> results);
// A record that the feature browser does not show (a sketch's internal
// record), one that another record controls, a meta record (of a set or a
// user-defined feature).
void set_flags(tag_t feature, bool browseable, bool controlled, bool meta);
std::string display_name(tag_t feature);
std::vector<tag_t> features_of_part(tag_t part);  // time order
// Features whose parameters or suppression use the expression, time order.
std::vector<tag_t> features_using(tag_t exp);
// True when the feature is left out of the model now.
bool is_inactive(tag_t feature);
// Runs the update of every part's features (UPDATE_do_update does).
void update();
// Adds a service whose objects follow the model at every update, after the
// bodies are made again and before smart objects follow: `follow` raises
// when its objects cannot follow (the update then fails and the model is
// as before it).
void add_follower(void (*follow)());
// A body that a later feature took in whole (a sew's tool sheet): its
// features are not made again on their own. A taker answers whether it took
// the body of `feature` (is_taken), and puts `made`, the body made again
// from the feature's definition, in place of the one it took (take: true
// when it did; the body it puts it into is regenerated).
struct Taker {
    bool (*is_taken)(tag_t feature);
    bool (*take)(tag_t feature, int made);
};
void add_taker(Taker taker);
// True when a taker took the body the feature made.
bool is_taken(tag_t feature);
// A feature that its service makes again from its definition (the
// followers of sheets and skins): true when it has a body or step to put
// the new body in, its own or a taker's.
bool can_be_made_again(tag_t feature, const Record& r);
// Puts `made`, the feature's body made again from its definition, in its
// place: the first step of the feature's body, its step of the target, or
// the taker's step; the body it went into is regenerated.
void put_made_again(tag_t feature, const Record& r, int made);
// Makes the bodies of the part's features read from a file again through
// the kernel (from the values they were built with), so that later edits
// regenerate them step by step; the bodies keep the objects read with them.
// Nothing to do once done. Raises on failure, naming the feature.
void attach(tag_t part);

struct Failure {
    tag_t feature = 0;
    int code = 0;  // the kernel's (or expression's) code
    std::string text;
};
const Failure& last_failure();

// Runs f under a frame of its own (the error service's).
using host::caught;

// The objects of a host list, in order (empty for an unknown list).
inline std::vector<tag_t> list_objects(int list) { return host::lists::objects(list); }
inline int list_kind(int list) { return host::lists::kind(list); }  // 0 for an unknown list
inline int list_count() { return host::lists::count(); }           // host lists not freed yet

}  // namespace host::feature
#endif

#endif
