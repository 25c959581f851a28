// Host laws kept with a feature's model (kept_law.h).
#include "host/feature/kept_law.h"

#include <algorithm>

namespace host::feature {

KeptLaw keep_law(const host_law* law) {
    KeptLaw k;
    if (!law) return k;
    k.present = true;
    k.head = *law;
    k.head.positions = k.head.parameters = k.head.values = nullptr;
    k.head.expressions = nullptr;
    const int n = std::max(law->n_values, 0);
    k.positions = copy_in(std::max(law->n_position_doubles, 0), law->positions);
    k.parameters = copy_in(n, law->parameters);
    k.values = copy_in(n, law->values);
    k.expressions = copy_in(n, law->expressions);
    return k;
}

host_law* give_law(const KeptLaw& k) {
    if (!k.present) return nullptr;
    auto* law = static_cast<host_law*>(SM_alloc(sizeof(host_law)));
    *law = k.head;
    // A copy that fails half-way is released, not left behind.
    try {
        law->positions = copy_out(k.positions);
        law->parameters = copy_out(k.parameters);
        law->values = copy_out(k.values);
        law->expressions = copy_out(k.expressions);
    } catch (...) {
        free_law(law);
        throw;
    }
    return law;
}

void free_law(host_law* law) {
    if (!law) return;
    SM_free(law->positions);
    SM_free(law->parameters);
    SM_free(law->values);
    SM_free(law->expressions);
    SM_free(law);
}

}  // namespace host::feature
