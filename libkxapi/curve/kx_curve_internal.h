// Steps shared by the curve functions: the type of an object, the refusal
// of smart objects, the bracket of a model change, the tail of an edit and
// the matrix of a curve. Internal to the library.
#ifndef KX_CURVE_KX_CURVE_INTERNAL_H
#define KX_CURVE_KX_CURVE_INTERNAL_H

#include <utility>

#include "host/store/entities/display.h"
#include "host/store/entities/edit_log.h"
#include "host/store/entities/entity_types.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "kx_types.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"

namespace kx::curve {

inline constexpr int kNotPoint = KX_CURVE_ERR_NOT_POINT;
inline constexpr int kNotLine = KX_CURVE_ERR_NOT_LINE;
inline constexpr int kNotArc = KX_CURVE_ERR_NOT_ARC;
inline constexpr int kNotMatrix = KX_CURVE_ERR_NOT_MATRIX;
inline constexpr int kSweepTooLarge = KX_CURVE_ERR_SWEEP_TOO_LARGE;
inline constexpr int kStartAfterEnd = KX_CURVE_ERR_START_AFTER_END;
inline constexpr int kNotConic = KX_CURVE_ERR_NOT_CONIC;
inline constexpr int kDegenerateConic = KX_CURVE_ERR_DEGENERATE_CONIC;
inline constexpr int kStartOutOfRange = KX_CURVE_ERR_START_OUT_OF_RANGE;
inline constexpr int kHeightsDiffer = KX_CURVE_ERR_HEIGHTS_DIFFER;
inline constexpr int kBadConicType = KX_CURVE_ERR_BAD_CONIC_TYPE;
inline constexpr int kNoBranch = KX_CURVE_ERR_NO_BRANCH;
inline constexpr int kSmartObject = KX_SO_ERR_CANNOT_EDIT;
inline constexpr int kDegenerate = KX_MODL_ERR_DEGENERATE;
inline constexpr int kNoCircle = KX_HOST_ERR_NO_CIRCLE;
inline constexpr int kBadCurve = KX_MODL_ERR_WRONG_OBJECT;

// The host memory of one call: what it took is released to its mark when
// a host error ends the call (the library frees nothing while an error
// unwinds: the frame's failure step calls release).
struct CallMemory {
    int mark = 0;
    void set() { mark = SM_set_mark(); }
    void release() {
        if (mark != 0) SM_free_to_mark(mark);
        mark = 0;
    }
};

// Entity type and subtype of an object; {0, 0} for NULL_TAG or a tag of no
// live object (no host error).
struct TypeOf {
    int type = 0;
    int subtype = 0;
};
TypeOf type_of(tag object);

// True for a live object of the entity store (state 3); false for NULL_TAG
// and for a tag whose object was deleted, which the store's state query
// would not answer (it raises on them). The curve functions answer 875027
// for an object that is not live.
bool is_live(tag object);

// 1995000 when the object is a smart object, else 0.
int refuse_smart(tag object);

// The first tests of an edit: a smart object is refused with 1995000, an
// object of another entity type than `type` with `code`; else 0.
int refuse_edit(tag object, int type, int code);

// The matrix of an arc or conic (ES_ask_matrix_tag_of_entity).
tag matrix_of(tag object);

// Removes a curve made for the length of a call (an edge's copy ...)
// through the delete list, as every curve goes.
void delete_temporary(tag curve);

// The tail of every edit: display, sketch, update log.
void edit_tail(tag object);

// A change of the model under an undo mark of visibility 1 without a name:
// rolled back when the change fails (status or host error); the mark is
// deleted in every case.
template <class Change>
int model_change(Change&& change) {
    return undo_bracket(1, nullptr, std::forward<Change>(change));
}

// A new curve object under a model-change mark: make(out) creates it
// through the host's entity service, then its display is regenerated.
template <class Make>
int create(tag* out, Make&& make) {
    return create_bracketed(1, out, [&] {
        make(out);
        DSS_REGEN_regen_object(*out);
        return 0;
    });
}

// An edit of a curve object under a model-change mark: the object's
// coordinate system is activated, store() hands the new data to the host,
// then the edit tail runs.
template <class Store>
int edit(tag object, Store&& store) {
    return model_change([&] {
        CS2_activate_cs_of_object(object);
        store();
        edit_tail(object);
        return 0;
    });
}

}  // namespace kx::curve

#endif
