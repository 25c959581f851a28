/* The host's object store: every object of the model has a tag, a class, an
 * entity type and subtype, an owning part, a name, a persistent entity id and
 * a liveness flag. Deleted objects stay known as dead: their tags are never
 * handed out again.
 *
 * Classes form a single-inheritance tree of small integers. The host's own
 * classes are the constants below; other host parts add theirs with
 * host::objects::register_class (or find them by name).
 *
 * Persistent handles: "<dm name><file part>#<sub-file id, 8 hex>#<version,
 * 8 hex>". Data managers: 1 "NF" (native files), 2 "PD" (product data
 * manager). The handle of an object is composed from its part's data manager
 * and file name, its entity id as the sub-file identifier and its part's
 * version; an object without a part has data manager "NF" and an empty file.
 *
 * Checks: a tag of no live object raises HOST_ERR_DEAD_TAG, a null pointer
 * HOST_ERR_NULL_ARGUMENT, a malformed handle or unknown data-manager name
 * HOST_ERR_BAD_HANDLE, OM_check_tag_class of a wrong class HOST_ERR_WRONG_CLASS.
 * TAG_ask_pointer_of_tag answers NULL for no live object (it is the query),
 * TAG_ask_tag_of_handle_tol answers 0 for a handle of no loaded object.
 */
#ifndef HOST_SERVICES_OBJECTS_H
#define HOST_SERVICES_OBJECTS_H

typedef int OM_class_t;

/* The host's own classes (the tree: object > entity > ...). */
#define OM_CLASS_OBJECT     1 /* root of every class */
#define OM_CLASS_RM_ENTITY  2 /* RM_entity_c: model entities (curves, bodies, views ...) */
#define OM_CLASS_PART       3 /* a part (a child of object) */
#define OM_CLASS_FEATURE    4 /* a feature record (child of object) */
#define OM_CLASS_EXPRESSION 5 /* an expression (child of object) */
#define OM_CLASS_OCC_LW     6 /* OCC_light_weight_occ_c: light-weight occurrence (child of object) */

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

OM_class_t OM_ask_class(unsigned int object);
int OM_is_subclass(OM_class_t cls, OM_class_t ancestor);
void OM_check_tag_class(const char* module, int line, unsigned int object, OM_class_t cls);
OM_class_t OM_ask_class_of_name(const char* name); /* 0 when unknown */
const char* OM_ask_class_name(OM_class_t cls);     /* NULL when unknown */

unsigned char TAG_ask_dm_of_name(const char* name);
/* Writes at most three characters and a NUL into name. */
void TAG_ask_name_of_dm(unsigned char dm, char* name);
/* Returns a handle allocated with SM_alloc (free with SM_free). */
char* TAG_compose_handle(unsigned char dm, const char* file_part, unsigned int sub_file, unsigned int version);
/* *file_part receives a string allocated with SM_alloc. */
void TAG_decompose_handle(const char* handle, unsigned char* dm, char** file_part, unsigned int* sub_file,
                          unsigned int* version);
/* Returns a handle allocated with SM_alloc (free with SM_free). */
char* TAG_ask_handle_of_tag(unsigned int object);
unsigned int TAG_ask_tag_of_handle_tol(const char* handle);
void* TAG_ask_pointer_of_tag(unsigned int object);
/* The tag of a host object (a pointer TAG_ask_pointer_of_tag gave); raises
 * HOST_ERR_DEAD_TAG for a pointer of no live object. */
unsigned int OM_ask_tag(const void* object);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/base/export.h"

namespace host::objects {

using tag_t = unsigned int;

// An object's name. Most objects (the faces and edges of a body) have
// none, so the name takes the room of one pointer in the object's row and
// its characters live apart only when there are some. It reads as a
// constant string; it changes only by assignment.
class ObjectName {
public:
    ObjectName() = default;
    ObjectName(std::string_view s) { assign(s); }
    ObjectName(const ObjectName& o) { assign(o.view()); }
    ObjectName(ObjectName&&) noexcept = default;
    ObjectName& operator=(const ObjectName& o) {
        if (this != &o) assign(o.view());
        return *this;
    }
    ObjectName& operator=(ObjectName&&) noexcept = default;
    ObjectName& operator=(std::string_view s) {
        assign(s);
        return *this;
    }
    void assign(std::string_view s) { text_ = s.empty() ? nullptr : std::make_unique<std::string>(s); }

