// Splines fitted through points for the host's curve features
// (host/kernel/curves/derived_curves.h): the curves a wrap makes of its unrolled
// points.
#include <GeomAPI_PointsToBSpline.hxx>
#include <Geom_BSplineCurve.hxx>
#include <TColgp_Array1OfPnt.hxx>
#include <gp_Pnt.hxx>

#include <optional>
#include <vector>

#include "host/kernel/engine/brep.h"
#include "host/kernel/engine/codes.h"
#include "host/kernel/curves/derived_curves.h"
#include "host/numeric/curve_kernel.h"
#include "host/base/services/error.h"

namespace hd = host::kernel::detail;

namespace host::kernel::curvefeat {

std::optional<hostnum::Curve> fit_points(const Call& call, const std::vector<hostnum::V3>& points, double tolerance) {
    std::vector<gp_Pnt> pts;
    for (const hostnum::V3& q : points) {
        const gp_Pnt p(q.x, q.y, q.z);
        if (pts.empty() || pts.back().Distance(p) > 1e-9) pts.push_back(p);
    }
    if (pts.size() < 2) return std::nullopt;
    return hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        hd::ensure_started();
        TColgp_Array1OfPnt a(1, static_cast<int>(pts.size()));
        for (std::size_t i = 0; i < pts.size(); ++i) a.SetValue(static_cast<int>(i) + 1, pts[i]);
        const int n = static_cast<int>(pts.size());
        GeomAPI_PointsToBSpline approx;
        if (n < 4) approx.Init(a, 1, n - 1, GeomAbs_C0, tolerance);
        else approx.Init(a, 3, 8, GeomAbs_C2, tolerance);
        if (!approx.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the kernel could not fit a spline through the points");
        const hostnum::geometry::SplineData d = hostnum::geometry::spline_data(approx.Curve());
        auto r =
            hostnum::Curve::spline(d.n, d.order, d.poles.data(), d.knots.data(), hostnum::Curve::PoleForm::cartesian);
        if (!r) call.fail(KERNEL_ERR_NOT_DONE, "the kernel's fit makes no spline");
        return r;
    });
}

}  // namespace host::kernel::curvefeat
