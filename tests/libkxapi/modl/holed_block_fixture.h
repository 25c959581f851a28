// A block of 70 by 45 by 20 with a hole of radius 9 through it, made
// straight through the host in a fresh process: the model of the list
// queries' rows and walk.
#ifndef TESTS_LIBKXAPI_MODL_HOLED_BLOCK_FIXTURE_H
#define TESTS_LIBKXAPI_MODL_HOLED_BLOCK_FIXTURE_H

#include "host/model/feature/feature.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/fresh_process.h"

namespace kxtest {

struct HoledBlock {
    tag body = NULL_TAG;
    tag hole = NULL_TAG;
};

inline HoledBlock make_holed_block(const char* file) {
    kxtest::fresh_process();
    KX_initialize();
    const unsigned int part = host::parts::create(file);
    CONTEXT_set_work_part(part);
    HoledBlock made;
    unsigned int block = 0;
    const char* b[] = {"70", "45", "20"};
    const double at[] = {0, 0, 0};
    FEAT_create(part, "BLOCK", 3, b, 3, at, 0, nullptr, 0, FEAT_SIGN_NEW, &block);
    made.body = FREC_ask_body(block);
    const char* c[] = {"18", "40"};
    const double axis[] = {31, 17, -10, 0, 0, 1};
    unsigned int hole = 0;
    FEAT_create(part, "CYLINDER", 2, c, 6, axis, 0, nullptr, made.body, FEAT_SIGN_SUBTRACT, &hole);
    made.hole = hole;
    return made;
}

}  // namespace kxtest

#endif
