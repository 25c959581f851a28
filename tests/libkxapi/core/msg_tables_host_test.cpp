// The message tables registered with the host's error service, decoded the
// way KX_get_fail_message and the host's own message output decode them.
#include "libkxapi/core/kx_msg_tables.h"

#include "host/base/services/error.h"

#include <gtest/gtest.h>

namespace {

class MessageTablesThroughHost : public ::testing::Test {
protected:
    void SetUp() override {
        host::error::clear_registrations();
        for (const kx_message_band& band : kx_message_bands())
            ERROR_register_decoder_fn(band.base, band.range, ERROR_decode_in_table, band.table);
    }
    void TearDown() override { host::error::clear_registrations(); }
};

TEST_F(MessageTablesThroughHost, EveryRowDecodesToItsText) {
    int rows = 0;
    for (const kx_message_band& band : kx_message_bands()) {
        for (const error_text_entry* row = band.table; row->text != nullptr; ++row) {
            SCOPED_TRACE(row->code);
            const char* text = ERROR_decode(row->code);
            ASSERT_NE(text, nullptr);
            EXPECT_STREQ(text, row->text);
            ++rows;
        }
    }
    EXPECT_EQ(rows, 450);
}

TEST_F(MessageTablesThroughHost, RegisteredInBandOrderWithTheirRanges) {
    const auto registered = host::error::registrations();
    const auto bands = kx_message_bands();
    ASSERT_EQ(registered.size(), bands.size());
    for (std::size_t i = 0; i < bands.size(); ++i) {
        SCOPED_TRACE(bands[i].base);
        EXPECT_EQ(registered[i].base, bands[i].base);
        EXPECT_EQ(registered[i].range, bands[i].range);
        EXPECT_EQ(registered[i].table, bands[i].table);
    }
}

TEST_F(MessageTablesThroughHost, CodesWithoutARowDecodeToNothing) {
    // Band bases of tables that start above them, gaps, the end of a band,
    // the finite-element band without rows, and codes outside every band.
    for (int code : {1175000, 1465000, 1570000, 1930000, 3025000, 1105003, 1405102, 1480017, 1997999, 1765000, 1998000,
                     1110000, 875001, 0})
        EXPECT_EQ(ERROR_decode(code), nullptr) << code;
}

TEST_F(MessageTablesThroughHost, SampleTexts) {
    EXPECT_STREQ(ERROR_decode(1105000), "KX_initialize must be called by main routine");
    EXPECT_STREQ(ERROR_decode(1105016), "The eigth parameter passed in was invalid");
    EXPECT_STREQ(ERROR_decode(1345000), "Input paramter is out of range");
    EXPECT_STREQ(ERROR_decode(1930001), "Input Facet Model not valid for CAM");
    EXPECT_STREQ(ERROR_decode(1995000), "Cannot edit a smart object");
    EXPECT_STREQ(ERROR_decode(3025006), "Dryrun requested for this operation but no log file specified");
}

}  // namespace
