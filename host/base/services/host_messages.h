// The host's own texts for the codes that it raises or answers: its internal
// band (670xxx), the part service (641xxx), the codes it writes in the
// modelling band (875xxx), the export code 1050044, the undo band (1055xxx)
// and the attribute service (1510xxx).
//
// Each service lists its codes with their texts once, in its header
// (host/base/services/codes.h), and registers the texts from that list in
// one of its sources (HOST_CODE_TEXTS below), so this ground floor names
// none of the services above it. ERROR_decode answers
// from these texts when no registered decoder has a text for a code, so a
// registered band keeps its own texts, and these texts stay when the
// registrations are dropped. They are not registered through the decoder
// registry.
#ifndef HOST_SERVICES_HOST_MESSAGES_H
#define HOST_SERVICES_HOST_MESSAGES_H

#include <span>

#include "host/base/services/codes.h"
#include "host/base/services/error.h"

namespace host::messages {

// Registers a service's texts; the rows must live as long as the program
// (a static array). A code may have one text only: a code registered twice
// stops the program at the first look-up, naming the code.
class Rows {
public:
    explicit Rows(std::span<const error_text_entry> rows);
};

// Text of a host code, or nullptr for a code the host does not define.
const char* text(int code);

// Every registered text, in ascending code order, without an end row.
std::span<const error_text_entry> table();

}  // namespace host::messages

// Registers the texts of a code list X(name, code, text) (codes.h): written
// once, at namespace scope, in one source of the service that owns it:
//     HOST_CODE_TEXTS(HOST_PART_CODES);
#define HOST_CODE_TEXT(name, code, text) error_text_entry{name, text},
#define HOST_CODE_TEXTS(LIST)                                             \
    namespace {                                                           \
    constexpr error_text_entry LIST##_texts[] = {LIST(HOST_CODE_TEXT)};   \
    const host::messages::Rows LIST##_rows{LIST##_texts};                 \
    }

#endif
