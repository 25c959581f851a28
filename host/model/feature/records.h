// Inside of the feature service: the tables that feature.cpp, update.cpp
// and the part-file section share, and the modelling families that build
// on the feature service (host/apps/modeling/) read.
#ifndef HOST_FEATURE_RECORDS_H
#define HOST_FEATURE_RECORDS_H

#include <map>
#include <utility>
#include <vector>

#include "host/model/feature/feature.h"
#include "host/base/model.h"

namespace host::feature::detail {

TagTable<Record>& records();
// The record to change (recorded for undo), or null.
Record* edit(tag_t feature);

// Time order and current feature of each part (model state).
struct Order {
    std::map<tag_t, std::vector<tag_t>> features;  // part -> time order
    std::map<tag_t, tag_t> current;                // part -> current feature (absent: the last)
};
const Order& order();
Order& change_order();

// The kernel tag of the feature's body (0 when it has none).
int body_entity(const Record& r);
// Parameter values now.
std::vector<double> values_of(const Record& r);

// Host lists (KI_crlist): appends an object, or replaces what the list
// holds; an unknown list raises HOST_ERR_BAD_ARGUMENT.
inline void list_append(const Call& call, int list, tag_t object) { host::lists::append(call, list, object); }
inline void list_replace(const Call& call, int list, std::vector<tag_t> objects) {
    host::lists::replace(call, list, std::move(objects));
}

// The body whose features attach() is making again (0 when none): the
// body read from the file, whose steps a kind's build may copy.
tag_t attaching_body();

// Places a primitive's new body (kernel tag `made`) as the record's sign
// says: as its own body (step 0), or as the tool of a boolean with the
// record's body (the target), which gets the boolean as its last step.
void place_primitive(const Call& call, Record& r, int made);

// The display name and a failure's text for a raise naming the feature.
[[noreturn]] void fail_naming(const Call& call, tag_t feature, int code, const std::string& text);

}  // namespace host::feature::detail

#endif
