// The law, parameter and vector converters: texts to values and
// expressions, every law method through the host law record and back,
// every vector type, and their refusals.
#include <cmath>
#include <cstring>
#include <string>

#include "string_list_fixture.h"
#include "host/store/entities/entity_types.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/profiles.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/memory.h"
#include "libkxapi/modl/kx_modl_gen_pktpad.h"

namespace {

namespace law = kx::law;

class LawConverterTest : public StringListCurveTest {
protected:
    // Runs f under a host frame: 0 or the raised code.
    static int run(const std::function<void()>& f, std::string* text = nullptr) {
        return host::feature::caught(f, text);
    }
    tag exp_named(const char* assignment) {
        unsigned int e = 0;
        EXPECT_EQ(EXP_create_exp(part, assignment, &e), 0);
        return e;
    }
};

TEST_F(LawConverterTest, PlainNumbersAreDigitsSignsBlanksAndPoints) {
    struct Row {
        const char* text;
        int plain;
    } rows[] = {{"12.5", 1}, {" -3 ", 1}, {"+7", 1}, {"", 1}, {"1e3", 0}, {"p5", 0}, {"2*3", 0}};
    for (const Row& r : rows) EXPECT_EQ(law::is_plain_number(r.text), r.plain) << r.text;
}

TEST_F(LawConverterTest, ValueFromTextUsesNumbersOrTheExpressionService) {
    const tag w = exp_named("w=3");
    struct Row {
        const char* text;
        double value;
        bool has_exp;
    } rows[] = {{"12.5", 12.5, false}, {" -3 ", -3, false}, {"", 0, false},
                {"1e3", 1000, true},   {"w", 3, true},      {"w*2", 6, true}};
    for (const Row& r : rows) {
        double v = -1;
        tag e = 99;
        ASSERT_EQ(run([&] { law::value_from_text(r.text, &v, &e); }), 0) << r.text;
        EXPECT_DOUBLE_EQ(v, r.value) << r.text;
        EXPECT_EQ(e != NULL_TAG, r.has_exp) << r.text;
    }
    double v = 0;
    tag e = NULL_TAG;
    ASSERT_EQ(run([&] { law::value_from_text("w", &v, &e); }), 0);
    EXPECT_EQ(e, w);
    // An assignment to an existing name edits that expression.
    ASSERT_EQ(run([&] { law::value_from_text("w=12", &v, &e); }), 0);
    EXPECT_EQ(e, w);
    EXPECT_DOUBLE_EQ(v, 12);
    EXPECT_DOUBLE_EQ(host::expr::value(w), 12);
    // A formula the service cannot read raises its own code.
    std::string text;
    EXPECT_EQ(run([&] { law::value_from_text("2*(", &v, &e); }, &text), EXP_ERR_SYNTAX);
    EXPECT_NE(text.find("Expression error"), std::string::npos);
}

TEST_F(LawConverterTest, FormatLawValueNeverWritesPastTheField) {
    std::string formula = "1";
    while (formula.size() < 300) formula += "+1";
    const tag e = exp_named(("long_one=" + formula).c_str());
    char field[KX_MODL_VALUE_TEXT + 8];
    std::memset(field, '#', sizeof field);
    ASSERT_EQ(run([&] { law::format_law_value(0, e, field); }), 0);
    EXPECT_EQ(std::strlen(field), 132u);
    EXPECT_EQ(std::string(field, 9), "long_one=");
    for (std::size_t i = KX_MODL_VALUE_TEXT; i < sizeof field; ++i) EXPECT_EQ(field[i], '#');
    ASSERT_EQ(run([&] { law::format_law_value(2.5, NULL_TAG, field); }), 0);
    EXPECT_EQ(std::string(field), "2.5");
}

// Every law method through the host law and back, without and with a spine.
TEST_F(LawConverterTest, EveryLawMethodRoundTrips) {
    const tag spine_curve = line(0, 0, 0, 10, 0, 0);
    const tag law_curve = line(0, 0, 0, 0, 5, 0);
    const tag base = line(0, 0, 0, 0, 0, 1);
    exp_named("end_b=1");  // method 5 edits it to 9
    KX_MODL_law_point pts[2] = {{{8, 1, 0}, "7"}, {{2, 1, 0}, "5"}};
    struct Row {
        int parm_method;
        int law_method;
        int host_type;
    } rows[] = {{2, 0, 1}, {2, 1, 2}, {2, 2, 3}, {2, 5, 5}, {2, 6, 7}, {1, 0, 1},
                {1, 1, 2}, {1, 2, 3}, {1, 3, 4}, {1, 4, 6}, {1, 5, 5}, {1, 6, 7}};
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "parm " << r.parm_method << " law " << r.law_method);
        KX_MODL_law in{};
        in.method = r.law_method;
        if (r.law_method <= 2 || r.law_method == 5) {
            std::strcpy(in.u.values.start_value, "4");
            std::strcpy(in.u.values.end_value, r.law_method == 5 ? "end_b=9" : "6");
        } else if (r.law_method <= 4) {
            in.u.spine_points.count = 2;
            in.u.spine_points.points = pts;
        } else {
            in.u.curve.law_curve = strings_of({law_curve});
            in.u.curve.base_direction = base;
            in.u.curve.base_sense = -1;
        }
        KX_MODL_spine_law sl{};
        KX_MODL_parm parm{};
        parm.method = r.parm_method;
        if (r.parm_method == 1) {
            sl.spine = strings_of({spine_curve});
            sl.law = in;
            parm.u.law = &sl;
        } else {
            parm.u.law = &in;
        }
        char text[KX_MODL_VALUE_TEXT] = "x";
        host_law* hl = nullptr;
        ASSERT_EQ(run([&] { law::create_law_from_parm(&parm, text, &hl); }), 0);
        ASSERT_NE(hl, nullptr);
        EXPECT_EQ(hl->type, r.host_type);
        EXPECT_EQ(text[0], '\0');
        EXPECT_EQ(hl->spine != 0, r.parm_method == 1);
        if (r.law_method == 0) {
            EXPECT_EQ(hl->n_values, 2);
            EXPECT_DOUBLE_EQ(hl->values[1], hl->values[0]);
            EXPECT_EQ(hl->expressions[1], NULL_TAG);
        }
        if (r.law_method == 3 || r.law_method == 4) {
            ASSERT_EQ(hl->n_values, 2);
            EXPECT_EQ(hl->n_position_doubles, 6);
            EXPECT_LT(hl->parameters[0], hl->parameters[1]);  // sorted along the spine
            EXPECT_DOUBLE_EQ(hl->values[0], 5);
            EXPECT_DOUBLE_EQ(hl->positions[0], 2);
            EXPECT_DOUBLE_EQ(hl->positions[1], 0);  // the foot point on the spine
        }

