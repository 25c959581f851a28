// The steps that the smart-object functions share: the frame of a creator,
// of a question and of a logged edit, the transform check and the reading
// of defining data. Every one arms its error frame before the
// initialisation check and tests its tag and pointer arguments by position
// before any host call.
//
// Internal to the library.
#ifndef KX_SO_INTERNAL_H
#define KX_SO_INTERNAL_H

#include <cstring>
#include <initializer_list>

#include "host/store/entities/edit_log.h"
#include "host/store/entities/entity_store.h"
#include "host/base/services/objects.h"
#include "host/model/smart/smart.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"

namespace kx::so {

// A creator: the checks in the order of their codes, then the host call
// that answers the new object.
template <class F>
int create(std::initializer_list<kx::Arg> checks, tag* result, F make) {
    return kx::frame(
        kx::arm_first, [&] { return kx::check(checks); },
        [&] {
            *result = make();
            return 0;
        });
}

// A question or an edit without logging.
template <class F>
int ask(std::initializer_list<kx::Arg> checks, F work) {
    return kx::frame(
        kx::arm_first, [&] { return kx::check(checks); },
        [&] {
            work();
            return 0;
        });
}

// The same where the work answers the status.
template <class F>
int ask_status(std::initializer_list<kx::Arg> checks, F work) {
    return kx::frame(
        kx::arm_first, [&] { return kx::check(checks); }, work);
}

// An edit of an object's values: its children follow at the next update.
// The store and the update log go under one invisible mark, so that a log
// that fails takes the new values back too.
template <class F>
int set_logged(tag object, std::initializer_list<kx::Arg> checks, F work) {
    return ask_status(checks, [&] {
        return kx::edit_with_tail([&] {
            work();
            UPDATE_log_entity_to_update(object);
            return 0;
        });
    });
}

// 0 for a transform the queries accept, else the code: a live object of
// the smart transform class that is no smart object in its own right, or
// one whose parameters are those of a transform.
inline int xform_check(tag t, int code) {
    if (t == NULL_TAG || TAG_ask_pointer_of_tag(t) == nullptr) return code;
    if (!SO_is_subclass(t)) return code;
    const OM_class_t cls = OM_ask_class_of_name("XFORM_c");
    if (cls == 0 || !OM_is_subclass(OM_ask_class(t), cls)) return code;
    if (!SO_is_so(t)) return 0;
    SO_parms_t parms;
    SO_ask_parms(t, &parms);
    return parms.parms_class && std::strcmp(parms.parms_class, "XFORM_parms_c") == 0 ? 0 : code;
}

// The record of a method on a face (a direction, a curvature): its face
// and the scalars of the place are given, the kind is 0 to last_kind, and
// the last kind has its reference.
template <class Record>
bool face_record_ok(const Record* d, int last_kind) {
    return d && d->surface != NULL_TAG && d->first != NULL_TAG && d->second != NULL_TAG && d->kind >= 0 &&
           d->kind <= last_kind && (d->kind != last_kind || d->reference != NULL_TAG);
}

// The defining data of a smart object: 0 with *parms filled when they are
// of the expected class. At a raised checking level another class is an
// assertion of the module at the line; otherwise it answers 875058, so
// that no reader copies out data of another kind.
inline int read_parms(tag object, const char* expected, const char* module, int line, SO_parms_t* parms) {
    *parms = SO_parms_t{};
    SO_ask_parms(object, parms);
    const bool same = parms->parms_class && std::strcmp(parms->parms_class, expected) == 0;
    kx::check_assert(same, module, line, "the parameters are of the expected class");
    return same ? 0 : SO_ERR_WRONG_PARMS;
}

}  // namespace kx::so

#endif
