// A kernel data file read in that meets a host error after the kernel made
// its bodies: the bodies are taken away again and the caller gets no list.
#include <gtest/gtest.h>

#include <string>

#include "host/control/control.h"
#include "host/control/faultsim.h"
#include "host/kernel/engine/kernel.h"
#include "host/model/feature/feature.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/fresh_process.h"

namespace {

constexpr int kCode = 670099;

void written_block() {
    kxtest::fresh_process();
    KX_initialize();
    const unsigned int part = host::parts::create("zr_import_failed.prt");
    CONTEXT_set_work_part(part);
    const char* sizes[3] = {"7", "11", "13"};
    const double origin[3] = {0, 0, 0};
    unsigned int block = 0;
    FEAT_create(part, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, FEAT_SIGN_NEW, &block);
    const tag one[] = {FREC_ask_body(block)};
    int written = 0, fail = 0;
    ASSERT_EQ(KX_ZR_export_linked_data(1, one, "import_failed.kxk", 0, 0, &written, &fail), 0);
    host::control::clear_journal();
}

TEST(ZrImportFailedCall, ARaiseAfterTheBodiesWereMadeLeavesTheModelAsItWas) {
    for (const char* routine : {"KI_colist", "KI_gttgli", "SM_alloc_persistent"}) {
        SCOPED_TRACE(routine);
        written_block();
        const std::string before = host::control::model_fingerprint();
        host::control::raise_on(routine, kCode, 1);
        int any = 0;
        tag_list* back = reinterpret_cast<tag_list*>(&any);
        EXPECT_EQ(KX_ZR_import_data("import_failed.kxk", &back), kCode);
        EXPECT_EQ(back, nullptr);
        EXPECT_EQ(host::control::model_fingerprint(), before);
    }
}

}  // namespace
