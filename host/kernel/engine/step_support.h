// What the solid kernel's operations share (runner.cpp): the checks of
// their numbers and results, the naming of a result, and a step made or
// applied to a body. Inside of the solid kernel: only host/kernel/ sources
// include it.
#ifndef HOST_KERNEL_STEP_SUPPORT_H
#define HOST_KERNEL_STEP_SUPPORT_H

#include <BRepBuilderAPI_MakeShape.hxx>
#include <BRepBuilderAPI_Sewing.hxx>
#include <TopAbs_ShapeEnum.hxx>
#include <TopTools_MapOfShape.hxx>
#include <gp_Dir.hxx>
#include <gp_Pnt.hxx>

#include <functional>
#include <initializer_list>
#include <vector>

#include "host/kernel/engine/brep.h"
#include "host/kernel/engine/codes.h"
#include "host/kernel/engine/step_kinds.h"
#include "host/base/services/error.h"

namespace host::kernel::detail {

constexpr double kLinear = 1e-7;  // the kernel's confusion tolerance

// ---- numbers ----
bool positive(double v);
void need_positive(const Call& call, double v, const char* what);
gp_Pnt point(const double* p);
gp_Dir direction(const Call& call, const double* d, const char* what);
void need_finite(const Call& call, const std::vector<double>& p);

// ---- results ----
void need_done(const Call& call, const BRepBuilderAPI_MakeShape& algo, int code);
double signed_volume(const TopoDS_Shape& shape);
// `code` names what failed when the kernel's check refuses the result: a
// blend or chamfer that gives an invalid body is one that cannot be built
// on its edges.
void need_valid(const Call& call, const TopoDS_Shape& shape, int code = KERNEL_ERR_INVALID_RESULT);
// The cheap check of a boolean's result (every edge of a solid bounds two
// faces; the faces from the tool get the full check).
void need_closed(const Call& call, const TopoDS_Shape& result, const TopoDS_Shape& tool,
                 BRepBuilderAPI_MakeShape& history);
int count(const TopoDS_Shape& s, TopAbs_ShapeEnum kind);
// The face of a closed planar profile (an open one stays a wire); refuses
// a profile that crosses itself.
TopoDS_Shape profile_face(const Call& call, const TopoDS_Shape& profile);
TopoDS_Shape half_space_behind(const double* p, const gp_Dir& n);
// A shell that closes, as a solid; anything else as it is.
TopoDS_Shape solid_if_closed(const TopoDS_Shape& s);

// ---- naming ----
// The faces or edges of the given tags, each with the pieces it was split
// into since it was named.
std::vector<TopoDS_Shape> subs_by_tag(const Call& call, const Named* named, const std::vector<int>& tags, bool faces);
std::vector<TopoDS_Shape> faces_by_tag(const Call& call, const Named* named, const std::vector<int>& tags);
// Names and stores the result of an algorithm.
void finish_step(Step& step, const TopoDS_Shape& result, const std::vector<const Named*>& inputs,
                 BRepBuilderAPI_MakeShape* history);

// ---- steps on bodies ----
// The numbers of 3-vectors and further numbers, in order.
std::vector<double> nums(std::initializer_list<const double*> arrays3, std::initializer_list<double> more);
Step step_of(const StepKind& kind, std::vector<double> p);
// A new body made by one step.
int make_body(const Call& call, Step step);
// Applies a step to a body (in place); `consumed` bodies go.
void edit_body(const Call& call, int body, Step step, const std::vector<int>& consumed = {});
// The shape and tags of another body taken as an input of a step.
void take_other(const Call& call, Step& step, int other);
// An edit of a body that works on n of its faces or edges.
void edit_at(const Call& call, int body, const StepKind& kind, std::vector<double> p, int n, const int* refs,
             const char* what);
// Changes one step of the body (a copy: the states share their steps) and
// marks it for the next regeneration.
void change_step(const Call& call, int body, int step, const std::function<void(Step&)>& change);

// A deep copy of a step's input shape with its tags (body_ops.cpp): the
// offsets widen tolerances of the shapes they work on, and the input is
// shared with the body's earlier states (undo marks, the steps before).
// The copy's faces and edges keep the tags of those they were copied from.
struct Copied {
    TopoDS_Shape shape;
    Named named;
    Copied(const TopoDS_Shape& from, const Named* from_named);
};
// The sewing's record of what became of each face and edge, in the form
// that naming reads; the shapes of `gone` (faces left out of the sewing)
// are deleted.
class SewHistory : public BRepBuilderAPI_MakeShape {
public:
    explicit SewHistory(BRepBuilderAPI_Sewing& sewing, const TopTools_MapOfShape* gone = nullptr)
        : sewing_(sewing), gone_(gone) {}
    const TopTools_ListOfShape& Modified(const TopoDS_Shape& s) override {
        myGenerated.Clear();
        if (sewing_.IsModifiedSubShape(s)) myGenerated.Append(sewing_.ModifiedSubShape(s));
        return myGenerated;
    }
    const TopTools_ListOfShape& Generated(const TopoDS_Shape&) override {
        myGenerated.Clear();
        return myGenerated;
    }
    Standard_Boolean IsDeleted(const TopoDS_Shape& s) override { return gone_ && gone_->Contains(s); }

private:
    BRepBuilderAPI_Sewing& sewing_;
    const TopTools_MapOfShape* gone_;
};

}  // namespace host::kernel::detail

#endif