        KX_MODL_parm back{};
        ASSERT_EQ(run([&] { law::ask_law_parm_data(NULL_TAG, hl, &back); }), 0);
        ASSERT_EQ(back.method, r.parm_method);
        const KX_MODL_law* out = r.parm_method == 1 ? &static_cast<KX_MODL_spine_law*>(back.u.law)->law
                                                    : static_cast<KX_MODL_law*>(back.u.law);
        if (r.parm_method == 1) {
            const string_list& s = static_cast<KX_MODL_spine_law*>(back.u.law)->spine;
            ASSERT_EQ(s.count, 1);
            EXPECT_EQ(s.objects[0], spine_curve);
        }
        EXPECT_EQ(out->method, r.law_method);
        switch (r.law_method) {
            case 0: EXPECT_STREQ(out->u.values.start_value, "4"); break;
            case 1:
            case 2:
                EXPECT_STREQ(out->u.values.start_value, "4");
                EXPECT_STREQ(out->u.values.end_value, "6");
                break;
            case 3:
            case 4:
                ASSERT_EQ(out->u.spine_points.count, 2);
                EXPECT_STREQ(out->u.spine_points.points[0].value, "5");
                EXPECT_STREQ(out->u.spine_points.points[1].value, "7");
                EXPECT_DOUBLE_EQ(out->u.spine_points.points[1].position[0], 8);
                break;
            case 5:
                // A plain number becomes a system expression, so its value stays.
                EXPECT_EQ(std::string(out->u.values.start_value).substr(0, 1), "p");
                EXPECT_EQ(std::string(out->u.values.start_value).substr(std::strlen(out->u.values.start_value) - 2),
                          "=4");
                EXPECT_STREQ(out->u.values.end_value, "end_b=9");
                break;
            case 6:
                ASSERT_EQ(out->u.curve.law_curve.count, 1);
                EXPECT_EQ(out->u.curve.law_curve.objects[0], law_curve);
                EXPECT_EQ(out->u.curve.base_direction, base);
                EXPECT_EQ(out->u.curve.base_sense, -1);
                break;
        }
        if (r.law_method == 3 || r.law_method == 4) SM_free(out->u.spine_points.points);
        if (r.law_method == 6) KX_MODL_free_string_list(&const_cast<KX_MODL_law*>(out)->u.curve.law_curve);
        if (r.parm_method == 1) KX_MODL_free_string_list(&static_cast<KX_MODL_spine_law*>(back.u.law)->spine);
        law::free_law_parm_data(&back);
        EXPECT_EQ(back.u.law, nullptr);
        law::free_host_law(hl);
    }
}

