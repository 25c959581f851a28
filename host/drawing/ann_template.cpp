// Annotations that show attributes, and their update after an attribute
// changes.
#include "host/drawing/ann_template.h"

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host/hook.h"
#include "host/model.h"
#include "host/services/error.h"
#include "host/services/objects.h"

namespace host::ann_template {
namespace {

struct State {
    std::set<std::pair<unsigned int, std::string>> references;
    int updates = 0;
};
struct Component : ModelComponent {
    State s;
    const char* name() const override { return "annotation templates"; }
    std::shared_ptr<const void> snapshot() const override { return std::make_shared<State>(s); }
    void restore(const void* p) override { s = *static_cast<const State*>(p); }
    void reset() override { s = State{}; }
};
Component& component() {
    static Component* c = [] {
        auto* made = new Component;
        register_model_component(made);
        return made;
    }();
    return *c;
}
const bool registered = (component(), true);

}  // namespace

void add_reference(unsigned int object, const std::string& title) { component().s.references.emplace(object, title); }
int updates() { return component().s.updates; }

}  // namespace host::ann_template

extern "C" int ANN_TMP_update_object_attribute(unsigned int object, TEXT_p_t title) {
    auto call = HOST_ENTRY("ANN_TMP_update_object_attribute", object, title);
    int status;
    if (call.status(status)) return status;
    if (!title) ERROR_raise("ANN_TMP_update_object_attribute", 0, HOST_ERR_NULL_ARGUMENT, "null title");
    host::objects::require(object);
    std::vector<char> buffer(static_cast<std::size_t>(TEXT_strlen(title)) + 1);
    TEXT_strcpy(buffer.data(), title);
    auto& s = host::ann_template::component().s;
    const bool shown = s.references.count({object, std::string(buffer.data())}) != 0;
    if (shown) ++s.updates;
    return shown ? 1 : 0;
}
