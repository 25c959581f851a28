// Part import: a part file merged into the work part, or a kernel data
// file read as new bodies.
#include <cmath>
#include <string>

#include "kx_codes.h"
#include "kx_mtx.h"
#include "kx_part_import.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/mtx/kx_mtx_internal.h"
#include "libkxapi/core/kx_list.h"
#include "libkxapi/part/kx_part_util.h"
#include "libkxapi/zr/kx_zr_files.h"

#include "host/kernel/io/kernel_io.h"

namespace {

// What a failed import of a part file made that no undo mark takes back:
// the source part it opened (and the work part it may have left changed).
// Unless the import went through, the part is closed and the work part set
// back when this goes.
class OpenedSource {
public:
    explicit OpenedSource(const char* name)
        : name_(name), before_(PART_ask_part_of_filename(name)), work_(CONTEXT_ask_work_part()) {}
    OpenedSource(const OpenedSource&) = delete;
    OpenedSource& operator=(const OpenedSource&) = delete;
    ~OpenedSource() {
        if (kept_) return;
        kx::release([&] {
            if (CONTEXT_ask_work_part() != work_) CONTEXT_set_work_part_quietly(work_);
            const unsigned int now = PART_ask_part_of_filename(name_);
            if (now != 0 && now != before_ && now != work_) base_Part_Close(now, 0, 1);
        });
    }
    void keep() { kept_ = true; }

private:
    const char* name_;
    unsigned int before_, work_;
    bool kept_ = false;
};

// One import of the part file: the bodies and the group it makes under an
// undo mark, which a failure rolls back, and the source part it opened
// closed again on a failure.
int import_once(const char* name, base_import_t& record, const double matrix[9], const double point[3],
                double scale, tag* group) {
    OpenedSource source(name);
    const int st = kx::undo_bracket(0, nullptr, [&] {
        return base_import_part(name, &record, matrix, point, scale, group);
    });
    if (st == 0) source.keep();
    else *group = NULL_TAG;
    return st;
}

}  // namespace

int kx::part::import_part(const char* name, const import_options* options, const double orientation[6], const double point[3],
                double scale, tag* group) {
    return kx::with_decoded_name(name, [&](const char* decoded) {
        double matrix[9];
        if (kx::mtx::frame_of_rows(orientation, orientation + 3, matrix) == 1)
            return static_cast<int>(KX_PART_ERR_BAD_ORIENTATION);
        if (!decoded || !kx::zr::name_fits(decoded)) return kx::param(1);
        if (CFI_is_brankel_file(decoded)) {
            // The list of new bodies is not handed on: it goes on every path.
            kx::TagListHolder bodies;
            return kx::zr::import_data(decoded, &bodies.list);
        }
        base_import_t record{};
        for (int i = 0; i < 5; ++i) record.options[i] = options->values[i];
        record.flags[0] = options->flags[0];
        record.flags[1] = options->flags[1];
        const int first = import_once(decoded, record, matrix, point, scale, group);
        if (first == 0) return 0;
        char found[PX_FILE_NAME_SIZE] = "";
        PART_locate(decoded, found);
        if (found[0] == '\0') return first;
        return import_once(found, record, matrix, point, scale, group);
    });
}


extern "C" {

KXAPI int KX_PART_import(const char* part_name, const import_options* options, const double orientation[6],
                         const double point[3], double scale, tag* group) {
    return kx::frame(
        [&] {
            return kx::check(
                {{part_name, 1},
                 {options, 2},
                 {orientation, 3},
                 {point && std::isfinite(point[0]) && std::isfinite(point[1]) && std::isfinite(point[2]), 4},
                 {std::isfinite(scale) && scale > 0, 5},
                 {group, 6}});
        },
        [&] { return kx::part::import_part(part_name, options, orientation, point, scale, group); });
}

}  // extern "C"
