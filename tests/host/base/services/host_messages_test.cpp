// The host's own texts: every code the host raises or answers decodes to a
// text, also with no decoder registered, and a registered band keeps its
// own texts.
#include <cstring>
#include <set>
#include <string>

#include "host/kernel/curves/curve_queries.h"
#include "host/store/parts/parts.h"
#include "host/store/parts/rm.h"
#include "host/apps/modeling/dfo/dfo.h"
#include "host/model/expr/display.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/undo.h"
#include "host/kernel/engine/codes.h"
#include "host/store/attributes/attributes.h"
#include "host/base/services/error.h"
#include "host/base/services/host_messages.h"
#include "host/base/services/memory.h"
#include "host/base/services/text.h"
#include "host/platform/support/listing.h"
#include "tests/host/host_test.h"

namespace hc = host::control;

namespace {

// Every code that the host defines, by its name.
const int kHostCodes[] = {HOST_ERR_INTERNAL,
                          HOST_ERR_NULL_ARGUMENT,
                          HOST_ERR_DEAD_TAG,
                          HOST_ERR_BAD_ARGUMENT,
                          HOST_ERR_NO_MEMORY,
                          HOST_ERR_WRONG_CLASS,
                          HOST_ERR_BAD_BLOCK,
                          HOST_ERR_BAD_HANDLE,
                          HOST_ERR_OUT_OF_SCOPE,
                          HOST_ERR_BAD_MARK,
                          NLM_ERR_OPEN,
                          NLM_ERR_FORMAT,
                          LISTUI_ERR_SAVE,
                          LISTUI_ERR_LINE,
                          PART_ERR_FILE_NOT_FOUND,
                          PART_ERR_NOT_PART_FILE,
                          PART_ERR_BAD_VERSION,
                          PART_ERR_CORRUPT,
                          PART_ERR_READ,
                          PART_ERR_WRITE,
                          PART_ERR_NAME_TOO_LONG,
                          PART_ERR_ALREADY_LOADED,
                          PART_ERR_NO_WORK_PART,
                          PART_ERR_MODIFIED,
                          PART_ERR_BAD_NAME,
                          PART_ERR_NOT_LOADED,
                          PART_ERR_BAD_UNITS,
                          PART_ERR_PDM_NOT_ACTIVE,
                          PART_ERR_UNKEPT_OBJECT,
                          PART_ERR_PDM_BAD_NAME,
                          PART_ERR_MISSING_COMPONENT,
                          PART_ERR_BAD_COMPONENT,
                          PART_ERR_EXPORT,
                          EVC_ERR_NOT_A_CURVE,
                          FEAT_ERR_NOT_A_FEATURE,
                          FEAT_ERR_UNDELETABLE,
                          EXP_DISP_ERR_NO_EXPRESSION,
                          EXP_DISP_ERR_NOT_DISPLAYED,
                          UNDO_ERR_BUSY,
                          UNDO_ERR_BAD_VISIBILITY,
                          UNDO_ERR_BAD_KIND,
                          UNDO_ERR_NO_MARK,
                          UNDO_ERR_NO_CALLBACK,
                          ATTR_ERR_BAD_OBJECT,
                          ATTR_ERR_NOT_FOUND,
                          ATTR_ERR_BAD_TYPE,
                          ATTR_ERR_EMPTY_TITLE,
                          ATTR_ERR_BAD_INDEX,
                          ATTR_ERR_NO_PART,
                          ATTR_ERR_WRONG_TYPE,
                          ATTR_ERR_TITLE_TOO_LONG,
                          ATTR_ERR_VALUE_TOO_LONG,
                          ATTR_ERR_BAD_TITLE,
                          ATTR_ERR_BAD_VALUE,
#define HOST_KERNEL_NAME(name, code, text) name,
                          HOST_KERNEL_CODES(HOST_KERNEL_NAME)
#undef HOST_KERNEL_NAME
#define HOST_EXPR_NAME(name, code, text) name,
                              HOST_EXPR_CODES(HOST_EXPR_NAME)
#undef HOST_EXPR_NAME
#define HOST_FEATURE_NAME(name, code, text) name,
                              HOST_FEATURE_CODES(HOST_FEATURE_NAME)
#undef HOST_FEATURE_NAME
#define HOST_DFO_NAME(name, code, text) name,
                                  HOST_DFO_CODES(HOST_DFO_NAME)
#undef HOST_DFO_NAME
};

class HostMessages : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        hc::clear_decoders();  // a fresh process: nothing registered
    }
    void TearDown() override {
        hc::clear_decoders();
        HostTest::TearDown();
    }
};

