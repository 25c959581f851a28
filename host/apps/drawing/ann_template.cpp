// Annotations that show attributes, and their update after an attribute
// changes.
#include "host/apps/drawing/ann_template.h"

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace host::ann_template {
namespace {

struct State {
    std::set<std::pair<unsigned int, std::string>> references;
    int updates = 0;
};
State& state() { return model_state<State>("annotation templates"); }
const bool registered = (state(), true);

}  // namespace

void add_reference(unsigned int object, const std::string& title) { state().references.emplace(object, title); }
int updates() { return state().updates; }

}  // namespace host::ann_template

extern "C" int ANN_TMP_update_object_attribute(unsigned int object, TEXT_p_t title) {
    auto call = HOST_ENTRY(object, title);
    int status;
    if (call.status(status)) return status;
    call.need(title, "the title");
    call.live(object);
    std::vector<char> buffer(static_cast<std::size_t>(TEXT_strlen(title)) + 1);
    TEXT_strcpy(buffer.data(), title);
    auto& s = host::ann_template::state();
    const bool shown = s.references.count({object, std::string(buffer.data())}) != 0;
    if (shown) ++s.updates;
    return shown ? 1 : 0;
}
