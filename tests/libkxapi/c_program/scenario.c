/* A user program of the interface, written in plain C as a customer would
 * write one: it includes only the interface's umbrella header, the C
 * standard headers and its own header, and runs whole stories through the
 * public functions.
 *
 * Each scenario_* function answers 0 when its story went through, else 1
 * with the reason written into `why` (the failing call or check, its status
 * and the status's text). Every nonzero status met on the way is kept and,
 * at the end of the story, turned into text with KX_get_fail_message. */
#include <math.h>
#include <setjmp.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "kxapi.h"
#include "scenario.h"

#define PI  3.14159265358979323846
#define TOL 1e-9

/* The host's codes for a pointer that is not a block of its allocator and
 * for a tag that names no live object. */
#define BAD_BLOCK_CODE 670007
#define DEAD_TAG_CODE  670003

/* ---- The story's state: where to report, and every code met ----------- */

#define MAX_CODES 64

typedef struct story_s {
    char* why;
    size_t n;
    int codes[MAX_CODES];
    int n_codes;
} story;

static story g_story;

static void begin(char* why, size_t n) {
    memset(&g_story, 0, sizeof g_story);
    g_story.why = why;
    g_story.n = n;
    if (why && n) why[0] = '\0';
}

/* Remembers a nonzero status for the text check at the end of the story. */
static int met(int code) {
    int i;
    if (code == 0) return code;
    for (i = 0; i < g_story.n_codes; ++i)
        if (g_story.codes[i] == code) return code;
    if (g_story.n_codes < MAX_CODES) g_story.codes[g_story.n_codes++] = code;
    return code;
}

static const char* text_of(int code) {
    static char message[KX_MESSAGE_BUFSIZE];
    memset(message, 0, sizeof message);
    KX_get_fail_message(code, message);
    return message;
}

static int fail(const char* format, ...) {
    va_list ap;
    if (g_story.why && g_story.n) {
        va_start(ap, format);
        vsnprintf(g_story.why, g_story.n, format, ap);
        va_end(ap);
    }
    return 1;
}

/* ---- Who watches the library calls ------------------------------------ */

static const scenario_observer* g_observer;

void scenario_observe(const scenario_observer* observer) { g_observer = observer; }

static void step_begin(const char* call) {
    if (g_observer) g_observer->begin(call);
}

static int step_end(int status) { return g_observer ? g_observer->end(status) : status; }

/* The status of a library call, shown to the observer. */
#define STATUS(expr) (step_begin(#expr), step_end(expr))

