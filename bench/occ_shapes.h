// Open CASCADE alone: the shapes that the benchmarks make beside the host's
// on the same dimensions, with the kernel's own calls and nothing of ours.
#pragma once

#include <BRepAlgoAPI_Cut.hxx>
#include <BRepGProp.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <GProp_GProps.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS_Shape.hxx>
#include <gp_Ax2.hxx>

namespace bench::occ {

inline TopoDS_Shape box(double x, double y, double z) {
    return BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), x, y, z).Shape();
}

// BODY less a cylinder of the radius and height standing on BASE along DIR.
// The cut leaves BODY as it was (a kept body is cut again later), as the
// host's cuts do.
inline TopoDS_Shape cut_cylinder(const TopoDS_Shape& body, const double base[3], const double dir[3],
                                 double radius, double height) {
    const gp_Ax2 axis(gp_Pnt(base[0], base[1], base[2]), gp_Dir(dir[0], dir[1], dir[2]));
    TopTools_ListOfShape args, tools;
    args.Append(body);
    tools.Append(BRepPrimAPI_MakeCylinder(axis, radius, height).Shape());
    BRepAlgoAPI_Cut cut;
    cut.SetArguments(args);
    cut.SetTools(tools);
    cut.SetNonDestructive(Standard_True);
    cut.Build();
    return cut.Shape();
}

inline double volume(const TopoDS_Shape& shape) {
    GProp_GProps props;
    BRepGProp::VolumeProperties(shape, props);
    return props.Mass();
}

}  // namespace bench::occ
