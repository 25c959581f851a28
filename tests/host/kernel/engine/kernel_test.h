// Shared fixture of the solid kernel's tests: a reset host with a work part,
// and small helpers over the kernel's routines.
#ifndef TESTS_HOST_KERNEL_ENGINE_KERNEL_TEST_H
#define TESTS_HOST_KERNEL_ENGINE_KERNEL_TEST_H

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

inline constexpr double kPi = std::numbers::pi;

class KernelTest : public ::testing::Test {
protected:
    void SetUp() override {
        host::control::reset();
        part_ = host::parts::create("kernel.prt");
        CONTEXT_set_work_part(part_);
    }
    void TearDown() override { host::control::reset(); }

    // The code a call raised (0 when it ran through).
    static int raised(const std::function<void()>& f) { return host::control::raised_code(f).value_or(0); }

    static int block(double x, double y, double z, std::array<double, 3> at = {0, 0, 0}) {
        const double size[3] = {x, y, z};
        int b = 0;
        ZQ_BODY_make_block(at.data(), size, &b);
        return b;
    }
    static int cylinder(std::array<double, 3> base, std::array<double, 3> axis, double r, double h) {
        int b = 0;
        ZQ_BODY_make_cylinder(base.data(), axis.data(), r, h, &b);
        return b;
    }
    static std::array<double, ZQ_MP_COUNT> props(int body) {
        std::array<double, ZQ_MP_COUNT> p{};
        ZQ_BODY_ask_mass_props(body, p.data());
        return p;
    }
    static double volume(int body) { return props(body)[ZQ_MP_VOLUME]; }
    static int face_type(int face) {
        int type = 0, sense = 0;
        double p[3], d[3], r = 0, r2 = 0;
        ZQ_FACE_ask_data(face, &type, p, d, &r, &r2, &sense);
        return type;
    }
    static double face_radius(int face) {
        int type = 0, sense = 0;
        double p[3], d[3], r = 0, r2 = 0;
        ZQ_FACE_ask_data(face, &type, p, d, &r, &r2, &sense);
        return r;
    }
    // Kernel entities of class cls connected to an entity.
    static std::vector<int> connected(int entity, int cls) {
        int* list = nullptr;
        int n = 0;
        EXPECT_EQ(KI_idcoen_sm(entity, cls, &list, &n), 0);
        std::vector<int> out(list, list + n);
        SM_free(list);
        return out;
    }
    // Edges of the body whose two vertices both lie at height z.
    static std::vector<int> edges_at_height(int body, double z) {
        std::vector<int> out;
        for (int e : host::kernel::edges_of(body)) {
            bool all = true;
            for (int v : connected(e, ZQ_CLASS_VERTEX)) {
                double p[3];
                ZQ_VERTEX_ask_point(v, p);
                all = all && std::fabs(p[2] - z) < 1e-9;
            }
            int type = 0;
            double pt[3], dir[3], r = 0;
            ZQ_EDGE_ask_curve_data(e, &type, pt, dir, &r);
            if (all && type == ZQ_CURVE_LINE) out.push_back(e);
        }
        return out;
    }
    // The planar face of the body lying flat at coordinate `value` of axis
    // (0 x, 1 y, 2 z); 0 for none.
    static int face_at(int body, int axis, double value) {
        for (int f : host::kernel::faces_of(body)) {
            double box[6];
            ZQ_TOPOL_find_box(f, box);
            if (std::fabs(box[axis] - value) < 1e-9 && std::fabs(box[axis + 3] - value) < 1e-9) return f;
        }
        return 0;
    }
    static double rel(double a, double b) { return std::fabs(a - b) / std::max(std::fabs(b), 1e-300); }

    unsigned int part_ = 0;
};

#endif
