// Where a form feature (hole, boss, pocket, pad, slot, groove) stands, as
// its record keeps it: the place the update, the positioning and the
// feature's parameters read, whichever family made the feature
// (host/apps/modeling/form/ builds them).
#ifndef HOST_FEATURE_FORM_PLACE_H
#define HOST_FEATURE_FORM_PLACE_H

#include <vector>

#include "host/model/feature/feature.h"

namespace host::feature::form {

// A form feature's fixed numbers: location, direction, X direction, 1 when
// placed on a face of its body (its first reference) or 0 on a datum plane,
// and the count of through faces (its last references). Records of the
// first kinds keep location and direction only (six numbers): placed on
// their first reference, through faces after it.
constexpr int kNumbers = 11;

// Whether the record is a form feature built on its body: its fixed
// numbers hold its place.
bool is_built_form(const Record& r);

// What a hole or slot runs through: a face of its body (a kernel face; the
// tool runs past its plane) or a datum plane (the tool ends on it).
struct Bound {
    int face = 0;
    unsigned int plane = 0;
};

struct Place {
    double at[3];                // the location, moved by the feature's positioning
    double dir[3];               // unit
    double xdir[3];              // unit, across dir (any such when none was given)
    bool on_face;                // placed on its first reference
    std::vector<Bound> through;  // the through faces, then the datum planes
};
Place place_of(const Call& call, const Record& r);
// The Y direction of the place: dir x xdir.
void y_direction(const Place& p, double y[3]);

// The datum planes a form feature being made runs to (the record no
// feature holds yet), while its creator builds it; the creator sets them
// and clears them when done.
std::vector<unsigned int>& planes_being_made();

}  // namespace host::feature::form

#endif
