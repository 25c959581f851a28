// The texts of the host's own codes (see host_messages.h).
#include "host/services/host_messages.h"

#include <algorithm>
#include <array>

#include "host/core/curve_queries.h"
#include "host/data/parts.h"
#include "host/dfo/dfo.h"
#include "host/expr/display.h"
#include "host/feature/codes.h"
#include "host/feature/feature.h"
#include "host/feature/undo.h"
#include "host/kernel/codes.h"
#include "host/services/attributes.h"
#include "host/services/text.h"
#include "host/support/listing.h"

namespace host::messages {
namespace {

// Limits quoted in the texts below.
static_assert(PART_MAX_NAME_CHARS == 255);
static_assert(ATTR_MAX_TITLE_CHARS == 50);
static_assert(ATTR_MAX_STRING_CHARS == 132);

// Ascending by code (checked below), one row per code.
constexpr std::array kTable{
    // Part service.
    error_text_entry{PART_ERR_FILE_NOT_FOUND, "The part file was not found"},
    error_text_entry{PART_ERR_NOT_PART_FILE, "The file is not a part file"},
    error_text_entry{PART_ERR_BAD_VERSION, "The part file was written by a newer version"},
    error_text_entry{PART_ERR_CORRUPT, "The part file is damaged or truncated"},
    error_text_entry{PART_ERR_READ, "The part file could not be read"},
    error_text_entry{PART_ERR_WRITE, "The part file could not be written"},
    error_text_entry{PART_ERR_NAME_TOO_LONG, "The file name is longer than 255 characters"},
    error_text_entry{PART_ERR_ALREADY_LOADED, "A part with this file name is already loaded"},
    error_text_entry{PART_ERR_NO_WORK_PART, "There is no work part"},
    error_text_entry{PART_ERR_MODIFIED, "The part has unsaved changes"},
    error_text_entry{PART_ERR_BAD_NAME, "The file name is empty"},
    error_text_entry{PART_ERR_NOT_LOADED, "The part is not loaded"},
    error_text_entry{PART_ERR_UNKEPT_OBJECT, "The part holds an object that the part file cannot keep"},
    error_text_entry{PART_ERR_BAD_UNITS, "The part units must be metric (1) or English (2)"},
    error_text_entry{PART_ERR_PDM_NOT_ACTIVE, "The product-data manager is not active"},
    error_text_entry{PART_ERR_PDM_BAD_NAME, "The product-data manager part name is malformed"},
    error_text_entry{PART_ERR_MISSING_COMPONENT, "A component part file was not found"},
    error_text_entry{PART_ERR_BAD_COMPONENT, "A component part file could not be read"},
    // Internal band.
    error_text_entry{HOST_ERR_INTERNAL, "Internal error in the host"},
    error_text_entry{HOST_ERR_NULL_ARGUMENT, "A required argument is null"},
    error_text_entry{HOST_ERR_DEAD_TAG, "The tag does not identify an existing object"},
    error_text_entry{HOST_ERR_BAD_ARGUMENT, "An argument is out of range or malformed"},
    error_text_entry{HOST_ERR_NO_MEMORY, "Not enough memory"},
    error_text_entry{HOST_ERR_WRONG_CLASS, "The object is not of the expected class"},
    error_text_entry{HOST_ERR_BAD_BLOCK, "The pointer does not address a block of host memory"},
    error_text_entry{HOST_ERR_BAD_HANDLE, "The handle or data-manager name is malformed or no longer valid"},
    error_text_entry{HOST_ERR_OUT_OF_SCOPE, "The host does not support this request"},
    error_text_entry{HOST_ERR_BAD_MARK, "The memory mark is not set"},
    error_text_entry{NLM_ERR_OPEN, "The translation file cannot be read"},
    error_text_entry{NLM_ERR_FORMAT, "A line of the translation file has no tab between source and translation"},
    error_text_entry{LISTUI_ERR_SAVE, "The listing cannot be written to the file"},
    error_text_entry{LISTUI_ERR_LINE, "The listing line has a negative length or more than 132 characters"},
    error_text_entry{FEAT_ERR_NOT_A_FEATURE, "The object is not a feature"},
    error_text_entry{FEAT_ERR_UNDELETABLE, "The feature cannot be deleted"},
#define HOST_KERNEL_ROW(name, code, text) error_text_entry{name, text},
    HOST_KERNEL_CODES(HOST_KERNEL_ROW)
#undef HOST_KERNEL_ROW
#define HOST_FEATURE_ROW(name, code, text) error_text_entry{name, text},
        HOST_FEATURE_CODES(HOST_FEATURE_ROW)
#undef HOST_FEATURE_ROW
            error_text_entry{EXP_DISP_ERR_NO_EXPRESSION, "The object is no expression to show as a dimension"},
    // Modelling band.
    error_text_entry{EVC_ERR_NOT_A_CURVE, "The object is not of the required type"},
    // Export.
    error_text_entry{PART_ERR_EXPORT, "The object cannot be exported"},
    error_text_entry{EXP_DISP_ERR_NOT_DISPLAYED, "No feature uses the expression: there is nothing to dimension"},
    // Undo band.
    error_text_entry{UNDO_ERR_BUSY, "The undo service is busy calling a callback"},
    error_text_entry{UNDO_ERR_BAD_VISIBILITY, "The undo mark visibility must be 0, 1 or 2"},
    error_text_entry{UNDO_ERR_BAD_KIND, "Unknown kind of undo callback"},
    error_text_entry{UNDO_ERR_NO_MARK, "The mark does not exist"},
    error_text_entry{UNDO_ERR_NO_CALLBACK, "No undo callback is registered with this id"},
    // Attribute service.
    error_text_entry{ATTR_ERR_BAD_OBJECT, "The attribute owner does not exist"},
    error_text_entry{ATTR_ERR_NOT_FOUND, "No attribute of this title and type was found"},
    error_text_entry{ATTR_ERR_BAD_TYPE, "The attribute type is not valid"},
    error_text_entry{ATTR_ERR_EMPTY_TITLE, "The attribute title is empty"},
    error_text_entry{ATTR_ERR_BAD_INDEX, "The attribute index is negative"},
    error_text_entry{ATTR_ERR_NO_PART, "There is no work part"},
    error_text_entry{ATTR_ERR_WRONG_TYPE, "The attribute of this title has another type"},
    error_text_entry{ATTR_ERR_TITLE_TOO_LONG, "The attribute title is longer than 50 characters"},
    error_text_entry{ATTR_ERR_VALUE_TOO_LONG, "The attribute string is longer than 132 characters"},
    error_text_entry{ATTR_ERR_BAD_TITLE, "The attribute title contains control characters"},
    error_text_entry{ATTR_ERR_BAD_VALUE, "The value is not allowed for the attribute type"},
// Direct face operations.
#define HOST_DFO_ROW(name, code, text) error_text_entry{name, text},
    HOST_DFO_CODES(HOST_DFO_ROW)
#undef HOST_DFO_ROW
};

constexpr bool strictly_ascending() {
    for (std::size_t i = 1; i < kTable.size(); ++i)
        if (kTable[i - 1].code >= kTable[i].code) return false;
    return true;
}
static_assert(strictly_ascending(), "the host's message table must be in strictly ascending code order");

}  // namespace

const char* text(int code) {
    const auto it = std::lower_bound(kTable.begin(), kTable.end(), code,
                                     [](const error_text_entry& e, int c) { return e.code < c; });
    return it != kTable.end() && it->code == code ? it->text : nullptr;
}

std::span<const error_text_entry> table() { return kTable; }

}  // namespace host::messages
