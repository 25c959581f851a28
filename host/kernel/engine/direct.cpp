// The kernel's calls alone, without the host around them: the reference
// that benchmarks hold the host's own cost (tags, history, objects,
// journal, snapshots) against.
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepGProp.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakePrism.hxx>

#include <cmath>
#include <numbers>
#include <vector>
#include <GProp_GProps.hxx>
#include <gp_Ax2.hxx>

#include "host/kernel/engine/brep.h"

namespace host::kernel {

double direct_plate_with_holes(const double plate[3], int count, double radius, double pitch) {
    detail::ensure_started();
    TopoDS_Shape body = BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), plate[0], plate[1], plate[2]).Shape();
    const int per_row = static_cast<int>(plate[0] / pitch);
    for (int i = 0; i < count; ++i) {
        const gp_Pnt at((i % per_row + 0.5) * pitch, (i / per_row + 0.5) * pitch, -1);
        const TopoDS_Shape tool = BRepPrimAPI_MakeCylinder(gp_Ax2(at, gp_Dir(0, 0, 1)), radius, plate[2] + 2).Shape();
        BRepAlgoAPI_Cut cut;
        TopTools_ListOfShape args, tools;
        args.Append(body);
        tools.Append(tool);
        cut.SetArguments(args);
        cut.SetTools(tools);
        cut.SetNonDestructive(Standard_True);
        cut.Build();
        if (cut.HasErrors()) return -1;
        body = cut.Shape();
    }
    GProp_GProps g;
    BRepGProp::VolumeProperties(body, g);
    return g.Mass();
}

double direct_prism_bytes(int sides, double (*heap)()) {
    detail::ensure_started();
    const double before = heap();
    TopoDS_Shape prism;
    {
        BRepBuilderAPI_MakePolygon poly;
        for (int i = 0; i < sides; ++i) {
            const double a = 2 * std::numbers::pi * i / sides;
            poly.Add(gp_Pnt(1000 * std::cos(a), 1000 * std::sin(a), 0));
        }
        poly.Close();
        const TopoDS_Face base = BRepBuilderAPI_MakeFace(poly.Wire(), Standard_True).Face();
        prism = BRepPrimAPI_MakePrism(base, gp_Vec(0, 0, 10)).Shape();
    }
    return heap() - before;
}

namespace {
// The boxes made, kept until a call with count 0.
std::vector<TopoDS_Shape>& kept_boxes() {
    static std::vector<TopoDS_Shape> boxes;
    return boxes;
}
}  // namespace

// Count 0 gives the kept boxes back (outside the time a benchmark takes).
std::size_t direct_boxes(int count, const double size[3], double pitch) {
    detail::ensure_started();
    std::vector<TopoDS_Shape>& boxes = kept_boxes();
    if (count == 0) std::vector<TopoDS_Shape>().swap(boxes);
    boxes.reserve(boxes.size() + static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        boxes.push_back(BRepPrimAPI_MakeBox(gp_Pnt(pitch * i, 0, 0), size[0], size[1], size[2]).Shape());
    return boxes.size();
}

}  // namespace host::kernel
