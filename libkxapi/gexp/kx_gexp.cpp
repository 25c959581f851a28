// Geometric expressions: create, edit and read back the features that
// measure geometry through the host's geometric-expression service.
#include "host/store/parts/parts.h"
#include "host/model/smart/gexp.h"
#include "kx_gexp.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"

namespace {

// The host's answer is the status; outputs are written only on success.
// A null output is refused with the code of its position.
template <class F>
int run(std::initializer_list<kx::Arg> checks, F host) {
    return kx::frame([&] { return kx::check(checks); }, [&] { return host(); });
}

// A creation: the work part, the host's status, then feature and
// expression, under a mark that takes the feature and its expression back
// when a step fails; the outputs are written once the edit stands.
template <class F>
int create(tag* feature, tag* expression, std::initializer_list<kx::Arg> checks, F host) {
    return run(checks, [&] {
        tag made = NULL_TAG, exp = NULL_TAG;
        const int st = kx::edit_with_tail([&] {
            if (const int made_st = host(CONTEXT_ask_work_part(), &made); made_st != 0) return made_st;
            exp = GEXP_ask_exp(made);
            return 0;
        });
        if (st != 0) return st;
        *feature = made;
        *expression = exp;
        return 0;
    });
}

}  // namespace

extern "C" {

KXAPI int KX_GEXP_create_distance(tag object1, tag object2, tag companion1, tag companion2, tag* feature,
                                  tag* expression) {
    const GEXP_operand_t a{object1, companion1}, b{object2, companion2};
    return create(feature, expression, {{feature, 5}, {expression, 6}},
                  [&](tag part, tag* made) { return GEXP_create_distance_feature(part, &a, &b, made); });
}

KXAPI int KX_GEXP_create_angle(tag object1, tag object2, tag object3, tag companion1, tag companion2, tag companion3,
                               tag* feature, tag* expression) {
    const GEXP_operand_t a{object1, companion1}, b{object2, companion2}, c{object3, companion3};
    return create(feature, expression, {{feature, 7}, {expression, 8}},
                  [&](tag part, tag* made) { return GEXP_create_angle_feature(part, &a, &b, &c, made); });
}

KXAPI int KX_GEXP_create_length(tag object, tag companion, tag* feature, tag* expression) {
    return create(feature, expression, {{feature, 3}, {expression, 4}},
                  [&](tag part, tag* made) { return GEXP_create_length_feature(part, object, companion, made); });
}

KXAPI int KX_GEXP_edit_distance(tag feature, tag object1, tag object2, tag companion1, tag companion2) {
    const GEXP_operand_t a{object1, companion1}, b{object2, companion2};
    return run({{feature != NULL_TAG, 1}}, [&] { return GEXP_edit_distance_feature(feature, &a, &b); });
}

KXAPI int KX_GEXP_edit_angle(tag feature, tag object1, tag object2, tag object3, tag companion1, tag companion2,
                             tag companion3) {
    const GEXP_operand_t a{object1, companion1}, b{object2, companion2}, c{object3, companion3};
    return run({{feature != NULL_TAG, 1}}, [&] { return GEXP_edit_angle_feature(feature, &a, &b, &c); });
}

KXAPI int KX_GEXP_edit_length(tag feature, tag object, tag companion) {
    return run({{feature != NULL_TAG, 1}}, [&] { return GEXP_edit_length_feature(feature, object, companion); });
}

KXAPI int KX_GEXP_ask_distance_parms(tag feature, tag* object1, tag* object2, tag* companion1, tag* companion2) {
    return run({{feature != NULL_TAG, 1}, {object1, 2}, {object2, 3}, {companion1, 4}, {companion2, 5}}, [&] {
        GEXP_operand_t a{}, b{};
        const int st = GEXP_ask_distance_parms(feature, &a, &b);
        if (st != 0) return st;
        *object1 = a.object;
        *object2 = b.object;
        *companion1 = a.companion;
        *companion2 = b.companion;
        return 0;
    });
}

KXAPI int KX_GEXP_ask_angle_parms(tag feature, tag* object1, tag* object2, tag* object3, tag* companion1,
                                  tag* companion2, tag* companion3) {
    return run({{feature != NULL_TAG, 1},
                {object1, 2},
                {object2, 3},
                {object3, 4},
                {companion1, 5},
                {companion2, 6},
                {companion3, 7}},
               [&] {
                   GEXP_operand_t a{}, b{}, c{};
                   const int st = GEXP_ask_angle_parms(feature, &a, &b, &c);
                   if (st != 0) return st;
                   *object1 = a.object;
                   *object2 = b.object;
                   *object3 = c.object;
                   *companion1 = a.companion;
                   *companion2 = b.companion;
                   *companion3 = c.companion;
                   return 0;
               });
}

KXAPI int KX_GEXP_ask_length_parms(tag feature, tag* object, tag* companion) {
    return run({{feature != NULL_TAG, 1}, {object, 2}, {companion, 3}}, [&] {
        tag o = NULL_TAG, c = NULL_TAG;
        const int st = GEXP_ask_length_parms(feature, &o, &c);
        if (st != 0) return st;
        *object = o;
        *companion = c;
        return 0;
    });
}

}  // extern "C"
