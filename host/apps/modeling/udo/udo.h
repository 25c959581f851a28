/* The host's user-defined-object service: classes that programs define,
 * the routines (methods) they register for them, the objects of those
 * classes (entity type 191) with their data, links and owned objects, and
 * the features that stand for them (feature records of kind "UDO").
 *
 * Classes: UDOBJ_create_class answers a new class id (1, 2, ...); a class
 * name must be new and not empty (else HOST_ERR_BAD_ARGUMENT); the friendly
 * name may be null. Classes live for the session (a reset of the host drops
 * them).
 *
 * Methods: kinds 0 display, 1 delete, 2 update, 3 select, 4 fit, 5
 * attention point, 6 information. The host calls the display-like kinds
 * (0, 3, 4, 5) as int routine(unsigned int udo, struct display_context_s*
 * context) and the others as int routine(unsigned int udo). Each call runs
 * under an error frame of the host's own: an error raised in the routine is
 * noted on the host log ("udo <line>: ...") and its code answered, never
 * passed on; a non-zero answer of the routine is answered as it stands. The
 * display routine of every object of the work part is called on each
 * regeneration of the graphics window (DISPLAY_regenerate). The
 * delete routine is called when an object of the class has died (its tag
 * no longer names a live object); the object's links and ownership are
 * dropped after.
 *
 * Data of an object: integers, strings and doubles of four kinds (plain,
 * length, area, volume: the kind values UDOBJ_KIND_*), each an ordered list.
 * Adding appends; editing replaces every value of the list (the count stays);
 * UDOBJ_delete_records(udo, kind, first, count) removes count values from
 * index first (0-based).
 *
 * Links: records {type 1..4, linked object, view, status}. A link to an
 * object that dies gets status 1 and its object's status becomes 1 (out of
 * date). UDOBJ_find_and_set_link takes the host's link code of the type
 * (UDOBJ_LINK_CODE_1 ... 4). UDOBJ_edit_link(udo, link, index) replaces the
 * link at index; UDOBJ_edit_links(udo, links, count, first) replaces count
 * links from index first; UDOBJ_delete_link removes the links of that type
 * to that object. Owning links make the object own others (an object has at
 * most one owner; an owned object is linked to its owner).
 *
 * Queries that hand back arrays (UDOBJ_ask_links_of_object,
 * UDOBJ_ask_owned_objects) allocate them with SM_alloc (null when empty);
 * UDOBJ_ask_udo_class_name hands back an SM_alloc copy. UDOBJ_ask_udo_data
 * fills the caller's record with copies that live in one SM_alloc block,
 * which UDOBJ_free_udo_data frees (the record is cleared); a record without
 * any values holds no block.
 *
 * Answers: functions answering int answer 0 or HOST_ERR_BAD_ARGUMENT for a
 * value out of range (a class id, a kind, an index, a count, a link type);
 * a tag of no live object, or one that is not a user-defined object where
 * one is needed, raises HOST_ERR_DEAD_TAG or HOST_ERR_WRONG_CLASS; a null
 * pointer raises HOST_ERR_NULL_ARGUMENT.
 */
#ifndef HOST_UDO_UDO_H
#define HOST_UDO_UDO_H

#define HOST_TYPE_UDO 191

#define UDOBJ_KIND_INTEGERS 90368
#define UDOBJ_KIND_STRINGS  410404
#define UDOBJ_KIND_DOUBLES  201606048
#define UDOBJ_KIND_LENGTHS  201598240
#define UDOBJ_KIND_AREAS    201598336
#define UDOBJ_KIND_VOLUMES  201598368

#define UDOBJ_LINK_CODE_1 0x84022663u
#define UDOBJ_LINK_CODE_2 0x90022683u
#define UDOBJ_LINK_CODE_3 0x9C022723u
#define UDOBJ_LINK_CODE_4 0x880274C3u

#define UDOBJ_METHOD_DISPLAY   0
#define UDOBJ_METHOD_DELETE    1
#define UDOBJ_METHOD_UPDATE    2
#define UDOBJ_METHOD_SELECT    3
#define UDOBJ_METHOD_FIT       4
#define UDOBJ_METHOD_ATTENTION 5
#define UDOBJ_METHOD_INFO      6

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

struct display_context_s;

typedef void (*UDOBJ_method_fn)(void);
typedef int (*UDOBJ_context_method_fn)(unsigned int udo, struct display_context_s* context);
typedef int (*UDOBJ_plain_method_fn)(unsigned int udo);

typedef struct UDOBJ_link_s {
    int link_type;
    unsigned int assoc_object;
    unsigned int object_view;
    int status;
} UDOBJ_link_t;

