/* holed_block: makes a 100 x 50 x 20 block whose length is the expression
 * 2*L, cuts a hole of diameter 20 through its middle, and prints its face
 * count, its box and the hole's radius; then makes L longer and prints the
 * box again after the update.
 *
 *     ./holed_block [part file]   (default: holed_block.prt in the current directory)
 */
#include <stdio.h>
#include <stdlib.h>

#include <kxapi.h>

/* Stops the program with the failing call and the status's text. */
static void check(int status, const char* call) {
    char message[KX_MESSAGE_BUFSIZE];
    if (status == 0) return;
    KX_get_fail_message(status, message);
    fprintf(stderr, "%s failed: %d %s\n", call, status, message);
    exit(1);
}
#define CHECK(call) check((call), #call)

static void print_box(const char* what, tag body) {
    double box[6];
    CHECK(KX_MODL_ask_bounding_box(body, box));
    printf("%s: box (%.3f, %.3f, %.3f) - (%.3f, %.3f, %.3f)\n", what, box[0], box[1], box[2], box[3], box[4], box[5]);
}

int main(int argc, char** argv) {
    const char* file = argc > 1 ? argv[1] : "holed_block.prt";
    double corner[3] = {0.0, 0.0, 0.0};
    double centre[3] = {50.0, 25.0, 0.0};
    double up[3] = {0.0, 0.0, 1.0};
    const char* sizes[3] = {"2*L", "50", "20"};
    tag part = NULL_TAG, block = NULL_TAG, hole = NULL_TAG, body = NULL_TAG, face = NULL_TAG;
    tag_list* faces = NULL;
    int count = 0, i = 0;

    CHECK(KX_initialize());
    CHECK(KX_PART_new(file, KX_PART_METRIC, &part));
    CHECK(KX_MODL_create_exp("L=50"));

    /* The block, and a cylinder subtracted from it (sign 2). */
    CHECK(KX_MODL_create_block(0, NULL_TAG, corner, sizes, &block));
    CHECK(KX_MODL_ask_feat_body(block, &body));
    CHECK(KX_MODL_create_cylinder(2, body, centre, "20", "20", up, &hole));

    CHECK(KX_MODL_ask_body_faces(body, &faces));
    CHECK(KX_MODL_ask_list_count(faces, &count));
    printf("holed block: %d faces\n", count);
    print_box("holed block", body);
    for (i = 0; i < count; ++i) {
        int type = 0, sense = 0;
        double point[3], direction[3], box[6], radius = 0.0, radius2 = 0.0;
        CHECK(KX_MODL_ask_list_item(faces, i, &face));
        CHECK(KX_MODL_ask_face_data(face, &type, point, direction, box, &radius, &radius2, &sense));
        if (type == KX_MODL_FACE_CYLINDER) printf("hole: radius %.3f\n", radius);
    }
    CHECK(KX_MODL_delete_list(&faces));

    /* A longer block: the hole stays where it is. */
    CHECK(KX_MODL_edit_exp("L=60"));
    CHECK(KX_MODL_update());
    print_box("after L=60", body);

    CHECK(KX_PART_save());
    CHECK(KX_PART_close_all());
    CHECK(KX_terminate());
    return 0;
}
