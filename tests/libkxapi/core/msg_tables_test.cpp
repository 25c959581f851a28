// The message tables of the library's status-code bands: their texts, their
// shape, and the list of bands with its registration order.
#include "libkxapi/core/kx_msg_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

// No band holds more rows than its range has codes, so a table that is not
// terminated within range + 1 rows is broken.
std::vector<error_text_entry> rows_of(const kx_message_band& band) {
    std::vector<error_text_entry> rows;
    for (int i = 0; i <= band.range; ++i) {
        const error_text_entry& row = band.table[i];
        if (row.code == 0 && row.text == nullptr) return rows;
        rows.push_back(row);
    }
    ADD_FAILURE() << "table of band " << band.base << " is not terminated";
    return rows;
}

const kx_message_band* band_of(int code) {
    for (const kx_message_band& band : kx_message_bands()) {
        if (code >= band.base && code < band.base + band.range) return &band;
    }
    return nullptr;
}

// The text that the band holding `code` gives it, or nullptr.
const char* text_of(int code) {
    const kx_message_band* band = band_of(code);
    if (band == nullptr) return nullptr;
    for (const error_text_entry& row : rows_of(*band)) {
        if (row.code == code) return row.text;
    }
    return nullptr;
}

struct expected_row {
    int code;
    const char* text;
};

// First, middle and last rows of every band, the odd spellings (eigth,
// nineth, paramter, placment, connectsion), punctuation and the longest text.
const expected_row known_rows[] = {
    {1105000, "KX_initialize must be called by main routine"},
    {1105001, "Subroutine is not callable from internal kestrix extension"},
    {1105004, "The first parameter passed in was invalid"},
    {1105008, "KLAM calling Kestrix Extension has not been initialized correctly."},
    {1105012, "A part must be loaded to use this function"},
    {1105016, "The eigth parameter passed in was invalid"},
    {1105026, "There is no default printer, or the printer setting is wrong."},
    {1105027, "The nineth parameter passed in was invalid"},
    {1105028, "The tenth parameter passed in was invalid"},
    {1105030, "JQ/Manager is not active."},
    {1105031, "Only ASCII data is supported"},
    {1100000, "The input coordinate system is invalid"},
    {1130000, "Plot error!"},
    {1130010, "Invalid plotter queue name!"},
    {1130020, "Invalid, non-positive, tolerance!"},
    {1155000, "The input object cannot be deleted in KX_OBJ_delete_object"},
    {1155001, "Object has no name assigned to it"},
    {1155003, "Cannot modify view name with KX_OBJ_set_name"},
    {1170000, "The specified view is not in the current layout"},
    {1170017, "Name of new view has more than KX_OBJ_NAME_LEN chars"},
    {1170044, "Smooth Edge width specified out of range"},
    {1170052, "Invalid view name"},
    {1170058, "View not in displayed part"},
    {1175001, "There is an invalid input parameter."},
    {1175080, "kx_drf_set_preferences - Error in k25h7pa."},
    {1175096, "The text arrow placment is invalid."},
    {1175129, "Distance from diameter/radius symbol to dimension text must be greater than or equal to zero"},
    {1175154, "The user defined symbol for this operation is not of the correct type."},
    {1175161, "Objects of this type are not supported for use with custom symbols."},
    {1175164, "The custom symbol specifies a leader, but has no leader connectsion."},
    {1190000, "Attempted to access listing window, when listing window not open"},
    {1190004, "String to be printed to listing window exceeds maximum length"},
    {1190009, "Selection list cannot be changed"},
    {1345000, "Input paramter is out of range"},
    {1345012, "Can not map pointer data"},
    {1345014, "Parameter of UDE is not of type integer"},
    {1345026, "The application data has invalid setting"},
    {1390000, "A specified tag on the expression list does not relate to a dimension"},
    {1390004, "The arc angles must not differ by more than two pi."},
    {1390007, "The image file could not be created."},
    {1405000, "An unrecoverable error has occurred."},
    {1405039, "Only 49 active member views allowed in drawing."},
    {1405076, "Spline must be defined by points, can't have tangency or curvature constraints."},
    {1405101, "Invalid pen number."},
    {1405900, "One or more views have associative view scales."},
    {1405901, "Warning: The parent view is out of date."},
    {1465001, "KX_SMD_initialize must be called by the main function"},
    {1480000, "Input parameter must be a point (KX_point_type)"},
    {1480009, "General conic endpoints have different Z coordinates"},
    {1480016, "Conic endpoints don't select same branch or cannot determine sense"},
    {1480018, "Bspline smooth continuity order exceeds order or is less than 0"},
    {1570001, "Face facet data could not be processed"},
    {1570005, "Csys argument is not the tag of a CSYS"},
    {1570101, "Edge has more than two faces adjacent"},
    {1570105, "Negative coordinates detected in output facets"},
    {1930001, "Input Facet Model not valid for CAM"},
    {1995000, "Cannot edit a smart object"},
    {3025001, "The Clone operation has not been initialised"},
    {3025004, "A Clone operation has already been initialised"},
    {3025006, "Dryrun requested for this operation but no log file specified"},
};

