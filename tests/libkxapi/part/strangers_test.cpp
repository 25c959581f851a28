// Curves at the edge of the doubles, whether read from a stranger's part
// file or made by the host's own conic routine without the interface's
// checks: the arc length answers a code (or a finite length) and never
// works without bound.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/wcs.h"
#include "host/numeric/curves.h"
#include "host/base/services/objects.h"
#include "kx_curve.h"
#include "part_fixture.h"
#include "tests/host/store/parts/crafted_part.h"

namespace {

using namespace crafted;

class StrangerCurveTest : public PartApiTest {
protected:
    // A conic made by the host's conic routine from the values as given.
    tag host_conic(int type, const std::vector<double>& values) {
        const double rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        tag matrix = NULL_TAG, conic = NULL_TAG;
        ES_create_matrix_in_part(part_, rows, 3, &matrix);
        es0600_(&type, values.data(), &matrix, &conic);
        return conic;
    }
    void SetUp() override {
        PartApiTest::SetUp();
        ASSERT_EQ(KX_PART_new(path("work.prt").c_str(), KX_PART_METRIC, &part_), 0);
    }
    tag part_ = NULL_TAG;
};

// Either a code, or a length that is a number.
void expect_answer(int code, double length) {
    if (code == 0) {
        EXPECT_TRUE(std::isfinite(length)) << length;
    }
}

TEST_F(StrangerCurveTest, ArcLengthOfConicsAtTheEdgeOfTheDoublesEndsWithAnAnswer) {
    struct Case {
        const char* what;
        int type;
        std::vector<double> values;
        bool refused;  // answers a code for sure
    };
    const Case cases[] = {
        {"a parabola from -3.1e231", HOST_CONIC_PARABOLA, conic_values(-3.1e231, 1, 1, 0), true},
        {"a parabola to 1.7e151", HOST_CONIC_PARABOLA, conic_values(0, 1.7e151, 1, 0), false},
        {"a hyperbola from -1e39", HOST_CONIC_HYPERBOLA, conic_values(-1e39, 1, 1, 1), false},
        {"a hyperbola from -1e300", HOST_CONIC_HYPERBOLA, conic_values(-1e300, 1, 1, 1), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const tag conic = host_conic(c.type, c.values);
        ASSERT_NE(conic, NULL_TAG);
        double length = -1;
        const int code = KX_CURVE_ask_arc_length(conic, 0, 1, 0, &length);
        if (c.refused) {
            EXPECT_NE(code, 0);
        }
        expect_answer(code, length);
    }
}

// A file's parabola whose ends are finite is read; its length is asked in
// bounded work.
TEST_F(StrangerCurveTest, ArcLengthOfAParabolaReadFromAFileEndsWithAnAnswer) {
    Model m = sound();
    m.objects[kEllipse - 1].subtype = HOST_CONIC_PARABOLA;
    m.curves.back().second = conic(kMatrix, HOST_CONIC_PARABOLA, conic_values(-1, 1.7e151, 1, 0));
    write(path("far.prt"), file_bytes(m));
    tag part = NULL_TAG;
    load_status report{};
    ASSERT_EQ(KX_PART_open(path("far.prt").c_str(), &part, &report), 0);
    free_status(report);
    const tag conic = host::objects::objects_of_part(part)[kEllipse - 1];
    double length = -1;
    expect_answer(KX_CURVE_ask_arc_length(conic, 0, 1, 0, &length), length);
}

// The integration itself: NaN parameters and lengths beyond the doubles
// answer a code.
TEST_F(StrangerCurveTest, IntegrationAnswersACodeWhenItCannotMeetItsTolerance) {
    const double o[3] = {0, 0, 0}, x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
    const auto wide = hostnum::Curve::parabola(o, x, y, 1e-3, -1e200, 1e200);
    const auto narrow = hostnum::Curve::parabola(o, x, y, 1, -1, 1);
    ASSERT_TRUE(narrow.has_value());
    const double nan = std::numeric_limits<double>::quiet_NaN();
    double length = -1;
    EXPECT_NE(hostnum::curve_arc_length(narrow->record(), nan, 1, &length), hostnum::CurveError::ok);
    EXPECT_NE(hostnum::curve_arc_length(narrow->record(), 0, nan, &length), hostnum::CurveError::ok);
    if (wide) {
        EXPECT_EQ(hostnum::curve_arc_length(wide->record(), -1e200, 1e200, &length),
                  hostnum::CurveError::not_converged);
    }
    EXPECT_EQ(hostnum::curve_arc_length(narrow->record(), -1, 1, &length), hostnum::CurveError::ok);
    EXPECT_TRUE(std::isfinite(length));
}

}  // namespace
