#include "host/store/entities/host_lists.h"

#include <map>
#include <utility>

#include "host/base/service_state.h"
#include "host/base/services/error.h"

namespace host::lists {

namespace {

struct List {
    int kind;
    std::vector<unsigned int> objects;
};
struct Lists {
    std::map<int, List> lists;
    int next = 1;
};
Lists& lists() { return service_state<Lists>("feature lists"); }
const bool registered = (lists(), true);

List& require_list(const Call& call, int list) {
    auto it = lists().lists.find(list);
    if (it == lists().lists.end()) call.fail(HOST_ERR_BAD_ARGUMENT, "%d is not a host list", list);
    return it->second;
}

}  // namespace

std::vector<unsigned int> objects(int list) {
    auto it = lists().lists.find(list);
    return it == lists().lists.end() ? std::vector<unsigned int>{} : it->second.objects;
}

int kind(int list) {
    auto it = lists().lists.find(list);
    return it == lists().lists.end() ? 0 : it->second.kind;
}

int count() { return static_cast<int>(lists().lists.size()); }

std::vector<unsigned int>& require(const Call& call, int list) { return require_list(call, list).objects; }

void append(const Call& call, int list, unsigned int object) { require(call, list).push_back(object); }

void replace(const Call& call, int list, std::vector<unsigned int> objects) {
    require(call, list) = std::move(objects);
}

}  // namespace host::lists

extern "C" {

int KI_crlist(int kind, int* list) {
    auto call = HOST_ENTRY(kind, list);
    call.need(list, "the list output");
    *list = 0;
    int status;
    if (call.status(status) && status != 0) return status;
    auto& all = host::lists::lists();
    const int id = all.next++;
    all.lists[id] = host::lists::List{kind, {}};
    *list = id;
    return 0;
}

void KI_free_list(int list) {
    auto call = HOST_ENTRY(list);
    host::lists::require_list(call, list);
    host::lists::lists().lists.erase(list);
}

}  // extern "C"
