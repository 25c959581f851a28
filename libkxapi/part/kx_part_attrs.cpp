// Part attributes: the customer area, description and status of a part.
#include "host/store/entities/entity_store.h"
#include "host/store/parts/part_info.h"
#include "kx_part_fam.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"

namespace {

// Every part attribute function needs an active part first; then a null
// part is the first parameter's fault and a null second argument (when
// checked) the second's.
template <class Work>
int with_part(tag part, bool second_ok, Work&& work) {
    return kx::frame(
        [&] {
            if (!CONTEXT_ask_active_part_exists()) return kx::kPartNotLoaded;
            return kx::check({{part != NULL_TAG, 1}, {second_ok, 2}});
        },
        work);
}

}  // namespace

extern "C" {

KXAPI int KX_PART_ask_customer_area(tag part, int* area) {
    return with_part(part, area != nullptr, [&] {
        *area = PART_ask_customer_area(part);
        return 0;
    });
}

KXAPI int KX_PART_set_customer_area(tag part, int area) {
    return with_part(part, true, [&] { return PART_set_customer_area(part, area); });
}

KXAPI int KX_PART_ask_description(tag part, const char** description) {
    return with_part(part, description != nullptr, [&] {
        *description = PART_ask_description(part);
        return 0;
    });
}

KXAPI int KX_PART_set_description(tag part, const char* description) {
    return with_part(part, description != nullptr, [&] { return PART_set_description(part, description); });
}

KXAPI int KX_PART_ask_status(tag part, int* status) {
    return with_part(part, status != nullptr, [&] {
        *status = PART_ask_status(part);
        return 0;
    });
}

KXAPI int KX_PART_set_status(tag part, int status) {
    // The host fires a part event after storing the status: a failure there
    // takes the status (and the modified mark) back.
    return with_part(part, true, [&] { return kx::edit_with_tail([&] { return PART_set_status(part, status); }); });
}

}  // extern "C"
