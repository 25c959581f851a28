// Inside of the host's solid kernel: the kernel's shapes behind the host's
// kernel tags. Only the kernel's own sources (host/kernel/engine/*.cpp) include
// this header; it is the one place that brings in the kernel library's
// headers.
#ifndef HOST_KERNEL_BREP_H
#define HOST_KERNEL_BREP_H

#include <BRepBuilderAPI_MakeShape.hxx>
#include <Standard_Failure.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Shape.hxx>

#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/base/hook.h"
#include "host/kernel/engine/brep_states.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/engine/name_table.h"
#include "host/kernel/engine/step_kinds.h"

namespace host::kernel::detail {

// A face, loop, edge or vertex of a body: its kernel tag, its shape and its
// model object (faces and edges of a body that has objects; 0 otherwise).
// The two numbers stand together ahead of the shape, so that a body of many
// faces, edges, loops and vertices loses no room to alignment.
struct Sub {
    Sub() = default;
    Sub(int t, TopoDS_Shape s, unsigned int o) : tag(t), object(o), shape(std::move(s)) {}
    int tag = 0;
    unsigned int object = 0;
    TopoDS_Shape shape;
};

// The faces and edges of one shape with their tags, in the kernel's order
// (TopExp::MapShapes).
struct Named {
    std::vector<Sub> faces;
    std::vector<Sub> edges;
    // Further pieces of a split face or edge: {piece, the tag it was split
    // from}. An operation on a face or edge works on its pieces too.
    std::vector<std::pair<int, int>> pieces;
};

// One operation that made or edited a body, kept so that the body can be
// made again with other parameters. Shapes are immutable values: copies of
// a step share them.
struct Step {
    const StepKind* kind = &steps::imported;  // what the step does (step_kinds.h)
    bool is(const StepKind& k) const { return kind == &k; }
    std::vector<double> p;                     // the operation's numbers
    std::vector<int> refs;                     // the body's faces or edges it works on
    int mode = 0;                              // boolean operation, split side
    TopoDS_Shape other;                        // tool, profile or guide as it was taken
    std::shared_ptr<const Named> other_named;  // and its tags
    TopoDS_Shape other2;                       // a second input (the guide of a sweep)
    // The step that made a boolean's tool when the tool was a primitive:
    // the boolean's numbers are then the tool's, and the tool is made
    // again from them (with its tags) whenever the boolean runs.
    std::shared_ptr<const Step> tool;
    std::vector<TopoDS_Shape> more;      // further inputs (the sections of a loft)
    NameTable names;                     // naming key -> kernel tag
    TopoDS_Shape result;                 // the shape after this step
    std::shared_ptr<const Named> named;  // its faces and edges
    bool edited = false;
    bool skipped = false;  // passes the shape before it on unchanged
    bool trimmed = false;  // a boolean whose tool its refs trim first (udf_trim.cpp)
};

// A value worked out from a body state on first use and kept with it; a
// copy of the state starts without it (the copy's shapes may change).
template <class T>
struct Kept {
    Kept() = default;
    Kept(const Kept&) {}
    Kept& operator=(const Kept&) {
        value.reset();
        return *this;
    }
    mutable std::shared_ptr<const T> value;
};

// Mass properties of a body's shape for density 1: volume, area, mass,
// centroid, inertia (ZQ_MP_ order).
struct MassProps {
    double values[ZQ_MP_COUNT] = {};
};

// The kernel's point classifier loaded with a body's shape (measure.cpp).
struct Classifier;

struct BodyState {
    int tag = 0;
    unsigned int object = 0;  // 0: no model objects (an imported body)
    TopoDS_Shape shape;
    // The faces and edges (with objects). A state takes them from the step
    // that made it, shared, not copied: a large body would otherwise hold
    // every face and edge twice. edit_named changes them in place while
    // the state and its newest step, held by no other state, are their only
    // holders (the objects given to the faces belong to that step's faces
    // too), and changes a copy of its own otherwise.
    const Named& named() const { return *named_; }
    Named& edit_named();
    void set_named(std::shared_ptr<const Named> named) { named_ = std::move(named); }
    const std::shared_ptr<const Named>& shared_named() const { return named_; }
    std::vector<Sub> loops, vertices;
    // Steps are shared between the states of a body (an edit adds one, a
    // regeneration replaces those it runs again): copying a state is cheap.
    std::vector<std::shared_ptr<const Step>> steps;
    void add_step(Step step) { steps.push_back(std::make_shared<const Step>(std::move(step))); }
    double density = 1.0;
    Kept<std::unordered_map<const TopoDS_TShape*, int>> lookup;  // kernel tags of sub-shapes
    Kept<MassProps> mass;
    // The entities of a higher class around each entity of a lower one (the
    // faces of each edge ...), by {lower class, higher class}: filled on
    // first use by the upward walks of KI_idcoen_sm.
    struct Around {
        mutable std::map<std::pair<int, int>, std::unordered_map<int, std::vector<int>>> by_classes;
    };
    Kept<Around> around;
    // The classifier of points against the shape, loaded on first use.
    Kept<Classifier> classifier;
    // The kernel tag of a face, loop, edge or vertex of this body (0: none).
    int tag_of(const TopoDS_Shape& shape) const;

private:
    // Never null; every Named is made non-constant (std::make_shared<Named>),
    // so that edit_named may change one it holds alone.
    std::shared_ptr<const Named> named_ = no_names();
    static const std::shared_ptr<const Named>& no_names();
};
using Body = std::shared_ptr<const BodyState>;

// Where a kernel tag lives.
struct Loc {
    int body = 0;
    int cls = 0;    // ZQ_CLASS_
    int index = 0;  // in faces, edges, loops or vertices
};

// ---- the store (store.cpp) ----
Body find_body(int tag);
Body require_body(const Call& call, int tag);
const Loc* locate(int tag);
// The shape of any entity; raises KERNEL_ERR_NO_ENTITY (or WRONG_ENTITY
// when cls is given and differs).
const Sub& require_sub(const Call& call, int tag, int cls, Body* owner = nullptr);
TopoDS_Shape shape_of(const Call& call, int tag, int* cls = nullptr, Body* owner = nullptr);
int new_tag();
int body_type(const TopoDS_Shape& shape);
// Replaces bodies: every state of `put` becomes current (new bodies get
// their body object when with_objects), every body of `remove` goes. Faces
// and edges keep the objects their tags had in any of the old states; the
// objects of tags that no longer exist die.
void commit(std::vector<BodyState> put, const std::vector<int>& remove, bool with_objects = true);
// The same for one state, taken by move: `commit({std::move(b)}, ...)`
// comes here, where a list of states would copy it (the elements of a
// braced list are constant), and a large body's lists would be held twice
// until the call returns.
void commit(BodyState put, const std::vector<int>& remove, bool with_objects = true);
// Sheets held by face objects (held_faces.h): a body without a body
// object whose face has one. hold makes `body` current in place of the
// sheet `object` held before; drop_held drops the object's sheet. Neither
// makes or kills objects.
bool is_held(const BodyState& body);
void hold(BodyState body, unsigned int object);
void drop_held(unsigned int object);

// ---- naming (naming.cpp) ----
// Tags the faces and edges of `result` after an operation over `inputs`:
// survivors keep their tags, images of a modified face or edge take its tag
// (further pieces of a split get new ones), generated and new ones take the
// tags their naming keys had in `names` or new ones (added to `names`).
// Without `inherit` no input tag is taken over: survivors and images take
// the keys of further pieces (a new body made from another's faces).
Named name_result(const TopoDS_Shape& result, const std::vector<const Named*>& inputs,
                  BRepBuilderAPI_MakeShape* history, NameTable& names, bool inherit = true);
// Loops and vertices: the tags they had in `old` when the same, else new.
void name_small(BodyState& state, const BodyState* old);

// ---- steps (operations.cpp) ----
// Runs a step on the shape before it (with its tags); fills result and named.
void run_step(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named);

// A new body (with its model objects) whose shape is the step's result as
// it is (its result and named set): the step keeps that shape, so a
// regeneration gives it unchanged. Answers the body's tag.
int commit_result(Step s);
// A new body of `shape` as it is (one imported step), its faces and edges
// given tags of their own; not yet committed.
BodyState imported_body(const Call& call, const TopoDS_Shape& shape);
// A thickened sheet comes out of the kernel with its shells facing into
// the material (a negative volume) when the sheet's normal points into the
// new material. Answers a solid whose shells face out (the shells turned,
// in a solid of their own), or the shape itself when they do already.
// Turning only the solid's own orientation is not enough: the volume then
// comes out right, but blends and chamfers work on the faces as they lie
// and build on the wrong side.
TopoDS_Shape material_inside(const TopoDS_Shape& shape);
// Commits a new body of a shape a constructor made (one imported step),
// refused with KERNEL_ERR_INVALID_RESULT ("the <what> would be invalid")
// when the kernel's check finds the shape invalid; answers its tag.
int commit_checked(const Call& call, const TopoDS_Shape& shape, const char* what);
// The kernel edges of one object: an edge of a body, or each stretch of a
// curve object's kernel curve.
void object_edges(const Call& call, unsigned int object, std::vector<TopoDS_Edge>& out);

// ---- attached geometry (brep_foreign.cpp) ----
// The record of geometry attached to a live body (false: none).
bool attached_geometry(int tag, PX_BREP_geometry_t& out);

// ---- partitions (kernel_files.cpp) ----
// Notes a new partition: kernel tags given out from now on belong to it.
void partition_made(int partition);

// ---- kernel points (measure.cpp) ----
// Deletes the kernel point of the tag (PX_point_create); false when the
// tag is no kernel point.
bool drop_point(int tag);

// ---- pieces (pieces.cpp) ----
// The step that keeps the first solid of the shape before it; a shape of
// one solid passes unchanged (pieces.cpp).
void first_piece(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named);

// ---- failures ----
// Raises the kernel failure of the exception being handled (call from a
// catch block): a host error passes unchanged, Standard_Failure and other
// exceptions become `code` with the kernel's message.
[[noreturn]] void rethrow_as(const Call& call, int code);

// Runs f; a kernel exception becomes `code`.
template <class F>
auto guarded(const Call& call, int code, F&& f) -> decltype(f()) {
    try {
        return f();
    } catch (...) {
        rethrow_as(call, code);
    }
}

// Reads a shape in the kernel's binary format: null for data that does not
// decode (the kernel's reader complains on the console: it is silenced).
TopoDS_Shape read_brep(std::istream& in);

// Process-lifetime set-up of the kernel library (messages off, tables made
// once with leak tracking paused); every entry that runs kernel algorithms
// calls it (cheap after the first call).
void ensure_started();

}  // namespace host::kernel::detail

#endif
