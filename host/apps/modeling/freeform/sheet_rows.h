// Inside of the sheet features of host/apps/modeling/freeform/ (variable offsets,
// thickened, bridge and cloud sheets, trimmed and enlarged sheets): how
// they hold the faces and edges they are made from, what those inputs are
// now (so that the update can tell when they changed), and the part-file
// fields their rows share.
#ifndef HOST_FREEFORM_SHEET_ROWS_H
#define HOST_FREEFORM_SHEET_ROWS_H

#include <string_view>
#include <vector>

#include "host/store/parts/part_file.h"
#include "host/model/feature/feature.h"

namespace host::freeform {

// Makes a feature's step again as the part file keeps it (the body the
// feature service is making again from the file): a body of its own (step
// 0) or its step of the body it lives on. Outside such a making it raises
// FEAT_ERR_BAD_REFERENCE, naming the feature's sort (`what`).
void copy_step_from_file(const host::Call& call, host::feature::Record& r, const char* what);

// A face or edge a sheet feature is made from. Taken in this session it is
// held by its reference (the kernel's persistent tag, FREF_/EREF_), which
// keeps its identity through regenerations; read from a part file it is
// held by its object, because the bodies of a part read back get new kernel
// tags when they are made again (their faces and edges keep their objects).
struct SubRef {
    unsigned int ref = 0;
    unsigned int object = 0;
    bool operator==(const SubRef&) const = default;
};
// The reference of a live face or edge object (the object itself kept too).
SubRef sub_ref(unsigned int object);
// The face or edge object now, 0 when it is gone.
unsigned int object_of(const SubRef& sub);
// Its kernel tag now, 0 when it is gone.
int entity_of(const SubRef& sub);
// True when a reference is held by its object only (read from a file).
bool unsettled(const std::vector<SubRef>& subs);
// References held by their objects take their kernel tags (once the bodies
// read with the part are made again, their tags are the faces' and edges'
// for good).
void settle(std::vector<SubRef>& subs);

// What a face, edge or body is now: the box of each of its faces and edges
// with each face's point and normal (ZQ_FACE_ask_data), appended to `out`.
// An entity that is gone adds one NaN-free marker (-1), so that a change
// from present to gone shows.
void add_print(std::vector<double>& out, int entity);

// Part-file fields: the objects of the references (a row is written only
// when every one is there, see all_saved), read back as references held by
// their objects; `kind` is the HOST_SUBTYPE_ each must have.
bool all_saved(const part_file::SaveContext& ctx, const std::vector<SubRef>& subs);
void put_subs(part_file::Writer& out, const part_file::SaveContext& ctx, const std::vector<SubRef>& subs);
// After the fixed `kinds`, up to `max_more` further groups of `more` kinds
// may follow (whole groups only).
std::vector<SubRef> get_subs(part_file::Reader& in, const part_file::LoadContext& ctx, std::string_view what,
                             const std::vector<int>& kinds, const std::vector<int>& more = {}, std::size_t max_more = 0);
// An object number that must name an object of the class (OM_CLASS_*, -1:
// any) and, with a subtype other than -1, a solid-kernel object of it.
unsigned int get_object_of(part_file::Reader& in, const part_file::LoadContext& ctx, std::string_view what, int cls,
                           int subtype = -1);
// Reals that must all be finite.
std::vector<double> get_finite_reals(part_file::Reader& in, std::string_view what);
// The row's object must be a feature.
void require_feature(unsigned int object, std::string_view what);

}  // namespace host::freeform

#endif
