// Routines shared by the form-feature creators and the other feature
// creators of the library: the process-wide positioning routine and its
// protected call, the face-reference and edge lists handed to the host,
// the user's directions, the datum-plane placement and the road every form
// feature is made on. Internal to the library.
#ifndef KX_MODL_CRE_FEAT_SHARED_H
#define KX_MODL_CRE_FEAT_SHARED_H

#include <functional>
#include <string>

#include "kx_types.h"

namespace kx::modl {

// A user routine run on each new form feature: 0 keeps the feature, any
// other answer takes it back.
using rpo_routine_t = int (*)(tag feature);

// The registered routine (null: none). Not guarded: one creation at a time.
void set_rpo_routine(rpo_routine_t routine);
rpo_routine_t rpo_routine();

// Runs the registered routine on the feature in the user-program run-time
// environment, under a frame of its own: 0 without a routine; an error
// raised inside the routine is noted on the host log and counts as 0.
int run_rpo_routine(tag feature);

// Records the vector as the user's X direction (and the user's Z direction
// in mode 1, flag false) and clears words 19 and 20 of the module root.
void remember_user_directions(const double direction[3]);
// A host list (kind 10001) holding the face's reference: 0, or 875008 for a
// tag of no object, 875288 for a face without a kernel face, 670077 for one
// without a reference, the host's code when the list cannot be made.
int make_face_reference_list(tag face, int* list);
// A host list (kind 10003) of the kernel tags of the listed edges (tags of
// no object are skipped): 0, 875008 for an edge without a kernel edge, or
// the host's code.
int make_edge_kernel_list(tag_list* edges, int* list);
// 1 when the object is a datum plane (its list made, kind 10001), else 0
// (the list untouched). With a direction the part needs a current target
// solid (raises 672178 without one), and a plane whose normal runs with the
// direction records the user's Z direction with the flag true.
int datum_plane_placement(tag object, const double* direction, int* list);

// Three coordinate texts of a vector, "%.15g" each.
struct Coordinates {
    std::string text[3];
    const char* ptr[3];
    explicit Coordinates(const double v[3]);
};

// The location and direction checks of every placed creator (argument 1
// and 2); an X direction (argument 3) when given.
int check_placement(const double location[3], const double direction[3], const double* x_direction = nullptr);

// The roads of the placed creators.
enum class Road { groove, pocket, slot, hole, pad, boss };
struct Placed {
    Road road;
    const char* mark;
    const double* direction;  // for the datum-plane placement
    tag placement;
    tag thru1 = NULL_TAG;
    tag thru2 = NULL_TAG;
    const double* user_direction = nullptr;  // remembered (null: direction)
};
// Sets the mark, hands the placement and through faces to the host's list
// slots, runs host_call (which writes the host's status), runs the
// positioning routine and the finishing step on the new feature and writes
// it to *feature; any failure rolls back to the mark. The slots are empty
// again and the lists destroyed when it returns.
int create_placed(const Placed& how, tag* feature, const std::function<void(int*)>& host_call);

}  // namespace kx::modl

#endif
