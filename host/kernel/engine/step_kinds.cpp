#include "host/kernel/engine/step_kinds.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>

namespace host::kernel::detail {

namespace {

struct Registry {
    std::mutex lock;
    std::map<std::uint32_t, const StepKind*> by_number;
    // A number given twice is found when the kinds are first looked up,
    // after every source has registered (registration runs before main).
    const StepKind* clash[2] = {nullptr, nullptr};
};

Registry& registry() {
    static Registry r;
    return r;
}

void check(const Registry& r) {
    if (!r.clash[0]) return;
    std::fprintf(stderr, "step kinds %s and %s both have number %u\n", r.clash[0]->name, r.clash[1]->name,
                 static_cast<unsigned>(r.clash[0]->number));
    std::abort();
}

}  // namespace

StepKindRegistration::StepKindRegistration(std::initializer_list<std::reference_wrapper<const StepKind>> kinds) {
    Registry& r = registry();
    const std::lock_guard<std::mutex> hold(r.lock);
    for (const StepKind& k : kinds) {
        const auto [at, added] = r.by_number.emplace(k.number, &k);
        if (!added && at->second != &k && !r.clash[0]) {
            r.clash[0] = at->second;
            r.clash[1] = &k;
        }
    }
}

const StepKind* find_step_kind(std::uint32_t number) {
    Registry& r = registry();
    const std::lock_guard<std::mutex> hold(r.lock);
    check(r);
    const auto at = r.by_number.find(number);
    return at == r.by_number.end() ? nullptr : at->second;
}

std::vector<const StepKind*> step_kinds() {
    Registry& r = registry();
    const std::lock_guard<std::mutex> hold(r.lock);
    check(r);
    std::vector<const StepKind*> out;
    for (const auto& [number, kind] : r.by_number) out.push_back(kind);
    return out;
}

}  // namespace host::kernel::detail
