// Customer defaults by module and name.
#include "host/platform/preferences/customer_defaults.h"

#include <map>
#include <string>
#include <utility>

#include "host/base/hook.h"
#include "host/base/service_state.h"

namespace {
struct Defaults {
    std::map<std::pair<int, std::string>, std::string> values;
};
Defaults& st() { return host::service_state<Defaults>("customer_defaults"); }
const bool registered = (st(), true);
}  // namespace

namespace host::preferences {
void set_customer_default(int module, const std::string& name, const std::string& value) {
    st().values[{module, name}] = value;
}
}  // namespace host::preferences

extern "C" int cdUIgetDefault(const char* name, int type, int module, const char** value) {
    auto call = HOST_ENTRY_TEXT(name, type, module, value);
    call.need(value, "the value output");
    *value = nullptr;
    if (!name || type != CD_TYPE_TEXT) return 0;
    auto it = st().values.find({module, name});
    if (it == st().values.end()) return 0;
    *value = it->second.c_str();
    return 1;
}
