// Sews read back: the target and tools of a sew of sheets, the faces of a
// sew of faces, and the tolerance of either.
#include "kx_codes.h"
#include "kx_modl_parms.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"

#include "host/apps/modeling/bodyops/body_ops.h"

namespace {

constexpr int kOtherKind = KX_MODL_ERR_WRONG_KIND;

// The host's answer for a feature that is no sew of the kind asked.
int as_other_kind(int st) { return st == SEW_ERR_OTHER_KIND ? kOtherKind : st; }

// A count and array the host made, owned until handed out.
struct Faces {
    int n = 0;
    kx::host_ptr<unsigned int> tags;
};

}  // namespace

KXAPI int KX_MODL_ask_sew_sheet_body(tag feature, tag* target, int* n_tools, tag** tools,
                                                double* tolerance) {
    return kx::frame(
        [&] { return kx::check({{target, 2}, {n_tools, 3}, {tools, 4}, {tolerance, 5}}); },
        [&] {
            unsigned int body = 0, *raw = nullptr;
            int n = 0;
            double value = 0;
            if (int st = SEW_ask_sew_sheet_body(feature, &body, &n, &raw, &value)) return as_other_kind(st);
            kx::host_ptr<unsigned int> made(raw);
            *target = body;
            *n_tools = n;
            *tools = made.release();
            *tolerance = value;
            return 0;
        });
}

KXAPI int KX_MODL_ask_sew_solid_body(tag feature, int* n_targets, tag** targets, int* n_tools,
                                                tag** tools, double* tolerance) {
    bool handed = false;
    return kx::frame(
        kx::standard,
        // The two arrays handed out go again when freeing the other two
        // fails afterwards.
        kx::on_error([&] {
            if (handed) kx::free_and_clear(*targets), kx::free_and_clear(*tools);
        }),
        [&] { return kx::check({{n_targets, 2}, {targets, 3}, {n_tools, 4}, {tools, 5}, {tolerance, 6}}); },
        [&] {
            Faces pairs[4];
            unsigned int* raw[4] = {};
            double value = 0;
            const int st = SEW_ask_solid_faces(feature, &pairs[0].n, &raw[0], &pairs[1].n, &raw[1], &pairs[2].n,
                                               &raw[2], &pairs[3].n, &raw[3], &value);
            for (int i = 0; i < 4; ++i) pairs[i].tags.reset(raw[i]);
            if (st != 0) return as_other_kind(st);
            // The faces of a sew of instances come in the last two pairs.
            const int first = pairs[2].n == 0 && pairs[3].n == 0 ? 0 : 2;
            Faces& target_faces = pairs[first];
            Faces& tool_faces = pairs[first + 1];
            for (int i = 0; i < 4; ++i)
                if (i != first && i != first + 1) pairs[i].tags.reset();
            *n_targets = target_faces.n;
            *targets = target_faces.tags.release();
            *n_tools = tool_faces.n;
            *tools = tool_faces.tags.release();
            *tolerance = value;
            handed = true;
            return 0;
        });
}