TEST_F(HostMessages, EveryHostCodeHasItsOwnText) {
    std::set<std::string> texts;
    for (int code : kHostCodes) {
        SCOPED_TRACE(code);
        const char* text = ERROR_decode(code);
        ASSERT_NE(text, nullptr);
        EXPECT_GT(std::strlen(text), 0u);
        // KX_get_fail_message hands out at most 132 characters.
        EXPECT_LE(std::strlen(text), 132u);
        EXPECT_EQ(text, host::messages::text(code));
        texts.insert(text);
    }
    // The list above and the table agree row for row, so a code added to
    // the table without a name, or a name without a row, shows here.
    EXPECT_EQ(host::messages::table().size(), std::size(kHostCodes));
    std::set<int> listed(std::begin(kHostCodes), std::end(kHostCodes));
    for (const auto& row : host::messages::table()) EXPECT_EQ(listed.count(row.code), 1u) << row.code;
    // Only the two "no work part" codes (part service, attribute service)
    // share a text.
    EXPECT_EQ(texts.size(), std::size(kHostCodes) - 1);
    EXPECT_STREQ(ERROR_decode(PART_ERR_NO_WORK_PART), ERROR_decode(ATTR_ERR_NO_PART));
}

TEST_F(HostMessages, CodesNoOneDefinesHaveNoText) {
    for (int code : {0, -5, 42, 670000, 670011, 641000, 641014, 875001, 875009, 1055000, 1510000, 1510005, 1105004,
                     2147483647, -2147483647 - 1})
        EXPECT_EQ(ERROR_decode(code), nullptr) << code;
}

const error_text_entry kLibraryPartBand[] = {{PART_ERR_FILE_NOT_FOUND, "library text"}, {0, nullptr}};

TEST_F(HostMessages, ARegisteredTextWinsAndTheHostAnswersTheRest) {
    ERROR_register_decoder_fn(641000, 1000, ERROR_decode_in_table, kLibraryPartBand);
    EXPECT_STREQ(ERROR_decode(PART_ERR_FILE_NOT_FOUND), "library text");
    // The band covers 641002 without a row: the host's text answers.
    EXPECT_STREQ(ERROR_decode(PART_ERR_NOT_PART_FILE), "The file is not a part file");
    // Neither has a text.
    EXPECT_EQ(ERROR_decode(641999), nullptr);
    // Dropping the registrations leaves the host's own texts.
    hc::clear_decoders();
    EXPECT_STREQ(ERROR_decode(PART_ERR_FILE_NOT_FOUND), "The part file was not found");
    // A reset of the host keeps them too.
    hc::reset();
    EXPECT_STREQ(ERROR_decode(UNDO_ERR_NO_MARK), "The mark does not exist");
}

TEST_F(HostMessages, CodesOfRealFailuresDecode) {
    // A missing part file: the open's code.
    PART_load_status_t status{};
    unsigned int part = 0;
    const int open_code = BASE_open_part("/nonexistent-dir/missing.prt", &part, &status);
    for (int i = 0; i < status.n_parts; ++i) SM_free(status.file_names[i]);
    SM_free(status.file_names);
    SM_free(status.statuses);
    EXPECT_EQ(open_code, PART_ERR_FILE_NOT_FOUND);
    EXPECT_STREQ(ERROR_decode(open_code), "The part file was not found");

    // A raise for a tag of no object.
    const auto raised = hc::raised_code([] { RM_ask_entity_type(0); });
    ASSERT_TRUE(raised.has_value());
    EXPECT_STREQ(ERROR_decode(*raised), "The tag does not identify an existing object");
}

}  // namespace
