/* Process-aid objects of the modelling library: weld and process-aid
 * datums and feature sets, each a feature record of the part.
 *
 * Set kinds are single bits (PROCESS_AID_KIND_*). A datum or a set of kind
 * k is a feature whose type name is "PROCESS_AID_SET_" followed by k in
 * upper-case hexadecimal ("PROCESS_AID_SET_4000000"). A datum holds a
 * source object, its link objects (objects that stand for it elsewhere, a
 * live object each), a section object with the datum's point, and a list
 * of attribute titles. A set holds a parent feature and children features:
 * it is a feature set of the host (host/apps/modeling/sets/feature_sets.h) whose
 * members are its children.
 * The records are model state (undo takes them back); a dead feature has
 * no process-aid record.
 *
 * The queries answer 0, FEAT_ERR_BAD_PARAMETERS for an object that is no
 * datum (no set in the two set queries) or a part that is none; null
 * outputs raise HOST_ERR_NULL_ARGUMENT. Arrays are of the host allocator
 * (SM_alloc; texts each of their own): the caller frees them.
 */
#ifndef HOST_PROCESS_AID_PROCESS_AID_H
#define HOST_PROCESS_AID_PROCESS_AID_H

#define PROCESS_AID_KIND_SPOT    0x1
#define PROCESS_AID_KIND_ARC     0x2
#define PROCESS_AID_KIND_SEAM    0x4
#define PROCESS_AID_KIND_LOCATOR 0x100
#define PROCESS_AID_KIND_CLAMP   0x200
#define PROCESS_AID_KIND_PIN     0x400
#define PROCESS_AID_KIND_GROUP   0x4000000
/* Every kind a datum mask may name. */
#define PROCESS_AID_KIND_ALL 0x7FFFFFF

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

typedef struct PROCESS_AID_datum_s {
    int kind; /* one kind bit */
    unsigned int source;
    int n_links;
    const unsigned int* links;
    unsigned int section; /* may be 0 */
    double point[3];
    int n_titles;
    const char* const* titles;
} PROCESS_AID_datum_t;

/* Makes a datum of the part; kind not a single bit within
 * PROCESS_AID_KIND_ALL, a dead source or link: FEAT_ERR_BAD_PARAMETERS. */
int PROCESS_AID_create_datum(unsigned int part, const PROCESS_AID_datum_t* data, unsigned int* datum);
/* Makes a feature set of the part with a parent (0 for none) and children
 * (live features). */
int PROCESS_AID_create_set(unsigned int part, int kind, unsigned int parent, int n_children,
                           const unsigned int* children, unsigned int* set);

/* The link objects of a datum (object: the datum or one of its links). */
int PROCESS_AID_ask_link_objects(unsigned int object, int* n_links, unsigned int** links);
/* The datum an object belongs to (the datum itself, a link or its
 * source), the datum's source and its kind. */
int PROCESS_AID_ask_source_object(unsigned int object, unsigned int* datum, unsigned int* source, int* kind);
/* The datums of the part whose kind is in the mask, time order, as an
 * array that ends with 0. */
int PROCESS_AID_ask_datums_in_part(unsigned int part, int mask, unsigned int** datums);
/* Everything of a datum at once. */
int PROCESS_AID_ask_datum_objects(unsigned int datum, unsigned int* source, int* n_links, unsigned int** links,
                                  unsigned int* section, int* kind, int* n_titles, char*** titles);
int PROCESS_AID_ask_section_of_datum(unsigned int datum, unsigned int* section, double point[3]);
/* The attribute titles of the datum. */
int PROCESS_AID_populate_attr_list(unsigned int datum, int* n_titles, char*** titles);
int PROCESS_AID_ask_parent_feature(unsigned int set, unsigned int* parent);
int PROCESS_AID_ask_children_features(unsigned int set, int* n_children, unsigned int** children);
/* The kind of a set or datum; 0 for any other object. */
int PROCESS_AID__ask_feat_type_of_set(unsigned int set);
/* The kind that a feature type name stands for; a name of no process-aid
 * kind: FEAT_ERR_BAD_PARAMETERS, *kind unchanged. */
int PROCESS_AID__ask_feat_set_type(const char* type_name, int* kind);
/* mode must be 0. *feature becomes the datum that the object is (or, with
 * search_links not 0, one of whose link objects it is); 0 when it is
 * none. Answers 0. */
int WELD_is_object_weld_or_datum(int mode, unsigned int object, int search_links, unsigned int* feature);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
