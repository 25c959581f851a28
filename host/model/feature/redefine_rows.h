// The rows that the redefinition of a feature's references keeps besides
// the feature records, and which go into part files with the part (the
// "R..." sections of redefine_rows.cpp). The update, the positioning and
// the place of a form feature read them, so they stand with the features;
// the redefinition family (host/apps/modeling/redefine/) and the creators
// change them. The positioning dimensions' qualifiers are positioning.cpp's.
#ifndef HOST_FEATURE_REDEFINE_ROWS_H
#define HOST_FEATURE_REDEFINE_ROWS_H

#include <vector>

#include "host/model/feature/feature.h"
#include "host/base/model.h"

namespace host::feature {

// The link references a form feature keeps besides its placement: its tool
// face and direction reference (kernel tags, 0: none), the slot of the
// direction reference (1 the first, 0 the second) and the flip flag. A part
// read from a file names the tool face and the direction reference by
// their objects (0: none), since the kernel's entities come with the bodies
// and may not yet be there when the row is read; link_tool and link_dir
// answer either kind.
struct LinkRefs {
    int tool = 0;
    int dir = 0;
    int slot = 1;
    bool flip = false;
    unsigned int tool_object = 0;
    unsigned int dir_object = 0;
};
TagTable<LinkRefs>& link_refs();
int link_tool(const LinkRefs& l);
int link_dir(const LinkRefs& l);

// The placement and through faces of a form feature read from a part file,
// by their objects, until the update makes the feature again and its
// record holds their kernel faces once more; form_refs answers the kernel
// faces of either kind (a face whose object is gone answers 0).
struct FormFaces {
    std::vector<unsigned int> objects;
};
TagTable<FormFaces>& form_faces();
std::vector<int> form_refs(unsigned int feature, const std::vector<int>& refs);
// Whether the feature is a form feature built on its body.
bool is_form_feature(unsigned int feature);

// The datum plane a form feature stands on (not on a face of its body), by
// the feature: where it was made or reattached.
struct DatumPlacement {
    unsigned int plane = 0;
};
TagTable<DatumPlacement>& datum_placements();

// The datum planes a hole or slot runs to in place of through faces (one
// deleted since counts no more), by the feature; `planes_first` when they came before its through face (a
// slot's plane and face), as the query answers them; `seen` holds each
// plane's point and normal (six numbers a plane) as the feature was last
// built on them, empty until then (read from a file).
struct DatumThrough {
    std::vector<unsigned int> planes;
    bool planes_first = false;
    std::vector<double> seen;
};
TagTable<DatumThrough>& datum_throughs();
// The datum planes the record's feature runs to (none for a record of no
// feature, a copy of a feature's record answers the feature's).
std::vector<unsigned int> datum_through_planes(const Record& r);
// Each live plane's point and normal now (a deleted plane is left out;
// false for an object that is no plane).
bool datum_plane_numbers(const std::vector<unsigned int>& planes, std::vector<double>* out);

// The trim faces of a trimming user-defined feature, by its meta record:
// kernel faces, or (read from a file) the face objects.
struct TrimFaces {
    std::vector<int> faces;
    std::vector<unsigned int> objects;
};
TagTable<TrimFaces>& trim_faces();
std::vector<int> trim_refs(const TrimFaces& t);

// The qualifier pairs a redefinition gave a positioning dimension (tool,
// then target), by the dimension's constraint.
struct DimQualifiers {
    int pairs[4] = {0, 0, 0, 0};
};
TagTable<DimQualifiers>& dimension_qualifiers();

// Per form feature: its positioning centerlines; per centerline: its
// feature and which it is (0 the arc, 1 the line along X, 2 along Y).
struct FeatureLines {
    std::vector<unsigned int> lines;
};
TagTable<FeatureLines>& feature_centerlines();
struct CenterLine {
    unsigned int feature = 0;
    int which = 0;
};
TagTable<CenterLine>& centerline_rows();
// When the object is a centerline of a feature: true, with its direction
// from the feature's place (a line's; an arc's: 0 0 0).
bool centerline_direction(const Call& call, unsigned int object, double dir[3]);

}  // namespace host::feature

#endif
