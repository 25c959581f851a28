// What a part may hold: the rules that the creating functions of the host
// and the interface apply, gathered in one place so that a part read from a
// file is held to them as well. A file may come from anybody; the reader
// refuses (PART_ERR_CORRUPT) any part that breaks one of them.
//
// Objects: a class, entity type and subtype that the creating functions
// make (known_kind); a name of at most kMaxObjectName characters without
// control characters; an entity id from 1 to below the reserved 0xFFFFFFFF,
// unique within the part.
//
// Entity-store rows: a finite name location; an owner that is a body of
// the same part; views that are views of the same part; members of holders
// (groups, sketches, bodies, drawings) that are live objects of the same
// part. No reference names the object itself or the part, and members form
// no cycle.
//
// Curve data: present for every point, line, arc, conic and spline object
// that is no occurrence (an occurrence shows its prototype's curve), of the
// kind of its object (a conic's type is its subtype); allowed besides only
// on solid-kernel edges. Values are finite; a line has two distinct ends;
// an arc sweeps forward, more than 1e-6 and at most a turn, with a radius
// above 1e-6; a conic keeps the ranges of the conic creator (an ellipse
// starts within a turn and sweeps at most one, with positive semi-axes; a
// hyperbola's ends lie strictly within its asymptotes' angles and come in
// order; a parabola's focal value is not zero), its rotation is a rotation
// and its end points are finite; a matrix reference names a matrix.
#ifndef HOST_DATA_PART_RULES_H
#define HOST_DATA_PART_RULES_H

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace host::part_rules {

using tag_t = unsigned int;

inline constexpr std::size_t kMaxObjectName = 30;
// The entity id that no object ever has.
inline constexpr std::uint32_t kReservedEid = 0xFFFFFFFFu;

// A kind of object that a part file keeps: its class, entity type and
// range of subtypes, and the sections (4-byte ids, separated by spaces)
// that write and read what an object of the kind holds beyond its row in
// the object table ("OBJS": class, type, subtype, name, entity id, which
// every kind has). The one list of these kinds serves the writer, which
// refuses a part holding an object of any other kind before it writes a
// byte, and the reader, which refuses such an object as a damaged file.
struct Kind {
    int cls;
    int type;
    int first_subtype, last_subtype;
    const char* kept_by;
};
// Every kind: the host's own and those registered.
std::vector<Kind> kinds();
// True for a class, type and subtype that the creating functions make.
bool known_kind(int cls, int type, int subtype);
// A service that makes objects of a class of its own registers the kind
// (from a static initialiser), with the sections that keep its data.
void register_known_kind(int cls, int type, int first_subtype, int last_subtype, const char* kept_by = "");
// Null when a part file can keep an object of the class, type, subtype and
// name (a known kind and a valid name), else what it cannot keep, in words.
const char* unkept(int cls, int type, int subtype, std::string_view name);
// A service whose rows must agree with what other sections read (a
// feature with the steps saved with its body) registers a rule of its own
// (from a static initialiser): it answers null, or the rule that the part
// breaks, in words. Rules are asked once every section is read.
void register_rule(const char* (*rule)(tag_t part));
// True for a name that an object may have (the empty name included).
bool valid_name(std::string_view name);
// Null when the part and its objects keep every rule above, else the rule
// that something breaks, in words.
const char* broken_rule(tag_t part);

}  // namespace host::part_rules

#endif
