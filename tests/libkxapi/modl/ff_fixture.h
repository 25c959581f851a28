// What the free-form tests build their strings from: curves in a part
// (circles, lines, rectangles), string lists over them and the mass
// properties of a feature's body.
#ifndef TESTS_LIBKXAPI_MODL_FF_FIXTURE_H
#define TESTS_LIBKXAPI_MODL_FF_FIXTURE_H

#include <array>
#include <initializer_list>
#include <numbers>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/wcs.h"
#include "host/model/feature/feature.h"
#include "host/kernel/engine/kernel.h"
#include "kx_modl.h"

namespace ff_test {

// Strings built for a call: one string per inner list of objects.
struct Strings {
    std::vector<int> per, dir;
    std::vector<tag> objects;
    string_list list{};
    Strings(std::initializer_list<std::vector<tag>> of) {
        // (list is set last: the vectors are full by then)
        for (const auto& s : of) {
            per.push_back(static_cast<int>(s.size()));
            dir.push_back(1);
            objects.insert(objects.end(), s.begin(), s.end());
        }
        list = {static_cast<int>(per.size()), per.data(), dir.data(), objects.data()};
    }
    Strings(const Strings&) = delete;
    string_list* operator&() { return &list; }
};

// Curves made in the part `curve_part`.
class Curves {
public:
    tag identity() {
        if (identity_ == NULL_TAG) {
            const double rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
            ES_create_matrix_in_part(curve_part, rows, 3, &identity_);
        }
        return identity_;
    }
    tag circle(double cx, double cy, double cz, double r) {
        const double data[6] = {0, 2 * std::numbers::pi, cx, cy, cz, r};
        unsigned int arc = 0;
        ES_create_arc(data, identity(), &arc);
        return arc;
    }
    tag line(std::array<double, 6> ends) {
        unsigned int l = 0;
        ES_create_line_in_part(curve_part, ends.data(), &l);
        return l;
    }
    // A closed rectangle of lines in the plane z.
    std::vector<tag> rectangle(double x0, double y0, double x1, double y1, double z = 0) {
        return {line({x0, y0, z, x1, y0, z}), line({x1, y0, z, x1, y1, z}), line({x1, y1, z, x0, y1, z}),
                line({x0, y1, z, x0, y0, z})};
    }
    // A quarter circle of radius 50 about the z axis at height z, from
    // (50, 0, z), and a ring of radius 2 about its start across it (in the
    // XZ plane): a tube of volume 100 pi^2 when swept.
    struct Tube {
        tag guide = NULL_TAG, ring = NULL_TAG;
    };
    Tube quarter_tube(double z) {
        Tube t;
        const double guide_data[6] = {0, std::numbers::pi / 2, 0, 0, z, 50};
        ES_create_arc(guide_data, identity(), &t.guide);
        const double rows[9] = {1, 0, 0, 0, 0, 1, 0, -1, 0};
        unsigned int m = 0;
        ES_create_matrix_in_part(curve_part, rows, 3, &m);
        const double ring_data[6] = {0, 2 * std::numbers::pi, 50, z, 0, 2};  // in the matrix's coordinates
        ES_create_arc(ring_data, m, &t.ring);
        return t;
    }
    // A new part's curves need a new matrix.
    void use_part(unsigned int part) {
        curve_part = part;
        identity_ = NULL_TAG;
    }
    static double props(tag feature, int which) {
        const tag body = FREC_ask_body(feature);
        double p[ZQ_MP_COUNT] = {};
        ZQ_BODY_ask_mass_props(host::kernel::entity_of(body), p);
        return p[which];
    }

    unsigned int curve_part = 0;

private:
    unsigned int identity_ = NULL_TAG;
};

}  // namespace ff_test

#endif
