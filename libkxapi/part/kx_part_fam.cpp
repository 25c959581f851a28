// Part families: template parts, their members and instance parts, and
// the directories instances are saved in.
#include <cstring>
#include <span>
#include <string>

#include "host/store/families/families.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "kx_part.h"
#include "kx_part_fam.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"

namespace {

constexpr const char* kModule = "kx_part_fam";

// At a raised checking level the part of a family query must be a part.
void check_part(tag part) { kx::check_class(kModule, __LINE__, part, OM_CLASS_PART); }

// A logical query of the host on a part: the output cleared first.
template <class Host>
int ask_logical(tag part, logical* is, Host host) {
    return kx::frame(
        [&] {
            kx::clear(is);
            return kx::check({{is, 2}});
        },
        [&] {
            check_part(part);
            unsigned char answer = 0;
            const int st = host(part, &answer);
            *is = answer;
            return st;
        });
}

// Copies a directory the host wrote into a local buffer into caller-owned
// memory.
template <class Host>
int ask_dir(char** directory, int position, Host host) {
    return kx::frame(
        [&] {
            kx::clear(directory);
            return kx::check({{directory, position}});
        },
        [&] {
            char buffer[PART_MAX_NAME_CHARS + 1] = {};
            const int st = host(buffer);
            *directory = kx::dup_string(buffer);
            return st;
        });
}

}  // namespace

extern "C" {

KXAPI int KX_PART_find_family_instance(tag family, int member, const char* name, int load, tag* instance_part) {
    return kx::frame(
        kx::standard, kx::on_error([&] { kx::clear(instance_part); }),
        [&] {
            kx::clear(instance_part);
            return kx::check({{instance_part, 5}});
        },
        [&] {
            unsigned char made = 0;
            return PART_find_family_instance(family, member, name, load, instance_part, &made);
        });
}

KXAPI int KX_PART_apply_family_instance(tag family, int member) {
    // The record made to try the member goes again whatever fails after it.
    return kx::frame([&] {
        return kx::edit_with_tail([&] {
            tag instance = NULL_TAG;
            const int st = FAM_create_instance(FAM_ask_part(family), family, member, 1, &instance);
            if (st == 0) FAM_delete_instance(instance);
            return st;
        });
    });
}

KXAPI int KX_PART_create_family_instance(tag family, int member, tag* instance_part, tag* instance) {
    return kx::frame(
        [&] {
            kx::clear(instance_part, instance);
            return kx::check({{instance_part, 3}});
        },
        [&] {
            tag made = NULL_TAG;
            const int st = PART_create_family_instance(family, member, 0, &made, instance);
            if (st == 0) *instance_part = made;
            return st;
        });
}

KXAPI int KX_PART_update_family_instance(tag family, int member, int save, int* changed, logical* save_failed,
                                         int* n_failures, tag** failed_parts, int** failure_codes, tag* instance_part) {
    return kx::frame(
        kx::standard,
        // A failed update leaves the model as it was: no part to name.
        kx::on_error([&] {
            if (failed_parts) kx::free_and_clear(*failed_parts);
            if (failure_codes) kx::free_and_clear(*failure_codes);
            kx::clear(changed, save_failed, n_failures, instance_part);
        }),
        [&] {
            kx::clear(changed, save_failed, n_failures, failed_parts, failure_codes, instance_part);
            return kx::check({{changed, 4},
                              {save_failed, 5},
                              {n_failures, 6},
                              {failed_parts, 7},
                              {failure_codes, 8},
                              {instance_part, 9}});
        },
        // The update and the release of the host's record are one edit: a
        // failure of either leaves the model as it was.
        [&] {
            // A save that failed is reported, not undone: the first code
            // other than 641091 is the status once the edit stands.
            int failure = 0;
            const int st = kx::edit_with_tail([&] {
                PART_save_failures_t failures{};
                // The host's record goes back on every way out.
                struct Freed {
                    PART_save_failures_t* f;
                    ~Freed() {
                        kx::release([f = f] { PART_free_save_failures(f); });
                    }
                } freed{&failures};
                unsigned char scratch = 0, failed = 0;
                const int updated = PART_update_family_instance(family, member, save, &scratch, &failed, &failures,
                                                                changed, instance_part);
                if (updated != 0) return updated;
                *save_failed = failed;
                if (failed) {
                    *n_failures = failures.count;
                    if (failures.count > 0) {
                        const auto n = static_cast<std::size_t>(failures.count);
                        *failed_parts = kx::copy_array<tag>(std::span<const tag>(failures.parts, n));
                        *failure_codes = kx::copy_array<int>(std::span<const int>(failures.codes, n));
                        for (std::size_t i = 0; i < n && failure == 0; ++i)
                            if (failures.codes[i] != PART_ERR_SAVE_NOT_DONE) failure = failures.codes[i];
                    }
                }
                return 0;
            });
            return st != 0 ? st : failure;
        });
}

KXAPI int KX_PART_ask_template_filename(tag part, char* buffer) {
    if (buffer) buffer[0] = '\0';
    return kx::frame(
        [&] {
            return kx::check({{buffer, 2}});
        },
        [&] {
            check_part(part);
            unsigned char is = 0;
            if (const int st = PART_is_family_instance(part, &is); st != 0 || !is) return st;
            tag instance = NULL_TAG;
            if (const int st = PART_ask_family_instance(part, &instance); st != 0) return st;
            tag family = NULL_TAG;
            int other = 0;
            FAM_ask_data_of_instance(instance, &family, &other);
            kx::host_ptr<char> file(PART_ask_filename_of_tag(family));
            kx::host_ptr<char> shown(PART_name_for_display(1, file.get()));
            std::strcpy(buffer, shown.get());
            return 0;
        });
}

KXAPI int KX_PART_is_family_instance(tag part, logical* is) { return ask_logical(part, is, PART_is_family_instance); }

KXAPI int KX_PART_is_family_inst_current(tag part, logical* is) {
    return ask_logical(part, is, PART_is_family_instance_current);
}

KXAPI int KX_PART_is_family_template(tag part, logical* is) { return ask_logical(part, is, PART_is_family_template); }

KXAPI int KX_PART_ask_families(tag part, int* count, tag** families) {
    return kx::frame(
        [&] {
            kx::clear(count, families);
            return kx::check({{count, 2}, {families, 3}});
        },
        [&] {
            check_part(part);
            return PART_ask_families(part, count, families);
        });
}

KXAPI int KX_PART_ask_family_instance(tag part, tag* instance) {
    return kx::frame(
        [&] {
            kx::clear(instance);
            return kx::check({{instance, 2}});
        },
        [&] {
            check_part(part);
            return PART_ask_family_instance(part, instance);
        });
}

KXAPI int KX_PART_set_fam_inst_save_dir(const char* directory) {
    return kx::frame([&] { return PART_set_family_inst_save_dir(directory); });
}

KXAPI int KX_PART_ask_fam_inst_save_dir(char** directory) {
    return ask_dir(directory, 1, [](char* buffer) { return PART_ask_family_inst_save_dir(buffer); });
}

KXAPI int KX_PART_set_family_save_dir(tag family, const char* directory) {
    return kx::frame([&] { return PART_set_family_save_dir(family, directory); });
}

KXAPI int KX_PART_ask_family_save_dir(tag family, char** directory) {
    return ask_dir(directory, 2, [family](char* buffer) { return PART_ask_family_save_dir(family, buffer); });
}

}  // extern "C"
