// Bodies moved, rotated, mirrored, scaled or mapped by an affine matrix.
#include <BRepBuilderAPI_GTransform.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <gp_Ax2.hxx>
#include <gp_GTrsf.hxx>
#include <gp_Trsf.hxx>

#include <algorithm>
#include <cmath>

#include "host/kernel/engine/step_support.h"

namespace host::kernel::detail {

namespace hd = host::kernel::detail;

namespace steps {
extern const StepKind transform, mirror, scale;
}  // namespace steps

namespace {

void transform(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named) {
    gp_Trsf t;
    const std::vector<double>& p = step.p;
    if (step.is(steps::mirror)) {
        t.SetMirror(gp_Ax2(point(&p[0]), direction(call, &p[3], "mirror normal")));
    } else if (step.is(steps::scale)) {
        need_positive(call, p[3], "scale factor");
        t.SetScale(point(&p[0]), p[3]);
    } else {
        const gp_Mat m(p[0], p[1], p[2], p[4], p[5], p[6], p[8], p[9], p[10]);
        const double det = m.Determinant();
        if (!std::isfinite(det) || std::fabs(det) < 1e-12) call.fail(KERNEL_ERR_DEGENERATE, "the matrix is singular");
        // A similarity (rotation and uniform scale) keeps the surfaces'
        // kinds; any other affine map turns them into B-surfaces.
        const double s = std::cbrt(det);
        const gp_Mat q = m.Multiplied(m.Transposed());
        bool similar = true;
        for (int i = 1; i <= 3; ++i)
            for (int j = 1; j <= 3; ++j)
                similar = similar && std::fabs(q(i, j) - (i == j ? s * s : 0.0)) < 1e-12 * std::max(1.0, s * s);
        if (!similar) {
            gp_GTrsf g;
            g.SetVectorialPart(m);
            g.SetTranslationPart(gp_XYZ(p[3], p[7], p[11]));
            BRepBuilderAPI_GTransform algo(before, g, Standard_True);
            need_done(call, algo, KERNEL_ERR_NOT_DONE);
            need_valid(call, algo.Shape());
            finish_step(step, algo.Shape(), {before_named}, &algo);
            return;
        }
        t.SetValues(p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8], p[9], p[10], p[11]);
    }
    BRepBuilderAPI_Transform algo(before, t, Standard_True);
    need_done(call, algo, KERNEL_ERR_NOT_DONE);
    finish_step(step, algo.Shape(), {before_named}, &algo);
}

}  // namespace

namespace steps {
const StepKind transform = {14, "transform", hd::transform, 0};
const StepKind mirror = {15, "mirror", hd::transform, 0};
const StepKind scale = {16, "scale", hd::transform, 0};
}  // namespace steps

const StepKindRegistration registered{steps::transform, steps::mirror, steps::scale};

}  // namespace host::kernel::detail

using namespace host::kernel::detail;

extern "C" {

void ZQ_BODY_transform(int body, const double matrix[12]) {
    auto call = HOST_ENTRY(body, matrix);
    call.need(matrix, "the matrix");
    edit_body(call, body, step_of(steps::transform, std::vector<double>(matrix, matrix + 12)));
}

void ZQ_BODY_mirror(int body, const double point[3], const double normal[3]) {
    auto call = HOST_ENTRY(body, point, normal);
    call.need(point, "the plane point");
    call.need(normal, "the plane normal");
    edit_body(call, body, step_of(steps::mirror, nums({point, normal}, {})));
}

void ZQ_BODY_scale(int body, const double centre[3], double factor) {
    auto call = HOST_ENTRY(body, centre, factor);
    call.need(centre, "the centre");
    edit_body(call, body, step_of(steps::scale, nums({centre}, {factor})));
}

}  // extern "C"
