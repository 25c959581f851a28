// Positioning constraints: the queries of a feature's constraints and of the
// geometry of its dimensions in the link face's frame. Each query that
// takes a feature and a constraint looks the constraint's record up first,
// then works under a frame and an unnamed undo mark (deleted again): a host
// error rolls back to it and becomes the status.
#include <cmath>
#include <cstring>
#include <utility>

#include "kx_codes.h"
#include "kx_core.h"
#include "kx_modl.h"
#include "kx_modl_constraint.h"
#include "kx_modl_exp.h"
#include "kx_obj.h"
#include "kx_ui.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/obj/kx_obj_internal.h"
#include "libkxapi/ui/kx_ui_internal.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/core/kx_list.h"
#include "libkxapi/modl/kx_modl_operation.h"

#include "host/model/expr/expr.h"
#include "host/model/feature/positioning.h"
#include "host/base/services/memory.h"

namespace {

constexpr int kFeatureType = 205;
constexpr double kShort = 1e-7;

bool is_feature(tag feature) {
    int type = 0, subtype = 0;
    kx::obj::type_and_subtype(feature, &type, &subtype);
    return type == kFeatureType;
}

// The expression text a query made, held until the query has gone through.
using Text = kx::host_ptr<char>;

// The common frame of the queries of a feature's constraint. The body may
// make the dimension's expression text into `text`: it reaches the caller
// (through `expression`) only once the query's undo mark is gone, so that
// a query that fails, also at the mark's deletion, hands out no text.
template <class Body>
int constraint_query(tag feature, tag constraint, char** expression, Body&& body) {
    return kx::guarded([&]() -> int {
        // The constraint's record first (a tag of no constraint raises).
        const char* cls = RPO_ask_constraint_class(constraint);
        return kx::frame(kx::modl::kEditFrame, [&]() -> int {
            Text text;
            const int st = kx::undo_bracket(1, nullptr, [&]() -> int {
                if (!is_feature(feature)) return KX_MODL_ERR_NOT_A_FEATURE;
                return body(cls, text);
            });
            if (st == 0 && expression) *expression = text.release();
            return st;
        });
    });
}

struct Sides {
    double point[2][2];
    double segment[2][4];
    double third[2][2];
};

// The geometry of both sides (0 target, 1 tool): the status of the first
// side that failed, else 0.
int collect(tag constraint, Sides& s) {
    for (int side = 0; side < 2; ++side) {
        int st = 0;
        RPO_get_dim_geometry(constraint, side, s.point[side], s.segment[side], s.third[side], &st);
        if (st != 0) return st;
    }
    return 0;
}

void put(double out[2], const double in[2]) {
    if (out) {
        out[0] = in[0];
        out[1] = in[1];
    }
}

// The objects and the expression text of a dimension: the caller's text
// is cleared here, the text made is held in `text` (constraint_query hands
// it on).
void objects_and_expression(tag constraint, tag* tool, tag* target, char** expression, Text& text,
                            bool with_expression) {
    int kind = 0, flags[2] = {0, 1};
    unsigned int exp = 0, target_object = 0, tool_object = 0;
    RPO_ask_dimension(constraint, &kind, &exp, &target_object, &tool_object, flags);
    if (target && target_object != 0) *target = target_object;
    if (tool && tool_object != 0) *tool = tool_object;
    if (!expression) return;
    *expression = nullptr;
    if (!with_expression || exp == 0) return;
    char* made = nullptr;
    EXP_ask_assignment_of_exp_tag(exp, &made);
    text.reset(made);
}

enum class Answer { points, angle };

int dimension(tag feature, tag constraint, double o1[2], double o2[2], double o3[2], double o4[2], char** expression,
              tag* tool, tag* target, Answer answer) {
    return constraint_query(feature, constraint, expression, [&](const char*, Text& text) -> int {
        Sides s{};
        const int st = collect(constraint, s);
        if (st == 0) {
            if (answer == Answer::points) {
                put(o1, s.point[0]);
                put(o2, s.point[1]);
                put(o3, s.third[0]);
                put(o4, s.third[1]);
            } else {
                const double mid_target[2] = {(s.segment[0][0] + s.segment[0][2]) * 0.5,
                                              (s.segment[0][1] + s.segment[0][3]) * 0.5};
                const double mid_tool[2] = {(s.segment[1][0] + s.segment[1][2]) * 0.5,
                                            (s.segment[1][1] + s.segment[1][3]) * 0.5};
                put(o1, mid_target);
                put(o2, s.point[0]);
                put(o3, mid_tool);
                put(o4, s.point[1]);
            }
        }
        // The objects also when the geometry failed; the text only for a
        // query that goes through.
        objects_and_expression(constraint, tool, target, expression, text, st == 0);
        return st;
    });
}

bool longer(const double seg[4]) { return std::fabs(seg[2] - seg[0]) > kShort || std::fabs(seg[3] - seg[1]) > kShort; }

}  // namespace

KXAPI int KX_MODL_ask_constraints(tag feature, tag_list** constraints) {
    return kx::guarded([&]() -> int {
        int type = 0, subtype = 0;
        if (int st = kx::obj::type_and_subtype(feature, &type, &subtype); st != 0) {
            kx::ui::report_code(st);
            return st;
        }
        if (type != kFeatureType) return KX_MODL_ERR_NOT_A_FEATURE;
        if (!constraints) return kx::param(2);
        *constraints = nullptr;
        return kx::frame(kx::modl::kEditFrame, [&]() -> int {
            // The list is the caller's only once the bracket is closed: a
            // host error on the way (its mark included) gives it back.
            kx::TagListHolder made;
            const int st = kx::undo_bracket(1, nullptr, [&]() -> int {
                made.list = kx::create_list();
                int n = 0;
                unsigned int* found = nullptr;
                RPO_ask_constraints(feature, &n, &found);
                kx::host_ptr<unsigned int> held(found);
                if (n == 0) return KX_MODL_ERR_NO_CONSTRAINTS;
                for (int i = 0; i < n; ++i) kx::put_list_item(made.list, found[i]);
                return 0;
            });
            // No constraints: the empty list is handed out too.
            if (st == 0 || st == KX_MODL_ERR_NO_CONSTRAINTS) *constraints = std::exchange(made.list, nullptr);
            return st;
        });
    });
}

