// Part-file section "CFEA": the parameters of the curve features of a part
// (host/apps/modeling/curvefeat/curvefeat.h), one row per feature (part_file::write_rows):
//   str kind ("BRIDGE_CURVE", "PROJECTED_CURVE", "COMBINED_CURVE",
//   "INTERSECTION_CURVE", "ISOCLINE_CURVE", "JOINED_CURVE", "WRAP_CURVE",
//   "OFFSET_CURVE", "SPLINE") the kind's fields, as its source file
//   (bridge.cpp, projection.cpp, combine.cpp, intersection.cpp,
//   isocline.cpp, join_feature.cpp, wrap.cpp, offset.cpp,
//   spline_feature.cpp) describes them.
// Objects go by their number in the file (kNone: none). A feature that
// needs an object not written with it (dead, or left out of the save) gets
// no row: it opens as a plain feature whose curves stay as they are. An
// object it can do without (a bridge's point, a projection's curve
// deleted since) is left out of its row.
// The fingerprint a feature was made from is not saved: each curve feature
// read is made again from its inputs at the next update (its curves keep
// their tags).
//
// A feature's kind is its record's (a name is its user's and never stands
// for the kind). The reader refuses a row of an object that is no feature
// and, once the part is read, parameters on a feature of another kind, an unknown kind, object numbers out of the file or of
// objects of kinds the feature does not take, numbers that are not finite,
// values out of the ranges the creators take, texts too long for their
// field, and fields the row does not hold. It stores nothing before the
// whole section has read.
#ifndef HOST_CURVEFEAT_FILE_ROWS_H
#define HOST_CURVEFEAT_FILE_ROWS_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "host/store/parts/part_file.h"

namespace host::objects {
struct Object;
}

namespace host::curvefeat::file_rows {

namespace pf = host::part_file;
using tag_t = unsigned int;
inline constexpr std::uint32_t kNone = 0xFFFFFFFFu;

// What a reference may be.
using Accept = bool (*)(const host::objects::Object&);
bool curve(const host::objects::Object& o);       // line, arc, conic, spline, kernel edge
bool point(const host::objects::Object& o);       // point
bool target(const host::objects::Object& o);      // kernel face or sheet, plane, datum plane
bool expression(const host::objects::Object& o);  // expression
bool axis(const host::objects::Object& o);        // line or datum axis
bool output(const host::objects::Object& o);      // spline or point (a projected point)
bool input(const host::objects::Object& o);       // a curve, point or curve feature

// Writing. A writer answers false (and its bytes are dropped) when the
// feature refers to an object that is not in the file.
class Out {
public:
    Out(pf::Writer& w, const pf::SaveContext& ctx) : w_(w), ctx_(ctx) {}
    pf::Writer& w() { return w_; }
    // An object (0: none).
    void tag(tag_t t);
    void tags(const std::vector<tag_t>& list);
    // An object that may be left out: none when it is not in the file.
    void optional_tag(tag_t t);
    // The objects of the list that are in the file.
    void tags_in_file(const std::vector<tag_t>& list);
    void text(const char* chars, std::size_t size);  // up to the first NUL
    bool whole() const { return whole_; }

private:
    std::uint32_t number(tag_t t) const;  // kNone: not in the file
    pf::Writer& w_;
    const pf::SaveContext& ctx_;
    bool whole_ = true;
};

// Reading: each throws FormatError for what the feature could not hold.
class In {
public:
    In(pf::Reader& r, const pf::LoadContext& ctx) : r_(r), ctx_(ctx) {}
    pf::Reader& r() { return r_; }
    // An object the accept takes; 0 for none when `optional`.
    tag_t tag(Accept accept, bool optional = false);
    std::vector<tag_t> tags(Accept accept);
    double real();  // finite
    int range(int low, int high);
    // A text that fits the field with its NUL.
    void text(char* chars, std::size_t size);
    // A count of items of at least `bytes` each that the row can hold.
    std::uint32_t count(std::size_t bytes);

private:
    pf::Reader& r_;
    const pf::LoadContext& ctx_;
};

// The rows of one kind of curve feature.
struct Kind {
    const char* name;
    // True for a feature of the kind that has parameters.
    bool (*has)(tag_t feature);
    void (*write)(Out& out, tag_t feature);
    // Reads the row's fields and answers what stores them.
    std::function<void()> (*read)(In& in, tag_t feature);
};
// Registers a kind (from a static initialiser).
void register_kind(const Kind& kind);

}  // namespace host::curvefeat::file_rows

#endif
