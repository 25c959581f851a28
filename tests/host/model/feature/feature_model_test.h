// Shared fixture of the feature model's tests: a reset host with a work
// part, expressions by name, and the block with a hole and two blended
// corner edges that the stories build.
#ifndef TESTS_HOST_MODEL_FEATURE_FEATURE_MODEL_TEST_H
#define TESTS_HOST_MODEL_FEATURE_FEATURE_MODEL_TEST_H

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/entity_delete.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

class FeatureModelTest : public ::testing::Test {
protected:
    static constexpr double kPi = std::numbers::pi;
    static constexpr double kHole = 10;  // radius of the hole, at (50, 25)

    void SetUp() override {
        host::control::reset();
        part_ = host::parts::create("model.prt");
        CONTEXT_set_work_part(part_);
    }
    void TearDown() override { host::control::reset(); }

    static int raised(const std::function<void()>& f) { return host::control::raised_code(f).value_or(0); }

    unsigned int exp(const char* name) const { return EXP_ask_exp_of_var(part_, name); }
    double value(const char* name) const { return host::expr::value(exp(name)); }
    int set(const char* name, const char* formula) const { return EXP_edit_exp(part_, exp(name), formula); }
    int make(const char* assignment) const {
        unsigned int t = 0;
        return EXP_create_exp(part_, assignment, &t);
    }

    unsigned int feature(const char* kind, std::vector<const char*> formulas, std::vector<double> numbers,
                         std::vector<unsigned int> refs = {}, unsigned int target = 0, int sign = 0) const {
        unsigned int f = 0;
        const int st = FEAT_create(part_, kind, int(formulas.size()), formulas.data(), int(numbers.size()),
                                   numbers.data(), int(refs.size()), refs.data(), target, sign, &f);
        EXPECT_EQ(st, 0) << kind;
        return f;
    }

    static int body_of(unsigned int feature) { return host::kernel::entity_of(FREC_ask_body(feature)); }
    static double volume(int body) {
        double p[ZQ_MP_COUNT] = {};
        ZQ_BODY_ask_mass_props(body, p);
        return p[ZQ_MP_VOLUME];
    }
    // The straight vertical edges of the body at x (kernel tags).
    static std::vector<int> vertical_edges_at(int body, double x) {
        std::vector<int> out;
        for (int e : host::kernel::edges_of(body)) {
            int type = 0;
            double p[3], d[3], r = 0, box[6];
            ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
            ZQ_TOPOL_find_box(e, box);
            if (type == ZQ_CURVE_LINE && std::abs(std::abs(d[2]) - 1) < 1e-9 && std::abs(box[0] - x) < 1e-6 &&
                std::abs(box[3] - x) < 1e-6)
                out.push_back(e);
        }
        return out;
    }
    // Axis positions (x, y) of the body's cylindrical faces of radius r.
    static std::vector<std::array<double, 2>> round_faces(int body, double r) {
        std::vector<std::array<double, 2>> out;
        for (int f : host::kernel::faces_of(body)) {
            int type = 0, sense = 0;
            double p[3], d[3], rad = 0, r2 = 0;
            ZQ_FACE_ask_data(f, &type, p, d, &rad, &r2, &sense);
            if (type == ZQ_SURF_CYLINDER && std::abs(rad - r) < 1e-9) out.push_back({p[0], p[1]});
        }
        return out;
    }

    // Block length x width x height less the hole, two vertical edges at
    // x = length blended with radius r.
    static double closed_form(double length, double width, double height, double r) {
        return length * width * height - kPi * kHole * kHole * height - 2 * r * r * (1 - kPi / 4) * height;
    }

    // Builds the story's model: length=100, width=50, height=20, the block,
    // the hole through it, the blend of radius 5 on the block's two
    // vertical edges at x = length.
    void build() {
        ASSERT_EQ(make("length=100"), 0);
        ASSERT_EQ(make("width=50"), 0);
        ASSERT_EQ(make("height=20"), 0);
        block_ = feature("BLOCK", {"length", "width", "height"}, {0, 0, 0});
        const unsigned int body = FREC_ask_body(block_);
        hole_ = feature("CYLINDER", {"2*10", "height+2"}, {50, 25, -1, 0, 0, 1}, {}, body, FEAT_SIGN_SUBTRACT);
        edges_ = vertical_edges_at(body_of(block_), 100);
        ASSERT_EQ(edges_.size(), 2u);
        std::vector<unsigned int> objects;
        for (int e : edges_) objects.push_back(host::kernel::object_of(e));
        blend_ = feature("BLEND", {"5"}, {}, objects, body);
    }
    // The blend's expression.
    unsigned int blend_radius() const {
        int n = 0;
        unsigned int* exps = nullptr;
        FREC_ask_system_exps_of_frec(blend_, &n, &exps);
        const unsigned int e = n == 1 ? exps[0] : 0;
        SM_free(exps);
        return e;
    }
    std::vector<int> blend_refs() const {
        int n = 0;
        int* refs = nullptr;
        FREC_ask_references(blend_, &n, &refs);
        std::vector<int> out(refs, refs + n);
        SM_free(refs);
        return out;
    }
    int update() const {
        return raised([] { UPDATE_do_update(); });
    }

    unsigned int part_ = 0;
    unsigned int block_ = 0, hole_ = 0, blend_ = 0;
    std::vector<int> edges_;
};

#endif