// Codes inside a band that its table does not hold: gaps, band bases of
// tables that start above them, and the codes just past the last row.
const int codes_without_text[] = {
    1105003, 1105029, 1105032, 1100001, 1130021, 1155002, 1155004, 1170045, 1170051, 1170059, 1175000, 1175155, 1175160,
    1175165, 1190010, 1345013, 1345027, 1390008, 1405102, 1405899, 1405902, 1465000, 1465002, 1480017, 1480019, 1570000,
    1570006, 1570100, 1570106, 1930000, 1930002, 1995001, 1997999, 3025000, 3025007, 1765000, 1769999,
};

TEST(MessageTables, KnownRowsHaveTheirExactText) {
    for (const expected_row& row : known_rows) {
        SCOPED_TRACE(row.code);
        const char* text = text_of(row.code);
        ASSERT_NE(text, nullptr);
        EXPECT_STREQ(text, row.text);
    }
}

TEST(MessageTables, CodesInsideABandWithoutARowHaveNoText) {
    for (int code : codes_without_text) {
        SCOPED_TRACE(code);
        EXPECT_NE(band_of(code), nullptr);
        EXPECT_EQ(text_of(code), nullptr);
    }
}

TEST(MessageTables, CodesOutsideEveryBandBelongToNoBand) {
    for (int code : {0, -1105000, 1099999, 1110000, 1998000, 1999999, 3030000, 875001, 670000})
        EXPECT_EQ(band_of(code), nullptr) << code;
}

TEST(MessageTables, EveryBandHoldsItsNumberOfRows) {
    const std::pair<int, std::size_t> counts[] = {
        {1105000, 30}, {1100000, 1},  {1130000, 21}, {1155000, 3},   {1170000, 52}, {1175000, 158},
        {1190000, 10}, {1345000, 26}, {1390000, 8},  {1405000, 104}, {1465000, 1},  {1480000, 18},
        {1570000, 10}, {1930000, 1},  {1995000, 1},  {3025000, 6},   {1765000, 0},
    };
    std::size_t total = 0;
    for (const auto& [base, count] : counts) {
        SCOPED_TRACE(base);
        const kx_message_band* band = band_of(base);
        ASSERT_NE(band, nullptr);
        EXPECT_EQ(band->base, base);
        EXPECT_EQ(rows_of(*band).size(), count);
        total += count;
    }
    EXPECT_EQ(total, 450u);
    EXPECT_EQ(kx_message_bands().size(), std::size(counts));
}

