// Pattern objects: the part-wide switches, the flags of a pattern or of the
// defaults, and pattern points, over the foundation library's numbered
// routines (host/model/pattern/pattern.h).
#include "kx_patt.h"

#include "host/platform/cfi/cfi.h"
#include "host/store/entities/entity_store.h"
#include "host/base/services/objects.h"
#include "host/store/parts/rm.h"
#include "host/model/pattern/pattern.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"

namespace {

constexpr int kFlagBits[3] = {1, 2, 3};

int no_part() { return CONTEXT_ask_active_part_exists() ? 0 : kx::kPartNotLoaded; }

// The frame of every function: initialisation, the prologue's checks, then
// under the armed frame the loaded part before the work.
template <class Prologue, class Work>
int patt_frame(Prologue prologue, Work work) {
    return kx::frame(prologue, [&] {
        if (int st = no_part()) return st;
        return work();
    });
}

bool is_pattern(tag object) {
    if (!TAG_ask_pointer_of_tag(object)) return false;
    int type = 0, subtype = 0;
    RM_ask_entity_type_and_subtype(object, &type, &subtype);
    return type == HOST_TYPE_PATTERN && subtype == 0;
}

int switch_value(int on) { return on == 0 || on == 1 ? 0 : kx::param(1); }

}  // namespace

KXAPI int KX_PATT_is_archiving_on(logical* on) {
    return patt_frame(
        [&] {
            return kx::check({{on, 1}});
        },
        [&] {
            int word = 0;
            pat010_(&word);
            *on = word != 0;
            return 0;
        });
}

KXAPI int KX_PATT_is_shading_on(logical* on) {
    return patt_frame(
        [&] {
            return kx::check({{on, 1}});
        },
        [&] {
            int word = 0;
            pat020_(&word);
            *on = word != 0;
            return 0;
        });
}

KXAPI int KX_PATT_set_archiving(int on) {
    return patt_frame([&] { return switch_value(on); },
                      [&] {
                          pat011_(&on);
                          if (on == 0) pat021_(&on);
                          return 0;
                      });
}

KXAPI int KX_PATT_set_shading(int on) {
    return patt_frame([&] { return switch_value(on); },
                      [&] {
                          pat021_(&on);
                          if (on == 1) pat011_(&on);
                          return 0;
                      });
}

KXAPI int KX_PATT_ask_params(tag pattern, int* flag1, int* flag2, int* flag3) {
    return patt_frame(
        [&] {
            return kx::check({{flag1, 2}, {flag2, 3}, {flag3, 4}});
        },
        [&] {
            int* out[3] = {flag1, flag2, flag3};
            if (pattern == NULL_TAG) {
                for (int i = 0; i < 3; ++i) *out[i] = patern_.flags[i] != 0 ? 1 : 0;
                return 0;
            }
            if (!is_pattern(pattern)) return kx::param(1);
            int word = 0;
            es1012_(&pattern, &word);
            for (int i = 0; i < 3; ++i) *out[i] = mbtts_(&word, &kFlagBits[i]);
            return 0;
        });
}

KXAPI int KX_PATT_set_params(tag pattern, int flag1, int flag2, int flag3) {
    return patt_frame([] { return 0; },
                      [&] {
                          const int in[3] = {flag1, flag2, flag3};
                          if (pattern == NULL_TAG) {
                              for (int i = 0; i < 3; ++i) patern_.flags[i] = in[i] == 1 ? 1 : 0;
                              return 0;
                          }
                          if (!is_pattern(pattern)) return kx::param(1);
                          int word = 0;
                          for (int i = 0; i < 3; ++i)
                              if (in[i] == 1) mbtst_(&word, &kFlagBits[i]);
                          es1022_(&pattern, &word);
                          int mode = 1;
                          regenerate_after_edit(&mode, &pattern);
                          return 0;
                      });
}

KXAPI int KX_PATT_create_point(double position[3], tag* point) {
    return patt_frame(
        [&] {
            kx::clear(point);
            return kx::check({{position, 1}, {point, 2}});
        },
        [&] {
            // The point is taken back (and *point is NULL_TAG again) when
            // its regeneration fails.
            return kx::create_bracketed(0, point, [&] {
                es1001_(position, point);
                int mode = 1;
                regenerate_after_edit(&mode, point);
                return 0;
            });
        });
}
