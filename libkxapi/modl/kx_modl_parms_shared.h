// Steps shared by the feature parameter queries. Internal to the library.
#ifndef KX_MODL_KX_MODL_PARMS_SHARED_H
#define KX_MODL_KX_MODL_PARMS_SHARED_H

#include <vector>

#include "host/model/feature/feature_parms.h"
#include "kx_types.h"

namespace kx::modl::parms {

// The kinds a query takes, by their names ("SIMPLE HOLE"): a record's
// class must be one of theirs (with `subclasses`, or under one of them).
// With `master`, an instance of a deleted instance set answers for its
// master; with `bracket`, the texts are read inside an unnamed undo mark.
struct Kind {
    std::vector<const char*> classes;
    bool master = false;
    bool bracket = false;
    bool subclasses = false;
};

// The initial master of an instance whose instance set is deleted, when
// it has one; any other tag as it is. Runs under the caller's frame.
tag master_of(tag feature);
// Fills the record of the feature (its master, as the kind says) and
// answers true when it is of the kind; false (record unspecified) for a
// tag of no feature or a record of another kind.
bool record_of(tag feature, const Kind& kind, FPARMS_record_t* record);

}  // namespace kx::modl::parms

#endif