TEST_F(LawConverterTest, ExpressionParametersAndNoHostLaw) {
    KX_MODL_parm parm{};
    parm.method = 0;
    std::strcpy(parm.u.expression, "d=4");
    char text[KX_MODL_VALUE_TEXT];
    host_law* hl = reinterpret_cast<host_law*>(1);
    ASSERT_EQ(run([&] { law::create_law_from_parm(&parm, text, &hl); }), 0);
    EXPECT_STREQ(text, "d=4");
    EXPECT_EQ(hl, nullptr);
    KX_MODL_parm back{};
    const tag e = exp_named("q=2");
    ASSERT_EQ(run([&] { law::ask_law_parm_data(e, nullptr, &back); }), 0);
    EXPECT_EQ(back.method, 0);
    EXPECT_STREQ(back.u.expression, "q=2");
    law::free_law_parm_data(&back);  // method 0: nothing to free
    law::free_law_parm_data(nullptr);
}

TEST_F(LawConverterTest, BadLawsAndParametersAreRefused) {
    const tag l = line(0, 0, 0, 1, 0, 0);
    const tag far = line(5, 5, 0, 6, 5, 0);
    KX_MODL_law points_law{};
    points_law.method = 3;
    KX_MODL_law bad_method{};
    bad_method.method = 7;
    KX_MODL_law bad_sense{};
    bad_sense.method = 6;
    bad_sense.u.curve.law_curve = strings_of({l});
    bad_sense.u.curve.base_direction = l;
    bad_sense.u.curve.base_sense = 0;
    KX_MODL_law bad_curve{};
    bad_curve.method = 6;
    bad_curve.u.curve.law_curve = strings_of({l, far});  // two curves that do not meet
    KX_MODL_spine_law bad_spine{};
    bad_spine.spine = strings_of({});
    bad_spine.spine.per_string[0] = 0;
    struct Row {
        int method;
        void* law;
        int code;
        const char* text;
    } rows[] = {{2, &points_law, 671129, "Invalid method type in KX_MODL_law"},
                {2, &bad_method, 671129, "Invalid method type in KX_MODL_law"},
                {2, &bad_sense, 671129, "Bad base direction in KX_MODL_law"},
                {2, &bad_curve, 671129, "Bad law curve in KX_MODL_law"},
                {1, &bad_spine, 671129, "Bad spine in KX_MODL_parm"},
                {2, nullptr, 671129, "Law not defined in KX_MODL_parm"},
                {3, &points_law, 875250, "Invalid method type in KX_MODL_parm"}};
    for (const Row& r : rows) {
        KX_MODL_parm parm{};
        parm.method = r.method;
        parm.u.law = r.law;
        char text[KX_MODL_VALUE_TEXT];
        host_law* hl = nullptr;
        std::string msg;
        EXPECT_EQ(run([&] { law::create_law_from_parm(&parm, text, &hl); }, &msg), r.code) << r.text;
        EXPECT_NE(msg.find(r.text), std::string::npos) << msg;
    }
}