    const std::string& str() const { return text_ ? *text_ : empty_text(); }
    std::string_view view() const { return str(); }
    operator const std::string&() const { return str(); }
    operator std::string_view() const { return str(); }
    bool empty() const { return !text_; }
    std::size_t size() const { return str().size(); }
    const char* data() const { return str().data(); }
    const char* c_str() const { return str().c_str(); }
    friend bool operator==(const ObjectName& a, std::string_view b) { return a.view() == b; }

private:
    static const std::string& empty_text() {
        static const std::string none;
        return none;
    }
    std::unique_ptr<std::string> text_;
};

struct Object {
    tag_t tag = 0;
    OM_class_t cls = OM_CLASS_RM_ENTITY;
    int type = 0;
    int subtype = 0;
    tag_t part = 0;         // owning part, 0 for none
    std::uint32_t eid = 0;  // persistent entity id (the handle's sub-file id)
    ObjectName name;
    bool alive = true;  // last: the store keeps its own stamp in the room after it
};

struct NewObject {
    OM_class_t cls = OM_CLASS_RM_ENTITY;
    int type = 0;
    int subtype = 0;
    tag_t part = 0;
    std::string name = {};
};

struct PartInfo {
    std::string file;      // file part of the handle (the part's file name)
    unsigned char dm = 1;  // data manager ("NF")
    unsigned int version = 1;
};

// Creating and deleting. A part given in NewObject must be a live part;
// create marks a loaded part modified (objects read back from a file, made
// with create_with_eids, do not). New objects take entity ids in ascending
// order; the counter never reaches the reserved id 0xFFFFFFFF and never
// wraps: once the ids are used up, create raises HOST_ERR_NO_MEMORY.
tag_t create(const NewObject& spec);
tag_t create_part(const std::string& file, unsigned char dm = 1);
// Creates objects that keep the entity ids they were saved with (objects
// read back from a part file), in the order given, all or none. Entity ids
// are the persistent half of a handle, so each must be unique within its
// part: an id that a live object of the same part (the part itself
// included) has already, or that two of the given objects share, raises
// HOST_ERR_BAD_ARGUMENT and creates nothing; so do ids 0 and 0xFFFFFFFF.
// The entity-id counter moves past every id given, so objects created later
// never reuse one.
struct KeptObject {
    NewObject spec;
    std::uint32_t eid = 0;
};
std::vector<tag_t> create_with_eids(const std::vector<KeptObject>& objects);
tag_t create_with_eid(const NewObject& spec, std::uint32_t eid);
// Moves the entity-id counter past `eid` (before creating a part whose
// objects will bring their own ids, so that the part's new id is none of
// theirs).
void reserve_eids(std::uint32_t eid);
// Marks the object dead (a part: its objects too) and tells the listeners.
void destroy(tag_t object);
// The note of a change: called with each object created (once per run of
// objects of one part read back). The part service registers itself here at
// start-up (it marks the object's loaded part modified).
void set_change_note(void (*note)(tag_t object));

// Lookups: find answers null for no live object; require raises
// HOST_ERR_DEAD_TAG for it. Objects change through the functions below
// (they record the object's state for undo and keep the indexes).
const Object* find(tag_t object);
const Object& require(tag_t object);
HOST_API bool is_alive(tag_t object);
void set_name(tag_t object, std::string_view name);
void set_type(tag_t object, int type, int subtype);
const PartInfo* part_info(tag_t part);           // null when not a live part
PartInfo& require_part(tag_t part);              // to change
std::vector<tag_t> objects_of_part(tag_t part);  // live objects, in creation order
std::vector<tag_t> live_objects();               // in creation order
std::vector<tag_t> objects_of_type(int type);    // live objects of the entity type, in creation order
// The first live object of the part made after `after` (0: from the start)
// that `accept` takes, or 0; without walking the objects before it.
tag_t next_of_part(tag_t part, tag_t after, const std::function<bool(const Object&)>& accept);
// The same among the objects whose name equals `name` without regard to
// case (through the index of names: it does not walk the part).
tag_t next_named(tag_t part, std::string_view name, tag_t after, const std::function<bool(const Object&)>& accept);
// Entity ids are unique within a part only: parts saved in different
// sessions and opened together may share ids. The live object with the id
// in `part` (the part object itself included) when one there has it, else
// the first one made with it in any part; 0 for none.
tag_t tag_of_eid(std::uint32_t eid, tag_t part);
// The tag the next object made will get. Tags are handed out in ascending
// sequence and never again, not even after a restore took their objects
// away (only a reset of the host starts them anew): every object made after
// this was read has a tag at or above it, and the value has moved on since.
tag_t next_tag();

// Classes.
OM_class_t register_class(const std::string& name, OM_class_t parent);
// True when cls is ancestor or one of its subclasses (OM_is_subclass
// without a journal record).
bool is_subclass(OM_class_t cls, OM_class_t ancestor);

// Called with the tag of every object that dies (destroy), so that tables
// keyed by tag drop their rows. Returns an id for remove_destroy_listener.
int add_destroy_listener(std::function<void(tag_t)> fn);
void remove_destroy_listener(int id);
// Called with the tag of every object that dies after the listeners (so
// that they still find its rows): the model's tables of rows drop theirs
// (host/base/model.h sets it).
void set_row_drop(void (*fn)(tag_t));

}  // namespace host::objects
#endif

#endif
