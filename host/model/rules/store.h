// The knowledge engine's store of values: what value payloads point at
// (texts, doubles, list cells, error objects), the value records it hands
// out, the set of live engine objects, and the trace. Everything here goes
// at a host reset. Internal to host/model/rules/.
#ifndef HOST_RULES_STORE_H
#define HOST_RULES_STORE_H

#include <string>

#include "host/model/rules/rules.h"

struct KBL_list_cell_s {
    std::uint16_t cls = KBE_CLASS_LIST;  // never the low half of a list kind word
    std::uint16_t spare = 0;
    KBL_value_t item{};
    KBL_list_cell_s* next = nullptr;
};

struct KBE_object_s {
    std::uint16_t cls = 0;
    std::uint16_t spare = 0;
    double frame[16] = {};
    KBL_instance_t instance = nullptr;
    unsigned int tag = 0;  // an adopted model object
};

namespace host::rules {

// Raises an engine code with a text.
[[noreturn]] void fail(int code, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Payload storage held until the reset.
const char* keep_text(const char* text);
const double* keep_doubles(const double* values, int n);

// Known objects.
void known_add(const void* object, int cls);
void known_remove(const void* object);
bool known(const void* object);

// Values.
KBL_value_t value_of(int kind, const void* input);  // raises for a kind it cannot make
KBL_value_t* new_record(const KBL_value_t& v);
KBL_error_t* make_error(int number, const std::string& message);
KBL_list_t push(KBL_list_t list, const KBL_value_t& item);
// The list of a list value's payload, checked; raises KBL_ERR_UNKNOWN.
KBL_list_t checked_list(KBL_list_t list);
int list_length(KBL_list_t list);
// Name tokens (the routines without the host's entry hook, for code that
// runs inside formulas): the token of a text, and the text of a token
// (NULL for the empty one; known_token false for no token at all).
KBL_name_t token_of(const char* text);
const char* text_of(KBL_name_t name, bool& known_token);
void add_trace(std::string line);
// The line "evaluate <chain><rule>", made only when the trace is read (the
// two texts must live until the reset).
void add_evaluation_trace(const std::string* chain, const std::string* rule);

}  // namespace host::rules

#endif