TEST_F(LawConverterTest, ClosedSpineSeamPointsTakeStartThenEnd) {
    const tag circle = arc(0, 0, 10, 0, kTwoPi);
    KX_MODL_law_point pts[3] = {{{10, 0, 0}, "1"}, {{0, 10, 0}, "2"}, {{10, 0.0001, 0}, "3"}};
    int n = 0;
    double *par = nullptr, *pos = nullptr, *val = nullptr;
    tag* ex = nullptr;
    ASSERT_EQ(run([&] { law::place_law_points_on_spine(3, pts, circle, &n, &par, &pos, &val, &ex); }), 0);
    for (void* b : {static_cast<void*>(par), static_cast<void*>(pos), static_cast<void*>(val), static_cast<void*>(ex)})
        hold(b);
    ASSERT_EQ(n, 3);
    EXPECT_DOUBLE_EQ(par[0], 0);
    EXPECT_DOUBLE_EQ(val[0], 1);
    EXPECT_NEAR(par[2], kTwoPi, 1e-9);
    EXPECT_DOUBLE_EQ(val[2], 3);
    // A point the closest-point routine cannot resolve is dropped.
    KX_MODL_law_point far_pts[2] = {{{1e6, 0, 0}, "1"}, {{0, 10, 0}, "2"}};
    ASSERT_EQ(run([&] { law::place_law_points_on_spine(2, far_pts, circle, &n, &par, &pos, &val, &ex); }), 0);
    for (void* b : {static_cast<void*>(par), static_cast<void*>(pos), static_cast<void*>(val), static_cast<void*>(ex)})
        hold(b);
    EXPECT_EQ(n, 1);
    EXPECT_DOUBLE_EQ(val[0], 2);
}

