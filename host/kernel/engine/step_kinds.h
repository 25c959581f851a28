// The kinds of step the solid kernel runs, found by registration.
//
// Every operation on a body is a step of some kind; the body keeps its
// steps, runs them again when it is regenerated, and writes them to part
// files by their kind's number. Each operation (host/kernel/ops/) defines
// its kinds and registers them from its own source, so the runner names
// none of them: a new operation is a new file, not a new case in the
// runner.
#ifndef HOST_KERNEL_STEP_KINDS_H
#define HOST_KERNEL_STEP_KINDS_H

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

#include "host/base/hook.h"

class TopoDS_Shape;

namespace host::kernel::detail {

struct Step;
struct Named;

// Runs a step on the shape before it (null for a step that makes a body)
// and leaves the result, named, in the step; fails through `call`.
using StepRun = void (*)(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named);

// What the runner and the naming need to know of a kind.
enum StepKindFlags : unsigned {
    // The result is made from other bodies that stay (profiles, guides,
    // the body cut by a section): it takes none of their tags.
    kStepFromOthers = 1u << 0,
    // With mode 1 the result is the part of a body that stays (the front
    // of a split): it takes none of its tags either.
    kStepFrontByMode = 1u << 1,
    // The result is made from the step's numbers alone, so a boolean that
    // takes it as a tool makes the tool again from the boolean's numbers.
    kStepFromNumbers = 1u << 2,
};

struct StepKind {
    // Kept in part files with each step of the kind: never changed, never
    // given to another kind.
    std::uint32_t number = 0;
    const char* name = "";
    StepRun run = nullptr;
    unsigned flags = 0;
};

// Registers an operation's kinds (each a namespace-scope constant of its
// source); the object is kept at namespace scope beside them. Two kinds
// with one number stop the program at the first look-up, naming both.
class StepKindRegistration {
public:
    StepKindRegistration(std::initializer_list<std::reference_wrapper<const StepKind>> kinds);
};

// The kind of a number, or nullptr for a number no kind has.
const StepKind* find_step_kind(std::uint32_t number);
// Every registered kind, by number.
std::vector<const StepKind*> step_kinds();

namespace steps {
// A shape taken as it is, with its tags (an import, a copy, a result made
// outside the steps): the runner's own kind.
extern const StepKind imported;
}  // namespace steps

}  // namespace host::kernel::detail

#endif
