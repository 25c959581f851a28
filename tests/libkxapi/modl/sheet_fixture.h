// The 100 x 50 x 20 block with the sheets that the tests of sheets made
// again (by the update, after reading a part back) build on: bounded planes
// over rectangles and circles, variable offsets of the block's top face,
// and the measures and expression edits they check with.
#ifndef TESTS_LIBKXAPI_MODL_SHEET_FIXTURE_H
#define TESTS_LIBKXAPI_MODL_SHEET_FIXTURE_H

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/wcs.h"
#include "host/model/feature/feature.h"
#include "host/kernel/engine/face_data.h"
#include "host/kernel/engine/kernel.h"
#include "kx_curve.h"
#include "kx_modl_cre_ff.h"
#include "kx_modl_law.h"
#include "tests/libkxapi/modl/form_fixture.h"

namespace sheet_test {

class SheetModel : public form_test::FormFeature {
protected:
    tag line(std::array<double, 6> ends) {
        unsigned int l = 0;
        ES_create_line_in_part(part_, ends.data(), &l);
        return l;
    }
    tag circle(double x, double y, double z, double r) {
        if (matrix_ == NULL_TAG) {
            const double rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
            ES_create_matrix_in_part(part_, rows, 3, &matrix_);
        }
        const double data[6] = {0, 2 * form_test::kPi, x, y, z, r};
        unsigned int arc = 0;
        ES_create_arc(data, matrix_, &arc);
        return arc;
    }
    // The sheet body of a bounded plane over the curves (one string).
    tag plane(std::vector<tag> curves) {
        int per[1] = {static_cast<int>(curves.size())}, dir[1] = {1};
        string_list l{1, per, dir, curves.data()};
        double tol[3] = {0.001, 0.5, 0.02};
        tag f = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_bplane(&l, tol, &f), 0);
        return FREC_ask_body(f);
    }
    tag rectangle_sheet(double x0, double y0, double x1, double y1, double z) {
        return plane({line({x0, y0, z, x1, y0, z}), line({x1, y0, z, x1, y1, z}), line({x1, y1, z, x0, y1, z}),
                      line({x0, y1, z, x0, y0, z})});
    }
    // The bridge across the facing edges (along x, at heights ya and yb) of
    // the two sheets' faces.
    static tag bridge_between(tag a, double ya, tag b, double yb) {
        tag faces[2] = {}, edges[2] = {};
        int dirs[2] = {1, 1};
        for (int i = 0; i < 2; ++i) {
            const int body = host::kernel::entity_of(i == 0 ? a : b);
            faces[i] = host::kernel::object_of(host::kernel::faces_of(body).at(0));
            for (int e : host::kernel::edges_of(body)) {
                int type = 0;
                double p[3], d[3], r = 0;
                ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
                if (std::abs(p[1] - (i == 0 ? ya : yb)) < 1e-9 && std::abs(d[1]) < 1e-9) {
                    edges[i] = host::kernel::object_of(e);
                    dirs[i] = d[0] > 0 ? 1 : -1;
                }
            }
        }
        tag strip = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_bridge_face(1, nullptr, faces, edges, dirs, nullptr, nullptr, nullptr, nullptr, &strip),
                  0);
        return strip;
    }
    // The offset of the block's top face by the four texts at its corners.
    tag offset_of_top(std::array<std::string, 4> texts) {
        double u[2], v[2];
        int ifail = 0, face = host::kernel::entity_of(top_);
        KI_enpben(&face, u, v, &ifail);
        char* offsets[4] = {texts[0].data(), texts[1].data(), texts[2].data(), texts[3].data()};
        double points[4][2] = {{u[0], v[0]}, {u[1], v[0]}, {u[1], v[1]}, {u[0], v[1]}};
        tag body = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_variable_offset(top_, offsets, points, &body), 0);
        return body;
    }
    // The sheet trimmed to the disc that the circle over it (at x = y = 50)
    // cuts out along z: the feature.
    static tag trim_to_disc(tag sheet, tag arc) {
        KX_MODL_vector along{};
        along.u.components[2] = 1;
        double point[3] = {50, 50, 40};
        tag feature = NULL_TAG, body = NULL_TAG;
        int n = 0;
        EXPECT_EQ(
            KX_MODL_create_trimmed_sheet(sheet, 1, &arc, &along, 1, point, 0, 0.001, 0.5, &body, &n, &feature), 0);
        return feature;
    }
    // The block's top face enlarged by 10% on every side (type 0): the feature.
    tag enlarge_top() {
        char ten[] = "10";
        char* percent[4] = {ten, ten, ten, ten};
        tag feature = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_enlarge(top_, 0, percent, 0.01, &feature), 0);
        return feature;
    }
    static tag result_of(tag feature) { return host::feature::find(feature)->results.front(); }
    // The feature that made the body (its first).
    static tag maker_of(tag body) {
        int n = 0;
        unsigned int* features = nullptr;
        FREC_ask_body_features(body, &n, &features);
        const tag f = n > 0 ? features[0] : NULL_TAG;
        SM_free(features);
        return f;
    }
    static std::array<double, ZQ_MP_COUNT> props_of(tag body) {
        std::array<double, ZQ_MP_COUNT> p{};
        ZQ_BODY_ask_mass_props(host::kernel::entity_of(body), p.data());
        return p;
    }
    static double area(tag body) { return props_of(body)[ZQ_MP_AREA]; }
    static double height(tag body) { return props_of(body)[ZQ_MP_CENTROID + 2]; }
    // The z of the normal of the body's first face (turned with the face).
    static double normal_z(tag body) {
        const int f = host::kernel::faces_of(host::kernel::entity_of(body)).at(0);
        int type = 0, sense = 0;
        double p[3], d[3], r1 = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
        return d[2] * sense;
    }
    static void set_radius(tag arc, double radius) {
        arc_data a{};
        ASSERT_EQ(KX_CURVE_ask_arc_data(arc, &a), 0);
        a.radius = radius;
        ASSERT_EQ(KX_CURVE_edit_arc_data(arc, &a), 0);
    }
    tag block() const { return host::feature::features_of_part(part_).front(); }

    unsigned int matrix_ = NULL_TAG;
};

}  // namespace sheet_test

#endif
