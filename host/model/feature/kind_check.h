// For part-file section readers that read rows of features of a kind.
//
// A feature's kind is its record's: its object's name is the kind only
// until the user names the feature, so a reader never takes the kind from
// the name. The records come in a section of their own ("FEAT"), which may
// come after the reader's: the kind is checked once every section is read.
#ifndef HOST_FEATURE_KIND_CHECK_H
#define HOST_FEATURE_KIND_CHECK_H

#include <string>
#include <vector>

#include "host/store/parts/part_file.h"

namespace host::feature {

// The feature read must be one of `kinds`; `rule` is the rule that the part
// breaks otherwise (the file is then corrupt).
void expect_kind_when_read(part_file::LoadContext& ctx, unsigned int feature, std::vector<std::string> kinds,
                           const char* rule);

}  // namespace host::feature

#endif
