/* How a host service lists its status codes: once, in its own header, as
 * one list macro per band (or per share of a band) whose rows are
 *     X(name, code, text)
 * The constants expand from the list here, beside it:
 *     #define HOST_PART_CODES(X) \
 *         X(PART_ERR_FILE_NOT_FOUND, 641001, "The part file was not found") ...
 *     HOST_CODE_CONSTANTS(HOST_PART_CODES);
 * and the host's texts of the codes (ERROR_decode answers them) expand from
 * the same list in one source of the service (HOST_CODE_TEXTS,
 * host/base/services/host_messages.h), so a code and its text stand in one
 * row. A code the host answers without a text of its own is a row
 *     X(name, code)
 * of a list of its own, whose constants HOST_BARE_CODE_CONSTANTS makes.
 *
 * Valid C. In C++ the codes are constants of type int, as the numbers
 * are (internal linkage: nothing is exported); in C, enumeration constants. */
#ifndef HOST_SERVICES_CODES_H
#define HOST_SERVICES_CODES_H

#ifdef __cplusplus
#define HOST_CODE_CONSTANT(name, code, text) constexpr int name = code;
#define HOST_BARE_CODE_CONSTANT(name, code)  constexpr int name = code;
#define HOST_CODE_CONSTANTS(LIST)            LIST(HOST_CODE_CONSTANT) static_assert(true, "")
#define HOST_BARE_CODE_CONSTANTS(LIST)       LIST(HOST_BARE_CODE_CONSTANT) static_assert(true, "")
#else
#define HOST_CODE_CONSTANT(name, code, text) name = code,
#define HOST_BARE_CODE_CONSTANT(name, code)  name = code,
#define HOST_CODE_CONSTANTS(LIST)            enum { LIST(HOST_CODE_CONSTANT) }
#define HOST_BARE_CODE_CONSTANTS(LIST)       enum { LIST(HOST_BARE_CODE_CONSTANT) }
#endif

#endif
