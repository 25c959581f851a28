// Part files made byte by byte, as somebody other than the host could write
// them: an object table, entity-store rows, curve rows and any further
// sections, framed with a right header and checksum. A sound model to start
// from holds one object of each kind that carries references or curve data.
#ifndef TESTS_HOST_STORE_PARTS_CRAFTED_PART_H
#define TESTS_HOST_STORE_PARTS_CRAFTED_PART_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/views.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/part_file.h"

namespace crafted {

namespace pf = host::part_file;

constexpr std::uint32_t kNone = 0xFFFFFFFFu;

struct Object {
    int type;
    int subtype = 0;
    std::string name = {};
    std::uint32_t eid = 0;
    std::string cls = "RM_entity_c";
};

struct Row {
    std::uint32_t object;
    std::uint32_t owner = kNone;
    std::vector<std::uint32_t> views = {}, members = {};
    double location[3] = {0, 0, 0};
};

struct Model {
    std::vector<Object> objects;
    std::vector<Row> rows;
    std::vector<std::pair<std::uint32_t, std::string>> curves;  // object number, curve row
    std::vector<std::pair<std::string, std::string>> sections;  // further sections: id, payload
};

inline std::string point(double x, double y, double z) {
    pf::Writer w;
    w.u8(0);
    for (double v : {x, y, z}) w.f64(v);
    return w.bytes();
}
inline std::string line(const std::vector<double>& ends) {
    pf::Writer w;
    w.u8(1);
    for (double v : ends) w.f64(v);
    return w.bytes();
}
// data: start angle, end angle, center x y z, radius.
inline std::string arc(std::uint32_t matrix, const std::vector<double>& data) {
    pf::Writer w;
    w.u8(2);
    w.u32(matrix);
    for (double v : data) w.f64(v);
    return w.bytes();
}
// The thirteen conic values in their order (CONIC_V_*).
inline std::string conic(std::uint32_t matrix, int type, const std::vector<double>& values) {
    pf::Writer w;
    w.u8(3);
    w.u32(matrix);
    w.i32(type);
    for (double v : values) w.f64(v);
    return w.bytes();
}
// Conic values from start, end, k1 and k2 (centre at the origin, not turned).
inline std::vector<double> conic_values(double start, double end, double k1, double k2) {
    return {start, end, 0, 0, 0, 0, 0, 0, 0, k1, k2, 0, 1};
}

inline std::string entity_row(const Row& r) {
    pf::Writer w;
    for (int v : {1, 7, 1, 0}) w.i32(v);
    w.u32(0);
    for (double v : r.location) w.f64(v);
    for (int v : {3, 0, 0, 1, 1, 0}) w.i32(v);
    w.u32(r.owner);
    for (const auto* refs : {&r.views, &r.members}) {
        w.u32(static_cast<std::uint32_t>(refs->size()));
        for (std::uint32_t n : *refs) w.u32(n);
    }
    return w.bytes();
}

// The whole file: header, sections and checksum.
inline std::string file_bytes(const Model& m) {
    std::vector<std::pair<std::string, std::string>> sections;
    pf::Writer objs;
    objs.u32(static_cast<std::uint32_t>(m.objects.size()));
    for (const Object& o : m.objects) {
        objs.str(o.cls);
        objs.i32(o.type);
        objs.i32(o.subtype);
        objs.str(o.name);
        objs.u32(o.eid);
    }
    sections.emplace_back("OBJS", objs.bytes());
    if (!m.rows.empty()) {
        pf::Writer ents;
        ents.u32(static_cast<std::uint32_t>(m.rows.size()));
        for (const Row& r : m.rows) {
            ents.u32(r.object);
            ents.str(entity_row(r));
        }
        sections.emplace_back("ENTS", ents.bytes());
    }
    if (!m.curves.empty()) {
        pf::Writer crvs;
        crvs.u32(static_cast<std::uint32_t>(m.curves.size()));
        for (const auto& [object, row] : m.curves) {
            crvs.u32(object);
            crvs.str(row);
        }
        sections.emplace_back("CRVS", crvs.bytes());
    }
    sections.insert(sections.end(), m.sections.begin(), m.sections.end());
    pf::Writer body;
    for (const auto& [id, payload] : sections) {
        body.raw(id);
        body.u32(static_cast<std::uint32_t>(payload.size()));
        body.raw(payload);
    }
    pf::Writer head;
    head.u32(pf::kFormatVersion);
    head.u32(pf::kHeaderSize);
    head.u32(static_cast<std::uint32_t>(sections.size()));
    head.u32(static_cast<std::uint32_t>(body.bytes().size()));
    std::string out(pf::kMagic, sizeof pf::kMagic);
    out += head.bytes() + body.bytes();
    pf::Writer tail;
    tail.u32(pf::crc32(out));
    return out + tail.bytes();
}

// Object numbers of the sound model.
enum : std::uint32_t {
    kMatrix = 1,
    kPoint,
    kLine,
    kArc,
    kEllipse,
    kBody,
    kFace,
    kGroup,
    kDrawing,
    kView,
    kCount = kView
};

// A sound model: a matrix, a point, a named line that depends on a view,
// an arc and an ellipse on the matrix, a body with a face, a group of the
// point and the line, and a drawing with its view.
inline Model sound() {
    Model m;
    m.objects = {
        {HOST_TYPE_MATRIX},
        {HOST_TYPE_POINT},
        {HOST_TYPE_LINE, 0, "EDGE_1"},
        {HOST_TYPE_ARC},
        {HOST_TYPE_CONIC, HOST_CONIC_ELLIPSE},
        {HOST_TYPE_SOLID},
        {HOST_TYPE_SOLID, 2},
        {HOST_TYPE_GROUP},
        {HOST_TYPE_DRAWING},
        {HOST_TYPE_VIEW, 1},
    };
    for (std::size_t i = 0; i < m.objects.size(); ++i) m.objects[i].eid = static_cast<std::uint32_t>(10 + i);
    m.rows = {{kLine, kNone, {kView}},
              {kBody, kNone, {}, {kFace}},
              {kFace, kBody},
              {kGroup, kNone, {}, {kPoint, kLine}},
              {kDrawing, kNone, {}, {kView}}};
    m.curves = {{kPoint, point(1, 2, 3)},
                {kLine, line({0, 0, 0, 4, 5, 6})},
                {kArc, arc(kMatrix, {0.25, 2.5, 1, -1, 0.5, 3})},
                {kEllipse, conic(kMatrix, HOST_CONIC_ELLIPSE, conic_values(0.5, 2, 4, 2))}};
    return m;
}

}  // namespace crafted

#endif
