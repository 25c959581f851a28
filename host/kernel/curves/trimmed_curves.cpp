// Kernel trimmed curves of curve objects and edges (pxcutc_,
// host/kernel/io/kernel_io.h): the object's curve over its own range as a
// kernel edge of a wire body of its own, without model objects.
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Wire.hxx>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_types.h"
#include "host/kernel/engine/brep.h"
#include "host/kernel/curves/derived_curves.h"
#include "host/kernel/io/kernel_io.h"
#include "host/numeric/curve_kernel.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace hd = host::kernel::detail;

extern "C" void pxcutc_(const unsigned int* curve, int* zr_curve, int* ifail) {
    auto call = HOST_ENTRY(curve, zr_curve, ifail);
    call.need(curve, "the curve");
    call.need(zr_curve, "the kernel curve output");
    call.need(ifail, "the failure word");
    *zr_curve = 0;
    *ifail = 0;
    const host::objects::Object& o = call.live(*curve);
    const bool curve_entity = o.type == HOST_TYPE_LINE || o.type == HOST_TYPE_ARC || o.type == HOST_TYPE_CONIC ||
                              o.type == HOST_TYPE_SPLINE;
    const bool edge = o.type == HOST_TYPE_SOLID && o.subtype == 3;
    if (!curve_entity && !edge) call.fail(KERNEL_ERR_WRONG_ENTITY, "object %u is no curve or edge", *curve);
    const auto rec = host::kernel::curvefeat::curve_record(*curve);
    if (!rec) call.fail(KERNEL_ERR_WRONG_ENTITY, "object %u has no curve", *curve);
    const auto k = hostnum::geometry::build(rec->record());
    if (!k || k->pieces.empty()) call.fail(KERNEL_ERR_EXCEPTION, "the kernel takes no curve of object %u", *curve);
    double range[2];
    hostnum::curve_limits(rec->record(), range);
    hd::ensure_started();
    TopoDS_Shape wire_shape;
    hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        // A spline that breaks is one kernel curve per stretch: the edges
        // follow each other in one wire.
        BRepBuilderAPI_MakeWire wire;
        for (std::size_t i = 0; i < k->pieces.size(); ++i) {
            double u0 = 0, u1 = 0;
            if (!k->stretch(i, range[0], range[1], &u0, &u1)) continue;
            wire.Add(BRepBuilderAPI_MakeEdge(k->pieces[i].curve, u0, u1).Edge());
        }
        wire_shape = wire.Wire();
    });
    hd::BodyState b = hd::imported_body(call, wire_shape);
    const int body = b.tag;
    hd::commit({std::move(b)}, {}, false);
    const hd::Body made = hd::find_body(body);
    if (!made || made->named().edges.empty()) call.fail(KERNEL_ERR_EMPTY_RESULT, "the curve of object %u made no edge", *curve);
    *zr_curve = made->named().edges.front().tag;
}