TEST_F(LawConverterTest, EveryVectorTypeGivesAUnitDirection) {
    const double o[3] = {0, 0, 0}, z[3] = {0, 0, 5}, x[3] = {3, 0, 0}, y[3] = {0, 2, 0};
    const tag dplane = host::profiles::create_direction_object(part, HOST_TYPE_DATUM_PLANE, o, z);
    const tag plane = host::profiles::create_direction_object(part, HOST_TYPE_PLANE, o, x);
    const tag daxis = host::profiles::create_direction_object(part, HOST_TYPE_DATUM_AXIS, o, y);
    const double origin[3] = {0, 0, 0}, size[3] = {10, 10, 10};
    int body = 0;
    ZQ_BODY_make_block(origin, size, &body);
    unsigned int body_object = 0;
    int st = 0;
    es7008_(&body, &body_object, &st);
    unsigned int top = 0, edge = 0;
    for (int f : host::kernel::faces_of(body)) {
        int type = 0, sense = 0;
        double p[3], d[3], r = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r, &r2, &sense);
        if (std::fabs(p[2] - 10) < 1e-9 && std::fabs(std::fabs(d[2]) - 1) < 1e-9) pxlook_(&f, &top);
    }
    const int e = host::kernel::edges_of(body).front();
    pxlook_(&e, &edge);
    ASSERT_NE(top, 0u);
    ASSERT_NE(edge, 0u);
    tag planar[2] = {line(0, 0, 0, 1, 0, 0), line(1, 0, 0, 1, 1, 0)};

    KX_MODL_vector v{};
    struct Row {
        const char* what;
        std::function<void(KX_MODL_vector&)> set;
        double want[3];
    } rows[] = {
        {"components reversed",
         [](KX_MODL_vector& v) {
             v.type = 0;
             v.reverse = 1;
             v.u.components[2] = 2;
         },
         {0, 0, -1}},
        {"datum plane",
         [&](KX_MODL_vector& v) {
             v.type = 1;
             v.u.axis = dplane;
         },
         {0, 0, 1}},
        {"plane",
         [&](KX_MODL_vector& v) {
             v.type = 1;
             v.u.axis = plane;
         },
         {1, 0, 0}},
        {"datum axis",
         [&](KX_MODL_vector& v) {
             v.type = 1;
             v.u.axis = daxis;
         },
         {0, 1, 0}},
        {"face",
         [&](KX_MODL_vector& v) {
             v.type = 2;
             v.u.face.face = top;
             v.u.face.point[0] = 5;
             v.u.face.point[1] = 5;
             v.u.face.point[2] = 12;
         },
         {0, 0, 1}},
        {"two points",
         [](KX_MODL_vector& v) {
             v.type = 3;
             v.u.points.start[0] = 1;
             v.u.points.end[0] = 1;
             v.u.points.end[1] = -4;
         },
         {0, -1, 0}},
        {"planar curves",
         [&](KX_MODL_vector& v) {
             v.type = 4;
             v.u.curves.curve_count = 2;
             v.u.curves.curves = planar;
         },
         {0, 0, 1}},
    };
    for (const Row& r : rows) {
        v = KX_MODL_vector{};
        r.set(v);
        double d[3] = {9, 9, 9};
        ASSERT_EQ(run([&] { law::ask_direction_of_vector(&v, d); }), 0) << r.what;
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(std::fabs(d[i]), std::fabs(r.want[i]), 1e-9) << r.what;
        if (r.want[2] != 0 && v.type != 4) {
            EXPECT_NEAR(d[2], r.want[2], 1e-9) << r.what;
        }
    }
    double d[3];
    law::set_vector_direction(x, &v);
    EXPECT_EQ(v.type, 0);
    EXPECT_EQ(v.reverse, 0);
    EXPECT_DOUBLE_EQ(v.u.components[0], 3);
    (void)d;
}

TEST_F(LawConverterTest, BadVectorsAreRefused) {
    const tag l = line(0, 0, 0, 1, 0, 0);
    const double origin[3] = {0, 0, 0}, size[3] = {10, 10, 10};
    int body = 0;
    ZQ_BODY_make_block(origin, size, &body);
    unsigned int body_object = 0, edge = 0;
    int st = 0;
    es7008_(&body, &body_object, &st);
    const int e = host::kernel::edges_of(body).front();
    pxlook_(&e, &edge);
    struct Row {
        const char* what;
        int type;
        tag object;
        int code;
    } rows[] = {
        {"axis of a line", 1, l, 875033},
        // Only a face of a solid-kernel object: neither a body, nor an edge,
        // nor a line.
        {"face of a body", 2, body_object, 875033},
        {"face of an edge", 2, edge, 875033},
        {"face of a line", 2, l, 875033},
        {"one straight curve", 4, l, 875249},
        {"type 5", 5, l, 875247},
    };
    for (const Row& r : rows) {
        KX_MODL_vector v{};
        v.type = r.type;
        tag curves[1] = {r.object};
        if (r.type == 1) v.u.axis = r.object;
        if (r.type == 2) v.u.face.face = r.object;
        if (r.type == 4) {
            v.u.curves.curve_count = 1;
            v.u.curves.curves = curves;
        }
        double d[3];
        EXPECT_EQ(run([&] { law::ask_direction_of_vector(&v, d); }), r.code) << r.what;
    }
}

}  // namespace
