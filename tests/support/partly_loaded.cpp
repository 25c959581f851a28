#include "tests/support/partly_loaded.h"

#include "host/data/parts.h"
#include "host/feature/feature.h"
#include "host/services/memory.h"

namespace kxtest {

unsigned int partly_loaded_part(const std::string& file, unsigned int work) {
    const unsigned int proto = host::parts::create(file);
    CONTEXT_set_work_part(proto);
    const char* size[] = {"10", "10", "10"};
    const double at[] = {0, 0, 0};
    unsigned int f = 0;
    if (FEAT_create(proto, "BLOCK", 3, size, 3, at, 0, nullptr, 0, 0, &f) != 0) return 0;
    host::parts::add_component(proto, "absent.prt");
    int components = 0, mode = 0, result = -1;
    unsigned int p = proto;
    base_save_part(&p, &components, &mode, &result);
    CONTEXT_set_work_part(work);
    if (result != 0 || base_Part_Close(proto, 0, 1) != 0) return 0;
    unsigned int reopened = 0;
    PART_load_status_t status{};
    BASE_open_part(file.c_str(), &reopened, &status);
    for (int i = 0; i < status.n_parts; ++i) SM_free(status.file_names[i]);
    SM_free(status.file_names);
    SM_free(status.statuses);
    return reopened;
}

}  // namespace kxtest
