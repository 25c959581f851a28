/* The host's customer defaults: named settings of a module.
 *
 * cdUIgetDefault(name, type, module, value) answers 1 and points *value at
 * the host's text of the default when the module has it and type is
 * CD_TYPE_TEXT; otherwise 0 with *value null. The text stays valid until
 * the default is set again or the host is reset. */
#ifndef HOST_PREFERENCES_CUSTOMER_DEFAULTS_H
#define HOST_PREFERENCES_CUSTOMER_DEFAULTS_H

#define CD_TYPE_TEXT 9

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

int cdUIgetDefault(const char* name, int type, int module, const char** value);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <string>

namespace host::preferences {
void set_customer_default(int module, const std::string& name, const std::string& value);
}
#endif

#endif
