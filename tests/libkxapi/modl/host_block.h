// The start of many fault-simulation stories: a fresh process whose work
// part (named as given) holds a 100 x 50 x 20 block at the origin, made
// straight through the host's feature service. Answers the part and the
// block feature.
#ifndef TESTS_LIBKXAPI_MODL_HOST_BLOCK_H
#define TESTS_LIBKXAPI_MODL_HOST_BLOCK_H

#include <utility>

#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "tests/support/fresh_process.h"

inline std::pair<unsigned int, unsigned int> fresh_host_block(const char* part_name) {
    kxtest::fresh_process();
    const unsigned int part = host::parts::create(part_name);
    host::parts::set_work_part(part);
    const char* sizes[] = {"100", "50", "20"};
    const double origin[] = {0, 0, 0};
    unsigned int block = 0;
    FEAT_create(part, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, 0, &block);
    return {part, block};
}

#endif
