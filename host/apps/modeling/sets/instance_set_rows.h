// The sources of instance sets: which features a set copies, kept in the
// part file, and the steps of the body whose tools the copies repeat.
// Only the sets family (host/apps/modeling/sets/) includes it.
#ifndef HOST_FEATURE_INSTANCE_SET_ROWS_H
#define HOST_FEATURE_INSTANCE_SET_ROWS_H

#include <cstddef>
#include <vector>

#include "host/model/feature/feature.h"

namespace host::feature {

// Whether x lives on the body of r. While the bodies of a part read from a
// file are made again (attach), r has the new body and x, not made again
// yet, the body read from the file.
bool on_same_body(const Record& x, const Record& r);
// A feature that cuts or unites a tool of its own into its body (one read
// from a file has its tool again once its body is made again).
bool cuts_or_unites_a_tool(const Record& r);

// The fixed numbers of an instance set's kind before its sources (0 for a
// kind that is no instance set).
std::size_t instance_set_head(const std::string& kind);
// The features the instance set copies, in the order given.
std::vector<tag_t> instance_set_sources(tag_t set);
// The steps of the body whose tools the instance set r (numbers before
// `head`, its sources after) copies; a set read from a file takes the
// sources saved with it first. Raises FEAT_ERR_BAD_REFERENCE for a source
// that is no tool of the set's body.
std::vector<int> instance_source_steps(const Call& call, Record& r, std::size_t head);
// The moves of the copies of the instance set r (a circular or linear set)
// for its parameter values (its number and angle, or its numbers and
// spacings along X and Y); raises FEAT_ERR_BAD_PARAMETERS for a number of
// copies that is no whole number or too small.
std::vector<double> instance_set_moves(const Call& call, const Record& r, const std::vector<double>& values);

// Sets follow the tools they copy (instance_set_follow.cpp): after the
// bodies are made again at an update, each active instance set and mirror
// set, in time order, whose copied tools changed since its copies were
// made (a hole's diameter edited), or whose moves did (an instance set's
// own number, spacing or angle edited, a mirror plane on a datum plane that
// moved), gets its copies made again from the tools as
// they are now at its step, and the body is made again with them.
//
// Makes the set's copies again (a new tool for its step) when the tools of
// `steps` changed since they were made or `moves` (empty: those they were
// made with) differ; true when it did (the body then needs making again).
bool renew_copies(const Call& call, tag_t set, const std::vector<int>& steps, const std::vector<double>& moves);
// The steps a mirror set copies now and, for a plane that moved since the
// copies were made, the reflection about it (else empty); a moved plane's
// place goes into the set's numbers (mirror_sets.cpp).
void mirror_set_copies(const Call& call, tag_t set, std::vector<int>* steps, std::vector<double>* moves);
bool is_mirror_set(const Record& r);

}  // namespace host::feature

#endif