KXAPI int KX_MODL_ask_constraint_type(tag constraint, char** type) {
    return kx::guarded([&]() -> int {
        if (!type) return kx::param(2);
        return kx::frame(kx::modl::kEditFrame, [&]() -> int {
            // The text is the caller's only once the bracket is closed.
            kx::host_ptr<char> text;
            const int st = kx::undo_bracket(1, nullptr, [&]() -> int {
                const char* cls = RPO_ask_constraint_class(constraint);
                if (!cls) return KX_MODL_ERR_NO_CONSTRAINT_RECORD;
                text.reset(kx::dup_string(cls));
                return 0;
            });
            if (st == 0) *type = text.release();
            return st;
        });
    });
}

KXAPI int KX_MODL_ask_link_face_plane(tag feature, tag constraint, double plane[12]) {
    return constraint_query(feature, constraint, nullptr, [&](const char* cls, Text&) -> int {
        if (!cls || std::strcmp(cls, RPO_LINK_FACE_CLASS_NAME) != 0) return KX_MODL_ERR_WRONG_KIND;
        if (!plane) return kx::param(3);
        rpo_ask_face1_csys(constraint, plane);
        return 0;
    });
}

KXAPI int KX_MODL_ask_horz_dime(tag feature, tag constraint, int, double target_point[2],
                                           double tool_point[2], double target_third[2], double tool_third[2],
                                           char** expression, tag* tool, tag* target) {
    return dimension(feature, constraint, target_point, tool_point, target_third, tool_third, expression, tool, target,
                     Answer::points);
}

KXAPI int KX_MODL_ask_vert_dime(tag feature, tag constraint, int, double target_point[2],
                                           double tool_point[2], double target_third[2], double tool_third[2],
                                           char** expression, tag* tool, tag* target) {
    return dimension(feature, constraint, target_point, tool_point, target_third, tool_third, expression, tool, target,
                     Answer::points);
}

KXAPI int KX_MODL_ask_para_dist(tag feature, tag constraint, int, double target_point[2],
                                           double tool_point[2], double target_third[2], double tool_third[2],
                                           char** expression, tag* tool, tag* target) {
    return dimension(feature, constraint, target_point, tool_point, target_third, tool_third, expression, tool, target,
                     Answer::points);
}

KXAPI int KX_MODL_ask_angle_edge(tag feature, tag constraint, int, double target_mid[2],
                                            double target_point[2], double tool_mid[2], double tool_point[2],
                                            char** expression, tag* tool, tag* target) {
    return dimension(feature, constraint, target_mid, target_point, tool_mid, tool_point, expression, tool, target,
                     Answer::angle);
}

KXAPI int KX_MODL_ask_perp_dist(tag feature, tag constraint, int, double segment_start[2],
                                           double segment_end[2], double tool_point[2], double tool_third[2],
                                           char** expression, tag* tool, tag* target) {
    return constraint_query(feature, constraint, expression, [&](const char*, Text& text) -> int {
        int kind = 0, flags[2] = {0, 1};
        unsigned int exp = 0, t = 0, o = 0;
        RPO_ask_dimension(constraint, &kind, &exp, &t, &o, flags);
        if (flags[0] != 0) return KX_MODL_ERR_PERP_TOOL_FIRST;
        Sides s{};
        const int st = collect(constraint, s);
        if (st == 0 && longer(s.segment[0])) {
            put(segment_start, &s.segment[0][0]);
            put(segment_end, &s.segment[0][2]);
            put(tool_point, s.point[1]);
            put(tool_third, s.third[1]);
        }
        objects_and_expression(constraint, tool, target, expression, text, st == 0);
        return st;
    });
}

KXAPI int KX_MODL_ask_para_edge(tag feature, tag constraint, int, double p1[2], double p2[2], double p3[2],
                                           double p4[2], int* flag, char** expression, tag* tool, tag* target) {
    return constraint_query(feature, constraint, expression, [&](const char*, Text& text) -> int {
        Sides s{};
        if (int st = collect(constraint, s)) return st;
        double* target_seg = s.segment[0];
        double* tool_seg = s.segment[1];
        // The tool segment in the target's sense.
        const double along = (target_seg[2] - target_seg[0]) * (tool_seg[2] - tool_seg[0]) +
                             (target_seg[3] - target_seg[1]) * (tool_seg[3] - tool_seg[1]);
        if (along < 0) {
            std::swap(tool_seg[0], tool_seg[2]);
            std::swap(tool_seg[1], tool_seg[3]);
        }
        const bool both = longer(target_seg) && longer(tool_seg);
        if (flag) *flag = both ? 1 : 0;
        put(p1, &target_seg[0]);
        put(p2, &target_seg[2]);
        if (both) {
            put(p3, &tool_seg[0]);
            put(p4, &tool_seg[2]);
        } else {
            put(p3, &tool_seg[0]);
            put(p4, s.third[1]);
        }
        objects_and_expression(constraint, tool, target, expression, text, !both);
        return 0;
    });
}