// Every table ends with {0, nullptr} and nowhere earlier, holds each code
// once, only codes of its own band, and short printable texts.
TEST(MessageTables, EveryTableIsWellFormed) {
    for (const kx_message_band& band : kx_message_bands()) {
        SCOPED_TRACE(band.base);
        ASSERT_NE(band.table, nullptr);
        std::set<int> seen;
        for (const error_text_entry& row : rows_of(band)) {
            SCOPED_TRACE(row.code);
            EXPECT_GE(row.code, band.base);
            EXPECT_LT(row.code, band.base + band.range);
            EXPECT_TRUE(seen.insert(row.code).second) << "code occurs twice";
            ASSERT_NE(row.text, nullptr);
            const std::size_t length = std::strlen(row.text);
            EXPECT_GT(length, 0u);
            EXPECT_LE(length, 92u);
            EXPECT_TRUE(std::all_of(row.text, row.text + length, [](char c) { return c >= 0x20 && c < 0x7f; }));
        }
    }
}

TEST(MessageTables, BandsComeInRegistrationOrder) {
    using reg = kx_band_registration;
    const std::pair<int, reg> order[] = {
        {1105000, reg::startup},    {1130000, reg::startup},          {1155000, reg::startup},
        {1100000, reg::startup},    {1170000, reg::startup},          {1190000, reg::startup},
        {1390000, reg::startup},    {1175000, reg::startup},          {1405000, reg::startup},
        {1480000, reg::startup},    {1465000, reg::startup},          {1570000, reg::startup},
        {1995000, reg::startup},    {3025000, reg::startup},          {1345000, reg::cam_modules},
        {1930000, reg::cam_prepro}, {1765000, reg::module_first_use},
    };
    const auto bands = kx_message_bands();
    ASSERT_EQ(bands.size(), std::size(order));
    for (std::size_t i = 0; i < bands.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(bands[i].base, order[i].first);
        EXPECT_EQ(bands[i].registered_by, order[i].second);
        EXPECT_NE(bands[i].subject, nullptr);
    }
}

// Bands start at multiples of 5000, span 5000 codes (smart objects 3000)
// and never overlap, so a code has at most one decoder.
TEST(MessageTables, BandsAreDisjoint) {
    const auto bands = kx_message_bands();
    for (const kx_message_band& band : bands) {
        SCOPED_TRACE(band.base);
        EXPECT_EQ(band.base % 5000, 0);
        EXPECT_EQ(band.range, band.base == 1995000 ? 3000 : 5000);
        for (const kx_message_band& other : bands) {
            if (&other == &band) continue;
            EXPECT_TRUE(other.base + other.range <= band.base || band.base + band.range <= other.base)
                << "overlaps " << other.base;
        }
    }
}

TEST(MessageTables, TableByBase) {
    for (const kx_message_band& band : kx_message_bands())
        EXPECT_EQ(kx_message_table(band.base), band.table) << band.base;
    // Only a band's base names it; a code inside a band or no band names none.
    for (int code : {1105001, 1175001, 1110000, 0, -1105000}) EXPECT_EQ(kx_message_table(code), nullptr) << code;
}

}  // namespace

// Every status code is listed once in the codes header: two names of one
// number would give one message two meanings (and two lists one code twice).
TEST(StatusCodes, EveryNumberIsNamedOnce) {
    std::ifstream in(std::string(KX_SOURCE_DIR) + "/libkxapi/include/kx_codes.h");
    ASSERT_TRUE(in) << "the codes header";
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::regex row(R"(X\((\w+),\s*(-?\d+))");
    std::map<long, std::string> names;
    std::set<std::string> seen;
    int rows = 0;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), row); it != std::sregex_iterator(); ++it) {
        const std::string name = (*it)[1];
        const long code = std::stol((*it)[2]);
        ++rows;
        EXPECT_TRUE(seen.insert(name).second) << name << " is listed twice";
        const auto [at, fresh] = names.emplace(code, name);
        EXPECT_TRUE(fresh) << code << " is named " << at->second << " and " << name;
    }
    EXPECT_GT(rows, 500) << "the header's rows were not found";
}
