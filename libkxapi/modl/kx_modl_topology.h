// Steps shared by the face and edge topology queries: the class checks,
// the occurrence context, the kernel entity of a face or edge, the
// kernel's connected entities and their conversion to tags. Internal to
// the library.
#ifndef KX_MODL_KX_MODL_TOPOLOGY_H
#define KX_MODL_KX_MODL_TOPOLOGY_H

#include <vector>

#include "kx_modl.h"

namespace kx::modl::topology {

inline constexpr int kFace = 2;
inline constexpr int kEdge = 3;
inline constexpr int kBody = 0;

// 0 for a live object of entity type 70 and the subtype; 875027 for a tag
// of no live object, `wrong_class` for another object.
int check_entity(tag object, int subtype, int wrong_class);

// Where a query works: on the prototype of an occurrence, whose answers go
// back into its part occurrence.
struct Context {
    tag prototype = NULL_TAG;
    tag part_occurrence = NULL_TAG;  // NULL_TAG: no occurrence
    bool occurrence() const { return part_occurrence != NULL_TAG; }
    // The tag handed out for a tag of the prototype's part.
    tag out(tag object) const;
};

// The context of a face or edge. An occurrence whose prototype is not
// loaded raises 1105024 ("Error code %d from <function>").
Context enter(tag object, const char* function);

// The kernel entity of a face or edge (of an occurrence: its prototype's);
// none raises 875288.
int kernel_entity(tag object);

// The entities of class cls connected to the kernel entity, in the
// kernel's order; answers 0 or the kernel's code (and then no entities).
int connected(int entity, int cls, std::vector<int>& out);

// The tags of kernel entities in the context (0 for an entity that has
// none).
std::vector<tag> tags_of(const std::vector<int>& entities, const Context& context);

// Hands a list of tags to the caller: null for none.
tag_list* list_or_null(const std::vector<tag>& tags);

// The features of a face (KX_MODL_ask_face_feats) as a status and tags.
int face_features(tag face, std::vector<tag>& out);

// The faces or edges a face or edge was split into (the split queries):
// ask is the host's split query of the class.
int split(tag object, int subtype, int wrong_class, const char* function,
          void (*ask)(unsigned int, int*, unsigned int**), int* count, tag** pieces);

// The live face or edge of a recorded one (the alive queries), through the
// host's reference routines of the class.
struct References {
    int (*kernel_tag)(unsigned int reference);          // the kernel entity a reference stands for
    unsigned int (*reference_of)(unsigned int object);  // the current reference of an object
    unsigned int (*object_of)(unsigned int reference);  // the live identifier of a reference
};
int alive(tag object, int subtype, int wrong_class, const References& refs, tag* live);

}  // namespace kx::modl::topology

#endif
