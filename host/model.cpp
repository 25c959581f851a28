// Registry of model components and host services.
#include "host/model.h"

#include <utility>

#include "host/services/objects.h"

namespace host {

namespace {
std::vector<ModelComponent*>& components() {
    static std::vector<ModelComponent*> list;
    return list;
}
std::vector<std::pair<const char*, void (*)()>>& services() {
    static std::vector<std::pair<const char*, void (*)()>> list;
    return list;
}
}  // namespace

void register_model_component(ModelComponent* component) { components().push_back(component); }

void register_service_reset(const char* name, void (*fn)()) { services().emplace_back(name, fn); }

ModelSnapshot snapshot_model() {
    ModelSnapshot s;
    s.parts.reserve(components().size());
    for (ModelComponent* c : components()) s.parts.push_back(c->snapshot());
    return s;
}

void restore_model(const ModelSnapshot& snapshot) {
    auto& list = components();
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (i < snapshot.parts.size() && snapshot.parts[i])
            list[i]->restore(snapshot.parts[i].get());
        else
            list[i]->reset();
    }
}

void reset_model() {
    for (ModelComponent* c : components()) c->reset();
}

void reset_all() {
    reset_model();
    for (auto& [name, fn] : services()) fn();
}

int tag_table_listen(void (*drop)(void* table, unsigned int tag), void* table) {
    return objects::add_destroy_listener([drop, table](unsigned int t) { drop(table, t); });
}

}  // namespace host
