// Smart transforms in an assembly context: a transform relating two part
// occurrences of an assembly, made in the part of the occurrences'
// component, and the occurrence its context stands for with another
// occurrence of that part.
#include "host/store/entities/entity_delete.h"
#include "host/store/entities/occurrences.h"
#include "host/store/parts/parts.h"
#include "host/base/services/memory.h"
#include "kx_so.h"
#include "libkxapi/so/kx_so_internal.h"

namespace {

// Host errors of these functions are acknowledged after their code is taken.
constexpr kx::Opts kAcknowledged{.arm_first = true, .acknowledge = kx::every_code};

// A load report of the host, its blocks given back when it goes.
struct LoadReport {
    PART_load_status_t s{};
    LoadReport() = default;
    LoadReport(const LoadReport&) = delete;
    LoadReport& operator=(const LoadReport&) = delete;
    ~LoadReport() {
        for (int i = 0; i < s.n_parts && s.file_names; ++i) give_back(s.file_names[i]);
        give_back(s.file_names);
        give_back(s.statuses);
    }
    static void give_back(void* block) {
        if (block) kx::release([block] { SM_free(block); });
    }
};

// A live part occurrence.
bool part_occurrence(tag t) { return TAG_ask_pointer_of_tag(t) != nullptr && OCC_is_part_occurrence(t) != 0; }

// The part of a part occurrence's prototype.
tag prototype_part(tag occurrence) { return OCC_ask_part_of_occ_part(OCC_ask_prototype_of_occ(occurrence)); }

}  // namespace

extern "C" {

KXAPI int KX_SO_create_xform_assy_ctxt(tag object, tag occurrence_a, tag occurrence_b, tag* xform) {
    return kx::frame(
        kx::Opts{kAcknowledged}, kx::before_check([&] {
            kx::clear(xform);
            return 0;
        }),
        [&] {
            return kx::check({{xform, 4}});
        },
        [&] {
            const tag work = CONTEXT_ask_work_part();
            const bool live = object != NULL_TAG && TAG_ask_pointer_of_tag(object) != nullptr;
            const tag part = live ? PART_ask_part_of_object(object) : NULL_TAG;
            if (part == NULL_TAG) return kx::param(1);
            if (occurrence_a != NULL_TAG && !part_occurrence(occurrence_a)) return kx::param(2);
            if (occurrence_b != NULL_TAG && !part_occurrence(occurrence_b)) return kx::param(3);
            if (occurrence_a != NULL_TAG && occurrence_b != NULL_TAG &&
                PART_ask_part_of_object(occurrence_a) != PART_ask_part_of_object(occurrence_b))
                return kx::param(3);
            if (occurrence_b != NULL_TAG && prototype_part(occurrence_b) != part) return kx::param(3);
            {
                LoadReport report;
                PART_ensure_parts_fully_loaded(0, 1, &part, 0, &report.s);
                if (report.s.failed != 0) return kx::param(1);
            }
            if (occurrence_a == NULL_TAG && occurrence_b == NULL_TAG) return 0;
            // The transform is made in the object's part as the work part;
            // the work part is put back also when that fails; when putting
            // it back fails, the transform is taken back and the work part
            // put back in the clean-up.
            CONTEXT_set_work_part_quietly(part);
            tag made = NULL_TAG;
            try {
                const tag context = occurrence_a != NULL_TAG
                                        ? occurrence_a
                                        : OCC_ask_root_of_occ_part(OCC_ask_root_part_of_part_occ(occurrence_b));
                made = XFORM_assy_context_parms_create(occurrence_b, context, 3);
            } catch (...) {
                kx::release([work] { CONTEXT_set_work_part_quietly(work); }, true);
                throw;
            }
            try {
                CONTEXT_set_work_part_quietly(work);
            } catch (...) {
                kx::release([made] { CSO_delete_object(made); }, true);
                kx::release([work] { CONTEXT_set_work_part_quietly(work); }, true);
                throw;
            }
            *xform = made;
            return 0;
        });
}

// A null result is refused (1105006): the answer would be written through it.
KXAPI int KX_SO_ask_assy_ctxt_part_occ(tag xform, tag occurrence, tag* result) {
    return kx::frame(
        kx::Opts{kAcknowledged}, kx::before_check([&] {
            kx::clear(result);
            return 0;
        }),
        [&] {
            return kx::check({{result, 3}});
        },
        [&] {
            if (int st = kx::so::xform_check(xform, kx::param(1))) return st;
            if (XFORM_is_assy_context_xform(xform) == 0) return kx::param(1);
            if (occurrence == NULL_TAG || !part_occurrence(occurrence)) return kx::param(2);
            if (prototype_part(occurrence) != PART_ask_part_of_object(xform)) return kx::param(2);
            *result = XFORM_map_part_occurrence(xform, occurrence);
            return 0;
        });
}

}  // extern "C"
