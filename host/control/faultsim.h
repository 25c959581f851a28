// Queries for the fault simulation of the tests (tests/support/faultsim.h):
// a cheap look at the journal, and a text that describes the whole model so
// that two states can be compared.
#ifndef HOST_CONTROL_FAULTSIM_H
#define HOST_CONTROL_FAULTSIM_H

#include <cstddef>
#include <string>

#include "host/base/hook.h"

namespace host::control {

// Number of records in the journal, and the record at index i (i below
// journal_size(); valid until the journal grows or is cleared). No copy.
std::size_t journal_size();
const JournalRecord& journal_at(std::size_t i);

// A text that describes the model: every live object (tag, class, type,
// subtype, part, name, entity id), the loaded parts (units, modified, load
// state, components), the displayed and work part, each loaded part's
// content as its part file would hold it (attributes, display data, curves,
// matrices and coordinate systems), the work coordinate system, the undo
// marks and the update log. Two states with the same text are the same
// model. It asks WCS_ask_tag and WCS_is_temporary with the journal off:
// take it when no raise is scripted for them.
std::string model_fingerprint();

}  // namespace host::control

#endif
