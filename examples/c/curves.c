/* curves: makes a few curves in a new part, asks them for their data and
 * lengths, finds where two of them cross, saves the part and opens it again.
 *
 *     ./curves [part file]        (default: bracket.prt in the current directory)
 */
#include <stdio.h>
#include <stdlib.h>

#include <kxapi.h>

#define PI 3.14159265358979323846

/* Stops the program with the failing call and the status's text. */
static void check(int status, const char* call) {
    char message[KX_MESSAGE_BUFSIZE];
    if (status == 0) return;
    KX_get_fail_message(status, message);
    fprintf(stderr, "%s failed: %d %s\n", call, status, message);
    exit(1);
}
#define CHECK(call) check((call), #call)

int main(int argc, char** argv) {
    const char* file = argc > 1 ? argv[1] : "bracket.prt";
    const double identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    double origin[3] = {0.0, 0.0, 0.0};
    double mid[7];
    double length = 0.0;
    char name[KX_OBJ_NAME_LEN + 1];
    tag part = NULL_TAG, point = NULL_TAG, line = NULL_TAG, arc = NULL_TAG, matrix = NULL_TAG;
    tag found = NULL_TAG;
    line_data edge = {{0.0, 0.0, 0.0}, {30.0, 40.0, 0.0}};
    arc_data round;
    arc_data back;
    curve_intersection crossing;
    load_status loaded;

    CHECK(KX_initialize());
    CHECK(KX_PART_new(file, KX_PART_METRIC, &part));

    /* A point, a line from it and a quarter circle of radius 25 about it. */
    CHECK(KX_CURVE_create_point(origin, &point));
    CHECK(KX_CURVE_create_line(&edge, &line));
    CHECK(KX_CSYS_create_matrix(identity, &matrix));
    round.matrix_tag = matrix;
    round.start_angle = 0.0;
    round.end_angle = PI / 2;
    round.arc_center[0] = round.arc_center[1] = round.arc_center[2] = 0.0;
    round.radius = 25.0;
    CHECK(KX_CURVE_create_arc(&round, &arc));
    CHECK(KX_OBJ_set_name(line, "EDGE"));
    CHECK(KX_OBJ_set_name(arc, "ROUND"));

    /* Their data and lengths. */
    CHECK(KX_CURVE_ask_arc_length(line, 0.0, 1.0, KX_CURVE_UNITS_PART, &length));
    printf("line EDGE: length %.3f mm\n", length);
    CHECK(KX_CURVE_ask_arc_data(arc, &back));
    CHECK(KX_CURVE_ask_arc_length(arc, 0.0, 1.0, KX_CURVE_UNITS_PART, &length));
    printf("arc ROUND: radius %.3f, %.1f to %.1f degrees, length %.3f mm\n", back.radius, back.start_angle * 180.0 / PI,
           back.end_angle * 180.0 / PI, length);

    /* The point and the tangent halfway along the arc. */
    CHECK(KX_CURVE_evaluate_curve(arc, PI / 4, 1, mid));
    printf("arc ROUND at 45 degrees: point (%.3f, %.3f, %.3f), tangent (%.3f, %.3f, %.3f)\n", mid[0], mid[1], mid[2],
           mid[3], mid[4], mid[5]);

    /* Where the line leaves the quarter circle. */
    CHECK(KX_CURVE_intersect(line, arc, origin, &crossing));
    if (crossing.type_of_intersection == 0) {
        printf("EDGE and ROUND do not cross\n");
    } else {
        printf("EDGE crosses ROUND at (%.3f, %.3f, %.3f)\n", crossing.curve_point[0], crossing.curve_point[1],
               crossing.curve_point[2]);
    }

    CHECK(KX_PART_save());
    CHECK(KX_PART_close_all());
    printf("saved %s\n", file);

    /* The saved part opened again: the arc is found by its name. */
    CHECK(KX_PART_open(file, &part, &loaded));
    KX_free_string_array(loaded.n_parts, loaded.file_names);
    KX_free(loaded.statuses);
    CHECK(KX_OBJ_cycle_by_name("ROUND", &found));
    if (found == NULL_TAG) {
        fprintf(stderr, "ROUND is not in %s\n", file);
        return 1;
    }
    CHECK(KX_OBJ_ask_name(found, name));
    CHECK(KX_CURVE_ask_arc_data(found, &back));
    printf("reopened %s: %s has radius %.3f\n", file, name, back.radius);

    CHECK(KX_PART_close_all());
    CHECK(KX_terminate());
    return 0;
}
