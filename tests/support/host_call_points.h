// The host calls that a clean run of a library call made, for tests that
// raise a host error at each of them in turn (one run per call, each from
// the same start) without the fault simulation's forked runs.
#ifndef TESTS_SUPPORT_HOST_CALL_POINTS_H
#define TESTS_SUPPORT_HOST_CALL_POINTS_H

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/control/control.h"

namespace kxtest {

// The calls of the journal (since it was last cleared) in order, each with
// its occurrence counted from 1, as host::control::raise_on takes them; the
// error service's own bookkeeping (ERROR_...) is left out: it does not fail.
inline std::vector<std::pair<std::string, int>> host_call_points() {
    std::vector<std::pair<std::string, int>> points;
    std::map<std::string, int> seen;
    for (const std::string& name : host::control::call_names())
        if (name.rfind("ERROR_", 0) != 0) points.emplace_back(name, ++seen[name]);
    return points;
}

}  // namespace kxtest

#endif
