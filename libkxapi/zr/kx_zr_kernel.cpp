// The solid kernel's level: kernel data files, the journal, kernel tags of
// model objects, partitions and the kernel session's tag counts.
#include <cstring>
#include <string>
#include <utility>

#include "kx_codes.h"
#include "kx_zr.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_list.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/zr/kx_zr_files.h"

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/rm.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/form/form_slots.h"
#include "host/model/feature/queries.h"
#include "host/kernel/engine/brep_states.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/io/kernel_io.h"
#include "host/base/services/objects.h"

static_assert(KX_ZR_FILE_NAME_SIZE == PX_FILE_NAME_SIZE);

namespace {

using kx::HostList;

PX_file_name_t file_record(const char* file) {
    PX_file_name_t r{};
    r.length = static_cast<int>(std::strlen(file));
    std::memcpy(r.text, file, static_cast<std::size_t>(r.length) + 1);
    return r;
}

const int kJournalParameter = 2;
const int kEdgeSubtype = 3;

int journal_state() {
    int state = 0, fail = 0;
    KI_ouintp(&kJournalParameter, &state, &fail);
    return state > 0 ? 1 : 0;
}

}  // namespace

namespace kx::zr {

bool name_fits(const char* file) { return file && std::strlen(file) < KX_ZR_FILE_NAME_SIZE; }

int export_data(const tag_list* objects, const char* file) {
    HostList list;
    if (const int st = KI_crlist(KI_LIST_FEATURES, &list.id); st != 0) return st;
    const int count = kx::ask_list_count(objects);
    if (count == 0) return KX_MODL_ERR_EMPTY_LIST;
    for (int i = 0; i < count; ++i) {
        tag object = NULL_TAG;
        if (const int st = kx::ask_list_item(objects, i, &object); st != 0) return st;
        KI_ptinli(list.id, 0, 1, static_cast<int>(object));
    }
    const PX_file_name_t name = file_record(file);
    const int id = list.id, option = 0;
    int fail = 0;
    pxexpo_(&id, &count, &name, &option, &fail);
    return fail;
}

// The bodies are read under an undo mark: a failure after the kernel made
// them (listing them, say) takes them away again, and the caller gets no
// list.
int import_data(const char* file, tag_list** objects) {
    kx::TagListHolder made;
    const int st = kx::edit_with_tail([&]() -> int {
        const PX_file_name_t name = file_record(file);
        HostList list;
        int fail = 0;
        pximpo_(&name, &list.id, &fail);
        if (fail != 0) return fail;
        made.list = kx::create_list();
        int count = 0;
        KI_colist(list.id, &count);
        for (int i = 1; i <= count; ++i) {
            int object = 0;
            KI_gttgli(list.id, i, &object);
            if (const int st = kx::put_list_item(made.list, static_cast<tag>(object)); st != 0) return st;
        }
        return 0;
    });
    if (st == 0) *objects = std::exchange(made.list, nullptr);
    return st;
}

}  // namespace kx::zr

