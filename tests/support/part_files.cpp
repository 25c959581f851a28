#include "tests/support/part_files.h"

#include <gtest/gtest.h>

#include "host/data/parts.h"
#include "host/services/memory.h"
#include "kx_core.h"

namespace kxtest {

int save_part(unsigned int part) {
    int components = 0, mode = 0, result = -1;
    base_save_part(&part, &components, &mode, &result);
    return result;
}

int open_part(const std::string& file, unsigned int* part) {
    PART_load_status_t status{};
    *part = 0;
    const int code = BASE_open_part(file.c_str(), part, &status);
    for (int i = 0; i < status.n_parts; ++i) SM_free(status.file_names[i]);
    SM_free(status.file_names);
    SM_free(status.statuses);
    return code;
}

unsigned int reopen_part(unsigned int part, const std::string& file, const std::function<void()>& reset) {
    const int saved = save_part(part);
    EXPECT_EQ(saved, 0) << "saving " << file;
    if (saved != 0) return 0;
    reset();
    EXPECT_EQ(KX_initialize(), 0);
    unsigned int again = 0;
    const int code = open_part(file, &again);
    EXPECT_EQ(code, 0) << "opening " << file;
    if (code != 0 || again == 0) return 0;
    CONTEXT_set_work_part(again);
    return again;
}

}  // namespace kxtest
