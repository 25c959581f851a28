// Edge polylines of a body for the host's pictures.
#include "host/kernel/engine/outline.h"

#include <BRepAdaptor_Curve.hxx>
#include <BRep_Tool.hxx>
#include <GCPnts_TangentialDeflection.hxx>
#include <Standard_Failure.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>

#include "host/kernel/engine/brep.h"

namespace host::kernel {

std::vector<std::vector<double>> edge_polylines(int body, double tolerance) {
    std::vector<std::vector<double>> out;
    const detail::Body b = detail::find_body(body);
    if (!b) return out;
    TopTools_IndexedMapOfShape edges;
    TopExp::MapShapes(b->shape, TopAbs_EDGE, edges);
    for (int i = 1; i <= edges.Extent(); ++i) {
        const TopoDS_Edge& e = TopoDS::Edge(edges(i));
        if (BRep_Tool::Degenerated(e)) continue;
        try {
            const BRepAdaptor_Curve c(e);
            const GCPnts_TangentialDeflection pts(c, 0.2, tolerance, 2);
            std::vector<double> line;
            for (int k = 1; k <= pts.NbPoints(); ++k) {
                const gp_Pnt p = pts.Value(k);
                line.insert(line.end(), {p.X(), p.Y(), p.Z()});
            }
            if (line.size() >= 6) out.push_back(std::move(line));
        } catch (const Standard_Failure&) {
            // An edge the kernel cannot walk is left out of the picture.
        }
    }
    return out;
}

}  // namespace host::kernel