extern "C" {

KXAPI int KX_ZR_export_data(tag_list* objects, const char* file) {
    return kx::frame(
        [&] {
            return kx::check({{objects, 1}, {kx::zr::name_fits(file), 2}});
        },
        [&] { return kx::zr::export_data(objects, file); });
}

KXAPI int KX_ZR_import_data(const char* file, tag_list** objects) {
    return kx::frame(
        [&] {
            kx::clear(objects);
            return kx::check({{kx::zr::name_fits(file), 1}, {objects, 2}});
        },
        [&] { return kx::zr::import_data(file, objects); });
}

KXAPI int KX_ZR_export_linked_data(int n, const tag objects[], const char* file, int filter, int option, int* written,
                                   int* ifail) {
    return kx::frame(kx::arm_first, [&] {
        ERROR_set_traceback(1);
        return PX_export_filtered(n, objects, file, 1, 1, filter, option, written, ifail);
    });
}

KXAPI int KX_ZR_ask_journal_data(int* state, char* file) {
    return kx::frame(
        [&] {
            return kx::check({{state, 1}, {file, 2}});
        },
        [&] {
            *state = journal_state();
            std::strncpy(file, zrwrld_.journal_file, KX_ZR_FILE_NAME_SIZE - 1);
            file[KX_ZR_FILE_NAME_SIZE - 1] = '\0';
            return 0;
        });
}

KXAPI int KX_ZR_set_journal_state(int state) {
    return kx::frame(
        [&] {
            return kx::check({{state == 0 || state == 1, 1}});
        },
        [&] {
            int fail = 0;
            KI_seintp(&kJournalParameter, &state, &fail);
            if (fail != 0) return fail;
            zrwrld_.journal_state = state;
            return 0;
        });
}

KXAPI int KX_ZR_write_to_journal(const char* text) {
    return kx::frame(
        [&] {
            return kx::check({{text, 1}});
        },
        [&] {
            if (journal_state() == 0) return static_cast<int>(KX_ZR_ERR_JOURNAL_OFF);
            KI_coment(static_cast<int>(std::strlen(text)), text);
            return 0;
        });
}

KXAPI int KX_ZR_ask_object_of_zr_tag(zr_tag entity, tag* object) {
    return kx::frame(
        kx::standard, kx::before_check([&] {
            kx::clear(object);
            return 0;
        }),
        [&] {
            return kx::check({{object, 2}});
        },
        [&] {
            unsigned int found = 0;
            pxlook_(&entity, &found);
            *object = found;
            return found == NULL_TAG ? static_cast<int>(KX_MODL_ERR_NULL_FEATURE) : 0;
        });
}

KXAPI int KX_ZR_ask_zr_tag_of_object(tag object, zr_tag* entity) {
    return kx::frame(
        kx::standard, kx::before_check([&] {
            kx::clear(entity);
            return 0;
        }),
        [&] {
            return kx::check({{entity, 2}});
        },
        [&] {
            if (object == NULL_TAG || !host::objects::is_alive(object))
                return static_cast<int>(KX_MODL_ERR_WRONG_OBJECT);
            int type = 0, subtype = 0;
            RM_ask_entity_type_and_subtype(object, &type, &subtype);
            if (type != HOST_TYPE_SOLID) return static_cast<int>(KX_MODL_ERR_WRONG_OBJECT);
            es7010_occ_(&object, entity);
            return 0;
        });
}

KXAPI int KX_ZR_create_obj_from_zr_tag(zr_tag entity, tag* object) {
    return kx::frame(
        [&] {
            if (!CONTEXT_ask_active_part_exists()) return static_cast<int>(KX_PART_ERR_NOT_LOADED);
            return kx::check({{object, 2}});
        },
        [&] {
            int status = 0;
            unsigned int made = 0;
            es7008_(&entity, &made, &status);
            *object = made;
            return status;
        });
}

KXAPI int KX_ZR_create_zr_trimmed_curve(tag curve, zr_tag* zr_curve) {
    return kx::frame(
        [&] {
            kx::clear(zr_curve);
            return kx::check({{zr_curve, 2}});
        },
        [&] {
            if (curve == NULL_TAG || !host::objects::is_alive(curve)) return static_cast<int>(KX_MODL_ERR_WRONG_OBJECT);
            int type = 0, subtype = 0;
            RM_ask_entity_type_and_subtype(curve, &type, &subtype);
            const bool curve_type =
                type == HOST_TYPE_LINE || type == HOST_TYPE_ARC || type == HOST_TYPE_CONIC || type == HOST_TYPE_SPLINE;
            const bool edge = type == HOST_TYPE_SOLID && subtype == kEdgeSubtype;
            if (!curve_type && !edge) return static_cast<int>(KX_MODL_ERR_WRONG_OBJECT);
            const unsigned int object = curve;
            int fail = 0;  // the kernel's answer is the curve; the word is not looked at
            pxcutc_(&object, zr_curve, &fail);
            return 0;
        });
}

KXAPI int KX_ZR_create_partition(zr_partition* partition) {
    return kx::frame(
        [&] {
            return kx::check({{partition, 1}});
        },
        [&] {
            UNDO_ZR_cre_partition(partition);
            return 0;
        });
}

KXAPI int KX_ZR_ask_current_partition(zr_partition* partition) {
    return kx::frame(
        [&] {
            return kx::check({{partition, 1}});
        },
        [&] {
            UNDO_ZR_ask_current_partition(partition);
            return 0;
        });
}

KXAPI int KX_ZR_set_current_partition(zr_partition partition) {
    return kx::frame([&] {
        UNDO_ZR_set_current_partition(partition);
        return 0;
    });
}

KXAPI int KX_ZR_ask_entity_partition(zr_tag entity, zr_partition* partition) {
    return kx::frame(
        [&] {
            kx::clear(partition);
            return kx::check({{partition, 2}});
        },
        [&] { return ZQ_ENTITY_ask_partition(entity, partition); });
}

KXAPI int KX_ZR_ask_current_highest_tag(zr_tag* highest) {
    return kx::frame(
        [&] {
            return kx::check({{highest, 1}});
        },
        [&] {
            ZQ_SESSION_ask_tag_highest(highest);
            return 0;
        });
}

KXAPI int KX_ZR_ask_tags_remaining(int* remaining) {
    return kx::frame(
        [&] {
            return kx::check({{remaining, 1}});
        },
        [&] {
            ZQ_SESSION_ask_tags_remaining(remaining);
            return 0;
        });
}

}  // extern "C"
