// The bodies of skin features (inside of the skinning service): made from
// a definition's live strings by the solid kernel, and what those strings
// are now, so that the update can tell when they changed.
#ifndef HOST_FREEFORM_SKIN_BODY_H
#define HOST_FREEFORM_SKIN_BODY_H

#include <vector>

#include "host/apps/modeling/freeform/freeform_defs.h"
#include "host/kernel/ops/through_curves.h"

namespace host::freeform {

// The strings as the kernel takes them (a view: `s` must outlive it).
ZQ_strings_t strings_view(const Strings& s);
// A new body (kernel tag) of the definition's kind from its strings, a
// solid when its option byte asks for one; `values` are the method values
// (the sweep's orientation and scaling). Kernel failures raise.
int make_skin_body(const SkinDefinition& definition, const std::vector<double>& values);
// Points along every curve and edge of the definition's strings.
std::vector<double> strings_print(const SkinDefinition& definition);

}  // namespace host::freeform

#endif
