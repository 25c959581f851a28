// Isocline, joined-curve and wrap features in part files: read back with
// their parameters, they follow their inputs at the next update.
#include <cmath>
#include <map>
#include <numbers>
#include <vector>

#include "host/store/entities/entity_delete.h"
#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/model/feature/profiles.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/engine/links.h"
#include "kx_curve_feat.h"
#include "kxapi.h"
#include "reopen_fixture.h"
#include "string_list_fixture.h"

namespace {

class CurveConstructionFileTest : public StringListCurveTest {
protected:
    std::map<tag, tag> reopen() {
        return reopen_part(part, [&] {
            for (string_list& s : made) KX_MODL_free_string_list(&s);
            made.clear();
            fresh();
        });
    }
    static std::vector<tag> curves_of(tag feature) {
        int n = 0;
        tag* c = nullptr;
        EXPECT_EQ(KX_CURVE_ask_feature_curves(feature, &n, &c), 0);
        std::vector<tag> out(c, c + n);
        KX_free(c);
        return out;
    }
};

TEST_F(CurveConstructionFileTest, FeaturesReadBackWithTheirParametersAndFollowTheirInputs) {
    int body = 0;
    const double base[3] = {0, 0, 0}, axis[3] = {0, 0, 1}, at[3] = {3, 0, 0}, x[3] = {1, 0, 0};
    ZQ_BODY_make_cylinder(base, axis, 3, 5, &body);
    tag side = NULL_TAG;
    for (int f : host::kernel::faces_of(body)) {
        host::kernel::SurfaceData s;
        const tag o = host::kernel::object_of(f);
        if (host::kernel::face_surface(o, &s) && s.kind == ZQ_SURF_CYLINDER) side = o;
    }
    ASSERT_NE(side, NULL_TAG);
    tag touch = host::profiles::create_direction_object(part, HOST_TYPE_DATUM_PLANE, at, x);
    double direction[3] = {1, 0, 0};
    tag isocline = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_isocline(1, &side, direction, const_cast<char*>("15"), const_cast<char*>("30"),
                                       const_cast<char*>("60"), &isocline),
              0);
    tag a = line(0, 0, 0, 1, 0, 0), b = line(1, 0, 0, 1, 1, 0);
    string_list chain = strings_of({a, b});
    tag joined_feature = NULL_TAG, joined = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_joined_feature(&chain, 2, &joined_feature, &joined), 0);
    tag flat = line(3, 0, 1, 3, 2, 1);
    wrap_data w{1, 1, &side, touch, 1, &flat, const_cast<char*>("10"), 0.01, 0.5};
    tag wrap = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_wrap_object(&w, &wrap), 0);
    const std::vector<tag> isoclines = curves_of(isocline), wrapped = curves_of(wrap);

    std::map<tag, tag> now = reopen();
    isocline = now[isocline];
    joined_feature = now[joined_feature];
    wrap = now[wrap];

    int count = 0, n = 0;
    tag *faces = nullptr, *curves = nullptr;
    char *angle = nullptr, *second = nullptr, *third = nullptr;
    ASSERT_EQ(KX_CURVE_ask_isocline(isocline, &count, &faces, direction, &angle, &second, &third, &n, &curves), 0);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(faces[0], now[side]);
    EXPECT_STREQ(angle, "15");
    EXPECT_STREQ(second, "30");
    EXPECT_STREQ(third, "60");
    EXPECT_EQ(n, static_cast<int>(isoclines.size()));
    for (void* p : {static_cast<void*>(faces), static_cast<void*>(curves), static_cast<void*>(angle),
                    static_cast<void*>(second), static_cast<void*>(third)})
        KX_free(p);

    string_list back{};
    int method = 0;
    double tolerances[3];
    ASSERT_EQ(KX_CURVE_ask_joined_parms(joined_feature, &back, &method, tolerances), 0);
    made.push_back(back);
    EXPECT_EQ(method, 2);
    EXPECT_EQ(std::vector<tag>(back.objects, back.objects + back.per_string[0]), (std::vector<tag>{now[a], now[b]}));

    wrap_data asked{};
    ASSERT_EQ(KX_CURVE_ask_wrap_parms(wrap, &asked), 0);
    EXPECT_EQ(asked.first_objects[0], now[side]);
    EXPECT_EQ(asked.reference, now[touch]);
    EXPECT_EQ(asked.second_objects[0], now[flat]);
    EXPECT_STREQ(asked.text, "10");
    EXPECT_EQ(asked.first_value, 0.01);
    EXPECT_EQ(asked.second_value, 0.5);
    ASSERT_EQ(KX_CURVE_free_wrap_parms(&asked), 0);

    // The inputs move: the joined and wrapped curves follow on their tags.
    line_data up{{3, 0, 2}, {3, 2, 2}};
    ASSERT_EQ(KX_CURVE_edit_line_data(now[flat], &up), 0);
    line_data longer{{1, 0, 0}, {1, 3, 0}};
    ASSERT_EQ(KX_CURVE_edit_line_data(now[b], &longer), 0);
    ASSERT_EQ(UPDATE_do_update(), 0);
    ASSERT_EQ(curves_of(wrap), std::vector<tag>{now[wrapped[0]]});
    const std::vector<double> l = curve_limits(now[wrapped[0]]);
    EXPECT_NEAR(point_at(now[wrapped[0]], l[0])[2], 2, 1e-3);
    const std::vector<tag> j = curves_of(joined_feature);
    ASSERT_EQ(j, std::vector<tag>{now[joined]});
    EXPECT_NEAR(point_at(j[0], curve_limits(j[0])[1])[1], 3, srfc1_[0]);
}

}  // namespace
