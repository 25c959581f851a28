// Feature records, host object lists and the feature deletion.
#include "host/feature/feature.h"

#include <algorithm>
#include <map>
#include <set>

#include "host/core/entity_types.h"
#include "host/data/parts.h"
#include "host/hook.h"
#include "host/model.h"
#include "host/service_state.h"
#include "host/services/error.h"
#include "host/services/objects.h"

namespace host::feature {
namespace {

TagTable<Record> records("features");

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
    if (it == lists().lists.end())
        call.fail(HOST_ERR_BAD_ARGUMENT, "%d is not a host list", list);
    return it->second;
}

void require_live(const char* function, unsigned int object) {
    if (!objects::is_alive(object))
        ERROR_raise(function, 0, HOST_ERR_DEAD_TAG, "%s: tag %u is not a live object", function, object);
}

}  // namespace

unsigned int create(unsigned int part, const std::string& kind, std::vector<unsigned int> parents,
                    std::vector<unsigned int> results) {
    for (unsigned int p : parents)
        if (!find(p))
            ERROR_raise("host::feature::create", 0, HOST_ERR_DEAD_TAG, "host::feature::create: %u is not a feature", p);
    for (unsigned int r : results) require_live("host::feature::create", r);
    const unsigned int t = objects::create({OM_CLASS_FEATURE, HOST_TYPE_FEATURE, 0, part, kind});
    records[t] = Record{kind, std::move(parents), std::move(results), false};
    return t;
}

const Record* find(unsigned int feature) {
    return objects::is_alive(feature) ? records.find(feature) : nullptr;
}

void set_undeletable(unsigned int feature, bool on) {
    if (Record* r = objects::is_alive(feature) ? records.edit(feature) : nullptr) r->undeletable = on;
}

std::vector<unsigned int> list_objects(int list) {
    auto it = lists().lists.find(list);
    return it == lists().lists.end() ? std::vector<unsigned int>{} : it->second.objects;
}

int list_kind(int list) {
    auto it = lists().lists.find(list);
    return it == lists().lists.end() ? 0 : it->second.kind;
}

int list_count() { return static_cast<int>(lists().lists.size()); }

}  // namespace host::feature

namespace hf = host::feature;

extern "C" {

int KI_crlist(int kind, int* list) {
    auto call = HOST_ENTRY(kind, list);
    call.need(list, "the list output");
    *list = 0;
    int status;
    if (call.status(status) && status != 0) return status;
    const int id = hf::lists().next++;
    hf::lists().lists[id] = hf::List{kind, {}};
    *list = id;
    return 0;
}

void KI_free_list(int list) {
    auto call = HOST_ENTRY(list);
    hf::require_list(call, list);
    hf::lists().lists.erase(list);
}

unsigned int CM_ask_object_of_eid(unsigned int object) {
    auto call = HOST_ENTRY(object);
    call.live(object);
    return host::objects::find(object)->eid;
}

void CM_ptcmtgli(int list, int position, int count, unsigned int object) {
    auto call = HOST_ENTRY(list, position, count, object);
    hf::List& l = hf::require_list(call, list);
    if (position != 0 || count != 1)
        call.fail(HOST_ERR_BAD_ARGUMENT, "only appending one object is supported (position %d, count %d)", position, count);
    l.objects.push_back(object);
}

int FEAT_delete_one(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    int status;
    if (call.status(status) && status != 0) return status;
    const hf::Record* r = hf::find(feature);
    if (!r) call.fail(HOST_ERR_DEAD_TAG, "%u is not a live feature", feature);
    const std::vector<unsigned int> results = r->results;
    for (unsigned int o : results)
        if (host::objects::is_alive(o)) host::objects::destroy(o);
    host::objects::destroy(feature);
    return 0;
}

void ui_delete_feature_(int* list, int* status) {
    auto call = HOST_ENTRY(list, status);
    if (!list || !status)
        call.fail(HOST_ERR_NULL_ARGUMENT, "an argument is null");
    const hf::List& l = hf::require_list(call, *list);
    *status = 0;

    // The listed features, then every feature that builds on one of them.
    std::set<unsigned int> doomed;
    for (unsigned int eid : l.objects) {
        // Features are deleted in the work part: an id that another open
        // part shares names the work part's feature.
        const unsigned int t = host::objects::tag_of_eid(eid, host::parts::work_part());
        if (t == 0 || !hf::find(t)) {
            *status = FEAT_ERR_NOT_A_FEATURE;
            return;
        }
        doomed.insert(t);
    }
    const std::vector<unsigned int> all = host::objects::objects_of_type(HOST_TYPE_FEATURE);  // creation order
    for (bool grew = true; grew;) {
        grew = false;
        for (unsigned int t : all) {
            const hf::Record* r = doomed.count(t) ? nullptr : hf::find(t);
            if (r && std::any_of(r->parents.begin(), r->parents.end(), [&](unsigned int p) { return doomed.count(p) > 0; })) {
                doomed.insert(t);
                grew = true;
            }
        }
    }
    for (unsigned int t : all) {
        if (!doomed.count(t)) continue;
        const hf::Record* r = hf::find(t);
        if (!r) continue;  // went with an earlier one
        if (r->undeletable) {
            *status = FEAT_ERR_UNDELETABLE;
            return;
        }
        if (int st = FEAT_delete_one(t); st != 0) {
            *status = st;
            return;
        }
    }
}

}  // extern "C"
