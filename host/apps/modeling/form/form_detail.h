// Inside of the host's form features: the tools of their places
// (host/model/feature/form_place.h) and the shared road of the creators.
// Only the modelling families include it.
#ifndef HOST_FEATURE_FORM_DETAIL_H
#define HOST_FEATURE_FORM_DETAIL_H

#include <string>
#include <vector>

#include "host/model/feature/feature.h"
#include "host/model/feature/form_place.h"

namespace host::feature::form {

// How far a tool starts outside the placement face (and runs past a through
// face), so that it shares no face with the body.
constexpr double kLead = 1.0;

// How far the tool runs past the bound.
inline double lead_past(const Bound& b) { return b.plane != 0 ? 0.0 : kLead; }

// The distance from the location along dir to the plane of a through face
// or datum plane (crossing dir).
double through_distance(const Call& call, const Bound& bound, const double at[3], const double dir[3]);

// Builds a form tool (host/kernel/ops/tool_shapes.h) of the numbers and makes it
// a step of the feature's body: subtracted, or united when `unite`.
void build_tool(const Call& call, Record& r, const std::vector<double>& tool, bool unite);
// The parameter texts joined by commas, for the host's journal.
std::string joined(int n, const char* const parms[]);
// The kernel numbers of a form tool: every number at its index.
std::vector<std::pair<int, double>> all_numbers(const std::vector<double>& tool);

void need_positive(double v, const char* what);
void need_not_negative(double v, const char* what);
// An angle in degrees within [0, limit).
double need_angle(double degrees, double limit, const char* what);

// A tool's frame numbers: form, origin, Z axis, X axis, z0, length.
std::vector<double> tool_head(int form, const Place& p, const double z[3], const double x[3], double at, double length);
void add_point(std::vector<double>& tool, double a, double b, double k = 0);

// The shared road of the creators: reads the location, direction and X
// direction texts (X may be null), checks the placement (a face of one of
// the types allowed, or a datum plane with a current target when
// `datum_ok`) and the through faces (faces of the same body), and makes the
// feature; writes the status and remembers the feature for
// FORMF_ask_created_frec.
void create(const Call& call, const char* kind, const char* const location[3], const char* const direction[3],
            const char* const xdirection[3], int n_parms, const char* const parms[], unsigned int placement,
            const std::vector<unsigned int>& through, const std::vector<int>& face_types, bool datum_ok,
            const std::vector<double>& extra, int* status);

// The faces that the link and trim or through slots of the host hold now
// (form_slots.cpp): 0 when a slot is empty.
unsigned int link_object();
unsigned int trim_object();
unsigned int thru_object(int which);

}  // namespace host::feature::form

#endif
