// Steps shared by the redefinition of feature references. Internal to the
// library.
#ifndef KX_MODL_KX_MODL_REDEF_SHARED_H
#define KX_MODL_KX_MODL_REDEF_SHARED_H

#include "kx_codes.h"
#include "kx_types.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"

namespace kx::modl::redef {

inline constexpr int kHostError = KX_MODL_ERR_NO_FACE_RANGE;        // 875030
inline constexpr int kMissing = KX_MODL_ERR_INVALID_FEATURE;        // 875008
inline constexpr int kWrongType = KX_MODL_ERR_WRONG_OBJECT;         // 875033
inline constexpr int kNoKernelFace = KX_MODL_ERR_NO_KERNEL_ENTITY;  // 875288
inline constexpr int kSolidType = 70;
inline constexpr int kFaceSubtype = 2;
inline constexpr int kEdgeSubtype = 3;
inline constexpr int kDatumPlaneType = 197;

// The entity type and subtype of a live object (0 0 for a null or dead tag).
void type_of(tag object, int* type, int* subtype);
bool is_face(tag object);
bool is_edge(tag object);
bool is_datum_plane(tag object);
bool has_kernel_entity(tag object);
// The face (edge) reference of a face (edge) object, 0 for none.
unsigned int fref_of(tag face);
unsigned int eref_of(tag edge);
// The face or edge object of a reference, or the datum plane of a datum
// plane's reference (NULL_TAG for none).
tag entity_of(unsigned int ref);
// The checks a new face takes against the feature, in their order; the
// code of the last one that fails (st when none does). A check that needs
// the reference is skipped without one.
int check_reference(tag feature, unsigned int ref, int st, bool body_test = true);
// The checks of a face the caller gives (as parameter `position`), stopping
// at the first that fails: null (the parameter's code), no object 875027,
// not a face 875033, no kernel face 875288, no reference 875008, the
// feature's target face 875307 (target 0: none), another body 875166,
// newer than the feature 875167. 0 with the reference in *ref.
int check_new_face(tag feature, tag face, int position, unsigned int target, unsigned int* ref);

// The frame of the reattaching functions and the reference queries: an
// unnamed mark around the checks and the change, rolled back on a host
// error; a host error answers 875030 in place of its own code.
template <class Prologue, class Work>
int reference_frame(Prologue&& prologue, Work&& work) {
    bool caught = false;
    const int st = kx::frame(kx::standard, kx::on_error([&] { caught = true; }), prologue,
                             [&] { return kx::undo_bracket(1, nullptr, work); });
    return caught ? kHostError : st;
}

}  // namespace kx::modl::redef

#endif
