// The registry of foreign surface kinds and their evaluation.
#include "host/kernel/foreign/forgeo.h"

#include <map>
#include <string>

#include "host/base/hook.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"

namespace {

struct Kind {
    FORGEO_evaluator_t evaluator = nullptr;
    void* data = nullptr;
};

struct Registry {
    std::map<std::string, Kind> kinds;
};

Registry& registry() { return host::service_state<Registry>("foreign surfaces"); }
const bool registered = (registry(), true);  // reset from the start

}  // namespace

extern "C" {

void FORGEO_register_surface(const char* name, FORGEO_evaluator_t evaluator, void* data) {
    auto call = HOST_ENTRY(name, evaluator, data);
    call.need(name, "the surface kind's name");
    call.need(evaluator, "the evaluator");
    if (*name == '\0') call.fail(HOST_ERR_BAD_ARGUMENT, "a foreign surface kind needs a name");
    if (!registry().kinds.try_emplace(name, Kind{evaluator, data}).second)
        call.fail(HOST_ERR_BAD_ARGUMENT, "the foreign surface kind %s is registered already", name);
}

void FORGEO_evaluate_surface(const char* name, const double uv[2], double point[3]) {
    auto call = HOST_ENTRY(name, uv, point);
    call.need(name, "the surface kind's name");
    call.need(uv, "the parameters");
    call.need(point, "the point output");
    const auto found = registry().kinds.find(name);
    if (found == registry().kinds.end()) call.fail(HOST_ERR_BAD_ARGUMENT, "no foreign surface kind %s", name);
    double p[3] = {0, 0, 0};
    if (const int st = found->second.evaluator(found->second.data, uv, p))
        call.fail(HOST_ERR_BAD_ARGUMENT, "the evaluator of %s failed at (%g, %g) with %d", name, uv[0], uv[1], st);
    for (int i = 0; i < 3; ++i) point[i] = p[i];
}

const char* FORGEO_ask_kind_name(const char* name) {
    auto call = HOST_ENTRY(name);
    call.need(name, "the surface kind's name");
    const auto found = registry().kinds.find(name);
    if (found == registry().kinds.end()) call.fail(HOST_ERR_BAD_ARGUMENT, "no foreign surface kind %s", name);
    return found->first.c_str();
}

}  // extern "C"