/* A call that must succeed. */
#define CALL(expr)                                                                                 \
    do {                                                                                           \
        int rc_ = met(STATUS(expr));                                                               \
        if (rc_ != 0) return fail("line %d: %s -> %d \"%s\"", __LINE__, #expr, rc_, text_of(rc_)); \
    } while (0)

/* A call that must be refused with the given code. */
#define REFUSED(expr, code)                                                                                   \
    do {                                                                                                      \
        int rc_ = met(STATUS(expr));                                                                          \
        if (rc_ != (code))                                                                                    \
            return fail("line %d: %s -> %d \"%s\", expected %d", __LINE__, #expr, rc_, text_of(rc_), (code)); \
    } while (0)

/* A check of the program's own. */
#define CHECK(cond, ...)                                                     \
    do {                                                                     \
        if (!(cond)) {                                                       \
            char detail_[200];                                               \
            snprintf(detail_, sizeof detail_, __VA_ARGS__);                  \
            return fail("line %d: %s failed: %s", __LINE__, #cond, detail_); \
        }                                                                    \
    } while (0)

/* A step of the story that reports its own failure. */
#define RUN(step)           \
    do {                    \
        if (step) return 1; \
    } while (0)

static int near3(const double a[3], const double b[3], double tol) {
    return fabs(a[0] - b[0]) <= tol && fabs(a[1] - b[1]) <= tol && fabs(a[2] - b[2]) <= tol;
}

/* Frees the load report that a part open hands back, whether the open
 * went through or not; the counts stay. */
static void free_report(load_status* report) {
    KX_free_string_array(report->n_parts, report->file_names);
    KX_free(report->statuses);
    report->file_names = NULL;
    report->statuses = NULL;
}

static void path_in(const char* dir, const char* name, char* file, size_t n) { snprintf(file, n, "%s/%s", dir, name); }

/* Every code met in the story has a text that agrees with the answer of
 * KX_get_fail_message: 0 with the module's own text, or 1 with the
 * fallback that names the code. The texts that the program shows its user
 * are checked word for word. */
static int check_texts(void) {
    static const struct {
        int code;
        const char* text;
    } known[] = {
        {1105000, "KX_initialize must be called by main routine"},
        {1105002, "KX_initialize may not be called once KX_terminate is called"},
        {1105004, "The first parameter passed in was invalid"},
        {1105005, "The second parameter passed in was invalid"},
        {1105012, "A part must be loaded to use this function"},
        {1155001, "Object has no name assigned to it"},
        {1480002, "Input parameter must be an arc or a circular edge"},
        {1480004, "Absolute value of the difference between angles must be less than two pi"},
        {1480005, "Start angle must be less than the end angle"},
    };
    int i;
    size_t k;
    for (i = 0; i < g_story.n_codes; ++i) {
        const int code = g_story.codes[i];
        char message[KX_MESSAGE_BUFSIZE + 8];
        char fallback[64];
        int answer;
        memset(message, 'X', sizeof message);
        answer = STATUS(KX_get_fail_message(code, message));
        CHECK(memchr(message, '\0', KX_MESSAGE_BUFSIZE) != NULL, "text of %d is not terminated", code);
        CHECK(message[KX_MESSAGE_BUFSIZE] == 'X', "text of %d overran the buffer", code);
        CHECK(message[0] != '\0', "text of %d is empty", code);
        snprintf(fallback, sizeof fallback, "NO error text found for error %d", code);
        CHECK(answer == 0 || answer == 1, "KX_get_fail_message(%d) answered %d", code, answer);
        CHECK((answer == 1) == (strcmp(message, fallback) == 0), "code %d answered %d with \"%s\"", code, answer,
              message);
        for (k = 0; k < sizeof known / sizeof known[0]; ++k)
            if (known[k].code == code)
                CHECK(answer == 0 && strcmp(message, known[k].text) == 0, "code %d: answer %d, \"%s\"", code, answer,
                      message);
    }
    return 0;
}

/* ---- Story 1: a model built, edited, undone, measured, saved, reopened -- */

/* What the program leaves on each object, to be found again after the
 * part has been closed and opened. */
typedef struct expected_s {
    const char* name;
    int type;
    display_properties props;
    int has_int; /* an integer attribute "PASSES" */
    int int_value;
    int has_real; /* a real attribute "DEPTH" */
    double real_value;
    const char* material; /* a string attribute "MATERIAL", or NULL */
} expected;

static const double k_point[3] = {10.0, -4.0, 2.5};
static const line_data k_line = {{0.0, 0.0, 0.0}, {30.0, 40.0, 0.0}};
static const double k_arc_center[3] = {5.0, 5.0, 0.0};
static const double k_arc_radius = 8.0;
static const double k_identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

/* Indices into the program's objects. */
enum { POINT, LINE, ARC, CONIC, N_OBJECTS };

static const expected k_expected[N_OBJECTS] = {
    {"DATUM_POINT", 2, {1, 36, 0, 1, 1, 0}, 1, 7, 0, 0.0, NULL},
    {"EDGE_LINE", 3, {12, 99, 0, 2, 5, 0}, 1, 3, 1, 12.75, "steel"},
    {"QUARTER_ARC", 5, {40, 186, 0, 0, 2, 0}, 0, 0, 1, -0.5, "brass"},
    {"SLOT_ELLIPSE", 6, {256, 1, 1, 2, 7, 0}, 0, 0, 0, 0.0, "cast iron"},
};

/* The conic as the program makes it: a full ellipse, 4 by 2, turned by 30
 * degrees, centred at (20, -10) in the plane z = 1. */
static conic_data ellipse_record(tag matrix) {
    conic_data c;
    memset(&c, 0, sizeof c);
    c.matrix_tag = matrix;
    c.conic_type = KX_CONIC_ELLIPSE;
    c.rotation_angle = PI / 6;
    c.start_param = 0.0;
    c.end_param = 2 * PI;
    c.center[0] = 20.0;
    c.center[1] = -10.0;
    c.center[2] = 1.0;
    c.k1 = 4.0;
    c.k2 = 2.0;
    return c;
}

static int set_string_attr(tag object, const char* title, const char* text) {
    attribute_value value;
    char buffer[KX_ATTR_MAX_STRING_LEN + 1];
    snprintf(buffer, sizeof buffer, "%s", text);
    memset(&value, 0, sizeof value);
    value.type = KX_ATTR_string;
    value.value.string = buffer;
    CALL(KX_ATTR_assign(object, title, value));
    return 0;
}

/* Names the object and gives it its display properties and attributes. */
static int dress(tag object, const expected* e) {
    attribute_value value;
    CALL(KX_OBJ_set_name(object, e->name));
    CALL(KX_OBJ_set_layer(object, e->props.layer));
    CALL(KX_OBJ_set_color(object, e->props.color));
    CALL(KX_OBJ_set_blank_status(object, e->props.blank_status));
    CALL(KX_OBJ_set_line_width(object, e->props.line_width));
    CALL(KX_OBJ_set_font(object, e->props.font));
    if (e->has_int) {
        memset(&value, 0, sizeof value);
        value.type = KX_ATTR_integer;
        value.value.integer = e->int_value;
        CALL(KX_ATTR_assign(object, "PASSES", value));
    }
    if (e->has_real) {
        memset(&value, 0, sizeof value);
        value.type = KX_ATTR_real;
        value.value.real = e->real_value;
        CALL(KX_ATTR_assign(object, "DEPTH", value));
    }
    if (e->material) RUN(set_string_attr(object, "MATERIAL", e->material));
    return 0;
}

/* The object's type, name, display properties and attributes are as the
 * program left them. */
static int check_dressed(tag object, const expected* e) {
    char name[KX_OBJ_NAME_LEN + 1];
    display_properties props;
    attribute_value value;
    int count = 0;
    int wanted = 0;
    int type = 0, subtype = 0;

    CALL(KX_OBJ_ask_type_and_subtype(object, &type, &subtype));
    CHECK(type == e->type, "%s has type %d", e->name, type);
    CALL(KX_OBJ_ask_name(object, name));
    CHECK(strcmp(name, e->name) == 0, "name \"%s\" instead of %s", name, e->name);

    CALL(KX_OBJ_ask_display_properties(object, &props));
    CHECK(props.layer == e->props.layer && props.color == e->props.color &&
              props.blank_status == e->props.blank_status && props.line_width == e->props.line_width &&
              props.font == e->props.font,
          "%s: layer %d colour %d blank %d width %d font %d", e->name, props.layer, props.color, props.blank_status,
          props.line_width, props.font);

    if (e->has_int) {
        ++wanted;
        memset(&value, 0, sizeof value);
        CALL(KX_ATTR_read_value(object, "PASSES", KX_ATTR_integer, &value));
        CHECK(value.type == KX_ATTR_integer && value.value.integer == e->int_value, "%s PASSES: type %d value %d",
              e->name, value.type, value.value.integer);
    }
    if (e->has_real) {
        ++wanted;
        memset(&value, 0, sizeof value);
        CALL(KX_ATTR_read_value(object, "DEPTH", KX_ATTR_real, &value));
        CHECK(value.type == KX_ATTR_real && value.value.real == e->real_value, "%s DEPTH: type %d value %g", e->name,
              value.type, value.value.real);
    }
    if (e->material) {
        int same;
        ++wanted;
        memset(&value, 0, sizeof value);
        CALL(KX_ATTR_read_value(object, "MATERIAL", KX_ATTR_string, &value));
        CHECK(value.type == KX_ATTR_string && value.value.string != NULL, "%s MATERIAL: type %d", e->name, value.type);
        same = strcmp(value.value.string, e->material) == 0;
        KX_free(value.value.string);
        CHECK(same, "%s MATERIAL differs", e->name);
    }
    CALL(KX_ATTR_count_attributes(object, KX_ATTR_any, &count));
    CHECK(count == wanted, "%s has %d attributes, %d expected", e->name, count, wanted);
    return 0;
}

/* The geometry of every object as the program made it. */
static int check_geometry(const tag objects[N_OBJECTS]) {
    const conic_data made = ellipse_record(NULL_TAG);
    double point[3];
    line_data line;
    arc_data arc;
    conic_data conic;
    double values[9];
    int i;

    CALL(KX_CURVE_ask_point_data(objects[POINT], point));
    CHECK(near3(point, k_point, TOL), "point at %g %g %g", point[0], point[1], point[2]);

    CALL(KX_CURVE_ask_line_data(objects[LINE], &line));
    CHECK(near3(line.start_point, k_line.start_point, TOL) && near3(line.end_point, k_line.end_point, TOL),
          "line ends at %g %g %g", line.end_point[0], line.end_point[1], line.end_point[2]);

    CALL(KX_CURVE_ask_arc_data(objects[ARC], &arc));
    CHECK(fabs(arc.start_angle) <= TOL && fabs(arc.end_angle - PI / 2) <= TOL, "arc angles %g %g", arc.start_angle,
          arc.end_angle);
    CHECK(near3(arc.arc_center, k_arc_center, TOL) && fabs(arc.radius - k_arc_radius) <= TOL,
          "arc centre %g %g radius %g", arc.arc_center[0], arc.arc_center[1], arc.radius);
    CALL(KX_CSYS_ask_matrix_values(arc.matrix_tag, values));
    for (i = 0; i < 9; ++i) CHECK(fabs(values[i] - k_identity[i]) <= TOL, "arc matrix value %d is %g", i, values[i]);

    CALL(KX_CURVE_ask_conic_data(objects[CONIC], &conic));
    CHECK(conic.conic_type == made.conic_type && fabs(conic.k1 - made.k1) <= TOL && fabs(conic.k2 - made.k2) <= TOL &&
              fabs(conic.rotation_angle - made.rotation_angle) <= TOL &&
              fabs(conic.start_param - made.start_param) <= TOL && fabs(conic.end_param - made.end_param) <= TOL &&
              near3(conic.center, made.center, TOL),
          "conic type %d k1 %g k2 %g turned %g params %g %g centre %g %g %g", conic.conic_type, conic.k1, conic.k2,
          conic.rotation_angle, conic.start_param, conic.end_param, conic.center[0], conic.center[1], conic.center[2]);
    CALL(KX_CSYS_ask_matrix_values(conic.matrix_tag, values));
    for (i = 0; i < 9; ++i) CHECK(fabs(values[i] - k_identity[i]) <= TOL, "conic matrix value %d is %g", i, values[i]);
    return 0;
}

/* Finds every object by name and type in the part, and checks it whole. */
static int check_part(tag part, tag objects[N_OBJECTS]) {
    int i;
    for (i = 0; i < N_OBJECTS; ++i) {
        objects[i] = NULL_TAG;
        CALL(KX_OBJ_cycle_by_name_and_type(part, k_expected[i].name, k_expected[i].type, 0, &objects[i]));
        CHECK(objects[i] != NULL_TAG, "no %s of type %d in part %u", k_expected[i].name, k_expected[i].type, part);
        RUN(check_dressed(objects[i], &k_expected[i]));
    }
    return check_geometry(objects);
}

/* Builds the model in a new part, dressed as k_expected says. */
static int build(const char* file, tag* part, tag objects[N_OBJECTS]) {
    double point[3];
    line_data line = k_line;
    arc_data arc;
    conic_data conic;
    tag matrix = NULL_TAG;
    tag found = NULL_TAG;
    int i;

    CALL(KX_PART_new(file, KX_PART_METRIC, part));
    CHECK(*part != NULL_TAG && KX_PART_ask_display_part() == *part, "the new part is not displayed");

    memcpy(point, k_point, sizeof point);
    CALL(KX_CURVE_create_point(point, &objects[POINT]));
    CALL(KX_CURVE_create_line(&line, &objects[LINE]));

    CALL(KX_CSYS_create_matrix(k_identity, &matrix));
    memset(&arc, 0, sizeof arc);
    arc.matrix_tag = matrix;
    arc.start_angle = 0.0;
    arc.end_angle = PI / 2;
    memcpy(arc.arc_center, k_arc_center, sizeof arc.arc_center);
    arc.radius = k_arc_radius;
    CALL(KX_CURVE_create_arc(&arc, &objects[ARC]));

    conic = ellipse_record(matrix);
    CALL(KX_CURVE_create_conic(&conic, &objects[CONIC]));

    for (i = 0; i < N_OBJECTS; ++i) RUN(dress(objects[i], &k_expected[i]));
    /* Names are found without regard to case. */
    CALL(KX_OBJ_cycle_by_name("quarter_Arc", &found));
    CHECK(found == objects[ARC], "lower-case search found %u, not the arc %u", found, objects[ARC]);
    return check_part(*part, objects);
}

/* Sets a mark, changes the model in several ways, undoes to the mark and
 * checks that the model is back as it was. */
static int undo_story(tag part, tag objects[N_OBJECTS]) {
    KX_UNDO_mark_id_t mark = 0;
    line_data moved = k_line;
    line_data now;
    display_properties props;
    tag extra = NULL_TAG;
    double extra_at[3] = {1.0, 1.0, 1.0};
    int exists = 0;
    int count = 0;
    tag found = NULL_TAG;

    CALL(KX_UNDO_set_mark(KX_UNDO_visible, "c-user edit", &mark));
    CHECK(mark != 0, "mark id 0");

    moved.end_point[0] = -30.0;
    CALL(KX_CURVE_edit_line_data(objects[LINE], &moved));
    CALL(KX_OBJ_set_color(objects[ARC], 5));
    CALL(KX_CURVE_create_point(extra_at, &extra));
    CALL(KX_OBJ_set_name(extra, "STRAY"));
    CALL(KX_OBJ_delete_object(objects[CONIC]));
    CALL(KX_ATTR_delete(objects[LINE], KX_ATTR_string, "MATERIAL"));

    /* The changes are there before the undo. */
    CALL(KX_CURVE_ask_line_data(objects[LINE], &now));
    CHECK(now.end_point[0] == -30.0, "the edit did not take: %g", now.end_point[0]);
    CALL(KX_OBJ_ask_display_properties(objects[ARC], &props));
    CHECK(props.color == 5, "colour %d after the edit", props.color);
    CALL(KX_OBJ_cycle_by_name_and_type(part, k_expected[CONIC].name, 6, 0, &found));
    CHECK(found == NULL_TAG, "the deleted conic is still found");
    CALL(KX_ATTR_count_attributes(objects[LINE], KX_ATTR_any, &count));
    CHECK(count == 2, "%d attributes on the line after deleting one", count);

    CALL(KX_UNDO_undo_to_mark(mark, NULL));

    CALL(KX_UNDO_ask_mark_exist(mark, NULL, &exists));
    CHECK(exists == 1, "the mark is gone after undoing to it");
    found = NULL_TAG;
    CALL(KX_OBJ_cycle_by_name_and_type(part, "STRAY", 2, 0, &found));
    CHECK(found == NULL_TAG, "the point made after the mark survived the undo");
    RUN(check_part(part, objects));
    CALL(KX_UNDO_delete_mark(mark, NULL));
    return 0;
}

/* Evaluates the arc through an evaluator and compares with its circle. */
static int evaluator_story(tag arc) {
    evaluator ev = 0;
    logical is_arc = 0, periodic = 1;
    double limits[2];
    double at[3], derivs[6];
    const double t = PI / 3;
    double want[3], want_d1[3];
    double direct[6];
    eval_arc_data data;

    CALL(KX_EVAL_initialize(arc, &ev));
    CHECK(ev != 0, "no evaluator");
    CALL(KX_EVAL_is_arc(ev, &is_arc));
    CHECK(is_arc == 1, "the evaluator of an arc says it is no arc");
    CALL(KX_EVAL_is_periodic(ev, &periodic));
    CHECK(periodic == 0, "a quarter arc is periodic");
    CALL(KX_EVAL_ask_limits(ev, limits));
    CHECK(fabs(limits[0]) <= TOL && fabs(limits[1] - PI / 2) <= TOL, "limits %g %g", limits[0], limits[1]);

    CALL(KX_EVAL_evaluate(ev, 2, t, at, derivs));
    want[0] = k_arc_center[0] + k_arc_radius * cos(t);
    want[1] = k_arc_center[1] + k_arc_radius * sin(t);
    want[2] = k_arc_center[2];
    want_d1[0] = -k_arc_radius * sin(t);
    want_d1[1] = k_arc_radius * cos(t);
    want_d1[2] = 0.0;
    CHECK(near3(at, want, TOL), "point %g %g %g", at[0], at[1], at[2]);
    CHECK(near3(derivs, want_d1, TOL), "first derivative %g %g %g", derivs[0], derivs[1], derivs[2]);
    CHECK(fabs(derivs[3] + k_arc_radius * cos(t)) <= TOL && fabs(derivs[4] + k_arc_radius * sin(t)) <= TOL,
          "second derivative %g %g", derivs[3], derivs[4]);

    CALL(KX_EVAL_ask_arc(ev, &data));
    CHECK(near3(data.center, k_arc_center, TOL) && fabs(data.radius - k_arc_radius) <= TOL && data.is_periodic == 0,
          "arc data centre %g %g radius %g", data.center[0], data.center[1], data.radius);

    /* The curve query agrees with the evaluator. */
    CALL(KX_CURVE_evaluate_curve(arc, t, 1, direct));
    CHECK(near3(direct, at, TOL) && near3(direct + 3, derivs, TOL), "KX_CURVE_evaluate_curve: %g %g", direct[0],
          direct[1]);

    CALL(KX_EVAL_free(ev));
    /* A freed handle is refused like a null one. */
    REFUSED(KX_EVAL_ask_limits(ev, limits), 1105004);
    return 0;
}

static int lengths_story(const tag objects[N_OBJECTS]) {
    double length = 0.0;
    /* Ramanujan's approximation of the perimeter of a 4 by 2 ellipse is
     * good to about 1e-4 here. */
    const double ellipse = PI * (3 * (4.0 + 2.0) - sqrt((3 * 4.0 + 2.0) * (4.0 + 3 * 2.0)));

    CALL(KX_CURVE_ask_arc_length(objects[LINE], 0.0, 1.0, KX_CURVE_UNITS_PART, &length));
    CHECK(fabs(length - 50.0) <= TOL, "line length %g", length);
    CALL(KX_CURVE_ask_arc_length(objects[LINE], 0.25, 0.75, KX_CURVE_UNITS_MM, &length));
    CHECK(fabs(length - 25.0) <= TOL, "half the line in mm: %g", length);
    CALL(KX_CURVE_ask_arc_length(objects[LINE], 0.0, 1.0, KX_CURVE_UNITS_CM, &length));
    CHECK(fabs(length - 5.0) <= TOL, "line length in cm: %g", length);
    CALL(KX_CURVE_ask_arc_length(objects[ARC], 0.0, 1.0, KX_CURVE_UNITS_PART, &length));
    CHECK(fabs(length - k_arc_radius * PI / 2) <= TOL, "arc length %g", length);
    CALL(KX_CURVE_ask_arc_length(objects[CONIC], 0.0, 1.0, KX_CURVE_UNITS_PART, &length));
    CHECK(fabs(length - ellipse) <= 1e-3, "ellipse perimeter %g against %g", length, ellipse);
    return 0;
}

/* The part's own attribute, as the program leaves it. */
#define PART_TITLE "CUSTOMER"
#define PART_VALUE "Northfield Tooling"

static int check_part_attrs(int count, KX_ATTR_part_attr_t* attrs) {
    int i, found = 0;
    for (i = 0; i < count; ++i)
        if (strcmp(attrs[i].title, PART_TITLE) == 0 && strcmp(attrs[i].string_value, PART_VALUE) == 0) ++found;
    KX_free(attrs);
    CHECK(found == 1, "%d of %d part attributes are %s = %s", found, count, PART_TITLE, PART_VALUE);
    return 0;
}

/* Opens the saved part: nothing failed, nothing else loaded, not modified. */
static int reopen(const char* file, tag* part) {
    load_status status;
    int units = 0;
    char name[KX_PART_MAX_NAME_CHARS + 1];
    int failed, n_parts, rc;
    memset(&status, 0, sizeof status);
    *part = NULL_TAG;
    rc = met(STATUS(KX_PART_open(file, part, &status)));
    free_report(&status);
    if (rc != 0) return fail("line %d: KX_PART_open -> %d \"%s\"", __LINE__, rc, text_of(rc));
    failed = status.failed;
    n_parts = status.n_parts;
    CHECK(failed == 0 && n_parts == 0, "load report: failed %d, %d files", failed, n_parts);
    CHECK(*part != NULL_TAG, "the open gave no part");
    CHECK(KX_PART_ask_num_parts() == 1, "%d parts loaded", KX_PART_ask_num_parts());
    CHECK(KX_PART_ask_display_part() == *part, "the opened part is not displayed");
    CHECK(KX_PART_is_modified(*part) == 0, "a part just opened is modified");
    CALL(KX_PART_ask_units(*part, &units));
    CHECK(units == KX_PART_METRIC, "units %d", units);
    CALL(KX_PART_ask_part_name(*part, name));
    CHECK(strstr(name, "c_user_model") != NULL, "part name %.120s", name);
    {
        int count = 0;
        KX_ATTR_part_attr_t* attrs = NULL;
        CALL(KX_ATTR_ask_part_attrs(*part, &count, &attrs));
        RUN(check_part_attrs(count, attrs));
    }
    return 0;
}

/* After a save: a change makes the part modified again, so that a close
 * that keeps modified parts refuses; a roll-back past a later save leaves
 * the part modified too, as the file no longer holds what the model does.
 * Ends with the part saved as before. */
static int changes_after_save(tag part) {
    KX_UNDO_mark_id_t mark = 0;
    double at[3] = {-1.0, -2.0, -3.0};
    tag stray = NULL_TAG;
    tag found = NULL_TAG;

    CALL(KX_UNDO_set_mark(KX_UNDO_visible, "after save", &mark));
    CALL(KX_CURVE_create_point(at, &stray));
    CALL(KX_OBJ_set_name(stray, "STRAY"));
    CHECK(KX_PART_is_modified(part) != 0, "a new point left the part unmodified");
    REFUSED(KX_PART_close(part, 0, 0), 641010);
    CHECK(KX_PART_ask_num_parts() == 1, "the modified part was closed");

    CALL(KX_PART_save());
    CHECK(KX_PART_is_modified(part) == 0, "modified after the second save");
    CALL(KX_UNDO_undo_to_mark(mark, NULL));
    CALL(KX_OBJ_cycle_by_name_and_type(part, "STRAY", 2, 0, &found));
    CHECK(found == NULL_TAG, "the point survived the undo");
    CHECK(KX_PART_is_modified(part) != 0, "rolled back past a save, the part says it matches its file");
    CALL(KX_UNDO_delete_mark(mark, NULL));

    CALL(KX_PART_save());
    CHECK(KX_PART_is_modified(part) == 0, "modified after the third save");
    return 0;
}

int scenario_model(const char* dir, char* why, size_t n) {
    char file[1024];
    tag part = NULL_TAG;
    tag objects[N_OBJECTS];

    begin(why, n);
    path_in(dir, "c_user_model.prt", file, sizeof file);
    CALL(KX_initialize());
    CHECK(KX_is_initialized() == 1, "not initialised after KX_initialize");

    RUN(build(file, &part, objects));
    RUN(undo_story(part, objects));
    RUN(evaluator_story(objects[ARC]));
    RUN(lengths_story(objects));

    RUN(set_string_attr(part, PART_TITLE, PART_VALUE));
    CHECK(KX_PART_is_modified(part) != 0, "not modified before the save");
    CALL(KX_PART_save());
    CHECK(KX_PART_is_modified(part) == 0, "modified after the save");
    RUN(changes_after_save(part));
    CALL(KX_PART_close_all());
    CHECK(KX_PART_ask_num_parts() == 0, "%d parts after closing all", KX_PART_ask_num_parts());

    RUN(reopen(file, &part));
    RUN(check_part(part, objects));
    {
        tag stray = NULL_TAG;
        CALL(KX_OBJ_cycle_by_name("STRAY", &stray));
        CHECK(stray == NULL_TAG, "the file holds the point that was rolled back");
    }
    RUN(evaluator_story(objects[ARC]));
    RUN(lengths_story(objects));
    CALL(KX_PART_close_all());

    RUN(check_texts());
    CALL(KX_terminate());
    CHECK(KX_is_initialized() == 0, "still initialised after KX_terminate");
    return 0;
}

/* The part that scenario_model saved, opened by a new process. */
int scenario_reopen(const char* dir, char* why, size_t n) {
    char file[1024];
    tag part = NULL_TAG;
    tag objects[N_OBJECTS];

    begin(why, n);
    path_in(dir, "c_user_model.prt", file, sizeof file);
    CALL(KX_initialize());
    {
        /* The part's attributes are read from the file before it is opened. */
        int count = 0;
        KX_ATTR_part_attr_t* attrs = NULL;
        CALL(KX_ATTR_ask_part_attrs_in_file(file, &count, &attrs));
        RUN(check_part_attrs(count, attrs));
        CHECK(KX_PART_ask_num_parts() == 0, "reading attributes loaded a part");
    }
    RUN(reopen(file, &part));
    RUN(check_part(part, objects));
    RUN(evaluator_story(objects[ARC]));
    RUN(lengths_story(objects));
    CALL(KX_PART_close_all());
    RUN(check_texts());
    CALL(KX_terminate());
    return 0;
}

/* ---- Story 2: the program's own error handler ------------------------- */

static jmp_buf g_jump;

/* Frees a block under a handler of the program's own, as a program does
 * around a call that has no recovery point of its own. Answers 0 when the
 * free went through, 1 when an error came back through the jump (its code
 * in *code), -1 when no handler could be armed. */
static int free_guarded(void* block, int* code) {
    volatile int handler = -1;
    *code = 0;
    if (setjmp(g_jump) == 0) {
        handler = KX_ERROR_set_handler(g_jump);
        if (handler < 0) return -1;
        KX_free(block);
        KX_ERROR_cancel_handler(handler);
        return 0;
    }
    *code = KX_ERROR_ask_failure_code();
    /* The program is done with its handler either way. */
    KX_ERROR_cancel_handler(handler);
    return 1;
}

/* Library functions with a recovery point of their own answer a status,
 * for their own refusals and for errors the host raises inside them alike,
 * and never come back through the program's handler. */
static int own_frame_under_handler(tag line, tag dead, int* refused, int* raised) {
    volatile int handler = -1;
    arc_data arc;
    if (setjmp(g_jump) == 0) {
        handler = KX_ERROR_set_handler(g_jump);
        if (handler < 0) return -1;
        *refused = STATUS(KX_CURVE_ask_arc_data(line, &arc));
        *raised = STATUS(KX_OBJ_set_color(dead, 3));
        KX_ERROR_cancel_handler(handler);
        return 0;
    }
    KX_ERROR_cancel_handler(handler);
    return 1;
}

int scenario_error_handler(const char* dir, char* why, size_t n) {
    char file[1024];
    tag part = NULL_TAG;
    tag line = NULL_TAG;
    line_data data = k_line;
    line_data back;
    int code = 0;
    int refused = 0, raised = 0;
    tag dead = NULL_TAG;
    double at[3] = {0.0, 0.0, 0.0};
    int round;
    int error = 0;
    int not_a_block[4] = {1, 2, 3, 4};
    void* block;

    begin(why, n);
    path_in(dir, "c_user_handler.prt", file, sizeof file);

    /* Without a session no handler is armed. */
    CHECK(KX_ERROR_set_handler(g_jump) == -1, "a handler was armed before KX_initialize");
    REFUSED(KX_ERROR_ask_failure_code(), 1105000);

    CALL(KX_initialize());
    CHECK(KX_ERROR_set_handler(NULL) == -1, "a handler was armed without a buffer");
    KX_ERROR_cancel_handler(-1);
    CALL(KX_PART_new(file, KX_PART_METRIC, &part));
    CALL(KX_CURVE_create_line(&data, &line));

    /* A bad pointer given to KX_free makes the host raise; the error comes
     * back to the program's setjmp, again and again. */
    for (round = 0; round < 3; ++round) {
        CHECK(free_guarded(not_a_block, &code) == 1, "round %d: the error did not come back through the jump", round);
        met(code);
        CHECK(code == BAD_BLOCK_CODE, "round %d: failure code %d", round, code);
        CHECK(KX_ERROR_ask_failure_code() == BAD_BLOCK_CODE, "the failure code changed to %d",
              KX_ERROR_ask_failure_code());

        /* The library goes on working after the jump. */
        CALL(KX_CURVE_ask_line_data(line, &back));
        CHECK(near3(back.end_point, data.end_point, TOL), "line data after the jump: %g %g %g", back.end_point[0],
              back.end_point[1], back.end_point[2]);
        data.end_point[2] = round + 1.0;
        CALL(KX_CURVE_edit_line_data(line, &data));
    }

    /* Handlers nest: the inner one takes the first error and is cancelled
     * in its landing branch, the outer one stays armed for the next. */
    {
        static jmp_buf outer;
        volatile int outer_handler = -1;
        volatile int inner_result = -2;
        if (setjmp(outer) == 0) {
            outer_handler = KX_ERROR_set_handler(outer);
            CHECK(outer_handler >= 0, "no outer handler");
            inner_result = free_guarded(not_a_block, &code);
            KX_free(not_a_block + 1);
            KX_ERROR_cancel_handler(outer_handler);
            return fail("the second bad pointer did not come back to the outer handler");
        }
        KX_ERROR_cancel_handler(outer_handler);
        CHECK(inner_result == 1, "the inner handler answered %d", inner_result);
        CHECK(KX_ERROR_ask_failure_code() == BAD_BLOCK_CODE, "outer failure code %d", KX_ERROR_ask_failure_code());
    }

    /* A block the library handed out is freed under the handler without a
     * jump. */
    CALL((block = KX_allocate_memory(64, &error), error));
    CHECK(block != NULL, "no block");
    CHECK(free_guarded(block, &code) == 0 && code == 0, "freeing a good block jumped with %d", code);

    /* Functions with a frame of their own answer statuses. */
    CALL(KX_CURVE_create_point(at, &dead));
    CALL(KX_OBJ_delete_object(dead));
    CHECK(own_frame_under_handler(line, dead, &refused, &raised) == 0,
          "a function with its own frame came back through the jump");
    REFUSED(refused, 1480002);
    REFUSED(raised, DEAD_TAG_CODE);

    CALL(KX_CURVE_ask_line_data(line, &back));
    CHECK(back.end_point[2] == 3.0, "line height %g after the edits", back.end_point[2]);
    CALL(KX_PART_close_all());
    RUN(check_texts());
    CALL(KX_terminate());
    return 0;
}

/* ---- Story 3: refusals ------------------------------------------------ */

int scenario_refusals(const char* dir, char* why, size_t n) {
    char file[1024];
    char missing[1024];
    char message[KX_MESSAGE_BUFSIZE];
    char name[KX_OBJ_NAME_LEN + 1];
    char too_long[KX_OBJ_NAME_LEN + 2];
    tag part = NULL_TAG;
    tag line = NULL_TAG;
    tag arc_tag = NULL_TAG;
    tag matrix = NULL_TAG;
    tag object = NULL_TAG;
    double point[3] = {1.0, 2.0, 3.0};
    line_data data = k_line;
    line_data back;
    arc_data arc;
    display_properties props;
    load_status status;
    KX_UNDO_mark_id_t mark = 0;
    int type = 0, subtype = 0;
    int rc;

    begin(why, n);
    path_in(dir, "c_user_refusals.prt", file, sizeof file);
    path_in(dir, "no_such_part.prt", missing, sizeof missing);

    /* Before KX_initialize: refused, and the text says why. */
    CHECK(KX_is_initialized() == 0, "initialised before KX_initialize");
    REFUSED(KX_OBJ_set_color(1, 5), 1105000);
    REFUSED(KX_CURVE_create_point(point, &object), 1105000);
    REFUSED(KX_UNDO_set_mark(KX_UNDO_visible, NULL, &mark), 1105000);
    CHECK(KX_get_fail_message(1105000, message) == 0 &&
              strcmp(message, "KX_initialize must be called by main routine") == 0,
          "text before the session: \"%s\"", message);

    CALL(KX_initialize());
    /* No part yet. */
    REFUSED(KX_CURVE_create_point(point, &object), 1105012);
    REFUSED(KX_PART_new(file, 3, &part), 641022);
    memset(&status, 0, sizeof status);
    rc = met(STATUS(KX_PART_open(missing, &part, &status)));
    free_report(&status);
    CHECK(rc != 0, "a missing file was opened");
    CHECK(part == NULL_TAG && KX_PART_ask_num_parts() == 0, "a failed open left a part");

    CALL(KX_PART_new(file, KX_PART_METRIC, &part));
    CALL(KX_CURVE_create_line(&data, &line));

    /* Null tags. */
    REFUSED(KX_OBJ_ask_display_properties(NULL_TAG, &props), 1105004);
    REFUSED(KX_OBJ_set_color(NULL_TAG, 3), 1105004);
    REFUSED(KX_OBJ_ask_type_and_subtype(NULL_TAG, &type, &subtype), 1105004);
    REFUSED(KX_OBJ_delete_object(NULL_TAG), 1105004);
    REFUSED(KX_CURVE_ask_line_data(NULL_TAG, &back), 1480001);

    /* Bad values, by their position. */
    REFUSED(KX_OBJ_set_color(line, 217), 1105005);
    REFUSED(KX_OBJ_set_layer(line, 0), 1105005);
    memset(too_long, 'N', sizeof too_long - 1);
    too_long[sizeof too_long - 1] = '\0';
    REFUSED(KX_OBJ_set_name(line, too_long), 1105005);
    REFUSED(KX_OBJ_ask_name(line, name), 1155001);
    REFUSED(KX_CURVE_ask_arc_data(line, &arc), 1480002);

    CALL(KX_CSYS_create_matrix(k_identity, &matrix));
    memset(&arc, 0, sizeof arc);
    arc.matrix_tag = matrix;
    arc.radius = 2.0;
    arc.start_angle = 1.0;
    arc.end_angle = 0.5;
    REFUSED(KX_CURVE_create_arc(&arc, &arc_tag), 1480005);
    arc.start_angle = 0.0;
    arc.end_angle = 2 * PI + 1e-6;
    REFUSED(KX_CURVE_create_arc(&arc, &arc_tag), 1480004);
    CHECK(arc_tag == NULL_TAG, "a refused arc gave a tag");
    REFUSED(KX_UNDO_undo_to_mark(987654, NULL), 1055004);

    /* The refusals changed nothing. */
    object = NULL_TAG;
    CALL(KX_OBJ_cycle_objs_in_part(part, 5, &object));
    CHECK(object == NULL_TAG, "a refused arc is in the part");
    CALL(KX_OBJ_ask_display_properties(line, &props));
    CHECK(props.color >= 1 && props.color <= 216 && props.layer >= 1 && props.layer <= 256, "line colour %d layer %d",
          props.color, props.layer);
    CALL(KX_CURVE_ask_line_data(line, &back));
    CHECK(near3(back.end_point, k_line.end_point, TOL), "the line moved");

    CALL(KX_PART_close_all());
    RUN(check_texts());
    CALL(KX_terminate());

    /* A session once ended does not start again in this kind of program. */
    REFUSED(KX_initialize(), 1105002);
    CHECK(KX_is_initialized() == 0, "initialised after a refused restart");
    REFUSED(KX_OBJ_set_color(line, 5), 1105000);
    return check_texts();
}