typedef struct UDOBJ_data_s {
    unsigned int class_id;
    int num_ints;
    int* ints;
    int num_doubles;
    double* doubles;
    int num_lengths;
    double* lengths;
    int num_areas;
    double* areas;
    int num_volumes;
    double* volumes;
    int num_strings;
    char** strings;
    int num_links;
    UDOBJ_link_t* links;
} UDOBJ_data_t;

unsigned int UDOBJ_create_class(const char* name, const char* friendly_name);
unsigned char UDOBJ_is_class_valid(unsigned int class_id);
const char* UDOBJ_ask_class_name(unsigned int class_id);
const char* UDOBJ_ask_friendly_name(unsigned int class_id); /* null when none */
int UDOBJ_register_method(unsigned int class_id, int kind, UDOBJ_method_fn routine);

int UDOBJ_create_udo(unsigned int class_id, unsigned int* udo);
int UDOBJ_create_udo_feature(unsigned int class_id, unsigned int* udo, unsigned int* feature);
int UDOBJ_create_udo_feature_from_udo(unsigned int udo, unsigned int* feature);
int UDOBJ_edit_udo_of_udo_feature(unsigned int udo, unsigned int feature);
unsigned char UDOBJ_is_udo_feature(unsigned int object);
unsigned int UDOBJ_ask_udo_feature_of_udo(unsigned int udo); /* 0 when none */
unsigned int UDOBJ_ask_udo_of_udo_feature(unsigned int feature);
int UDOBJ_ask_udo_data(unsigned int udo, UDOBJ_data_t* data);
int UDOBJ_free_udo_data(UDOBJ_data_t* data);
int UDOBJ_ask_udo_class_name(unsigned int udo, char** name);
/* *udo: 0 to start; the next object of the class in the part after it, 0 at the end. */
int UDOBJ_cycle_udos_by_class(unsigned int part, unsigned int class_id, unsigned int* udo);
int UDOBJ_version_udo(unsigned int udo, int version);
void UDOBJ_set_status(unsigned int udo, int status);

int UDOBJ_add_integers(unsigned int udo, int count, const int* values);
int UDOBJ_add_doubles(unsigned int udo, int kind, int count, const double* values);
int UDOBJ_add_strings(unsigned int udo, int count, char* const* strings);
int UDOBJ_edit_integers(unsigned int udo, const int* values);
int UDOBJ_edit_doubles(unsigned int udo, int kind, const double* values);
int UDOBJ_edit_strings(unsigned int udo, char* const* strings);
int UDOBJ_delete_records(unsigned int udo, int kind, int first, int count);

int UDOBJ_add_links(unsigned int udo, int count, const UDOBJ_link_t* links);
int UDOBJ_add_owning_links(unsigned int udo, int count, const unsigned int* objects);
int UDOBJ_edit_link(unsigned int udo, const UDOBJ_link_t* link, int index);
int UDOBJ_edit_links(unsigned int udo, const UDOBJ_link_t* links, int count, int first);
int UDOBJ_delete_link(unsigned int udo, const UDOBJ_link_t* link);
int UDOBJ_delete_owning_link(unsigned int udo, unsigned int owned);
unsigned char UDOBJ_is_linked_to_udo(unsigned int object);
unsigned char UDOBJ_is_owned(unsigned int object);
int UDOBJ_ask_links_of_object(unsigned int object, unsigned int** udos);
void UDOBJ_ask_owning_udo(unsigned int object, unsigned int* owner);
int UDOBJ_ask_owned_objects(unsigned int udo, unsigned int** objects);
int UDOBJ_set_owned_object_selection(unsigned int udo, int selection);
void UDOBJ_find_and_set_link(unsigned int udo, unsigned int link_code, unsigned int linked, int status);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <optional>
#include <vector>

#include "host/model/display/context.h"

namespace host::udo {
using tag_t = unsigned int;

// What the host keeps of an object (no host call journalled); null when the
// tag is no user-defined object.
struct Info {
    unsigned int class_id;
    int status;
    int version;
    int owned_selection;
    std::vector<UDOBJ_link_t> links;
    std::vector<tag_t> owned;
    tag_t owner;
    tag_t feature;
};
std::optional<Info> info(tag_t udo);

// The host asks an object's routines. Each answers the routine's answer (0
// when the class has no routine of the kind) and leaves the mode's record
// as the primitives left it.
int display(tag_t udo, DSS_display_record_t& record);
int fit(tag_t udo, DSS_fit_record_t& record);
int pick(tag_t udo, DSS_pick_record_t& record);
int select_area(tag_t udo, DSS_area_record_t& record);
int attention_point(tag_t udo, DSS_attention_record_t& record);
int update(tag_t udo);
int information(tag_t udo);
// A context of any mode (the mode checks of the primitives).
int call_with_context(tag_t udo, int kind, int mode, void* record);

}  // namespace host::udo
#endif

#endif
