// Sets of objects: ids into a table of the service, dropped at a reset.
#include "host/base/services/sets.h"

#include <algorithm>
#include <map>
#include <vector>

#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"

namespace {

struct Sets {
    std::map<int, std::vector<unsigned int>> sets;
    int next = 1;
};
Sets& sets() {
    static Sets s;
    return s;
}
const bool registered = (host::register_service_reset("object sets", [] { sets() = Sets{}; }), true);

std::vector<unsigned int>& require(const host::Call& call, int set) {
    auto it = sets().sets.find(set);
    if (it == sets().sets.end()) call.fail(HOST_ERR_BAD_ARGUMENT, "%d is no set", set);
    return it->second;
}

}  // namespace

namespace host::objects {
int set_count() { return static_cast<int>(sets().sets.size()); }
}  // namespace host::objects

extern "C" {

int OM_create_set(void) {
    [[maybe_unused]] auto call = HOST_ENTRY();
    const int id = sets().next++;
    sets().sets[id];
    return id;
}

void OM_add_to_set(int set, unsigned int object) {
    auto call = HOST_ENTRY(set, object);
    std::vector<unsigned int>& s = require(call, set);
    if (std::find(s.begin(), s.end(), object) == s.end()) s.push_back(object);
}

void OM_flatten_set(int set, int* count, unsigned int** objects) {
    auto call = HOST_ENTRY(set, count, objects);
    call.need(count, "the count output");
    call.need(objects, "the objects output");
    const std::vector<unsigned int>& s = require(call, set);
    *count = static_cast<int>(s.size());
    *objects = nullptr;
    if (s.empty()) return;
    *objects = static_cast<unsigned int*>(SM_alloc(s.size() * sizeof(unsigned int)));
    std::copy(s.begin(), s.end(), *objects);
}

void OM_delete_set(int set) {
    auto call = HOST_ENTRY(set);
    require(call, set);
    sets().sets.erase(set);
}

}  // extern "C"
